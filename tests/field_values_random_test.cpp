// The values a user reads, over many random row images, against a second computation of
// the same rules made another way: dates and times through std::chrono's civil calendar,
// money and decimals through their digits, doubles through their exact decimal expansion.
// The seed is fixed; a failure names the case.

#include "FieldDecoders.h"
#include "FieldText.h"
#include "QtPrinters.h"

#include <QDate>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace {

using namespace std::chrono;

constexpr int Rounds = 4000;
constexpr qint64 JulianOfDayZero = 1721425;   // the day before 1 January of year 1
constexpr qint64 JulianOfLastDay = 5373484;   // 31 December 9999
constexpr qint64 JulianOfUnixEpoch = 2440588; // 1 January 1970
constexpr qint64 MsPerDay = 86'400'000;
const std::string Euro = "\u00A0€";

// How one locale writes what the rules decide, told apart from Qt's locale data.
struct Style {
    const char *name;
    QLocale locale;
    char point;
    char group;
    bool german;
};

const Style Styles[] = {
    {"German", QLocale(QLocale::German, QLocale::Germany), ',', '.', true},
    {"English", QLocale(QLocale::English, QLocale::UnitedStates), '.', ',', false},
};

std::string grouped(const std::string &digits, char separator)
{
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

std::string twoDigits(unsigned value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

std::string fourDigits(int value)
{
    std::string text = std::to_string(value);
    return std::string(4 - std::min<std::size_t>(4, text.size()), '0') + text;
}

// Adds one to a string of digits.
std::string incremented(std::string digits)
{
    for (std::size_t i = digits.size(); i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            return digits;
        }
        digits[i] = '0';
    }
    return '1' + digits;
}

std::string withoutLeadingZeros(std::string digits)
{
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? "0" : digits.substr(first);
}

std::string dateText(const Style &style, qint64 julian)
{
    const year_month_day day{sys_days{days{julian - JulianOfUnixEpoch}}};
    const int y = int(day.year());
    const unsigned m = unsigned(day.month()), d = unsigned(day.day());
    return style.german ? twoDigits(d) + "." + twoDigits(m) + "." + fourDigits(y)
                        : std::to_string(m) + "/" + std::to_string(d) + "/" + fourDigits(y);
}

std::string timeText(const Style &style, qint64 msOfDay)
{
    const hh_mm_ss<milliseconds> t{milliseconds(msOfDay)};
    const unsigned h = unsigned(t.hours().count()), m = unsigned(t.minutes().count()),
                   s = unsigned(t.seconds().count());
    if (style.german)
        return twoDigits(h) + ":" + twoDigits(m) + ":" + twoDigits(s);
    return std::to_string(h % 12 == 0 ? 12 : h % 12) + ":" + twoDigits(m) + ":" + twoDigits(s) +
           (h < 12 ? " AM" : " PM");
}

// An amount of whole and hundredths in the currency format.
std::string currencyText(const Style &style, bool negative, const std::string &whole,
                         const std::string &cents)
{
    const bool zero = whole == "0" && cents == "00";
    if (style.german)
        return (negative && !zero ? "-" : "") + grouped(whole, style.group) + style.point + cents +
               Euro;
    const std::string amount = "$" + grouped(whole, style.group) + style.point + cents;
    return negative && !zero ? "(" + amount + ")" : amount;
}

// Digits of an exact decimal split at the point, rounded to `decimals` places half away from
// zero (a digit of 5 or more past them rounds up: the expansion is exact, so that is the
// tie and everything above it).
std::pair<std::string, std::string> rounded(std::string whole, std::string fraction,
                                            std::size_t decimals)
{
    fraction.resize(std::max(fraction.size(), decimals + 1), '0');
    const bool up = fraction[decimals] >= '5';
    fraction.resize(decimals);
    if (up) {
        const std::string all = incremented(whole + fraction);
        whole = all.substr(0, all.size() - decimals);
        fraction = all.substr(all.size() - decimals);
    }
    return {withoutLeadingZeros(whole), fraction};
}

// The exact decimal expansion of a finite double's magnitude: whole and fraction digits.
std::pair<std::string, std::string> exactDigits(double value)
{
    static char buffer[1500];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                   std::chars_format::fixed, 1100)
                         .ptr;
    const std::string text(buffer, end);
    const std::size_t point = text.find('.');
    return {text.substr(0, point), text.substr(point + 1)};
}

