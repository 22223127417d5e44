// Every function without a mouse: the real windows (offscreen) driven by key events alone,
// each key going where the keyboard goes, against a stand-in server at the first probe port
// of an address of this suite's own.

#include "AnsweredBoxes.h"
#include "DBGrid.h"
#include "DetailsDialog.h"
#include "DiscoveryWait.h"
#include "FakePlatform.h"
#include "Keyboard.h"
#include "LoginDialog.h"
#include "ManualClock.h"
#include "MonitorFixture.h"
#include "OverviewRows.h"
#include "QtPrinters.h"
#include "ServerOverview.h"
#include "ShapeButton.h"
#include "SpinEdit.h"
#include "TableHoldersDialog.h"
#include "TextTable.h"
#include "Timer.h"
#include "adscnnct.h"
#include "adstable.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QString Path = QStringLiteral("\\\\127.0.0.91\\daten");

struct AtTheirOwnAddress {
    static QStringList listen() { return {QStringLiteral("127.0.0.91:6262")}; }
    static QByteArray scenario() { return R"({"name":"TASTEN","shares":["daten"]})"; }
    static QString path() { return Path; }
};

class KeyboardTest : public MonitorFixture<AtTheirOwnAddress> {
protected:
    KeyboardTest()
    {
        platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, Path);
        platform.addHost("127.0.0.91", {{127, 0, 0, 91}});
        platform.setExecutablePath(dir.filePath(QStringLiteral("Quellmark")));
    }
    ~KeyboardTest() override { QGuiApplication::clipboard()->clear(); }

    // The controls the focus visits, from where it is, with count presses of the key.
    static QList<QWidget *> focusWalk(Qt::Key key, int count,
                                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QList<QWidget *> visited{focused()};
        for (int i = 0; i < count; ++i) {
            press(key, modifiers);
            visited.append(focused());
        }
        return visited;
    }

    QTemporaryDir dir;
};

TEST_F(KeyboardTest, MainWindowTabsThroughItsControlsAndEveryCommandRunsByKey)
{
    TForm1 form(platform);
    ASSERT_TRUE(showActive(form));
    ASSERT_TRUE(waitForDiscovery(form));

    const QList<QWidget *> order{form.cmbDrives,   form.wwDBEdit1,   form.Memo1,
                                 form.fcShapeBtn1, form.fcShapeBtn2, form.cmbDrives};
    EXPECT_EQ(focusWalk(Qt::Key_Tab, 5), order);
    EXPECT_EQ(focusWalk(Qt::Key_Backtab, 5), QList<QWidget *>(order.rbegin(), order.rend()));

    // The preview's menu by the Menu key, "Details…" picked from it by keys.
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    ASSERT_EQ(focused(), form.Memo1);
    const KeyMenu preview = menuByKey(Qt::Key_Menu, Qt::NoModifier, QStringLiteral("Details…"));
    EXPECT_TRUE(preview.opened);
    auto *details = form.findChild<DetailsDialog *>();
    ASSERT_NE(details, nullptr);
    ASSERT_TRUE(becomesActive(*details));
    EXPECT_EQ(focused(), details->tblDetails);
    // The table's copy entries by Shift+F10; Escape closes the dialog.
    const KeyMenu copy =
        menuByKey(Qt::Key_F10, Qt::ShiftModifier, QStringLiteral("Alle Zeilen kopieren"));
    EXPECT_EQ(copy.entries, QStringList({QStringLiteral("Zeile kopieren"),
                                         QStringLiteral("Alle Zeilen kopieren")}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), details->tblDetails->allRowsText());
    press(Qt::Key_Escape);
    EXPECT_FALSE(details->isVisible());

    // "ADS.INI aktualisieren" by Space.
    ASSERT_TRUE(showActive(form));
    form.Memo1->setFocus();
    ASSERT_EQ(focusWalk(Qt::Key_Tab, 2).last(), form.fcShapeBtn2);
    {
        AnsweredBoxes boxes;
        press(Qt::Key_Space);
        ASSERT_EQ(boxes.boxes.size(), 1);
        EXPECT_EQ(boxes.boxes[0].caption, QStringLiteral("Informationen"));
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("ADS.INI"))));

    // "ADS Remote Check" by Enter opens the monitor, and Escape closes it again.
    press(Qt::Key_Backtab);
    ASSERT_EQ(focused(), form.fcShapeBtn1);
    bool shown = false;
    const auto monitor =
        whenReady([] { return dlgRemoteInfo && QApplication::activeWindow() == dlgRemoteInfo; },
                  [&] {
                      shown = true;
                      press(Qt::Key_Escape);
                  });
    AnsweredBoxes none;
    press(Qt::Key_Return);
    EXPECT_TRUE(none.boxes.isEmpty());
    EXPECT_TRUE(shown);
    ASSERT_TRUE(dlgRemoteInfo);
    EXPECT_FALSE(dlgRemoteInfo->isVisible());
    EXPECT_FALSE(dlgRemoteInfo->AdsConnect->IsConnected());
    delete dlgRemoteInfo;
}

