#include "FieldValues.h"

#include "AceFieldTypes.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QUuid>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr qint64 JulianOfDayZero = 1721425; // the day before 1 January of year 1
constexpr qint64 MsPerDay = 86400000;

template <typename T> T read(const uchar *p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

bool allZero(const uchar *p, int length)
{
    for (int i = 0; i < length; ++i)
        if (p[i])
            return false;
    return true;
}

// The characters up to the first NUL, trailing blanks removed, from the 8-bit code page.
QString trimmedChars(const uchar *p, int length)
{
    int end = 0;
    while (end < length && p[end])
        ++end;
    while (end > 0 && p[end - 1] == ' ')
        --end;
    return QString::fromLocal8Bit(reinterpret_cast<const char *>(p), end);
}

QString trimmedWide(const uchar *p, int units)
{
    int end = 0;
    while (end < units && read<char16_t>(p + 2 * end))
        ++end;
    while (end > 0 && read<char16_t>(p + 2 * (end - 1)) == u' ')
        --end;
    QString text(end, Qt::Uninitialized);
    std::memcpy(text.data(), p, std::size_t(end) * 2);
    return text;
}

// The column's bytes as C text: up to the first NUL within the column.
QByteArrayView cText(const uchar *p, int length)
{
    const void *nul = std::memchr(p, 0, std::size_t(length));
    const int size = nul ? int(static_cast<const uchar *>(nul) - p) : length;
    return QByteArrayView(reinterpret_cast<const char *>(p), size);
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Plain decimal text, as numeric columns hold it: the parts, or nothing for garbage.
struct DecimalText {
    bool negative = false;
    QByteArrayView integer;
    QByteArrayView fraction;
};

std::optional<DecimalText> splitDecimal(QByteArrayView text)
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
    while (i < end && text[i] >= '0' && text[i] <= '9')
        ++i;
    parts.integer = text.sliced(begin, i - begin);
    if (i < end && text[i] == '.') {
        const qsizetype start = ++i;
        while (i < end && text[i] >= '0' && text[i] <= '9')
            ++i;
        parts.fraction = text.sliced(start, i - start);
    }
    if (i != end || (parts.integer.isEmpty() && parts.fraction.isEmpty()))
        return std::nullopt;
    return parts;
}

QDate dateOfJulian(qint64 julian)
{
    // Years before 1 have no text a user could read; they are null.
    if (julian <= JulianOfDayZero)
        return {};
    return QDate::fromJulianDay(julian);
}

TFieldValue ok(QVariant v)
{
    return TFieldValue{false, std::move(v), false};
}

TFieldValue dateValue(qint64 julian)
{
    const QDate date = dateOfJulian(julian);
    return date.isValid() ? ok(date) : TFieldValue{};
}

TFieldValue decimalValue(std::optional<Decimal4> value, bool overflow)
{
    if (overflow)
        return TFieldValue{false, QVariant(), true};
    return value ? ok(QVariant::fromValue(*value)) : TFieldValue{};
}

} // namespace

// --- Decimal4 ------------------------------------------------------------------------------

