// "Alle Server…": the rows as the rules make them from readings of every kind, and the
// window reading real stand-in servers side by side on free loopback ports.

#include "Blackhole.h"
#include "FakePlatform.h"
#include "HeadroomMarks.h"
#include "ManualClock.h"
#include "OverviewRows.h"
#include "QtPrinters.h"
#include "ServerOverview.h"
#include "SpinEdit.h"
#include "StandinServer.h"
#include "TextTable.h"
#include "Timer.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLocale>
#include <QPushButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr qint64 Max = std::numeric_limits<qint64>::max();

ResourceUsage resource(const char *name, std::optional<qint64> inUse,
                       std::optional<qint64> configured, std::optional<qint64> rejected = 0)
{
    return {QString::fromLatin1(name), inUse, std::nullopt, configured, rejected};
}

ServerStatus readWith(QList<ResourceUsage> resources)
{
    ServerStatus status;
    status.outcome = ServerStatus::Outcome::Read;
    status.resources = std::move(resources);
    status.version = QStringLiteral("10.10.0.28");
    status.milliseconds = 12;
    return status;
}

const PolledServer Somewhere{QStringLiteral("fs1"),
                             QStringLiteral("10.0.0.1"),
                             6262,
                             true,
                             QStringLiteral("\\\\fs1\\daten"),
                             QStringLiteral("\\\\fs1:6262\\daten")};

QString cell(const OverviewRow &row, OverviewColumn column)
{
    return row.cells.value(int(column));
}

// What the usage counters give the columns Benutzer, Engpass and Abgewiesen, and the
// headroom of the last two, for counters a server should not send as well as those it does.
TEST(OverviewRows, CountersOfEveryShape)
{
    using Level = Headroom::Level;
    const QString max = QLocale().toString(Max);
    const struct {
        const char *what;
        QList<ResourceUsage> resources;
        QString users, bottleneck, rejected;
        Level bottleneckLevel, rejectedLevel;
    } cases[] = {
        {"the demo's 47 of 50 users are near their limit",
         {resource("Users", 47, 50), resource("Connections", 52, 100), resource("Locks", 40, 5000)},
         "47 von 50",
         "Users: 94 %",
         "0",
         Level::Near,
         Level::Enough},
        {"the highest share wins, not the highest count",
         {resource("Users", 10, 50), resource("Work Areas", 400, 500),
          resource("Locks", 900, 5000)},
         "10 von 50",
         "Work Areas: 80 %",
         "0",
         Level::Enough,
         Level::Enough},
        {"the first of equal shares",
         {resource("Tables", 5, 10), resource("Index Files", 50, 100)},
         "–",
         "Tables: 50 %",
         "0",
         Level::Enough,
         Level::Enough},
        {"rejections are summed and full, wherever they are",
         {resource("Users", 10, 50), resource("Connections", 12, 100, 3),
          resource("Locks", 1, 10, 2)},
         "10 von 50",
         "Users: 20 %",
         "5",
         Level::Enough,
         Level::Full},
        {"the bottleneck's own rejections make it full",
         {resource("Users", 30, 50, 1)},
         "30 von 50",
         "Users: 60 %",
         "1",
         Level::Full,
         Level::Full},
        {"over its limit",
         {resource("Users", 60, 50)},
         "60 von 50",
         "Users: 120 %",
         "0",
         Level::Full,
         Level::Enough},
        {"a configured count of 0 is no limit",
         {resource("Users", 5, 0), resource("Tables", 10, 250)},
         "5 von 0",
         "Tables: 4 %",
         "0",
         Level::Enough,
         Level::Enough},
        {"negative counts are no counts",
         {resource("Users", -3, 50, -1), resource("Locks", 10, -5, std::nullopt)},
         "– von 50",
         "–",
         "–",
         Level::Enough,
         Level::Enough},
        {"missing counts",
         {resource("users", std::nullopt, 50, std::nullopt)},
         "– von 50",
         "–",
         "–",
         Level::Enough,
         Level::Enough},
        {"no resources at all", {}, "–", "–", "–", Level::Enough, Level::Enough},
        {"counts at the end of 64 bits neither overflow nor wrap",
         {resource("Locks", Max, Max, Max), resource("Users", Max - 1, Max, Max),
          resource("Tables", Max, 1)},
         QStringLiteral("%1 von %2").arg(QLocale().toString(Max - 1), max),
         QStringLiteral("Tables: %1 %").arg(max),
         max,
         Level::Full,
         Level::Full},
        {"a resource without a name",
         {resource("", 9, 10)},
         "–",
         "(ohne Namen): 90 %",
         "0",
         Level::Near,
         Level::Enough},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const ServerStatus status = readWith(c.resources);
        const OverviewRow row = overviewRow(Somewhere, &status);
        EXPECT_EQ(cell(row, OverviewColumn::Users), c.users);
        EXPECT_EQ(cell(row, OverviewColumn::Bottleneck), c.bottleneck);
        EXPECT_EQ(cell(row, OverviewColumn::Rejected), c.rejected);
        EXPECT_EQ(row.bottleneck.level, c.bottleneckLevel);
        EXPECT_EQ(row.rejections.level, c.rejectedLevel);
        EXPECT_EQ(cell(row, OverviewColumn::Reached), QStringLiteral("ja (12 ms)"));
        EXPECT_EQ(cell(row, OverviewColumn::Version), QStringLiteral("10.10.0.28"));
    }
}

