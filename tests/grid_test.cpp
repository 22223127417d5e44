// The data-aware grid: when the engine fails under it, no exception crosses Qt's event
// loop and each failure reaches the failure display; the marks it is given are drawn and
// told where the pointer is. The rows a user picks, and the text table's copies.

#include "AnsweredBoxes.h"
#include "CellText.h"
#include "DBGrid.h"
#include "GridMarks.h"
#include "QtPrinters.h"
#include "RowSelection.h"
#include "StandinServer.h"
#include "TextRows.h"
#include "TextTable.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QAbstractItemModelTester>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSet>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

// A grid over the connected users of a stand-in server, in a window that is shown.
struct UsersGrid {
    UsersGrid(const StandinServer &server, QSize size)
    {
        connection.setConnectPath(server.connectPath(QStringLiteral("daten")));
        query.setObjectName(QStringLiteral("qCnctUsers"));
        query.setAdsConnection(&connection);
        query.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetConnectedUsers();")});
        source.setDataSet(&query);
        grid.setDataSource(&source);
        grid.resize(size);
        window.show();
    }

    QWidget window;
    TAdsConnection connection{&window};
    TAdsQuery query{&window};
    TDataSource source{&window};
    DBGrid grid{&window};
};

TEST(DBGrid, EngineFailuresInResizeScrollAndKeysReachTheFailureDisplay)
{
    // Every answer waits a second: the batch the engine asks for ahead while the grid reads
    // the first one cannot arrive before the server is gone.
    StandinServer server({QStringLiteral("127.0.0.1:0")},
                         R"({"faults":{"syntheticUsers":30000,"delayMs":1000}})");
    AnsweredBoxes boxes;

    UsersGrid users(server, {400, 150});
    TAdsQuery &query = users.query;
    DBGrid &grid = users.grid;
    query.Open();

    // Stand just before the end of the first batch of rows the engine fetched, then lose
    // the server: showing more rows needs the next batch.
    const int batchRows = std::clamp(2 * 1024 * 1024 / query.RecordSize(), 1, 10000);
    ASSERT_LT(batchRows, query.RecordCount());
    query.MoveBy(batchRows - grid.visibleRowCount() - 1);
    ASSERT_EQ(server.terminate(), 0);

    grid.resize(400, 600);
    QCoreApplication::processEvents();
    ASSERT_EQ(boxes.boxes.size(), 1);
    EXPECT_TRUE(boxes.boxes.first().text.startsWith(QStringLiteral("qCnctUsers: ")))
        << boxes.boxes.first().text.toStdString();

    QTest::keyClick(&grid, Qt::Key_PageDown);
    grid.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
    grid.repaint();
    QCoreApplication::processEvents();
    EXPECT_GE(boxes.boxes.size(), 2);
    users.window.close();
}

// Marks the cell at row 1, column 1 red and row 2 in italics; each cell's tooltip names
// the record and the field.
class MarksByPosition : public GridMarks {
public:
    QList<GridMark> rowMarks(const GridRow &row) const override
    {
        QList<GridMark> marks(row.fields.size());
        for (qsizetype i = 0; i < marks.size(); ++i) {
            if (row.bufferIndex == 1 && i == 1)
                marks[i].background = Qt::red;
            marks[i].italic = row.bufferIndex == 2;
        }
        return marks;
    }
    QString toolTip(const TDataSetBase &, int bufferIndex, const TField &field) const override
    {
        return QStringLiteral("%1 %2").arg(bufferIndex).arg(field.FieldName);
    }
};

