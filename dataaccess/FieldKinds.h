#pragma once

#include <QVariant>
#include <optional>

// The field kinds the dataset framework knows, and a decoded value. Shared by the
// framework and the decoders, which know nothing of each other.

enum class TFieldType {
    ftUnknown,
    ftString,
    ftWideString,
    ftSmallint,
    ftInteger,
    ftLargeint,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftFMTBcd,
    ftDate,
    ftTime,
    ftDateTime,
    ftAutoInc,
    ftBytes,
    ftVarBytes,
    ftBlob,
    ftMemo,
    ftWideMemo,
    ftGuid
};

// A GUID's text: 32 hexadecimal digits, four hyphens and the braces.
constexpr int GuidTextLength = 38;

// A decoded value: null, or a typed value.
struct TFieldValue {
    bool isNull = true;
    QVariant value;
    bool overflow = false; // a BCD value too large for the field
};

// A value as a whole number, when it holds one of the integer types that fit 64 signed bits
// (unsigned 64-bit values are left out: they may not fit).
inline std::optional<qint64> wholeNumberOf(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
        return value.toLongLong();
    default:
        return std::nullopt;
    }
}
