#include "StandinServer.h"

#include "Wire.h"

#include <QDir>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QThread>
#include <cstring>
#include <stdexcept>

QString StandinServer::executable()
{
    return QStringLiteral(STANDIN_SERVER_PATH);
}

StandinServer::StandinServer(QStringList listen, const QByteArray &scenarioJson, Options options)
{
    QStringList args;
    if (options.control)
        args << QStringLiteral("--control");
    for (const QString &address : listen)
        args << QStringLiteral("--listen") << address;
    if (!scenarioJson.isEmpty()) {
        QTemporaryFile file(QDir::tempPath() + QStringLiteral("/scenario-XXXXXX.json"));
        file.setAutoRemove(false);
        if (!file.open())
            throw std::runtime_error("cannot write the scenario");
        file.write(scenarioJson);
        m_scenarioPath = file.fileName();
        args << QStringLiteral("--scenario") << m_scenarioPath;
    }
    {
        QTemporaryFile logFile(QDir::tempPath() + QStringLiteral("/standin-XXXXXX.log"));
        logFile.setAutoRemove(false);
        if (!logFile.open())
            throw std::runtime_error("cannot create the server log");
        m_logPath = logFile.fileName();
    }
    // The server ends with the test process, also when a test aborts.
    args << QStringLiteral("--with-parent");
    if (options.maxOpenFiles > 0)
        args << QStringLiteral("--max-open-files") << QString::number(options.maxOpenFiles);
    m_process = std::make_unique<ChildProcess>(executable(), args, m_logPath);
    QString first;
    for (int i = 0; i < 1000 && m_process->isRunning(); ++i) {
        const QStringList lines = log();
        if (!lines.isEmpty()) {
            first = lines.first();
            break;
        }
        QThread::msleep(10);
    }
    if (!first.startsWith(QLatin1String("listening ")))
        throw std::runtime_error("standin-server did not start listening (exit code " +
                                 std::to_string(m_process->exitCode()) +
                                 "): " + first.toStdString());
    m_addresses = first.mid(10).split(QLatin1Char(' '));
}

StandinServer::~StandinServer()
{
    m_process->terminate();
    if (!m_process->waitForFinished(5000))
        m_process->kill();
    m_process->waitForFinished(2000);
    if (!m_scenarioPath.isEmpty())
        QFile::remove(m_scenarioPath);
    QFile::remove(m_logPath);
}

quint16 StandinServer::port(int listener) const
{
    const QString address = m_addresses.value(listener);
    return static_cast<quint16>(address.mid(address.lastIndexOf(QLatin1Char(':')) + 1).toUInt());
}

QString StandinServer::connectPath(const QString &share, int listener) const
{
    return QStringLiteral("\\\\%1\\%2").arg(m_addresses.value(listener), share);
}

void StandinServer::control(const QByteArray &json)
{
    const QString refused = controlAnswer(json);
    if (!refused.isEmpty())
        throw std::runtime_error("control refused: " + json.toStdString() + ": " +
                                 refused.toStdString());
}

QString StandinServer::controlAnswer(const QByteArray &json)
{
    QTcpSocket socket;
    const QString address = m_addresses.value(0);
    socket.connectToHost(address.left(address.lastIndexOf(QLatin1Char(':'))), port(0));
    if (!socket.waitForConnected(5000))
        throw std::runtime_error("control: cannot connect");
    const std::vector<std::uint8_t> frame =
        wire::Writer(wire::Control).str(json.toStdString()).frame();
    socket.write(reinterpret_cast<const char *>(frame.data()), static_cast<qint64>(frame.size()));
    socket.waitForBytesWritten(5000);
    QByteArray answer;
    std::uint32_t length = 0;
    while (socket.waitForReadyRead(5000)) {
        answer += socket.readAll();
        if (answer.size() >= 4) {
            std::memcpy(&length, answer.constData(), 4);
            if (std::uint64_t(answer.size()) >= 4u + length)
                break;
        }
    }
    if (answer.size() < 5 || std::uint64_t(answer.size()) < 4u + length)
        throw std::runtime_error("control: no answer to " + json.toStdString());
    const auto *payload = reinterpret_cast<const std::uint8_t *>(answer.constData()) + 4;
    wire::Reader reader(payload + 1, length - 1);
    reader.u32();
    const QString text = QString::fromStdString(reader.str());
    return payload[0] == wire::Ok ? QString()
                                  : (text.isEmpty() ? QStringLiteral("(refused)") : text);
}

int StandinServer::terminate()
{
    m_process->terminate();
    if (!m_process->waitForFinished(10000))
        return -1;
    return m_process->exitCode();
}

QStringList StandinServer::log()
{
    // Only whole lines: the server may be writing the last one.
    QFile file(m_logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = file.readAll();
    text.truncate(text.lastIndexOf('\n') + 1);
    return QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList StandinServer::executions(const QString &procedure)
{
    QStringList calls;
    const QRegularExpression line(QStringLiteral("^execute #\\d+ ") +
                                  QRegularExpression::escape(procedure));
    for (const QString &entry : log().filter(line))
        calls.append(entry.section(QLatin1Char(' '), 2));
    return calls;
}

QStringList StandinServer::waitForLog(const QString &text, int count)
{
    QStringList lines;
    for (int i = 0; i < 500; ++i) {
        lines = log().filter(text);
        if (lines.size() >= count)
            break;
        QThread::msleep(10);
    }
    return lines;
}
