#include "MonitorSession.h"

#include "DriveUtils.h"
#include "Exception.h"
#include "MonitorNames.h"
#include "Platform.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QFileInfo>
#include <QScopeGuard>
#include <algorithm>
#include <chrono>

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
        : computer(users.FindField(MonitorNames::UserName)),
          login(users.FindField(MonitorNames::OSUserLoginName)),
          application(users.FindField(MonitorNames::ApplicationID)),
          connection(users.FindField(MonitorNames::ConnNumber))
    {
    }
    const TField *of(QString UserIdentity::*value) const
    {
        return value == &UserIdentity::connection ? connection
               : value == &UserIdentity::computer ? computer
               : value == &UserIdentity::login    ? login
                                                  : application;
    }
    // The current record's values, all of them.
    UserIdentity current() const
    {
        return {valueText(computer), valueText(login), valueText(application),
                valueText(connection)};
    }

    const TField *computer, *login, *application, *connection;
};

// A name the platform gives in a buffer of the size Windows allows for it.
template <typename Call> QString platformName(Call call)
{
    WideChar buffer[257] = {};
    DWORD size = 257;
    return call(buffer, &size) ? QString::fromUtf16(buffer) : QString();
}

} // namespace

MonitorSession::MonitorSession(Platform &platform, RefreshTimer *timer, QObject *owner)
    : m_platform(platform), m_timer(timer)
{
    QObject *components = owner ? owner : this;
    // Loaded as a stored window is: the queries hand their SQL to the engine as it is read.
    AdsConnect = new TAdsConnection(components);
    AdsConnect->setObjectName(QStringLiteral("AdsConnect"));
    AdsConnect->BeginLoading();
    // No preset connect path: nothing is connected before the first remote check.
    const auto query = [&](const char *name, const QString &procedure, const QString &arguments) {
        auto *q = new TAdsQuery(components);
        q->setObjectName(QLatin1String(name));
        q->BeginLoading();
        q->setAdsConnection(AdsConnect);
        q->setSQL({MonitorNames::executeSql(procedure, arguments)});
        return q;
    };
    qUsageInfo = query("qUsageInfo", MonitorNames::UsageInfo, {});
    qInstallInfo = query("qInstallInfo", MonitorNames::InstallInfo, {});
    qCnctUsers = query("qCnctUsers", MonitorNames::ConnectedUsers, {});
    qUserTables = query("qUserTables", MonitorNames::UserTables, QStringLiteral(":usr"));
    TParam usr;
    usr.Name = QStringLiteral("usr");
    usr.DataType = TFieldType::ftWideString;
    usr.Value = QStringLiteral("WS01\\Administrator");
    qUserTables->setStoredParams({usr});
    qCnctUsers->AfterScroll = [this](TDataSetBase *) { selectedUserTables(); };

    const auto source = [&](const char *name, TAdsQuery *dataSet) {
        auto *s = new TDataSource(components);
        s->setObjectName(QLatin1String(name));
        s->setDataSet(dataSet);
        return s;
    };
    dsUsageInfo = source("dsUsageInfo", qUsageInfo);
    dsInstallInfo = source("dsInstallInfo", qInstallInfo);
    dsCnctUsers = source("dsCnctUsers", qCnctUsers);
    dsUserTables = source("dsUserTables", qUserTables);
    for (TAdsQuery *q : {qUsageInfo, qInstallInfo, qCnctUsers, qUserTables})
        q->Loaded();
    AdsConnect->Loaded();

    HolderSearch = new TableHolderSearch(AdsConnect, components);
    HolderSearch->setObjectName(QStringLiteral("HolderSearch"));

    m_own.computer = platformName(
        [&](WideChar *buffer, DWORD *size) { return m_platform.GetComputerNameW(buffer, size); });
    m_own.login = platformName(
        [&](WideChar *buffer, DWORD *size) { return m_platform.GetUserNameW(buffer, size); });
    m_own.application = QFileInfo(m_platform.executablePath()).fileName();
}

MonitorSession::~MonitorSession() = default;

