#include "Thresholds.h"

#include <cmath>
#include <limits>

namespace {

namespace Texts {
const char *const NotRange = "%1 is no threshold (N, or a range such as 80:, ~:90, @90:100)";
const char *const Reversed = "%1: the range's start lies above its end";
} // namespace Texts

// A finite number in plain decimal notation: no "inf", "nan", exponents or hex.
std::optional<double> numberOf(const QString &text)
{
    if (text.isEmpty() || text.size() > 40)
        return std::nullopt;
    for (const QChar c : text)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-') &&
            c != QLatin1Char('+'))
            return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString numberText(double value)
{
    // Counts are whole; a fraction keeps two places.
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'f', 2);
}

} // namespace

bool ThresholdRange::alerts(double value) const
{
    const bool within = (!start || value >= *start) && (!end || value <= *end);
    return inside ? within : !within;
}

std::optional<qint64> ThresholdRange::firstAlertingCount(qint64 configured) const
{
    if (!fromOn || !start || configured <= 0)
        return std::nullopt;
    const long double first = std::ceil(static_cast<long double>(*start) * configured / 100);
    if (first <= 0)
        return 0;
    if (first >= static_cast<long double>(std::numeric_limits<qint64>::max()))
        return std::numeric_limits<qint64>::max();
    return qint64(first);
}

QString ThresholdRange::countsText(qint64 configured) const
{
    if (configured <= 0)
        return {};
    if (const std::optional<qint64> first = firstAlertingCount(configured))
        return QString::number(*first > 0 ? *first - 1 : 0);
    const auto scaled = [configured](double percent) {
        return static_cast<double>(static_cast<long double>(percent) * configured / 100);
    };
    QString out = inside ? QStringLiteral("@") : QString();
    if (!start)
        out += QStringLiteral("~:");
    else if (*start != 0 || !end)
        out += numberText(scaled(*start)) + QLatin1Char(':');
    if (end)
        out += numberText(scaled(*end));
    return out;
}

std::optional<ThresholdRange> parseThresholdRange(const QString &given, QString &error)
{
    const QString text = given.trimmed();
    ThresholdRange range;
    range.text = text;
    QString body = text;
    if (body.startsWith(QLatin1Char('@'))) {
        range.inside = true;
        body = body.mid(1);
    }
    // A percent sign after the numbers reads as they mean it.
    if (body.endsWith(QLatin1Char('%')))
        body.chop(1);
    const qsizetype colon = body.indexOf(QLatin1Char(':'));
    if (colon < 0) {
        const std::optional<double> number = numberOf(body);
        if (!number || range.inside) {
            error = QString::fromLatin1(Texts::NotRange).arg(given);
            return std::nullopt;
        }
        range.start = number;
        range.inside = true;
        range.fromOn = true;
        return range;
    }
    const QString startText = body.left(colon);
    const QString endText = body.mid(colon + 1);
    if (startText == QLatin1String("~")) {
        range.start = std::nullopt;
    } else if (startText.isEmpty()) {
        range.start = 0;
    } else if (const std::optional<double> start = numberOf(startText)) {
        range.start = start;
    } else {
        error = QString::fromLatin1(Texts::NotRange).arg(given);
        return std::nullopt;
    }
    if (!endText.isEmpty()) {
        const std::optional<double> end = numberOf(endText);
        if (!end) {
            error = QString::fromLatin1(Texts::NotRange).arg(given);
            return std::nullopt;
        }
        range.end = end;
    }
    if (range.start && range.end && *range.start > *range.end) {
        error = QString::fromLatin1(Texts::Reversed).arg(given);
        return std::nullopt;
    }
    return range;
}
