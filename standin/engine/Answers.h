#pragma once

// What the server's answers say, read from their payloads (the bytes after the type byte).
// Pure functions: every count and length is checked against the payload and the engine's
// limits before it is used; a malformed answer is a failure with a text, never a read past
// the payload.

#include "Wire.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace engine::answer {

struct Failure {
    std::uint32_t code = 0;
    std::string text; // in the locale's encoding
};

// An Error answer: the server's code and text. A malformed one, or one of code 0, is a
// broken answer.
Failure error(const std::uint8_t *payload, std::size_t size);

struct Welcome {
    std::uint32_t connection = 0;
    std::string serverName;
};
std::variant<Welcome, Failure> welcome(const std::uint8_t *payload, std::size_t size);

struct ResultHeader {
    std::uint32_t serverId = 0; // 0: the statement made no cursor
    std::uint32_t rowCount = 0;
    std::uint32_t recordLength = 0;
    std::vector<wire::Column> columns;
};
std::variant<ResultHeader, Failure> result(const std::uint8_t *payload, std::size_t size);

// A Rows answer for count rows from first on: where the first row's bytes begin in the
// payload, or the failure.
std::variant<std::size_t, Failure> rows(const std::uint8_t *payload, std::size_t size,
                                        std::uint32_t first, std::uint32_t count,
                                        std::uint32_t recordLength);

} // namespace engine::answer
