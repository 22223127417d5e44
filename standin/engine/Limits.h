#pragma once

// What the engine waits for and what it takes from a server.

#include <cstdint>

namespace engine {

// Connecting and the greeting give up after ConnectTimeoutMs each. Executing and fetching
// take at most the statement's SQL time-out (AdsSetSQLTimeout, in seconds) when it is set,
// else AnswerTimeoutMs: the whole call, waiting for the link, reading and converting.
constexpr int ConnectTimeoutMs = 3000;
constexpr int AnswerTimeoutMs = 10000;

// What a result may be; a server that claims more is broken.
constexpr std::uint32_t MaxRows = 50'000'000;
constexpr std::uint32_t MaxRecordLength = 1024 * 1024;
constexpr std::uint16_t MaxColumns = 4096;

} // namespace engine