TEST(DBGrid, DrawsTheMarksItIsGivenAndShowsTheirTooltipsUnderThePointer)
{
    StandinServer server({QStringLiteral("127.0.0.1:0")}, R"({"faults":{"syntheticUsers":5}})");
    UsersGrid users(server, {600, 200});
    TAdsQuery &query = users.query;
    DBGrid &grid = users.grid;
    const MarksByPosition marks;
    grid.setMarks(&marks);
    query.Open();
    QCoreApplication::processEvents();
    ASSERT_GE(query.WindowRecordCount(), 3);
    ASSERT_GE(grid.columns().size(), 2);

    EXPECT_EQ(grid.cellMark(1, 1), (GridMark{Qt::red, false}));
    EXPECT_EQ(grid.cellMark(1, 0), GridMark());
    EXPECT_EQ(grid.cellMark(2, 0), (GridMark{QColor(), true}));
    EXPECT_EQ(grid.cellMark(query.WindowRecordCount(), 0), GridMark()); // past the rows
    // Where text is never drawn: the middle of a cell's first line of pixels.
    const auto topOf = [&grid](int row, int column) {
        int x = DBGrid::IndicatorWidth;
        for (int i = 0; i < column; ++i)
            x += grid.columns()[i].width;
        return QPoint(x + grid.columns()[column].width / 2,
                      grid.titleHeight() + row * grid.rowHeight() + 1);
    };
    const auto colours = [&grid](QPoint from, int lines) {
        const QImage image = grid.viewport()->grab().toImage();
        QSet<QRgb> found;
        for (int y = from.y(); y < from.y() + lines; ++y)
            found.insert(image.pixel(from.x(), y));
        return found;
    };
    EXPECT_EQ(colours(topOf(1, 1), 1), QSet<QRgb>{QColor(Qt::red).rgb()});

    // On the current row the mark is an inset frame in the selection's colour.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, topOf(1, 0) + QPoint(0, 2));
    ASSERT_EQ(query.ActiveRecord(), 1);
    const QSet<QRgb> current = colours(topOf(1, 1), 5);
    EXPECT_TRUE(current.contains(QColor(Qt::red).rgb()));
    EXPECT_TRUE(current.contains(grid.palette().color(QPalette::Highlight).rgb()));

    // The tooltip of the cell under the pointer; none over the titles.
    for (const auto &[row, column] : {std::pair{0, 1}, std::pair{2, 0}}) {
        const QPoint at = topOf(row, column) + QPoint(0, 2);
        QHelpEvent help(QEvent::ToolTip, at, grid.viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(grid.viewport(), &help);
        EXPECT_TRUE(help.isAccepted());
        EXPECT_EQ(QToolTip::text(),
                  QStringLiteral("%1 %2").arg(row).arg(grid.columns()[column].fieldName));
    }
    QHelpEvent onTitle(QEvent::ToolTip, QPoint(topOf(0, 1).x(), 2), QPoint());
    QCoreApplication::sendEvent(grid.viewport(), &onTitle);
    EXPECT_FALSE(onTitle.isAccepted());
    users.window.close();
}

TEST(RowSelection, RangesMergeSplitAndStayInsideTheRecords)
{
    // Steps: "+n" toggles record n, "a-b" sets the range from a to b.
    const struct {
        const char *steps;
        QList<int> records; // of 20 records, at most 6
    } cases[] = {
        {"", {}},
        {"+3", {3}},
        {"+3 +3", {}},
        {"+5 +3 +4", {3, 4, 5}},             // touching singles merge
        {"2-6 +4", {2, 3, 5, 6}},            // dropping one splits the range
        {"2-6 +2 +6", {3, 4, 5}},            // and at either end
        {"6-2", {2, 3, 4, 5, 6}},            // either order
        {"1-3 8-9", {8, 9}},                 // a range replaces what was picked
        {"8-9 +1", {1, 8, 9}},               // a single before a range
        {"-5-2", {1, 2}},                    // nothing before the first record
        {"18-40", {18, 19, 20}},             // nor past the last
        {"1-100000000", {1, 2, 3, 4, 5, 6}}, // many picked, few read
        {"+0 +-1", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.steps);
        RowSelection selection;
        for (const QString &step :
             QString::fromUtf8(c.steps).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            if (step.startsWith(QLatin1Char('+'))) {
                selection.toggle(step.mid(1).toInt());
                continue;
            }
            const qsizetype dash = step.indexOf(QLatin1Char('-'), 1);
            selection.setRange(step.left(dash).toInt(), step.mid(dash + 1).toInt());
        }
        EXPECT_EQ(selection.records(20, 6), c.records);
        EXPECT_EQ(selection.isEmpty(), c.records.isEmpty());
    }

    // The largest record number neither overflows nor merges wrongly.
    RowSelection edge;
    edge.toggle(INT_MAX);
    edge.toggle(INT_MAX - 1);
    edge.toggle(INT_MAX);
    EXPECT_TRUE(edge.contains(INT_MAX - 1));
    EXPECT_FALSE(edge.contains(INT_MAX));
}

TEST(TextTable, CopiesTitlesAndRowsAsTabSeparatedLines)
{
    QWidget window;
    TextTable table({QStringLiteral("Computer"), QStringLiteral("Login")}, &window);
    const QAbstractItemModelTester tester(table.model(),
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
    // A tab or line break inside a value would start another cell or row in a spreadsheet.
    table.setRows({{QStringLiteral("WS07"), QStringLiteral("jdoe")},
                   {QStringLiteral("TS\t01"), QStringLiteral("a\r\nweiß")},
                   {QStringLiteral("LAGER-PC")}});
    window.show();
    const QString title = QStringLiteral("Computer\tLogin\n");
    const QString first = QStringLiteral("WS07\tjdoe\n");
    const QString second = QStringLiteral("TS 01\ta  weiß\n");
    const QString third = QStringLiteral("LAGER-PC\t\n");

    table.selectionModel()->setCurrentIndex(table.model()->index(1, 0),
                                            QItemSelectionModel::NoUpdate);
    table.clearSelection();
    QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), title + second);

    table.selectRow(2);
    table.selectionModel()->select(table.model()->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keyClick(&table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), title + first + third);

    const std::unique_ptr<QMenu> menu(table.createContextMenu(&table));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Zeile kopieren"));
    EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("Alle Zeilen kopieren"));
    menu->actions()[1]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), title + first + second + third);
}

