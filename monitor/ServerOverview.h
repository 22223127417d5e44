#pragma once

#include "OverviewRows.h"
#include "ServerPolls.h"

#include <QDialog>

class QLabel;
class QPushButton;
class SpinEdit;
class TextTable;
class TTimer;

// "Alle Server…": every server discovery found, each read on a connection of its own, side
// by side (ServerPolls), when the window opens and then every period the user sets. A
// server that answers slowly or not at all shows so without holding up the others; the
// resource nearest its limit and the rejections wear the monitor's headroom colours.
// Double-clicking a row asks for the monitor on that server (serverChosen). Closing stops
// the timer and drops whatever the readings that still run will give.
class ServerOverview : public QDialog {
    Q_OBJECT
public:
    explicit ServerOverview(QWidget *parent = nullptr);
    ~ServerOverview() override;

    // The servers to list; complete: discovery has ended (until then the window says that it
    // is still searching). An open window reads a changed list at once.
    void setServers(const QList<PolledServer> &servers, bool complete = true);
    const QList<PolledServer> &servers() const { return m_servers; }
    // Readings that have not ended, also those whose results will be dropped.
    bool readingsRunning() const { return m_polls.running() > 0; }
    // Every row, with the titles, as tab-separated text to the clipboard.
    void copy() const;

    void tmrPollTimer();
    void edPeriodChange();

    QLabel *lblPeriod;
    SpinEdit *edPeriod;
    QLabel *lblSeconds;
    QLabel *lblState;
    TextTable *tblServers;
    QPushButton *btnCopy;
    QPushButton *btnClose;
    TTimer *tmrPoll;

    // Closing (the system close, Esc, "Schließen") stops the polls.
    void done(int result) override;

signals:
    // A row was double-clicked: the share's path to give "ADS Remote Check", and the port.
    void serverChosen(const QString &path, quint32 port);

protected:
    void showEvent(QShowEvent *event) override;
    // Enter on a row does what a double-click does.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showAll();
    void showState();
    void takeReading(int index, const ServerStatus &status);
    void chooseRow(int row);
    // Lets the timer run at the spin edit's period, if it gives one, or not.
    void applyPeriod(bool run);

    QList<PolledServer> m_servers;
    bool m_complete = true;
    ServerPolls m_polls;
};
