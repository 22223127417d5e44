// The field decoders over random row images and column definitions: a 9-byte column
// (type, offset, length, decimals, kind), then the row. Nothing may be read outside the
// row; a column that does not fit reads as null.

#include "FieldDecoders.h"
#include "FieldText.h"

#include <QLocale>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 9)
        return 0;
    std::uint16_t type = 0, offset = 0, length = 0;
    std::memcpy(&type, data, 2);
    std::memcpy(&offset, data + 2, 2);
    std::memcpy(&length, data + 4, 2);
    const int decimals = data[6];
    const auto kind = static_cast<TFieldType>(data[7] % (int(TFieldType::ftGuid) + 1));
    const bool currency = data[8] & 1;
    const FieldDecode::Column column{quint16(type % 64), offset, length, decimals, kind};
    const uchar *row = size > 9 ? data + 9 : nullptr;
    const qsizetype rowSize = qsizetype(size - 9);

    const FieldDecode::JulianFromText julian = [](const QByteArray &text, double &day) {
        bool ok = false;
        day = text.left(8).toDouble(&ok);
        return ok;
    };
    const TFieldValue value = FieldDecode::decode(column, row, rowSize, julian);
    if (!FieldDecode::fits(column, rowSize) && !value.isNull)
        __builtin_trap();
    if (FieldDecode::isNull(column, row, rowSize) && !value.isNull)
        __builtin_trap();
    static const QLocale german(QLocale::German, QLocale::Germany);
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    FieldText::displayText(kind, currency, value, german);
    FieldText::displayText(kind, currency, value, english);
    return 0;
}
