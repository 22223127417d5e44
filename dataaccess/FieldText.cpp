#include "FieldText.h"

#include "Decimal4.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(FieldText)
};

} // namespace

namespace FieldText {

namespace {

// The framework's words for a logical value, translated once and shared by every cell.
const QString &booleanText(bool value)
{
    static const QString yes = Texts::tr("Wahr");
    static const QString no = Texts::tr("Falsch");
    return value ? yes : no;
}

// Display widths in characters of the kinds whose width is not their size.
constexpr int LargeintWidth = 15;
constexpr int BooleanWidth = 6; // "Falsch"
constexpr int DateWidth = 10;   // and time
constexpr int DateTimeWidth = 18;
constexpr int OtherWidth = 10; // and a BCD field without precision

constexpr int FloatDigits = 15; // significant digits of a float's text

QString longTime(const QLocale &locale, const QTime &time)
{
    // The long time format without the time-zone name.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

// A whole count of cents in the locale's currency format. The digits come from the
// integer: a double holds cent counts exactly only up to 2^53 (about 90 billion in money).
// Qt gives the format only around a double, so the locale's text of one unit is the
// pattern, and its number is replaced by ours.
QString centsText(const QLocale &locale, qint64 cents)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? 0 - quint64(cents) : quint64(cents);
    const QString number = locale.toString(magnitude / 100) + locale.decimalPoint() +
                           QString::number(magnitude % 100).rightJustified(2, u'0');
    QString pattern = locale.toCurrencyString(negative ? -1.0 : 1.0, QString(), 2);
    const QString one = locale.toString(1.0, 'f', 2);
    const qsizetype at = pattern.indexOf(one);
    if (at < 0) // no locale writes its currency without the number; kept safe all the same
        return pattern.replace(one, number);
    return pattern.replace(at, one.size(), number);
}

QString currencyText(const QLocale &locale, const Decimal4 &value)
{
    // Whole cents, rounded half away from zero.
    const qint64 rest = value.units % 100;
    const qint64 cents = value.units / 100 + (rest >= 50 ? 1 : rest <= -50 ? -1 : 0);
    return centsText(locale, cents);
}

// A currency double: as the currency format rounds it, but an amount that rounds to no
// cents has no sign, and a value that is no amount shows the general format's word.
QString currencyDouble(const QLocale &locale, double value)
{
    if (!std::isfinite(value))
        return generalFloat(value, FloatDigits, locale);
    QString text = locale.toCurrencyString(value, QString(), 2);
    if (value < 0 && locale.toString(-value, 'f', 2) == locale.toString(0.0, 'f', 2))
        text = locale.toCurrencyString(0.0, QString(), 2);
    return text;
}

} // namespace

QString shortDateFormat(const QLocale &locale)
{
    // Widened once per format: the grids ask for it for every visible date.
    thread_local QHash<QString, QString> formats;
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    const auto found = formats.constFind(format);
    if (found != formats.constEnd())
        return *found;
    QString widened;
    for (qsizetype i = 0; i < format.size();) {
        if (format[i] == QLatin1Char('\'')) {
            // Quoted text stays as it is.
            const qsizetype close = format.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype end = close < 0 ? format.size() : close + 1;
            widened += format.mid(i, end - i);
            i = end;
            continue;
        }
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == format[i])
            ++run;
        if (format[i] == QLatin1Char('y') && run < 4)
            widened += QStringLiteral("yyyy");
        else
            widened += format.mid(i, run);
        i += run;
    }
    return *formats.insert(format, widened);
}

