// The monitor's tools for a maintenance evening through its real window (offscreen), the
// real engine and a stand-in server: headroom marks, the search for who holds a table,
// copying rows, the snapshot, the discovered servers in the connect path, the history.

#include "AnsweredBoxes.h"
#include "CellText.h"
#include "DBGrid.h"
#include "DataSetWalk.h"
#include "DiscoveryWait.h"
#include "FakePlatform.h"
#include "Headroom.h"
#include "HistoryChart.h"
#include "ManualClock.h"
#include "MonitorFixture.h"
#include "QtPrinters.h"
#include "ScriptedServer.h"
#include "ShapeButton.h"
#include "SpinEdit.h"
#include "StandinServer.h"
#include "TableHoldersDialog.h"
#include "TextTable.h"
#include "Timer.h"
#include "UserTablesPeer.h"
#include "adscnnct.h"
#include "adstable.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QSet>
#include <QStringListModel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString Path = QStringLiteral("\\\\127.0.0.1\\daten");

// A server on a free port of 127.0.0.1, with one share.
struct AnyPort {
    static QStringList listen() { return {QStringLiteral("127.0.0.1:0")}; }
    static QByteArray scenario() { return R"({"name":"MON","shares":["daten"]})"; }
    static QString path() { return Path; }
};

class MonitorToolsTest : public MonitorFixture<AnyPort> {
protected:
    static QString text(const TDataSetBase &dataSet, const char *field)
    {
        return dataSet.FieldByName(QLatin1String(field))->AsString();
    }
};

TEST_F(MonitorToolsTest, UsageRowsNearTheirLimitsAreMarked)
{
    // 88 workstations and the monitor: 89 of the 100 connections the stand-in configures.
    QByteArray scenario = R"({"name":"VOLL","shares":["daten"],"workstations":[)";
    for (int i = 0; i < 88; ++i)
        scenario += QStringLiteral(R"(%1{"name":"PC%2","login":"u%2"})")
                        .arg(i ? QStringLiteral(",") : QString())
                        .arg(i)
                        .toUtf8();
    scenario += "]}";
    StandinServer busy({QStringLiteral("127.0.0.1:0")}, scenario);
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.show();
    connectTo(dlg, busy);
    const DBGrid *usage = dlg.wwDBGrid1;
    const int users = 0;
    const int connections = 1;
    const int inUse = 1;
    ASSERT_EQ(usage->cellText(connections, 0), QStringLiteral("Connections"));

    std::vector<std::unique_ptr<TAdsConnection>> others;
    const auto connect = [&dlg] {
        auto other = std::make_unique<TAdsConnection>();
        other->setConnectPath(dlg.edConnectPath->text());
        other->Connect();
        return other;
    };
    const struct {
        std::size_t others;
        const char *inUse;
        QColor colour;
        const char *toolTip;
    } steps[] = {
        {0, "89", QColor(), ""},
        {1, "90", HeadroomMarks::NearColour, "Zu 90 % ausgelastet"},
        {10, "99", HeadroomMarks::NearColour, "Zu 99 % ausgelastet"},
        {11, "100", HeadroomMarks::FullColour, "Zu 100 % ausgelastet"},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.inUse);
        while (others.size() < step.others)
            others.push_back(connect());
        dlg.Refresh();
        ASSERT_EQ(usage->cellText(connections, inUse), QLatin1String(step.inUse));
        // The whole row, where no change mark covers it: the name and the configured count.
        EXPECT_EQ(usage->cellMark(connections, 0).background, step.colour);
        EXPECT_EQ(usage->cellMark(connections, 3).background, step.colour);
        EXPECT_EQ(usage->cellToolTip(connections, 0), QLatin1String(step.toolTip));
    }
    // A changed count is marked yellow, and both tooltips say their part.
    EXPECT_EQ(usage->cellToolTip(connections, inUse), QStringLiteral("+1\nZu 100 % ausgelastet"));

    // Turned away: red below 90 % too. The connections closed are gone once the server has
    // read their goodbyes.
    others.clear();
    ASSERT_TRUE(QTest::qWaitFor([&] {
        dlg.Refresh();
        return usage->cellText(connections, inUse) == QStringLiteral("89");
    }));
    busy.control(R"({"refuseConnects":3})");
    for (int i = 0; i < 3; ++i)
        EXPECT_THROW(connect(), std::exception);
    dlg.Refresh();
    EXPECT_EQ(usage->cellMark(connections, 0).background, HeadroomMarks::FullColour);
    EXPECT_EQ(usage->cellToolTip(connections, 0),
              QStringLiteral("Seit dem Serverstart 3 abgewiesen"));

    // Drawn: the marked row off the cursor in its colour; on the current row (the users,
    // 89 of 50) the mark is an inset frame inside the selection's colour.
    dlg.Refresh();
    QCoreApplication::processEvents();
    ASSERT_EQ(dlg.qUsageInfo->ActiveRecord(), users);
    const QImage image = usage->viewport()->grab().toImage();
    const int left = DBGrid::IndicatorWidth;
    const int right = left + usage->columns()[0].width - 1;
    const auto rowTop = [usage](int row) {
        return usage->titleHeight() + row * usage->rowHeight();
    };
    const int middle = usage->rowHeight() / 2;
    EXPECT_EQ(QColor(image.pixel(right - 8, rowTop(connections) + middle)),
              HeadroomMarks::FullColour);
    EXPECT_EQ(QColor(image.pixel(left + 2, rowTop(users) + middle)), HeadroomMarks::FullColour);
    EXPECT_EQ(QColor(image.pixel(right - 8, rowTop(users) + middle)),
              usage->palette().color(QPalette::Highlight));
}

