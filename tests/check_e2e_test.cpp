// quellmark-check as a process of its own against real stand-in servers: every output form,
// servers that fail in each way, hostile answers, and the exporter over HTTP.

#include "CheckGrammar.h"
#include "StandinServer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>

namespace {

QCoreApplication &application()
{
    static int argc = 1;
    static char name[] = "check_e2e_tests";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

struct Ran {
    int code = -1;
    QString out;
    QString err;
    qint64 ms = 0;
};

Ran runCheck(const QStringList &arguments)
{
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(QStringLiteral(QUELLMARK_CHECK), arguments);
    const bool finished = process.waitForFinished(60000);
    Ran ran;
    ran.ms = clock.elapsed();
    ran.code = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    ran.out = QString::fromUtf8(process.readAllStandardOutput());
    ran.err = QString::fromUtf8(process.readAllStandardError());
    return ran;
}

QByteArray demoScenario()
{
    QFile file(QStringLiteral(DEMO_SCENARIO));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A port nothing listens on: taken, then let go.
quint16 deadPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

class CheckE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        application();
        demo = std::make_unique<StandinServer>(QStringList{QStringLiteral("127.0.0.1:0")},
                                               demoScenario());
    }
    static void TearDownTestSuite() { demo.reset(); }
    void SetUp() override { demo->resetFaults(); }
    static QString path() { return demo->connectPath(QStringLiteral("daten")); }
    static QString hostPort() { return QStringLiteral("127.0.0.1:%1").arg(demo->port()); }

    static std::unique_ptr<StandinServer> demo;
};
std::unique_ptr<StandinServer> CheckE2E::demo;

TEST_F(CheckE2E, TheDemoServerInEveryForm)
{
    Ran ran = runCheck({path(), QStringLiteral("-v")});
    EXPECT_EQ(ran.code, 1) << ran.out.toStdString() << ran.err.toStdString();
    EXPECT_TRUE(ran.out.startsWith(QStringLiteral("ADS WARNING - Users 47 of 50 (94 %) | ")))
        << ran.out.toStdString();
    EXPECT_EQ(pluginGrammarFault(ran.out), QString()) << ran.out.toStdString();
    EXPECT_TRUE(ran.out.contains(QStringLiteral("Users=47;44;49;0;50 ")));
    EXPECT_TRUE(ran.out.contains(
        QStringLiteral("\nUsers: 47 of 50 in use (94 %), past the warning threshold 90\n")));

    // The same server by host and port, judged by other thresholds.
    ran = runCheck({QStringLiteral("--server"), hostPort(), QStringLiteral("--share"),
                    QStringLiteral("daten"), QStringLiteral("-w"), QStringLiteral("95"),
                    QStringLiteral("-c"), QStringLiteral("~:99")});
    EXPECT_EQ(ran.code, 0) << ran.out.toStdString();
    EXPECT_TRUE(ran.out.startsWith(QStringLiteral("ADS OK - 7 resources within limits, "
                                                  "busiest Users 47 of 50 (94 %)")))
        << ran.out.toStdString();

    ran = runCheck({path(), QStringLiteral("--format"), QStringLiteral("checkmk")});
    EXPECT_EQ(ran.code, 1);
    EXPECT_TRUE(ran.out.startsWith(
        QStringLiteral("1 ADS_127.0.0.1_%1 users=47;45;50;0;50|").arg(demo->port())))
        << ran.out.toStdString();

    ran = runCheck({path(), QStringLiteral("--format"), QStringLiteral("prometheus")});
    EXPECT_EQ(expositionFault(ran.out.toUtf8()), QString()) << ran.out.toStdString();
    EXPECT_TRUE(ran.out.contains(
        QStringLiteral("ads_resource_in_use{server=\"%1\",resource=\"Users\"} 47\n")
            .arg(hostPort())));
    EXPECT_TRUE(ran.out.contains(QStringLiteral("ads_up{server=\"%1\"} 1\n").arg(hostPort())));

    ran = runCheck({path(), QStringLiteral("--json")});
    const QJsonObject json = QJsonDocument::fromJson(ran.out.toUtf8()).object();
    EXPECT_EQ(json.value(QStringLiteral("state")).toString(), QStringLiteral("WARNING"));
    const QJsonArray answers = json.value(QStringLiteral("answers")).toArray();
    ASSERT_EQ(answers.size(), 3);
    // Every field, also those the check does not judge.
    EXPECT_TRUE(answers[0]
                    .toObject()
                    .value(QStringLiteral("columns"))
                    .toArray()
                    .contains(QStringLiteral("AvgWaitMs")));
    EXPECT_TRUE(answers[1]
                    .toObject()
                    .value(QStringLiteral("columns"))
                    .toArray()
                    .contains(QStringLiteral("LicenseValue")));
    EXPECT_GE(answers[2].toObject().value(QStringLiteral("rowCount")).toInt(), 47);
}

TEST_F(CheckE2E, TheTextfileIsWrittenWholeAndEndsInANewline)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ads.prom"));
    const Ran ran = runCheck({path(), QStringLiteral("--format"), QStringLiteral("prometheus"),
                              QStringLiteral("--output"), file});
    EXPECT_EQ(ran.code, 1);
    EXPECT_EQ(ran.out, QString());
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray text = written.readAll();
    EXPECT_TRUE(text.endsWith('\n'));
    EXPECT_EQ(expositionFault(text), QString());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"ads.prom"});

    // A folder where the file should be: nothing written, UNKNOWN, the reason told.
    const Ran refused = runCheck({path(), QStringLiteral("--format"), QStringLiteral("prometheus"),
                                  QStringLiteral("--output"), dir.path()});
    EXPECT_EQ(refused.code, 3);
    EXPECT_TRUE(refused.out.startsWith(QStringLiteral("ADS UNKNOWN - cannot write ")));
}