std::optional<Decimal4> Decimal4::fromText(QByteArrayView text, bool *overflow)
{
    if (overflow)
        *overflow = false;
    const std::optional<DecimalText> parts = splitDecimal(text);
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

// --- decoding ------------------------------------------------------------------------------

namespace FieldDecode {

bool fits(const Column &c, qsizetype rowSize)
{
    return c.offset >= 0 && c.length >= 0 && rowSize >= 0 &&
           acetype::columnFits(c.type, std::uint64_t(c.offset), std::uint64_t(c.length),
                               std::uint64_t(rowSize));
}

bool isNull(const Column &c, const uchar *row, qsizetype rowSize)
{
    if (!row || !fits(c, rowSize))
        return true;
    const uchar *p = row + c.offset;
    using namespace acetype;
    switch (c.type) {
    case Logical:
        return p[0] == ' ';
    case Numeric:
    case Date:
    case Character:
    case CompactDate:
    case Raw:
    case CaseInsensitiveCharacter:
    case WideCharacter:
    case Guid:
        return allZero(p, c.length);
    case Memo:
    case Binary:
    case Image:
    case VarCharMemo:
    case WideMemo:
        return read<quint32>(p) == 0;
    case Double:
    case CurrencyDouble:
        return read<quint32>(p) == 0x00000020u && read<quint32>(p + 4) == 0x80000000u;
    case Integer:
        return read<quint32>(p) == 0x80000000u;
    case ShortInteger:
        return read<quint16>(p) == 0x8000u;
    case Time:
    case AutoIncrement:
        return read<quint32>(p) == 0xFFFFFFFFu;
    case Timestamp:
    case ModificationTime:
        return read<quint32>(p) == 0;
    case Money:
    case LongInteger:
    case RowVersion:
        return read<quint32>(p) == 0 && read<quint32>(p + 4) == 0x80000000u;
    case VarChar:
    case VarBinary:
    case WideVarChar:
        return read<quint16>(p + c.length) == 0xFFFFu;
    default:
        return true;
    }
}

namespace {

TFieldValue numericText(const Column &c, const uchar *p)
{
    const QByteArrayView text = cText(p, c.length);
    switch (c.kind) {
    case TFieldType::ftBCD: {
        bool overflow = false;
        const std::optional<Decimal4> value = Decimal4::fromText(text, &overflow);
        return decimalValue(value, overflow);
    }
    case TFieldType::ftFMTBcd: {
        const std::optional<DecimalText> parts = splitDecimal(text);
        if (!parts)
            return {};
        QByteArrayView fraction = parts->fraction;
        while (!fraction.isEmpty() && fraction.back() == '0')
            fraction.chop(1);
        QByteArrayView integer = parts->integer;
        while (integer.size() > 1 && integer.front() == '0')
            integer = integer.sliced(1);
        QByteArray digits = integer.isEmpty() ? QByteArray("0") : integer.toByteArray();
        if (!fraction.isEmpty())
            digits += '.' + fraction.toByteArray();
        return ok(QString::fromLatin1((parts->negative ? "-" : "") + digits));
    }
    case TFieldType::ftSmallint: {
        const std::optional<DecimalText> parts = splitDecimal(text);
        if (!parts || !parts->fraction.isEmpty() || parts->integer.isEmpty() ||
            parts->integer.size() > 9)
            return {};
        const int magnitude = parts->integer.toInt();
        return ok(parts->negative ? -magnitude : magnitude);
    }
    default: {
        if (!splitDecimal(text))
            return {};
        bool converted = false;
        const double value = text.toByteArray().trimmed().toDouble(&converted);
        return converted ? ok(value) : TFieldValue{};
    }
    }
}

TFieldValue timestamp(const uchar *p)
{
    const qint64 day = read<qint32>(p);
    const qint64 ms = read<qint32>(p + 4);
    qint64 total = (day - JulianOfDayZero) * MsPerDay + ms;
    if (total < 0)
        total = 0;
    const QDate date = dateOfJulian(JulianOfDayZero + total / MsPerDay);
    if (!date.isValid())
        return {};
    // A wall-clock reading with no zone. As local time each value would cost a time-zone
    // lookup (a stat of /etc/localtime on Linux); as UTC it is kept as read, for nothing.
    return ok(QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(total % MsPerDay)), Qt::UTC));
}

TFieldValue compactDate(const uchar *p, const JulianFromText &julian)
{
    const int year = ((p[0] << 8) | p[1]) >> 1;
    const int month = (p[1] & 1) * 8 + (p[2] >> 5);
    const int dayOfMonth = p[2] & 31;
    const QByteArray text = QStringLiteral("%1%2%3")
                                .arg(year, 4, 10, QLatin1Char('0'))
                                .arg(month, 2, 10, QLatin1Char('0'))
                                .arg(dayOfMonth, 2, 10, QLatin1Char('0'))
                                .toLatin1();
    double day = 0;
    if (!julian || !julian(text, day) || !std::isfinite(day) || std::fabs(day) > 1e12)
        return {};
    return dateValue(qint64(day));
}

} // namespace

