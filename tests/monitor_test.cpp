// The remote server monitor through its real window (offscreen), the real engine and a
// stand-in server. "ADS Remote Check" always asks port 6262, so these tests hold the lock
// on the probe ports.

#include "AnsweredBoxes.h"
#include "ChangeMarks.h"
#include "DBEdit.h"
#include "DBGrid.h"
#include "DiscoveryWait.h"
#include "EntrySequence.h"
#include "FakePlatform.h"
#include "LayoutCheck.h"
#include "ManualClock.h"
#include "MonitorFixture.h"
#include "QtPrinters.h"
#include "ShapeButton.h"
#include "SpinEdit.h"
#include "StandinServer.h"
#include "Timer.h"
#include "adscnnct.h"
#include "adstable.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTranslator>
#include <gtest/gtest.h>

namespace {

const QString Path = QStringLiteral("\\\\127.0.0.51\\daten");

// The states the window system reports for a window, as it reports them: once a state is
// reported, whatever the change sets off in the window has run.
class WindowStateReports : public QObject {
public:
    explicit WindowStateReports(QWidget &window) : m_window(*window.windowHandle())
    {
        m_window.installEventFilter(this);
    }
    ~WindowStateReports() override { m_window.removeEventFilter(this); }

    bool waitFor(Qt::WindowStates state) const
    {
        return QTest::qWaitFor([&] { return m_reported.contains(state); });
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::WindowStateChange && event->spontaneous())
            m_reported.append(m_window.windowStates());
        return false;
    }

private:
    QWindow &m_window;
    QList<Qt::WindowStates> m_reported;
};

// "ADS Remote Check" asks the first probe port: the server listens there.
struct AtTheFirstProbePort {
    static QStringList listen() { return {QStringLiteral("127.0.0.51:6262")}; }
    static QByteArray scenario() { return R"({"name":"MON","shares":["daten","apps"]})"; }
    static QString path() { return Path; }
};

class MonitorTest : public MonitorFixture<AtTheFirstProbePort> {
protected:
    MonitorTest() { platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, Path); }

    static QStringList titles(const DBGrid *grid)
    {
        QStringList result;
        for (const DBGrid::Column &column : grid->columns())
            result.append(column.title);
        return result;
    }
};

TEST_F(MonitorTest, WindowAsLaidOut)
{
    TdlgRemoteInfo dlg(platform);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Remote Server Info"));
    EXPECT_EQ(dlg.size(), QSize(840, 491));
    EXPECT_FALSE(dlg.Timer1->Enabled()); // only while shown
    EXPECT_EQ(dlg.Timer1->Interval(), 3000);
    EXPECT_EQ(dlg.wwDBSpinEdit1->text(), QStringLiteral("3"));
    EXPECT_TRUE(dlg.AdsConnect->ConnectPath().isEmpty());
    EXPECT_FALSE(dlg.qUsageInfo->Active());
    EXPECT_EQ(dlg.qUserTables->ParamCount(), 1);
    EXPECT_EQ(dlg.qUserTables->Params()[0].DataType, TFieldType::ftWideString);

    expectLaidOut({
        {dlg.Label1, {16, 16, 100, 13}, QStringLiteral("Server Connect Path")},
        {dlg.edConnectPath, {122, 13, 391, 21}, QString()},
        {dlg.Label14, {47, 42, 69, 13}, QStringLiteral("Refresh every")},
        {dlg.wwDBSpinEdit1, {122, 39, 47, 21}, QString()},
        {dlg.Label15, {174, 42, 48, 13}, QStringLiteral("Second(s)")},
        {dlg.fcShapeBtn1, {230, 37, 93, 25}, QStringLiteral("Refresh")},
        {dlg.btnTableHolders, {556, 37, 116, 25}, QStringLiteral("Tabelle suchen…")},
        {dlg.btnSnapshot, {680, 37, 150, 25}, QStringLiteral("Schnappschuss speichern…")},
    });
    EXPECT_EQ(dlg.fcShapeBtn1->faceColor(), QColor(192, 220, 192));

    const QStringList tabs = {QStringLiteral("Database Information"),
                              QStringLiteral("Installation Information"),
                              QStringLiteral("Connected Users"), QStringLiteral("Verlauf")};
    ASSERT_EQ(dlg.PageControl1->count(), tabs.size());
    for (int i = 0; i < tabs.size(); ++i)
        EXPECT_EQ(dlg.PageControl1->tabText(i), tabs[i]);
    EXPECT_EQ(dlg.PageControl1->currentIndex(), 0);
    EXPECT_EQ(dlg.wwDBGrid1->fixedColumns(), 1);
    EXPECT_FALSE(dlg.wwDBGrid1->inPlaceEditing());

    const struct {
        const char *caption;
        int labelTop;
        const char *field;
        QRect edit;
    } installation[] = {
        {"Registered To:", 42, "Owner", {181, 37, 249, 19}},
        {"Serial Number:", 67, "SerialNumber", {181, 62, 249, 22}},
        {"User Options (Total Users):", 95, "UserOption", {181, 90, 250, 22}},
        {"Maximum Users:", 124, "MaxStatefulUsers", {181, 119, 250, 22}},
        {"Max. Web Platform Users:", 153, "MaxStatelessUsers", {181, 148, 250, 22}},
        {"Replications:", 182, "ReplicationEnabled", {181, 177, 249, 22}},
        {"ADS Version:", 210, "Version", {181, 205, 249, 22}},
        {"Install Date:", 238, "InstallDate", {181, 233, 249, 22}},
        {"Eval Expiration Date:", 266, "EvalExpireDate", {181, 261, 249, 22}},
        {"ANSI Character Set:", 294, "ANSI", {181, 289, 249, 22}},
        {"OEM Character Set:", 322, "OEM", {181, 317, 249, 22}},
    };
    ASSERT_EQ(dlg.installEdits.size(), int(std::size(installation)));
    for (int i = 0; i < int(std::size(installation)); ++i) {
        const auto &row = installation[i];
        SCOPED_TRACE(row.field);
        EXPECT_EQ(dlg.installLabels[i]->text(), QString::fromUtf8(row.caption));
        EXPECT_EQ(dlg.installLabels[i]->geometry(), QRect(12, row.labelTop, 154, 13));
        EXPECT_EQ(dlg.installEdits[i]->geometry(), row.edit);
        EXPECT_EQ(dlg.installEdits[i]->dataField(), QLatin1String(row.field));
        EXPECT_TRUE(dlg.installEdits[i]->isReadOnly());
    }
}

