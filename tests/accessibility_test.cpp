// The windows as screen readers see them, through Qt's accessibility interfaces in the
// process: every control the focus can reach has a name, the grids are tables whose cells
// say what the grid shows, and status changes reach the window's accessible description.

#include "AnsweredBoxes.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DetailsDialog.h"
#include "DiscoveryWait.h"
#include "FakePlatform.h"
#include "Keyboard.h"
#include "LoginDialog.h"
#include "ManualClock.h"
#include "MonitorFixture.h"
#include "QtPrinters.h"
#include "ServerOverview.h"
#include "ShapeButton.h"
#include "SpinEdit.h"
#include "TableHoldersDialog.h"
#include "TextTable.h"
#include "Timer.h"
#include "adstable.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

const QString Path = QStringLiteral("\\\\127.0.0.92\\daten");

struct AtTheirOwnAddress {
    static QStringList listen() { return {QStringLiteral("127.0.0.92:6262")}; }
    static QByteArray scenario() { return R"({"name":"LESER","shares":["daten"]})"; }
    static QString path() { return Path; }
};

class AccessibilityTest : public MonitorFixture<AtTheirOwnAddress> {
protected:
    AccessibilityTest()
    {
        platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, Path);
        platform.addDrive(QLatin1Char('K'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.93\\tot"));
        platform.addHost("127.0.0.92", {{127, 0, 0, 92}});
        platform.addHost("127.0.0.93", {{127, 0, 0, 93}});
    }

    static QAccessibleInterface *accessible(QObject *object)
    {
        return QAccessible::queryAccessibleInterface(object);
    }
    static QString name(QObject *object) { return accessible(object)->text(QAccessible::Name); }
    static QString description(QObject *object)
    {
        return accessible(object)->text(QAccessible::Description);
    }

    // The controls the focus can reach in the window as it shows now that have no name.
    static QStringList unnamed(QWidget &window)
    {
        QStringList found;
        for (QWidget *widget : window.findChildren<QWidget *>()) {
            if (!(widget->focusPolicy() & Qt::TabFocus) || widget->focusProxy() ||
                !widget->isVisibleTo(&window) || !widget->isEnabled() ||
                widget->window() != &window)
                continue;
            if (name(widget).trimmed().isEmpty())
                found.append(QStringLiteral("%1 (%2)").arg(widget->objectName(),
                                                           widget->metaObject()->className()));
        }
        return found;
    }
};

TEST_F(AccessibilityTest, EveryControlTheFocusReachesHasAName)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    form.show();
    EXPECT_EQ(unnamed(form), QStringList());
    DetailsDialog *details = form.showDetails();
    EXPECT_EQ(unnamed(*details), QStringList());
    ServerOverview *overview = form.showAllServers();
    EXPECT_EQ(unnamed(*overview), QStringList());
    EXPECT_EQ(name(overview->edPeriod->lineEdit()), overview->lblPeriod->text());
    EXPECT_EQ(description(overview->edPeriod->lineEdit()), overview->lblSeconds->text());
    overview->close();

    ManualClock clock;
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    dlg.show();
    for (int tab = 0; tab < dlg.PageControl1->count(); ++tab) {
        SCOPED_TRACE(dlg.PageControl1->tabText(tab).toStdString());
        dlg.PageControl1->setCurrentIndex(tab);
        EXPECT_EQ(unnamed(dlg), QStringList());
    }
    dlg.findTableHolders(QStringLiteral("adt"));
    EXPECT_EQ(unnamed(*dlg.dlgTableHolders), QStringList());
    LoginDialog login(QStringLiteral("dd"), QString());
    login.show();
    EXPECT_EQ(unnamed(login), QStringList());

