#pragma once

#include "CheckTarget.h"
#include "CommandOutput.h"
#include "ExporterSettings.h"
#include "ServerStatus.h"

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHash>
#include <QHttpServerResponder>
#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

// Prometheus's multi-target exporter pattern for database servers: /probe?target=HOST:PORT
// reads one server, as the blackbox and SNMP exporters probe theirs, and /metrics tells the
// exporter's own health. Only targets the allow list names are probed. Scrapes of a target
// whose probe is running join it; each answers by its own deadline (Prometheus's scrape
// time-out header, less an offset), and a probe still running then says the server did not
// answer in time. Probes run on threads of their own; everything else on this one.
class Exporter : public QObject {
    Q_OBJECT
public:
    explicit Exporter(ExporterSettings settings, QObject *parent = nullptr);
    ~Exporter() override;

    // Listens; false and the reason when the address cannot be had.
    bool listen(QString &error);
    quint16 port() const { return m_port; }
    // Probes whose threads still run.
    qsizetype running() const { return m_runs.size(); }

private:
    struct Waiter;
    struct Run;
    struct Mailbox;
    class Http;
    // Where an answer goes: a client may leave before it is ready, and with it goes the
    // request Qt keeps for its socket.
    struct Client {
        QPointer<QTcpSocket> socket;
        const QHttpServerRequest *request = nullptr;
    };

    bool handle(const QHttpServerRequest &request, QTcpSocket *socket);
    void probe(const QHttpServerRequest &request, const Client &client);
    QByteArray ownMetrics() const;
    void reply(const Client &client, QHttpServerResponder::StatusCode status,
               const QByteArray &body, const QByteArray &type);
    void refuse(const Client &client, QHttpServerResponder::StatusCode status,
                const QString &reason, const char *counter);
    void finished(const QString &key, const ServerStatus &status);
    void answer(Waiter &waiter, const ServerStatus &status);

    ExporterSettings m_settings;
    std::unique_ptr<Http> m_server;
    quint16 m_port = 0;
    QHash<QString, std::shared_ptr<Run>> m_runs;
    std::shared_ptr<Mailbox> m_mailbox;
    QElapsedTimer m_uptime;
    qint64 m_startedSeconds = 0;
    // The exporter's own counters.
    quint64 m_probesStarted = 0;
    quint64 m_scrapesJoined = 0;
    quint64 m_scrapesTimedOut = 0;
    QHash<QString, quint64> m_refused; // by reason
    QHash<int, quint64> m_states;      // scrapes answered, by check state
};

// --listen: runs an exporter until SIGTERM or SIGINT; what CheckTool calls.
CheckState runExporter(const ExporterSettings &settings, const CommandOutput &output);
