#pragma once

#include "ChangeMarks.h"
#include "GridChanges.h"
#include "MonitorRules.h"

#include <QDialog>
#include <QPointer>
#include <functional>

class DBEdit;
class DBGrid;
class Platform;
class QLabel;
class QLineEdit;
class QSplitter;
class QTabWidget;
class QWidget;
class ShapeButton;
class SpinEdit;
class TAdsConnection;
class TAdsQuery;
class TDataSetBase;
class TDataSource;
class TTimer;

// Where a data set's cursor stands: its record (0 for none) and its row in the grid's
// window.
struct CursorPosition {
    int recNo = 0;
    int row = 0;
};
// The connected user a cursor stands on.
struct SelectedUser {
    CursorPosition at;
    ConnectedUser user;
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
    void setAdsServer(const QString &path, quint32 port = 6262);
    void Refresh();

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

    // Closing (the system close, Esc) stops the timer and disconnects; minimising does not.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void loadComponents();
    void createPanel();
    void createDatabaseTab();
    void createInstallationTab();
    void createUsersTab();
    // Sets the timer to the spin edit's period, if it gives one, and lets it run or not.
    void applyPeriod(bool run);
    // Reopens the usage query and records its rows, the cursor back where it was.
    void reopenUsage(const CursorPosition &was);
    // Reopens the users query and records its rows, the cursor back on the user it was on;
    // the user's tables are asked for once.
    void reopenUsers(const SelectedUser &was, const std::function<void()> &step);

    Platform &m_platform;
    // A timer's failure is shown once: no tick refreshes while its box is open, and the
    // same message again shows nothing until something resets it.
    bool m_tickBoxOpen = false;
    QString m_lastTickFailure;
    // While the users query is walked, moving through it asks for no user's tables.
    bool m_walkingUsers = false;
    // How long the last refresh took, for the wait cursor.
    qint64 m_lastRefreshMs = 0;
    GridChanges m_usageChanges{{QStringLiteral("ResourceName")}};
    GridChanges m_userChanges{{QStringLiteral("ConnNumber")}};
    ChangeMarks m_usageMarks{m_usageChanges};
    ChangeMarks m_userMarks{m_userChanges};
    Workstation m_own;
};

// The program-wide reference to the monitor; empty until it is created.
extern QPointer<TdlgRemoteInfo> dlgRemoteInfo;