    // Named after the label beside them; where the label is elsewhere, described too. (On
    // Linux a combo box's name is its text and its label comes by relation.)
    const auto labelledBy = [](QWidget *control) {
        QStringList labels;
        for (const auto &[label, relation] : accessible(control)->relations(QAccessible::Label))
            labels.append(label->text(QAccessible::Name));
        return labels;
    };
    EXPECT_EQ(labelledBy(form.cmbDrives), QStringList{form.Label1->text()});
    EXPECT_EQ(labelledBy(form.wwDBEdit1), QStringList{form.Label2->text()});
    EXPECT_EQ(labelledBy(dlg.installEdits[2]), QStringList{dlg.installLabels[2]->text()});
    const struct {
        QWidget *control;
        QString name;
        QString description;
    } named[] = {
        {form.wwDBEdit1, form.Label2->text(), {}},
        {form.Memo1, form.Label3->text(), {}},
        {form.fcShapeBtn1, form.fcShapeBtn1->text(), {}},
        {dlg.edConnectPath, dlg.Label1->text(), {}},
        {dlg.wwDBSpinEdit1->lineEdit(), dlg.Label14->text(), dlg.Label15->text()},
        {dlg.installEdits[1], QStringLiteral("Serial Number:"), {}},
        {dlg.installEdits[10], QStringLiteral("OEM Character Set:"), {}},
        {dlg.wwDBGrid1, QStringLiteral("Database Information"), description(dlg.wwDBGrid1)},
        {dlg.wwDBGrid2, QStringLiteral("Connected Users"), description(dlg.wwDBGrid2)},
        {dlg.wwDBGrid3, dlg.Label13->text(), {}},
        {dlg.btnTableHolders, dlg.btnTableHolders->text(), TableHoldersDialog::title()},
    };
    for (const auto &control : named) {
        SCOPED_TRACE(control.control->objectName().toStdString());
        EXPECT_EQ(name(control.control), control.name);
        EXPECT_EQ(description(control.control), control.description);
    }
    EXPECT_FALSE(description(dlg.wwDBGrid2).isEmpty());
    EXPECT_EQ(accessible(dlg.wwDBGrid2)->role(), QAccessible::Table);
    EXPECT_EQ(accessible(dlg.fcShapeBtn1)->role(), QAccessible::Button);
}

// What a screen reader reads of a grid is what the grid shows: the titles as column
// headers, the rows in view as cells (the same texts its copy gives), the cursor's cell as
// the focused one.
TEST_F(AccessibilityTest, GridsAreTablesWhoseCellsSayWhatTheGridShows)
{
    ManualClock clock;
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    ASSERT_TRUE(showActive(dlg));
    // A user with open tables, so that the lower grid has rows.
    dlg.PageControl1->setCurrentWidget(dlg.TabSheet3);
    dlg.wwDBGrid2->setFocus();
    while (dlg.qUserTables->IsEmpty() && !dlg.qCnctUsers->Eof())
        press(Qt::Key_Down);
    for (DBGrid *grid : {dlg.wwDBGrid1, dlg.wwDBGrid2, dlg.wwDBGrid3}) {
        SCOPED_TRACE(grid->objectName().toStdString());
        dlg.PageControl1->setCurrentWidget(grid == dlg.wwDBGrid1 ? dlg.TabSheet1 : dlg.TabSheet3);
        QAccessibleTableInterface *table = accessible(grid)->tableInterface();
        ASSERT_NE(table, nullptr);
        // Every row is in view: the copy of all rows is the same table.
        const QStringList lines = grid->allRowsText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_GT(lines.size(), 1);
        ASSERT_EQ(table->rowCount(), lines.size() - 1);
        ASSERT_EQ(table->columnCount(), grid->columns().size());
        for (int row = 0; row < table->rowCount(); ++row) {
            const QStringList cells = lines[row + 1].split(QLatin1Char('\t'));
            for (int column = 0; column < table->columnCount(); ++column) {
                QAccessibleInterface *cell = table->cellAt(row, column);
                ASSERT_NE(cell, nullptr);
                EXPECT_EQ(cell->role(), QAccessible::Cell);
                EXPECT_EQ(cell->text(QAccessible::Name), cells.value(column));
                QAccessibleTableCellInterface *place = cell->tableCellInterface();
                ASSERT_NE(place, nullptr);
                EXPECT_EQ(place->rowIndex(), row);
                EXPECT_EQ(place->columnIndex(), column);
                ASSERT_EQ(place->columnHeaderCells().size(), 1);
                EXPECT_EQ(place->columnHeaderCells()[0]->text(QAccessible::Name),
                          lines[0].split(QLatin1Char('\t')).value(column));
                EXPECT_EQ(place->columnHeaderCells()[0]->role(), QAccessible::ColumnHeader);
            }
        }
        QAccessibleInterface *iface = accessible(grid);
        for (int i = 0; i < iface->childCount(); ++i)
            ASSERT_EQ(iface->indexOfChild(iface->child(i)), i);
        EXPECT_EQ(table->cellAt(table->rowCount(), 0), nullptr);
    }

    // The cursor's cell is the focused one, and a screen reader can move the cursor.
    dlg.PageControl1->setCurrentWidget(dlg.TabSheet3);
    dlg.wwDBGrid2->setFocus();
    press(Qt::Key_Home, Qt::ControlModifier);
    press(Qt::Key_Down);
    press(Qt::Key_Right);
    QAccessibleInterface *users = accessible(dlg.wwDBGrid2);
    QAccessibleInterface *current = users->focusChild();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(current, users->tableInterface()->cellAt(1, 1));
    EXPECT_TRUE(current->state().focused);
    EXPECT_TRUE(current->state().selected);
    EXPECT_EQ(current->text(QAccessible::Name),
              dlg.qCnctUsers->FieldByName(QStringLiteral("OSUserLoginName"))->DisplayText());
    EXPECT_EQ(users->childAt(current->rect().center().x(), current->rect().center().y()), current);
    EXPECT_EQ(users->tableInterface()->selectedRows(), QList<int>{1});
    const int tablesAsked = executions(QStringLiteral("sp_mgGetUserTables")).size();
    EXPECT_TRUE(users->tableInterface()->selectRow(0));
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), 1);
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).size(), tablesAsked + 1);

    // An empty result: no cells, the titles still described.
    server->control(R"({"emptyResults":["sp_mgGetConnectedUsers"]})");
    dlg.Refresh();
    EXPECT_EQ(users->tableInterface()->rowCount(), 0);
    EXPECT_EQ(users->childCount(), users->tableInterface()->columnCount());
    EXPECT_EQ(users->tableInterface()->columnDescription(0), QStringLiteral("Clienc PC Name"));
    EXPECT_EQ(users->focusChild(), nullptr);
}

