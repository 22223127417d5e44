#include "Decimal4.h"

#include <limits>

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<DecimalText> DecimalText::split(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    DecimalText parts;
    if (begin < end && (text[begin] == '-' || text[begin] == '+')) {
        parts.negative = text[begin] == '-';
        ++begin;
    }
    qsizetype i = begin;
    while (i < end && isDigit(text[i]))
        ++i;
    parts.integer = text.sliced(begin, i - begin);
    if (i < end && text[i] == '.') {
        const qsizetype start = ++i;
        while (i < end && isDigit(text[i]))
            ++i;
        parts.fraction = text.sliced(start, i - start);
    }
    if (i != end || (parts.integer.isEmpty() && parts.fraction.isEmpty()))
        return std::nullopt;
    return parts;
}

std::optional<Decimal4> Decimal4::fromText(QByteArrayView text, bool *overflow)
{
    if (overflow)
        *overflow = false;
    const std::optional<DecimalText> parts = DecimalText::split(text);
    if (!parts)
        return std::nullopt;
    constexpr quint64 Limit = quint64(std::numeric_limits<qint64>::max());
    quint64 units = 0;
    const auto tooLarge = [overflow] {
        if (overflow)
            *overflow = true;
        return std::nullopt;
    };
    for (const char digit : parts->integer) {
        if (units > (Limit - quint64(digit - '0')) / 10)
            return tooLarge();
        units = units * 10 + quint64(digit - '0');
    }
    if (units > Limit / 10000)
        return tooLarge();
    units *= 10000;
    quint64 fraction = 0;
    for (qsizetype i = 0; i < 4; ++i)
        fraction =
            fraction * 10 + (i < parts->fraction.size() ? quint64(parts->fraction[i] - '0') : 0);
    if (parts->fraction.size() > 4 && parts->fraction[4] >= '5')
        ++fraction;
    if (units > Limit - fraction)
        return tooLarge();
    units += fraction;
    return Decimal4{parts->negative ? -qint64(units) : qint64(units)};
}

std::optional<Decimal4> Decimal4::fromInteger(qint64 value, bool *overflow)
{
    if (overflow)
        *overflow = false;
    constexpr qint64 Limit = std::numeric_limits<qint64>::max() / 10000;
    if (value > Limit || value < -Limit) {
        if (overflow)
            *overflow = true;
        return std::nullopt;
    }
    return Decimal4{value * 10000};
}

QString Decimal4::toGeneral(const QLocale &locale) const
{
    const quint64 magnitude = units < 0 ? quint64(0) - quint64(units) : quint64(units);
    QString text = QString::number(magnitude / 10000);
    quint64 fraction = magnitude % 10000;
    if (fraction != 0) {
        int digits = 4;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        text += locale.decimalPoint() +
                QStringLiteral("%1").arg(fraction, digits, 10, QLatin1Char('0'));
    }
    return units < 0 ? QLatin1Char('-') + text : text;
}