// How a reading ended, in the column Erreicht; a server not read leaves the counters empty.
TEST(OverviewRows, EveryOutcome)
{
    const auto ended = [](ServerStatus::Outcome outcome, quint32 error, const char *text,
                          qint64 milliseconds = 5) {
        ServerStatus status;
        status.connectPath = Somewhere.connectPath;
        status.outcome = outcome;
        status.error = error;
        status.text = QString::fromUtf8(text);
        status.milliseconds = milliseconds;
        return status;
    };
    using Outcome = ServerStatus::Outcome;
    const struct {
        ServerStatus status;
        const char *reached;
    } cases[] = {
        {ended(Outcome::Unreachable, 6012, "Nothing answers at 10.0.0.1:6262."),
         "nein: nicht erreichbar (Fehler 6012)"},
        {ended(Outcome::Unreachable, 6020, "The server FS1 refused the connection."),
         "nein: abgewiesen (Fehler 6020)"},
        {ended(Outcome::TimedOut, 6013, "No answer.", 3001),
         "nein: keine Antwort in 3001 ms (Fehler 6013)"},
        {ended(Outcome::Failed, 7200, "qUsageInfo: ERROR 7200: kaputt"),
         "nein: Fehler 7200: qUsageInfo: ERROR 7200: kaputt"},
        {ended(Outcome::Failed, 0, "Externe Exception C06D007E"),
         "nein: Fehler: Externe Exception C06D007E"},
        {ended(Outcome::Lacking, 0, "sp_mgGetUsageInfo gave no Configured column"),
         "ja, aber unvollständig: sp_mgGetUsageInfo gave no Configured column"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.reached);
        const OverviewRow row = overviewRow(Somewhere, &c.status);
        EXPECT_EQ(row.cells, QStringList({QStringLiteral("fs1"), QStringLiteral("10.0.0.1"),
                                          QStringLiteral("6262"), QString::fromUtf8(c.reached),
                                          QString(), QString(), QString(), QString()}));
        // The engine's own words are a tooltip away.
        EXPECT_TRUE(row.toolTips[int(OverviewColumn::Reached)].endsWith(c.status.text));
        EXPECT_EQ(row.bottleneck.level, Headroom::Level::Enough);
    }

    PolledServer unresolved = Somewhere;
    unresolved.address.clear();
    const OverviewRow waiting = overviewRow(unresolved, nullptr);
    EXPECT_EQ(waiting.cells,
              QStringList({QStringLiteral("fs1"), QStringLiteral("nicht aufgelöst"),
                           QStringLiteral("6262"), QStringLiteral("wird abgefragt …"), QString(),
                           QString(), QString(), QString()}));
}