QString shown(const FieldDecode::Column &column, const QByteArray &row, bool currency,
              const QLocale &locale)
{
    const auto *bytes = reinterpret_cast<const uchar *>(row.constData());
    // As an engine reads date text: the first eight characters, year, month and day.
    const FieldDecode::JulianFromText julian = [](const QByteArray &t, double &day) {
        const QDate date =
            QDate::fromString(QString::fromLatin1(t.left(8)), QStringLiteral("yyyyMMdd"));
        day = double(date.toJulianDay());
        return date.isValid();
    };
    const TFieldValue value = FieldDecode::decode(column, bytes, row.size(), julian);
    return FieldText::displayText(column.kind, currency, value, locale);
}

template <typename T> QByteArray rowOf(T value)
{
    QByteArray row(sizeof(T), '\0');
    std::memcpy(row.data(), &value, sizeof(T));
    return row;
}

class FieldValuesAtRandom : public ::testing::Test {
protected:
    std::mt19937_64 random{20261210};

    qint64 between(qint64 low, qint64 high)
    {
        return std::uniform_int_distribution<qint64>(low, high)(random);
    }
    // A value of any magnitude: its number of digits is as likely as its size.
    qint64 anyMagnitude()
    {
        const int digits = int(between(0, 18));
        qint64 limit = 1;
        for (int i = 0; i < digits; ++i)
            limit *= 10;
        const qint64 magnitude = between(0, limit);
        return between(0, 1) ? -magnitude : magnitude;
    }
    // Digits, now and then all zeros.
    std::string digits(int count)
    {
        const bool zeros = between(0, 7) == 0;
        std::string text;
        for (int i = 0; i < count; ++i)
            text += char('0' + (zeros ? 0 : between(0, 9)));
        return text;
    }
};

TEST_F(FieldValuesAtRandom, DatesAndTimestampsFollowTheCivilCalendar)
{
    const FieldDecode::Column date{3, 0, 4, 0, TFieldType::ftDate};
    const FieldDecode::Column time{13, 0, 4, 0, TFieldType::ftTime};
    const FieldDecode::Column stamp{14, 0, 8, 0, TFieldType::ftDateTime};
    for (int i = 0; i < Rounds; ++i) {
        const qint64 julian = between(1, 5) == 1 ? between(1, JulianOfDayZero + 2)
                                                 : between(JulianOfDayZero - 2, JulianOfLastDay);
        const quint32 ms =
            quint32(between(0, 3) == 0 ? between(0, 0xFFFFFFFEll) : between(0, MsPerDay - 1));
        // Past midnight or before it: a timestamp's milliseconds move its date.
        const qint32 stampMs = qint32(between(0, 3) == 0 ? between(-3 * MsPerDay, 3 * MsPerDay)
                                                         : between(0, MsPerDay - 1));
        const qint64 stampDay = std::min(julian, JulianOfLastDay - 4);
        SCOPED_TRACE(testing::Message()
                     << "julian " << julian << ", ms " << ms << ", stamp ms " << stampMs);
        for (const Style &style : Styles) {
            SCOPED_TRACE(style.name);
            // Years before 1 are null.
            const std::string expectedDate =
                julian > JulianOfDayZero ? dateText(style, julian) : std::string();
            EXPECT_EQ(shown(date, rowOf(qint32(julian)), false, style.locale).toStdString(),
                      expectedDate);
            // A time's milliseconds beyond the day wrap.
            EXPECT_EQ(shown(time, rowOf(ms), false, style.locale).toStdString(),
                      timeText(style, qint64(ms) % MsPerDay));
            const qint64 total = (stampDay - JulianOfDayZero) * MsPerDay + stampMs;
            std::string expectedStamp;
            if (total >= MsPerDay) {
                expectedStamp = dateText(style, JulianOfDayZero + total / MsPerDay);
                if (total % MsPerDay != 0)
                    expectedStamp += " " + timeText(style, total % MsPerDay);
            }
            const qint64 image = qint64((quint64(quint32(stampMs)) << 32) | quint32(stampDay));
            EXPECT_EQ(shown(stamp, rowOf(image), false, style.locale).toStdString(), expectedStamp);
        }
    }
}

