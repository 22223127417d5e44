#pragma once

#include "DataSet.h"

#include <QLocale>
#include <functional>

// Values of an ADT row image, field by field: the null test, the decode and the text a
// control shows. Pure functions over bytes; the dataset only hands them its buffers.
namespace FieldDecode {

// Turns date text into a Julian day number (the engine's conversion); false on failure.
using JulianFromText = std::function<bool(const QByteArray &text, double &julian)>;

struct Column {
    quint16 type = 0;      // the engine's field type code
    int offset = 0;
    int length = 0;        // bytes in the row image
    int decimals = 0;
    TFieldType kind = TFieldType::ftUnknown;
};

bool isNull(const Column &column, const uchar *row);
TFieldValue decode(const Column &column, const uchar *row, const JulianFromText &julian = {});

} // namespace FieldDecode

namespace FieldText {

QString displayText(TFieldType kind, bool currency, int precision, const TFieldValue &value,
                    const QLocale &locale = QLocale::system());
int displayWidth(TFieldType kind, int size, int precision);

} // namespace FieldText
