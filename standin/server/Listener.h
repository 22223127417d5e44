#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class QSocketNotifier;
class QTcpServer;
class QTcpSocket;
class QTimer;

// A listening socket that accepts clients itself. Past the process's descriptor limit,
// accept fails until a client leaves; Qt's own server would then poll the still-readable
// socket in a tight loop. Here accepting pauses, backs off (up to a second) and says so
// once per episode.
class Listener : public QObject {
    Q_OBJECT
public:
    using Accepted = std::function<void(QTcpSocket *socket)>;
    using Log = std::function<void(const QString &line)>;

    Listener(Accepted accepted, Log log, QObject *parent = nullptr);
    ~Listener() override;

    // An IP literal and a port (0: a free one). Gives "ADDR:PORT", or raises
    // std::runtime_error.
    QString listen(const QString &addressAndPort);
    void close();

private:
    void acceptAll();
    void pause(int error);

    Accepted m_accepted;
    Log m_log;
    QTcpServer *m_server = nullptr; // binds; accepting is ours
    QSocketNotifier *m_notifier = nullptr;
    QTimer *m_backoff = nullptr;
    int m_backoffMs = 0;
    bool m_paused = false;
};
