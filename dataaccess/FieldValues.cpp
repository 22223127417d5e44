#include "FieldValues.h"

#include <QDate>
#include <QDateTime>
#include <QUuid>
#include <cmath>
#include <cstring>

namespace {

constexpr qint64 JulianOfDayZero = 1721425; // the day before 1 January of year 1

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

// Decimal text to a value with 4 decimals, as the BCD field holds it.
TFieldValue bcdFromText(const QByteArray &text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    if (!ok)
        return {};
    TFieldValue value{false, number, false};
    // The field holds a 64-bit count of ten-thousandths.
    if (std::fabs(number) >= 922337203685477.5807)
        value.overflow = true;
    return value;
}

QString wideBcdText(QByteArray text)
{
    text = text.trimmed();
    if (text.contains('.')) {
        while (text.endsWith('0'))
            text.chop(1);
        if (text.endsWith('.'))
            text.chop(1);
    }
    return QString::fromLatin1(text);
}

QDate dateOfJulian(qint64 julian)
{
    return QDate::fromJulianDay(julian);
}

} // namespace

namespace FieldDecode {

bool isNull(const Column &c, const uchar *row)
{
    const uchar *p = row + c.offset;
    switch (c.type) {
    case 1:
        return p[0] == ' ';
    case 2: case 3: case 4: case 9: case 16: case 20: case 26: case 29:
        return allZero(p, c.length);
    case 5: case 6: case 7: case 8: case 28:
        return read<quint32>(p) == 0;
    case 10: case 17:
        return read<quint32>(p) == 0x00000020u && read<quint32>(p + 4) == 0x80000000u;
    case 11:
        return read<quint32>(p) == 0x80000000u;
    case 12:
        return read<quint16>(p) == 0x8000u;
    case 13: case 15:
        return read<quint32>(p) == 0xFFFFFFFFu;
    case 14: case 22:
        return read<quint32>(p) == 0;
    case 18: case 19: case 21:
        return read<quint32>(p) == 0 && read<quint32>(p + 4) == 0x80000000u;
    case 23: case 24: case 27:
        return read<quint16>(p + c.length) == 0xFFFFu;
    default:
        return true;
    }
}

TFieldValue decode(const Column &c, const uchar *row, const JulianFromText &julian)
{
    if (isNull(c, row))
        return {};
    const uchar *p = row + c.offset;
    const auto ok = [](QVariant v) { return TFieldValue{false, std::move(v), false}; };
    switch (c.type) {
    case 1: {
        const char b = static_cast<char>(p[0]);
        return ok(b == '1' || b == 'T' || b == 'Y' || b == 't' || b == 'y');
    }
    case 2: {
        const QByteArray text = QByteArray(reinterpret_cast<const char *>(p), c.length);
        const QByteArray digits = QByteArray(text.constData()); // up to a NUL, as the C text
        bool converted = false;
        switch (c.kind) {
        case TFieldType::ftBCD:
            return bcdFromText(digits);
        case TFieldType::ftFMTBcd:
            return ok(wideBcdText(digits));
        case TFieldType::ftSmallint: {
            const int value = digits.trimmed().toInt(&converted);
            return converted ? ok(value) : TFieldValue{};
        }
        default: {
            const double value = digits.trimmed().toDouble(&converted);
            return converted ? ok(value) : TFieldValue{};
        }
        }
    }
    case 3: {
        if (c.length == 4)
            return ok(dateOfJulian(read<qint32>(p)));
        double day = 0;
        if (!julian || !julian(QByteArray(reinterpret_cast<const char *>(p), c.length), day))
            return {};
        return ok(dateOfJulian(qint64(day)));
    }
    case 4: case 20:
        return ok(trimmedChars(p, c.length));
    case 9: {
        const int year = ((p[0] << 8) | p[1]) >> 1;
        const int month = (p[1] & 1) * 8 + (p[2] >> 5);
        const int dayOfMonth = p[2] & 31;
        const QByteArray text = QStringLiteral("%1%2%3")
                                    .arg(year, 4, 10, QLatin1Char('0'))
                                    .arg(month, 2, 10, QLatin1Char('0'))
                                    .arg(dayOfMonth, 2, 10, QLatin1Char('0'))
                                    .toLatin1();
        double day = 0;
        if (!julian || !julian(text, day))
            return {};
        return ok(dateOfJulian(qint64(day)));
    }
    case 10: case 17:
        return ok(read<double>(p));
    case 11: case 15:
        return ok(read<qint32>(p));
    case 12:
        return ok(int(read<qint16>(p)));
    case 13:
        return ok(QTime::fromMSecsSinceStartOfDay(int(read<quint32>(p) % 86400000u)));
    case 14: case 22: {
        const qint64 day = read<qint32>(p);
        const qint64 ms = read<qint32>(p + 4);
        qint64 total = (day - JulianOfDayZero) * 86400000 + ms;
        if (total < 0)
            total = 0;
        const QDate date = dateOfJulian(JulianOfDayZero + total / 86400000);
        return ok(QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(total % 86400000))));
    }
    case 16:
        return ok(QByteArray(reinterpret_cast<const char *>(p), c.length));
    case 18: {
        const qint64 units = read<qint64>(p);
        return ok(double(units) / 10000.0);
    }
    case 19:
        return ok(read<qint64>(p));
    case 21:
        return bcdFromText(QByteArray::number(read<qint64>(p)));
    case 23: {
        const int length = std::min<int>(read<quint16>(p + c.length), c.length);
        return ok(trimmedChars(p, length));
    }
    case 24: {
        const int length = std::min<int>(read<quint16>(p + c.length), c.length);
        return ok(QByteArray(reinterpret_cast<const char *>(p), length));
    }
    case 26:
        return ok(trimmedWide(p, c.length / 2));
    case 27: {
        const int units = std::min<int>(read<quint16>(p + c.length), c.length / 2);
        return ok(trimmedWide(p, units));
    }
    case 29: {
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

namespace FieldText {

namespace {

QString longTime(const QLocale &locale, const QTime &time)
{
    // The long time format without the time-zone name.
    QString format = locale.timeFormat(QLocale::LongFormat);
    format.remove(QLatin1Char('t'));
    return locale.toString(time, format.trimmed());
}

QString generalFloat(const QLocale &locale, double value, int digits)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', digits);
}

} // namespace

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
        return generalFloat(locale, value.value.toDouble(), 15);
    case TFieldType::ftCurrency:
        return locale.toCurrencyString(value.value.toDouble(), QString(), 2);
    case TFieldType::ftBCD:
        if (value.overflow)
            return QStringLiteral("BCD-Überlauf");
        if (currency)
            return locale.toCurrencyString(value.value.toDouble(), QString(), 2);
        return generalFloat(locale, std::round(value.value.toDouble() * 10000.0) / 10000.0, 19);
    case TFieldType::ftFMTBcd: {
        QString text = value.value.toString();
        text.replace(QLatin1Char('.'), locale.decimalPoint());
        return text;
    }
    case TFieldType::ftBoolean:
        return value.value.toBool() ? QStringLiteral("Wahr") : QStringLiteral("Falsch");
    case TFieldType::ftDate:
        return locale.toString(value.value.toDate(), QLocale::ShortFormat);
    case TFieldType::ftTime:
        return longTime(locale, value.value.toTime());
    case TFieldType::ftDateTime: {
        const QDateTime stamp = value.value.toDateTime();
        QString text = locale.toString(stamp.date(), QLocale::ShortFormat);
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
