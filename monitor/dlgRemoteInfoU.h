#pragma once

#include "ChangeMarks.h"
#include "HeadroomMarks.h"
#include "MonitorSession.h"
#include "ServerDiscovery.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class DBEdit;
class DBGrid;
class HistoryChart;
class Platform;
class QAction;
class QCompleter;
class QLabel;
class QLineEdit;
class QSplitter;
class QTabWidget;
class QWidget;
class ShapeButton;
class SpinEdit;
class TAdsConnection;
class TAdsQuery;
class TableHoldersDialog;
class TDataSetBase;
class TDataSource;
class TTimer;

// A server discovery found, as the connect path edit offers it: the UNC path of a share
// and the port the server answered at.
struct KnownServer {
    QString path;
    quint32 port = FirstProbePort;
};

// The remote server monitor: one server's usage counters, installation data, connected
// users and the tables the selected user holds open, refreshed on a timer.
class TdlgRemoteInfo : public QDialog {
    Q_OBJECT
public:
    TdlgRemoteInfo(Platform &platform, QWidget *owner = nullptr);
    ~TdlgRemoteInfo() override;

    // Connects to the server behind a share's path at the given port (one retry) and
    // refreshes.
    void setAdsServer(const QString &path, quint32 port = FirstProbePort);
    void Refresh();

    // The servers discovery found: the connect path edit offers their paths, and picking one
    // connects to it at its port.
    void setKnownServers(const QList<KnownServer> &servers);
    // Asks each connected user, one call at a time, whether it holds a table whose name
    // contains the text; automatic refresh pauses meanwhile. dlgTableHolders shows it.
    void findTableHolders(const QString &tableText);
    // Saves the four results as the window has them (Snapshot); no cursor moves.
    void saveSnapshot(const QString &filePath);
    // Asks where "Schnappschuss speichern…" saves to; empty for nowhere. Tests answer it.
    std::function<QString()> chooseSnapshotFile;
    const UsageHistory &history() const { return m_session.history(); }
    // The monitor's work, which this window shows.
    MonitorSession &session() { return m_session; }
    // The headroom marks and the usage history are on from the start; off only to measure
    // what they cost.
    void setHeadroomAndHistory(bool on);

    void fcShapeBtn1Click();
    void Timer1Timer();
    void wwDBSpinEdit1Change();
    void FormHide();
    void qCnctUsersAfterScroll(TDataSetBase *dataSet);

    TAdsConnection *AdsConnect;
    TAdsQuery *qUsageInfo;
    TAdsQuery *qInstallInfo;
    TAdsQuery *qCnctUsers;
    TAdsQuery *qUserTables;
    TDataSource *dsUsageInfo;
    TDataSource *dsInstallInfo;
    TDataSource *dsCnctUsers;
    TDataSource *dsUserTables;
    TTimer *Timer1;

    QWidget *Panel1;
    QLabel *Label1;
    QLineEdit *edConnectPath;
    QLabel *Label14;
    SpinEdit *wwDBSpinEdit1;
    QLabel *Label15;
    ShapeButton *fcShapeBtn1;
    ShapeButton *btnTableHolders;
    ShapeButton *btnSnapshot;
    QCompleter *cmpKnownServers;
    QAction *actKnownServers; // the edit's drop-down button, shown once servers are known
    QTabWidget *PageControl1;
    QWidget *TabSheet1;
    QWidget *TabSheet2;
    QWidget *TabSheet3;
    DBGrid *wwDBGrid1;
    QSplitter *Splitter2;
    QList<QLabel *> installLabels;
    QList<DBEdit *> installEdits; // wwDBEdit1 .. wwDBEdit11
    DBGrid *wwDBGrid2;
    QSplitter *Splitter1;
    QLabel *Label13;
    DBGrid *wwDBGrid3;
    QWidget *TabSheet4;
    HistoryChart *chHistory;
    QAction *actTableHolders; // in the context menu of wwDBGrid3
    QAction *actSnapshot;     // in every grid's context menu
    TableHolderSearch *HolderSearch;
    TableHoldersDialog *dlgTableHolders;

    // Closing (the system close, Esc) stops the timer and disconnects; minimising does not.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The timer component as the session drives it.
    class TimerControl : public RefreshTimer {
    public:
        explicit TimerControl(TTimer *&timer) : m_timer(timer) {}
        bool isRunning() const override;
        void setRunning(bool running) override;
        void setPeriod(int milliseconds) override;
        qint64 now() const override;

    private:
        TTimer *&m_timer;
    };

    void loadComponents();
    void createPanel();
    void createDatabaseTab();
    void createInstallationTab();
    void createUsersTab();
    void createHistoryTab();
    // What came after the window's first design: its buttons, menu entries, the search.
    void createTools();
    void pickKnownServer(const QString &path);
    void askSnapshotFile();
    void tableHoldersFound(TableHolderSearch::Outcome outcome);
    // Lets the timer run at the spin edit's period, if it gives one, or not.
    void applyPeriod(bool run);
    // Names, descriptions and the tab order for keyboard and screen-reader users.
    void describeForScreenReaders();
    void announceRefreshFailure(const std::exception &error);

    Platform &m_platform;
    TimerControl m_timerControl{Timer1};
    MonitorSession m_session;
    ChangeMarks m_usageMarks{m_session.usageChanges()};
    ChangeMarks m_userMarks{m_session.userChanges()};
    HeadroomMarks m_headroomMarks;
    LayeredMarks m_usageGridMarks{{&m_usageMarks, &m_headroomMarks}};
    QList<KnownServer> m_knownServers;
    // The connect path as the last successful check showed it.
    QString m_shownConnectPath;
};

// The program-wide reference to the monitor; empty until it is created.
extern QPointer<TdlgRemoteInfo> dlgRemoteInfo;
