#pragma once

#include "FieldKinds.h"

#include <QByteArrayView>
#include <QLocale>
#include <QMetaType>
#include <functional>
#include <optional>

// A decimal held exactly, as a BCD field keeps it: a 64-bit count of ten-thousandths.
struct Decimal4 {
    qint64 units = 0;

    // Plain decimal text: blanks, an optional sign, digits with at most one ".", blanks
    // ("007.5", "-.5", "5." read; "1e5", "12a", "" do not). More than four decimals are
    // rounded half away from zero. Nothing for text that is no number; overflow set (and
    // nothing) for a number beyond what 64 bits of ten-thousandths hold.
    static std::optional<Decimal4> fromText(QByteArrayView text, bool *overflow = nullptr);
    // A whole number as a decimal; nothing (and overflow set) when it does not fit.
    static std::optional<Decimal4> fromInteger(qint64 value, bool *overflow = nullptr);

    // General format: no trailing zeros, no group separators, the locale's decimal point.
    QString toGeneral(const QLocale &locale) const;
    double toDouble() const { return double(units) / 10000.0; }
    friend bool operator==(Decimal4 a, Decimal4 b) { return a.units == b.units; }
};
Q_DECLARE_METATYPE(Decimal4)

// Values of an ADT row image, field by field: the null test, the decode and the text a
// control shows. Pure functions over bytes; the dataset only hands them its buffers.
// Nothing is read outside the column's bytes (and its length word, where the type has
// one); a column that does not fit the row, or is too short for its type, reads as null.
namespace FieldDecode {

// Turns date text into a Julian day number (the engine's conversion); false on failure.
using JulianFromText = std::function<bool(const QByteArray &text, double &julian)>;

struct Column {
    quint16 type = 0; // the engine's field type code
    int offset = 0;
    int length = 0; // bytes in the row image
    int decimals = 0;
    TFieldType kind = TFieldType::ftUnknown;
};

// Whether the column and what its type reads lie inside a row of rowSize bytes.
bool fits(const Column &column, qsizetype rowSize);
bool isNull(const Column &column, const uchar *row, qsizetype rowSize);
TFieldValue decode(const Column &column, const uchar *row, qsizetype rowSize,
                   const JulianFromText &julian = {});

} // namespace FieldDecode

namespace FieldDecode {

// The field kind of an engine column and the size and precision of its definition.
struct Kind {
    TFieldType kind = TFieldType::ftUnknown; // unknown: the type code is not one the layer reads
    int size = 0;
    int precision = 0;
};
// adtCursor: the cursor's table type is ADT; numericsAsFloats: the dataset's option.
Kind kindOf(quint16 type, quint32 length, quint16 decimals, bool adtCursor, bool numericsAsFloats);

} // namespace FieldDecode

namespace FieldText {

QString displayText(TFieldType kind, bool currency, int precision, const TFieldValue &value,
                    const QLocale &locale = QLocale::system());
int displayWidth(TFieldType kind, int size, int precision);

// A double in general format with the given significant digits: fixed notation while the
// value has at most that many digits before the point and is at least 0.00001, else an
// exponent ("1E20", "1,5E-6"); the locale's decimal point, no group separators.
QString generalFloat(double value, int digits, const QLocale &locale);

// The locale's short date format with a four-digit year.
QString shortDateFormat(const QLocale &locale);

} // namespace FieldText
