#include "dlgRemoteInfoU.h"

#include "DBEdit.h"
#include "DBGrid.h"
#include "FailureDisplay.h"
#include "HistoryChart.h"
#include "MonitorNames.h"
#include "Platform.h"
#include "ShapeButton.h"
#include "Snapshot.h"
#include "SpinEdit.h"
#include "TableHoldersDialog.h"
#include "Timer.h"
#include "WindowAccess.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QScopeGuard>
#include <QShowEvent>
#include <QSplitter>
#include <QStringListModel>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Monitor)
};

} // namespace

QPointer<TdlgRemoteInfo> dlgRemoteInfo;

namespace {

QFont tahoma(int pixels, bool bold = false)
{
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

const QStringList ConnectedUserColumns = {
    QStringLiteral("UserName\t35\tClienc PC Name\tF"),
    QStringLiteral("OSUserLoginName\t35\tOS User Login Name\tF"),
    QStringLiteral("DictionaryUser\t30\tDictionary User\tF"),
    QStringLiteral("ApplicationID\t40\tApplication\tF"),
    QStringLiteral("Address\t20\tAddress\tF"),
    QStringLiteral("AverageCost\t10\tAverageCost"),
    QStringLiteral("ConnNumber\t10\tConnNumber"),
    QStringLiteral("TSAddress\t15\tTSAddress\tF"),
};

const QStringList UserTableColumns = {
    QStringLiteral("TableName\t110\tTableName\tF"),
    QStringLiteral("LockType\t4\tLockType"),
    QStringLiteral("LockTypeValue\t10\tLockTypeValue"),
};

} // namespace

TdlgRemoteInfo::TdlgRemoteInfo(Platform &platform, QWidget *owner)
    : QDialog(owner, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint),
      m_platform(platform), m_session(platform, &m_timerControl, this)
{
    setObjectName(QStringLiteral("dlgRemoteInfo"));
    setWindowTitle(QStringLiteral("Remote Server Info"));
    setFont(tahoma(11));
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    resize(840, 491);
    loadComponents();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    createPanel();
    layout->addWidget(Panel1);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    layout->addWidget(PageControl1, 1);
    createDatabaseTab();
    createInstallationTab();
    createUsersTab();
    createHistoryTab();
    createTools();
    PageControl1->setCurrentIndex(0);
    describeForScreenReaders();
    WindowAccess::adopt(*this);

    connect(&m_session, &MonitorSession::historyChanged, chHistory, qOverload<>(&QWidget::update));
}

TdlgRemoteInfo::~TdlgRemoteInfo()
{
    // The timer must not tick into a window that is going away.
    Timer1->setEnabled(false);
}

// The window's stored description: its components, created in a loading phase, so the
// queries hand their SQL to the engine as it is read. The data components are the session's
// work and the window's to own.
void TdlgRemoteInfo::loadComponents()
{
    AdsConnect = m_session.AdsConnect;
    qUsageInfo = m_session.qUsageInfo;
    qInstallInfo = m_session.qInstallInfo;
    qCnctUsers = m_session.qCnctUsers;
    qUserTables = m_session.qUserTables;
    dsUsageInfo = m_session.dsUsageInfo;
    dsInstallInfo = m_session.dsInstallInfo;
    dsCnctUsers = m_session.dsCnctUsers;
    dsUserTables = m_session.dsUserTables;
    HolderSearch = m_session.HolderSearch;
    qCnctUsers->AfterScroll = [this](TDataSetBase *dataSet) { qCnctUsersAfterScroll(dataSet); };

    Timer1 = new TTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    // Ticks only while the window is shown: a closed monitor neither holds a connection
    // nor shows boxes over the main window.
    Timer1->setEnabled(false);
    Timer1->setOnTimer([this] { Timer1Timer(); });
}

bool TdlgRemoteInfo::TimerControl::isRunning() const
{
    return m_timer->Enabled();
}

void TdlgRemoteInfo::TimerControl::setRunning(bool running)
{
    m_timer->setEnabled(running);
}

void TdlgRemoteInfo::TimerControl::setPeriod(int milliseconds)
{
    m_timer->setInterval(milliseconds);
}

qint64 TdlgRemoteInfo::TimerControl::now() const
{
    return m_timer->now();
}

void TdlgRemoteInfo::createPanel()
{
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(66);
    const auto label = [this](const char *name, const QString &text, QRect geometry) {
        auto *l = new QLabel(text, Panel1);
        l->setObjectName(QLatin1String(name));
        l->setGeometry(geometry);
        return l;
    };
    Label1 = label("Label1", QStringLiteral("Server Connect Path"), {16, 16, 100, 13});
    edConnectPath = new QLineEdit(Panel1);
    edConnectPath->setObjectName(QStringLiteral("edConnectPath"));
    edConnectPath->setGeometry(122, 13, 391, 21);
    Label14 = label("Label14", QStringLiteral("Refresh every"), {47, 42, 69, 13});
    wwDBSpinEdit1 = new SpinEdit(Panel1);
    wwDBSpinEdit1->setObjectName(QStringLiteral("wwDBSpinEdit1"));
    wwDBSpinEdit1->setGeometry(122, 39, 47, 21);
    wwDBSpinEdit1->setText(QStringLiteral("3"));
    connect(wwDBSpinEdit1, &SpinEdit::textChanged, this,
            [this] { FailureDisplay::guard([this] { wwDBSpinEdit1Change(); }); });
    Label15 = label("Label15", QStringLiteral("Second(s)"), {174, 42, 48, 13});
    fcShapeBtn1 = new ShapeButton(QStringLiteral("Refresh"), QColor(192, 220, 192), Panel1);
    fcShapeBtn1->setObjectName(QStringLiteral("fcShapeBtn1"));
    fcShapeBtn1->setGeometry(230, 37, 93, 25);
    connect(fcShapeBtn1, &ShapeButton::clicked, this,
            [this] { FailureDisplay::guard([this] { fcShapeBtn1Click(); }); });
}

void TdlgRemoteInfo::createDatabaseTab()
{
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
    auto *layout = new QHBoxLayout(TabSheet1);
    layout->setContentsMargins(20, 15, 3, 15);
    Splitter2 = new QSplitter(Qt::Horizontal, TabSheet1);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(5);
    Splitter2->setStyleSheet(QStringLiteral("QSplitter::handle { background: palette(dark); }"));
    wwDBGrid1 = new DBGrid(Splitter2);
    wwDBGrid1->setObjectName(QStringLiteral("wwDBGrid1"));
    wwDBGrid1->setFont(tahoma(13, true));
    wwDBGrid1->setTitleFont(tahoma(11));
    wwDBGrid1->setFixedColumns(1);
    wwDBGrid1->setInPlaceEditing(false);
    wwDBGrid1->setDataSource(dsUsageInfo);
    wwDBGrid1->setMarks(&m_usageGridMarks);
    Splitter2->addWidget(wwDBGrid1);
    Splitter2->addWidget(new QWidget(Splitter2));
    Splitter2->setSizes({513, 840 - 513});
    Splitter2->setChildrenCollapsible(false);
    layout->addWidget(Splitter2);
    PageControl1->addTab(TabSheet1, QStringLiteral("Database Information"));
}

void TdlgRemoteInfo::createInstallationTab()
{
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
    const struct {
        const char *caption;
        int labelTop;
        const char *field;
        int editTop;
        int width;
        int height;
        int tabOrder;
    } rows[] = {
        {"Registered To:", 42, "Owner", 37, 249, 19, 0},
        {"Serial Number:", 67, "SerialNumber", 62, 249, 22, 8},
        {"User Options (Total Users):", 95, "UserOption", 90, 250, 22, 1},
        {"Maximum Users:", 124, "MaxStatefulUsers", 119, 250, 22, 2},
        {"Max. Web Platform Users:", 153, "MaxStatelessUsers", 148, 250, 22, 3},
        {"Replications:", 182, "ReplicationEnabled", 177, 249, 22, 4},
        {"ADS Version:", 210, "Version", 205, 249, 22, 5},
        {"Install Date:", 238, "InstallDate", 233, 249, 22, 6},
        {"Eval Expiration Date:", 266, "EvalExpireDate", 261, 249, 22, 7},
        {"ANSI Character Set:", 294, "ANSI", 289, 249, 22, 9},
        {"OEM Character Set:", 322, "OEM", 317, 249, 22, 10},
    };
    int number = 0;
    QList<DBEdit *> byTabOrder(std::size(rows));
    for (const auto &row : rows) {
        ++number;
        auto *label = new QLabel(QString::fromUtf8(row.caption), TabSheet2);
        label->setGeometry(12, row.labelTop, 154, 13);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        installLabels.append(label);
        auto *edit = new DBEdit(TabSheet2);
        label->setBuddy(edit);
        edit->setObjectName(QStringLiteral("wwDBEdit%1").arg(number));
        edit->setGeometry(181, row.editTop, row.width, row.height);
        edit->setFont(tahoma(13, true));
        edit->setDataField(QString::fromLatin1(row.field));
        edit->setDataSource(dsInstallInfo);
        installEdits.append(edit);
        byTabOrder[row.tabOrder] = edit;
    }
    for (qsizetype i = 0; i + 1 < byTabOrder.size(); ++i)
        setTabOrder(byTabOrder[i], byTabOrder[i + 1]);
    PageControl1->addTab(TabSheet2, QStringLiteral("Installation Information"));
}

void TdlgRemoteInfo::createUsersTab()
{
    TabSheet3 = new QWidget;
    TabSheet3->setObjectName(QStringLiteral("TabSheet3"));
    auto *layout = new QVBoxLayout(TabSheet3);
    layout->setContentsMargins(0, 0, 0, 0);
    Splitter1 = new QSplitter(Qt::Vertical, TabSheet3);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(5);
    Splitter1->setStyleSheet(QStringLiteral("QSplitter::handle { background: palette(dark); }"));
    wwDBGrid2 = new DBGrid(Splitter1);
    wwDBGrid2->setObjectName(QStringLiteral("wwDBGrid2"));
    wwDBGrid2->setTitleFont(tahoma(11));
    wwDBGrid2->setColumnList(ConnectedUserColumns, DBGrid::ColumnMode::OwnColumns);
    wwDBGrid2->setDataSource(dsCnctUsers);
    wwDBGrid2->setMarks(&m_userMarks);
    auto *lower = new QWidget(Splitter1);
    auto *lowerLayout = new QVBoxLayout(lower);
    lowerLayout->setContentsMargins(0, 0, 0, 0);
    lowerLayout->setSpacing(0);
    Label13 = new QLabel(QStringLiteral("Tables Open by User"), lower);
    Label13->setObjectName(QStringLiteral("Label13"));
    Label13->setFixedHeight(21);
    Label13->setAlignment(Qt::AlignCenter);
    Label13->setFont(tahoma(11, true));
    wwDBGrid3 = new DBGrid(lower);
    wwDBGrid3->setObjectName(QStringLiteral("wwDBGrid3"));
    wwDBGrid3->setTitleFont(tahoma(11));
    wwDBGrid3->setColumnList(UserTableColumns, DBGrid::ColumnMode::ApplyToFields);
    wwDBGrid3->setDataSource(dsUserTables);
    lowerLayout->addWidget(Label13);
    lowerLayout->addWidget(wwDBGrid3, 1);
    Splitter1->addWidget(wwDBGrid2);
    Splitter1->addWidget(lower);
    Splitter1->setSizes({185, 235});
    Splitter1->setChildrenCollapsible(false);
    layout->addWidget(Splitter1);
    PageControl1->addTab(TabSheet3, QStringLiteral("Connected Users"));
}

void TdlgRemoteInfo::createHistoryTab()
{
    TabSheet4 = new QWidget;
    TabSheet4->setObjectName(QStringLiteral("TabSheet4"));
    auto *layout = new QVBoxLayout(TabSheet4);
    chHistory = new HistoryChart(m_session.history(), TabSheet4);
    chHistory->setObjectName(QStringLiteral("chHistory"));
    layout->addWidget(chHistory);
    PageControl1->addTab(TabSheet4, Texts::tr("Verlauf"));
}

void TdlgRemoteInfo::createTools()
{
    const QColor face(214, 224, 240);
    btnTableHolders = new ShapeButton(Texts::tr("Tabelle suchen…"), face, Panel1);
    btnTableHolders->setObjectName(QStringLiteral("btnTableHolders"));
    btnTableHolders->setGeometry(556, 37, 116, 25);
    btnTableHolders->setToolTip(TableHoldersDialog::title());
    btnSnapshot = new ShapeButton(Texts::tr("Schnappschuss speichern…"), face, Panel1);
    btnSnapshot->setObjectName(QStringLiteral("btnSnapshot"));
    btnSnapshot->setGeometry(680, 37, 150, 25);

    cmpKnownServers = new QCompleter(new QStringListModel(this), this);
    cmpKnownServers->setObjectName(QStringLiteral("cmpKnownServers"));
    cmpKnownServers->setCaseSensitivity(Qt::CaseInsensitive);
    cmpKnownServers->setFilterMode(Qt::MatchContains);
    edConnectPath->setCompleter(cmpKnownServers);
    connect(cmpKnownServers, qOverload<const QString &>(&QCompleter::activated), this,
            [this](const QString &path) {
                FailureDisplay::guard([this, &path] { pickKnownServer(path); });
            });
    actKnownServers = edConnectPath->addAction(style()->standardIcon(QStyle::SP_ArrowDown),
                                               QLineEdit::TrailingPosition);
    actKnownServers->setToolTip(Texts::tr("Gefundene Server"));
    // Its button shows the icon alone; the text is what screen readers call it.
    actKnownServers->setText(actKnownServers->toolTip());
    actKnownServers->setVisible(false);
    // The keys that open a drop-down list on Windows.
    actKnownServers->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Down), QKeySequence(Qt::Key_F4)});
    actKnownServers->setShortcutContext(Qt::WidgetShortcut);
    connect(actKnownServers, &QAction::triggered, this, [this] {
        cmpKnownServers->setCompletionPrefix(QString());
        cmpKnownServers->complete();
    });

    dlgTableHolders = new TableHoldersDialog(*HolderSearch, this);
    connect(dlgTableHolders, &TableHoldersDialog::searchRequested, this,
            [this](const QString &text) {
                FailureDisplay::guard([this, &text] { findTableHolders(text); });
            });
    // Closing the search's window ends the search too.
    connect(dlgTableHolders, &TableHoldersDialog::cancelRequested, HolderSearch,
            &TableHolderSearch::cancel);
    connect(dlgTableHolders, &QDialog::finished, HolderSearch, &TableHolderSearch::cancel);
    connect(HolderSearch, &TableHolderSearch::finished, this,
            [this](TableHolderSearch::Outcome outcome) {
                FailureDisplay::guard([this, outcome] { tableHoldersFound(outcome); });
            });
    connect(btnTableHolders, &ShapeButton::clicked, this, [this] {
        dlgTableHolders->show();
        dlgTableHolders->raise();
        dlgTableHolders->activateWindow();
        dlgTableHolders->edTableName->setFocus();
    });

    actTableHolders = new QAction(TableHoldersDialog::title(), this);
    wwDBGrid3->addAction(actTableHolders);
    connect(actTableHolders, &QAction::triggered, this, [this] {
        FailureDisplay::guard([this] {
            if (!qUserTables->Active() || qUserTables->IsEmpty())
                return;
            findTableHolders(qUserTables->FieldByName(MonitorNames::TableName)->AsString());
        });
    });
    actSnapshot = new QAction(btnSnapshot->text(), this);
    for (DBGrid *grid : {wwDBGrid1, wwDBGrid2, wwDBGrid3})
        grid->addAction(actSnapshot);
    connect(actSnapshot, &QAction::triggered, this,
            [this] { FailureDisplay::guard([this] { askSnapshotFile(); }); });
    connect(btnSnapshot, &ShapeButton::clicked, this,
            [this] { FailureDisplay::guard([this] { askSnapshotFile(); }); });
    chooseSnapshotFile = [this] {
        const QString name =
            QStringLiteral("Monitor-%1.txt")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
        return QFileDialog::getSaveFileName(this, Texts::tr("Schnappschuss speichern"), name,
                                            QStringLiteral("Text (*.txt);;JSON (*.json)"));
    };
}

