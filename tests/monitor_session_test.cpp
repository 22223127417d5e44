// The monitor's work without any window: a QCoreApplication, the session, a timer of the
// test's own and a real stand-in server.

#include "Exception.h"
#include "FakePlatform.h"
#include "MonitorSession.h"
#include "QtPrinters.h"
#include "ServerStatus.h"
#include "StandinServer.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The timer as a window's would run it, moved by hand.
class HandTimer : public RefreshTimer {
public:
    bool isRunning() const override { return running; }
    void setRunning(bool on) override { running = on; }
    void setPeriod(int milliseconds) override { period = milliseconds; }
    qint64 now() const override { return clock; }

    bool running = false;
    int period = 3000;
    qint64 clock = 0;
};

QCoreApplication &application()
{
    static int argc = 1;
    static char name[] = "monitor_session_tests";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

TEST(MonitorSessionAlone, RefreshFailureRecoveryAndHolderSearchWithoutAWindow)
{
    application();
    ASSERT_EQ(qobject_cast<QGuiApplication *>(QCoreApplication::instance()), nullptr);
    StandinServer server({QStringLiteral("127.0.0.1:0")},
                         R"({"name":"SESSION","shares":["daten"]})");
    server.control(R"({"syntheticUsers":12})");
    FakePlatform platform;
    HandTimer timer;
    MonitorSession session(platform, &timer);
    EXPECT_FALSE(session.own().computer.isEmpty());

    const QString path = session.connectTo(QStringLiteral("\\\\127.0.0.1\\daten"), server.port());
    ASSERT_EQ(path, QStringLiteral("\\\\127.0.0.1:%1\\daten").arg(server.port()));
    session.refresh();
    EXPECT_TRUE(session.qUsageInfo->Active());
    EXPECT_TRUE(session.qInstallInfo->Active());
    EXPECT_GE(session.qCnctUsers->RecordCount(), 12);
    // The first user's tables, asked for once.
    EXPECT_TRUE(session.qUserTables->Active());
    EXPECT_EQ(server.executions(QStringLiteral("sp_mgGetUserTables")).size(), 1);
    EXPECT_EQ(session.history().users().points.size(), 1u);

    // A tick that fails is told once, however often it fails the same way.
    server.control(
        R"({"procedureErrors":{"sp_mgGetUsageInfo":{"code":7200,"text":"ERROR 7200: kaputt"}}})");
    QStringList shown;
    const auto show = [&shown](const std::exception &error) {
        shown.append(Exception::messageOf(error));
    };
    const auto refreshing = [&session] { session.refresh(); };
    timer.clock += 3000;
    session.tick(refreshing, show);
    timer.clock += 3000;
    session.tick(refreshing, show);
    EXPECT_EQ(shown, QStringList{QStringLiteral("qUsageInfo: ERROR 7200: kaputt")});
    EXPECT_FALSE(session.qUsageInfo->Active());

    // The server recovers, and so does the next tick.
    server.resetFaults();
    server.control(R"({"syntheticUsers":12})");
    timer.clock += 3000;
    session.tick(refreshing, show);
    EXPECT_EQ(shown.size(), 1);
    EXPECT_TRUE(session.qUsageInfo->Active());
    EXPECT_EQ(session.history().users().points.size(), 2u);

    // The search holds the timer while it runs, one call per user, and lets it go after.
    timer.running = true;
    const int before = server.executions(QStringLiteral("sp_mgGetUserTables")).size();
    ASSERT_TRUE(session.findTableHolders(QStringLiteral("adt")));
    EXPECT_FALSE(timer.running);
    session.setPeriod(5, true); // taken once the search is over
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(timer.period, 5000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !session.HolderSearch->isRunning(); }, 30000));
    EXPECT_EQ(session.HolderSearch->failure(), QString());
    EXPECT_EQ(server.executions(QStringLiteral("sp_mgGetUserTables")).size() - before,
              session.HolderSearch->total());
    EXPECT_FALSE(session.HolderSearch->holders().isEmpty());
    session.resumeAfterSearch(true);
    EXPECT_TRUE(timer.running);

    // No period below a second: the timer stops, its period as it was.
    session.setPeriod(0.4, true);
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(timer.period, 5000);

    session.close();
    EXPECT_FALSE(session.AdsConnect->IsConnected());
    EXPECT_FALSE(session.qUsageInfo->Active());
}

// One reading for a monitoring system, for every way a server answers or does not.
TEST(ServerStatusReading, EveryOutcomeWithWhatItRead)
{
    application();
    StandinServer server({QStringLiteral("127.0.0.1:0")},
                         R"({"name":"STATUS","shares":["daten"]})");
    const QString path = server.connectPath(QStringLiteral("daten"));

    server.control(R"({"syntheticUsers":46})");
    const ServerStatus read = readServerStatus(path, 5);
    ASSERT_EQ(read.outcome, ServerStatus::Outcome::Read) << qPrintable(read.text);
    ASSERT_EQ(read.answers.size(), 3);
    ASSERT_FALSE(read.resources.isEmpty());
    const ResourceUsage &users = read.resources.first();
    EXPECT_EQ(users.name, QStringLiteral("Users"));
    EXPECT_EQ(users.configured, 50);
    EXPECT_GE(users.inUse.value_or(-1), 1);
    EXPECT_GE(read.connectedUsers.value_or(-1), 46);
    EXPECT_FALSE(read.version.isEmpty());
    // Only the three procedures, each once.
    EXPECT_EQ(server.executions(QStringLiteral("sp_mgGetUsageInfo")).size(), 1);
    EXPECT_EQ(server.executions(QStringLiteral("sp_mgGetInstallInfo")).size(), 1);
    EXPECT_EQ(server.executions(QStringLiteral("sp_mgGetConnectedUsers")).size(), 1);
    EXPECT_TRUE(server.executions(QStringLiteral("sp_mgGetUserTables")).isEmpty());
    EXPECT_EQ(read.answers[2].rows.size(), read.answers[2].rowCount);
    // Counted, not kept: the users' rows are not read at all.
    const ServerStatus counted = readServerStatus(path, 5, UserRows::CountOnly);
    EXPECT_EQ(counted.connectedUsers, read.connectedUsers);
    EXPECT_TRUE(counted.answers[2].rows.isEmpty());
    EXPECT_EQ(counted.answers[2].rowCount, read.answers[2].rowCount);
    EXPECT_EQ(counted.answers[0].rows.size(), read.answers[0].rows.size());

    server.control(R"({"dropFields":{"sp_mgGetUsageInfo":["Configured"]}})");
    const ServerStatus lacking = readServerStatus(path, 5);
    EXPECT_EQ(lacking.outcome, ServerStatus::Outcome::Lacking);
    EXPECT_EQ(lacking.text, QStringLiteral("sp_mgGetUsageInfo gave no Configured column"));
    server.resetFaults();

    server.control(R"({"delayMs":2500})");
    const ServerStatus slow = readServerStatus(path, 1);
    EXPECT_EQ(slow.outcome, ServerStatus::Outcome::TimedOut) << qPrintable(slow.text);
    server.resetFaults();

    server.control(R"({"refuseConnects":1})");
    const ServerStatus refused = readServerStatus(path, 5);
    EXPECT_EQ(refused.outcome, ServerStatus::Outcome::Unreachable) << qPrintable(refused.text);
    EXPECT_FALSE(refused.text.isEmpty());
}

} // namespace
