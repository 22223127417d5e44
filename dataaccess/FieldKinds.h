#pragma once

#include <QVariant>

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
