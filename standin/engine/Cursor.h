#pragma once

#include "BatchCache.h"
#include "Session.h"

#include <optional>

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
    int answerTimeoutMs = AnswerTimeoutMs; // fetches wait as long as the execution did
    BatchCache batches;                    // made for the result's row count and length
    // 0 before the first row, 1..rowCount on a row, rowCount + 1 after the last.
    std::uint32_t position = 0;

    bool onRow() const { return position >= 1 && position <= rowCount; }
    // The current row's image, fetching its batch when needed; null and the last error
    // set on failure.
    const std::uint8_t *row(UNSIGNED32 &failure);

private:
    // Reads a batch into answer, the one asked for ahead when it was, and checks and
    // converts its rows; gives 0 or the failure, the last error set.
    std::uint32_t fetch(Session &owner, const BatchCache::Batch &batch, BufferPool::Buffer &answer,
                        Deadline deadline);
};

// The wire carries character columns in UTF-8; the 8-bit API gives them in the system's
// encoding. Converts a row image's character columns in place, padding what they shrink by.
void localiseCharacters(std::uint8_t *row, const std::vector<wire::Column> &columns);

// The column a field argument names: a 1-based number cast to the pointer, or a name.
int columnIndex(const Cursor &cursor, const UNSIGNED8 *field);

} // namespace engine
