#include "Answers.h"

#include "AceCodes.h"
#include "AceFieldTypes.h"
#include "Limits.h"
#include "Text.h"

namespace engine::answer {

namespace {

Failure broken(const std::string &what)
{
    return Failure{acecode::BrokenAnswer, "The server sent " + what + "."};
}

} // namespace

Failure error(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    const std::uint32_t code = reader.u32();
    const std::string text = reader.str();
    if (!reader.ok() || code == 0)
        return broken("a malformed error answer");
    return Failure{code, utf8ToLocal(text, MaxErrorTextBytes)};
}

std::variant<Welcome, Failure> welcome(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    Welcome answer;
    answer.connection = reader.u32();
    answer.serverName = reader.str();
    if (!reader.ok())
        return broken("a malformed welcome");
    return answer;
}

std::variant<ResultHeader, Failure> result(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    ResultHeader header;
    header.serverId = reader.u32();
    header.rowCount = reader.u32();
    header.recordLength = reader.u32();
    const std::uint16_t columnCount = reader.u16();
    // Counts and lengths from the wire are checked before anything is sized by them.
    if (!reader.ok())
        return broken("a malformed result");
    if (header.rowCount > MaxRows || header.recordLength > MaxRecordLength ||
        columnCount > MaxColumns)
        return broken("a result beyond the engine's limits (rows " +
                      std::to_string(header.rowCount) + ", record length " +
                      std::to_string(header.recordLength) + ", columns " +
                      std::to_string(columnCount) + ")");
    header.columns.reserve(columnCount);
    for (std::uint16_t i = 0; i < columnCount; ++i) {
        wire::Column column;
        column.name = reader.str();
        column.type = reader.u16();
        column.length = reader.u32();
        column.decimals = reader.u16();
        column.offset = reader.u32();
        column.nullable = reader.u8();
        column.permissions = reader.u8();
        if (!reader.ok())
            return broken("a malformed result");
        if (column.name.size() > 128)
            return broken("a column name of " + std::to_string(column.name.size()) + " bytes");
        // Every column must lie inside the row image with room for what its type reads.
        if (!acetype::columnFits(column.type, column.offset, column.length, header.recordLength))
            return Failure{
                acecode::ColumnDoesNotFit,
                "Field length does not fit its type (field \"" + utf8ToLocal(column.name) +
                    "\", type " + std::to_string(column.type) + ", length " +
                    std::to_string(column.length) + ", offset " + std::to_string(column.offset) +
                    ", record length " + std::to_string(header.recordLength) + ")."};
        header.columns.push_back(std::move(column));
    }
    if (!reader.atEnd())
        return broken("a malformed result");
    return header;
}

std::variant<std::size_t, Failure> rows(const std::uint8_t *payload, std::size_t size,
                                        std::uint32_t first, std::uint32_t count,
                                        std::uint32_t recordLength)
{
    wire::Reader reader(payload, size);
    const std::uint32_t gotFirst = reader.u32();
    const std::uint32_t gotCount = reader.u32();
    const std::uint64_t bytes = std::uint64_t(count) * recordLength;
    if (!reader.ok() || gotFirst != first || gotCount != count || std::uint64_t(size - 8) != bytes)
        return broken("malformed rows");
    return std::size_t(8);
}

} // namespace engine::answer
