// The data-aware grid when the engine fails under it: no exception crosses Qt's event
// loop; each failure reaches the failure display.

#include "AnsweredBoxes.h"
#include "DBGrid.h"
#include "GridChanges.h"
#include "StandinServer.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QCoreApplication>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(DBGrid, EngineFailuresInResizeScrollAndKeysReachTheFailureDisplay)
{
    StandinServer server({QStringLiteral("127.0.0.1:0")}, R"({"faults":{"syntheticUsers":30000}})");
    AnsweredBoxes boxes;

    QWidget window;
    TAdsConnection connection(&window);
    connection.setConnectPath(server.connectPath(QStringLiteral("daten")));
    TAdsQuery query(&window);
    query.setObjectName(QStringLiteral("qCnctUsers"));
    query.setAdsConnection(&connection);
    query.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetConnectedUsers();")});
    TDataSource source(&window);
    source.setDataSet(&query);
    DBGrid grid(&window);
    grid.setDataSource(&source);
    grid.resize(400, 150);
    window.show();
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
    window.close();
}

} // namespace

namespace {

TEST(GridChanges, NumberChangesKeepTheDecimalsShown)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const struct {
        const QLocale &locale;
        const char *before, *now, *change;
    } cases[] = {
        {english, "3", "6", "+3"},        {english, "12", "4", "-8"},
        {german, "12,5", "12", "-0,5"},   {german, "1,75", "1,25", "-0,50"},
        {german, "1.234", "1.236", "+2"},                               // group separators
        {english, "0.10", "0.10", ""},    {english, "0.1", "0.10", ""}, // written differently
        {english, "abc", "3", ""},        {english, "3", "", ""},
        {english, "1e308", "-1e308", ""}, // the change overflows
    };
    for (const auto &c : cases)
        EXPECT_EQ(GridChanges::numberChange(QString::fromUtf8(c.before), QString::fromUtf8(c.now),
                                            c.locale),
                  QString::fromUtf8(c.change))
            << c.before << " -> " << c.now;
}

} // namespace
