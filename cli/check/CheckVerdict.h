#pragma once

#include "ServerStatus.h"
#include "Thresholds.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The Monitoring Plugins' states, by their exit codes.
enum class CheckState { Ok = 0, Warning = 1, Critical = 2, Unknown = 3 };
QString stateName(CheckState state); // "OK", "WARNING", "CRITICAL", "UNKNOWN"
// The worse of two: critical, then warning, then unknown, then OK; a full resource stays
// critical even when another row is garbled.
CheckState worse(CheckState a, CheckState b);

// What a check makes of a reading.
struct CheckRules {
    ThresholdRange warning;                    // percent of configured in use
    ThresholdRange critical;                   // percent of configured in use
    CheckState rejected = CheckState::Warning; // a resource that turned some away
    int expiryDays = 14;                       // an evaluation licence ending that soon
    static CheckRules defaults();              // the monitor's marks: 90 and 100
};

// One resource of the usage counters as judged.
struct ResourceVerdict {
    QString name; // fit for any output: no control characters, unique in the reading
    ResourceUsage usage;
    CheckState state = CheckState::Ok;
    std::optional<double> percent; // of configured in use, where it can be told
    bool pastWarning = false;
    bool pastCritical = false;
    bool rejecting = false; // turned some away since the server started
    QString garbled;        // why its counts cannot be judged; empty when they can
};

struct CheckVerdict {
    CheckState state = CheckState::Unknown;
    QString summary;     // the status line after "ADS STATE - "
    QStringList details; // one line per resource past its threshold, for -v
    QList<ResourceVerdict> resources;
    std::optional<qint64> evalDaysLeft;
};

// Judges a reading by the rules, today being the given day.
CheckVerdict judge(const ServerStatus &status, const CheckRules &rules, const QDate &today);

// A text from the server made fit for a line: control characters and the separators of the
// formats ("|", "=", quotes) replaced, blanks squeezed, at most 60 characters.
QString cleanName(const QString &name);

// A text made fit for a status line: control characters as blanks, "|" (where performance
// data begins) as "/", blanks squeezed, at most 300 characters.
QString oneLine(const QString &text);
