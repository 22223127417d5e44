#pragma once

#include "ServerStatus.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <list>
#include <mutex>
#include <thread>
#include <vector>

// How long a reading waits for each procedure: a server that hangs mid-answer is given up
// in this time, not at the period.
constexpr quint32 PollSqlTimeoutSeconds = 10;

// Reads servers side by side, off the thread that asks: each reading is readServerStatus
// on a thread of its own, with a connection of its own, and its result comes back through
// the asking thread's event loop as read(). At most one reading of a connect path
// runs at a time: asking while one runs does nothing, so a period shorter than a reading
// skips instead of piling readings up.
//
// stop() and setServers() begin a new generation: a reading of an earlier one still ends
// by its own time-outs, but its result is dropped. Destroying the object waits for the
// readings that run; a program that ends while readings run need not wait for it (see the
// main window).
class ServerPolls : public QObject {
    Q_OBJECT
public:
    explicit ServerPolls(quint32 sqlTimeoutSeconds = PollSqlTimeoutSeconds,
                         QObject *parent = nullptr);
    ~ServerPolls() override;

    // The servers by their connect paths, indexed as read() reports them.
    void setServers(const QStringList &connectPaths);
    const QStringList &servers() const { return m_paths; }
    // Starts a reading of every server whose path is not being read; gives how many started.
    int pollAll();
    // Whether the server's path is being read, by this generation or an earlier one.
    bool isReading(int index) const;
    // Drops what the readings that run will give.
    void stop();
    // Readings that have not ended, of any generation.
    int running() const;

signals:
    // A reading of the current generation has ended; sent for every index of its path.
    void read(int index, const ServerStatus &status);

private:
    // Takes the results the workers have left, on the asking thread.
    void collect();
    void take(quint64 generation, const ServerStatus &status);

    quint32 m_sqlTimeoutSeconds;
    QStringList m_paths;
    // Counts generations; a result carries the one it was started in and is taken only
    // while that is still the current one.
    quint64 m_generation = 0;
    // Paths whose reading has not come back yet; kept on the asking thread only.
    QSet<QString> m_reading;
    std::atomic<int> m_running = 0;
    // A thread for each reading, started through the system's call so that ThreadSanitizer
    // sees what it is handed (a pool hands work over by locks it cannot see); joined once
    // it has ended, at the next poll or when the object goes.
    struct Worker {
        std::thread thread;
        std::atomic<bool> ended = false;
    };
    std::list<Worker> m_workers;
    // Results waiting for the asking thread: handed over under a lock the sanitizer sees,
    // not inside the queued call (Qt's own hand-over is invisible to it).
    struct Result {
        quint64 generation;
        ServerStatus status;
    };
    std::mutex m_resultsLock;
    std::vector<Result> m_results;
};