TEST_F(MonitorTest, GridsAndEditsShowTheProceduresFields)
{
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.setAdsServer(Path);
    EXPECT_EQ(dlg.edConnectPath->text(), QStringLiteral("\\\\127.0.0.51:6262\\daten"));
    EXPECT_EQ(titles(dlg.wwDBGrid1),
              QStringList({QStringLiteral("ResourceName"), QStringLiteral("InUse"),
                           QStringLiteral("MaxUsed"), QStringLiteral("Configured"),
                           QStringLiteral("Rejected"), QStringLiteral("PercentUsed"),
                           QStringLiteral("AvgWaitMs")}));
    EXPECT_EQ(dlg.wwDBGrid1->cellText(0, 0), QStringLiteral("Users"));
    EXPECT_EQ(dlg.installEdits[0]->text(), QStringLiteral("Müller & Söhne Datentechnik GmbH"));
    EXPECT_EQ(dlg.installEdits[5]->text(), QStringLiteral("Falsch"));
    EXPECT_EQ(titles(dlg.wwDBGrid2),
              QStringList({QStringLiteral("Clienc PC Name"), QStringLiteral("OS User Login Name"),
                           QStringLiteral("Dictionary User"), QStringLiteral("Application"),
                           QStringLiteral("Address"), QStringLiteral("AverageCost"),
                           QStringLiteral("ConnNumber"), QStringLiteral("TSAddress")}));
    EXPECT_EQ(titles(dlg.wwDBGrid3),
              QStringList({QStringLiteral("TableName"), QStringLiteral("LockType"),
                           QStringLiteral("LockTypeValue")}));

    // Widths: characters times the width of "0" plus 4, never narrower than the title.
    const QFontMetrics cells(dlg.wwDBGrid3->font());
    const QFontMetrics heading(dlg.wwDBGrid3->titleFont());
    const QList<DBGrid::Column> &columns = dlg.wwDBGrid3->columns();
    EXPECT_EQ(columns[0].width, 110 * cells.horizontalAdvance(QLatin1Char('0')) + 4);
    EXPECT_EQ(columns[1].width, heading.horizontalAdvance(QStringLiteral("LockType")) + 4);
}

