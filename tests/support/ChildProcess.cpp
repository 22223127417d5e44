#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char **environ;

ChildProcess::ChildProcess(const QString &program, const QStringList &arguments,
                           const QString &outputPath, bool mergeErrors)
{
    std::vector<std::string> texts{program.toStdString()};
    for (const QString &argument : arguments)
        texts.push_back(argument.toStdString());
    std::vector<char *> argv;
    for (std::string &text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string output = outputPath.toStdString();
    if (!output.empty()) {
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        if (mergeErrors)
            posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    const int error = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        m_pid = -1;
        throw std::runtime_error("cannot start " + texts[0] + " (errno " + std::to_string(error) +
                                 ")");
    }
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && isRunning()) {
        kill();
        waitForFinished(5000);
    }
}

bool ChildProcess::isRunning()
{
    if (m_pid <= 0 || m_reaped)
        return false;
    int status = 0;
    const pid_t got = ::waitpid(m_pid, &status, WNOHANG);
    if (got == 0)
        return true;
    m_reaped = true;
    if (got == m_pid && WIFEXITED(status)) {
        m_exited = true;
        m_exitCode = WEXITSTATUS(status);
    }
    return false;
}

bool ChildProcess::waitForFinished(int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (isRunning()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ChildProcess::terminate()
{
    if (m_pid > 0 && !m_reaped)
        ::kill(m_pid, SIGTERM);
}

void ChildProcess::kill()
{
    if (m_pid > 0 && !m_reaped)
        ::kill(m_pid, SIGKILL);
}
