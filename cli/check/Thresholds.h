#pragma once

#include <QString>
#include <optional>

// A threshold in the Monitoring Plugins' range syntax, "[@]START:END" with "~" for minus
// infinity: a value outside START..END alerts, or inside it with "@". One reading differs,
// on purpose: a bare number N means "from N on" (the same as "@N:"), as the monitor's marks
// read, so that the default critical 100 % catches a resource that is exactly full; the
// conventions would read it "above N".
struct ThresholdRange {
    std::optional<double> start; // none: minus infinity
    std::optional<double> end;   // none: infinity
    bool inside = false;         // "@": alert inside the range
    bool fromOn = false;         // given as a bare number

    bool alerts(double value) const;
    // The range over counts when it is over percent of configured: each bound times
    // configured / 100, in the conventions' syntax; a bare "from N on" as the largest
    // count that does not alert (conventions: "above it alerts"). For performance data.
    QString countsText(qint64 configured) const;
    // The first count that alerts when the range is "from N on" of configured.
    std::optional<qint64> firstAlertingCount(qint64 configured) const;
    // As given, for the texts.
    QString text;
};

// Nothing and a reason when the text is no range.
std::optional<ThresholdRange> parseThresholdRange(const QString &text, QString &error);
