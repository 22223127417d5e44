#include "dlgRemoteInfoU.h"

#include "DBEdit.h"
#include "DBGrid.h"
#include "DriveUtils.h"
#include "FailureDisplay.h"
#include "HistoryChart.h"
#include "Platform.h"
#include "ShapeButton.h"
#include "Snapshot.h"
#include "SpinEdit.h"
#include "TableHoldersDialog.h"
#include "Timer.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
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
      m_platform(platform)
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

    const auto name = [](auto call) {
        WideChar buffer[257] = {};
        DWORD size = 257;
        return call(buffer, &size) ? QString(reinterpret_cast<const QChar *>(buffer)) : QString();
    };
    m_own.computer = name([&](WideChar *b, DWORD *n) { return m_platform.GetComputerNameW(b, n); });
    m_own.login = name([&](WideChar *b, DWORD *n) { return m_platform.GetUserNameW(b, n); });
    m_own.application = QFileInfo(m_platform.executablePath()).fileName();
}

TdlgRemoteInfo::~TdlgRemoteInfo()
{
    // The timer must not tick into a window that is going away.
    Timer1->setEnabled(false);
}

// The window's stored description: its components, created in a loading phase, so the
// queries hand their SQL to the engine as it is read.
void TdlgRemoteInfo::loadComponents()
{
    AdsConnect = new TAdsConnection(this);
    AdsConnect->setObjectName(QStringLiteral("AdsConnect"));
    AdsConnect->BeginLoading();
    // No preset connect path: nothing is connected before the first remote check.

    const auto query = [this](const char *name, const QString &sql) {
        auto *q = new TAdsQuery(this);
        q->setObjectName(QLatin1String(name));
        q->BeginLoading();
        q->setAdsConnection(AdsConnect);
        q->setSQL({sql});
        return q;
    };
    qUsageInfo = query("qUsageInfo", QStringLiteral("EXECUTE PROCEDURE sp_mgGetUsageInfo();"));
    qInstallInfo =
        query("qInstallInfo", QStringLiteral("EXECUTE PROCEDURE sp_mgGetInstallInfo();"));
    qCnctUsers = query("qCnctUsers", QStringLiteral("EXECUTE PROCEDURE sp_mgGetConnectedUsers();"));
    qUserTables =
        query("qUserTables", QStringLiteral("EXECUTE PROCEDURE sp_mgGetUserTables(:usr);"));
    TParam usr;
    usr.Name = QStringLiteral("usr");
    usr.DataType = TFieldType::ftWideString;
    usr.Value = QStringLiteral("WS01\\Administrator");
    qUserTables->setStoredParams({usr});
    qCnctUsers->AfterScroll = [this](TDataSetBase *dataSet) {
        if (!m_walkingUsers)
            qCnctUsersAfterScroll(dataSet);
    };

    const auto source = [this](const char *name, TAdsQuery *dataSet) {
        auto *s = new TDataSource(this);
        s->setObjectName(QLatin1String(name));
        s->setDataSet(dataSet);
        return s;
    };
    dsUsageInfo = source("dsUsageInfo", qUsageInfo);
    dsInstallInfo = source("dsInstallInfo", qInstallInfo);
    dsCnctUsers = source("dsCnctUsers", qCnctUsers);
    dsUserTables = source("dsUserTables", qUserTables);

    Timer1 = new TTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    // Ticks only while the window is shown: a closed monitor neither holds a connection
    // nor shows boxes over the main window.
    Timer1->setEnabled(false);
    Timer1->setOnTimer([this] { Timer1Timer(); });

    for (TAdsQuery *q : {qUsageInfo, qInstallInfo, qCnctUsers, qUserTables})
        q->Loaded();
    AdsConnect->Loaded();
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
    chHistory = new HistoryChart(m_history, TabSheet4);
    chHistory->setObjectName(QStringLiteral("chHistory"));
    layout->addWidget(chHistory);
    PageControl1->addTab(TabSheet4, QStringLiteral("Verlauf"));
}

