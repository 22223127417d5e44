#include "Link.h"

#include "AceCodes.h"
#include "System.h"

#include <chrono>
#include <cstring>

namespace engine {

namespace {

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits for the socket until the deadline; false on time-out.
bool waitUntil(sys::Socket socket, bool forWriting, long long deadline)
{
    const long long left = deadline - nowMs();
    return left > 0 && sys::waitReady(socket, forWriting, int(left));
}

} // namespace

Link::~Link()
{
    close();
}

void Link::close()
{
    sys::closeSocket(m_socket);
    m_socket = sys::NoSocket;
}

std::uint32_t Link::broken(std::uint32_t code, std::string text)
{
    close();
    m_error = std::move(text);
    return code;
}

std::uint32_t Link::connect(const std::string &host, std::uint16_t port, int timeoutMs)
{
    close();
    std::uint32_t address = 0;
    if (!sys::resolveIPv4(host, address))
        return broken(acecode::HostNotFound,
                      "The server name \"" + host + "\" could not be resolved.");
    m_socket = sys::openTcp();
    if (m_socket == sys::NoSocket)
        return broken(acecode::ServerUnreachable, "No socket: " + sys::errorText(sys::error()));
    const std::string where = host + ":" + std::to_string(port);
    switch (sys::startConnect(m_socket, address, port)) {
    case sys::Progress::Done:
        return acecode::Success;
    case sys::Progress::Failed:
        return broken(acecode::ServerUnreachable, "The server at " + where + " is not reachable: " +
                                                      sys::errorText(sys::error()) + ".");
    case sys::Progress::Pending:
        break;
    }
    if (!waitUntil(m_socket, true, nowMs() + timeoutMs))
        return broken(acecode::TimedOut, "The server at " + where + " did not answer in time.");
    if (const int failure = sys::connectResult(m_socket))
        return broken(acecode::ServerUnreachable, "The server at " + where + " is not reachable: " +
                                                      sys::errorText(failure) + ".");
    return acecode::Success;
}

std::uint32_t Link::send(const wire::Writer &message, int timeoutMs)
{
    if (m_socket == sys::NoSocket)
        return broken(acecode::ConnectionLost, "The connection to the server is closed.");
    const std::vector<std::uint8_t> frame = message.frame();
    const long long deadline = nowMs() + timeoutMs;
    std::size_t sent = 0;
    while (sent < frame.size()) {
        bool wouldBlock = false;
        const long long n =
            sys::sendSome(m_socket, frame.data() + sent, frame.size() - sent, wouldBlock);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (!wouldBlock)
            return broken(acecode::ConnectionLost, "The connection to the server was lost.");
        if (!waitUntil(m_socket, true, deadline))
            return broken(acecode::TimedOut, "The server did not take the request in time.");
    }
    return acecode::Success;
}

std::uint32_t Link::readExactly(std::uint8_t *data, std::size_t size, long long deadline)
{
    std::size_t got = 0;
    while (got < size) {
        bool wouldBlock = false;
        const long long n = sys::receiveSome(m_socket, data + got, size - got, wouldBlock);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return broken(acecode::ConnectionLost, "The server closed the connection.");
        if (!wouldBlock)
            return broken(acecode::ConnectionLost, "The connection to the server was lost.");
        if (!waitUntil(m_socket, false, deadline))
            return broken(acecode::TimedOut, "The server did not answer in time.");
    }
    return acecode::Success;
}

std::uint32_t Link::receive(std::vector<std::uint8_t> &payload, std::uint32_t maxSize,
                            int timeoutMs)
{
    if (m_socket == sys::NoSocket)
        return broken(acecode::ConnectionLost, "The connection to the server is closed.");
    const long long deadline = nowMs() + timeoutMs;
    std::uint8_t header[4];
    if (const std::uint32_t rc = readExactly(header, sizeof header, deadline))
        return rc;
    std::uint32_t length = 0;
    std::memcpy(&length, header, 4);
    if (length == 0 || length > maxSize)
        return broken(acecode::BrokenAnswer, "The server sent a malformed answer (frame length " +
                                                 std::to_string(length) + ").");
    payload.resize(length);
    return readExactly(payload.data(), length, deadline);
}

} // namespace engine