TEST_F(KeyboardTest, MonitorsPanelTabsInTheOrderItStandsAndItsButtonsRunByKey)
{
    ManualClock clock; // outlives the window's timer; no tick comes unasked
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    ASSERT_TRUE(showActive(dlg));
    EXPECT_EQ(focused(), dlg.edConnectPath);
    EXPECT_EQ(
        focusWalk(Qt::Key_Tab, 6),
        QList<QWidget *>({dlg.edConnectPath, dlg.wwDBSpinEdit1, dlg.fcShapeBtn1,
                          dlg.btnTableHolders, dlg.btnSnapshot, dlg.PageControl1, dlg.wwDBGrid1}));

    // The period by the arrow keys, as by the spin edit's buttons.
    dlg.edConnectPath->setFocus();
    press(Qt::Key_Tab);
    press(Qt::Key_Up);
    EXPECT_EQ(dlg.wwDBSpinEdit1->text(), QStringLiteral("4"));
    EXPECT_EQ(dlg.Timer1->Interval(), 4000);
    press(Qt::Key_Down);
    press(Qt::Key_Down);
    EXPECT_EQ(dlg.wwDBSpinEdit1->text(), QStringLiteral("2"));
    EXPECT_EQ(dlg.Timer1->Interval(), 2000);

    // "Refresh" by Space, "Schnappschuss speichern…" by Enter, the search's window by Space.
    press(Qt::Key_Tab);
    const auto usage = [] { return executions(QStringLiteral("sp_mgGetUsageInfo")).size(); };
    const auto before = usage();
    press(Qt::Key_Space);
    EXPECT_EQ(usage(), before + 1);
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    ASSERT_EQ(focused(), dlg.btnSnapshot);
    const QString snapshot = dir.filePath(QStringLiteral("monitor.txt"));
    dlg.chooseSnapshotFile = [&snapshot] { return snapshot; };
    press(Qt::Key_Return);
    EXPECT_TRUE(QFile::exists(snapshot));
    press(Qt::Key_Backtab);
    press(Qt::Key_Space);
    ASSERT_TRUE(becomesActive(*dlg.dlgTableHolders));
    EXPECT_EQ(focused(), dlg.dlgTableHolders->edTableName);
    press(Qt::Key_Escape);
    EXPECT_FALSE(dlg.dlgTableHolders->isVisible());

    // The discovered servers' list by Alt+Down in the connect path.
    ASSERT_TRUE(showActive(dlg));
    dlg.setKnownServers({{Path, 6262}});
    dlg.edConnectPath->setFocus();
    press(Qt::Key_Down, Qt::AltModifier);
    EXPECT_TRUE(dlg.cmpKnownServers->popup()->isVisible());
    press(Qt::Key_Escape);
    EXPECT_FALSE(dlg.cmpKnownServers->popup()->isVisible());
    EXPECT_TRUE(dlg.isVisible());
    // The offscreen platform leaves the keyboard with the closed list's window, where a
    // desktop gives it back to the window below.
    ASSERT_TRUE(showActive(dlg));
    press(Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
}

TEST_F(KeyboardTest, GridsMoveByKeysShowTheFocusAndOpenTheirMenusByKey)
{
    server->control(R"({"syntheticUsers":60})");
    ManualClock clock;
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    ASSERT_TRUE(showActive(dlg));
    // To the users' tab: the tab strip takes the arrow keys, Tab goes on into the page.
    for (int i = 0; i < 10 && focused() != dlg.PageControl1; ++i)
        press(Qt::Key_Tab);
    ASSERT_EQ(focused(), dlg.PageControl1);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    ASSERT_EQ(dlg.PageControl1->currentWidget(), dlg.TabSheet3);
    press(Qt::Key_Tab);
    DBGrid &grid = *dlg.wwDBGrid2;
    ASSERT_EQ(focused(), &grid);
    TAdsQuery &users = *dlg.qCnctUsers;
    const int count = users.RecordCount();
    const int page = grid.visibleRowCount();
    ASSERT_GT(count, 2 * page);
    const int columns = int(grid.columns().size());

    const struct {
        const char *keys;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int record;
        int column;
    } moves[] = {
        {"Down", Qt::Key_Down, {}, 2, 0},
        {"Right", Qt::Key_Right, {}, 2, 1},
        {"End", Qt::Key_End, {}, 2, columns - 1},
        {"Right at the last column", Qt::Key_Right, {}, 2, columns - 1},
        {"Left", Qt::Key_Left, {}, 2, columns - 2},
        {"Home", Qt::Key_Home, {}, 2, 0},
        {"Left at the first column", Qt::Key_Left, {}, 2, 0},
        {"Page Down", Qt::Key_PageDown, {}, 2 + page, 0},
        {"Page Up", Qt::Key_PageUp, {}, 2, 0},
        {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, count, 0},
        {"Down at the last row", Qt::Key_Down, {}, count, 0},
        {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, 1, 0},
        {"Up at the first row", Qt::Key_Up, {}, 1, 0},
    };
    for (const auto &move : moves) {
        SCOPED_TRACE(move.keys);
        press(move.key, move.modifiers);
        EXPECT_EQ(users.RecNo(), move.record);
        EXPECT_EQ(grid.currentColumn(), move.column);
        EXPECT_EQ(grid.currentRow(), users.ActiveRecord());
    }
    // The last column, scrolled into view.
    press(Qt::Key_End);
    EXPECT_TRUE(grid.viewport()->rect().contains(grid.cellRect(0, columns - 1)));
    press(Qt::Key_Home);
    EXPECT_TRUE(grid.viewport()->rect().contains(grid.cellRect(0, 0)));

    // The focus shows: with it the grid looks otherwise than without it.
    const QImage withFocus = grid.viewport()->grab().toImage();
    grid.clearFocus();
    const QImage withoutFocus = grid.viewport()->grab().toImage();
    EXPECT_NE(withFocus, withoutFocus);
    grid.setFocus();

    // The copy entries by the Menu key, at the current cell.
    press(Qt::Key_Down);
    const QString row = grid.selectedRowsText();
    const KeyMenu menu = menuByKey(Qt::Key_Menu, Qt::NoModifier, QStringLiteral("Zeile kopieren"));
    EXPECT_EQ(menu.entries,
              QStringList({QStringLiteral("Zeile kopieren"), QStringLiteral("Alle Zeilen kopieren"),
                           dlg.actSnapshot->text()}));
    const QRect cell = grid.cellRect(grid.currentRow(), grid.currentColumn());
    EXPECT_EQ(menu.at, grid.viewport()->mapToGlobal(cell.center()));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), row);

    // "Wer hat diese Tabelle geöffnet?" by Shift+F10 in the user's tables.
    while (dlg.qUserTables->IsEmpty() && !users.Eof())
        press(Qt::Key_Down);
    ASSERT_FALSE(dlg.qUserTables->IsEmpty());
    press(Qt::Key_Tab);
    ASSERT_EQ(focused(), dlg.wwDBGrid3);
    const QString table = dlg.qUserTables->FieldByName(QStringLiteral("TableName"))->AsString();
    const KeyMenu tables = menuByKey(Qt::Key_F10, Qt::ShiftModifier, TableHoldersDialog::title());
    EXPECT_TRUE(tables.entries.contains(TableHoldersDialog::title()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.HolderSearch->isRunning(); }));
    EXPECT_TRUE(dlg.dlgTableHolders->isVisible());
    EXPECT_EQ(dlg.dlgTableHolders->edTableName->text(), table);
    EXPECT_GE(dlg.HolderSearch->found(), 1);
}

