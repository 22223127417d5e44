#pragma once

#include "SessionProtocol.h"

#include <QObject>

class QTcpSocket;
class SessionHost;

// A client's link: the protocol over a TCP socket. The host owns the session; the session
// tells it when its link is gone and never calls it after close().
class ClientSession : public QObject, private SessionPeer {
    Q_OBJECT
public:
    ClientSession(QTcpSocket *socket, SessionHost &host);
    ~ClientSession() override;

    // Ends the link at once, without a word to the host: it is shutting down.
    void close() { m_protocol.detach(); }

private:
    QString address() const override;
    void send(const QByteArray &bytes, int delayMs) override;
    void finish() override;
    void abort() override;

    QTcpSocket *m_socket;
    SessionProtocol m_protocol;
};