Kind kindOf(quint16 type, quint32 length, quint16 decimals, bool adtCursor, bool numericsAsFloats)
{
    using namespace acetype;
    const int size = int(std::min<quint32>(length, 0x7FFFFFFF));
    switch (type) {
    case Logical:
        return {TFieldType::ftBoolean, 0, 0};
    case Numeric: {
        if (adtCursor && !numericsAsFloats) {
            // The precision: the length less the point and the sign, or less the sign.
            const int precision = size - (decimals > 0 ? 2 : 1);
            return {(decimals <= 4 && length <= 18) ? TFieldType::ftBCD : TFieldType::ftFMTBcd,
                    decimals, precision};
        }
        return {(decimals > 0 || length > 4) ? TFieldType::ftFloat : TFieldType::ftSmallint, 0, 0};
    }
    case Date:
    case CompactDate:
        return {TFieldType::ftDate, 0, 0};
    case Character:
    case CaseInsensitiveCharacter:
    case VarChar:
        return {TFieldType::ftString, size, 0};
    case Memo:
    case VarCharMemo:
        return {TFieldType::ftMemo, 1, 0};
    case Binary:
    case Image:
    case BlobFirst:
    case BlobLast:
        return {TFieldType::ftBlob, 1, 0};
    case Double:
        return {TFieldType::ftFloat, 0, 0};
    case Integer:
        return {TFieldType::ftInteger, 0, 0};
    case ShortInteger:
        return {TFieldType::ftSmallint, 0, 0};
    case Time:
        return {TFieldType::ftTime, 0, 0};
    case Timestamp:
    case ModificationTime:
        return {TFieldType::ftDateTime, 0, 0};
    case AutoIncrement:
        return {TFieldType::ftAutoInc, 0, 0};
    case Raw:
        return {TFieldType::ftBytes, size, 0};
    case CurrencyDouble:
        return {TFieldType::ftCurrency, 0, 0};
    case Money:
        return {TFieldType::ftBCD, 4, 20};
    case LongInteger:
        return {TFieldType::ftLargeint, 0, 0};
    case RowVersion:
        return {TFieldType::ftBCD, 0, 20};
    case VarBinary:
        return {TFieldType::ftVarBytes, size, 0};
    case WideCharacter:
    case WideVarChar:
        return {TFieldType::ftWideString, size, 0};
    case WideMemo:
        return {TFieldType::ftWideMemo, 1, 0};
    case Guid:
        return {TFieldType::ftGuid, 38, 0};
    default:
        return {};
    }
}

