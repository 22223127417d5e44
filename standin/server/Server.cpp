#include "Server.h"

#include "ClientSession.h"
#include "Procedures.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <cstdio>
#include <stdexcept>

Server::Server(Scenario scenario, QObject *parent) : QObject(parent), m_scenario(std::move(scenario))
{
}

Server::~Server() = default;

Procedures &Server::procedures()
{
    if (!m_procedures)
        m_procedures = std::make_unique<Procedures>(*this);
    return *m_procedures;
}

QString Server::listen(const QString &addressAndPort)
{
    const qsizetype colon = addressAndPort.lastIndexOf(QLatin1Char(':'));
    bool portOk = false;
    const uint port = colon < 0 ? 0 : addressAndPort.mid(colon + 1).toUInt(&portOk);
    QHostAddress address;
    // Literals only: a stand-in server never looks a name up.
    if (colon <= 0 || !portOk || port > 65535 || !address.setAddress(addressAndPort.left(colon)))
        throw std::runtime_error("--listen takes an IP literal and a port: " +
                                 addressAndPort.toStdString());
    auto *listener = new QTcpServer(this);
    listener->setListenBacklogSize(1024);
    if (!listener->listen(address, static_cast<quint16>(port)))
        throw std::runtime_error("cannot listen on " + addressAndPort.toStdString() + ": " +
                                 listener->errorString().toStdString());
    connect(listener, &QTcpServer::newConnection, this, [this, listener] { accept(listener); });
    m_listeners.append(listener);
    return QStringLiteral("%1:%2").arg(listener->serverAddress().toString()).arg(listener->serverPort());
}

void Server::accept(QTcpServer *listener)
{
    while (QTcpSocket *socket = listener->nextPendingConnection())
        new ClientSession(socket, *this);
}

quint32 Server::registerConnection(ConnectionInfo info)
{
    info.number = m_nextNumber++;
    info.connectTime = QDateTime::currentDateTime();
    log(QStringLiteral("connect #%1 workstation=%2 login=%3 application=%4 peer=%5 share=%6")
            .arg(info.number)
            .arg(info.workstation, info.osLogin, info.application, info.peer, info.share));
    m_connections.insert(info.number, info);
    return info.number;
}

void Server::unregisterConnection(quint32 number)
{
    if (m_connections.remove(number))
        log(QStringLiteral("disconnect #%1").arg(number));
}

void Server::log(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}
