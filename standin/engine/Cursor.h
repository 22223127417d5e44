#pragma once

#include "Session.h"

#include <optional>

namespace engine {

struct Statement : Object {
    Statement() : Object(ADS_STATEMENT) {}
    ADSHANDLE connection = 0;
    std::weak_ptr<Session> session;
    std::string sql;                                 // UTF-8
    std::vector<std::optional<std::string>> params; // by number - 1; nothing: null
    UNSIGNED32 timeout = 0;
};

// A result on the server, fetched in batches as the position moves over it.
struct Cursor : Object {
    Cursor() : Object(ADS_CURSOR) {}
    ADSHANDLE connection = 0;
    ADSHANDLE statement = 0;
    std::weak_ptr<Session> session;
    std::uint32_t serverId = 0;
    std::uint32_t rowCount = 0;
    std::uint32_t recordLength = 0;
    std::vector<wire::Column> columns;
    std::uint32_t batchRows = 1;
    // Each batch is the answer frame as read, rows from its offset on; empty: not fetched.
    std::vector<std::vector<std::uint8_t>> batches;
    static constexpr std::size_t RowsOffset = 9; // type byte, first row, count
    // 0 before the first row, 1..rowCount on a row, rowCount + 1 after the last.
    std::uint32_t position = 0;

    bool onRow() const { return position >= 1 && position <= rowCount; }
    // The current row's image, fetching its batch when needed; null and the last error
    // set on failure.
    const std::uint8_t *row(UNSIGNED32 &failure);
};

// The column a field argument names: a 1-based number cast to the pointer, or a name.
int columnIndex(const Cursor &cursor, const UNSIGNED8 *field);

} // namespace engine