TEST_F(FieldValuesAtRandom, CompactDatesUpToYear9999)
{
    const FieldDecode::Column compact{9, 0, 3, 0, TFieldType::ftDate};
    for (int i = 0; i < Rounds; ++i) {
        const int year = int(between(0, 5) == 0 ? between(9990, 32767) : between(1, 9999));
        const int month = int(between(1, 12));
        const int day = int(between(1, 28));
        QByteArray bytes(3, '\0');
        bytes[0] = char((year << 1) >> 8);
        bytes[1] = char(((year << 1) & 0xFF) | (month >> 3));
        bytes[2] = char(((month & 7) << 5) | day);
        SCOPED_TRACE(testing::Message() << year << "-" << month << "-" << day);
        for (const Style &style : Styles) {
            SCOPED_TRACE(style.name);
            const qint64 julian = qint64(
                (sys_days{std::chrono::year(year) / month / day}.time_since_epoch()).count() +
                JulianOfUnixEpoch);
            EXPECT_EQ(shown(compact, bytes, false, style.locale).toStdString(),
                      year <= 9999 ? dateText(style, julian) : std::string());
        }
    }
}

TEST_F(FieldValuesAtRandom, MoneyToTheCent)
{
    const FieldDecode::Column money{18, 0, 8, 4, TFieldType::ftBCD};
    for (int i = 0; i < Rounds; ++i) {
        qint64 units = anyMagnitude();
        if (i < 4) // the ends of the range
            units = i % 2 ? std::numeric_limits<qint64>::max()
                          : std::numeric_limits<qint64>::min() + 1 + i;
        SCOPED_TRACE(testing::Message() << "units " << units);
        const bool negative = units < 0;
        const std::string magnitude =
            std::string(5, '0') + std::to_string(negative ? 0 - quint64(units) : quint64(units));
        const std::string whole = magnitude.substr(0, magnitude.size() - 4);
        const std::string fraction = magnitude.substr(magnitude.size() - 4);
        const auto [roundedWhole, cents] = rounded(whole, fraction, 2);
        std::string trimmed = fraction;
        while (!trimmed.empty() && trimmed.back() == '0')
            trimmed.pop_back();
        const bool zero = units == 0;
        for (const Style &style : Styles) {
            SCOPED_TRACE(style.name);
            EXPECT_EQ(shown(money, rowOf(units), true, style.locale).toStdString(),
                      currencyText(style, negative, roundedWhole, cents));
            // Without the currency flag: the exact value in general format.
            const std::string general = (negative && !zero ? "-" : "") +
                                        withoutLeadingZeros(whole) +
                                        (trimmed.empty() ? "" : style.point + trimmed);
            EXPECT_EQ(shown(money, rowOf(units), false, style.locale).toStdString(), general);
        }
    }
}

