#include "Server.h"

#include "ClientSession.h"
#include "Listener.h"

#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <stdexcept>

Server::Server(Scenario scenario, Options options, QObject *parent)
    : QObject(parent), m_scenario(std::move(scenario)), m_options(options),
      m_procedures(std::make_unique<Procedures>(m_scenario))
{
}

Server::~Server()
{
    shutdown();
}

void Server::shutdown()
{
    // Stop listening, close every session, then let the members go.
    for (Listener *listener : m_listeners)
        listener->close();
    const std::set<ClientSession *> sessions = std::move(m_sessions);
    m_sessions.clear();
    for (ClientSession *session : sessions) {
        session->close();
        delete session;
    }
    // Sessions whose link went in the loop's last turn: their deferred deletes never run.
    const std::set<ClientSession *> closed = std::move(m_closed);
    m_closed.clear();
    for (ClientSession *session : closed)
        delete session;
    m_connections.clear();
}

QString Server::listen(const QString &addressAndPort)
{
    auto *listener = new Listener(
        [this](QTcpSocket *socket) { m_sessions.insert(new ClientSession(socket, *this)); },
        [this](const QString &line) { log(line); }, this);
    m_listeners.append(listener);
    return listener->listen(addressAndPort);
}

void Server::sessionClosed(ClientSession *session)
{
    // Deleted on the next turn: the session may still be on the stack.
    if (m_sessions.erase(session) && m_closed.insert(session).second)
        QTimer::singleShot(0, this, [this, session] {
            if (m_closed.erase(session))
                delete session;
        });
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

ProcedureOutcome Server::execute(const QString &sql,
                                 const std::vector<std::optional<QString>> &params)
{
    return m_procedures->execute(sql, params, ServerState{m_connections, m_refused},
                                 m_scenario.faults);
}

std::optional<QString> Server::applyControl(const QByteArray &json)
{
    if (!m_options.controlAllowed)
        return QStringLiteral("This server takes no control messages (start it with --control).");
    try {
        m_scenario.faults =
            m_scenario.faults.changedBy(nlohmann::json::parse(json.begin(), json.end()));
    } catch (const std::exception &error) {
        log(QStringLiteral("control refused: %1").arg(QString::fromLocal8Bit(error.what())));
        return QString::fromLocal8Bit(error.what());
    }
    return std::nullopt;
}

void Server::log(const QString &line)
{
    // Lines carry what clients send: one line each, of a length one can read.
    constexpr qsizetype MaxLine = 1000;
    QString shown = line.size() > MaxLine ? line.left(MaxLine) : line;
    if (shown.size() == MaxLine && shown.back().isHighSurrogate())
        shown.chop(1);
    for (QChar &c : shown)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    if (shown.size() < line.size())
        shown += QStringLiteral(" ... (%1 characters cut)").arg(line.size() - shown.size());
    std::printf("%s\n", shown.toUtf8().constData());
    std::fflush(stdout);
}
