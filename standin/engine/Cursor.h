#pragma once

#include "Session.h"

#include <deque>
#include <optional>
#include <unordered_map>

namespace engine {

struct Statement : Object {
    Statement() : Object(ADS_STATEMENT) {}
    ADSHANDLE connection = 0;
    std::weak_ptr<Session> session;
    std::string sql;                                // UTF-8
    std::vector<std::optional<std::string>> params; // by number - 1; nothing: null
    UNSIGNED32 timeoutSeconds = 0;                  // 0: the engine's default
};

// A result on the server, fetched in batches as the position moves over it.
struct Cursor : Object {
    Cursor() : Object(ADS_CURSOR) {}
    ~Cursor() override; // its batches' memory goes back to the session
    ADSHANDLE connection = 0;
    ADSHANDLE statement = 0;
    std::weak_ptr<Session> session;
    std::uint32_t serverId = 0;
    std::uint32_t rowCount = 0;
    std::uint32_t recordLength = 0;
    std::vector<wire::Column> columns;
    std::uint32_t batchRows = 1;
    int answerTimeoutMs = AnswerTimeoutMs; // fetches wait as long as the execution did
    // Fetched batches by number, each the answer frame as read, rows from its offset on.
    // Only the most recent ones are kept: a result may be far larger than memory. Walking
    // forward, the next batch is asked for when one arrives (Session::fetchAhead).
    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> batches;
    std::deque<std::uint32_t> batchOrder;
    std::size_t cachedBytes = 0;
    std::uint32_t lastFetched = 0;
    std::vector<std::uint8_t> spare; // a dropped batch's memory, for the next answer
    // The spare, else a buffer the session kept from a closed cursor, else none.
    std::vector<std::uint8_t> takeSpare(Session &owner);
    static constexpr std::size_t RowsOffset = 9; // type byte, first row, count
    static constexpr std::size_t MaxCachedBytes = 4u * 1024 * 1024;
    // 0 before the first row, 1..rowCount on a row, rowCount + 1 after the last.
    std::uint32_t position = 0;

    bool onRow() const { return position >= 1 && position <= rowCount; }
    // The current row's image, fetching its batch when needed; null and the last error
    // set on failure.
    const std::uint8_t *row(UNSIGNED32 &failure);
};

// The wire carries character columns in UTF-8; the 8-bit API gives them in the system's
// encoding. Converts a row image's character columns in place, padding what they shrink by.
void localiseCharacters(std::uint8_t *row, const std::vector<wire::Column> &columns);

// The column a field argument names: a 1-based number cast to the pointer, or a name.
int columnIndex(const Cursor &cursor, const UNSIGNED8 *field);

} // namespace engine
