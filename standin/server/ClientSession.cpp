#include "ClientSession.h"

#include "SessionHost.h"

#include <QTcpSocket>
#include <QTimer>

ClientSession::ClientSession(QTcpSocket *socket, SessionHost &host)
    : m_socket(socket), m_protocol(host, *this, [this, &host] { host.sessionClosed(this); })
{
    socket->setParent(this);
    // Qt reads no more of the link than this until the session takes it.
    socket->setReadBufferSize(ReadChunk);
    connect(socket, &QTcpSocket::readyRead, this, [this] {
        if (!m_turnScheduled)
            turn();
    });
    connect(socket, &QTcpSocket::disconnected, this, [this] { m_protocol.disconnected(); });
    connect(socket, &QTcpSocket::bytesWritten, this, &ClientSession::written);
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

void ClientSession::turn()
{
    m_turnScheduled = false;
    if (m_protocol.isGone())
        return;
    // A frame larger than a chunk is read over several turns.
    const bool reading = !readingPaused();
    if (reading)
        while (!m_protocol.hasWholeFrame() && m_socket->bytesAvailable() > 0)
            m_protocol.take(m_socket->read(ReadChunk));
    // Requests already read are served even while reading waits: a client that does not
    // read its answers still reaches the queue's limit and is dropped.
    const bool more = m_protocol.serve(RequestsPerTurn);
    if (m_protocol.isGone())
        return;
    // Bytes Qt has already read raise no readyRead of their own.
    if (more || (reading && !readingPaused() && m_socket->bytesAvailable() > 0))
        scheduleTurn();
}

void ClientSession::scheduleTurn()
{
    if (m_turnScheduled)
        return;
    m_turnScheduled = true;
    // Posted: every other client's events come first.
    QMetaObject::invokeMethod(this, &ClientSession::turn, Qt::QueuedConnection);
}

bool ClientSession::readingPaused() const
{
    return m_socket->bytesToWrite() + m_delayed > PauseReadingAt;
}

void ClientSession::written()
{
    releaseWritten();
    if (!readingPaused() && m_socket->bytesAvailable() > 0)
        scheduleTurn();
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