// Each server once, named by its first drive; the port it answered at, or the first probe
// port; the connect path as the monitor makes it of that drive's path.
TEST(OverviewRows, TheServersOfADiscoveryRun)
{
    FakePlatform platform;
    DiscoveryReport report;
    const auto drive = [](const char *letter, const char *unc, int server, const char *through) {
        DriveDiagnosis d;
        d.drive = QString::fromLatin1(letter);
        d.type = DRIVE_REMOTE;
        d.uncPath = QString::fromLatin1(unc);
        d.serverIndex = server;
        d.probedThrough = QString::fromLatin1(through);
        return d;
    };
    report.drives = {drive("F:", "\\\\fs1\\daten", 0, "F:"), drive("G:", "\\\\FS1\\apps", 0, "F:"),
                     drive("H:", "\\\\fs2\\lager\\ost ", 1, "H:"),
                     drive("K:", "\\\\fs3\\archiv", 2, "K:")};
    const std::vector<TAdsServerInfo> records{
        {QStringLiteral("fs1"), QStringLiteral("10.0.0.1"), 6262, true},
        {QStringLiteral("fs2"), QStringLiteral("10.0.0.2"), 2001, true},
        {QStringLiteral("fs3"), QString(), 0, false},
    };
    const QList<PolledServer> servers = polledServers(platform, report, records);
    const QList<PolledServer> expected{
        {QStringLiteral("fs1"), QStringLiteral("10.0.0.1"), 6262, true,
         QStringLiteral("\\\\fs1\\daten"), QStringLiteral("\\\\fs1:6262\\daten")},
        {QStringLiteral("fs2"), QStringLiteral("10.0.0.2"), 2001, true,
         QStringLiteral("\\\\fs2\\lager\\ost "), QStringLiteral("\\\\fs2:2001\\lager\\ost")},
        {QStringLiteral("fs3"), QString(), 6262, false, QStringLiteral("\\\\fs3\\archiv"),
         QStringLiteral("\\\\fs3:6262\\archiv")},
    };
    ASSERT_EQ(servers.size(), expected.size());
    for (qsizetype i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(servers[i].name, expected[i].name);
        EXPECT_EQ(servers[i].address, expected[i].address);
        EXPECT_EQ(servers[i].port, expected[i].port);
        EXPECT_EQ(servers[i].answered, expected[i].answered);
        EXPECT_EQ(servers[i].path, expected[i].path);
        EXPECT_EQ(servers[i].connectPath, expected[i].connectPath);
    }
}

// --- the window against real servers -------------------------------------------------------

QByteArray demoScenario()
{
    QFile file(QStringLiteral(DEMO_SCENARIO));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A loopback port where nothing listens: connects are refused at once.
quint16 closedPort(const QString &address)
{
    QTcpServer probe;
    return probe.listen(QHostAddress(address), 0) ? probe.serverPort() : quint16(1);
}

PolledServer polled(const QString &address, quint16 port, const QString &share)
{
    return {address,
            address,
            port,
            true,
            QStringLiteral("\\\\%1\\%2").arg(address, share),
            QStringLiteral("\\\\%1:%2\\%3").arg(address).arg(port).arg(share)};
}

PolledServer polled(const StandinServer &server, const QString &share)
{
    const QString address = server.addresses().first().section(QLatin1Char(':'), 0, 0);
    return polled(address, server.port(), share);
}

QStringList rowOf(const TextTable *table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << table->shownText(row, column);
    return cells;
}

QString reached(const ServerOverview &window, int row)
{
    return window.tblServers->shownText(row, int(OverviewColumn::Reached));
}

bool readIn(const ServerOverview &window, int row)
{
    return reached(window, row) != QStringLiteral("wird abgefragt …");
}

// A number of milliseconds is whatever the reading took.
QStringList withoutTimes(QStringList cells)
{
    cells.replaceInStrings(QRegularExpression(QStringLiteral("\\d+ ms")), QStringLiteral("N ms"));
    return cells;
}

// The demo's server (46 workstations: the overview's reading makes 47 users of 50) and one
// of few users, on addresses of their own at free ports.
class OverviewWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        demo = std::make_unique<StandinServer>(QStringList{QStringLiteral("127.0.0.161:0")},
                                               demoScenario());
        plain = std::make_unique<StandinServer>(QStringList{QStringLiteral("127.0.0.162:0")},
                                                R"({"name":"PLAIN","shares":["daten"]})");
    }
    static void TearDownTestSuite()
    {
        demo.reset();
        plain.reset();
    }

    OverviewWindow()
    {
        demo->resetFaults();
        plain->resetFaults();
        window.tmrPoll->setClock(&clock);
    }
    ~OverviewWindow() override
    {
        // Readings that run end before the servers' faults change for the next test.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !window.readingsRunning(); }, 30000));
    }

    static int usageReadings(StandinServer &server)
    {
        return int(server.executions(QStringLiteral("sp_mgGetUsageInfo")).size());
    }

    static inline std::unique_ptr<StandinServer> demo;
    static inline std::unique_ptr<StandinServer> plain;
    ManualClock clock; // outlives the window's timer
    ServerOverview window;
};

