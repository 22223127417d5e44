#include "ServerPolls.h"

#include <QMetaObject>

ServerPolls::ServerPolls(quint32 sqlTimeoutSeconds, QObject *parent)
    : QObject(parent), m_sqlTimeoutSeconds(sqlTimeoutSeconds)
{
    m_pool.setMaxThreadCount(MaxPollWorkers);
}

ServerPolls::~ServerPolls()
{
    // The workers post to this object: none may be left once it goes.
    m_pool.waitForDone();
}

void ServerPolls::setServers(const QStringList &connectPaths)
{
    stop();
    m_paths = connectPaths;
}

int ServerPolls::pollAll()
{
    int started = 0;
    for (const QString &path : std::as_const(m_paths)) {
        if (m_reading.contains(path))
            continue;
        m_reading.insert(path);
        ++m_running;
        ++started;
        m_pool.start([this, path, generation = m_generation, timeout = m_sqlTimeoutSeconds] {
            ServerStatus status;
            try {
                status = readServerStatus(path, timeout);
            } catch (...) {
                // It never raises but for want of memory; the path must still come back free.
                status = {};
                status.connectPath = path;
                status.text = QStringLiteral("out of memory");
            }
            QMetaObject::invokeMethod(
                this, [this, generation, status] { collect(generation, status); },
                Qt::QueuedConnection);
            --m_running;
        });
    }
    return started;
}

bool ServerPolls::isReading(int index) const
{
    return index >= 0 && index < m_paths.size() && m_reading.contains(m_paths[index]);
}

void ServerPolls::stop()
{
    ++m_generation;
}

int ServerPolls::running() const
{
    return m_running;
}

void ServerPolls::collect(quint64 generation, const ServerStatus &status)
{
    m_reading.remove(status.connectPath);
    if (generation != m_generation)
        return;
    // Whoever takes a result may begin another generation meanwhile.
    for (int i = 0; i < m_paths.size() && generation == m_generation; ++i)
        if (m_paths[i] == status.connectPath)
            emit read(i, status);
}
