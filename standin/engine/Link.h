#pragma once

// One TCP connection to the stand-in server, framed, with every wait bounded.

#include "Wire.h"

#include <cstdint>
#include <string>
#include <vector>

namespace engine {

class Link {
public:
    Link() = default;
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    // 0 on success, else an engine code with errorText set.
    std::uint32_t connect(const std::string &host, std::uint16_t port, int timeoutMs);
    std::uint32_t send(const wire::Writer &message, int timeoutMs);
    // Reads one frame of at most maxSize payload bytes.
    std::uint32_t receive(std::vector<std::uint8_t> &payload, std::uint32_t maxSize, int timeoutMs);
    void close();
    bool isOpen() const { return m_socket != -1; }

    const std::string &errorText() const { return m_error; }

private:
    std::uint32_t readExactly(std::uint8_t *data, std::size_t size, long long deadline);
    std::uint32_t broken(std::uint32_t code, std::string text);

    std::intptr_t m_socket = -1; // sys::Socket; sys::NoSocket when closed
    std::string m_error;
};

} // namespace engine