TEST_F(FieldValuesAtRandom, NumericTextExactOrWide)
{
    for (int i = 0; i < Rounds; ++i) {
        const bool wide = between(0, 1);
        const bool negative = between(0, 2) == 0;
        const int wholeDigits = int(between(0, wide ? 20 : 16));
        const int fractionDigits = int(between(wholeDigits == 0 ? 1 : 0, wide ? 10 : 6));
        const std::string whole = digits(wholeDigits), fraction = digits(fractionDigits);
        std::string text = (negative ? "-" : "") + whole + (fractionDigits ? "." + fraction : "");
        const int length = int(text.size()) + int(between(0, 3));
        // Narrow: at most four decimals and 18 characters; the text may carry more decimals.
        const int decimals = wide ? 5 : 4;
        if (!wide && length > 18)
            continue;
        text = std::string(std::size_t(length) - text.size(), ' ') + text;
        const FieldDecode::Column column{2, 0, length, decimals,
                                         wide ? TFieldType::ftFMTBcd : TFieldType::ftBCD};
        const QByteArray row = QByteArray::fromStdString(text);
        SCOPED_TRACE(text);
        for (const Style &style : Styles) {
            SCOPED_TRACE(style.name);
            std::string expected;
            if (wide) {
                std::string trimmed = fraction;
                while (!trimmed.empty() && trimmed.back() == '0')
                    trimmed.pop_back();
                const std::string integer = withoutLeadingZeros(whole);
                const bool zero = integer == "0" && trimmed.empty();
                expected = (negative && !zero ? "-" : "") + integer +
                           (trimmed.empty() ? "" : style.point + trimmed);
            } else {
                // Four decimals, half away from zero; past 64 bits of ten-thousandths an
                // overflow.
                const auto [w, f] = rounded(whole.empty() ? "0" : whole, fraction, 4);
                const std::string units = withoutLeadingZeros(w + f);
                const std::string limit = std::to_string(std::numeric_limits<qint64>::max());
                const bool overflow =
                    units.size() > limit.size() || (units.size() == limit.size() && units > limit);
                std::string trimmed = f;
                while (!trimmed.empty() && trimmed.back() == '0')
                    trimmed.pop_back();
                const bool zero = units == "0";
                expected = overflow ? "BCD-Überlauf"
                                    : (negative && !zero ? "-" : "") + w +
                                          (trimmed.empty() ? "" : style.point + trimmed);
            }
            EXPECT_EQ(shown(column, row, false, style.locale).toStdString(), expected);
        }
    }
}

TEST_F(FieldValuesAtRandom, CurrencyDoublesRoundHalfAwayFromZero)
{
    const FieldDecode::Column column{17, 0, 8, 0, TFieldType::ftCurrency};
    for (int i = 0; i < Rounds; ++i) {
        double value = 0;
        switch (between(0, 4)) {
        case 0: // whole cents, as a double holds them
            value = double(between(-100'000'000'000'000, 100'000'000'000'000)) / 100;
            break;
        case 1: // eighths: exact ties at the third decimal
            value = double(between(-80'000'000, 80'000'000)) / 8;
            break;
        case 2: // close to zero on either side
            value = double(between(-9999, 9999)) / 1'000'000;
            break;
        case 3:
            value = std::uniform_real_distribution<double>(-1e9, 1e9)(random);
            break;
        default:
            value = std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random),
                               int(between(-20, 50)));
            break;
        }
        SCOPED_TRACE(testing::Message() << std::hexfloat << value);
        const auto [whole, fraction] = exactDigits(value);
        const auto [roundedWhole, cents] = rounded(whole, fraction, 2);
        for (const Style &style : Styles) {
            SCOPED_TRACE(style.name);
            EXPECT_EQ(shown(column, rowOf(value), true, style.locale).toStdString(),
                      currencyText(style, std::signbit(value), roundedWhole, cents));
        }
    }
}

