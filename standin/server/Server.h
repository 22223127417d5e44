#pragma once

#include "Procedures.h"
#include "Scenario.h"
#include "SessionHost.h"

#include <QList>
#include <QMap>
#include <QObject>
#include <memory>
#include <set>

class Listener;

// The stand-in database server: listens on the addresses it is given, greets clients,
// keeps the table of its connections and logs what happens, one line each.
//
// Ownership: the server owns its listeners and its sessions. A session whose link is gone
// is deleted on the next turn of the event loop, or at shutdown when that turn never comes;
// at shutdown the server stops listening, closes every session (which then calls nothing
// back) and only then lets its members go. Log lines are cut at 1,000 characters.
class Server : public QObject, public SessionHost {
    Q_OBJECT
public:
    struct Options {
        bool controlAllowed = false; // fault changes over the wire, for tests
    };

    Server(Scenario scenario, Options options, QObject *parent = nullptr);
    ~Server() override;

    // "ADDR:PORT" with an IP literal; port 0 picks a free one. Gives the bound
    // "ADDR:PORT", or raises std::runtime_error.
    QString listen(const QString &addressAndPort);

    const QMap<quint32, ConnectionInfo> &connections() const { return m_connections; }
    int refusedConnects() const { return m_refused; }

    // SessionHost
    const Scenario &scenario() const override { return m_scenario; }
    Faults &faults() override { return m_scenario.faults; }
    void log(const QString &line) override;
    quint32 registerConnection(ConnectionInfo info) override;
    void unregisterConnection(quint32 number) override;
    void countRefusal() override { ++m_refused; }
    ProcedureOutcome execute(const QString &sql,
                             const std::vector<std::optional<QString>> &params) override;
    std::optional<QString> applyControl(const QByteArray &json) override;
    void sessionClosed(ClientSession *session) override;

private:
    void shutdown();

    Scenario m_scenario;
    Options m_options;
    std::unique_ptr<Procedures> m_procedures;
    QMap<quint32, ConnectionInfo> m_connections;
    quint32 m_nextNumber = 1;
    int m_refused = 0;
    std::set<ClientSession *> m_sessions;
    std::set<ClientSession *> m_closed; // link gone, deleted on the loop's next turn
    QList<Listener *> m_listeners;
};
