#pragma once

#include "SessionProtocol.h"

#include <QObject>
#include <deque>
#include <memory>

class QTcpSocket;
class SessionHost;

// A client's link: the protocol over a TCP socket. The host owns the session; the session
// tells it when its link is gone and never calls it after close().
//
// Clients are served in turns: a turn handles a few requests and leaves the rest for a
// later turn of the event loop, so that a client that sends thousands of requests at once
// holds up the others for a few requests at a time, not for all of them. The session reads
// the socket a little at a time, and not at all while the client's answers wait unread
// past a limit: the client's further requests wait in its own link, not in the server.
class ClientSession : public QObject, private SessionPeer {
    Q_OBJECT
public:
    // What one client may leave unread, answers waiting for a delay included: two of the
    // largest answers. A client past it is disconnected.
    static constexpr qint64 MaxQueuedBytes = 32 * 1024 * 1024;
    // Requests handled per turn, and what is read of the socket at a time.
    static constexpr int RequestsPerTurn = 32;
    static constexpr qint64 ReadChunk = 64 * 1024;
    // Past this many bytes of answers unread, reading stops until the client catches up.
    static constexpr qint64 PauseReadingAt = 1024 * 1024;

    ClientSession(QTcpSocket *socket, SessionHost &host);
    ~ClientSession() override;

    // Ends the link at once, without a word to the host: it is shutting down.
    void close() { m_protocol.detach(); }

private:
    QString address() const override;
    bool send(const QByteArray &bytes, std::shared_ptr<const void> owner, int delayMs) override;
    void finish() override;
    void abort() override;

    void write(const QByteArray &bytes, std::shared_ptr<const void> owner);
    void written();
    void releaseWritten();
    // One turn: reads when no request is waiting, serves up to RequestsPerTurn.
    void turn();
    void scheduleTurn();
    bool readingPaused() const;

    QTcpSocket *m_socket;
    // Owners of the views the socket still holds, with the count of bytes queued up to the
    // end of each; released as the socket writes them out.
    struct Held {
        qint64 end;
        std::shared_ptr<const void> owner;
    };
    std::deque<Held> m_held;
    qint64 m_queued = 0;  // bytes handed to the socket so far
    qint64 m_delayed = 0; // bytes of answers waiting for their delay
    bool m_turnScheduled = false;
    SessionProtocol m_protocol;
};
