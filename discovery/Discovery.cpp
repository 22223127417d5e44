#include "Discovery.h"

#include "DriveUtils.h"

#include <algorithm>

namespace {

// The last component of a UNC path: what follows its last backslash or colon.
QString lastComponent(const QString &uncPath)
{
    const qsizetype cut =
        std::max(uncPath.lastIndexOf(QLatin1Char('\\')), uncPath.lastIndexOf(QLatin1Char(':')));
    return uncPath.mid(cut + 1);
}

} // namespace

Discovery::Discovery(Platform &platform, QObject *parent) : QObject(parent), m_platform(platform)
{
    const std::vector<DriveRoot> roots = ListDriveRoots(platform);
    m_networkDrives = DrivesOfType(roots, DRIVE_REMOTE);
    // The network drives give the entries; the others are only seen for the diagnosis.
    for (const DriveRoot &root : roots) {
        if (root.type == DRIVE_UNKNOWN || root.type == DRIVE_NO_ROOT_DIR)
            continue;
        DriveDiagnosis drive;
        drive.drive = root.drive;
        drive.type = root.type;
        m_drives.push_back(std::move(drive));
    }
}

// Waits for the probes that run: each ends by the engine's time-outs.
Discovery::~Discovery() = default;

std::vector<ServerProbe> Discovery::plan(TServerInfoList &servers)
{
    m_probes.reset();
    m_done = false;
    m_serverDiagnoses.clear();
    m_servers = &servers;
    servers.Clear();
    std::vector<ServerProbe> probes;
    QStringList probedThrough; // by server
    for (DriveDiagnosis &drive : m_drives) {
        if (drive.type != DRIVE_REMOTE)
            continue;
        const UncResolution unc = ResolveUNCPath(m_platform, drive.drive);
        drive.uncPath = unc.uncPath;
        drive.uncError = unc.code;
        drive.uncErrorText = unc.errorText;
        drive.server.clear();
        drive.serverIndex = -1;
        drive.probedThrough.clear();
        if (drive.uncPath.isEmpty())
            continue;
        // Each server is probed once, through the first drive that leads to it.
        drive.server = SplitUNCPath(m_platform, drive.uncPath);
        drive.serverIndex = servers.IndexOf(drive.server);
        if (drive.serverIndex < 0) {
            auto record = std::make_unique<TAdsServerInfo>();
            record->ServerName = drive.server;
            drive.serverIndex = servers.Count();
            servers.Add(drive.server, std::move(record));
            probes.push_back(ServerProbe{drive.server, lastComponent(drive.uncPath)});
            probedThrough.append(drive.drive);
        }
        drive.probedThrough = probedThrough[drive.serverIndex];
    }
    return probes;
}

void Discovery::start(TServerInfoList &servers, int maxWorkers)
{
    std::vector<ServerProbe> probes = plan(servers);
    m_probes = std::make_unique<ServerProbes>(m_platform, std::move(probes), maxWorkers);
    connect(m_probes.get(), &ServerProbes::progressed, this, &Discovery::progressed);
    connect(m_probes.get(), &ServerProbes::finished, this, &Discovery::probesDone);
}

void Discovery::runInTurn(TServerInfoList &servers, TAdsConnection &connection)
{
    const std::vector<ServerProbe> probes = plan(servers);
    for (std::size_t i = 0; i < probes.size(); ++i) {
        ServerDiagnosis diagnosis;
        *servers.Record(int(i)) = ProbeServer(m_platform, connection, probes[i], &diagnosis);
        m_serverDiagnoses.push_back(std::move(diagnosis));
    }
    m_done = true;
}

void Discovery::probesDone()
{
    const std::vector<TAdsServerInfo> &results = m_probes->results();
    for (std::size_t i = 0; i < results.size() && int(i) < m_servers->Count(); ++i)
        *m_servers->Record(int(i)) = results[i];
    m_serverDiagnoses = m_probes->diagnoses();
    m_done = true;
    emit finished();
}

QStringList Discovery::progressLines() const
{
    if (!m_probes)
        return ProgressLines(0, 0, {});
    return ProgressLines(m_probes->done(), m_probes->total(), m_probes->running());
}

DiscoveryReport Discovery::report() const
{
    DiscoveryReport report;
    report.drives = m_drives;
    report.servers = m_done || !m_probes ? m_serverDiagnoses : m_probes->diagnoses();
    return report;
}

std::vector<TAdsServerInfo> Discovery::records() const
{
    std::vector<TAdsServerInfo> records;
    for (int i = 0; m_servers && i < m_servers->Count(); ++i)
        records.push_back(*m_servers->Record(i));
    return records;
}

QList<IniEntry> Discovery::driveEntries() const
{
    QList<IniEntry> entries;
    for (const DriveDiagnosis &drive : m_drives)
        if (drive.type == DRIVE_REMOTE)
            entries.append(DriveEntry(drive.drive, drive.uncPath));
    return entries;
}

QList<IniEntry> Discovery::entries() const
{
    QList<IniEntry> entries = driveEntries();
    for (const TAdsServerInfo &record : records())
        entries += ServerEntries(record);
    return entries;
}

QList<IniEntry> Discovery::entriesOf(const DriveDiagnosis &drive) const
{
    if (drive.type != DRIVE_REMOTE)
        return {};
    QList<IniEntry> entries{DriveEntry(drive.drive, drive.uncPath)};
    if (m_servers && drive.serverIndex >= 0 && drive.serverIndex < m_servers->Count() &&
        drive.probedThrough == drive.drive)
        entries += ServerEntries(*m_servers->Record(drive.serverIndex));
    return entries;
}

void DiscoverServers(Platform &platform, TAdsConnection &connection, TServerInfoList &servers)
{
    Discovery run(platform);
    run.runInTurn(servers, connection);
}