TEST_F(OverviewWindow, EachServerWithWhatItReportsAndTheHeadroomColours)
{
    const quint16 nobody = closedPort(QStringLiteral("127.0.0.163"));
    window.setServers({polled(*demo, QStringLiteral("daten")),
                       polled(*plain, QStringLiteral("daten")),
                       polled(QStringLiteral("127.0.0.163"), nobody, QStringLiteral("daten"))});
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Alle Server"));
    const TextTable *table = window.tblServers;
    for (int column = 0; column < table->columnCount(); ++column)
        EXPECT_EQ(table->model()->headerData(column, Qt::Horizontal).toString(),
                  overviewHeader()[column]);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return readIn(window, 0) && readIn(window, 1) && readIn(window, 2); }));

    EXPECT_EQ(withoutTimes(rowOf(table, 0)),
              QStringList({QStringLiteral("127.0.0.161"), QStringLiteral("127.0.0.161"),
                           QString::number(demo->port()), QStringLiteral("ja (N ms)"),
                           QStringLiteral("47 von 50"), QStringLiteral("Users: 94 %"),
                           QStringLiteral("0"), QStringLiteral("10.10.0.28")}));
    EXPECT_EQ(table->background(0, int(OverviewColumn::Bottleneck)), HeadroomMarks::NearColour);
    EXPECT_FALSE(table->background(0, int(OverviewColumn::Rejected)).isValid());
    EXPECT_FALSE(table->background(0, int(OverviewColumn::Users)).isValid());
    // The columns widened for what came in after the list was laid out.
    for (const OverviewColumn column : {OverviewColumn::Users, OverviewColumn::Bottleneck})
        EXPECT_GT(table->columnWidth(int(column)),
                  table->fontMetrics().horizontalAdvance(table->shownText(0, int(column))));

    // The plain server's row is what a reading of its own gives.
    const ServerStatus direct =
        readServerStatus(polled(*plain, QStringLiteral("daten")).connectPath, 5);
    ASSERT_EQ(direct.outcome, ServerStatus::Outcome::Read) << qPrintable(direct.text);
    EXPECT_EQ(withoutTimes(rowOf(table, 1)),
              withoutTimes(overviewRow(polled(*plain, QStringLiteral("daten")), &direct).cells));
    EXPECT_FALSE(table->background(1, int(OverviewColumn::Bottleneck)).isValid());

    EXPECT_EQ(withoutTimes(rowOf(table, 2)),
              QStringList({QStringLiteral("127.0.0.163"), QStringLiteral("127.0.0.163"),
                           QString::number(nobody),
                           QStringLiteral("nein: nicht erreichbar (Fehler 6012)"), QString(),
                           QString(), QString(), QString()}));

    // A server that turns connections away: its rejections are red.
    demo->control(R"({"refuseConnects":2})");
    readServerStatus(polled(*demo, QStringLiteral("daten")).connectPath, 5);
    readServerStatus(polled(*demo, QStringLiteral("daten")).connectPath, 5);
    clock.advance(5000);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return table->shownText(0, int(OverviewColumn::Rejected)) == QStringLiteral("2"); }));
    EXPECT_EQ(table->background(0, int(OverviewColumn::Rejected)), HeadroomMarks::FullColour);
    EXPECT_TRUE(table->toolTip(0, int(OverviewColumn::Rejected))
                    .contains(QStringLiteral("Connections: 2")));
}

TEST_F(OverviewWindow, ASlowAndADeadServerHoldUpNoOther)
{
    const Blackhole dead(QStringLiteral("127.0.0.164"), 47011);
    plain->control(R"({"slowMs":700})");
    window.setServers({polled(QStringLiteral("127.0.0.164"), 47011, QStringLiteral("daten")),
                       polled(*plain, QStringLiteral("daten")),
                       polled(*demo, QStringLiteral("daten"))});
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return readIn(window, 2); }));
    EXPECT_EQ(reached(window, 0), QStringLiteral("wird abgefragt …"));
    EXPECT_EQ(reached(window, 1), QStringLiteral("wird abgefragt …"));
    // The window answers meanwhile: it is its own thread that runs this test.
    ASSERT_TRUE(QTest::qWaitFor([&] { return readIn(window, 1); }));
    EXPECT_TRUE(reached(window, 1).startsWith(QStringLiteral("ja (")));
    EXPECT_EQ(reached(window, 0), QStringLiteral("wird abgefragt …"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return readIn(window, 0); }, 30000));
    EXPECT_EQ(withoutTimes({reached(window, 0)}),
              QStringList{QStringLiteral("nein: keine Antwort in N ms (Fehler 6013)")});
}

