#pragma once

#include "DataSetWalk.h"
#include "GridChanges.h"
#include "MonitorNames.h"
#include "MonitorRules.h"
#include "TableHolderSearch.h"
#include "UsageHistory.h"

#include <QObject>
#include <QString>
#include <exception>
#include <functional>

class Platform;
class TAdsConnection;
class TAdsQuery;
class TDataSetBase;
class TDataSource;

// The connect path the monitor makes of a share's path ("\\server\share", or a drive's
// path) and a port: the server, the port and everything after the server, trimmed.
QString monitorConnectPath(Platform &platform, const QString &path, quint32 port);

// The timer the monitor refreshes by, as the session needs it: a window's timer component,
// or a test's.
class RefreshTimer {
public:
    virtual ~RefreshTimer() = default;
    virtual bool isRunning() const = 0;
    virtual void setRunning(bool running) = 0;
    virtual void setPeriod(int milliseconds) = 0;
    // The time in milliseconds on the clock the timer counts on.
    virtual qint64 now() const = 0;
};

// The monitor's work without its window: the connection to one server, the four
// procedures and the refresh in their order, connecting with a retry, when the timer runs,
// the history and the change marks' records, the table-holder search, and who the monitor
// itself is. The window shows what it reads and tells it what the user does.
class MonitorSession : public QObject {
    Q_OBJECT
public:
    // The data components are the owner's (the window that shows them), else the session's;
    // the timer is not owned and may be none (then the session decides nothing about it).
    MonitorSession(Platform &platform, RefreshTimer *timer, QObject *owner = nullptr);
    ~MonitorSession() override;

    // The data components, named as the monitor's window names them.
    TAdsConnection *AdsConnect;
    TAdsQuery *qUsageInfo;
    TAdsQuery *qInstallInfo;
    TAdsQuery *qCnctUsers;
    TAdsQuery *qUserTables;
    TDataSource *dsUsageInfo;
    TDataSource *dsInstallInfo;
    TDataSource *dsCnctUsers;
    TDataSource *dsUserTables;
    TableHolderSearch *HolderSearch;

    // Who the monitor is to the server: this computer, this login, this program.
    const UserIdentity &own() const { return m_own; }

    // Connects to the server behind a share's path ("\\server\share" or a drive's path) at
    // the port, trying once more when the first attempt fails; what was recorded of the
    // server before (the changes, the history, a search) goes first. Raises when the second
    // attempt fails too. Gives the connect path once connected (the caller refreshes then),
    // else none.
    QString connectTo(const QString &path, quint32 port);
    // The connect path of the last check that connected; empty before the first.
    const QString &connectedPath() const { return m_connectedPath; }

    // Reads the usage counters, the installation data and the connected users anew, in that
    // order: each cursor back on the row (the user) it was on, the selected user's tables
    // asked for once, the rows recorded for the change marks and the counters for the
    // history. step is called after each stage. Raises the first failure.
    void refresh(const std::function<void()> &step = {});
    // How long the last refresh took, failed or not, by the timer's clock.
    qint64 lastRefreshMs() const { return m_lastRefreshMs; }
    qint64 now() const;

    // A tick of the timer: refreshes through refreshing (the window's refresh, with its wait
    // cursor) unless there is no server yet or a tick's failure is being shown. A failure is
    // handed to show once; the same message again is not, until forgetTickFailure().
    void tick(const std::function<void()> &refreshing,
              const std::function<void(const std::exception &)> &show);
    void forgetTickFailure() { m_lastTickFailure.clear(); }
    // A refresh the user asks for: the timer paused meanwhile and then as it was, a failure
    // raised (and no tick failure remembered).
    void refreshNow(const std::function<void()> &refreshing);

    // The period the user set, in seconds: every change restarts the countdown; no period
    // (below a second) leaves the timer stopped. run: whether the timer may run (the window
    // is shown).
    void setPeriod(double seconds, bool run);
    // Lets the timer run at the period set, or not; a search holds it until it ends.
    void applyPeriod(double seconds, bool run);

    // The selected user's tables: the user the connected users' cursor is on.
    void selectedUserTables();

    // Starts the search for a table's holders among the connected users, the timer paused
    // until the search ends; false when the text is blank.
    bool findTableHolders(const QString &tableText);
    // The search has ended: the timer runs again if it ran before it and may run now.
    void resumeAfterSearch(bool run);

    const UsageHistory &history() const { return m_history; }
    const GridChanges &usageChanges() const { return m_usageChanges; }
    const GridChanges &userChanges() const { return m_userChanges; }
    // The history is kept from the start; off only to measure what it costs.
    void setHistory(bool on);

    // The window closes: the search ends, the timer stops, the records go, the connection
    // closes.
    void close();

signals:
    void historyChanged();

private:
    void runTimer(bool run);
    void reopenUsage(const CursorPosition &was, QList<UsageHistory::InUse> &inUse);
    void reopenUsers(const CursorPosition &wasAt, const UserIdentity &wasUser,
                     const std::function<void()> &step);
    void addToHistory(const QList<UsageHistory::InUse> &inUse);

    Platform &m_platform;
    RefreshTimer *m_timer;
    UserIdentity m_own;
    QString m_connectedPath;
    qint64 m_lastRefreshMs = 0;
    // A timer's failure is shown once: no tick refreshes while its box is open, and the same
    // message again shows nothing until something resets it.
    bool m_tickFailureShown = false;
    QString m_lastTickFailure;
    // While the users query is walked, moving through it asks for no user's tables.
    bool m_walkingUsers = false;
    // Whether the timer runs again once the search that holds it is over.
    bool m_resumeTimer = false;
    bool m_historyOn = true;
    GridChanges m_usageChanges{{MonitorNames::ResourceName}};
    GridChanges m_userChanges{{MonitorNames::ConnNumber}};
    UsageHistory m_history;
};