qint64 MonitorSession::now() const
{
    if (m_timer)
        return m_timer->now();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QString monitorConnectPath(Platform &platform, const QString &path, quint32 port)
{
    QChar buffer[ShareBufferLength];
    std::fill(std::begin(buffer), std::end(buffer), QLatin1Char(' '));
    const QString server = SplitUNCPath(platform, path, buffer);
    // The buffer's whole text without surrounding blanks and control characters: the
    // terminator and the spaces after it go too.
    QString share(buffer, ShareBufferLength - 1);
    const qsizetype nul = share.indexOf(QChar(0));
    if (nul >= 0)
        share.truncate(nul);
    share = share.trimmed();
    return ConnectPathOf(server, port, share);
}

QString MonitorSession::connectTo(const QString &path, quint32 port)
{
    HolderSearch->cancel();
    m_history.clear();
    emit historyChanged();
    m_lastTickFailure.clear();
    m_usageChanges.clear();
    m_userChanges.clear();
    AdsConnect->setIsConnected(false);
    const QString connectPath = monitorConnectPath(m_platform, path, port);
    AdsConnect->setConnectPath(connectPath);
    try {
        AdsConnect->Connect();
    } catch (...) {
        AdsConnect->setConnectPath(connectPath);
        AdsConnect->Connect();
    }
    if (!AdsConnect->IsConnected())
        return {};
    m_connectedPath = connectPath;
    return connectPath;
}

void MonitorSession::refresh(const std::function<void()> &step)
{
    const qint64 start = now();
    // A failed refresh counts too: the next one likely waits as long.
    const auto took = qScopeGuard([&] { m_lastRefreshMs = now() - start; });
    const auto stepped = [&step] {
        if (step)
            step();
    };
    const CursorPosition usage = positionOf(*qUsageInfo);
    const CursorPosition userAt = positionOf(*qCnctUsers);
    const UserIdentity user = userAt.recNo > 0 ? UserFields(*qCnctUsers).current() : UserIdentity();
    qUsageInfo->Close();
    qInstallInfo->Close();
    qCnctUsers->Close();
    QList<UsageHistory::InUse> inUse;
    reopenUsage(usage, inUse);
    stepped();
    qInstallInfo->Open();
    stepped();
    reopenUsers(userAt, user, stepped);
    addToHistory(inUse);
}

void MonitorSession::reopenUsage(const CursorPosition &was, QList<UsageHistory::InUse> &inUse)
{
    qUsageInfo->Open();
    qUsageInfo->DisableControls();
    const auto enable = qScopeGuard([this] { qUsageInfo->EnableControls(); });
    m_usageChanges.beginRecording();
    const TField *resource = qUsageInfo->FindField(MonitorNames::ResourceName);
    const TField *count = qUsageInfo->FindField(MonitorNames::InUse);
    const bool sample = m_historyOn && resource && count;
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

void MonitorSession::reopenUsers(const CursorPosition &wasAt, const UserIdentity &wasUser,
                                 const std::function<void()> &step)
{
    {
        m_walkingUsers = true;
        const auto done = qScopeGuard([this] { m_walkingUsers = false; });
        qCnctUsers->Open();
        qCnctUsers->DisableControls();
        const auto enable = qScopeGuard([this] { qCnctUsers->EnableControls(); });
        m_userChanges.beginRecording();
        m_userChanges.setOwnKey({});
        ConnectedUsersScan scan(wasAt.recNo > 0 ? std::optional(wasUser) : std::nullopt, m_own,
                                selectedUserScanRows(wasAt.recNo, qCnctUsers->RecordSize()));
        const UserFields fields(*qCnctUsers);
        bool all = true;
        int index = 0;
        for (qCnctUsers->First(); !qCnctUsers->Eof(); qCnctUsers->Next(), ++index) {
            if (all && !m_userChanges.record(*qCnctUsers))
                all = false;
            if (scan.needsRows()) {
                scan.take([&fields](QString UserIdentity::*value) {
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
        moveTo(*qCnctUsers, target >= 0 ? CursorPosition{target + 1, wasAt.row} : CursorPosition{});
    }
    step();
    if (qCnctUsers->IsEmpty())
        qUserTables->Close();
    else if (qCnctUsers->AfterScroll)
        qCnctUsers->AfterScroll(qCnctUsers);
    else
        selectedUserTables();
}

void MonitorSession::selectedUserTables()
{
    if (m_walkingUsers)
        return;
    qUserTables->Close();
    const QString user = qCnctUsers->FieldByName(MonitorNames::UserName)->AsString();
    const QString login = qCnctUsers->FieldByName(MonitorNames::OSUserLoginName)->AsString();
    qUserTables->Params()[0].setAsString(QStringLiteral("%1\\%2").arg(user, login));
    qUserTables->Open();
}

void MonitorSession::addToHistory(const QList<UsageHistory::InUse> &inUse)
{
    if (!m_historyOn)
        return;
    m_history.add(now(), inUse,
                  qCnctUsers->Active() ? std::optional(qint64(qCnctUsers->RecordCount()))
                                       : std::nullopt);
    emit historyChanged();
}

void MonitorSession::setHistory(bool on)
{
    m_historyOn = on;
    if (!on) {
        m_history.clear();
        emit historyChanged();
    }
}

void MonitorSession::tick(const std::function<void()> &refreshing,
                          const std::function<void(const std::exception &)> &show)
{
    if (AdsConnect->ConnectPath().isEmpty() || m_tickFailureShown)
        return;
    try {
        refreshing();
        m_lastTickFailure.clear();
    } catch (const std::exception &error) {
        const QString message = Exception::messageOf(error);
        if (message == m_lastTickFailure)
            return;
        m_lastTickFailure = message;
        m_tickFailureShown = true;
        const auto shown = qScopeGuard([this] { m_tickFailureShown = false; });
        if (show)
            show(error);
    }
}

void MonitorSession::refreshNow(const std::function<void()> &refreshing)
{
    m_lastTickFailure.clear();
    const bool wasRunning = m_timer && m_timer->isRunning();
    if (m_timer)
        m_timer->setRunning(false);
    // A failed refresh is raised; automatic refresh goes on as it was.
    const auto restore = qScopeGuard([&] {
        if (m_timer)
            m_timer->setRunning(wasRunning);
    });
    refreshing();
}

void MonitorSession::setPeriod(double seconds, bool run)
{
    m_lastTickFailure.clear();
    // Every change restarts the countdown, also to the period the timer already has.
    if (m_timer)
        m_timer->setRunning(false);
    m_resumeTimer = false;
    applyPeriod(seconds, run);
}

void MonitorSession::applyPeriod(double seconds, bool run)
{
    // No period leaves the timer stopped, its interval as it was.
    if (const int period = refreshPeriodMs(seconds); period > 0 && m_timer) {
        m_timer->setPeriod(period);
        runTimer(run);
    }
}

void MonitorSession::runTimer(bool run)
{
    if (HolderSearch->isRunning())
        m_resumeTimer = run;
    else if (m_timer)
        m_timer->setRunning(run);
}

bool MonitorSession::findTableHolders(const QString &tableText)
{
    const QString text = tableText.trimmed();
    if (text.isEmpty())
        return false;
    // A search still running ends first and gives the timer back, so the pause is this one's.
    HolderSearch->cancel();
    QList<UserIdentity> users = TableHolderSearch::usersOf(*qCnctUsers);
    m_resumeTimer = m_timer && m_timer->isRunning();
    if (m_timer)
        m_timer->setRunning(false);
    HolderSearch->start(text, std::move(users));
    return true;
}

void MonitorSession::resumeAfterSearch(bool run)
{
    if (m_timer)
        m_timer->setRunning(m_resumeTimer && run);
}

void MonitorSession::close()
{
    HolderSearch->cancel();
    if (m_timer)
        m_timer->setRunning(false);
    m_usageChanges.clear();
    m_userChanges.clear();
    AdsConnect->Disconnect();
}
