#include "FieldDecoders.h"

#include "AceFieldTypes.h"
#include "Decimal4.h"

#include <QDate>
#include <QDateTime>
#include <QUuid>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

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

// Character columns are padded with blanks to their width: the padding is skipped eight
// bytes at a time, as every field of every row comes through here.
constexpr quint64 EightBlanks = 0x2020202020202020ull;
constexpr quint64 FourWideBlanks = 0x0020002000200020ull;

// The characters up to the first NUL, trailing blanks removed, from the 8-bit code page.
QString trimmedChars(const uchar *p, int length)
{
    const void *nul = std::memchr(p, 0, std::size_t(length));
    int end = nul ? int(static_cast<const uchar *>(nul) - p) : length;
    while (end >= 8 && read<quint64>(p + end - 8) == EightBlanks)
        end -= 8;
    while (end > 0 && p[end - 1] == ' ')
        --end;
    // Plain ASCII reads the same in every 8-bit code page, and Latin-1 widens it without
    // the locale's converter (several times cheaper for the short texts of a row).
    quint64 high = 0;
    int i = 0;
    for (; i + 8 <= end; i += 8)
        high |= read<quint64>(p + i);
    for (; i < end; ++i)
        high |= p[i];
    const auto *text = reinterpret_cast<const char *>(p);
    return (high & 0x8080808080808080ull) == 0 ? QString::fromLatin1(text, end)
                                               : QString::fromLocal8Bit(text, end);
}

QString trimmedWide(const uchar *p, int units)
{
    int end = 0;
    while (end < units && read<char16_t>(p + 2 * end))
        ++end;
    while (end >= 4 && read<quint64>(p + 2 * (end - 4)) == FourWideBlanks)
        end -= 4;
    while (end > 0 && read<char16_t>(p + 2 * (end - 1)) == u' ')
        --end;
    QString text(end, Qt::Uninitialized);
    std::memcpy(text.data(), p, std::size_t(end) * 2);
    return text;
}

// A whole number in decimal, as QString::number writes it, without its general machinery.
QString integerText(qint64 value)
{
    char16_t digits[20];
    char16_t *start = std::end(digits);
    const bool negative = value < 0;
    quint64 magnitude = negative ? 0 - quint64(value) : quint64(value);
    do {
        *--start = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative)
        *--start = u'-';
    return QString(reinterpret_cast<const QChar *>(start), std::end(digits) - start);
}

// The column's bytes as C text: up to the first NUL within the column.
QByteArrayView cText(const uchar *p, int length)
{
    const void *nul = std::memchr(p, 0, std::size_t(length));
    const int size = nul ? int(static_cast<const uchar *>(nul) - p) : length;
    return QByteArrayView(reinterpret_cast<const char *>(p), size);
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

// Date text through the engine's conversion; null when that fails or gives no day number
// a date could have (and a cast to 64 bits could not hold).
TFieldValue dateOfText(const QByteArray &text, const FieldDecode::JulianFromText &julian)
{
    constexpr double JulianLimit = 1e12;
    double day = 0;
    if (!julian || !julian(text, day) || !std::isfinite(day) || std::fabs(day) > JulianLimit)
        return {};
    return dateValue(qint64(day));
}

TFieldValue decimalValue(std::optional<Decimal4> value, bool overflow)
{
    if (overflow)
        return TFieldValue{false, QVariant(), true};
    return value ? ok(QVariant::fromValue(*value)) : TFieldValue{};
}

} // namespace

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
        return p[0] == NullLogical;
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
        return read<quint32>(p) == BlobMarkerNull;
    case Double:
    case CurrencyDouble:
        return read<quint32>(p) == NullDoubleLow && read<quint32>(p + 4) == NullDoubleHigh;
    case Integer:
        return read<quint32>(p) == NullInteger;
    case ShortInteger:
        return read<quint16>(p) == NullShortInteger;
    case Time:
    case AutoIncrement:
        return read<quint32>(p) == NullTime;
    case Timestamp:
    case ModificationTime:
        return read<quint32>(p) == NullJulianDay;
    case Money:
    case LongInteger:
    case RowVersion:
        return read<quint32>(p) == NullInt64Low && read<quint32>(p + 4) == NullInt64High;
    case VarChar:
    case VarBinary:
    case WideVarChar:
        return read<quint16>(p + c.length) == NullLength;
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
        const std::optional<DecimalText> parts = DecimalText::split(text);
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
        // Zero has no sign, as a narrow numeric's exact value has none.
        const bool negative = parts->negative && digits != "0";
        return ok(QString::fromLatin1((negative ? "-" : "") + digits));
    }
    case TFieldType::ftSmallint: {
        const std::optional<DecimalText> parts = DecimalText::split(text);
        if (!parts || !parts->fraction.isEmpty() || parts->integer.isEmpty() ||
            parts->integer.size() > 9)
            return {};
        const int magnitude = parts->integer.toInt();
        return ok(parts->negative ? -magnitude : magnitude);
    }
    default: {
        if (!DecimalText::split(text))
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
    constexpr int LastYear = 9999; // the engine's date text has four digits for it
    const int year = ((p[0] << 8) | p[1]) >> 1;
    const int month = (p[1] & 1) * 8 + (p[2] >> 5);
    const int dayOfMonth = p[2] & 31;
    // Fifteen bits hold years up to 32767; a fifth digit would shift the month and day.
    if (year > LastYear)
        return {};
    return dateOfText(QStringLiteral("%1%2%3")
                          .arg(year, 4, 10, QLatin1Char('0'))
                          .arg(month, 2, 10, QLatin1Char('0'))
                          .arg(dayOfMonth, 2, 10, QLatin1Char('0'))
                          .toLatin1(),
                      julian);
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
        return {TFieldType::ftGuid, GuidTextLength, 0};
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
        return dateOfText(QByteArray(reinterpret_cast<const char *>(p), c.length), julian);
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

std::optional<QString> plainText(const Column &c, const uchar *row, qsizetype rowSize)
{
    using namespace acetype;
    bool plain = false;
    switch (c.type) {
    case Character:
    case CaseInsensitiveCharacter:
    case VarChar:
        plain = c.kind == TFieldType::ftString;
        break;
    case WideCharacter:
    case WideVarChar:
        plain = c.kind == TFieldType::ftWideString;
        break;
    case Integer:
    case AutoIncrement:
        plain = c.kind == TFieldType::ftInteger || c.kind == TFieldType::ftAutoInc;
        break;
    case ShortInteger:
        plain = c.kind == TFieldType::ftSmallint;
        break;
    case LongInteger:
        plain = c.kind == TFieldType::ftLargeint;
        break;
    default:
        break;
    }
    if (!plain)
        return std::nullopt;
    if (isNull(c, row, rowSize))
        return QString();
    const uchar *p = row + c.offset;
    switch (c.type) {
    case Integer:
    case AutoIncrement:
        return integerText(read<qint32>(p));
    case ShortInteger:
        return integerText(read<qint16>(p));
    case LongInteger:
        return integerText(read<qint64>(p));
    case VarChar:
        return trimmedChars(p, std::min<int>(read<quint16>(p + c.length), c.length));
    case WideCharacter:
        return trimmedWide(p, c.length / 2);
    case WideVarChar:
        return trimmedWide(p, std::min<int>(read<quint16>(p + c.length), c.length / 2));
    default:
        return trimmedChars(p, c.length);
    }
}

} // namespace FieldDecode
