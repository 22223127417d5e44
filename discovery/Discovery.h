#pragma once

#include "Diagnosis.h"
#include "IniEntries.h"
#include "Platform.h"
#include "ServerDiscovery.h"
#include "ServerProbes.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

class TAdsConnection;

// One discovery run, as the main window and quellmark-ini make it: the drives listed once,
// each network drive's UNC path resolved once, the servers behind them probed, and what
// each drive gives ADS.INI and why. The preview, the diagnosis and its JSON read the run;
// only writing ADS.INI resolves the drives again, at that moment (a drive reconnected
// since start-up is written with its new path).
class Discovery : public QObject {
    Q_OBJECT
public:
    // Lists the drives: each root is asked once.
    explicit Discovery(Platform &platform, QObject *parent = nullptr);
    ~Discovery() override;

    // The network drives ("X:") in letter order: what ListDrivesOfType gives for
    // DRIVE_REMOTE.
    const QStringList &networkDrives() const { return m_networkDrives; }

    // Resolves each network drive, names the servers behind them in servers (emptied
    // first; it must outlive the run) and probes them side by side: progressed() as probes
    // end, finished() once all have and the records hold what they found.
    void start(TServerInfoList &servers, int maxWorkers = MaxProbeWorkers);
    // The same, one server after another through the given connection on this thread; done
    // on return, without signals.
    void runInTurn(TServerInfoList &servers, TAdsConnection &connection);

    // Every probe has ended and the records hold the results; false before a start.
    bool isDone() const { return m_done; }
    // What the probes have got to, as the preview shows it while they run.
    QStringList progressLines() const;
    // Why each drive gives its entries, as far as the probes have got.
    DiscoveryReport report() const;
    // The servers' records in list order, as far as the probes have got.
    std::vector<TAdsServerInfo> records() const;

    // The DRIVES entries: each network drive with its UNC path as resolved by the run.
    QList<IniEntry> driveEntries() const;
    // Every entry: the DRIVES entries, then each server's section in list order.
    QList<IniEntry> entries() const;
    // What one drive gives: its DRIVES entry, and its server's section when the server was
    // named through this drive; nothing for a drive that is no network drive.
    QList<IniEntry> entriesOf(const DriveDiagnosis &drive) const;

signals:
    void progressed();
    void finished();

private:
    std::vector<ServerProbe> plan(TServerInfoList &servers);
    void probesDone();

    Platform &m_platform;
    QStringList m_networkDrives;
    std::vector<DriveDiagnosis> m_drives; // every drive with a root
    TServerInfoList *m_servers = nullptr;
    std::unique_ptr<ServerProbes> m_probes;
    std::vector<ServerDiagnosis> m_serverDiagnoses; // complete once done
    bool m_done = false;
};

// Fills the list afresh from the network drives, one server after another through the
// given connection. Never raises. (The main window probes side by side.)
void DiscoverServers(Platform &platform, TAdsConnection &connection, TServerInfoList &servers);
