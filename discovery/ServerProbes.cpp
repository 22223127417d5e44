#include "ServerProbes.h"

#include "adscnnct.h"

#include <QMetaObject>
#include <algorithm>
#include <mutex>
#include <thread>

// What the workers and the asking thread share.
struct ServerProbes::Shared {
    Shared(Platform &onPlatform, std::vector<ServerProbe> planned)
        : platform(onPlatform), probes(std::move(planned)), running(this->probes.size(), false),
          results(this->probes.size()), diagnoses(this->probes.size())
    {
    }

    Platform &platform;
    std::vector<ServerProbe> probes;
    std::mutex mutex;
    std::size_t next = 0; // the first probe no worker has taken
    std::vector<bool> running;
    std::vector<TAdsServerInfo> results;
    std::vector<ServerDiagnosis> diagnoses;
    int done = 0;
    std::vector<std::thread> workers;
};

ServerProbes::ServerProbes(Platform &platform, std::vector<ServerProbe> probes, int maxWorkers,
                           QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>(platform, std::move(probes)))
{
    Shared &shared = *m_shared;
    m_results = shared.results;
    const std::size_t workers =
        std::min<std::size_t>(shared.probes.size(), std::size_t(std::max(1, maxWorkers)));
    for (std::size_t w = 0; w < workers; ++w) {
        // The destructor joins the workers, so this object outlives every one of them.
        shared.workers.emplace_back([state = m_shared, self = this] {
            // The worker's own connection: probes on different threads never share one.
            TAdsConnection connection;
            for (;;) {
                std::size_t index = 0;
                {
                    const std::lock_guard lock(state->mutex);
                    if (state->next >= state->probes.size())
                        return;
                    index = state->next++;
                    state->running[index] = true;
                    state->diagnoses[index].stage = ServerDiagnosis::Stage::Probing;
                }
                ServerDiagnosis diagnosis;
                const TAdsServerInfo record =
                    ProbeServer(state->platform, connection, state->probes[index], &diagnosis);
                {
                    const std::lock_guard lock(state->mutex);
                    state->results[index] = record;
                    state->diagnoses[index] = std::move(diagnosis);
                    state->running[index] = false;
                    ++state->done;
                }
                // Posted to the asking thread's event loop.
                QMetaObject::invokeMethod(self, &ServerProbes::collect, Qt::QueuedConnection);
            }
        });
    }
    if (shared.probes.empty())
        QMetaObject::invokeMethod(this, &ServerProbes::collect, Qt::QueuedConnection);
}

ServerProbes::~ServerProbes()
{
    for (std::thread &worker : m_shared->workers)
        worker.join();
}

int ServerProbes::total() const
{
    return int(m_shared->probes.size());
}

int ServerProbes::done() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->done;
}

QStringList ServerProbes::running() const
{
    const std::lock_guard lock(m_shared->mutex);
    QStringList names;
    for (std::size_t i = 0; i < m_shared->probes.size(); ++i)
        if (m_shared->running[i])
            names.append(m_shared->probes[i].server);
    return names;
}

std::vector<ServerDiagnosis> ServerProbes::diagnoses() const
{
    const std::lock_guard lock(m_shared->mutex);
    return m_shared->diagnoses;
}

void ServerProbes::collect()
{
    if (m_finished)
        return; // the last probes' posts can arrive after one of them found all done
    {
        const std::lock_guard lock(m_shared->mutex);
        m_finished = m_shared->done == int(m_shared->probes.size());
        if (m_finished)
            m_results = m_shared->results;
    }
    emit progressed();
    if (m_finished)
        emit finished();
}