TEST_F(MonitorTest, MovingThroughUsersReloadsTheirTablesOncePerMove)
{
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    dlg.setAdsServer(Path);
    const int before = executions(QStringLiteral("sp_mgGetUserTables")).size();
    QStringList expected;
    for (int move = 0; move < 3; ++move) {
        QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Down);
        expected.append(
            QStringLiteral("sp_mgGetUserTables('%1\\%2')")
                .arg(dlg.qCnctUsers->FieldByName(QStringLiteral("UserName"))->AsString(),
                     dlg.qCnctUsers->FieldByName(QStringLiteral("OSUserLoginName"))->AsString()));
    }
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).mid(before), expected);
    EXPECT_EQ(expected[0], QStringLiteral("sp_mgGetUserTables('WS07\\jdoe')"));

    // A refresh keeps the cursor on the same user and asks for its tables once.
    const QString connection =
        dlg.qCnctUsers->FieldByName(QStringLiteral("ConnNumber"))->AsString();
    dlg.Refresh();
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), 4);
    EXPECT_EQ(dlg.qCnctUsers->FieldByName(QStringLiteral("ConnNumber"))->AsString(), connection);
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).mid(before),
              expected + QStringList{expected.last()});
}

TEST_F(MonitorTest, TheSelectedUserStaysSelectedWhereverItMoves)
{
    server->control(R"({"syntheticUsers":30})");
    const auto restore = qScopeGuard([] { server->control(R"({"syntheticUsers":0})"); });
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    dlg.show();
    dlg.setAdsServer(Path);
    const auto field = [&dlg](const char *name) {
        return dlg.qCnctUsers->FieldByName(QLatin1String(name))->AsString();
    };
    // Two rows into the window, on a named workstation.
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Down);
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Down);
    ASSERT_EQ(field("UserName"), QStringLiteral("BUCHHALTUNG-2"));
    const int row = dlg.qCnctUsers->ActiveRecord();
    const QString connection = field("ConnNumber");

    // Another connection comes first: the user moves down one row, the cursor with it.
    TAdsConnection other;
    other.setConnectPath(dlg.edConnectPath->text());
    other.Connect();
    const int calls = executions(QStringLiteral("sp_mgGetUserTables")).size();
    dlg.Refresh();
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), 4);
    EXPECT_EQ(field("ConnNumber"), connection);
    EXPECT_EQ(dlg.qCnctUsers->ActiveRecord(), row);
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUserTables")).mid(calls),
              QStringList{QStringLiteral("sp_mgGetUserTables('BUCHHALTUNG-2\\mbauer')")});

    // Far down the list, past the first window.
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Up);
    ASSERT_EQ(field("UserName"), QStringLiteral("WS00028"));
    dlg.Refresh();
    EXPECT_EQ(field("UserName"), QStringLiteral("WS00028"));

    // Gone: the first row, and its tables.
    server->control(R"({"syntheticUsers":20})");
    dlg.Refresh();
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), 1);
    EXPECT_TRUE(executions(QStringLiteral("sp_mgGetUserTables"))
                    .last()
                    .startsWith(QStringLiteral("sp_mgGetUserTables('") + field("UserName") +
                                QLatin1Char('\\')));
    other.Disconnect();
}

TEST_F(MonitorTest, WithoutConnectionNumbersTheUserIsFoundByNameAndNothingIsMarked)
{
    server->control(R"({"dropFields":{"sp_mgGetConnectedUsers":["ConnNumber","ApplicationID"]}})");
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    dlg.show();
    dlg.setAdsServer(Path);
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Down);
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_Down);
    const QString user = dlg.qCnctUsers->FieldByName(QStringLiteral("UserName"))->AsString();
    dlg.Refresh();
    dlg.Refresh();
    EXPECT_EQ(dlg.qCnctUsers->FieldByName(QStringLiteral("UserName"))->AsString(), user);
    for (int row = 0; row < dlg.qCnctUsers->WindowRecordCount(); ++row) {
        EXPECT_FALSE(dlg.wwDBGrid2->cellMark(row, 0).italic);
        for (int column = 0; column < dlg.wwDBGrid2->columns().size(); ++column)
            EXPECT_EQ(dlg.wwDBGrid2->cellMark(row, column), GridMark());
    }
}

TEST_F(MonitorTest, UsageGridKeepsItsRow)
{
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.show();
    dlg.setAdsServer(Path);
    QTest::keyClick(dlg.wwDBGrid1, Qt::Key_Down);
    QTest::keyClick(dlg.wwDBGrid1, Qt::Key_Down);
    dlg.Refresh();
    EXPECT_EQ(dlg.qUsageInfo->RecNo(), 3);
    EXPECT_EQ(dlg.qUsageInfo->ActiveRecord(), 2);
}

