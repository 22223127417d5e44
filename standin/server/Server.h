#pragma once

#include "Scenario.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QTcpServer>
#include <memory>

class ClientSession;

// One connection as the server keeps it.
struct ConnectionInfo {
    quint32 number = 0;
    QString workstation;
    QString osLogin;
    QString application;
    QString peer;
    QString share;
    QString user;
    QDateTime connectTime;
};

// The stand-in database server: listens on the addresses it is given, greets clients,
// keeps the table of its connections and logs what happens, one line each.
class Server : public QObject {
    Q_OBJECT
public:
    explicit Server(Scenario scenario, QObject *parent = nullptr);
    ~Server() override;

    // "ADDR:PORT" with an IP literal; port 0 picks a free one. Gives the bound
    // "ADDR:PORT", or raises std::runtime_error.
    QString listen(const QString &addressAndPort);

    Scenario &scenario() { return m_scenario; }
    const QMap<quint32, ConnectionInfo> &connections() const { return m_connections; }

    quint32 registerConnection(ConnectionInfo info);
    void unregisterConnection(quint32 number);
    void log(const QString &line);
    void countRefusal() { ++m_refused; }
    int refusedConnects() const { return m_refused; }
    class Procedures &procedures();

private:
    void accept(QTcpServer *listener);

    Scenario m_scenario;
    QList<QTcpServer *> m_listeners;
    QMap<quint32, ConnectionInfo> m_connections;
    quint32 m_nextNumber = 1;
    int m_refused = 0;
    std::unique_ptr<class Procedures> m_procedures;
};