TEST_F(CheckE2E, ServersThatFailAreCriticalAndAnswersThatLackAreUnknown)
{
    const struct {
        const char *why;
        QByteArray faults;
        QStringList extra;
        int code;
        const char *says;
    } cases[] = {
        {"refused", R"({"refuseConnects":5})", {}, 2, "ADS CRITICAL - "},
        {"a procedure fails",
         R"({"procedureErrors":{"sp_mgGetInstallInfo":{"code":7200,"text":"ERROR 7200: kaputt"}}})",
         {},
         2,
         "ADS CRITICAL - qInstallInfo: ERROR 7200: kaputt"},
        {"no Configured column",
         R"({"dropFields":{"sp_mgGetUsageInfo":["Configured"]}})",
         {},
         3,
         "ADS UNKNOWN - sp_mgGetUsageInfo gave no Configured column"},
        {"no usage rows",
         R"({"emptyResults":["sp_mgGetUsageInfo"]})",
         {},
         3,
         "ADS UNKNOWN - sp_mgGetUsageInfo gave no rows"},
        {"a licence ending",
         R"({"evalExpiresInDays":5})",
         {"-w", "99", "--rejected", "ok"},
         1,
         "evaluation licence ends "},
        {"a licence ended",
         R"({"evalExpiresInDays":-2})",
         {"-w", "99", "--rejected", "ok"},
         2,
         "evaluation licence ended "},
        {"a licence far off",
         R"({"evalExpiresInDays":30})",
         {"-w", "99", "--rejected", "ok"},
         0,
         "ADS OK - "},
        {"a licence ending, told to look closer",
         R"({"evalExpiresInDays":5})",
         {"-w", "99", "--rejected", "ok", "--expiry-days", "3"},
         0,
         "ADS OK - "},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        demo->resetFaults();
        demo->control(c.faults);
        const Ran ran = runCheck(QStringList{path()} + c.extra);
        EXPECT_EQ(ran.code, c.code) << ran.out.toStdString() << ran.err.toStdString();
        EXPECT_TRUE(ran.out.contains(QLatin1String(c.says))) << ran.out.toStdString();
        EXPECT_EQ(ran.out.count(QLatin1Char('\n')), 1) << ran.out.toStdString();
    }

    const Ran dead = runCheck({QStringLiteral("127.0.0.1:%1").arg(deadPort())});
    EXPECT_EQ(dead.code, 2) << dead.out.toStdString();
    EXPECT_TRUE(dead.out.startsWith(QStringLiteral("ADS CRITICAL - "))) << dead.out.toStdString();
}

