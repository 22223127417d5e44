#include "Blackhole.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in socketAddress(const QString &address, quint16 port)
{
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(port);
    if (inet_pton(AF_INET, address.toLatin1().constData(), &result.sin_addr) != 1)
        throw std::runtime_error("blackhole: not an IPv4 address: " + address.toStdString());
    return result;
}

// Connects without waiting longer than waitMs; true when the connect completed.
bool connectsWithin(int fd, const sockaddr_in &target, int waitMs)
{
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0)
        return true;
    if (errno != EINPROGRESS)
        return false;
    pollfd watch{fd, POLLOUT, 0};
    if (::poll(&watch, 1, waitMs) != 1)
        return false;
    int error = 0;
    socklen_t length = sizeof error;
    return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
}

} // namespace

Blackhole::Blackhole(const QString &address, quint16 port)
{
    const sockaddr_in target = socketAddress(address, port);
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<const sockaddr *>(&target), sizeof target) != 0 ||
        ::listen(m_listener, 0) != 0) {
        const std::string reason = std::to_string(errno);
        release();
        throw std::runtime_error("blackhole: cannot listen on " + address.toStdString() + ":" +
                                 std::to_string(port) + " (errno " + reason + ")");
    }
    // Fill the accept queue until a connect no longer completes: from then on SYNs drop.
    for (int i = 0; i < 16; ++i) {
        const int filler = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        m_fillers.push_back(filler);
        if (!connectsWithin(filler, target, 200))
            return;
    }
    release();
    throw std::runtime_error("blackhole: the accept queue of " + address.toStdString() +
                             " never filled");
}

Blackhole::~Blackhole()
{
    release();
}

void Blackhole::release()
{
    for (const int fd : m_fillers)
        ::close(fd);
    m_fillers.clear();
    if (m_listener >= 0)
        ::close(m_listener);
    m_listener = -1;
}