void TdlgRemoteInfo::describeForScreenReaders()
{
    // Each control is named by its label where one is beside it, else by its tab; the unit
    // right of the spin edit, and what a tab's grid holds, are descriptions.
    Label1->setBuddy(edConnectPath);
    // The spin edit's text field is not the label's sibling, which a buddy must be.
    wwDBSpinEdit1->lineEdit()->setAccessibleName(Label14->text());
    wwDBSpinEdit1->lineEdit()->setAccessibleDescription(Label15->text());
    Label13->setBuddy(wwDBGrid3);
    wwDBGrid1->setAccessibleName(PageControl1->tabText(PageControl1->indexOf(TabSheet1)));
    wwDBGrid1->setAccessibleDescription(tr("The server's usage counters, one resource a row"));
    wwDBGrid2->setAccessibleName(PageControl1->tabText(PageControl1->indexOf(TabSheet3)));
    wwDBGrid2->setAccessibleDescription(
        tr("One user a row; the tables the selected user holds open are listed below, "
           "under \"%1\"")
            .arg(Label13->text()));
    chHistory->setAccessibleName(PageControl1->tabText(PageControl1->indexOf(TabSheet4)));
    // The panel's buttons in the order they stand, then the tabs.
    setTabOrder(fcShapeBtn1, btnTableHolders);
    setTabOrder(btnTableHolders, btnSnapshot);
    setTabOrder(btnSnapshot, PageControl1);
}

