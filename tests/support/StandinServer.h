#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// A real stand-in server process on free loopback ports, for as long as the object lives.
class StandinServer {
public:
    // Listens on each address (port 0: a free one); scenarioJson, when given, is written
    // to a file and passed to the server.
    explicit StandinServer(QStringList listen = {QStringLiteral("127.0.0.1:0")},
                           const QByteArray &scenarioJson = {});
    ~StandinServer();

    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // "ADDR:PORT" of each listener, in the order asked for.
    const QStringList &addresses() const { return m_addresses; }
    quint16 port(int listener = 0) const;
    // "\\127.0.0.1:PORT\share"
    QString connectPath(const QString &share, int listener = 0) const;

    // Changes the server's faults while it runs, e.g. {"refuseConnects": 1}.
    void control(const QByteArray &json);
    // Everything the server has logged so far.
    QStringList log();
    // Waits (up to 5 s) until at least count lines contain text; gives those lines.
    QStringList waitForLog(const QString &text, int count = 1);

    static QString executable();

private:
    QProcess m_process;
    QStringList m_addresses;
    // The server logs into a file, never into a pipe that nobody drains.
    QString m_logPath;
    QString m_scenarioPath;
};
