#pragma once

#include <QString>
#include <QStringList>
#include <sys/types.h>

// A child process started with posix_spawn. QProcess starts its children from a vfork-like
// clone whose child runs code that ThreadSanitizer tracks in the parent's own state, which
// then misses every later lock on the starting thread; tests run under it too.
class ChildProcess {
public:
    // Starts program; standard output (and standard error, when merged) goes to outputPath,
    // or is inherited when that is empty. Raises std::runtime_error when it cannot start.
    ChildProcess(const QString &program, const QStringList &arguments,
                 const QString &outputPath = {}, bool mergeErrors = false);
    // Kills a child still running and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    pid_t pid() const { return m_pid; }
    bool isRunning();
    // Waits up to timeoutMs for the child to end; true when it has.
    bool waitForFinished(int timeoutMs);
    void terminate();
    void kill();
    // The exit code of a child that ended normally, -1 for one ended by a signal or running.
    int exitCode() const { return m_exited ? m_exitCode : -1; }

private:
    pid_t m_pid = -1;
    bool m_exited = false;
    bool m_reaped = false;
    int m_exitCode = -1;
};
