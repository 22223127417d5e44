// quellmark-check against the standards a monitoring host holds it to, each goal printed as
// met or MISSED:
//  - one check process against a live server at most 3 x Debian's check_tcp against the
//    same port, the two taken in turns in one run;
//  - the exporter probing 26 servers at once within 1.5 x the time of one probe (servers
//    that take 100 ms per answer, as a loaded one on a network does);
//  - the exporter's resident memory flat (within 2 MiB) over 10,000 scrapes;
//  - a reading of a server with 10,000 connected users at most 1.2 x the monitor's refresh
//    (MonitorSession::refresh()) of the same server.
//
//   build/bench/bin/check_bench [scrapes] [rounds]

#include "BenchClock.h"
#include "ChildProcess.h"
#include "FakePlatform.h"
#include "MonitorSession.h"
#include "ServerStatus.h"
#include "StandinServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

using namespace BenchClock;

// Runs a program to its end with its output discarded; the wall time in ms, -1 when it
// could not start.
double timedRun(const QString &program, const QStringList &arguments, int *exitCode = nullptr)
{
    std::vector<QByteArray> bytes{program.toLocal8Bit()};
    for (const QString &argument : arguments)
        bytes.push_back(argument.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = -1;
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    if (exitCode)
        *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return msSince(start);
}

// The exporter as a process on a free port, and HTTP/1.1 requests to it on sockets of
// their own (a client library would queue requests to one host).
class Exporter {
public:
    Exporter(const QString &program, const QString &allow)
    {
        m_log = QStringLiteral("/tmp/check_bench_exporter_%1.log")
                    .arg(QCoreApplication::applicationPid());
        m_process = std::make_unique<ChildProcess>(
            program,
            QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                        QStringLiteral("--allow"), allow, QStringLiteral("--share"),
                        QStringLiteral("daten")},
            m_log);
        for (int i = 0; i < 200 && m_port == 0; ++i) {
            QFile log(m_log);
            if (log.open(QIODevice::ReadOnly)) {
                const QByteArray line = log.readLine().trimmed();
                if (line.startsWith("listening"))
                    m_port = quint16(line.mid(line.lastIndexOf(':') + 1).toUInt());
            }
            if (m_port == 0)
                QThread::msleep(50);
        }
    }
    ~Exporter() { QFile::remove(m_log); }
    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process->pid(); }

    // Sends one GET per path at once and waits for every answer; the ms it took, and
    // whether each was a 200 with ads_up 1.
    double getAll(const QList<QByteArray> &paths, bool &allUp)
    {
        std::vector<std::unique_ptr<QTcpSocket>> sockets;
        std::vector<QByteArray> answers(size_t(paths.size()));
        const auto start = Clock::now();
        for (const QByteArray &path : paths) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, m_port);
            socket->write("GET " + path + " HTTP/1.1\r\nHost: bench\r\n\r\n");
            sockets.push_back(std::move(socket));
        }
        const auto complete = [](const QByteArray &answer) {
            const qsizetype end = answer.indexOf("\r\n\r\n");
            if (end < 0)
                return false;
            const qsizetype at = answer.toLower().indexOf("content-length:");
            const qsizetype length = at < 0
                                         ? 0
                                         : answer.mid(at + 15, answer.indexOf('\r', at) - at - 15)
                                               .trimmed()
                                               .toLongLong();
            return answer.size() >= end + 4 + length;
        };
        QElapsedTimer limit;
        limit.start();
        for (bool done = false; !done && limit.elapsed() < 60000;) {
            done = true;
            for (size_t i = 0; i < sockets.size(); ++i) {
                if (complete(answers[i]))
                    continue;
                done = false;
                sockets[i]->waitForReadyRead(5);
                answers[i] += sockets[i]->readAll();
            }
        }
        const double ms = msSince(start);
        allUp = std::all_of(answers.begin(), answers.end(), [](const QByteArray &a) {
            return a.startsWith("HTTP/1.1 200") && a.contains("\nads_up 1\n");
        });
        return ms;
    }