TEST_F(CheckE2E, TheTimeOutBoundsTheWholeCheck)
{
    demo->control(R"({"delayMs":4000})");
    const Ran ran = runCheck({path(), QStringLiteral("-t"), QStringLiteral("1")});
    EXPECT_EQ(ran.code, 2) << ran.out.toStdString() << ran.err.toStdString();
    EXPECT_TRUE(ran.out.startsWith(QStringLiteral("ADS CRITICAL - no answer within 1 s")))
        << ran.out.toStdString();
    EXPECT_LT(ran.ms, 3500);
}

TEST_F(CheckE2E, HostileCountersAreNeverAWrongOk)
{
    const struct {
        const char *why;
        QByteArray rows;
        int code;
        const char *says;
    } cases[] = {
        {"negative", R"([{"name":"Users","inUse":-3,"configured":50,"rejected":0}])", 3,
         "Users: InUse is negative (-3)"},
        {"null in use", R"([{"name":"Users","configured":50}])", 3, "Users: InUse is missing"},
        {"configured 0", R"([{"name":"Users","inUse":4,"configured":0}])", 3,
         "Users: configured 0 with 4 in use"},
        {"huge", R"([{"name":"Locks","inUse":9223372036854775807,"configured":5000}])", 2,
         "Locks 9223372036854775807 of 5000"},
        {"huge rejected",
         R"([{"name":"Users","inUse":1,"configured":50,"rejected":9223372036854775807}])", 1,
         "Users 9223372036854775807 rejected"},
        {"NUL in the name", R"([{"name":[85,115,0,101,114],"inUse":49,"configured":50}])", 1,
         "Us 49 of 50 (98 %)"},
        {"bytes that are no text",
         R"([{"name":[255,254,124,61,39,10,85],"inUse":49,"configured":50}])", 1,
         " 49 of 50 (98 %)"},
        {"all well but one garbled",
         R"([{"name":"Users","inUse":1,"configured":50},{"name":"X","inUse":-1,"configured":5}])",
         3, "X: InUse is negative (-1)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        demo->resetFaults();
        demo->control("{\"usageRows\":" + c.rows + "}");
        for (const char *format : {"plugin", "checkmk", "prometheus"}) {
            SCOPED_TRACE(format);
            const Ran ran = runCheck({path(), QStringLiteral("--format"), QLatin1String(format)});
            EXPECT_EQ(ran.code, c.code) << ran.out.toStdString() << ran.err.toStdString();
            if (QLatin1String(format) == QLatin1String("plugin")) {
                EXPECT_EQ(pluginGrammarFault(ran.out), QString()) << ran.out.toStdString();
                EXPECT_TRUE(ran.out.contains(QString::fromUtf8(c.says))) << ran.out.toStdString();
            } else if (QLatin1String(format) == QLatin1String("prometheus")) {
                EXPECT_EQ(expositionFault(ran.out.toUtf8()), QString()) << ran.out.toStdString();
            } else {
                EXPECT_EQ(ran.out.count(QLatin1Char('\n')), 1) << ran.out.toStdString();
            }
        }
    }
}

#ifdef QUELLMARK_EXPORTER
// The exporter as Prometheus meets it: a process on a free port.
class Exporter {
public:
    explicit Exporter(const QStringList &allow)
    {
        QStringList arguments{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"),
                              QStringLiteral("--share"), QStringLiteral("daten")};
        for (const QString &entry : allow)
            arguments << QStringLiteral("--allow") << entry;
        m_process.start(QStringLiteral(QUELLMARK_CHECK), arguments);
        // The first line is "listening ADDRESS:PORT".
        QByteArray line;
        while (!line.endsWith('\n') && m_process.waitForReadyRead(20000))
            line += m_process.readLine();
        m_port = quint16(line.trimmed().mid(line.lastIndexOf(':') + 1).toUInt());
    }
    ~Exporter()
    {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
    quint16 port() const { return m_port; }
    QProcess &process() { return m_process; }

    struct Answer {
        int status = 0;
        QByteArray body;
    };
    // A GET of the path, with headers; waits for the answer.
    Answer get(const QByteArray &path, const QList<QPair<QByteArray, QByteArray>> &headers = {})
    {
        QByteArray request = "GET " + path + " HTTP/1.1\r\nHost: test\r\n";
        for (const auto &[name, value] : headers)
            request += name + ": " + value + "\r\n";
        const QByteArray back = raw(request + "\r\n", true);
        Answer answer;
        const qsizetype end = back.indexOf("\r\n\r\n");
        if (back.startsWith("HTTP/1.1 ") && end > 0) {
            answer.status = back.mid(9, 3).toInt();
            answer.body = back.mid(end + 4);
        }
        return answer;
    }
    // A sample of the exporter's own /metrics without labels; -1 when it is not there.
    double metric(const char *name)
    {
        const QByteArray prefix = QByteArray(name) + ' ';
        for (const QByteArray &line : get("/metrics").body.split('\n'))
            if (line.startsWith(prefix))
                return line.mid(prefix.size()).toDouble();
        return -1;
    }
    // Bytes as a client sends them, and what comes back before the link closes.
    // With untilAnswered, up to the end of the first answer (by its Content-Length).
    QByteArray raw(const QByteArray &bytes, bool untilAnswered = false)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, m_port);
        if (!socket.waitForConnected(5000))
            return {};
        socket.write(bytes);
        socket.waitForBytesWritten(5000);
        QByteArray answer;
        const auto complete = [&answer] {
            const qsizetype end = answer.indexOf("\r\n\r\n");
            const qsizetype at = answer.toLower().indexOf("content-length:");
            return end > 0 && at > 0 &&
                   answer.size() >= end + 4 +
                                        answer.mid(at + 15, answer.indexOf('\r', at) - at - 15)
                                            .trimmed()
                                            .toLongLong();
        };
        while (!(untilAnswered && complete()) &&
               socket.waitForReadyRead(untilAnswered ? 30000 : 3000))
            answer += socket.readAll();
        return answer;
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};

TEST_F(CheckE2E, ExporterProbesAllowedTargetsAndRefusesTheRest)
{
    const quint16 dead = deadPort();
    Exporter exporter({QStringLiteral("127.0.0.1:%1").arg(demo->port()),
                       QStringLiteral("127.0.0.0/8:%1").arg(dead)});
    ASSERT_NE(exporter.port(), 0);

    Exporter::Answer answer = exporter.get("/probe?target=" + hostPort().toLatin1());
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(expositionFault(answer.body), QString()) << answer.body.toStdString();
    EXPECT_TRUE(answer.body.contains("ads_up 1\n"));
    EXPECT_TRUE(answer.body.contains("ads_resource_in_use{resource=\"Users\"} 47\n"));
    EXPECT_TRUE(answer.body.contains("ads_check_state 1\n"));

    answer = exporter.get("/probe?target=127.0.0.1:" + QByteArray::number(dead));
    EXPECT_EQ(answer.status, 200);
    EXPECT_TRUE(answer.body.contains("ads_up 0\n"));
    EXPECT_TRUE(answer.body.contains("ads_check_state 2\n"));

    const struct {
        QByteArray path;
        int status;
        const char *says;
    } refused[] = {
        {"/probe", 400, "target parameter is missing"},
        {"/probe?target=", 400, "no server given"},
        {"/probe?target=a&target=b", 400, "more than once"},
        {"/probe?target=127.0.0.1:80", 403, "not allowed"},
        {"/probe?target=127.0.0.2:6262", 403, "not allowed"},
        {"/probe?target=fileserver", 403, "not allowed"},
        {"/probe?target=127.0.0.1:99999", 400, "99999 is no port"},
        {"/probe?target=bad%20host", 400, "is no host name"},
        {"/probe?target=%00", 400, "control character"},
        {"/probe?target=127.0.0.1:1&module=x", 400, "unknown parameter module"},
        {"/nothing", 404, ""},
        {"/probe/x", 404, ""},
    };
    for (const auto &r : refused) {
        SCOPED_TRACE(r.path.toStdString());
        answer = exporter.get(r.path);
        EXPECT_EQ(answer.status, r.status);
        EXPECT_TRUE(answer.body.contains(r.says)) << answer.body.toStdString();
    }
    answer = exporter.get("/probe?target=" + hostPort().toLatin1(),
                          {{"X-Prometheus-Scrape-Timeout-Seconds", "soon"}});
    EXPECT_EQ(answer.status, 400);

    // Malformed HTTP gets no answer that a client could take for metrics: what Qt's parser
    // refuses closes the link; what it lets through is refused here.
    for (const QByteArray &bytes :
         {QByteArray("GARBAGE\r\n\r\n"), QByteArray("GET /probe?target=\x01 HTTP/1.1\r\n\r\n"),
          QByteArray("GET /metrics HTTP/1.1\r\nContent-Length: -5\r\n\r\n"),
          QByteArray(70000, 'A')}) {
        SCOPED_TRACE(bytes.left(30).toStdString());
        const QByteArray back = exporter.raw(bytes);
        EXPECT_TRUE(back.isEmpty() || back.startsWith("HTTP/1.1 400 "))
            << back.left(200).toStdString();
    }

    answer = exporter.get("/metrics");
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(expositionFault(answer.body), QString()) << answer.body.toStdString();
    EXPECT_TRUE(
        answer.body.contains("ads_exporter_requests_refused_total{reason=\"forbidden\"} 3\n"))
        << answer.body.toStdString();
    EXPECT_TRUE(exporter.process().state() == QProcess::Running);
    EXPECT_EQ(exporter.process().readAllStandardError(), QByteArray());
}

TEST_F(CheckE2E, ScrapesOfOneTargetShareARunAndEachKeepsItsDeadline)
{
    Exporter exporter({QStringLiteral("127.0.0.1:%1").arg(demo->port())});
    ASSERT_NE(exporter.port(), 0);
    demo->control(R"({"delayMs":300})");
    const int before = demo->executions(QStringLiteral("sp_mgGetUsageInfo")).size();
    std::vector<std::unique_ptr<QTcpSocket>> clients;
    for (int i = 0; i < 5; ++i) {
        clients.push_back(std::make_unique<QTcpSocket>());
        clients.back()->connectToHost(QHostAddress::LocalHost, exporter.port());
        clients.back()->write("GET /probe?target=" + hostPort().toLatin1() +
                              " HTTP/1.1\r\nHost: test\r\n\r\n");
    }
    // Every request out before any answer is awaited: a socket's waits serve only it.
    for (auto &client : clients) {
        ASSERT_TRUE(client->waitForConnected(5000));
        ASSERT_TRUE(client->waitForBytesWritten(5000));
    }
    for (auto &client : clients) {
        QByteArray answer;
        while (!answer.contains("ads_up") && client->waitForReadyRead(20000))
            answer += client->readAll();
        EXPECT_TRUE(answer.contains("ads_up 1\n")) << answer.toStdString();
    }
    EXPECT_EQ(demo->executions(QStringLiteral("sp_mgGetUsageInfo")).size() - before, 1);

    // Prometheus's scrape time-out: the answer comes by it, the server or not.
    demo->control(R"({"delayMs":3000})");
    QElapsedTimer clock;
    clock.start();
    const Exporter::Answer late = exporter.get("/probe?target=" + hostPort().toLatin1(),
                                               {{"X-Prometheus-Scrape-Timeout-Seconds", "1.5"}});
    EXPECT_LT(clock.elapsed(), 2500);
    EXPECT_TRUE(late.body.contains("ads_up 0\n")) << late.body.toStdString();

    // A client that leaves before its answer costs the exporter nothing: it leaves once its
    // probe has started, and the probe runs to its own end.
    const auto probesRunning = [&] { return exporter.metric("ads_exporter_probes_running"); };
    ASSERT_TRUE(QTest::qWaitFor([&] { return probesRunning() == 0; }, 60000));
    {
        const double started = exporter.metric("ads_exporter_probes_total");
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, exporter.port());
        ASSERT_TRUE(socket.waitForConnected(5000));
        socket.write("GET /probe?target=" + hostPort().toLatin1() + " HTTP/1.1\r\nHost: x\r\n\r\n");
        socket.waitForBytesWritten(5000);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return exporter.metric("ads_exporter_probes_total") > started; }, 5000));
    }
    // Its probe ends sooner once the server answers at once again.
    demo->resetFaults();
    ASSERT_TRUE(QTest::qWaitFor([&] { return probesRunning() == 0; }, 60000));
    EXPECT_TRUE(exporter.get("/probe?target=" + hostPort().toLatin1()).body.contains("ads_up 1\n"));

    // SIGTERM stops it cleanly.
    exporter.process().terminate();
    ASSERT_TRUE(exporter.process().waitForFinished(10000));
    EXPECT_EQ(exporter.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(exporter.process().exitCode(), 0);
    EXPECT_EQ(exporter.process().readAllStandardError(), QByteArray());
}
#endif

} // namespace