// Who holds a table, asked of the stand-in directly, one user after another.
QList<QStringList> holdersOf(TdlgRemoteInfo &dlg, const QString &tableText)
{
    QList<QStringList> holders;
    QSet<QString> asked;
    TAdsQuery tables;
    tables.setAdsConnection(dlg.AdsConnect);
    // The stand-in's workstations open and close tables whenever the users are listed: the
    // window's list is the one the search went through.
    for (dlg.qCnctUsers->First(); !dlg.qCnctUsers->Eof(); dlg.qCnctUsers->Next()) {
        const QString user =
            dlg.qCnctUsers->FieldByName(QStringLiteral("UserName"))->AsString() +
            QLatin1Char('\\') +
            dlg.qCnctUsers->FieldByName(QStringLiteral("OSUserLoginName"))->AsString();
        if (asked.contains(user))
            continue;
        asked.insert(user);
        tables.Close();
        tables.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetUserTables('%1');").arg(user)});
        tables.Open();
        for (; !tables.Eof(); tables.Next()) {
            const QString name = tables.FieldByName(QStringLiteral("TableName"))->AsString();
            if (name.contains(tableText, Qt::CaseInsensitive))
                holders.append(
                    {user.section(QLatin1Char('\\'), 0, 0), user.section(QLatin1Char('\\'), 1),
                     dlg.qCnctUsers->FieldByName(QStringLiteral("ApplicationID"))->AsString(),
                     tables.FieldByName(QStringLiteral("LockType"))->AsString(), name});
        }
    }
    dlg.qCnctUsers->First();
    return holders;
}

QList<QStringList> rowsOf(const TextTable &table)
{
    QList<QStringList> rows;
    for (int r = 0; r < table.rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.columnCount(); ++c)
            cells.append(table.shownText(r, c));
        rows.append(cells);
    }
    return rows;
}