void TdlgRemoteInfo::createTools()
{
    const QColor face(214, 224, 240);
    btnTableHolders = new ShapeButton(QStringLiteral("Tabelle suchen…"), face, Panel1);
    btnTableHolders->setObjectName(QStringLiteral("btnTableHolders"));
    btnTableHolders->setGeometry(556, 37, 116, 25);
    btnTableHolders->setToolTip(TableHoldersDialog::Title);
    btnSnapshot = new ShapeButton(QStringLiteral("Schnappschuss speichern…"), face, Panel1);
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
    actKnownServers->setToolTip(QStringLiteral("Gefundene Server"));
    actKnownServers->setVisible(false);
    connect(actKnownServers, &QAction::triggered, this, [this] {
        cmpKnownServers->setCompletionPrefix(QString());
        cmpKnownServers->complete();
    });

    HolderSearch = new TableHolderSearch(AdsConnect, this);
    HolderSearch->setObjectName(QStringLiteral("HolderSearch"));
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

    actTableHolders = new QAction(TableHoldersDialog::Title, this);
    wwDBGrid3->addAction(actTableHolders);
    connect(actTableHolders, &QAction::triggered, this, [this] {
        FailureDisplay::guard([this] {
            if (!qUserTables->Active() || qUserTables->IsEmpty())
                return;
            findTableHolders(qUserTables->FieldByName(QStringLiteral("TableName"))->AsString());
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
        return QFileDialog::getSaveFileName(this, QStringLiteral("Schnappschuss speichern"), name,
                                            QStringLiteral("Text (*.txt);;JSON (*.json)"));
    };
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
    const QString text = tableText.trimmed();
    if (text.isEmpty())
        return;
    // A search still running ends first and gives the timer back, so the pause is this one's.
    HolderSearch->cancel();
    QList<TableHolderSearch::User> users = TableHolderSearch::usersOf(*qCnctUsers);
    m_resumeTimer = Timer1->Enabled();
    Timer1->setEnabled(false);
    HolderSearch->start(text, std::move(users));
    dlgTableHolders->show();
    dlgTableHolders->raise();
}

void TdlgRemoteInfo::tableHoldersFound(TableHolderSearch::Outcome outcome)
{
    // Told first: a refresh that would fail the same way waits until the box is answered.
    if (outcome == TableHolderSearch::Outcome::Failed)
        FailureDisplay::showMessage(HolderSearch->failure());
    Timer1->setEnabled(m_resumeTimer && isVisible());
}

void TdlgRemoteInfo::runTimer(bool run)
{
    if (HolderSearch->isRunning())
        m_resumeTimer = run;
    else
        Timer1->setEnabled(run);
}

void TdlgRemoteInfo::askSnapshotFile()
{
    const QString filePath = chooseSnapshotFile ? chooseSnapshotFile() : QString();
    if (!filePath.isEmpty())
        saveSnapshot(filePath);
}

void TdlgRemoteInfo::saveSnapshot(const QString &filePath)
{
    Snapshot snapshot;
    snapshot.connectPath = AdsConnect->ConnectPath();
    snapshot.time = QDateTime::currentDateTime();
    snapshot.add(QStringLiteral("sp_mgGetUsageInfo"), *qUsageInfo);
    snapshot.add(QStringLiteral("sp_mgGetInstallInfo"), *qInstallInfo);
    snapshot.add(QStringLiteral("sp_mgGetConnectedUsers"), *qCnctUsers);
    snapshot.add(
        QStringLiteral("sp_mgGetUserTables('%1')").arg(qUserTables->Params()[0].Value.toString()),
        *qUserTables);
    snapshot.save(filePath);
}

void TdlgRemoteInfo::setHeadroomAndHistory(bool on)
{
    m_headroomAndHistory = on;
    wwDBGrid1->setMarks(on ? static_cast<const GridMarks *>(&m_usageGridMarks) : &m_usageMarks);
    if (!on)
        m_history.clear();
}

void TdlgRemoteInfo::addToHistory(const QList<UsageHistory::InUse> &inUse)
{
    if (!m_headroomAndHistory)
        return;
    m_history.add(Timer1->now(), inUse,
                  qCnctUsers->Active() ? std::optional(qint64(qCnctUsers->RecordCount()))
                                       : std::nullopt);
    chHistory->update();
}

void TdlgRemoteInfo::setAdsServer(const QString &path, quint32 port)
{
    HolderSearch->cancel();
    m_history.clear();
    chHistory->update();
    m_lastTickFailure.clear();
    m_usageChanges.clear();
    m_userChanges.clear();
    AdsConnect->setIsConnected(false);
    QChar buffer[ShareBufferLength];
    std::fill(std::begin(buffer), std::end(buffer), QLatin1Char(' '));
    const QString server = SplitUNCPath(m_platform, path, buffer);
    // The buffer's whole text without surrounding blanks and control characters: the
    // terminator and the spaces after it go too.
    QString share(buffer, ShareBufferLength - 1);
    const qsizetype nul = share.indexOf(QChar(0));
    if (nul >= 0)
        share.truncate(nul);
    share = share.trimmed();
    const auto connectPath = [&] { return ConnectPathOf(server, port, share); };
    AdsConnect->setConnectPath(connectPath());
    try {
        AdsConnect->Connect();
    } catch (...) {
        AdsConnect->setConnectPath(connectPath());
        AdsConnect->Connect();
    }
    if (AdsConnect->IsConnected()) {
        m_shownConnectPath = connectPath();
        edConnectPath->setText(m_shownConnectPath);
        Refresh();
    }
}

namespace {

// A field's value in the current record as text, without display formatting: the walk
// over every user compares many of them.
QString valueText(const TField *field)
{
    if (!field)
        return {};
    const QVariant value = field->Value();
    return value.isNull() ? QString() : value.toString();
}

// The fields of the connected users a refresh compares; any of them may be missing from a
// server's answer and then reads as empty.
struct UserFields {
    explicit UserFields(const TDataSetBase &users)
        : connection(users.FindField(QStringLiteral("ConnNumber"))),
          computer(users.FindField(QStringLiteral("UserName"))),
          login(users.FindField(QStringLiteral("OSUserLoginName"))),
          application(users.FindField(QStringLiteral("ApplicationID")))
    {
    }
    const TField *of(QString ConnectedUser::*value) const
    {
        return value == &ConnectedUser::connection ? connection
               : value == &ConnectedUser::computer ? computer
               : value == &ConnectedUser::login    ? login
                                                   : application;
    }
    // The current record's values, all of them.
    ConnectedUser current() const
    {
        return {valueText(connection), valueText(computer), valueText(login),
                valueText(application)};
    }

    const TField *connection, *computer, *login, *application;
};

// The user the cursor is on.
SelectedUser userAt(const TDataSetBase &users)
{
    SelectedUser at;
    at.at = positionOf(users);
    if (at.at.recNo > 0)
        at.user = UserFields(users).current();
    return at;
}

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
        if (!m_set && isNoticed(elapsed()))
            set();
    }
    qint64 elapsed() const { return m_clock.now() - m_start; }

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
    RefreshCursor cursor(*Timer1, m_lastRefreshMs);
    // A failed refresh counts too: the next one likely waits as long.
    const auto took = qScopeGuard([&] { m_lastRefreshMs = cursor.elapsed(); });
    const CursorPosition usage = positionOf(*qUsageInfo);
    const SelectedUser user = userAt(*qCnctUsers);
    qUsageInfo->Close();
    qInstallInfo->Close();
    qCnctUsers->Close();
    QList<UsageHistory::InUse> inUse;
    reopenUsage(usage, inUse);
    cursor.step();
    qInstallInfo->Open();
    cursor.step();
    reopenUsers(user, [&cursor] { cursor.step(); });
    addToHistory(inUse);
}

void TdlgRemoteInfo::reopenUsage(const CursorPosition &was, QList<UsageHistory::InUse> &inUse)
{
    qUsageInfo->Open();
    qUsageInfo->DisableControls();
    const auto enable = qScopeGuard([this] { qUsageInfo->EnableControls(); });
    m_usageChanges.beginRecording();
    const TField *resource = qUsageInfo->FindField(QStringLiteral("ResourceName"));
    const TField *count = qUsageInfo->FindField(QStringLiteral("InUse"));
    const bool sample = m_headroomAndHistory && resource && count;
    bool all = true;
    for (qUsageInfo->First(); !qUsageInfo->Eof(); qUsageInfo->Next()) {
        if (!m_usageChanges.record(*qUsageInfo)) {
            all = false;
            break;
        }
        if (sample && inUse.size() < UsageHistory::MaxResources && !count->IsNull()) {
            bool isNumber = false;
            const qint64 value = count->Value().toLongLong(&isNumber);
            if (isNumber)
                inUse.append({valueText(resource), value});
        }
    }
    m_usageChanges.endRecording(all);
    moveTo(*qUsageInfo, was);
}

void TdlgRemoteInfo::reopenUsers(const SelectedUser &was, const std::function<void()> &step)
{
    {
        m_walkingUsers = true;
        const auto done = qScopeGuard([this] { m_walkingUsers = false; });
        qCnctUsers->Open();
        qCnctUsers->DisableControls();
        const auto enable = qScopeGuard([this] { qCnctUsers->EnableControls(); });
        m_userChanges.beginRecording();
        m_userChanges.setOwnKey({});
        ConnectedUsersScan scan(was.at.recNo > 0 ? std::optional(was.user) : std::nullopt, m_own,
                                selectedUserScanRows(was.at.recNo, qCnctUsers->RecordSize()));
        const UserFields fields(*qCnctUsers);
        bool all = true;
        int index = 0;
        for (qCnctUsers->First(); !qCnctUsers->Eof(); qCnctUsers->Next(), ++index) {
            if (all && !m_userChanges.record(*qCnctUsers))
                all = false;
            if (scan.needsRows()) {
                scan.take([&fields](QString ConnectedUser::*value) {
                    return valueText(fields.of(value));
                });
                if (scan.ownRow() == index)
                    m_userChanges.setOwnKey(m_userChanges.currentKey(*qCnctUsers));
            }
            // Past the recorded rows only the selected user is still looked for.
            if (!all && !scan.seeksSelected())
                break;
        }
        m_userChanges.endRecording(all);
        const int target = scan.selectedRow();
        moveTo(*qCnctUsers,
               target >= 0 ? CursorPosition{target + 1, was.at.row} : CursorPosition{});
    }
    step();
    if (qCnctUsers->IsEmpty())
        qUserTables->Close();
    else
        qCnctUsersAfterScroll(qCnctUsers);
}

void TdlgRemoteInfo::fcShapeBtn1Click()
{
    m_lastTickFailure.clear();
    const bool wasEnabled = Timer1->Enabled();
    Timer1->setEnabled(false);
    try {
        Refresh();
    } catch (...) {
        // A failed refresh is shown; automatic refresh goes on as it was.
        Timer1->setEnabled(wasEnabled);
        throw;
    }
    Timer1->setEnabled(wasEnabled);
}

void TdlgRemoteInfo::Timer1Timer()
{
    if (AdsConnect->ConnectPath().isEmpty() || m_tickBoxOpen)
        return;
    try {
        Refresh();
        m_lastTickFailure.clear();
    } catch (const std::exception &error) {
        const QString message = FailureDisplay::messageOf(error);
        if (message == m_lastTickFailure)
            return;
        m_lastTickFailure = message;
        m_tickBoxOpen = true;
        FailureDisplay::show(error);
        m_tickBoxOpen = false;
    }
}

void TdlgRemoteInfo::wwDBSpinEdit1Change()
{
    m_lastTickFailure.clear();
    // Every change restarts the countdown, also to the period the timer already has.
    Timer1->setEnabled(false);
    m_resumeTimer = false;
    applyPeriod(isVisible());
}

void TdlgRemoteInfo::applyPeriod(bool run)
{
    // No period leaves the timer stopped, its interval as it was.
    if (const int period = refreshPeriodMs(wwDBSpinEdit1->value()); period > 0) {
        Timer1->setInterval(period);
        runTimer(run);
    }
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
    Timer1->setEnabled(false);
    m_usageChanges.clear();
    m_userChanges.clear();
    AdsConnect->Disconnect();
}

void TdlgRemoteInfo::qCnctUsersAfterScroll(TDataSetBase *)
{
    qUserTables->Close();
    const QString user = qCnctUsers->FieldByName(QStringLiteral("UserName"))->AsString();
    const QString login = qCnctUsers->FieldByName(QStringLiteral("OSUserLoginName"))->AsString();
    qUserTables->Params()[0].setAsString(QStringLiteral("%1\\%2").arg(user, login));
    qUserTables->Open();
}
