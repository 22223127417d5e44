#pragma once

// What the engine waits for and what it takes from a server.

#include <cstddef>
#include <cstdint>

namespace engine {

// Connecting and the greeting give up after ConnectTimeoutMs each. Executing and fetching
// take at most the statement's SQL time-out (AdsSetSQLTimeout, in seconds) when it is set,
// else AnswerTimeoutMs: the whole call, waiting for the link, reading and converting.
constexpr int ConnectTimeoutMs = 3000;
constexpr int AnswerTimeoutMs = 10000;

// The most of an error text a caller can read: AdsGetLastError's buffer length is 16 bits,
// one byte of it for the NUL. A server's longer text is cut to it before it is converted,
// so that converting costs a call no more than that, whatever the server sent.
constexpr std::size_t MaxErrorTextBytes = 0xFFFF - 1;

// What a result may be; a server that claims more is broken.
constexpr std::uint32_t MaxRows = 50'000'000;
constexpr std::uint32_t MaxRecordLength = 1024 * 1024;
constexpr std::uint16_t MaxColumns = 4096;

} // namespace engine