TEST_F(OverviewWindow, ThePeriodRereadsAndSkipsWhileAReadingRuns)
{
    window.setServers({polled(*plain, QStringLiteral("daten"))});
    window.edPeriod->setText(QStringLiteral("2"));
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.readingsRunning() && readIn(window, 0); }));
    const int first = usageReadings(*plain);
    EXPECT_EQ(window.tmrPoll->Interval(), 2000);
    EXPECT_TRUE(window.tmrPoll->isCounting());
    // A row the user selected stays selected over the readings.
    window.tblServers->selectRow(0);

    clock.advance(1999);
    EXPECT_FALSE(window.readingsRunning());
    clock.advance(1);
    EXPECT_TRUE(window.readingsRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.readingsRunning(); }));
    EXPECT_EQ(usageReadings(*plain), first + 1);

    // A reading longer than three periods: the ticks meanwhile start none.
    plain->control(R"({"slowMs":400})");
    clock.advance(2000);
    EXPECT_TRUE(window.readingsRunning());
    for (int tick = 0; tick < 3; ++tick)
        clock.advance(2000);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.readingsRunning(); }));
    EXPECT_EQ(usageReadings(*plain), first + 2);
    EXPECT_EQ(window.tblServers->selectionModel()->selectedRows().size(), 1);

    // No period below a second: no more readings until there is one.
    window.edPeriod->setText(QLocale().toString(0.4));
    EXPECT_FALSE(window.tmrPoll->isCounting());
    window.edPeriod->setText(QStringLiteral("1"));
    EXPECT_EQ(window.tmrPoll->remainingTime(), 1000);
}

TEST_F(OverviewWindow, ClosingStopsEveryPollAndDropsWhatRunningReadingsGive)
{
    window.setServers({polled(*plain, QStringLiteral("daten"))});
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.readingsRunning() && readIn(window, 0); }));
    window.close();
    EXPECT_FALSE(window.tmrPoll->isCounting());
    const auto calls = [] { return plain->log().filter(QStringLiteral("execute #")); };
    const QStringList before = calls();
    // The test clock fires a due tick inside advance(), and a poll starts its readings there:
    // none running right after it means none was started.
    clock.advance(60000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.readingsRunning());
    EXPECT_EQ(calls(), before);

    // Opened again, every server is read at once; closed while that reading runs, what it
    // gives is dropped.
    plain->control(R"({"slowMs":300})");
    window.show();
    EXPECT_EQ(reached(window, 0), QStringLiteral("wird abgefragt …"));
    EXPECT_TRUE(window.readingsRunning());
    window.close();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.readingsRunning(); }));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(reached(window, 0), QStringLiteral("wird abgefragt …"));
    const int after = usageReadings(*plain);
    clock.advance(60000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.readingsRunning());
    EXPECT_EQ(usageReadings(*plain), after);
}

TEST_F(OverviewWindow, AnswersLackingWhatIsNeededShowWhy)
{
    window.setServers({polled(*plain, QStringLiteral("daten"))});
    const struct {
        const char *fault;
        int column;
        const char *shown;
    } cases[] = {
        {R"({"dropFields":{"sp_mgGetUsageInfo":["Rejected"]}})", int(OverviewColumn::Rejected),
         "–"},
        {R"({"dropFields":{"sp_mgGetUsageInfo":["Configured"]}})", int(OverviewColumn::Reached),
         "ja, aber unvollständig: sp_mgGetUsageInfo gave no Configured column"},
        {R"({"emptyResults":["sp_mgGetUsageInfo"]})", int(OverviewColumn::Bottleneck), "–"},
        {R"({"procedureErrors":{"sp_mgGetInstallInfo":{"code":7200,"text":"kaputt"}}})",
         int(OverviewColumn::Reached), "nein: Fehler 7200: qInstallInfo: kaputt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        plain->resetFaults();
        plain->control(c.fault);
        window.show();
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return !window.readingsRunning() && readIn(window, 0); }));
        EXPECT_EQ(window.tblServers->shownText(0, c.column), QString::fromUtf8(c.shown));
        window.close();
    }
}

TEST_F(OverviewWindow, CopiedAsTheGridsCopy)
{
    window.setServers(
        {polled(*demo, QStringLiteral("daten")), polled(*plain, QStringLiteral("daten"))});
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return readIn(window, 0) && readIn(window, 1); }));
    const auto copied = [] {
        return withoutTimes(QApplication::clipboard()->text().split(QLatin1Char('\n')));
    };
    const QStringList lines{overviewHeader().join(QLatin1Char('\t')),
                            withoutTimes(rowOf(window.tblServers, 0)).join(QLatin1Char('\t')),
                            withoutTimes(rowOf(window.tblServers, 1)).join(QLatin1Char('\t'))};
    QApplication::clipboard()->clear();
    window.btnCopy->click();
    EXPECT_EQ(copied(), lines + QStringList{QString()});

    QApplication::clipboard()->clear();
    window.activateWindow();
    QApplication::setActiveWindow(&window);
    window.tblServers->setFocus();
    window.tblServers->selectRow(1);
    QTest::keyClick(window.tblServers, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copied(), QStringList({lines[0], lines[2], QString()}));
}

} // namespace
