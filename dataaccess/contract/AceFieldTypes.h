#pragma once

// The engine's field type codes and what a column of each needs in a row image. The
// data access layer and the stand-in engine check every column against the same rules.

#include <cstdint>

namespace acetype {

constexpr std::uint16_t Logical = 1;
constexpr std::uint16_t Numeric = 2; // decimal text
constexpr std::uint16_t Date = 3;    // Julian day number, or date text
constexpr std::uint16_t Character = 4;
constexpr std::uint16_t Memo = 5;
constexpr std::uint16_t Binary = 6;
constexpr std::uint16_t Image = 7;
constexpr std::uint16_t VarCharMemo = 8;
constexpr std::uint16_t CompactDate = 9; // three bytes
constexpr std::uint16_t Double = 10;
constexpr std::uint16_t Integer = 11;
constexpr std::uint16_t ShortInteger = 12;
constexpr std::uint16_t Time = 13;      // milliseconds since midnight
constexpr std::uint16_t Timestamp = 14; // Julian day, then milliseconds
constexpr std::uint16_t AutoIncrement = 15;
constexpr std::uint16_t Raw = 16;
constexpr std::uint16_t CurrencyDouble = 17;
constexpr std::uint16_t Money = 18; // 64-bit count of ten-thousandths
constexpr std::uint16_t LongInteger = 19;
constexpr std::uint16_t CaseInsensitiveCharacter = 20;
constexpr std::uint16_t RowVersion = 21;
constexpr std::uint16_t ModificationTime = 22;
constexpr std::uint16_t VarChar = 23;       // a length word follows the column
constexpr std::uint16_t VarBinary = 24;     // a length word follows the column
constexpr std::uint16_t SystemField = 25;   // unknown to the client: opening fails
constexpr std::uint16_t WideCharacter = 26; // UTF-16
constexpr std::uint16_t WideVarChar = 27;   // UTF-16, a length word follows the column
constexpr std::uint16_t WideMemo = 28;
constexpr std::uint16_t Guid = 29;
constexpr std::uint16_t BlobFirst = 51; // 51 and 52: further blob kinds
constexpr std::uint16_t BlobLast = 52;

// Null values in an ADT row image. The character, numeric, date, raw and GUID types are
// null when all their bytes are 0; the others hold a marker (little-endian words).
constexpr std::uint8_t NullLogical = ' ';
constexpr std::uint32_t NullDoubleLow = 0x00000020; // double and currency double
constexpr std::uint32_t NullDoubleHigh = 0x80000000;
constexpr std::uint32_t NullInteger = 0x80000000;
constexpr std::uint16_t NullShortInteger = 0x8000;
constexpr std::uint32_t NullTime = 0xFFFFFFFF; // time and auto-increment
constexpr std::uint32_t NullJulianDay = 0;     // the date word of the timestamps
constexpr std::uint32_t NullInt64Low = 0;      // money, 64-bit integer, row version
constexpr std::uint32_t NullInt64High = 0x80000000;
constexpr std::uint16_t NullLength = 0xFFFF; // the length word of the variable types

// Memos and blobs hold a 32-bit marker in the row image, not their content.
constexpr bool isBlob(std::uint16_t type)
{
    return type == Memo || type == Binary || type == Image || type == VarCharMemo ||
           type == WideMemo || type == BlobFirst || type == BlobLast;
}

// A 16-bit length of the value stands right after the column's bytes.
constexpr bool hasLengthWord(std::uint16_t type)
{
    return type == VarChar || type == VarBinary || type == WideVarChar;
}

// The fewest bytes a column of the type must have for its null test and decode.
constexpr std::uint32_t minimumLength(std::uint16_t type)
{
    switch (type) {
    case ShortInteger:
        return 2;
    case CompactDate:
        return 3;
    case Date:
    case Memo:
    case Binary:
    case Image:
    case VarCharMemo:
    case Integer:
    case Time:
    case AutoIncrement:
    case WideMemo:
    case BlobFirst:
    case BlobLast:
        return 4;
    case Double:
    case Timestamp:
    case CurrencyDouble:
    case Money:
    case LongInteger:
    case RowVersion:
    case ModificationTime:
        return 8;
    case Guid:
        return 16;
    case WideCharacter:
    case WideVarChar:
        return 2;
    default:
        return 1;
    }
}

// Whether a column of length bytes at offset lies inside a row of recordLength bytes with
// room for everything its type reads, length word included.
constexpr bool columnFits(std::uint16_t type, std::uint64_t offset, std::uint64_t length,
                          std::uint64_t recordLength)
{
    if (length < minimumLength(type))
        return false;
    const std::uint64_t end = offset + length + (hasLengthWord(type) ? 2 : 0);
    return end <= recordLength;
}

} // namespace acetype