TEST_F(FieldValuesAtRandom, DoublesInGeneralFormatToFifteenDigits)
{
    const FieldDecode::Column column{10, 0, 8, 0, TFieldType::ftFloat};
    for (int i = 0; i < Rounds; ++i) {
        const double value = between(0, 3) == 0
                                 ? double(anyMagnitude()) / double(between(1, 5) * 8)
                                 : std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random),
                                              int(between(-40, 80)));
        SCOPED_TRACE(testing::Message() << std::hexfloat << value);
        // Fifteen significant digits of the exact expansion, half away from zero.
        const auto [whole, fraction] = exactDigits(value);
        const std::string all = whole + fraction;
        const std::size_t first = all.find_first_not_of('0');
        if (first == std::string::npos)
            continue; // zero: the table covers it
        int exponent = int(whole.size()) - 1 - int(first);
        std::string significant = all.substr(first, 15);
        significant.resize(15, '0');
        if (first + 15 < all.size() && all[first + 15] >= '5') {
            significant = incremented(significant);
            if (significant.size() > 15) {
                significant.pop_back();
                ++exponent;
            }
        }
        while (significant.size() > 1 && significant.back() == '0')
            significant.pop_back();
        for (const Style &style : Styles) {
            SCOPED_TRACE(style.name);
            std::string text;
            if (exponent >= 15 || exponent < -5) {
                text = significant.substr(0, 1) +
                       (significant.size() > 1 ? style.point + significant.substr(1) : "") + "E" +
                       std::to_string(exponent);
            } else if (exponent >= 0) {
                std::string padded = significant;
                padded.resize(std::max(padded.size(), std::size_t(exponent) + 1), '0');
                text = padded.substr(0, std::size_t(exponent) + 1);
                if (padded.size() > std::size_t(exponent) + 1)
                    text += style.point + padded.substr(std::size_t(exponent) + 1);
            } else {
                text = "0" + std::string(1, style.point) +
                       std::string(std::size_t(-exponent - 1), '0') + significant;
            }
            EXPECT_EQ(shown(column, rowOf(value), false, style.locale).toStdString(),
                      (value < 0 ? "-" : "") + text);
        }
    }
}

// The short way to a character or integer column's text gives the text the value gives.
TEST_F(FieldValuesAtRandom, PlainTextIsTheDisplayText)
{
    const struct {
        quint16 type;
        TFieldType kind;
        int length;
    } columns[] = {
        {4, TFieldType::ftString, 12},      {20, TFieldType::ftString, 12},
        {23, TFieldType::ftString, 12},     {26, TFieldType::ftWideString, 12},
        {27, TFieldType::ftWideString, 12}, {11, TFieldType::ftInteger, 4},
        {15, TFieldType::ftAutoInc, 4},     {12, TFieldType::ftSmallint, 2},
        {19, TFieldType::ftLargeint, 8},
    };
    const QLocale german(QLocale::German, QLocale::Germany);
    for (int i = 0; i < Rounds; ++i) {
        for (const auto &c : columns) {
            // Row bytes of any kind: blanks, NULs, ASCII, bytes above 0x7F, a length word.
            QByteArray row(c.length + 2, '\0');
            for (char &b : row)
                switch (between(0, 4)) {
                case 0:
                    b = ' ';
                    break;
                case 1:
                    b = '\0';
                    break;
                case 2:
                    b = char(between(0x80, 0xFF));
                    break;
                default:
                    b = char(between(0x21, 0x7E));
                }
            const quint16 used = quint16(between(0, c.length + 3));
            if (between(0, 1))
                std::memcpy(row.data() + c.length, &used, 2);
            const FieldDecode::Column column{c.type, 0, c.length, 0, c.kind};
            const auto *bytes = reinterpret_cast<const uchar *>(row.constData());
            SCOPED_TRACE(testing::Message()
                         << "type " << c.type << ", row " << row.toHex().toStdString());
            const std::optional<QString> plain = FieldDecode::plainText(column, bytes, row.size());
            ASSERT_TRUE(plain.has_value());
            EXPECT_EQ(*plain, FieldText::displayText(c.kind, false,
                                                     FieldDecode::decode(column, bytes, row.size()),
                                                     german));
        }
    }
    // Kinds whose text needs the locale or a value take the long way.
    const FieldDecode::Column money{18, 0, 8, 4, TFieldType::ftBCD};
    const QByteArray row(8, '\1');
    EXPECT_FALSE(FieldDecode::plainText(money, reinterpret_cast<const uchar *>(row.constData()),
                                        row.size()));
}

} // namespace