TEST(TextTable, ColumnsFitTextsOnlyAsFarAsCellsShowThemAndCopiesTakeThemWhole)
{
    // A table name of a mebibyte: measured and laid out whole, it took seconds a cell.
    const QString longName = QStringLiteral("artikel") + QString(1024 * 1024, QLatin1Char('x'));
    QWidget window;
    TextTable table({QStringLiteral("Computer"), QStringLiteral("Tabelle")}, &window);
    table.resize(600, 300);
    QList<QStringList> rows;
    for (int i = 0; i < 3; ++i)
        rows.append({QStringLiteral("WS%1").arg(i), longName});
    rows.append({QStringLiteral("LAGER-PC"), QStringLiteral("kurz.adt")});
    table.setRows(rows);
    window.show();
    const int widest = table.fontMetrics().averageCharWidth() * CellText::WidthCharacters;
    for (int c = 0; c < table.columnCount(); ++c) {
        SCOPED_TRACE(c);
        EXPECT_LE(table.columnWidth(c), widest);
        EXPECT_GT(table.columnWidth(c),
                  table.fontMetrics().horizontalAdvance(QStringLiteral("WS")));
    }
    EXPECT_EQ(table.shownText(0, 1).size(), CellText::Characters);
    EXPECT_TRUE(table.shownText(0, 1).endsWith(QChar(0x2026)));
    EXPECT_TRUE(longName.startsWith(table.shownText(0, 1).chopped(1)));
    EXPECT_EQ(table.shownText(int(rows.size()) - 1, 1), QStringLiteral("kurz.adt"));

    table.selectionModel()->setCurrentIndex(table.model()->index(0, 0),
                                            QItemSelectionModel::NoUpdate);
    table.clearSelection();
    EXPECT_TRUE(table.selectedRowsText() ==
                QStringLiteral("Computer\tTabelle\nWS0\t") + longName + QLatin1Char('\n'));
}

TEST(DBGrid, AColumnOfLongTextsFitsOnlyAsFarAsAReadableWidth)
{
    QWidget window;
    TextRows result({QStringLiteral("ResourceName"), QStringLiteral("InUse")},
                    {{QString(1024 * 1024, QLatin1Char('x')), QStringLiteral("1")},
                     {QStringLiteral("Connections"), QStringLiteral("12")}});
    TDataSource source(&window);
    source.setDataSet(&result);
    DBGrid grid(&window);
    grid.setDataSource(&source);
    grid.resize(600, 200);
    window.show();
    result.Open();
    const int widest = grid.fontMetrics().averageCharWidth() * CellText::WidthCharacters;
    ASSERT_EQ(grid.columns().size(), 2);
    EXPECT_EQ(grid.columns()[0].width, widest);
    EXPECT_LT(grid.columns()[1].width, widest);
    EXPECT_EQ(grid.cellText(0, 0).size(), 1024 * 1024) << "the grid's text stays whole";
}

} // namespace