// The text tables are Qt's own tables to a screen reader; what they read is what the cells
// show, with the titles as headers.
TEST_F(AccessibilityTest, TextTablesReadAsTheyShow)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    DetailsDialog *details = form.showDetails();
    const TextTable &table = *details->tblDetails;
    QAccessibleTableInterface *cells = accessible(details->tblDetails)->tableInterface();
    ASSERT_NE(cells, nullptr);
    ASSERT_GT(table.rowCount(), 0);
    ASSERT_EQ(cells->rowCount(), table.rowCount());
    ASSERT_EQ(cells->columnCount(), table.columnCount());
    for (int row = 0; row < table.rowCount(); ++row)
        for (int column = 0; column < table.columnCount(); ++column) {
            SCOPED_TRACE(testing::Message() << "row " << row << ", column " << column);
            QAccessibleInterface *cell = cells->cellAt(row, column);
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->text(QAccessible::Name), table.shownText(row, column));
            const QList<QAccessibleInterface *> headers =
                cell->tableCellInterface()->columnHeaderCells();
            ASSERT_EQ(headers.size(), 1);
            EXPECT_EQ(headers[0]->text(QAccessible::Name),
                      table.model()->headerData(column, Qt::Horizontal).toString());
        }
}

TEST_F(AccessibilityTest, StatusChangesReachTheWindowsDescription)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(description(&form), QStringLiteral("Suche beendet: 1 von 2 Servern antworten"));

    ManualClock clock;
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    connectTo(dlg);
    dlg.show();
    dlg.findTableHolders(QStringLiteral("adt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg.HolderSearch->isRunning(); }));
    EXPECT_FALSE(dlg.dlgTableHolders->lblStatus->text().isEmpty());
    EXPECT_EQ(description(dlg.dlgTableHolders), dlg.dlgTableHolders->lblStatus->text());

    // A failed refresh, from the button and from the timer.
    server->control(
        R"({"procedureErrors":{"sp_mgGetUsageInfo":{"code":7200,"text":"ERROR 7200: kaputt"}}})");
    const QString failed = QStringLiteral("Refresh failed: qUsageInfo: ERROR 7200: kaputt");
    AnsweredBoxes boxes;
    dlg.fcShapeBtn1->click();
    ASSERT_EQ(boxes.boxes.size(), 1);
    EXPECT_EQ(description(&dlg), failed);
    dlg.setAccessibleDescription(QString());
    dlg.Timer1Timer();
    ASSERT_EQ(boxes.boxes.size(), 2);
    EXPECT_EQ(description(&dlg), failed);
}

} // namespace