private:
    std::unique_ptr<ChildProcess> m_process;
    QString m_log;
    quint16 m_port = 0;
};

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int scrapes = argc > 1 ? std::max(20, atoi(argv[1])) : 10000;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 30;
    const QString check =
        QCoreApplication::applicationDirPath() + QStringLiteral("/quellmark-check");
    const QString checkTcp = QStringLiteral("/usr/lib/nagios/plugins/check_tcp");
    bool all = true;

    QFile demoFile(QStringLiteral(DEMO_SCENARIO));
    demoFile.open(QIODevice::ReadOnly);
    StandinServer demo({QStringLiteral("127.0.0.1:0")}, demoFile.readAll());
    const QString path = demo.connectPath(QStringLiteral("daten"));

    // 1. One process each, in turns.
    std::printf("quellmark-check vs check_tcp, %d rounds in turns (medians, ms)\n", rounds);
    if (!QFile::exists(checkTcp)) {
        std::printf("  check_tcp is missing (monitoring-plugins-basic): goal not measured\n");
        all = false;
    } else {
        std::vector<double> ours, theirs;
        int code = -1, tcpCode = -1;
        timedRun(check, {path}, &code); // warm the caches of both
        timedRun(checkTcp, {QStringLiteral("-H"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                            QString::number(demo.port())});
        for (int i = 0; i < rounds; ++i) {
            ours.push_back(timedRun(check, {path}, &code));
            theirs.push_back(timedRun(checkTcp,
                                      {QStringLiteral("-H"), QStringLiteral("127.0.0.1"),
                                       QStringLiteral("-p"), QString::number(demo.port())},
                                      &tcpCode));
        }
        const double a = median(ours), b = median(theirs);
        const bool met = code == 1 && tcpCode == 0 && a <= 3 * b;
        all = all && met;
        std::printf("  quellmark-check %.2f (exit %d), check_tcp %.2f (exit %d): %.2f x\n", a, code,
                    b, tcpCode, a / b);
        std::printf("goal: quellmark-check <= 3 x check_tcp: %s\n", verdict(met));
    }

    // 2. 26 servers at once.
    {
        QStringList listen;
        for (int i = 0; i < 26; ++i)
            listen.append(QStringLiteral("127.0.0.%1:0").arg(51 + i));
        StandinServer servers(listen);
        servers.control(R"({"delayMs":100})");
        QStringList allow;
        QList<QByteArray> paths;
        for (int i = 0; i < 26; ++i) {
            allow.append(servers.addresses()[i]);
            paths.append("/probe?target=" + servers.addresses()[i].toLatin1());
        }
        Exporter open(check, allow.join(QLatin1Char(',')));
        bool up = false;
        open.getAll({paths.first()}, up); // the first probe of each kind pays for loading
        std::vector<double> one, many;
        bool allUp = true;
        for (int i = 0; i < std::max(3, rounds / 5); ++i) {
            one.push_back(open.getAll({paths[i % 26]}, up));
            allUp = allUp && up;
            many.push_back(open.getAll(paths, up));
            allUp = allUp && up;
        }
        const double a = median(one), b = median(many);
        const bool met = allUp && b <= 1.5 * a;
        all = all && met;
        std::printf("exporter, servers answering after 100 ms (medians, ms)\n"
                    "  one probe %.1f, 26 probes at once %.1f: %.2f x%s\n",
                    a, b, b / a, allUp ? "" : " (some probe failed)");
        std::printf("goal: 26 at once <= 1.5 x one: %s\n", verdict(met));
    }

    // 3. Memory over many scrapes.
    {
        Exporter exporter(check, demo.addresses().first());
        const QByteArray probe = "/probe?target=" + demo.addresses().first().toLatin1();
        bool up = true, allUp = true;
        const int warmUp = std::min(1000, scrapes / 10);
        for (int i = 0; i < warmUp; ++i) {
            exporter.getAll({probe}, up);
            allUp = allUp && up;
        }
        const qint64 before = residentKiB(exporter.pid());
        const auto start = Clock::now();
        for (int i = 0; i < scrapes; ++i) {
            exporter.getAll({probe}, up);
            allUp = allUp && up;
        }
        const double ms = msSince(start);
        const qint64 after = residentKiB(exporter.pid());
        const bool met = allUp && before > 0 && after - before <= 2048;
        all = all && met;
        std::printf("exporter memory over %d scrapes (after %d to warm up): %lld KiB -> %lld KiB "
                    "(%+lld KiB), %.2f ms a scrape%s\n",
                    scrapes, warmUp, static_cast<long long>(before), static_cast<long long>(after),
                    static_cast<long long>(after - before), ms / scrapes,
                    allUp ? "" : " (some scrape failed)");
        std::printf("goal: resident memory within 2 MiB: %s\n", verdict(met));
    }

    // 4. A reading against the monitor's refresh, 10,000 users.
    {
        StandinServer server({QStringLiteral("127.0.0.1:0")},
                             R"({"name":"MANY","shares":["daten"]})");
        server.control(R"({"syntheticUsers":10000})");
        FakePlatform platform;
        MonitorSession session(platform, nullptr);
        session.connectTo(QStringLiteral("\\\\127.0.0.1\\daten"), server.port());
        const QString target = server.connectPath(QStringLiteral("daten"));
        session.refresh();
        readServerStatus(target, 10, UserRows::CountOnly);
        std::vector<double> probes, refreshes, everyRow;
        qint64 users = 0;
        for (int i = 0; i < rounds; ++i) {
            // For comparison: every row kept, as --json reads.
            auto kept = Clock::now();
            readServerStatus(target, 10, UserRows::All);
            everyRow.push_back(msSince(kept));
            auto start = Clock::now();
            // As a check and the exporter read: the users counted, not kept.
            const ServerStatus status = readServerStatus(target, 10, UserRows::CountOnly);
            probes.push_back(msSince(start));
            users = status.connectedUsers.value_or(-1);
            start = Clock::now();
            session.refresh();
            refreshes.push_back(msSince(start));
        }
        const double a = median(probes), b = median(refreshes);
        const bool met = users >= 10000 && a <= 1.2 * b;
        all = all && met;
        std::printf("10,000 connected users (medians, ms)\n"
                    "  reading %.1f (%lld users), monitor's refresh %.1f: %.2f x; every row "
                    "kept (--json) %.1f\n",
                    a, static_cast<long long>(users), b, a / b, median(everyRow));
        std::printf("goal: reading <= 1.2 x refresh: %s\n", verdict(met));
    }
    std::printf("all goals: %s\n", verdict(all));
    return 0;
}
