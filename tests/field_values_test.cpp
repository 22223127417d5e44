#include "FieldDecoders.h"
#include "FieldText.h"
#include "QtPrinters.h"

#include <QDate>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

// A row image of one column at offset 3 (the bytes before it are noise).
struct Image {
    QByteArray bytes;
    FieldDecode::Column column;
};

template <typename T>
Image image(quint16 type, TFieldType kind, T value, int length = sizeof(T), int decimals = 0)
{
    Image result{QByteArray(3 + length + 2, '\x5A'), {type, 3, length, decimals, kind}};
    std::memcpy(result.bytes.data() + 3, &value, sizeof(T));
    return result;
}

Image text(quint16 type, TFieldType kind, const QByteArray &bytes, int length, int decimals = 0)
{
    Image result{QByteArray(3 + length + 2, '\x5A'), {type, 3, length, decimals, kind}};
    std::memcpy(result.bytes.data() + 3, bytes.constData(),
                std::min<qsizetype>(bytes.size(), length));
    return result;
}

Image bytes(quint16 type, TFieldType kind, std::initializer_list<uchar> raw, int length)
{
    Image result{QByteArray(3 + length + 2, '\x5A'), {type, 3, length, 0, kind}};
    int i = 0;
    for (uchar b : raw)
        result.bytes[3 + i++] = char(b);
    return result;
}

qint64 pair(quint32 low, quint32 high)
{
    return qint64((quint64(high) << 32) | low);
}

struct Case {
    const char *name;
    Image image;
    bool currency;
    bool isNull;
    const char *german;
    const char *english;
};