void TdlgRemoteInfo::setKnownServers(const QList<KnownServer> &servers)
{
    m_knownServers = servers;
    QStringList paths;
    for (const KnownServer &server : servers)
        paths.append(server.path);
    static_cast<QStringListModel *>(cmpKnownServers->model())->setStringList(paths);
    actKnownServers->setVisible(!paths.isEmpty());
}

void TdlgRemoteInfo::pickKnownServer(const QString &path)
{
    for (const KnownServer &server : std::as_const(m_knownServers)) {
        if (server.path != path)
            continue;
        try {
            setAdsServer(server.path, server.port);
        } catch (...) {
            // The edit shows what is connected, not the path that could not be.
            edConnectPath->setText(m_shownConnectPath);
            throw;
        }
        return;
    }
}

void TdlgRemoteInfo::findTableHolders(const QString &tableText)
{
    if (!m_session.findTableHolders(tableText))
        return;
    dlgTableHolders->show();
    dlgTableHolders->raise();
}

void TdlgRemoteInfo::tableHoldersFound(TableHolderSearch::Outcome outcome)
{
    // Told first: a refresh that would fail the same way waits until the box is answered.
    if (outcome == TableHolderSearch::Outcome::Failed)
        FailureDisplay::showMessage(HolderSearch->failure());
    m_session.resumeAfterSearch(isVisible());
}

