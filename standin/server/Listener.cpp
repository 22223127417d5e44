#include "Listener.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

Listener::Listener(Accepted accepted, Log log, QObject *parent)
    : QObject(parent), m_accepted(std::move(accepted)), m_log(std::move(log))
{
    m_backoff = new QTimer(this);
    m_backoff->setSingleShot(true);
    connect(m_backoff, &QTimer::timeout, this, [this] {
        if (m_notifier)
            m_notifier->setEnabled(true);
        acceptAll();
    });
}

Listener::~Listener() = default;

QString Listener::listen(const QString &addressAndPort)
{
    const qsizetype colon = addressAndPort.lastIndexOf(QLatin1Char(':'));
    bool portOk = false;
    const uint port = colon < 0 ? 0 : addressAndPort.mid(colon + 1).toUInt(&portOk);
    QHostAddress address;
    // Literals only: a stand-in server never looks a name up.
    if (colon <= 0 || !portOk || port > 65535 || !address.setAddress(addressAndPort.left(colon)))
        throw std::runtime_error("--listen takes an IP literal and a port: " +
                                 addressAndPort.toStdString());
    m_server = new QTcpServer(this);
    m_server->setListenBacklogSize(1024);
    if (!m_server->listen(address, static_cast<quint16>(port)))
        throw std::runtime_error("cannot listen on " + addressAndPort.toStdString() + ": " +
                                 m_server->errorString().toStdString());
    m_server->pauseAccepting();
    m_notifier = new QSocketNotifier(m_server->socketDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Listener::acceptAll);
    return QStringLiteral("%1:%2")
        .arg(m_server->serverAddress().toString())
        .arg(m_server->serverPort());
}

void Listener::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_backoff->stop();
    if (m_server)
        m_server->close();
}

void Listener::acceptAll()
{
    if (!m_notifier)
        return;
    for (;;) {
        const int fd = ::accept4(int(m_server->socketDescriptor()), nullptr, nullptr,
                                 SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK)
                pause(errno);
            return;
        }
        if (m_paused)
            m_log(QStringLiteral("accepting again"));
        m_paused = false;
        m_backoffMs = 0;
        auto *socket = new QTcpSocket;
        if (!socket->setSocketDescriptor(fd)) {
            delete socket;
            ::close(fd);
            continue;
        }
        // Answers go out in more than one write; Nagle would hold the last one back for
        // the client's delayed acknowledgement.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_accepted(socket);
    }
}

void Listener::pause(int error)
{
    // The socket stays readable while clients wait: stop listening to it for a while.
    m_notifier->setEnabled(false);
    if (!m_paused)
        m_log(QStringLiteral("cannot accept (%1); pausing")
                  .arg(QString::fromLocal8Bit(std::strerror(error))));
    m_paused = true;
    m_backoffMs = m_backoffMs == 0 ? 50 : std::min(1000, m_backoffMs * 2);
    m_backoff->start(m_backoffMs);
}