QString generalFloat(double value, int digits, const QLocale &locale)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");
    // "d.ddddde[+-]x": the significant digits and the decimal exponent, locale-free.
    const QByteArray scientific = QByteArray::number(std::fabs(value), 'e', digits - 1);
    const qsizetype e = scientific.indexOf('e');
    QByteArray mantissa = scientific.left(e);
    if (mantissa.size() > 1 && mantissa[1] == '.')
        mantissa.remove(1, 1);
    while (mantissa.size() > 1 && mantissa.endsWith('0'))
        mantissa.chop(1);
    const int exponent = scientific.mid(e + 1).toInt();
    const QString point = locale.decimalPoint();
    QString text;
    if (exponent >= digits || exponent < -5) {
        text = QLatin1Char(mantissa[0]);
        if (mantissa.size() > 1)
            text += point + QString::fromLatin1(mantissa.mid(1));
        text += QLatin1Char('E') + QString::number(exponent);
    } else if (exponent >= 0) {
        const QByteArray padded = mantissa.size() > exponent + 1
                                      ? mantissa
                                      : mantissa + QByteArray(exponent + 1 - mantissa.size(), '0');
        text = QString::fromLatin1(padded.left(exponent + 1));
        if (padded.size() > exponent + 1)
            text += point + QString::fromLatin1(padded.mid(exponent + 1));
    } else {
        text = QLatin1Char('0') + point + QString(-exponent - 1, QLatin1Char('0')) +
               QString::fromLatin1(mantissa);
    }
    return value < 0 ? QLatin1Char('-') + text : text;
}

QString displayText(TFieldType kind, bool currency, const TFieldValue &value, const QLocale &locale)
{
    switch (kind) {
    case TFieldType::ftMemo:
        return value.isNull ? QStringLiteral("(Memo)") : QStringLiteral("(MEMO)");
    case TFieldType::ftWideMemo:
        return value.isNull ? QStringLiteral("(WideMemo)") : QStringLiteral("(WIDEMEMO)");
    case TFieldType::ftBlob:
        return value.isNull ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
    default:
        break;
    }
    if (value.isNull)
        return {};
    switch (kind) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
    case TFieldType::ftGuid:
        return value.value.toString();
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftAutoInc:
        return QString::number(value.value.toLongLong());
    case TFieldType::ftFloat:
        return generalFloat(value.value.toDouble(), FloatDigits, locale);
    case TFieldType::ftCurrency:
        return currencyDouble(locale, value.value.toDouble());
    case TFieldType::ftBCD: {
        if (value.overflow)
            return Texts::tr("BCD-Überlauf");
        const Decimal4 decimal = value.value.value<Decimal4>();
        return currency ? currencyText(locale, decimal) : decimal.toGeneral(locale);
    }
    case TFieldType::ftFMTBcd: {
        QString text = value.value.toString();
        text.replace(QLatin1Char('.'), locale.decimalPoint());
        return text;
    }
    case TFieldType::ftBoolean: {
        return booleanText(value.value.toBool());
    }
    case TFieldType::ftDate:
        return locale.toString(value.value.toDate(), shortDateFormat(locale));
    case TFieldType::ftTime:
        return longTime(locale, value.value.toTime());
    case TFieldType::ftDateTime: {
        const QDateTime stamp = value.value.toDateTime();
        QString text = locale.toString(stamp.date(), shortDateFormat(locale));
        if (stamp.time() != QTime(0, 0))
            text += QLatin1Char(' ') + longTime(locale, stamp.time());
        return text;
    }
    case TFieldType::ftBytes:
    case TFieldType::ftVarBytes:
        return QString::fromLatin1(value.value.toByteArray().toHex());
    default:
        return value.value.toString();
    }
}

int displayWidth(TFieldType kind, int size, int precision)
{
    switch (kind) {
    case TFieldType::ftString:
    case TFieldType::ftWideString:
        return size;
    case TFieldType::ftLargeint:
        return LargeintWidth;
    case TFieldType::ftBoolean:
        return BooleanWidth;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
        return DateWidth;
    case TFieldType::ftDateTime:
        return DateTimeWidth;
    case TFieldType::ftBCD:
    case TFieldType::ftFMTBcd:
        return precision == 0 ? OtherWidth : precision + 1;
    case TFieldType::ftGuid:
        return GuidTextLength;
    default:
        return OtherWidth;
    }
}

} // namespace FieldText