// Tab goes through each dialog's controls in the order they stand and comes round again; a
// table's Tab is the dialog's, not a step to the next cell, or the buttons below it could
// not be reached.
TEST_F(KeyboardTest, DialogsTabThroughTheirControlsInTheOrderTheyStand)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    DetailsDialog *details = form.showDetails();
    ASSERT_TRUE(becomesActive(*details));
    const QList<QWidget *> detailsOrder{details->tblDetails, details->btnCopy, details->btnClose,
                                        details->tblDetails};
    EXPECT_EQ(focusWalk(Qt::Key_Tab, 3), detailsOrder);
    EXPECT_EQ(focusWalk(Qt::Key_Backtab, 3),
              QList<QWidget *>(detailsOrder.rbegin(), detailsOrder.rend()));
    press(Qt::Key_Escape);

    ManualClock clock;
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    dlg.findTableHolders(QStringLiteral("adt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.HolderSearch->isRunning(); }));
    TableHoldersDialog &holders = *dlg.dlgTableHolders;
    ASSERT_TRUE(showActive(holders));
    holders.edTableName->setFocus();
    // "Abbrechen" is there while a search runs, and the progress bar takes no focus.
    EXPECT_EQ(focusWalk(Qt::Key_Tab, 3),
              QList<QWidget *>({holders.edTableName, holders.btnSearch, holders.tblHolders,
                                holders.edTableName}));
    press(Qt::Key_Escape);

    LoginDialog login(QStringLiteral("dd"), QString());
    ASSERT_TRUE(showActive(login));
    QList<QPushButton *> buttons = login.findChildren<QPushButton *>();
    ASSERT_EQ(buttons.size(), 2);
    std::sort(buttons.begin(), buttons.end(), [](const QPushButton *a, const QPushButton *b) {
        return a->mapToGlobal(QPoint()).x() < b->mapToGlobal(QPoint()).x();
    });
    EXPECT_EQ(focusWalk(Qt::Key_Tab, 4),
              QList<QWidget *>(
                  {login.userEdit, login.passwordEdit, buttons[0], buttons[1], login.userEdit}));
}

// "Alle Server…" by keys alone: Tab through the period, the table and the buttons; Enter on a
// row asks for the monitor as a double-click does; the Menu key copies; Escape closes.
TEST_F(KeyboardTest, AllServersByKeys)
{
    ServerOverview overview;
    const PolledServer here{QStringLiteral("127.0.0.91"),
                            QStringLiteral("127.0.0.91"),
                            server->port(),
                            true,
                            Path,
                            QStringLiteral("\\\\127.0.0.91:%1\\daten").arg(server->port())};
    overview.setServers({here});
    ASSERT_TRUE(showActive(overview));
    overview.edPeriod->lineEdit()->setFocus();
    EXPECT_EQ(focusWalk(Qt::Key_Tab, 4),
              QList<QWidget *>({overview.edPeriod, overview.tblServers, overview.btnCopy,
                                overview.btnClose, overview.edPeriod}));

    overview.tblServers->setFocus();
    press(Qt::Key_Down);
    EXPECT_EQ(overview.tblServers->currentIndex().row(), 0);
    const KeyMenu menu =
        menuByKey(Qt::Key_Menu, Qt::NoModifier, QStringLiteral("Alle Zeilen kopieren"));
    EXPECT_TRUE(menu.opened);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Server\t")));

    QSignalSpy chosen(&overview, &ServerOverview::serverChosen);
    press(Qt::Key_Return);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0][0].toString(), Path);
    EXPECT_EQ(chosen[0][1].toUInt(), server->port());
    EXPECT_TRUE(overview.isVisible());

    press(Qt::Key_Escape);
    EXPECT_FALSE(overview.isVisible());
}

