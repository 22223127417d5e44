#include "Link.h"

#include "AceCodes.h"
#include "System.h"

#include <climits>
#include <cstring>
#include <new>

namespace engine {

namespace {

// Waits for the socket until the deadline; false on time-out.
bool waitUntil(sys::Socket socket, bool forWriting, Deadline deadline)
{
    const int left = deadline.leftMs();
    return left > 0 && sys::waitReady(socket, forWriting, left);
}

} // namespace

int Deadline::leftMs() const
{
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(m_at - std::chrono::steady_clock::now())
            .count();
    return left <= 0 ? 0 : left >= INT_MAX ? INT_MAX : int(left);
}

Link::~Link()
{
    close();
}

void Link::close()
{
    sys::closeSocket(m_socket);
    m_socket = sys::NoSocket;
}

void Link::closeAfter(const std::string &failure)
{
    close();
    m_closedBy = failure;
}

std::uint32_t Link::broken(std::uint32_t code, std::string text)
{
    closeAfter(text);
    m_error = std::move(text);
    return code;
}

std::uint32_t Link::closed()
{
    m_error = m_closedBy.empty()
                  ? "The connection to the server is closed."
                  : "The connection to the server was closed after a failure: " + m_closedBy;
    return acecode::ConnectionLost;
}

std::uint32_t Link::connect(const std::string &host, std::uint16_t port, Deadline deadline)
{
    close();
    m_closedBy.clear();
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
    if (!waitUntil(m_socket, true, deadline))
        return broken(acecode::TimedOut, "The server at " + where + " did not answer in time.");
    if (const int failure = sys::connectResult(m_socket))
        return broken(acecode::ServerUnreachable, "The server at " + where + " is not reachable: " +
                                                      sys::errorText(failure) + ".");
    return acecode::Success;
}

std::uint32_t Link::send(const wire::Writer &message, Deadline deadline)
{
    if (m_socket == sys::NoSocket)
        return closed();
    const std::vector<std::uint8_t> frame = message.frame();
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

std::uint32_t Link::readExactly(std::uint8_t *data, std::size_t size, Deadline deadline)
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
                            Deadline deadline)
{
    if (m_socket == sys::NoSocket)
        return closed();
    std::uint8_t header[4];
    if (const std::uint32_t rc = readExactly(header, sizeof header, deadline))
        return rc;
    std::uint32_t length = 0;
    std::memcpy(&length, header, 4);
    if (length == 0 || length > maxSize)
        return broken(acecode::BrokenAnswer, "The server sent a malformed answer (frame length " +
                                                 std::to_string(length) + ").");
    try {
        payload.resize(length);
    } catch (const std::bad_alloc &) {
        return broken(acecode::OutOfResources, "The engine is out of memory for an answer of " +
                                                   std::to_string(length) + " bytes.");
    }
    return readExactly(payload.data(), length, deadline);
}

} // namespace engine