TEST_F(MonitorTest, ChangesSinceThePreviousRefreshAreMarked)
{
    // The stand-in names this process's connections after the test program.
    platform.setExecutablePath(QCoreApplication::applicationFilePath());
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.show();
    dlg.setAdsServer(Path);
    const DBGrid *usage = dlg.wwDBGrid1;
    const DBGrid *users = dlg.wwDBGrid2;
    // Nothing to compare with after the first refresh; the own connection is first.
    for (int column = 0; column < usage->columns().size(); ++column)
        EXPECT_EQ(usage->cellMark(1, column), GridMark());
    EXPECT_TRUE(users->cellMark(0, 0).italic);
    EXPECT_FALSE(users->cellMark(1, 0).italic);
    EXPECT_EQ(users->cellToolTip(0, 0), QStringLiteral("Die Verbindung dieses Monitors"));

    const auto texts = [](const DBGrid *grid) {
        QList<QStringList> rows;
        for (int row = 0; row < grid->visibleRowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < grid->columns().size(); ++column)
                cells.append(grid->cellText(row, column));
            rows.append(cells);
        }
        return rows;
    };
    const QList<QStringList> usageBefore = texts(usage);
    TAdsConnection other;
    other.setConnectPath(dlg.edConnectPath->text());
    other.Connect();
    dlg.Refresh();

    // Usage rows keep their order: a cell is marked exactly when its text changed.
    const QList<QStringList> usageAfter = texts(usage);
    const int connections = 1; // "Connections"
    const int inUse = 1;
    ASSERT_EQ(usage->cellText(connections, 0), QStringLiteral("Connections"));
    for (int row = 0; row < usageAfter.size(); ++row)
        for (int column = 0; column < usageAfter[row].size(); ++column)
            EXPECT_EQ(usage->cellMark(row, column).background == ChangeMarks::ChangedColour,
                      usageAfter[row][column] != usageBefore[row][column])
                << row << "/" << column;
    EXPECT_EQ(usage->cellMark(connections, inUse).background, ChangeMarks::ChangedColour);
    EXPECT_EQ(usage->cellToolTip(connections, inUse), QStringLiteral("+1"));
    const int percentUsed = 5; // of 100 configured: one percent more, shown as "+1"
    ASSERT_EQ(usage->columns()[percentUsed].fieldName, QStringLiteral("PercentUsed"));
    EXPECT_EQ(usage->cellToolTip(connections, percentUsed), QStringLiteral("+1"));
    EXPECT_EQ(usage->cellText(connections, inUse).toInt(),
              usageBefore[connections][inUse].toInt() + 1);

    // The other connection is new, the own one is still marked.
    dlg.PageControl1->setCurrentIndex(2);
    QCoreApplication::processEvents();
    ASSERT_GE(users->visibleRowCount(), 2);
    EXPECT_TRUE(users->cellMark(0, 0).italic);
    EXPECT_FALSE(users->cellMark(1, 0).italic);
    EXPECT_EQ(users->cellMark(1, 0).background, ChangeMarks::NewRowColour);
    EXPECT_EQ(users->cellToolTip(1, 0), QStringLiteral("Neu seit der letzten Aktualisierung"));
    EXPECT_FALSE(users->cellMark(0, 0).background.isValid());

    // Drawn: a changed cell off the current row has the changed colour.
    dlg.PageControl1->setCurrentIndex(0);
    QCoreApplication::processEvents();
    const QImage image = dlg.wwDBGrid1->viewport()->grab().toImage();
    const int x = dlg.wwDBGrid1->columns()[0].width + DBGrid::IndicatorWidth + 6;
    const int y = usage->titleHeight() + connections * usage->rowHeight() + 3;
    EXPECT_EQ(QColor(image.pixel(x, y)), ChangeMarks::ChangedColour);

    // The next refresh compares with this one: the other connection is no longer new.
    dlg.Refresh();
    EXPECT_EQ(users->cellMark(1, 0), GridMark());
    other.Disconnect();

    // Other columns than last time: nothing is compared (nor read with the old layout).
    server->control(R"({"dropFields":{"sp_mgGetConnectedUsers":["DictionaryUser"]}})");
    dlg.Refresh();
    for (int row = 0; row < dlg.qCnctUsers->WindowRecordCount(); ++row)
        for (int column = 0; column < users->columns().size(); ++column)
            EXPECT_NE(users->cellMark(row, column).background, ChangeMarks::ChangedColour)
                << row << "/" << column;
}

