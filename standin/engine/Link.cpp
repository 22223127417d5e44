#include "Link.h"

#include "AceCodes.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace engine {

namespace {

long long nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Waits for the socket; false on time-out.
bool waitFor(int fd, short events, long long deadline)
{
    for (;;) {
        const long long left = deadline - nowMs();
        if (left <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left));
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            return true; // let the following call report the error
    }
}

// The name as an IPv4 address: literals directly, names through the C library's
// resolver, as the workstation's own lookup does.
bool resolve(const std::string &host, in_addr &address)
{
    if (inet_pton(AF_INET, host.c_str(), &address) == 1)
        return true;
    hostent entry{};
    hostent *result = nullptr;
    std::vector<char> scratch(4096);
    int error = 0;
    if (gethostbyname_r(host.c_str(), &entry, scratch.data(), scratch.size(), &result, &error) !=
            0 ||
        !result || result->h_addrtype != AF_INET || !result->h_addr_list || !result->h_addr_list[0])
        return false;
    std::memcpy(&address, result->h_addr_list[0], sizeof address);
    return true;
}

} // namespace

Link::~Link()
{
    close();
}

void Link::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
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
    in_addr address{};
    if (!resolve(host, address))
        return broken(acecode::HostNotFound,
                      "The server name \"" + host + "\" could not be resolved.");

    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (m_fd < 0)
        return broken(acecode::ServerUnreachable,
                      std::string("No socket: ") + std::strerror(errno));
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr = address;
    const std::string where = host + ":" + std::to_string(port);
    if (::connect(m_fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) != 0) {
        if (errno != EINPROGRESS)
            return broken(acecode::ServerUnreachable,
                          "The server at " + where + " is not reachable: " + std::strerror(errno) +
                              ".");
        if (!waitFor(m_fd, POLLOUT, nowMs() + timeoutMs))
            return broken(acecode::TimedOut, "The server at " + where + " did not answer in time.");
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
        if (error != 0)
            return broken(acecode::ServerUnreachable,
                          "The server at " + where + " is not reachable: " + std::strerror(error) +
                              ".");
    }
    return acecode::Success;
}

std::uint32_t Link::send(const wire::Writer &message, int timeoutMs)
{
    if (m_fd < 0)
        return broken(acecode::ConnectionLost, "The connection to the server is closed.");
    const std::vector<std::uint8_t> frame = message.frame();
    const long long deadline = nowMs() + timeoutMs;
    std::size_t sent = 0;
    while (sent < frame.size()) {
        const ssize_t n = ::send(m_fd, frame.data() + sent, frame.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            if (!waitFor(m_fd, POLLOUT, deadline))
                return broken(acecode::TimedOut, "The server did not take the request in time.");
            continue;
        }
        return broken(acecode::ConnectionLost, "The connection to the server was lost.");
    }
    return acecode::Success;
}

std::uint32_t Link::readExactly(std::uint8_t *data, std::size_t size, long long deadline)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::recv(m_fd, data + got, size - got, 0);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return broken(acecode::ConnectionLost, "The server closed the connection.");
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
            if (!waitFor(m_fd, POLLIN, deadline))
                return broken(acecode::TimedOut, "The server did not answer in time.");
            continue;
        }
        return broken(acecode::ConnectionLost, "The connection to the server was lost.");
    }
    return acecode::Success;
}

std::uint32_t Link::receive(std::vector<std::uint8_t> &payload, std::uint32_t maxSize,
                            int timeoutMs)
{
    if (m_fd < 0)
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
