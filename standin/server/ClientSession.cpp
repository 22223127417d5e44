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
    connect(socket, &QTcpSocket::bytesWritten, this, &ClientSession::releaseWritten);
}

ClientSession::~ClientSession()
{
    // The socket goes first, with no signal back into a session being destroyed, and with
    // it every view it holds; only then their owners.
    m_socket->disconnect(this);
    delete m_socket;
}

QString ClientSession::address() const
{
    return m_socket->peerAddress().toString();
}

bool ClientSession::send(const QByteArray &bytes, std::shared_ptr<const void> owner, int delayMs)
{
    if (delayMs > 0) {
        // A copy of its own, which dies with the socket.
        m_delayed += bytes.size();
        QTimer::singleShot(delayMs, m_socket,
                           [this, copy = QByteArray(bytes.constData(), bytes.size())] {
                               m_delayed -= copy.size();
                               write(copy, nullptr);
                           });
    } else {
        write(bytes, std::move(owner));
    }
    return m_socket->bytesToWrite() + m_delayed <= MaxQueuedBytes;
}

void ClientSession::write(const QByteArray &bytes, std::shared_ptr<const void> owner)
{
    // QIODevice keeps a shallow copy of a large QByteArray instead of copying it, until
    // the bytes are written.
    const qint64 taken = m_socket->write(bytes);
    if (taken <= 0)
        return;
    m_queued += taken;
    if (owner)
        m_held.push_back({m_queued, std::move(owner)});
    // Written at once rather than on the next turn of the event loop.
    m_socket->flush();
    releaseWritten();
}

void ClientSession::releaseWritten()
{
    const qint64 written = m_queued - m_socket->bytesToWrite();
    while (!m_held.empty() && m_held.front().end <= written)
        m_held.pop_front();
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
