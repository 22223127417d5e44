#pragma once

#include <QByteArray>
#include <QObject>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class QTcpSocket;
class ResultBuilder;
class Server;

// One client's link: reads frames with hard limits and answers them. A malformed or
// oversized frame closes this link only.
class ClientSession : public QObject {
    Q_OBJECT
public:
    ClientSession(QTcpSocket *socket, Server &server);
    ~ClientSession() override;

private:
    void readFrames();
    bool handle(const std::uint8_t *payload, std::size_t size);
    bool hello(const std::uint8_t *payload, std::size_t size);
    // Answers go through the faults unless they belong to the control channel.
    void answer(const std::vector<std::uint8_t> &frame, bool faultable = true);
    void refuse(std::uint32_t code, const QString &text);
    bool execute(const std::uint8_t *payload, std::size_t size);
    bool fetch(const std::uint8_t *payload, std::size_t size);
    void error(std::uint32_t code, const QString &text);
    void drop(const QString &why);

    QTcpSocket *m_socket;
    Server &m_server;
    QByteArray m_buffer;
    std::uint32_t m_number = 0; // 0 until greeted
    std::map<std::uint32_t, std::shared_ptr<ResultBuilder>> m_cursors;
    std::uint32_t m_nextCursor = 1;
};
