// Discovery timings against live, refusing and blackholed stand-in servers on loopback.
//
// 1. Per probe, one server after another, against the floor (a plain TCP connect-and-close
//    to the same addresses) and against a minimal client written here that makes the same
//    exchange (connect, greeting, answer, goodbye, close) with blocking calls: what is left
//    between the probe and that client is ours (engine, discovery); between that client
//    and the floor, the server's.
// 2. Start-up through the real main window: the time to the window shown and to discovery
//    done, with 1, 8 and 26 drives on distinct servers that are all live, all blackholed,
//    or 13 live and 13 blackholed; beside it what probing one after another costs.
//
//   build/bench/bin/discovery_bench [rounds]

#include "BenchClock.h"
#include "Blackhole.h"
#include "Discovery.h"
#include "PosixPlatform.h"
#include "StandinServer.h"
#include "TempPrefix.h"
#include "Wire.h"
#include "adscnnct.h"
#include "dlgMainU.h"

#include <QApplication>
#include <QTest>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using namespace BenchClock;

QString address(int i, int base)
{
    return QStringLiteral("127.0.0.%1").arg(base + i);
}

// --- per probe ---------------------------------------------------------------------------

// A socket and the address of the i-th server from base, port 6262.
int socketFor(int i, int base, sockaddr_in &target)
{
    target = {};
    target.sin_family = AF_INET;
    target.sin_port = htons(6262);
    inet_pton(AF_INET, address(i, base).toLatin1().constData(), &target.sin_addr);
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

double floorPerConnect(int servers, int base, int rounds)
{
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < servers; ++i) {
            sockaddr_in target;
            const int fd = socketFor(i, base, target);
            ::connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target);
            ::close(fd);
        }
    }
    return msSince(start) * 1000.0 / (rounds * servers);
}

// The same exchange as the engine's connect and disconnect, and nothing else: microseconds
// per server.
double minimalClient(int servers, int base, int rounds)
{
    const std::vector<std::uint8_t> hello = wire::Writer(wire::Hello)
                                                .str("daten")
                                                .str("BENCH")
                                                .str("bench")
                                                .str("discovery_bench")
                                                .str("")
                                                .str("")
                                                .frame();
    const std::vector<std::uint8_t> bye = wire::Writer(wire::Bye).frame();
    std::vector<std::uint8_t> answer(wire::MaxHelloFrame);
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) {
        for (int i = 0; i < servers; ++i) {
            sockaddr_in target;
            const int fd = socketFor(i, base, target);
            bool welcomed = false;
            if (::connect(fd, reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0 &&
                ::send(fd, hello.data(), hello.size(), MSG_NOSIGNAL) == ssize_t(hello.size())) {
                std::uint32_t length = 0;
                if (::recv(fd, &length, 4, MSG_WAITALL) == 4 && length <= answer.size() &&
                    ::recv(fd, answer.data(), length, MSG_WAITALL) == ssize_t(length))
                    welcomed = answer[0] == wire::Welcome;
                ::send(fd, bye.data(), bye.size(), MSG_NOSIGNAL);
            }
            ::close(fd);
            if (!welcomed)
                std::fprintf(stderr, "minimal client: no welcome from %s\n",
                             qPrintable(address(i, base)));
        }
    }
    return msSince(start) * 1000.0 / (rounds * servers);
}

// A Wine prefix whose drives a:, b:, ... lead to the given servers' share "daten".
std::unique_ptr<TempPrefix> prefixFor(const QStringList &servers)
{
    auto prefix = std::make_unique<TempPrefix>();
    for (int i = 0; i < servers.size(); ++i)
        prefix->link(QChar(u'a' + i), QStringLiteral("unc/%1/daten").arg(servers[i]));
    return prefix;
}

QStringList addresses(int count, int base)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(address(i, base));
    return list;
}

// One after another, as before: microseconds per server.
double serialPerServer(const QStringList &servers, int rounds)
{
    const auto prefix = prefixFor(servers);
    PosixPlatform platform(prefix->path());
    TAdsConnection connection;
    TServerInfoList list(platform);
    DiscoverServers(platform, connection, list); // warm-up: loads the engine
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r)
        DiscoverServers(platform, connection, list);
    if (list.Count() != servers.size())
        std::fprintf(stderr, "expected %d servers, found %d\n", int(servers.size()), list.Count());
    return msSince(start) * 1000.0 / (rounds * servers.size());
}

