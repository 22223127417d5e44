// What waking another process costs on this machine: one byte there and back between two
// processes over a loopback TCP connection, the unit every figure of the other benchmarks
// that involves the stand-in server is made of.
//
//   build/bench/bin/roundtrip_bench [round trips]

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool exchange(int fd, char &byte, bool sendFirst)
{
    if (sendFirst && ::send(fd, &byte, 1, MSG_NOSIGNAL) != 1)
        return false;
    if (::recv(fd, &byte, 1, MSG_WAITALL) != 1)
        return false;
    return sendFirst || ::send(fd, &byte, 1, MSG_NOSIGNAL) == 1;
}

void noDelay(int fd)
{
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

int main(int argc, char *argv[])
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20000;
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        std::perror("loopback listener");
        return 1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
            ::_exit(1);
        noDelay(fd);
        char byte = 0;
        while (exchange(fd, byte, false)) {
        }
        ::_exit(0);
    }
    const int fd = ::accept(listener, nullptr, nullptr);
    noDelay(fd);
    char byte = 1;
    for (int i = 0; i < rounds / 10; ++i) // warm-up
        exchange(fd, byte, true);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        if (!exchange(fd, byte, true)) {
            std::fprintf(stderr, "the other process went away\n");
            return 1;
        }
    const double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
            .count() /
        rounds;
    ::close(fd);
    ::waitpid(child, nullptr, 0);
    std::printf("loopback round trip between two processes: %.1f us\n", us);
    return 0;
}