TEST_F(MonitorTest, QtsOwnTextsComeInTheWorkstationsLanguage)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    EXPECT_EQ(installQtTranslations(*app, QLocale(QLocale::Zulu), QStringLiteral("/nonexistent")),
              nullptr);
    QTranslator *german = installQtTranslations(*app, QLocale(QLocale::German, QLocale::Germany),
                                                QStringLiteral("/nonexistent"));
    ASSERT_NE(german, nullptr);
    const auto remove = qScopeGuard([german] {
        QCoreApplication::removeTranslator(german);
        delete german;
    });
    TdlgRemoteInfo dlg(platform);
    const std::unique_ptr<QMenu> menu(dlg.edConnectPath->createStandardContextMenu());
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts.append(action->text().section(QLatin1Char('\t'), 0, 0));
    EXPECT_TRUE(texts.contains(QStringLiteral("&Rückgängig"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Alles auswählen")))
        << texts.join(u'|').toStdString();
}

TEST_F(MonitorTest, UsageGridFitsItsTextsAndScrollsOnlyWhenItMust)
{
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.show();
    dlg.setAdsServer(Path);
    QCoreApplication::processEvents();
    const DBGrid *usage = dlg.wwDBGrid1;
    const QFontMetrics metrics(usage->font());
    ASSERT_GT(usage->visibleRowCount(), dlg.qUsageInfo->RecordCount());
    EXPECT_FALSE(usage->verticalScrollBar()->isVisible());
    for (int column = 0; column < usage->columns().size(); ++column)
        for (int row = 0; row < dlg.qUsageInfo->RecordCount(); ++row)
            EXPECT_GE(usage->columns()[column].width,
                      metrics.horizontalAdvance(usage->cellText(row, column)) + 4)
                << usage->columns()[column].fieldName.toStdString() << " row " << row;

    // Fewer visible rows than records: the bar is back.
    dlg.resize(840, 180);
    QCoreApplication::processEvents();
    ASSERT_LT(usage->visibleRowCount(), dlg.qUsageInfo->RecordCount());
    EXPECT_TRUE(usage->verticalScrollBar()->isVisible());
}

TEST_F(MonitorTest, ASlowRefreshShowsTheWaitCursor)
{
    ManualClock clock; // outlives the window's timer
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    // Each procedure takes that long on the window's clock. The cursor is looked at as each
    // procedure has answered: the first before any step of the refresh, the others after
    // the steps that follow the usage, the installation and the users.
    qint64 procedureMs = 0;
    QString looks;
    for (TAdsQuery *query : {dlg.qUsageInfo, dlg.qInstallInfo, dlg.qCnctUsers, dlg.qUserTables})
        query->AfterOpen = [&](TDataSetBase *) {
            clock.advance(procedureMs);
            const QCursor *cursor = QApplication::overrideCursor();
            looks +=
                cursor && cursor->shape() == Qt::WaitCursor ? QLatin1Char('W') : QLatin1Char('-');
        };
    dlg.setAdsServer(Path);
    EXPECT_EQ(looks, QStringLiteral("----"));

    // In order: each refresh comes after the one of the row before.
    const struct {
        qint64 procedureMs;
        const char *looks;
        const char *shows;
    } refreshes[] = {
        {100, "---W", "the step at 200 ms is not yet noticed, the one at 300 ms is"},
        {50, "WWWW", "the refresh before took 400 ms: from the start; this one takes 200 ms"},
        {50, "----", "the refresh before took exactly 200 ms"},
        {101, "--WW", "the step at 202 ms"},
        {0, "WWWW", "after a noticed one, also when quick"},
        {0, "----", "after a quick one"},
        {201, "-WWW", "the first step"},
    };
    for (const auto &refresh : refreshes) {
        SCOPED_TRACE(refresh.shows);
        procedureMs = refresh.procedureMs;
        looks.clear();
        dlg.Refresh();
        EXPECT_EQ(looks, QLatin1String(refresh.looks));
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    // A failing slow refresh puts the cursor back as well.
    procedureMs = 300;
    server->control(
        R"({"procedureErrors":{"sp_mgGetConnectedUsers":{"code":7200,"text":"ERROR 7200: kaputt"}}})");
    EXPECT_THROW(dlg.Refresh(), std::exception);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MonitorTest, MissingTSAddressIsGoneForGoodAndLowerCaseNamesStillMatch)
{
    TdlgRemoteInfo dlg(platform);
    server->control(
        R"({"dropFields":{"sp_mgGetConnectedUsers":["TSAddress"]},"lowerCaseFields":["sp_mgGetUserTables"]})");
    dlg.setAdsServer(Path);
    EXPECT_FALSE(titles(dlg.wwDBGrid2).contains(QStringLiteral("TSAddress")));
    EXPECT_EQ(titles(dlg.wwDBGrid3),
              QStringList({QStringLiteral("TableName"), QStringLiteral("LockType"),
                           QStringLiteral("LockTypeValue")}));
    server->control(R"({"dropFields":{},"lowerCaseFields":[]})");
    dlg.Refresh();
    EXPECT_EQ(titles(dlg.wwDBGrid2).size(), 7);
    EXPECT_FALSE(titles(dlg.wwDBGrid2).contains(QStringLiteral("TSAddress")));
}

TEST_F(MonitorTest, InstallationEditOnAMissingFieldStopsTheRefresh)
{
    TdlgRemoteInfo dlg(platform);
    dlg.setAdsServer(Path);
    server->control(R"({"dropFields":{"sp_mgGetInstallInfo":["Owner"]}})");
    try {
        dlg.Refresh();
        FAIL() << "refreshed";
    } catch (const EDataAccessError &error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("wwDBEdit1: Das Feld 'Owner' wurde nicht gefunden"));
    }
    EXPECT_TRUE(dlg.qUsageInfo->Active());
    EXPECT_FALSE(dlg.qCnctUsers->Active());
}

TEST_F(MonitorTest, SpinEditSetsThePeriod)
{
    TdlgRemoteInfo dlg(platform);
    dlg.show();
    const struct {
        const char *text;
        bool enabled;
        int interval;
    } cases[] = {
        {"2.5", true, 2000},
        {"3.5", true, 4000},
        {"0.4", false, 4000},
        {"1", true, 1000},
        {"0.5", false, 1000},
        {"", false, 1000},
        {"5", true, 5000},
        {"+-", false, 5000},
        {"-3", false, 5000},
        {"7", true, 7000},
        {"99999999", true, 2147483647},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        dlg.wwDBSpinEdit1->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(dlg.Timer1->Enabled(), c.enabled);
        EXPECT_EQ(dlg.Timer1->Interval(), c.interval);
    }
    dlg.wwDBSpinEdit1->setText(QStringLiteral("1"));
    dlg.wwDBSpinEdit1->downButton()->click();
    EXPECT_EQ(dlg.wwDBSpinEdit1->text(), QStringLiteral("0"));
    EXPECT_FALSE(dlg.Timer1->Enabled());
    dlg.wwDBSpinEdit1->downButton()->click();
    EXPECT_EQ(dlg.wwDBSpinEdit1->text(), QStringLiteral("-1"));
    EXPECT_FALSE(dlg.Timer1->Enabled());
    dlg.wwDBSpinEdit1->upButton()->click();
    dlg.wwDBSpinEdit1->upButton()->click();
    EXPECT_EQ(dlg.wwDBSpinEdit1->text(), QStringLiteral("1"));
    EXPECT_TRUE(dlg.Timer1->Enabled());

    // Typing takes digits, signs and the decimal separator only.
    dlg.wwDBSpinEdit1->lineEdit()->clear();
    QTest::keyClicks(dlg.wwDBSpinEdit1->lineEdit(), QStringLiteral("4x2"));
    EXPECT_EQ(dlg.wwDBSpinEdit1->text(), QStringLiteral("42"));
}

TEST_F(MonitorTest, AnyPeriodChangeRestartsTheCountdown)
{
    ManualClock clock; // outlives the window's timer
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    dlg.show();
    dlg.wwDBSpinEdit1->setText(QStringLiteral("60"));
    clock.advance(300);
    EXPECT_EQ(dlg.Timer1->remainingTime(), 59700);
    dlg.wwDBSpinEdit1->setText(QStringLiteral("60.2"));
    EXPECT_EQ(dlg.Timer1->remainingTime(), 60000);

    // Setting what the timer already has does nothing.
    clock.advance(300);
    dlg.Timer1->setInterval(60000);
    dlg.Timer1->setEnabled(true);
    EXPECT_EQ(dlg.Timer1->remainingTime(), 59700);
}

TEST_F(MonitorTest, ManualRefreshKeepsTheTimersStateAndRestartsItsPeriod)
{
    ManualClock clock; // outlives the window's timer
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    dlg.setAdsServer(Path);
    dlg.show();
    dlg.wwDBSpinEdit1->setText(QStringLiteral("0"));
    const int before = executions(QStringLiteral("sp_mgGetUsageInfo")).size();
    dlg.fcShapeBtn1->click();
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUsageInfo")).size(), before + 1);
    EXPECT_FALSE(dlg.Timer1->Enabled());

    dlg.wwDBSpinEdit1->setText(QStringLiteral("60"));
    clock.advance(300);
    dlg.fcShapeBtn1->click();
    EXPECT_TRUE(dlg.Timer1->Enabled());
    EXPECT_EQ(dlg.Timer1->remainingTime(), 60000);

    // A refresh that fails is shown, and automatic refresh goes on.
    server->control(
        R"({"procedureErrors":{"sp_mgGetUsageInfo":{"code":7200,"text":"ERROR 7200: kaputt"}}})");
    clock.advance(300);
    AnsweredBoxes watcher;
    dlg.fcShapeBtn1->click();
    EXPECT_EQ(watcher.boxes.size(), 1);
    EXPECT_TRUE(dlg.Timer1->Enabled());
    EXPECT_EQ(dlg.Timer1->remainingTime(), 60000);
}

TEST_F(MonitorTest, TimerRunsOnlyWhileShown)
{
    ManualClock clock; // outlives the window's timer
    TdlgRemoteInfo dlg(platform);
    dlg.Timer1->setClock(&clock);
    const auto usage = [] { return executions(QStringLiteral("sp_mgGetUsageInfo")).size(); };
    dlg.setAdsServer(Path);
    EXPECT_FALSE(dlg.Timer1->isCounting());

    dlg.show();
    EXPECT_EQ(dlg.Timer1->remainingTime(), 3000);
    auto before = usage();
    clock.advance(3000);
    EXPECT_EQ(usage(), before + 1);

    // Esc closes: no tick, no connection, nothing for the server to list.
    QTest::keyClick(&dlg, Qt::Key_Escape);
    EXPECT_FALSE(dlg.isVisible());
    EXPECT_FALSE(dlg.Timer1->isCounting());
    EXPECT_FALSE(dlg.AdsConnect->IsConnected());
    EXPECT_FALSE(dlg.qCnctUsers->Active());
    EXPECT_FALSE(dlg.qUserTables->Active());
    before = usage();
    clock.advance(30000);
    EXPECT_EQ(usage(), before);

    // Shown again by a remote check: refreshed at once, then at the spin edit's period.
    dlg.wwDBSpinEdit1->setText(QStringLiteral("5"));
    EXPECT_FALSE(dlg.Timer1->isCounting());
    dlg.setAdsServer(Path);
    EXPECT_EQ(usage(), before + 1);
    dlg.show();
    EXPECT_EQ(dlg.Timer1->remainingTime(), 5000);

    // The system close does the same as Esc.
    dlg.close();
    EXPECT_FALSE(dlg.Timer1->isCounting());
    EXPECT_FALSE(dlg.AdsConnect->IsConnected());
}

TEST_F(MonitorTest, MinimisingIsNotClosing)
{
    TdlgRemoteInfo dlg(platform);
    dlg.setAdsServer(Path);
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    const WindowStateReports reports(dlg);
    dlg.showMinimized();
    ASSERT_TRUE(reports.waitFor(Qt::WindowMinimized));
    EXPECT_TRUE(dlg.AdsConnect->IsConnected());
    EXPECT_TRUE(dlg.qCnctUsers->Active());
    EXPECT_TRUE(dlg.Timer1->isCounting());
    dlg.showNormal();
    ASSERT_TRUE(reports.waitFor(Qt::WindowNoState));
    EXPECT_TRUE(dlg.Timer1->isCounting());
    EXPECT_TRUE(dlg.AdsConnect->IsConnected());
}

TEST_F(MonitorTest, RemoteCheckConnectsWithOneRetryAndShowsTheWindow)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    server->control(R"({"refuseConnects":1})");
    const int before = server->log().filter(QStringLiteral("refused")).size();
    bool shown = false;
    QTimer::singleShot(0, [&] {
        shown = dlgRemoteInfo && dlgRemoteInfo->isVisible();
        if (dlgRemoteInfo)
            dlgRemoteInfo->reject();
    });
    form.fcShapeBtn1->click();
    EXPECT_TRUE(shown);
    EXPECT_EQ(server->log().filter(QStringLiteral("refused")).size(), before + 1);
    ASSERT_TRUE(dlgRemoteInfo);
    EXPECT_EQ(dlgRemoteInfo->edConnectPath->text(), QStringLiteral("\\\\127.0.0.51:6262\\daten"));
    EXPECT_FALSE(dlgRemoteInfo->AdsConnect->IsConnected()); // closing disconnected
    delete dlgRemoteInfo;
}

TEST_F(MonitorTest, RemoteCheckAsksAtThePortDiscoveryFound)
{
    const StandinServer only2001({QStringLiteral("127.0.0.57:2001")},
                                 R"({"name":"ALT","shares":["daten"]})");
    FakePlatform other;
    other.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.57\\daten"));
    TForm1 form(other);
    ASSERT_TRUE(waitForDiscovery(form));
    ASSERT_TRUE(form.Memo1->toPlainText().contains(QStringLiteral("LAN_PORT=2001")));
    QString shownPath;
    QTimer::singleShot(0, [&] {
        if (dlgRemoteInfo) {
            shownPath = dlgRemoteInfo->edConnectPath->text();
            dlgRemoteInfo->reject();
        }
    });
    AnsweredBoxes watcher;
    form.fcShapeBtn1->click();
    EXPECT_TRUE(watcher.boxes.isEmpty());
    EXPECT_EQ(shownPath, QStringLiteral("\\\\127.0.0.57:2001\\daten"));
    delete dlgRemoteInfo;
}

TEST_F(MonitorTest, BothAttemptsFailingShowsTheEngineTextAndNoWindow)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    server->control(R"({"refuseConnects":2})");
    AnsweredBoxes watcher;
    form.fcShapeBtn1->click();
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("The server MON refused the connection."));
    ASSERT_TRUE(dlgRemoteInfo);
    EXPECT_FALSE(dlgRemoteInfo->isVisible());
    EXPECT_TRUE(dlgRemoteInfo->edConnectPath->text().isEmpty());
    // Nothing ticks after a failed check, so its failure is not shown a second time.
    EXPECT_FALSE(dlgRemoteInfo->Timer1->isCounting());
    delete dlgRemoteInfo;
}

