// Times server discovery against live and refusing stand-in servers, side by side with
// the floor: a plain TCP connect-and-close to the same addresses.
//
//   build/release/bin/discovery_bench [rounds]

#include "PosixPlatform.h"
#include "ServerDiscovery.h"
#include "StandinServer.h"
#include "TempPrefix.h"
#include "adscnnct.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

QString address(int i, int base)
{
    return QStringLiteral("127.0.0.%1").arg(base + i);
}

double floorPerConnect(int servers, int base, int rounds)
{
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < servers; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in target{};
            target.sin_family = AF_INET;
            target.sin_port = htons(6262);
            inet_pton(AF_INET, address(i, base).toLatin1().constData(), &target.sin_addr);
            ::connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target);
            ::close(fd);
        }
    }
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
           (rounds * servers);
}

double discoveryPerServer(int servers, int base, int rounds)
{
    TempPrefix prefix;
    for (int i = 0; i < servers; ++i)
        prefix.link(QChar(u'a' + i), QStringLiteral("unc/%1/daten").arg(address(i, base)));
    PosixPlatform platform(prefix.path());
    TAdsConnection connection;
    TServerInfoList list(platform);
    DiscoverServers(platform, connection, list); // warm-up: loads the engine
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r)
        DiscoverServers(platform, connection, list);
    const double perServer =
        std::chrono::duration<double, std::micro>(Clock::now() - start).count() /
        (rounds * servers);
    if (list.Count() != servers)
        std::fprintf(stderr, "expected %d servers, found %d\n", servers, list.Count());
    return perServer;
}

void row(const char *name, int servers, int base, int rounds)
{
    const double probe = discoveryPerServer(servers, base, rounds);
    const double floor = floorPerConnect(servers, base, rounds);
    std::printf("%-28s %3d  %10.1f  %10.1f  %6.2f\n", name, servers, probe, floor, probe / floor);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    // One server process listening on 127.0.0.2 .. 127.0.0.27, port 6262.
    QStringList listen;
    for (int i = 0; i < 26; ++i)
        listen.append(address(i, 2) + QStringLiteral(":6262"));
    StandinServer server(listen);

    std::printf("%-28s %3s  %10s  %10s  %6s\n", "case", "n", "probe us", "floor us", "ratio");
    row("live servers", 1, 2, rounds);
    row("live servers", 8, 2, rounds);
    row("live servers", 26, 2, rounds);
    // Nothing listens on 127.0.0.100 .. 125: both ports are refused.
    row("refusing servers", 26, 100, rounds);
    return 0;
}
