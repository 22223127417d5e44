#pragma once

#include "FieldKinds.h"

#include <QByteArray>
#include <functional>
#include <optional>

// Values of an ADT row image, field by field: the null test and the decode. Pure functions
// over bytes; the dataset only hands them its buffers. Nothing is read outside the
// column's bytes (and its length word, where the type has one); a column that does not fit
// the row, or is too short for its type, reads as null.
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

// Memos and blobs hold a marker, not their content: the dataset writes it over the
// column's first 32 bits as it reads the row.
constexpr quint32 BlobMarkerNull = 0;
constexpr quint32 BlobMarkerData = 0xFFFFFFFFu;

// Whether the column and what its type reads lie inside a row of rowSize bytes.
bool fits(const Column &column, qsizetype rowSize);
bool isNull(const Column &column, const uchar *row, qsizetype rowSize);
TFieldValue decode(const Column &column, const uchar *row, qsizetype rowSize,
                   const JulianFromText &julian = {});
// The display text of a column whose text needs neither the locale nor a value in between
// (characters, integers), straight from the row: the text the value's display text would
// be, for a fraction of the cost. Nothing for every other column.
std::optional<QString> plainText(const Column &column, const uchar *row, qsizetype rowSize);

// The field kind of an engine column and the size and precision of its definition.
struct Kind {
    TFieldType kind = TFieldType::ftUnknown; // unknown: the type code is not one the layer reads
    int size = 0;
    int precision = 0;
};
// adtCursor: the cursor's table type is ADT; numericsAsFloats: the dataset's option.
Kind kindOf(quint16 type, quint32 length, quint16 decimals, bool adtCursor, bool numericsAsFloats);

} // namespace FieldDecode
