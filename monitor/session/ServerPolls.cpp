#include "ServerPolls.h"

#include <QMetaObject>
#include <system_error>

ServerPolls::ServerPolls(quint32 sqlTimeoutSeconds, QObject *parent)
    : QObject(parent), m_sqlTimeoutSeconds(sqlTimeoutSeconds)
{
}

ServerPolls::~ServerPolls()
{
    // The workers post to this object: none may be left once it goes.
    for (Worker &worker : m_workers)
        worker.thread.join();
}

void ServerPolls::setServers(const QStringList &connectPaths)
{
    stop();
    m_paths = connectPaths;
}

int ServerPolls::pollAll()
{
    for (auto worker = m_workers.begin(); worker != m_workers.end();) {
        if (!worker->ended) {
            ++worker;
            continue;
        }
        worker->thread.join();
        worker = m_workers.erase(worker);
    }
    int started = 0;
    for (const QString &path : std::as_const(m_paths)) {
        if (m_reading.contains(path))
            continue;
        m_reading.insert(path);
        ++m_running;
        ++started;
        Worker &worker = m_workers.emplace_back();
        try {
            worker.thread = std::thread(
                [this, &worker, path, generation = m_generation, timeout = m_sqlTimeoutSeconds] {
                    ServerStatus status;
                    try {
                        status = readServerStatus(path, timeout);
                    } catch (...) {
                        // It raises only for want of memory; the path must still come back free.
                        status = {};
                        status.connectPath = path;
                        status.text = QStringLiteral("out of memory");
                    }
                    {
                        const std::lock_guard lock(m_resultsLock);
                        m_results.push_back({generation, std::move(status)});
                    }
                    QMetaObject::invokeMethod(this, &ServerPolls::collect, Qt::QueuedConnection);
                    --m_running;
                    worker.ended = true;
                });
        } catch (const std::system_error &) {
            // No thread to be had now: this server and the rest wait for the next poll.
            m_workers.pop_back();
            m_reading.remove(path);
            --m_running;
            --started;
            break;
        }
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

void ServerPolls::collect()
{
    std::vector<Result> results;
    {
        const std::lock_guard lock(m_resultsLock);
        results.swap(m_results);
    }
    for (const Result &result : results)
        take(result.generation, result.status);
}

void ServerPolls::take(quint64 generation, const ServerStatus &status)
{
    m_reading.remove(status.connectPath);
    if (generation != m_generation)
        return;
    // Whoever takes a result may begin another generation meanwhile.
    for (int i = 0; i < m_paths.size() && generation == m_generation; ++i)
        if (m_paths[i] == status.connectPath)
            emit read(i, status);
}