// Goals, live servers: the probe at most 1.2 x the minimal client and 3 x the floor.
bool probeRow(const char *name, int servers, int base, int rounds, bool live)
{
    const double probe = serialPerServer(addresses(servers, base), rounds);
    const double minimal = live ? minimalClient(servers, base, rounds) : 0;
    const double floor = floorPerConnect(servers, base, rounds);
    const bool met = !live || (probe <= 1.2 * minimal && probe <= 3 * floor);
    if (live)
        std::printf("%-22s %3d  %10.1f  %10.1f  %10.1f  %7.2f  %7.2f  %s\n", name, servers, probe,
                    minimal, floor, probe / minimal, probe / floor, met ? "met" : "MISSED");
    else
        std::printf("%-22s %3d  %10.1f  %10s  %10.1f  %7s  %7.2f\n", name, servers, probe, "-",
                    floor, "-", probe / floor);
    return met;
}

// --- start-up ----------------------------------------------------------------------------

struct Startup {
    double windowMs;
    double discoveryMs;
};

Startup startUp(const QStringList &servers)
{
    const auto prefix = prefixFor(servers);
    PosixPlatform platform(prefix->path());
    const auto start = Clock::now();
    TForm1 form(platform);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        std::fprintf(stderr, "the window was not shown\n");
    const double window = msSince(start);
    if (!QTest::qWaitFor([&form] { return form.DiscoveryDone(); }, 120000))
        std::fprintf(stderr, "discovery did not end\n");
    if (form.ServerInfo->Count() != servers.size())
        std::fprintf(stderr, "expected %d servers, found %d\n", int(servers.size()),
                     form.ServerInfo->Count());
    return {window, msSince(start)};
}

void startupRow(const char *name, const QStringList &servers, double serialMs, double goalMs)
{
    const Startup measured = startUp(servers);
    std::printf("%-22s %3d  %9.0f  %12.0f  %10.0f  %7.2f  %s\n", name, int(servers.size()),
                measured.windowMs, measured.discoveryMs, serialMs, serialMs / measured.discoveryMs,
                measured.windowMs <= 300 && measured.discoveryMs <= goalMs ? "met" : "MISSED");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    // Live: one server process on 127.0.0.2 .. 127.0.0.27, port 6262. Refusing: nothing
    // listens on 127.0.0.100 .. 125. Blackholed: 127.0.0.130 .. 155, both ports.
    const QStringList live = addresses(26, 2);
    QStringList listen;
    for (const QString &host : live)
        listen.append(host + QStringLiteral(":6262"));
    const StandinServer server(listen);
    const QStringList blackholed = addresses(26, 130);
    std::vector<std::unique_ptr<Blackhole>> holes;
    for (const QString &host : blackholed)
        for (const quint16 port : {quint16(6262), quint16(2001)})
            holes.push_back(std::make_unique<Blackhole>(host, port));

    std::printf("per probe, one server after another\n");
    std::printf("%-22s %3s  %10s  %10s  %10s  %7s  %7s  %s\n", "case", "n", "probe us",
                "minimal us", "floor us", "/minimal", "/floor", "goal");
    bool probesMet = true;
    for (const int n : {1, 8, 26})
        probesMet = probeRow("live servers", n, 2, rounds, true) && probesMet;
    probeRow("refusing servers", 26, 100, rounds, false);
    std::printf("goal: a live probe <= 1.2 x the minimal client and <= 3 x the floor: %s\n",
                probesMet ? "met" : "MISSED");

    // What one after another costs: measured for live servers, n times one server's cost
    // for blackholed ones (26 of them would take minutes).
    const double liveEach = serialPerServer(live, 20) / 1000.0;
    const double holeEach = serialPerServer(blackholed.mid(0, 1), 1) / 1000.0;
    const double timeoutGoal = 2 * 3000.0 + 500.0; // 2 connect time-outs + 0.5 s

    startUp(live.mid(0, 1)); // warm-up: the first window loads fonts and the engine
    const double oneLiveStartup = startUp(live.mid(0, 1)).discoveryMs;

    std::printf("\nstart-up through the main window (ms)\n");
    std::printf("%-22s %3s  %9s  %12s  %10s  %7s  %s\n", "case", "n", "window", "discovery",
                "serial", "speedup", "goal");
    for (const int n : {1, 8, 26})
        startupRow("1: all live", live.mid(0, n), n * liveEach,
                   n == 26 ? 1.5 * oneLiveStartup : 1e9);
    for (const int n : {1, 8, 26})
        startupRow("2: all blackholed", blackholed.mid(0, n), n * holeEach, timeoutGoal);
    startupRow("3: 13 live, 13 holes", live.mid(0, 13) + blackholed.mid(0, 13),
               13 * liveEach + 13 * holeEach, timeoutGoal);
    std::printf("\ngoals: window <= 300 ms; discovery <= %.0f ms with blackholed servers, "
                "<= 1.5 x one live server's (%.1f ms) with 26 live ones\n",
                timeoutGoal, oneLiveStartup);
    return 0;
}
