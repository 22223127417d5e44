#include "ScriptedServer.h"

#include "Wire.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstring>
#include <future>
#include <stdexcept>

class ScriptedServer::Worker : public QObject {
public:
    explicit Worker(Script script) : m_script(std::move(script)) {}

    quint16 listen()
    {
        m_listener = new QTcpServer(this);
        if (!m_listener->listen(QHostAddress(QHostAddress::LocalHost), 0))
            return 0;
        connect(m_listener, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_listener->nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        return m_listener->serverPort();
    }

private:
    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        while (buffer.size() >= 4) {
            std::uint32_t length = 0;
            std::memcpy(&length, buffer.constData(), 4);
            if (length == 0 || std::uint64_t(buffer.size()) < 4u + length)
                return;
            const QByteArray payload = buffer.mid(4, length);
            buffer.remove(0, 4 + length);
            const Reply reply = m_script(std::uint8_t(payload[0]), payload.mid(1));
            if (!reply.bytes.isEmpty()) {
                socket->write(reply.bytes);
                socket->flush();
            }
            if (reply.close) {
                socket->disconnectFromHost();
                m_buffers.remove(socket);
                return;
            }
        }
    }

    Script m_script;
    QTcpServer *m_listener = nullptr;
    QHash<QTcpSocket *, QByteArray> m_buffers;
};

ScriptedServer::ScriptedServer(Script script)
{
    std::promise<void> ready;
    m_thread = std::thread([this, &ready, script = std::move(script)]() mutable {
        QEventLoop loop;
        {
            Worker worker(std::move(script));
            m_port = worker.listen();
            m_loop = &loop;
            ready.set_value();
            if (m_port != 0)
                loop.exec();
        }
    });
    ready.get_future().wait();
    if (m_port == 0) {
        m_thread.join();
        throw std::runtime_error("ScriptedServer: cannot listen");
    }
}

ScriptedServer::~ScriptedServer()
{
    QMetaObject::invokeMethod(m_loop, &QEventLoop::quit, Qt::QueuedConnection);
    m_thread.join();
}

QString ScriptedServer::connectPath(const QString &share) const
{
    return QStringLiteral("\\\\127.0.0.1:%1\\%2").arg(m_port).arg(share);
}

QByteArray ScriptedServer::frame(const QByteArray &payload)
{
    QByteArray bytes(4, '\0');
    const auto length = std::uint32_t(payload.size());
    std::memcpy(bytes.data(), &length, 4);
    return bytes + payload;
}

namespace {

QByteArray fromWriter(const wire::Writer &writer)
{
    const std::vector<std::uint8_t> bytes = writer.frame();
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size()));
}

} // namespace

QByteArray ScriptedServer::welcome(std::uint32_t connection, const QByteArray &serverName)
{
    return fromWriter(wire::Writer(wire::Welcome).u32(connection).str(serverName.toStdString()));
}

QByteArray ScriptedServer::error(std::uint32_t code, const QByteArray &text)
{
    return fromWriter(wire::Writer(wire::Error).u32(code).str(text.toStdString()));
}

QByteArray ScriptedServer::result(std::uint32_t cursor, std::uint32_t rows,
                                  std::uint32_t recordLength, const QList<Column> &columns)
{
    wire::Writer writer(wire::Result);
    writer.u32(cursor).u32(rows).u32(recordLength).u16(std::uint16_t(columns.size()));
    for (const Column &c : columns)
        writer.str(c.name.toStdString()).u16(c.type).u32(c.length).u16(0).u32(c.offset).u8(1).u8(0);
    return fromWriter(writer);
}
