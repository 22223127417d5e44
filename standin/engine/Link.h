#pragma once

// One TCP connection to the stand-in server, framed, with every wait bounded.

#include "Wire.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace engine {

// When a whole call must be done: its waits on the link and its work on what came share it.
class Deadline {
public:
    static Deadline in(int ms)
    {
        return Deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
    }
    bool passed() const { return std::chrono::steady_clock::now() >= m_at; }
    // Milliseconds left, 0 once passed.
    int leftMs() const;
    std::chrono::steady_clock::time_point at() const { return m_at; }

private:
    explicit Deadline(std::chrono::steady_clock::time_point at) : m_at(at) {}
    std::chrono::steady_clock::time_point m_at;
};

class Link {
public:
    Link() = default;
    ~Link();
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    // 0 on success, else an engine code with errorText set. A link that fails in the middle
    // of a frame is closed: what follows on it would be read out of step.
    std::uint32_t connect(const std::string &host, std::uint16_t port, Deadline deadline);
    std::uint32_t send(const wire::Writer &message, Deadline deadline);
    // Reads one frame of at most maxSize payload bytes.
    std::uint32_t receive(std::vector<std::uint8_t> &payload, std::uint32_t maxSize,
                          Deadline deadline);
    void close();
    // Closes the link because what came on it cannot be trusted; later calls say why.
    void closeAfter(const std::string &failure);
    bool isOpen() const { return m_socket != -1; }

    const std::string &errorText() const { return m_error; }

private:
    std::uint32_t readExactly(std::uint8_t *data, std::size_t size, Deadline deadline);
    std::uint32_t broken(std::uint32_t code, std::string text);
    std::uint32_t closed();

    std::intptr_t m_socket = -1; // sys::Socket; sys::NoSocket when closed
    std::string m_error;
    std::string m_closedBy; // why a failure closed the link, for the calls after it
};

} // namespace engine
