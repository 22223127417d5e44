// "Alle Server…" through the real main window: opened from the preview's context menu, it
// lists the servers discovery found and reads them; a double-click runs the remote check on
// one at the port discovery found; the program ends at once while readings run. Discovery
// probes the fixed ports (6262, 2001), so these tests hold a lock on them.

#include "ChildProcess.h"
#include "DiscoveryWait.h"
#include "FakePlatform.h"
#include "QtPrinters.h"
#include "ServerOverview.h"
#include "StandinServer.h"
#include "TempPrefix.h"
#include "TextTable.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Live at 6262 (.171, two shares), at 2001 only (.172); nothing listens at .173.
class OverviewEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        first = std::make_unique<StandinServer>(QStringList{QStringLiteral("127.0.0.171:6262")},
                                                R"({"name":"EINS","shares":["daten","apps"]})");
        second = std::make_unique<StandinServer>(QStringList{QStringLiteral("127.0.0.172:2001")},
                                                 R"({"name":"ZWEI","shares":["lager"]})");
    }
    static void TearDownTestSuite()
    {
        first.reset();
        second.reset();
    }

    OverviewEndToEnd() { first->resetFaults(); }

    static inline std::unique_ptr<StandinServer> first;
    static inline std::unique_ptr<StandinServer> second;
};

QStringList rowOf(const TextTable *table, int row)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << table->shownText(row, column);
    cells.replaceInStrings(QRegularExpression(QStringLiteral("\\d+ ms")), QStringLiteral("N ms"));
    return cells;
}

TEST_F(OverviewEndToEnd, ListsDiscoverysServersAndADoubleClickChecksOne)
{
    FakePlatform platform;
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.171\\daten"));
    platform.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.172\\lager"));
    platform.addDrive(QLatin1Char('H'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.173\\tot"));
    platform.addDrive(QLatin1Char('I'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.171\\apps"));
    platform.addHost("127.0.0.171", {{127, 0, 0, 171}});
    platform.addHost("127.0.0.172", {{127, 0, 0, 172}});
    TForm1 form(platform);
    form.show();
    ASSERT_TRUE(waitForDiscovery(form));

    // "Alle Server…" is in the preview's context menu, above "Details…" at its end.
    QStringList entries;
    QTimer::singleShot(0, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            for (const QAction *action : menu->actions())
                entries.append(action->text());
            menu->setActiveAction(menu->actions().value(menu->actions().size() - 2));
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    const QPoint inside(20, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside,
                            form.Memo1->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(form.Memo1->viewport(), &event);
    ASSERT_GT(entries.size(), 2);
    EXPECT_EQ(entries.mid(entries.size() - 2),
              QStringList({QStringLiteral("Alle Server…"), QStringLiteral("Details…")}));
    auto *overview = form.findChild<ServerOverview *>();
    ASSERT_NE(overview, nullptr);
    EXPECT_TRUE(overview->isVisible());
    const TextTable *table = overview->tblServers;
    ASSERT_EQ(table->rowCount(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (int row = 0; row < 3; ++row)
            if (table->shownText(row, int(OverviewColumn::Reached)) ==
                QStringLiteral("wird abgefragt …"))
                return false;
        return true;
    }));

    // Each server as discovery found it, with what it reports now.
    const auto direct = [](const PolledServer &server) {
        const ServerStatus status = readServerStatus(server.connectPath, 5);
        QStringList cells = overviewRow(server, &status).cells;
        cells.replaceInStrings(QRegularExpression(QStringLiteral("\\d+ ms")),
                               QStringLiteral("N ms"));
        return cells;
    };
    const QList<PolledServer> &servers = overview->servers();
    ASSERT_EQ(servers.size(), 3);
    EXPECT_EQ(servers[0].connectPath, QStringLiteral("\\\\127.0.0.171:6262\\daten"));
    EXPECT_EQ(servers[1].connectPath, QStringLiteral("\\\\127.0.0.172:2001\\lager"));
    EXPECT_EQ(servers[2].connectPath, QStringLiteral("\\\\127.0.0.173:6262\\tot"));
    EXPECT_EQ(rowOf(table, 0), direct(servers[0]));
    EXPECT_EQ(rowOf(table, 0).mid(0, 4),
              QStringList({QStringLiteral("127.0.0.171"), QStringLiteral("127.0.0.171"),
                           QStringLiteral("6262"), QStringLiteral("ja (N ms)")}));
    EXPECT_EQ(rowOf(table, 1), direct(servers[1]));
    EXPECT_EQ(rowOf(table, 1)[int(OverviewColumn::Port)], QStringLiteral("2001"));
    EXPECT_EQ(
        rowOf(table, 2),
        QStringList({QStringLiteral("127.0.0.173"), QStringLiteral("nicht aufgelöst"),
                     QStringLiteral("6262"), QStringLiteral("nein: nicht erreichbar (Fehler 6012)"),
                     QString(), QString(), QString(), QString()}));

    // A double-click on the server that answers at 2001 only checks it there.
    QString shownPath;
    QTimer::singleShot(0, [&] {
        if (dlgRemoteInfo) {
            shownPath = dlgRemoteInfo->edConnectPath->text();
            dlgRemoteInfo->reject();
        }
    });
    const QRect secondRow = table->visualRect(table->model()->index(1, 0));
    // A double-click is a click and then the second press, on the same row.
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, secondRow.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, secondRow.center());
    EXPECT_EQ(shownPath, QStringLiteral("\\\\127.0.0.172:2001\\lager"));
    delete dlgRemoteInfo;

    overview->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form.ReadingsRunning(); }));
}

TEST_F(OverviewEndToEnd, ClosingWhileReadingsRunEndsAtOnce)
{
    // Probes only connect; the overview's readings wait 5 s for each procedure.
    first->control(R"({"slowMs":5000})");
    TempPrefix prefix;
    prefix.link(QLatin1Char('f'), QStringLiteral("unc/127.0.0.171/daten"));
    QTemporaryDir programDir;
    const QString outputPath = programDir.filePath(QStringLiteral("child.out"));
    QElapsedTimer clock;
    clock.start();
    ChildProcess child(QStringLiteral(OVERVIEW_CLOSE_CHILD),
                       {prefix.path(), programDir.filePath(QStringLiteral("Quellmark"))},
                       outputPath, true);
    ASSERT_TRUE(child.waitForFinished(30000));
    const qint64 elapsed = clock.elapsed();
    QFile outputFile(outputPath);
    ASSERT_TRUE(outputFile.open(QIODevice::ReadOnly));
    const QString output = QString::fromLocal8Bit(outputFile.readAll());
    EXPECT_EQ(child.exitCode(), 0) << qPrintable(output);
    EXPECT_TRUE(output.contains(QStringLiteral("closed while reading"))) << qPrintable(output);
    // The reading alone takes three procedures of 5 s each.
    EXPECT_LT(elapsed, 4500) << qPrintable(output);
    EXPECT_FALSE(QFileInfo::exists(programDir.filePath(QStringLiteral("ADS.INI"))));
}

} // namespace