TEST_F(MonitorTest, TickFailuresAreShownOnceAndNoTickRunsWhileTheBoxIsOpen)
{
    TdlgRemoteInfo dlg(platform);
    // Nothing to connect to yet: ticks do nothing, and say nothing.
    AnsweredBoxes watcher;
    dlg.Timer1Timer();
    EXPECT_TRUE(watcher.boxes.isEmpty());

    dlg.setAdsServer(Path);
    server->control(
        R"({"procedureErrors":{"sp_mgGetUsageInfo":{"code":7200,"text":"ERROR 7200: kaputt"}}})");
    int executionsWhileOpen = -1;
    watcher.whileOpen = [&](const FailureDisplay::Box &) {
        const int before = executions(QStringLiteral("sp_mgGetUsageInfo")).size();
        dlg.Timer1Timer();
        executionsWhileOpen = executions(QStringLiteral("sp_mgGetUsageInfo")).size() - before;
    };
    dlg.Timer1Timer();
    dlg.Timer1Timer();
    dlg.Timer1Timer();
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_EQ(watcher.boxes[0].text, QStringLiteral("qUsageInfo: ERROR 7200: kaputt."));
    EXPECT_EQ(executionsWhileOpen, 0);

    // A change of the period shows the next failure again.
    watcher.whileOpen = nullptr;
    dlg.wwDBSpinEdit1->setText(QStringLiteral("4"));
    dlg.Timer1Timer();
    EXPECT_EQ(watcher.boxes.size(), 2);

    // A successful refresh too.
    server->control(R"({"procedureErrors":{}})");
    dlg.Timer1Timer();
    server->control(
        R"({"procedureErrors":{"sp_mgGetUsageInfo":{"code":7200,"text":"ERROR 7200: kaputt"}}})");
    dlg.Timer1Timer();
    EXPECT_EQ(watcher.boxes.size(), 3);
}

TEST_F(MonitorTest, GridOverAHundredThousandRowsShowsOnlyItsVisibleRows)
{
    server->control(R"({"syntheticUsers":100000})");
    TdlgRemoteInfo dlg(platform);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    dlg.show();
    dlg.setAdsServer(Path);
    const int visible = dlg.wwDBGrid2->visibleRowCount();
    EXPECT_LE(dlg.qCnctUsers->WindowRecordCount(),
              std::max(visible, dlg.wwDBGrid3->visibleRowCount()));
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), dlg.qCnctUsers->RecordCount());
    EXPECT_EQ(dlg.wwDBGrid2->cellText(dlg.qCnctUsers->ActiveRecord(), 0),
              QStringLiteral("WS99999"));
    QTest::keyClick(dlg.wwDBGrid2, Qt::Key_PageUp);
    EXPECT_EQ(dlg.qCnctUsers->RecNo(), dlg.qCnctUsers->RecordCount() - visible);
    dlg.hide();
    server->control(R"({"syntheticUsers":0})");
}

} // namespace
