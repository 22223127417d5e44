#pragma once

#include "ServerDiscovery.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <vector>

// One worker per drive letter: the servers of every drive a workstation can have are probed
// at once.
constexpr int MaxProbeWorkers = 26;

// Probes servers side by side, off the thread that asks: each server's lookup and probes
// run on a worker of a pool of at most maxWorkers, each worker with a connection of its
// own; per server nothing differs from ProbeServer. Results arrive through the asking
// thread's event loop.
//
// Destroying the object waits for the probes that run (each ends by the engine's
// time-outs); a program that ends while probes run need not wait for it (see the main
// window).
class ServerProbes : public QObject {
    Q_OBJECT
public:
    ServerProbes(Platform &platform, std::vector<ServerProbe> probes,
                 int maxWorkers = MaxProbeWorkers, QObject *parent = nullptr);
    ~ServerProbes() override;

    int total() const;
    int done() const;
    // Every probe has ended and its result is in results(); finished() is sent once.
    bool isDone() const { return m_finished; }
    // The servers being probed right now, in plan order.
    QStringList running() const;
    // Results by plan index, complete once isDone().
    const std::vector<TAdsServerInfo> &results() const { return m_results; }
    // How each server's lookup and probes went, by plan index, as far as they have got.
    std::vector<ServerDiagnosis> diagnoses() const;

signals:
    void progressed();
    void finished();

private:
    struct Shared;
    void collect();

    std::shared_ptr<Shared> m_shared;
    std::vector<TAdsServerInfo> m_results;
    bool m_finished = false;
};
