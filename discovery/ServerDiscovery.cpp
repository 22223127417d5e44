#include "ServerDiscovery.h"

#include "PingU.h"
#include "adscnnct.h"

#include <QCoreApplication>
#include <chrono>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(ServerDiscovery)
};

} // namespace

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
        trial.text = Texts::tr("unbekannter Fehler");
    }
    trial.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    return trial;
}

} // namespace

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