TFieldValue decode(const Column &c, const uchar *row, qsizetype rowSize,
                   const JulianFromText &julian)
{
    if (isNull(c, row, rowSize))
        return {};
    const uchar *p = row + c.offset;
    using namespace acetype;
    switch (c.type) {
    case Logical: {
        const char b = static_cast<char>(p[0]);
        return ok(b == '1' || b == 'T' || b == 'Y' || b == 't' || b == 'y');
    }
    case Numeric:
        return numericText(c, p);
    case Date: {
        if (c.length == 4)
            return dateValue(read<qint32>(p));
        double day = 0;
        if (!julian || !julian(QByteArray(reinterpret_cast<const char *>(p), c.length), day) ||
            !std::isfinite(day) || std::fabs(day) > 1e12)
            return {};
        return dateValue(qint64(day));
    }
    case Character:
    case CaseInsensitiveCharacter:
        return ok(trimmedChars(p, c.length));
    case CompactDate:
        return compactDate(p, julian);
    case Double:
    case CurrencyDouble:
        return ok(read<double>(p));
    case Integer:
    case AutoIncrement:
        return ok(read<qint32>(p));
    case ShortInteger:
        return ok(int(read<qint16>(p)));
    case Time:
        return ok(QTime::fromMSecsSinceStartOfDay(int(read<quint32>(p) % quint32(MsPerDay))));
    case Timestamp:
    case ModificationTime:
        return timestamp(p);
    case Raw:
        return ok(QByteArray(reinterpret_cast<const char *>(p), c.length));
    case Money:
        return ok(QVariant::fromValue(Decimal4{read<qint64>(p)}));
    case LongInteger:
        return ok(read<qint64>(p));
    case RowVersion: {
        bool overflow = false;
        const std::optional<Decimal4> value = Decimal4::fromInteger(read<qint64>(p), &overflow);
        return decimalValue(value, overflow);
    }
    case VarChar: {
        const int length = std::min<int>(read<quint16>(p + c.length), c.length);
        return ok(trimmedChars(p, length));
    }
    case VarBinary: {
        const int length = std::min<int>(read<quint16>(p + c.length), c.length);
        return ok(QByteArray(reinterpret_cast<const char *>(p), length));
    }
    case WideCharacter:
        return ok(trimmedWide(p, c.length / 2));
    case WideVarChar: {
        const int units = std::min<int>(read<quint16>(p + c.length), c.length / 2);
        return ok(trimmedWide(p, units));
    }
    case Guid: {
        const QUuid uuid(read<quint32>(p), read<quint16>(p + 4), read<quint16>(p + 6), p[8], p[9],
                         p[10], p[11], p[12], p[13], p[14], p[15]);
        return ok(uuid.toString(QUuid::WithBraces).toUpper());
    }
    default:
        // Memos and blobs are not read from the row image; a marker says they hold data.
        return ok(QVariant());
    }
}

} // namespace FieldDecode

// --- text forms ----------------------------------------------------------------------------

namespace FieldText {

namespace {

QString longTime(const QLocale &locale, const QTime &time)
{
    // The long time format without the time-zone name.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

QString currencyText(const QLocale &locale, const Decimal4 &value)
{
    // Whole cents, rounded half away from zero; a double holds every cent count up to
    // 2^53 exactly, and the currency format then rounds nothing.
    const qint64 rest = value.units % 100;
    const qint64 cents = value.units / 100 + (rest >= 50 ? 1 : rest <= -50 ? -1 : 0);
    return locale.toCurrencyString(double(cents) / 100.0, QString(), 2);
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

QString displayText(TFieldType kind, bool currency, int, const TFieldValue &value,
                    const QLocale &locale)
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
        return generalFloat(value.value.toDouble(), 15, locale);
    case TFieldType::ftCurrency:
        return locale.toCurrencyString(value.value.toDouble(), QString(), 2);
    case TFieldType::ftBCD: {
        if (value.overflow)
            return QStringLiteral("BCD-Überlauf");
        const Decimal4 decimal = value.value.value<Decimal4>();
        return currency ? currencyText(locale, decimal) : decimal.toGeneral(locale);
    }
    case TFieldType::ftFMTBcd: {
        QString text = value.value.toString();
        text.replace(QLatin1Char('.'), locale.decimalPoint());
        return text;
    }
    case TFieldType::ftBoolean:
        return value.value.toBool() ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
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
        return 15;
    case TFieldType::ftBoolean:
        return 6;
    case TFieldType::ftDate:
    case TFieldType::ftTime:
        return 10;
    case TFieldType::ftDateTime:
        return 18;
    case TFieldType::ftBCD:
    case TFieldType::ftFMTBcd:
        return precision == 0 ? 10 : precision + 1;
    case TFieldType::ftGuid:
        return 38;
    default:
        return 10;
    }
}

} // namespace FieldText
