#include "ClientSession.h"

#include "SessionHost.h"

#include <QTcpSocket>
#include <QTimer>

ClientSession::ClientSession(QTcpSocket *socket, SessionHost &host)
    : m_socket(socket), m_protocol(host, *this, [this, &host] { host.sessionClosed(this); })
{
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this,
            [this] { m_protocol.received(m_socket->readAll()); });
    connect(socket, &QTcpSocket::disconnected, this, [this] { m_protocol.disconnected(); });
}

ClientSession::~ClientSession()
{
    // The socket goes first, with no signal back into a session being destroyed.
    m_socket->disconnect(this);
    delete m_socket;
}

QString ClientSession::address() const
{
    return m_socket->peerAddress().toString();
}

void ClientSession::send(const QByteArray &bytes, int delayMs)
{
    if (delayMs > 0) {
        // Delayed answers die with the socket.
        QTimer::singleShot(delayMs, m_socket,
                           [socket = m_socket, copy = QByteArray(bytes.constData(), bytes.size())] {
                               socket->write(copy);
                               socket->flush();
                           });
        return;
    }
    // Written at once rather than on the next turn of the event loop.
    m_socket->write(bytes);
    m_socket->flush();
}

void ClientSession::finish()
{
    m_socket->disconnectFromHost();
}

void ClientSession::abort()
{
    m_socket->disconnect(this);
    m_socket->abort();
}