void TdlgRemoteInfo::askSnapshotFile()
{
    const QString filePath = chooseSnapshotFile ? chooseSnapshotFile() : QString();
    if (!filePath.isEmpty())
        saveSnapshot(filePath);
}

void TdlgRemoteInfo::saveSnapshot(const QString &filePath)
{
    Snapshot::of(m_session).save(filePath);
}

void TdlgRemoteInfo::setHeadroomAndHistory(bool on)
{
    m_session.setHistory(on);
    wwDBGrid1->setMarks(on ? static_cast<const GridMarks *>(&m_usageGridMarks) : &m_usageMarks);
}

void TdlgRemoteInfo::setAdsServer(const QString &path, quint32 port)
{
    const QString connected = m_session.connectTo(path, port);
    if (!connected.isEmpty()) {
        m_shownConnectPath = connected;
        edConnectPath->setText(m_shownConnectPath);
        Refresh();
    }
}

namespace {

// The wait cursor for a refresh that is noticed: from the start when the one before was,
// else from the first step that ends past the threshold. Timed by the timer's clock.
class RefreshCursor {
public:
    RefreshCursor(const TTimer &clock, qint64 lastRefreshMs) : m_clock(clock), m_start(clock.now())
    {
        if (isNoticed(lastRefreshMs))
            set();
    }
    ~RefreshCursor()
    {
        if (m_set)
            QApplication::restoreOverrideCursor();
    }
    RefreshCursor(const RefreshCursor &) = delete;
    RefreshCursor &operator=(const RefreshCursor &) = delete;

