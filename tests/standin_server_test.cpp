// The stand-in server as a peer sees it: its control channel, its shutdown and its limits.

#include "StandinServer.h"
#include "Wire.h"
#include "adscnnct.h"

#include <QFile>
#include <QTcpSocket>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

// A client that greets the server and can be asked whether the link still works.
bool greets(StandinServer &server)
{
    TAdsConnection connection;
    connection.setConnectPath(server.connectPath(QStringLiteral("daten")));
    try {
        connection.Connect();
        connection.Disconnect();
        return true;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "greeting failed: %s\n", error.what());
        return false;
    }
}

TEST(StandinServer, ControlMessagesNeedTheFlag)
{
    StandinServer server({QStringLiteral("127.0.0.1:0")}, {}, StandinServer::Options{false, 0});
    EXPECT_TRUE(server.controlAnswer(R"({"refuseConnects":1000000})")
                    .contains(QStringLiteral("--control")));
    EXPECT_TRUE(greets(server));
}

TEST(StandinServer, ControlValuesAreCheckedAndRefusedWhole)
{
    StandinServer server;
    const struct {
        const char *json;
        const char *answer;
    } refused[] = {
        {R"({"slowMs":"x"})", "slowMs"},
        {R"({"syntheticUsers":-100})", "syntheticUsers"},
        {R"({"refuseConnects":1,"delayMs":1e12})", "delayMs"},
        {R"({"refuseConnects":1.5})", "refuseConnects"},
        {R"({"procedureErrors":{"sp_x":{"code":0}}})", "code"},
        {R"({"procedureErrors":{"sp_x":{"code":7200,"when":1}}})", "when"},
        {R"({"procedureErrors":{"sp_x":{"count":18446744073709551615}}})", "count"},
        {R"({"refuseConnects":9223372036854775808})", "refuseConnects"},
        {R"({"dropFields":{"sp_x":"TSAddress"}})", "dropFields"},
        {R"({"emptyResults":[1]})", "emptyResults"},
        {R"({"noSuchFault":1})", "noSuchFault"},
        {R"({"reset":"yes"})", "reset"},
        {R"([1,2])", "object"},
        {R"({"refuseConnects":)", "parse"},
    };
    for (const auto &c : refused) {
        SCOPED_TRACE(c.json);
        const QString answer = server.controlAnswer(c.json);
        EXPECT_TRUE(answer.contains(QLatin1String(c.answer))) << answer.toStdString();
    }
    // Nothing of a refused message was applied: no connect is refused.
    EXPECT_TRUE(greets(server));
    server.control(R"({"refuseConnects":1})");
    EXPECT_FALSE(greets(server));
    EXPECT_TRUE(greets(server));
    server.control(R"({"refuseConnects":5})");
    server.resetFaults();
    EXPECT_TRUE(greets(server));
}

TEST(StandinServer, StopsCleanlyWithClientsConnected)
{
    StandinServer server;
    TAdsConnection held;
    held.setConnectPath(server.connectPath(QStringLiteral("daten")));
    held.Connect();
    QTcpSocket silent; // connected, never greeted
    silent.connectToHost(QStringLiteral("127.0.0.1"), server.port());
    ASSERT_TRUE(silent.waitForConnected(5000));
    ASSERT_EQ(server.waitForLog(QStringLiteral("connect #")).size(), 1);
    EXPECT_EQ(server.terminate(), 0);
    EXPECT_EQ(server.log().last(), QStringLiteral("stopped"));
    try {
        held.Disconnect();
    } catch (const std::exception &) {
        // The server is gone; the connection is closed all the same.
    }
}

// User and system CPU time of a process, in clock ticks.
long long cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    return fields.value(13).toLongLong() + fields.value(14).toLongLong();
}

TEST(StandinServer, PastTheDescriptorLimitItWaitsInsteadOfSpinning)
{
    StandinServer server({QStringLiteral("127.0.0.1:0")}, {}, StandinServer::Options{true, 64});
    ASSERT_TRUE(greets(server)) << server.log().join(QLatin1Char('\n')).toStdString();
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 100; ++i) {
        auto client = std::make_unique<QTcpSocket>();
        client->connectToHost(QStringLiteral("127.0.0.1"), server.port());
        ASSERT_TRUE(client->waitForConnected(5000));
        clients.push_back(std::move(client));
    }
    const qsizetype episodes = server.waitForLog(QStringLiteral("cannot accept")).size();
    ASSERT_GE(episodes, 1);
    const long long before = cpuTicks(server.pid());
    QThread::msleep(1000);
    const long long used = cpuTicks(server.pid()) - before;
    // A busy loop takes every tick of the second; waiting takes next to none. While no
    // client leaves, the pause is said once.
    EXPECT_LT(used, 50);
    EXPECT_EQ(server.log().filter(QStringLiteral("cannot accept")).size(), episodes);

    clients.clear();
    EXPECT_GE(server.waitForLog(QStringLiteral("accepting again")).size(), 1)
        << server.log().join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(greets(server));
}

} // namespace
