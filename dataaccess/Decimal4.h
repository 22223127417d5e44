#pragma once

#include <QByteArrayView>
#include <QLocale>
#include <QMetaType>
#include <optional>

// Plain decimal text, as numeric columns hold it, in its parts: blanks, an optional sign,
// digits with at most one ".", blanks ("007.5", "-.5", "5." split; "1e5", "12a", "" do not).
struct DecimalText {
    bool negative = false;
    QByteArrayView integer;
    QByteArrayView fraction;

    // The parts of the text; nothing for text that is no such number.
    static std::optional<DecimalText> split(QByteArrayView text);
};

// A decimal held exactly, as a BCD field keeps it: a 64-bit count of ten-thousandths.
struct Decimal4 {
    qint64 units = 0;

    // Plain decimal text (DecimalText). More than four decimals are rounded half away from
    // zero. Nothing for text that is no number; overflow set (and nothing) for a number
    // beyond what 64 bits of ten-thousandths hold.
    static std::optional<Decimal4> fromText(QByteArrayView text, bool *overflow = nullptr);
    // A whole number as a decimal; nothing (and overflow set) when it does not fit.
    static std::optional<Decimal4> fromInteger(qint64 value, bool *overflow = nullptr);

    // General format: no trailing zeros, no group separators, the locale's decimal point.
    QString toGeneral(const QLocale &locale) const;
    double toDouble() const { return double(units) / 10000.0; }
    friend bool operator==(Decimal4 a, Decimal4 b) { return a.units == b.units; }
};
Q_DECLARE_METATYPE(Decimal4)