TEST_F(MonitorToolsTest, TheSearchFindsExactlyTheUsersHoldingATableAndPausesTheRefresh)
{
    ManualClock clock; // outlives the window's timer
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    connectTo(dlg);
    dlg.show();
    ASSERT_TRUE(dlg.Timer1->Enabled());
    // A user with tables; the first of them is under the cursor.
    while (dlg.qUserTables->IsEmpty() && !dlg.qCnctUsers->Eof())
        QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Down);
    ASSERT_FALSE(dlg.qUserTables->IsEmpty());
    const QString table = text(*dlg.qUserTables, "TableName");
    const int usersBefore = dlg.qCnctUsers->RecordCount();
    const int calls = executions(QStringLiteral("sp_mgGetUserTables")).size();
    const int refreshes = executions(QStringLiteral("sp_mgGetUsageInfo")).size();

    ASSERT_EQ(dlg.wwDBGrid3->actions().value(0), dlg.actTableHolders);
    EXPECT_EQ(dlg.actTableHolders->text(), QStringLiteral("Wer hat diese Tabelle geöffnet?"));
    dlg.actTableHolders->trigger();
    TableHoldersDialog &holders = *dlg.dlgTableHolders;
    EXPECT_TRUE(holders.isVisible());
    EXPECT_EQ(holders.edTableName->text(), table);
    EXPECT_TRUE(dlg.HolderSearch->isRunning());
    EXPECT_TRUE(holders.btnCancel->isEnabled());
    // The first call comes on the next turn of the event loop, and the timer is paused.
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).size(), calls);
    EXPECT_FALSE(dlg.Timer1->Enabled());
    clock.advance(30000);
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUsageInfo")).size(), refreshes);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.HolderSearch->isRunning(); }));
    EXPECT_TRUE(dlg.Timer1->Enabled());
    EXPECT_EQ(dlg.Timer1->remainingTime(), 3000);
    EXPECT_FALSE(holders.btnCancel->isEnabled());
    // One call per user, on the monitor's own connection; the window's lists stay.
    const QStringList made = executions(QStringLiteral("sp_mgGetUserTables")).mid(calls);
    EXPECT_EQ(made.size(), dlg.HolderSearch->total());
    EXPECT_EQ(made.size(), QSet<QString>(made.begin(), made.end()).size());
    EXPECT_EQ(dlg.qCnctUsers->RecordCount(), usersBefore);
    EXPECT_EQ(holders.progress->value(), holders.progress->maximum());

    const QList<QStringList> expected = holdersOf(dlg, table);
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_LT(expected.size(), made.size()) << "every user holds it: nothing to tell apart";
    EXPECT_EQ(rowsOf(*holders.tblHolders), expected);
    EXPECT_EQ(holders.lblStatus->text(),
              QStringLiteral("%1 Treffer bei %2 Benutzern").arg(expected.size()).arg(made.size()));
    EXPECT_EQ(holders.tblHolders->allRowsText().count(QLatin1Char('\n')), expected.size() + 1);

    // Typed: a part of the name, in other case.
    const QString part = table.section(QLatin1Char('\\'), -1).left(4).toUpper();
    holders.edTableName->setText(part);
    QTest::keyClick(holders.edTableName, Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.HolderSearch->isRunning(); }));
    EXPECT_EQ(rowsOf(*holders.tblHolders), holdersOf(dlg, part));
}

