#include "ClientSession.h"

#include "AceCodes.h"
#include "Server.h"
#include "Wire.h"

#include <QTcpSocket>
#include <QTimer>
#include <cstring>
#include <stdexcept>

namespace {

// Before its hello a client may send little; afterwards requests stay small too.
constexpr std::uint32_t MaxRequest = 1024 * 1024;

QString text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

ClientSession::ClientSession(QTcpSocket *socket, Server &server)
    : QObject(&server), m_socket(socket), m_server(server)
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &ClientSession::readFrames);
    connect(socket, &QTcpSocket::disconnected, this, [this] {
        if (m_number)
            m_server.unregisterConnection(m_number);
        m_number = 0;
        deleteLater();
    });
}

ClientSession::~ClientSession()
{
    if (m_number)
        m_server.unregisterConnection(m_number);
}

void ClientSession::drop(const QString &why)
{
    if (!why.isEmpty())
        m_server.log(QStringLiteral("dropped %1: %2").arg(m_socket->peerAddress().toString(), why));
    m_buffer.clear();
    m_socket->abort();
    if (m_number)
        m_server.unregisterConnection(m_number);
    m_number = 0;
    deleteLater();
}

void ClientSession::readFrames()
{
    m_buffer.append(m_socket->readAll());
    while (m_buffer.size() >= 4) {
        std::uint32_t length = 0;
        std::memcpy(&length, m_buffer.constData(), 4);
        const std::uint32_t limit = m_number ? MaxRequest : wire::MaxHelloFrame;
        if (length == 0 || length > limit)
            return drop(QStringLiteral("frame of %1 bytes").arg(length));
        if (static_cast<std::uint32_t>(m_buffer.size()) - 4 < length)
            return;
        const QByteArray payload = m_buffer.mid(4, length);
        m_buffer.remove(0, 4 + length);
        if (!handle(reinterpret_cast<const std::uint8_t *>(payload.constData()),
                    static_cast<std::size_t>(payload.size())))
            return;
    }
}

// Gives false when the link is gone.
bool ClientSession::handle(const std::uint8_t *payload, std::size_t size)
{
    const std::uint8_t type = payload[0];
    wire::Reader reader(payload + 1, size - 1);
    switch (type) {
    case wire::Hello:
        if (m_number) {
            drop(QStringLiteral("second hello"));
            return false;
        }
        return hello(payload + 1, size - 1);
    case wire::Control: {
        const std::string json = reader.str();
        if (!reader.ok()) {
            drop(QStringLiteral("malformed control"));
            return false;
        }
        try {
            m_server.scenario().applyControl(QByteArray::fromStdString(json));
            answer(wire::Writer(wire::Ok).u32(0).str("ok").frame(), false);
        } catch (const std::exception &error) {
            answer(wire::Writer(wire::Error).u32(acecode::InvalidArgument).str(error.what()).frame(),
                   false);
        }
        return true;
    }
    case wire::Bye:
        drop(QString());
        return false;
    default:
        drop(QStringLiteral("unknown message %1").arg(type));
        return false;
    }
}

bool ClientSession::hello(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    ConnectionInfo info;
    info.share = text(reader.str());
    info.workstation = text(reader.str());
    info.osLogin = text(reader.str());
    info.application = text(reader.str());
    info.user = text(reader.str());
    reader.str(); // the password is not checked by a stand-in
    if (!reader.ok() || !reader.atEnd()) {
        drop(QStringLiteral("malformed hello"));
        return false;
    }
    Scenario &scenario = m_server.scenario();
    if (scenario.faults.refuseConnects > 0) {
        --scenario.faults.refuseConnects;
        refuse(acecode::ConnectionRefused,
               QStringLiteral("The server %1 refused the connection.").arg(scenario.name));
        return false;
    }
    if (!scenario.serves(info.share)) {
        refuse(acecode::UnknownShare, QStringLiteral("The share \"%1\" is not served by %2.")
                                          .arg(info.share, scenario.name));
        return false;
    }
    info.peer = m_socket->peerAddress().toString();
    m_number = m_server.registerConnection(info);
    answer(wire::Writer(wire::Welcome).u32(m_number).str(scenario.name.toStdString()).frame());
    return true;
}

void ClientSession::refuse(std::uint32_t code, const QString &why)
{
    m_server.log(QStringLiteral("refused %1: %2").arg(m_socket->peerAddress().toString(), why));
    answer(wire::Writer(wire::Error).u32(code).str(why.toStdString()).frame());
    m_socket->disconnectFromHost();
}

void ClientSession::answer(const std::vector<std::uint8_t> &frame, bool faultable)
{
    QByteArray bytes(reinterpret_cast<const char *>(frame.data()), static_cast<qsizetype>(frame.size()));
    Faults &faults = m_server.scenario().faults;
    if (faultable && faults.closeMidAnswer > 0) {
        --faults.closeMidAnswer;
        m_socket->write(bytes.left(bytes.size() / 2));
        m_socket->flush();
        m_server.log(QStringLiteral("cut an answer short"));
        drop(QString());
        return;
    }
    if (faultable && faults.delayMs > 0) {
        QTimer::singleShot(faults.delayMs, m_socket, [socket = m_socket, bytes] {
            socket->write(bytes);
            socket->flush();
        });
        return;
    }
    // Written at once rather than on the next turn of the event loop.
    m_socket->write(bytes);
    m_socket->flush();
}
