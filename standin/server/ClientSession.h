#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QTcpSocket;
class ResultBuilder;
class SessionHost;

// One client's link: reads frames with hard limits and answers them. A malformed or
// oversized frame closes this link only. The host owns the session; the session tells it
// when its link is gone and never calls it after close().
class ClientSession : public QObject {
    Q_OBJECT
public:
    ClientSession(QTcpSocket *socket, SessionHost &host);
    ~ClientSession() override;

    // Ends the link at once, without a word to the host: it is shutting down.
    void close();

private:
    void readFrames();
    bool handle(const std::uint8_t *payload, std::size_t size);
    bool hello(const std::uint8_t *payload, std::size_t size);
    bool control(const std::uint8_t *payload, std::size_t size);
    // Answers go through the faults unless they belong to the control channel.
    void answer(const std::vector<std::uint8_t> &frame, bool faultable = true);
    void refuse(std::uint32_t code, const QString &text);
    bool execute(const std::uint8_t *payload, std::size_t size);
    bool fetch(const std::uint8_t *payload, std::size_t size);
    bool closeCursor(const std::uint8_t *payload, std::size_t size);
    void error(std::uint32_t code, const QString &text);
    // Closes the link and tells the host, once.
    void drop(const QString &why);
    void leave();

    QTcpSocket *m_socket;
    SessionHost *m_host;
    QByteArray m_buffer;
    std::uint32_t m_number = 0; // 0 until greeted
    bool m_gone = false;
    std::map<std::uint32_t, std::shared_ptr<ResultBuilder>> m_cursors;
    std::uint32_t m_nextCursor = 1;
};
