#pragma once

#include "ChildProcess.h"

#include <QString>
#include <QStringList>
#include <memory>

// A real stand-in server process on free loopback ports, for as long as the object lives.
struct StandinServerOptions {
    bool control = true;  // takes fault changes over the wire
    int maxOpenFiles = 0; // the server's descriptor limit; 0: as inherited
};

class StandinServer {
public:
    using Options = StandinServerOptions;

    // Listens on each address (port 0: a free one); scenarioJson, when given, is written
    // to a file and passed to the server.
    explicit StandinServer(QStringList listen = {QStringLiteral("127.0.0.1:0")},
                           const QByteArray &scenarioJson = {}, Options options = {});
    ~StandinServer();

    bool isRunning() { return m_process->isRunning(); }
    // "ADDR:PORT" of each listener, in the order asked for.
    const QStringList &addresses() const { return m_addresses; }
    quint16 port(int listener = 0) const;
    // "\\127.0.0.1:PORT\share"
    QString connectPath(const QString &share, int listener = 0) const;

    // Changes the server's faults while it runs, e.g. {"refuseConnects": 1}; raises when
    // the server refuses the change.
    void control(const QByteArray &json);
    // Every fault back to its default.
    void resetFaults() { control(R"({"reset":true})"); }
    // The server's answer to a control message: empty when taken, else its error text.
    QString controlAnswer(const QByteArray &json);
    // Stops the server with SIGTERM; gives its exit code (-1 when it did not end).
    int terminate();
    qint64 pid() const { return m_process->pid(); }
    // Everything the server has logged so far.
    QStringList log();
    // The executions of a procedure the server logged, each as "name('argument',...)".
    QStringList executions(const QString &procedure);
    // Waits (up to 5 s) until at least count lines contain text; gives those lines.
    QStringList waitForLog(const QString &text, int count = 1);

    static QString executable();

private:
    std::unique_ptr<ChildProcess> m_process;
    QStringList m_addresses;
    // The server logs into a file, never into a pipe that nobody drains.
    QString m_logPath;
    QString m_scenarioPath;
};