    void step()
    {
        if (!m_set && isNoticed(m_clock.now() - m_start))
            set();
    }

private:
    void set()
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_set = true;
    }
    const TTimer &m_clock;
    const qint64 m_start;
    bool m_set = false;
};

} // namespace

void TdlgRemoteInfo::Refresh()
{
    RefreshCursor cursor(*Timer1, m_session.lastRefreshMs());
    m_session.refresh([&cursor] { cursor.step(); });
}

void TdlgRemoteInfo::fcShapeBtn1Click()
{
    try {
        m_session.refreshNow([this] { Refresh(); });
    } catch (const std::exception &error) {
        announceRefreshFailure(error);
        throw;
    }
}

void TdlgRemoteInfo::Timer1Timer()
{
    m_session.tick([this] { Refresh(); },
                   [this](const std::exception &error) {
                       announceRefreshFailure(error);
                       FailureDisplay::show(error);
                   });
}

void TdlgRemoteInfo::announceRefreshFailure(const std::exception &error)
{
    WindowAccess::announce(*this, tr("Refresh failed: %1").arg(Exception::messageOf(error)));
}

void TdlgRemoteInfo::wwDBSpinEdit1Change()
{
    m_session.setPeriod(wwDBSpinEdit1->value(), isVisible());
}

void TdlgRemoteInfo::applyPeriod(bool run)
{
    m_session.applyPeriod(wwDBSpinEdit1->value(), run);
}

void TdlgRemoteInfo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Shown after a successful remote check, which has just refreshed; restoring a
    // minimised window finds the timer running still.
    if (!event->spontaneous() && AdsConnect->IsConnected())
        applyPeriod(true);
}

void TdlgRemoteInfo::done(int result)
{
    QDialog::done(result);
    FailureDisplay::guard([this] { FormHide(); });
}

void TdlgRemoteInfo::FormHide()
{
    HolderSearch->cancel();
    dlgTableHolders->hide();
    m_session.close();
}

void TdlgRemoteInfo::qCnctUsersAfterScroll(TDataSetBase *)
{
    m_session.selectedUserTables();
}