TEST_F(MonitorToolsTest, TheSearchCanBeCancelledAndTheTimerRunsAgainAtTheNewPeriod)
{
    server->control(R"({"syntheticUsers":40})");
    ManualClock clock; // outlives the window's timer
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    dlg.show();
    ASSERT_TRUE(dlg.Timer1->Enabled());
    const int calls = executions(QStringLiteral("sp_mgGetUserTables")).size();
    dlg.findTableHolders(QStringLiteral("adt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dlg.HolderSearch->done() >= 3; }));
    ASSERT_TRUE(dlg.HolderSearch->isRunning());

    // A new period while the search runs is taken once it is over.
    dlg.wwDBSpinEdit1->setText(QStringLiteral("5"));
    EXPECT_FALSE(dlg.Timer1->Enabled());

    dlg.dlgTableHolders->btnCancel->click();
    EXPECT_FALSE(dlg.HolderSearch->isRunning());
    const int done = dlg.HolderSearch->done();
    EXPECT_LT(done, dlg.HolderSearch->total());
    EXPECT_TRUE(dlg.dlgTableHolders->lblStatus->text().startsWith(
        QStringLiteral("Abgebrochen nach %1 von %2 Benutzern")
            .arg(done)
            .arg(dlg.HolderSearch->total())));
    // A step already on its way would run with the events now waiting: it must ask nothing.
    QCoreApplication::processEvents();
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).size() - calls, done);
    EXPECT_TRUE(dlg.Timer1->Enabled());
    EXPECT_EQ(dlg.Timer1->remainingTime(), 5000);

    // Closing the search's window ends it too; so does closing the monitor.
    dlg.findTableHolders(QStringLiteral("adt"));
    dlg.dlgTableHolders->close();
    EXPECT_FALSE(dlg.HolderSearch->isRunning());
    EXPECT_TRUE(dlg.Timer1->Enabled());
    dlg.findTableHolders(QStringLiteral("adt"));
    dlg.close();
    EXPECT_FALSE(dlg.HolderSearch->isRunning());
    EXPECT_FALSE(dlg.dlgTableHolders->isVisible());
    EXPECT_FALSE(dlg.Timer1->Enabled());
}

// A synthetic user's row as the connected users grid shows it, tab-separated.
QString syntheticLine(int i)
{
    return QStringLiteral("WS%1\tuser%2\t\tWarenwirtschaft.exe\t127.0.%3.%4\t%5\t%6\t\n")
        .arg(i, 5, 10, QLatin1Char('0'))
        .arg(i)
        .arg(1 + i / 250)
        .arg(1 + i % 250)
        .arg(i % 97)
        .arg(20000 + i);
}

TEST_F(MonitorToolsTest, CtrlCCopiesThePickedRowsOrTheCurrentRow)
{
    server->control(R"({"syntheticUsers":30})");
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    dlg.show();
    connectTo(dlg);
    DBGrid *grid = dlg.wwDBGrid2;
    const auto clipboard = [] { return QGuiApplication::clipboard()->text(); };
    const auto copy = [&] {
        QGuiApplication::clipboard()->clear();
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        return clipboard();
    };
    const QString title = QStringLiteral("Clienc PC Name\tOS User Login Name\tDictionary User\t"
                                         "Application\tAddress\tAverageCost\tConnNumber\t"
                                         "TSAddress\n");
    const int count = dlg.qCnctUsers->RecordCount();
    const auto line = [count](int recNo) { return syntheticLine(recNo - (count - 30) - 1); };

    // Nothing picked: the current row.
    QTest::keyClick(grid, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(copy(), title + line(count));

    // Picked with Shift and the arrows, then Ctrl and the mouse.
    QTest::keyClick(grid, Qt::Key_Up, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(copy(), title + line(count - 2) + line(count - 1) + line(count));
    const int first = dlg.qCnctUsers->RecNo() - dlg.qCnctUsers->ActiveRecord();
    const auto rowCentre = [grid](int row) {
        return QPoint(DBGrid::IndicatorWidth + 10,
                      grid->titleHeight() + row * grid->rowHeight() + grid->rowHeight() / 2);
    };
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, rowCentre(1));
    EXPECT_TRUE(grid->selection().isEmpty());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(4));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, rowCentre(0));
    EXPECT_EQ(copy(), title + line(first) + line(first + 4));

    // All, far past the rows the grid holds: the cursor stays, and no user's tables are
    // asked for on the way.
    const int recNo = dlg.qCnctUsers->RecNo();
    const int tables = executions(QStringLiteral("sp_mgGetUserTables")).size();
    QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
    const QString all = copy();
    EXPECT_EQ(all.count(QLatin1Char('\n')), count + 1);
    EXPECT_TRUE(all.startsWith(title));
    for (int i = 0; i < 30; ++i)
        EXPECT_TRUE(all.contains(syntheticLine(i))) << i;
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), recNo);
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).size(), tables);

    // The context menu: the copies, then the grid's own entries.
    QTest::keyClick(grid, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_TRUE(grid->selection().isEmpty());
    const std::unique_ptr<QMenu> menu(grid->createContextMenu(grid));
    QStringList entries;
    for (const QAction *action : menu->actions())
        entries.append(action->text());
    EXPECT_EQ(entries,
              QStringList({QStringLiteral("Zeile kopieren"), QStringLiteral("Alle Zeilen kopieren"),
                           QString(), QStringLiteral("Schnappschuss speichern…")}));
    menu->actions()[1]->trigger();
    EXPECT_EQ(clipboard(), all);
    const std::unique_ptr<QMenu> tablesMenu(dlg.wwDBGrid3->createContextMenu(grid));
    EXPECT_EQ(tablesMenu->actions().value(3)->text(),
              QStringLiteral("Wer hat diese Tabelle geöffnet?"));
}