// The text tables (Details, the search's list of users) move as the grids do, and show where
// the cursor is.
TEST(TextTableKeys, MoveByArrowsPagesHomeAndEndAndShowTheFocus)
{
    TextTable table(
        {QStringLiteral("Computer"), QStringLiteral("Login"), QStringLiteral("Anwendung")});
    QList<QStringList> rows;
    for (int i = 0; i < 100; ++i)
        rows.append({QStringLiteral("WS%1").arg(i), QStringLiteral("user%1").arg(i),
                     QStringLiteral("app.exe")});
    table.setRows(rows);
    table.resize(400, 200);
    ASSERT_TRUE(showActive(table));
    table.setFocus();
    const int page = table.viewport()->height() / table.rowHeight(0);
    ASSERT_GT(page, 2);

    const struct {
        const char *keys;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int row;
        int column;
    } moves[] = {
        {"Down", Qt::Key_Down, {}, 1, 0},
        {"Right", Qt::Key_Right, {}, 1, 1},
        {"End", Qt::Key_End, {}, 1, 2},
        {"Left", Qt::Key_Left, {}, 1, 1},
        {"Home", Qt::Key_Home, {}, 1, 0},
        {"Up", Qt::Key_Up, {}, 0, 0},
        {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, 99, 2},
        {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, 0, 0},
    };
    for (const auto &move : moves) {
        SCOPED_TRACE(move.keys);
        press(move.key, move.modifiers);
        EXPECT_EQ(table.currentIndex().row(), move.row);
        EXPECT_EQ(table.currentIndex().column(), move.column);
    }
    press(Qt::Key_PageDown);
    EXPECT_GE(table.currentIndex().row(), page - 1);
    EXPECT_TRUE(table.viewport()->rect().contains(table.visualRect(table.currentIndex())));
    press(Qt::Key_PageUp);
    EXPECT_EQ(table.currentIndex().row(), 0);
    // The cursor's row is the one picked, so Ctrl+C copies it.
    EXPECT_TRUE(table.selectionModel()->isRowSelected(0, {}));
    EXPECT_EQ(table.selectionModel()->selectedRows().size(), 1);

    const QImage withFocus = table.viewport()->grab().toImage();
    table.clearFocus();
    EXPECT_NE(withFocus, table.viewport()->grab().toImage());
}

