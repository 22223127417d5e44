#pragma once

#include "Link.h"
#include "Registry.h"

#include <mutex>
#include <string>

namespace engine {

// Connecting and the greeting give up after ConnectTimeoutMs. Executing and fetching wait
// for the statement's SQL time-out (AdsSetSQLTimeout, in seconds) when it is set, else
// AnswerTimeoutMs.
constexpr int ConnectTimeoutMs = 3000;
constexpr int AnswerTimeoutMs = 10000;

// What a result may be; a server that claims more is broken.
constexpr std::uint32_t MaxRows = 50'000'000;
constexpr std::uint32_t MaxRecordLength = 1024 * 1024;
constexpr std::uint16_t MaxColumns = 4096;

// A connection handle's object: the link to the server and what the server said of it.
struct Session : Object {
    Session() : Object(ADS_CONNECTION) {}

    std::mutex mutex; // one request at a time on the link
    Link link;
    std::string serverName;
    std::uint32_t connectionNumber = 0;

    // Sends a request and reads its answer; an Error answer becomes the last error.
    // Gives 0 and the answer's reader position after the type byte, or the failure code.
    std::uint32_t request(const wire::Writer &message, std::vector<std::uint8_t> &reply,
                          std::uint8_t expected, std::uint32_t maxAnswer = wire::MaxFrame,
                          int timeoutMs = AnswerTimeoutMs);
};

} // namespace engine