TEST_F(MonitorToolsTest, TheSnapshotHoldsAllFourResultsAndReadsBackAsJson)
{
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    dlg.show();
    connectTo(dlg);
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Down);
    const int recNo = dlg.qCnctUsers->RecNo();
    const QString user = text(*dlg.qCnctUsers, "UserName") + QLatin1Char('\\') +
                         text(*dlg.qCnctUsers, "OSUserLoginName");
    const QStringList procedures = {
        QStringLiteral("sp_mgGetUsageInfo"), QStringLiteral("sp_mgGetInstallInfo"),
        QStringLiteral("sp_mgGetConnectedUsers"), QStringLiteral("sp_mgGetUserTables")};
    QList<int> before;
    for (const QString &procedure : procedures)
        before.append(executions(procedure).size());

    const QTemporaryDir folder;
    QString chosen;
    dlg.chooseSnapshotFile = [&chosen] { return chosen; };
    chosen = folder.filePath(QStringLiteral("abend.txt"));
    dlg.btnSnapshot->click();
    chosen = folder.filePath(QStringLiteral("abend.JSON"));
    dlg.btnSnapshot->click();
    chosen.clear(); // the file dialog cancelled: nothing saved
    dlg.btnSnapshot->click();

    // What the window shows stays; nothing was asked of the server.
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), recNo);
    for (int i = 0; i < procedures.size(); ++i)
        EXPECT_EQ(executions(procedures[i]).size(), before[i]) << procedures[i].toStdString();

    QFile textFile(folder.filePath(QStringLiteral("abend.txt")));
    ASSERT_TRUE(textFile.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(textFile.readAll()).split(QLatin1Char('\n'));
    EXPECT_EQ(lines.value(0), QStringLiteral("Quellmark: Schnappschuss des Monitors"));
    EXPECT_EQ(lines.value(1), QStringLiteral("Server: ") + dlg.AdsConnect->ConnectPath());
    const QStringList headings = lines.filter(QRegularExpression(QStringLiteral("^== ")));
    ASSERT_EQ(headings.size(), 4);
    EXPECT_EQ(headings[0], QStringLiteral("== sp_mgGetUsageInfo (7 Zeilen) =="));
    EXPECT_EQ(headings[1], QStringLiteral("== sp_mgGetInstallInfo (1 Zeile) =="));
    EXPECT_TRUE(headings[3].startsWith(QStringLiteral("== sp_mgGetUserTables('%1')").arg(user)));
    // Aligned: the second column starts at the same place on every line of a block.
    const qsizetype usage = lines.indexOf(headings[0]);
    const qsizetype column = lines[usage + 1].indexOf(QStringLiteral("InUse"));
    ASSERT_GT(column, 0);
    EXPECT_TRUE(lines[usage + 2].mid(column - 2, 3).startsWith(QStringLiteral("  -")));
    for (int row = 0; row < 7; ++row) {
        const QString &line = lines[usage + 3 + row];
        EXPECT_EQ(line.mid(column - 2, 2), QStringLiteral("  ")) << line.toStdString();
        EXPECT_NE(line[column], QLatin1Char(' ')) << line.toStdString();
    }

    QFile jsonFile(folder.filePath(QStringLiteral("abend.JSON")));
    ASSERT_TRUE(jsonFile.open(QIODevice::ReadOnly));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(jsonFile.readAll(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonObject root = document.object();
    EXPECT_EQ(root.value(QStringLiteral("server")).toString(), dlg.AdsConnect->ConnectPath());
    EXPECT_TRUE(QDateTime::fromString(root.value(QStringLiteral("time")).toString(), Qt::ISODate)
                    .isValid());
    const QJsonArray results = root.value(QStringLiteral("results")).toArray();
    ASSERT_EQ(results.size(), 4);
    TAdsQuery *queries[] = {dlg.qUsageInfo, dlg.qInstallInfo, dlg.qCnctUsers, dlg.qUserTables};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const QJsonObject result = results[i].toObject();
        EXPECT_TRUE(result.value(QStringLiteral("result")).toString().startsWith(procedures[i]));
        // Every field the server sent, also those no grid shows.
        QStringList fields;
        for (const auto &field : queries[i]->Fields())
            fields.append(field->FieldName);
        QStringList columns;
        for (const QJsonValue &name : result.value(QStringLiteral("columns")).toArray())
            columns.append(name.toString());
        EXPECT_EQ(columns, fields);
        const QJsonArray rows = result.value(QStringLiteral("rows")).toArray();
        EXPECT_EQ(rows.size(), queries[i]->RecordCount());
        EXPECT_EQ(result.value(QStringLiteral("rowCount")).toInt(), rows.size());
        for (const QJsonValue &row : rows)
            EXPECT_EQ(row.toArray().size(), fields.size());
    }
    EXPECT_TRUE(results[2]
                    .toObject()
                    .value(QStringLiteral("columns"))
                    .toArray()
                    .contains(QStringLiteral("LoginTime")));
    const QJsonArray usageRows = results[0].toObject().value(QStringLiteral("rows")).toArray();
    EXPECT_EQ(usageRows[0].toArray()[0].toString(), QStringLiteral("Users"));
    // A null stays null: the stand-in sends no evaluation expiry date.
    const QJsonArray install = results[1].toObject().value(QStringLiteral("rows")).toArray();
    EXPECT_TRUE(install[0].toArray()[8].isNull());
    EXPECT_EQ(install[0].toArray()[0].toString(),
              QStringLiteral("Müller & Söhne Datentechnik GmbH"));
}

TEST_F(MonitorToolsTest, TheConnectPathOffersTheServersDiscoveryFound)
{
    const StandinServer first({QStringLiteral("127.0.0.52:6262")},
                              R"({"name":"EINS","shares":["daten"]})");
    const StandinServer second({QStringLiteral("127.0.0.53:2001")},
                               R"({"name":"ZWEI","shares":["lager"]})");
    FakePlatform places;
    places.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.52\\daten"));
    places.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.53\\lager"));
    // Nobody listens there: not offered. The same path twice: offered once.
    places.addDrive(QLatin1Char('H'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.54\\tot"));
    places.addDrive(QLatin1Char('I'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.52\\daten"));
    TForm1 form(places);
    ASSERT_TRUE(waitForDiscovery(form));

    QStringList offered;
    QStringList matching;
    bool popupShown = false;
    QString picked;
    bool connected = false;
    QTimer::singleShot(0, [&] {
        TdlgRemoteInfo *dlg = dlgRemoteInfo;
        if (!dlg)
            return;
        const auto close = qScopeGuard([dlg] { dlg->reject(); });
        QCompleter *completer = dlg->cmpKnownServers;
        offered = static_cast<QStringListModel *>(completer->model())->stringList();
        // Typing still works, and narrows what is offered.
        dlg->edConnectPath->clear();
        QTest::keyClicks(dlg->edConnectPath, QStringLiteral("lag"));
        for (int i = 0; i < completer->completionCount(); ++i) {
            completer->setCurrentRow(i);
            matching.append(completer->currentCompletion());
        }
        // The drop-down offers all; picking one connects at the port discovery found.
        dlg->actKnownServers->trigger();
        QAbstractItemView *popup = completer->popup();
        popupShown = popup->isVisible();
        popup->setCurrentIndex(completer->completionModel()->index(1, 0));
        QTest::keyClick(popup, Qt::Key_Return);
        picked = dlg->edConnectPath->text();
        connected = dlg->AdsConnect->IsConnected();
    });
    AnsweredBoxes watcher;
    form.fcShapeBtn1->click();
    EXPECT_TRUE(watcher.boxes.isEmpty());
    EXPECT_EQ(offered, QStringList({QStringLiteral("\\\\127.0.0.52\\daten"),
                                    QStringLiteral("\\\\127.0.0.53\\lager")}));
    EXPECT_EQ(matching, QStringList{QStringLiteral("\\\\127.0.0.53\\lager")});
    EXPECT_TRUE(popupShown);
    EXPECT_EQ(picked, QStringLiteral("\\\\127.0.0.53:2001\\lager"));
    EXPECT_TRUE(connected);
    delete dlgRemoteInfo;
}

TEST_F(MonitorToolsTest, TheHistoryFillsOverRefreshesAndKeepsTheLastHour)
{
    ManualClock clock; // outlives the window's timer
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    dlg.resize(840, 491);
    dlg.show();
    EXPECT_EQ(dlg.PageControl1->tabText(3), QStringLiteral("Verlauf"));
    EXPECT_TRUE(dlg.history().isEmpty());
    dlg.wwDBSpinEdit1->setText(QStringLiteral("600"));
    connectTo(dlg);
    EXPECT_EQ(dlg.history().users().points.size(), 1u);

    // Ten minutes apart, for 80 minutes: the samples of the last hour stay, its first
    // included.
    for (int tick = 0; tick < 8; ++tick)
        clock.advance(600000);
    const UsageHistory &history = dlg.history();
    EXPECT_EQ(history.users().points.size(), 7u);
    EXPECT_EQ(history.firstMs(), clock.now() - UsageHistory::KeptMs);
    EXPECT_EQ(history.lastMs(), clock.now());
    EXPECT_EQ(history.users().points.back().value, dlg.qCnctUsers->RecordCount());
    ASSERT_EQ(history.resources().size(), dlg.qUsageInfo->RecordCount());
    for (const UsageHistory::Series &series : history.resources())
        EXPECT_EQ(series.points.size(), 7u) << series.name.toStdString();
    EXPECT_EQ(history.resources()[1].name, QStringLiteral("Connections"));
    EXPECT_EQ(QString::number(history.resources()[1].points.back().value),
              dlg.wwDBGrid1->cellText(1, 1));

    // Drawn: the users' line in its colour.
    dlg.PageControl1->setCurrentIndex(3);
    QCoreApplication::processEvents();
    const QImage chart = dlg.chHistory->grab().toImage();
    bool drawn = false;
    for (int y = 0; y < chart.height() && !drawn; ++y)
        for (int x = 0; x < chart.width() && !drawn; ++x)
            drawn = QColor(chart.pixel(x, y)) == HistoryChart::lineColour(0);
    EXPECT_TRUE(drawn);

    // Another server starts afresh.
    connectTo(dlg);
    EXPECT_EQ(dlg.history().users().points.size(), 1u);
}

// A search at a peer whose users hold tables no server of ours names: table names of a
// mebibyte, more than a copy reads. What the search keeps and its window shows stays within
// what a copy and the snapshot read, and the window says what was left out.
TEST(TableHolderSearchLimits, KeepsNoMoreThanACopyReadsAndSaysWhatItLeftOut)
{
    const QByteArray mebibyte = "artikel" + QByteArray(1024 * 1024 - 4 - 7, 'x');
    QList<QByteArray> manyNames;
    for (int i = 0; i < 50001; ++i)
        manyNames.append("artikel" + QByteArray::number(i) + ".adt");
    const QLocale locale;
    const QString limits = locale.toString(ReadOutLimits::Rows) + QStringLiteral(" Zeilen oder ") +
                           locale.toString(ReadOutLimits::Characters) + QStringLiteral(" Zeichen");
    const QString firstOnly = QStringLiteral(" – gezeigt werden die ersten %1: mehr als ") +
                              limits + QStringLiteral(" hält die Liste nicht");
    const struct {
        const char *shows;
        QList<QByteArray> tables; // of each user
        int users;
        qint64 found;
        int readInPart;
        QString says;
    } cases[] = {
        {"names of a mebibyte: the first holders as far as the characters go",
         {mebibyte},
         40,
         40,
         0,
         QStringLiteral("40 Treffer bei 40 Benutzern") + firstOnly.arg(31)},
        {"one user's names beyond the characters: read only that far",
         QList<QByteArray>(40, mebibyte), 1, 33, 1,
         QStringLiteral("33 Treffer bei 1 Benutzern") + firstOnly.arg(31) +
             QStringLiteral(" – von 1 Benutzern nur die ersten %1 gelesen")
                 .arg(locale.toString(ReadOutLimits::Rows) + QStringLiteral(" Tabellen oder ") +
                      locale.toString(ReadOutLimits::Characters) + QStringLiteral(" Zeichen"))},
        {"more holders than rows", manyNames, 2, 100002, 0,
         QStringLiteral("%1 Treffer bei 2 Benutzern").arg(locale.toString(100002)) +
             firstOnly.arg(locale.toString(ReadOutLimits::Rows))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        ScriptedServer peer(holdingTables(c.tables));
        QWidget window;
        TAdsConnection connection(&window);
        connection.setConnectPath(peer.connectPath());
        connection.Connect();
        TableHolderSearch search(&connection);
        TableHoldersDialog dialog(search, &window);
        dialog.show();
        QList<UserIdentity> users;
        for (int i = 0; i < c.users; ++i)
            users.append({QStringLiteral("WS%1").arg(i), QStringLiteral("user%1").arg(i),
                          QStringLiteral("App.exe")});
        search.start(QStringLiteral("ARTIKEL"), users);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !search.isRunning(); }, 60000));

        EXPECT_EQ(search.found(), c.found);
        EXPECT_EQ(search.usersReadInPart(), c.readInPart);
        qsizetype characters = 0;
        for (const TableHolderSearch::Holder &holder : search.holders())
            characters += holder.computer.size() + holder.login.size() + holder.application.size() +
                          holder.lockType.size() + holder.table.size();
        EXPECT_LE(search.holders().size(), ReadOutLimits::Rows);
        EXPECT_LE(characters, ReadOutLimits::Characters);
        EXPECT_LT(search.holders().size(), c.found);
        EXPECT_EQ(dialog.lblStatus->text(), c.says);
        ASSERT_EQ(dialog.tblHolders->rowCount(), search.holders().size());
        EXPECT_LE(dialog.tblHolders->shownText(0, 4).size(), CellText::Characters);
        // A copy takes the whole name.
        dialog.tblHolders->setCurrentIndex(dialog.tblHolders->model()->index(0, 0));
        EXPECT_TRUE(dialog.tblHolders->selectedRowsText().contains(search.holders()[0].table));
        connection.Disconnect();
    }
}

} // namespace
