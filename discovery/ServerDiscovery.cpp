#include "ServerDiscovery.h"

#include "DriveUtils.h"
#include "PingU.h"
#include "adscnnct.h"

#include <algorithm>
#include <chrono>

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

PortTrial probeAt(TAdsConnection &connection, const QString &server, quint32 port,
                  const QString &share)
{
    PortTrial trial;
    trial.port = port;
    const auto started = std::chrono::steady_clock::now();
    try {
        connection.setConnectPath(ConnectPathOf(server, port, share));
        connection.Connect();
        connection.Disconnect();
        trial.outcome = PortTrial::Outcome::Answered;
    } catch (const EADSDatabaseError &error) {
        // A probe that fails only means nothing answers there; the diagnosis says why.
        trial.error = error.ACEErrorCode();
        trial.text = error.message();
        trial.outcome = OutcomeOfEngineError(trial.error);
        if (trial.outcome == PortTrial::Outcome::Answered)
            trial.outcome = PortTrial::Outcome::Failed;
    } catch (const Exception &error) {
        trial.text = error.message(); // the engine not bound: "Externe Exception C06D007E"
    } catch (const std::exception &error) {
        trial.text = QString::fromLocal8Bit(error.what());
    } catch (...) {
        trial.text = QStringLiteral("unbekannter Fehler");
    }
    trial.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    return trial;
}

} // namespace

std::vector<ServerProbe> PlanDiscovery(Platform &platform, TServerInfoList &servers,
                                       std::vector<DriveDiagnosis> *drives)
{
    servers.Clear();
    if (drives)
        drives->clear();
    std::vector<ServerProbe> probes;
    QStringList probedThrough; // by server
    // Each root is asked once: the network drives are those ListDrivesOfType gives, and
    // the others are only seen for the diagnosis.
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const char16_t root[] = {letter, u':', u'\\', 0};
        const UINT type = platform.GetDriveTypeW(root);
        if (type != DRIVE_REMOTE && (!drives || type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR))
            continue;
        DriveDiagnosis drive;
        drive.drive = QString(QChar(letter)) + QLatin1Char(':');
        drive.type = type;
        if (type == DRIVE_REMOTE) {
            const UncResolution unc = ResolveUNCPath(platform, drive.drive);
            drive.uncPath = unc.uncPath;
            drive.uncError = unc.code;
            drive.uncErrorText = unc.errorText;
            if (!drive.uncPath.isEmpty()) {
                drive.server = SplitUNCPath(platform, drive.uncPath);
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
        }
        if (drives)
            drives->push_back(std::move(drive));
    }
    return probes;
}

TAdsServerInfo ProbeServer(Platform &platform, TAdsConnection &connection, const ServerProbe &probe,
                           ServerDiagnosis *diagnosis)
{
    ServerDiagnosis trace;
    trace.stage = ServerDiagnosis::Stage::Probing;
    trace.lookup = LookUpHost(platform, probe.server.toLocal8Bit());
    TAdsServerInfo record;
    record.ServerName = probe.server;
    record.LAN_IP = trace.lookup.address;
    record.LAN_PORT = 0;
    for (const quint32 port : {FirstProbePort, SecondProbePort}) {
        trace.ports.push_back(probeAt(connection, probe.server, port, probe.share));
        if (trace.ports.back().outcome == PortTrial::Outcome::Answered) {
            record.LAN_PORT = port;
            record.AVaible = true;
            break;
        }
    }
    trace.stage = ServerDiagnosis::Stage::Done;
    if (diagnosis)
        *diagnosis = std::move(trace);
    return record;
}

void DiscoverServers(Platform &platform, TAdsConnection &connection, TServerInfoList &servers)
{
    const std::vector<ServerProbe> probes = PlanDiscovery(platform, servers);
    for (std::size_t i = 0; i < probes.size(); ++i)
        *servers.Record(int(i)) = ProbeServer(platform, connection, probes[i]);
}
