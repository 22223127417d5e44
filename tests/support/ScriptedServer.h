#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

class QEventLoop;

// A peer that speaks the stand-in wire protocol as a test scripts it, in a thread of its
// own, on a free loopback port: for answers no well-behaved server gives. Each request
// frame (type byte and payload) goes to the script, which answers with raw bytes sent as
// they are (frames included), or with nothing: then the link stays silent.
class ScriptedServer {
public:
    struct Reply {
        QByteArray bytes;
        bool close = false; // close the link after sending
    };
    using Script = std::function<Reply(std::uint8_t type, const QByteArray &payload)>;

    explicit ScriptedServer(Script script);
    ~ScriptedServer();

    quint16 port() const { return m_port; }
    // "\\127.0.0.1:PORT\share"
    QString connectPath(const QString &share = QStringLiteral("daten")) const;

    // Frames as the engine's peer writes them.
    static QByteArray frame(const QByteArray &payload);
    static QByteArray welcome(std::uint32_t connection = 1,
                              const QByteArray &serverName = "HOSTILE");
    static QByteArray error(std::uint32_t code, const QByteArray &text);
    // A Result header: cursor, rows, record length and columns (name, type, length, offset).
    struct Column {
        QByteArray name;
        std::uint16_t type;
        std::uint32_t length;
        std::uint32_t offset;
    };
    static QByteArray result(std::uint32_t cursor, std::uint32_t rows, std::uint32_t recordLength,
                             const QList<Column> &columns);

private:
    class Worker;
    // A plain thread joined at the end, not a QThread: QThread::wait() returns before the
    // thread has let go of Qt's data for it, which a process that ends right after then
    // reports as leaked.
    std::thread m_thread;
    QEventLoop *m_loop = nullptr;
    quint16 m_port = 0;
};