// Escape closes every dialog, from whichever control has the focus; in the monitor a grid's
// Escape is the window's.
TEST_F(KeyboardTest, EscapeClosesEveryDialog)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    DetailsDialog *details = form.showDetails();
    ASSERT_TRUE(becomesActive(*details));
    press(Qt::Key_Escape);
    EXPECT_FALSE(details->isVisible());

    ManualClock clock;
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    ASSERT_TRUE(showActive(dlg));
    dlg.PageControl1->setCurrentWidget(dlg.TabSheet1);
    dlg.wwDBGrid1->setFocus();
    press(Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());

    dlg.findTableHolders(QStringLiteral("adt"));
    ASSERT_TRUE(showActive(*dlg.dlgTableHolders));
    dlg.dlgTableHolders->tblHolders->setFocus();
    press(Qt::Key_Escape);
    EXPECT_FALSE(dlg.dlgTableHolders->isVisible());

    bool asked = false;
    const auto login = whenReady(
        [] { return qobject_cast<LoginDialog *>(QApplication::activeWindow()) != nullptr; },
        [&] {
            asked = true;
            press(Qt::Key_Escape);
        });
    QString user = QStringLiteral("adam");
    QString password;
    EXPECT_FALSE(LoginDialog::ask(QStringLiteral("dd"), user, password));
    EXPECT_TRUE(asked);
}

// Enter in the monitor is the monitor's: the search's window, which the monitor owns, has a
// default button of its own that Enter there must not press.
TEST_F(KeyboardTest, EnterInTheMonitorStartsNoSearchInTheSearchWindow)
{
    ManualClock clock;
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    ASSERT_TRUE(showActive(dlg));
    dlg.btnTableHolders->setFocus();
    press(Qt::Key_Space);
    ASSERT_TRUE(becomesActive(*dlg.dlgTableHolders));
    dlg.dlgTableHolders->edTableName->setText(QStringLiteral("adt"));
    ASSERT_TRUE(showActive(dlg));
    dlg.wwDBSpinEdit1->lineEdit()->setFocus();
    const int calls = executions(QStringLiteral("sp_mgGetUserTables")).size();
    press(Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_FALSE(dlg.HolderSearch->isRunning());
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).size(), calls);
}

} // namespace
