#include "ServerDiscovery.h"

#include "DriveUtils.h"
#include "PingU.h"
#include "adscnnct.h"

#include <algorithm>

int TServerInfoList::IndexOf(const QString &name) const
{
    for (int i = 0; i < Count(); ++i) {
        const QString &known = m_entries[static_cast<std::size_t>(i)].name;
        if (m_platform.CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideText(known),
                                      int(known.size()), wideText(name),
                                      int(name.size())) == CSTR_EQUAL)
            return i;
    }
    return -1;
}

void TServerInfoList::Add(const QString &name, std::unique_ptr<TAdsServerInfo> record)
{
    m_entries.push_back(Entry{name, std::move(record)});
}

namespace {

// The last component of a UNC path: what follows its last backslash or colon.
QString lastComponent(const QString &uncPath)
{
    const qsizetype cut =
        std::max(uncPath.lastIndexOf(QLatin1Char('\\')), uncPath.lastIndexOf(QLatin1Char(':')));
    return uncPath.mid(cut + 1);
}

bool probeAt(TAdsConnection &connection, const QString &server, quint32 port, const QString &share)
{
    try {
        connection.setConnectPath(ConnectPathOf(server, port, share));
        connection.Connect();
        connection.Disconnect();
        return true;
    } catch (...) {
        // A probe that fails only means nothing answers there.
        return false;
    }
}

} // namespace

std::vector<ServerProbe> PlanDiscovery(Platform &platform, TServerInfoList &servers)
{
    servers.Clear();
    std::vector<ServerProbe> probes;
    QStringList drives;
    ListDrivesOfType(platform, drives, DRIVE_REMOTE, true);
    for (const QString &drive : drives) {
        QString uncPath;
        QString errorText;
        GetUNCPath(platform, drive, uncPath, errorText);
        if (uncPath.isEmpty())
            continue;
        const QString server = SplitUNCPath(platform, uncPath);
        if (servers.IndexOf(server) >= 0)
            continue;
        auto record = std::make_unique<TAdsServerInfo>();
        record->ServerName = server;
        servers.Add(server, std::move(record));
        probes.push_back(ServerProbe{server, lastComponent(uncPath)});
    }
    return probes;
}

TAdsServerInfo ProbeServer(Platform &platform, TAdsConnection &connection, const ServerProbe &probe)
{
    TAdsServerInfo record;
    record.ServerName = probe.server;
    record.LAN_IP = HostNameToIP(platform, probe.server.toLocal8Bit());
    record.LAN_PORT = FirstProbePort;
    record.AVaible = probeAt(connection, probe.server, FirstProbePort, probe.share);
    if (!record.AVaible) {
        record.LAN_PORT = SecondProbePort;
        record.AVaible = probeAt(connection, probe.server, SecondProbePort, probe.share);
        if (!record.AVaible)
            record.LAN_PORT = 0;
    }
    return record;
}

void DiscoverServers(Platform &platform, TAdsConnection &connection, TServerInfoList &servers)
{
    const std::vector<ServerProbe> probes = PlanDiscovery(platform, servers);
    for (std::size_t i = 0; i < probes.size(); ++i)
        *servers.Record(int(i)) = ProbeServer(platform, connection, probes[i]);
}