TEST(FieldValues, EveryTypeCodeInTwoLocales)
{
    const qint32 jan2000 = qint32(QDate(2000, 1, 1).toJulianDay());
    const Case cases[] = {
        {"logical T", text(1, TFieldType::ftBoolean, "T", 1), false, false, "Wahr", "Wahr"},
        {"logical y", text(1, TFieldType::ftBoolean, "y", 1), false, false, "Wahr", "Wahr"},
        {"logical other", text(1, TFieldType::ftBoolean, "N", 1), false, false, "Falsch", "Falsch"},
        {"logical blank is null", text(1, TFieldType::ftBoolean, " ", 1), false, true, "", ""},
        {"numeric BCD", text(2, TFieldType::ftBCD, "   1234.50", 10, 2), false, false, "1234,5",
         "1234.5"},
        {"numeric BCD is exact", text(2, TFieldType::ftBCD, "   2.40", 7, 2), false, false, "2,4",
         "2.4"},
        {"numeric BCD 12.34", text(2, TFieldType::ftBCD, "  12.34", 7, 2), false, false, "12,34",
         "12.34"},
        {"numeric BCD leading zeros", text(2, TFieldType::ftBCD, "007.5", 5, 1), false, false,
         "7,5", "7.5"},
        {"numeric BCD no integer digits", text(2, TFieldType::ftBCD, " -.5", 4, 1), false, false,
         "-0,5", "-0.5"},
        {"numeric BCD fifth decimal rounds", text(2, TFieldType::ftBCD, "0.00005", 7, 5), false,
         false, "0,0001", "0.0001"},
        {"numeric BCD garbage is null", text(2, TFieldType::ftBCD, "  12a", 5, 0), false, true, "",
         ""},
        {"numeric BCD exponent is garbage", text(2, TFieldType::ftBCD, "1e5", 3, 0), false, true,
         "", ""},
        {"numeric BCD lone point is garbage", text(2, TFieldType::ftBCD, "  .", 3, 0), false, true,
         "", ""},
        {"numeric BCD largest", text(2, TFieldType::ftBCD, "922337203685477.5807", 20, 4), false,
         false, "922337203685477,5807", "922337203685477.5807"},
        {"numeric zeros are null", text(2, TFieldType::ftBCD, QByteArray(10, '\0'), 10, 2), false,
         true, "", ""},
        {"numeric as small integer", text(2, TFieldType::ftSmallint, "  42", 4), false, false, "42",
         "42"},
        {"numeric as float", text(2, TFieldType::ftFloat, "  -3.25", 7, 2), false, false, "-3,25",
         "-3.25"},
        {"numeric as float, garbage", text(2, TFieldType::ftFloat, "  -3.2x", 7, 2), false, true,
         "", ""},
        {"numeric wide BCD", text(2, TFieldType::ftFMTBcd, "  123456789012345678.5000", 25, 4),
         false, false, "123456789012345678,5", "123456789012345678.5"},
        {"numeric BCD overflow", text(2, TFieldType::ftBCD, "  9999999999999999", 18, 0), false,
         false, "BCD-Überlauf", "BCD-Überlauf"},
        {"date", image<qint32>(3, TFieldType::ftDate, jan2000), false, false, "01.01.2000",
         "1/1/2000"},
        {"date 1 January of year 1", image<qint32>(3, TFieldType::ftDate, 1721426), false, false,
         "01.01.0001", "1/1/0001"},
        {"date before year 1 is null", image<qint32>(3, TFieldType::ftDate, 1721425), false, true,
         "", ""},
        {"date zero is null", image<qint32>(3, TFieldType::ftDate, 0), false, true, "", ""},
        {"character trailing blanks", text(4, TFieldType::ftString, "abc   ", 6), false, false,
         "abc", "abc"},
        {"character leading blanks stay", text(4, TFieldType::ftString, "  ab  ", 6), false, false,
         "  ab", "  ab"},
        {"character only blanks", text(4, TFieldType::ftString, "      ", 6), false, false, "", ""},
        {"character zeros are null", text(4, TFieldType::ftString, QByteArray(6, '\0'), 6), false,
         true, "", ""},
        {"memo with data", image<quint32>(5, TFieldType::ftMemo, 0xFFFFFFFFu), false, false,
         "(MEMO)", "(MEMO)"},
        {"memo null", image<quint32>(5, TFieldType::ftMemo, 0), false, true, "(Memo)", "(Memo)"},
        {"blob", image<quint32>(6, TFieldType::ftBlob, 1), false, false, "(BLOB)", "(BLOB)"},
        {"compact date 2026-12-10",
         bytes(9, TFieldType::ftDate,
               {uchar((2026 << 1) >> 8), uchar(((2026 << 1) & 0xFF) | 1), uchar((4 << 5) | 10)}, 3),
         false, false, "10.12.2026", "12/10/2026"},
        {"double", image<double>(10, TFieldType::ftFloat, 1234.5678), false, false, "1234,5678",
         "1234.5678"},
        {"double null pattern", image<qint64>(10, TFieldType::ftFloat, pair(0x20, 0x80000000u)),
         false, true, "", ""},
        {"integer", image<qint32>(11, TFieldType::ftInteger, -17), false, false, "-17", "-17"},
        {"integer minimum is null", image<quint32>(11, TFieldType::ftInteger, 0x80000000u), false,
         true, "", ""},
        {"short", image<qint16>(12, TFieldType::ftSmallint, 300), false, false, "300", "300"},
        {"short null", image<quint16>(12, TFieldType::ftSmallint, 0x8000), false, true, "", ""},
        {"time", image<quint32>(13, TFieldType::ftTime, (14 * 3600 + 30 * 60 + 5) * 1000), false,
         false, "14:30:05", "2:30:05 PM"},
        {"time null", image<quint32>(13, TFieldType::ftTime, 0xFFFFFFFFu), false, true, "", ""},
        {"timestamp",
         image<qint64>(14, TFieldType::ftDateTime, pair(quint32(jan2000), 9 * 3600000)), false,
         false, "01.01.2000 09:00:00", "1/1/2000 9:00:00 AM"},
        {"timestamp at midnight",
         image<qint64>(14, TFieldType::ftDateTime, pair(quint32(jan2000), 0)), false, false,
         "01.01.2000", "1/1/2000"},
        {"timestamp before year 1 is null", image<qint64>(14, TFieldType::ftDateTime, pair(5, 0)),
         false, true, "", ""},
        {"timestamp date zero is null", image<qint64>(14, TFieldType::ftDateTime, pair(0, 5000)),
         false, true, "", ""},
        {"autoinc", image<qint32>(15, TFieldType::ftAutoInc, 7), false, false, "7", "7"},
        {"currency double", image<double>(17, TFieldType::ftCurrency, 1234.5), true, false,
         "1.234,50\u00A0€", "$1,234.50"},
        {"money", image<qint64>(18, TFieldType::ftBCD, 12345000), true, false, "1.234,50\u00A0€",
         "$1,234.50"},
        {"money null", image<qint64>(18, TFieldType::ftBCD, pair(0, 0x80000000u)), true, true, "",
         ""},
        {"money largest, to the cent",
         image<qint64>(18, TFieldType::ftBCD, std::numeric_limits<qint64>::max()), true, false,
         "922.337.203.685.477,58\u00A0€", "$922,337,203,685,477.58"},
        {"money smallest, to the cent",
         image<qint64>(18, TFieldType::ftBCD, std::numeric_limits<qint64>::min() + 1), true, false,
         "-922.337.203.685.477,58\u00A0€", "($922,337,203,685,477.58)"},
        {"money rounding to no cents has no sign", image<qint64>(18, TFieldType::ftBCD, -49), true,
         false, "0,00\u00A0€", "$0.00"},
        {"currency double rounding to no cents has no sign",
         image<double>(17, TFieldType::ftCurrency, -0.004), true, false, "0,00\u00A0€", "$0.00"},
        {"currency double NaN",
         image<double>(17, TFieldType::ftCurrency, std::numeric_limits<double>::quiet_NaN()), true,
         false, "NAN", "NAN"},
        {"currency double infinity",
         image<double>(17, TFieldType::ftCurrency, -std::numeric_limits<double>::infinity()), true,
         false, "-INF", "-INF"},
        {"numeric wide negative zero", text(2, TFieldType::ftFMTBcd, "  -0.00000", 10, 5), false,
         false, "0", "0"},
        {"compact date past year 9999 is null",
         bytes(9, TFieldType::ftDate,
               {uchar((10370 << 1) >> 8), uchar(((10370 << 1) & 0xFF) | 0), uchar((1 << 5) | 10)},
               3),
         false, true, "", ""},
        {"64-bit integer", image<qint64>(19, TFieldType::ftLargeint, 1234567890123LL), false, false,
         "1234567890123", "1234567890123"},
        {"money is exact", image<qint64>(18, TFieldType::ftBCD, 123400), false, false, "12,34",
         "12.34"},
        {"row version", image<qint64>(21, TFieldType::ftBCD, 99), false, false, "99", "99"},
        {"row version too large for the field",
         image<qint64>(21, TFieldType::ftBCD, 1000000000000000LL), false, false, "BCD-Überlauf",
         "BCD-Überlauf"},
        {"unicode", text(26, TFieldType::ftWideString, QByteArray("M\0\xfc\0l\0l\0 \0 \0", 12), 12),
         false, false, "Müll", "Müll"},
        {"GUID",
         bytes(29, TFieldType::ftGuid,
               {0x33, 0x22, 0x11, 0x00, 0x55, 0x44, 0x77, 0x66, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD,
                0xEE, 0xFF},
               16),
         false, false, "{00112233-4455-6677-8899-AABBCCDDEEFF}",
         "{00112233-4455-6677-8899-AABBCCDDEEFF}"},
        {"type 25 is always null", image<qint32>(25, TFieldType::ftInteger, 5), false, true, "",
         ""},
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const FieldDecode::JulianFromText julian = [](const QByteArray &t, double &day) {
        const QDate date = QDate::fromString(QString::fromLatin1(t), QStringLiteral("yyyyMMdd"));
        day = double(date.toJulianDay());
        return date.isValid();
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto *row = reinterpret_cast<const uchar *>(c.image.bytes.constData());
        // Text that is no value, or a date before year 1, passes the null test and reads null.
        EXPECT_TRUE(!FieldDecode::isNull(c.image.column, row, c.image.bytes.size()) || c.isNull);
        const TFieldValue value =
            FieldDecode::decode(c.image.column, row, c.image.bytes.size(), julian);
        EXPECT_EQ(value.isNull, c.isNull);
        const TFieldType kind = c.image.column.kind;
        EXPECT_EQ(FieldText::displayText(kind, c.currency, value, german),
                  QString::fromUtf8(c.german));
        EXPECT_EQ(FieldText::displayText(kind, c.currency, value, english),
                  QString::fromUtf8(c.english));
    }
}

TEST(FieldValues, FloatsInGeneralFormat)
{
    const struct {
        double value;
        const char *german;
        const char *english;
    } cases[] = {
        {0, "0", "0"},
        {2.4, "2,4", "2.4"},
        {0.1 + 0.2, "0,3", "0.3"},
        {-1234.5678, "-1234,5678", "-1234.5678"},
        {1e-5, "0,00001", "0.00001"},
        {1.25e-5, "0,0000125", "0.0000125"},
        {1e-6, "1E-6", "1E-6"},
        {-2.5e-7, "-2,5E-7", "-2.5E-7"},
        {123456789012345.0, "123456789012345", "123456789012345"},
        {1e15, "1E15", "1E15"},
        {1234567890123456.0, "1,23456789012346E15", "1.23456789012346E15"},
        {1.5e300, "1,5E300", "1.5E300"},
        {1234567.0, "1234567", "1234567"},
        {0.000123456789012345678, "0,000123456789012346", "0.000123456789012346"},
        {std::numeric_limits<double>::infinity(), "INF", "INF"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN", "NAN"},
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.english);
        EXPECT_EQ(FieldText::generalFloat(c.value, 15, german), QString::fromUtf8(c.german));
        EXPECT_EQ(FieldText::generalFloat(c.value, 15, english), QString::fromUtf8(c.english));
    }
}

// A column that ends where the row ends, or is shorter than its type: nothing outside the
// row is read (ASan watches the exact-size copies), and such a column reads as null.
TEST(FieldValues, DecodersStayInsideTheRow)
{
    const struct {
        quint16 type;
        int length;
        TFieldType kind;
        bool fits;
    } cases[] = {
        {23, 6, TFieldType::ftString, false}, // its length word would lie after the row
        {24, 6, TFieldType::ftVarBytes, false}, {27, 6, TFieldType::ftWideString, false},
        {5, 2, TFieldType::ftMemo, false},   // blob markers take 4 bytes
        {10, 4, TFieldType::ftFloat, false}, // a double takes 8
        {11, 2, TFieldType::ftInteger, false},  {12, 1, TFieldType::ftSmallint, false},
        {14, 4, TFieldType::ftDateTime, false}, {18, 7, TFieldType::ftBCD, false},
        {19, 4, TFieldType::ftLargeint, false}, {28, 3, TFieldType::ftWideMemo, false},
        {29, 15, TFieldType::ftGuid, false},    {29, 16, TFieldType::ftGuid, true},
        {11, 4, TFieldType::ftInteger, true},   {4, 6, TFieldType::ftString, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QStringLiteral("type %1, length %2").arg(c.type).arg(c.length).toStdString());
        // Exactly the column's bytes on the heap, all 0x41: no null pattern of any type.
        const std::unique_ptr<uchar[]> row(new uchar[std::size_t(c.length)]);
        std::memset(row.get(), 0x41, std::size_t(c.length));
        const FieldDecode::Column column{c.type, 0, c.length, 0, c.kind};
        EXPECT_EQ(FieldDecode::fits(column, c.length), c.fits);
        EXPECT_EQ(FieldDecode::isNull(column, row.get(), c.length), !c.fits);
        EXPECT_EQ(FieldDecode::decode(column, row.get(), c.length).isNull, !c.fits);
    }
    // A column reaching past the row, or at a negative offset, is no column.
    EXPECT_TRUE(FieldDecode::isNull({11, 4, 4, 0, TFieldType::ftInteger},
                                    reinterpret_cast<const uchar *>("AAAAAAA"), 7));
    EXPECT_TRUE(FieldDecode::isNull({11, -1, 4, 0, TFieldType::ftInteger},
                                    reinterpret_cast<const uchar *>("AAAAAAA"), 7));
}

TEST(FieldValues, TypeCodesMapToFieldKinds)
{
    const struct {
        quint16 type;
        quint32 length;
        quint16 decimals;
        bool adt;
        bool floats;
        TFieldType kind;
        int size;
        int precision;
    } cases[] = {
        {1, 1, 0, true, false, TFieldType::ftBoolean, 0, 0},
        {2, 7, 2, true, false, TFieldType::ftBCD, 2, 5},
        {2, 10, 0, true, false, TFieldType::ftBCD, 0, 9},
        {2, 20, 4, true, false, TFieldType::ftFMTBcd, 4, 18},
        {2, 12, 6, true, false, TFieldType::ftFMTBcd, 6, 10},
        {2, 7, 2, true, true, TFieldType::ftFloat, 0, 0},
        {2, 4, 0, false, false, TFieldType::ftSmallint, 0, 0},
        {2, 5, 0, false, false, TFieldType::ftFloat, 0, 0},
        {3, 4, 0, true, false, TFieldType::ftDate, 0, 0},
        {4, 50, 0, true, false, TFieldType::ftString, 50, 0},
        {5, 9, 0, true, false, TFieldType::ftMemo, 1, 0},
        {6, 9, 0, true, false, TFieldType::ftBlob, 1, 0},
        {7, 9, 0, true, false, TFieldType::ftBlob, 1, 0},
        {8, 9, 0, true, false, TFieldType::ftMemo, 1, 0},
        {9, 3, 0, true, false, TFieldType::ftDate, 0, 0},
        {10, 8, 0, true, false, TFieldType::ftFloat, 0, 0},
        {11, 4, 0, true, false, TFieldType::ftInteger, 0, 0},
        {12, 2, 0, true, false, TFieldType::ftSmallint, 0, 0},
        {13, 4, 0, true, false, TFieldType::ftTime, 0, 0},
        {14, 8, 0, true, false, TFieldType::ftDateTime, 0, 0},
        {15, 4, 0, true, false, TFieldType::ftAutoInc, 0, 0},
        {16, 12, 0, true, false, TFieldType::ftBytes, 12, 0},
        {17, 8, 0, true, false, TFieldType::ftCurrency, 0, 0},
        {18, 8, 0, true, false, TFieldType::ftBCD, 4, 20},
        {19, 8, 0, true, false, TFieldType::ftLargeint, 0, 0},
        {20, 30, 0, true, false, TFieldType::ftString, 30, 0},
        {21, 8, 0, true, false, TFieldType::ftBCD, 0, 20},
        {22, 8, 0, true, false, TFieldType::ftDateTime, 0, 0},
        {23, 40, 0, true, false, TFieldType::ftString, 40, 0},
        {24, 40, 0, true, false, TFieldType::ftVarBytes, 40, 0},
        {25, 4, 0, true, false, TFieldType::ftUnknown, 0, 0},
        {26, 70, 0, true, false, TFieldType::ftWideString, 70, 0},
        {27, 20, 0, true, false, TFieldType::ftWideString, 20, 0},
        {28, 9, 0, true, false, TFieldType::ftWideMemo, 1, 0},
        {29, 16, 0, true, false, TFieldType::ftGuid, 38, 0},
        {0, 4, 0, true, false, TFieldType::ftUnknown, 0, 0},
        {30, 4, 0, true, false, TFieldType::ftUnknown, 0, 0},
        {51, 9, 0, true, false, TFieldType::ftBlob, 1, 0},
        {52, 9, 0, true, false, TFieldType::ftBlob, 1, 0},
        {53, 9, 0, true, false, TFieldType::ftUnknown, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.type);
        const FieldDecode::Kind kind =
            FieldDecode::kindOf(c.type, c.length, c.decimals, c.adt, c.floats);
        EXPECT_EQ(kind.kind, c.kind);
        EXPECT_EQ(kind.size, c.size);
        EXPECT_EQ(kind.precision, c.precision);
    }
}

TEST(FieldValues, DisplayWidths)
{
    const struct {
        TFieldType kind;
        int size;
        int precision;
        int width;
    } cases[] = {
        {TFieldType::ftString, 35, 0, 35},  {TFieldType::ftWideString, 70, 0, 70},
        {TFieldType::ftLargeint, 0, 0, 15}, {TFieldType::ftBoolean, 0, 0, 6},
        {TFieldType::ftDate, 0, 0, 10},     {TFieldType::ftTime, 0, 0, 10},
        {TFieldType::ftDateTime, 0, 0, 18}, {TFieldType::ftBCD, 4, 8, 9},
        {TFieldType::ftBCD, 0, 0, 10},      {TFieldType::ftFMTBcd, 4, 23, 24},
        {TFieldType::ftGuid, 38, 0, 38},    {TFieldType::ftInteger, 0, 0, 10},
    };
    for (const auto &c : cases)
        EXPECT_EQ(FieldText::displayWidth(c.kind, c.size, c.precision), c.width) << int(c.kind);
}

} // namespace
