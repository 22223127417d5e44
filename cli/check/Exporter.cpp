#include "Exporter.h"

#include "BoundedReading.h"
#include "CheckFormats.h"
#include "StopSignal.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QHostAddress>
#include <QHttpServerRequest>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

namespace Texts {
const char *const Body = "a scrape takes no request body";
const char *const OnlyGet = "only GET is served";
const char *const NotFound = "not found: /metrics or /probe?target=HOST:PORT\n";
const char *const NoTarget = "the target parameter is missing (/probe?target=HOST:PORT)";
const char *const TwoTargets = "the target parameter is given more than once";
const char *const UnknownParameter = "unknown parameter %1 (only target is taken)";
const char *const NotAllowed = "target %1 is not allowed (--allow)";
const char *const BadTimeout =
    "X-Prometheus-Scrape-Timeout-Seconds is no number of seconds above 0: %1";
const char *const Busy = "%1 probes are running; try again later";
const char *const NoAnswer = "no answer within %1 s";
const char *const CannotListen = "cannot listen on %1:%2";
const char *const Listening = "listening %1:%2\n";
const char *const Stopping = "quellmark-check: stopping (%1 probes still running)\n";
const char *const Index = "quellmark-check exporter: /metrics for itself, "
                          "/probe?target=HOST:PORT for one database server\n";
} // namespace Texts

const QByteArray TextFormat = QByteArrayLiteral("text/plain; version=0.0.4; charset=utf-8");
const QByteArray PlainText = QByteArrayLiteral("text/plain; charset=utf-8");

QString say(const char *text)
{
    return QString::fromLatin1(text);
}

// A body on a GET, or a length that is no length, is no scrape.
bool carriesBody(const QHttpServerRequest &request)
{
    const QByteArray length = request.value(QByteArrayLiteral("Content-Length"));
    return !request.body().isEmpty() || (!length.isEmpty() && length.trimmed() != "0");
}

// The resident set of this process, where the system tells it.
std::optional<qint64> residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    bool ok = false;
    const qint64 pages = fields.value(1).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return pages * ::sysconf(_SC_PAGESIZE);
}

} // namespace

// Hands a finished probe from its thread to the exporter, or to nobody once it is gone.
struct Exporter::Mailbox {
    std::mutex mutex;
    Exporter *exporter = nullptr;
};

// One scrape waiting for its answer. Qt 6.4 keeps neither a QFuture's answer (its
// continuation dereferences null) nor a responder kept for later (it writes to the socket
// of a client that has left): the answer's responder is made when the answer is ready, for
// a socket that is still there.
struct Exporter::Waiter {
    Client client;
    bool answered = false;
    std::unique_ptr<QTimer> deadline;
};

// Qt's HTTP server, its requests handed to the exporter with their sockets.
class Exporter::Http : public QAbstractHttpServer {
public:
    explicit Http(Exporter &exporter) : m_exporter(exporter) {}
    using QAbstractHttpServer::makeResponder;

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        return m_exporter.handle(request, socket);
    }
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override
    {
        makeResponder(request, socket)
            .write(QByteArray(Texts::NotFound), PlainText,
                   QHttpServerResponder::StatusCode::NotFound);
    }

private:
    Exporter &m_exporter;
};

struct Exporter::Run {
    CheckTarget target;
    std::vector<std::shared_ptr<Waiter>> waiters;
};

Exporter::Exporter(ExporterSettings settings, QObject *parent)
    : QObject(parent), m_settings(std::move(settings)), m_mailbox(std::make_shared<Mailbox>())
{
    m_mailbox->exporter = this;
    m_uptime.start();
    m_startedSeconds = QDateTime::currentSecsSinceEpoch();
    m_server = std::make_unique<Http>(*this);
}

Exporter::~Exporter()
{
    const std::lock_guard lock(m_mailbox->mutex);
    m_mailbox->exporter = nullptr;
}

bool Exporter::handle(const QHttpServerRequest &request, QTcpSocket *socket)
{
    using Status = QHttpServerResponder::StatusCode;
    const QString path = request.url().path();
    const bool known = path == QLatin1String("/probe") || path == QLatin1String("/metrics") ||
                       path == QLatin1String("/");
    if (!known)
        return false;
    const Client client{socket, &request};
    if (request.method() != QHttpServerRequest::Method::Get) {
        refuse(client, Status::MethodNotAllowed, say(Texts::OnlyGet), "bad_request");
    } else if (carriesBody(request)) {
        refuse(client, Status::BadRequest, say(Texts::Body), "bad_request");
    } else if (path == QLatin1String("/probe")) {
        probe(request, client);
    } else if (path == QLatin1String("/metrics")) {
        reply(client, Status::Ok, ownMetrics(), TextFormat);
    } else {
        reply(client, Status::Ok, QByteArray(Texts::Index), PlainText);
    }
    return true;
}

void Exporter::reply(const Client &client, QHttpServerResponder::StatusCode status,
                     const QByteArray &body, const QByteArray &type)
{
    if (client.socket && client.socket->state() == QAbstractSocket::ConnectedState)
        Http::makeResponder(*client.request, client.socket).write(body, type, status);
}

bool Exporter::listen(QString &error)
{
    m_port = m_server->listen(QHostAddress(m_settings.address), m_settings.port);
    if (m_port == 0) {
        error = say(Texts::CannotListen).arg(m_settings.address, QString::number(m_settings.port));
        return false;
    }
    return true;
}

void Exporter::refuse(const Client &client, QHttpServerResponder::StatusCode status,
                      const QString &reason, const char *counter)
{
    ++m_refused[QLatin1String(counter)];
    reply(client, status, reason.toUtf8() + '\n', PlainText);
}

void Exporter::probe(const QHttpServerRequest &request, const Client &client)
{
    using Status = QHttpServerResponder::StatusCode;
    const auto refused = [&client, this](Status status, const QString &reason,
                                         const char *counter) {
        refuse(client, status, reason, counter);
    };
    const QUrlQuery query = request.query();
    for (const auto &[key, value] : query.queryItems())
        if (key != QLatin1String("target"))
            return refused(Status::BadRequest, say(Texts::UnknownParameter).arg(cleanName(key)),
                           "bad_request");
    const QStringList targets =
        query.allQueryItemValues(QStringLiteral("target"), QUrl::FullyDecoded);
    if (targets.isEmpty())
        return refused(Status::BadRequest, say(Texts::NoTarget), "bad_request");
    if (targets.size() > 1)
        return refused(Status::BadRequest, say(Texts::TwoTargets), "bad_request");
    QString error;
    const std::optional<CheckTarget> target = parseTarget(targets.first(), m_settings.share, error);
    if (!target)
        return refused(Status::BadRequest, error, "bad_request");
    if (!m_settings.allow.allows(*target))
        return refused(Status::Forbidden, say(Texts::NotAllowed).arg(target->label()), "forbidden");

    int timeoutMs = m_settings.timeoutMs;
    const QByteArray header =
        request.value(QByteArrayLiteral("X-Prometheus-Scrape-Timeout-Seconds"));
    if (!header.isEmpty()) {
        bool ok = false;
        const double seconds = header.toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > 86400)
            return refused(Status::BadRequest,
                           say(Texts::BadTimeout).arg(cleanName(QString::fromLatin1(header))),
                           "bad_request");
        timeoutMs = std::max(100, int(seconds * 1000) - m_settings.timeoutOffsetMs);
    }

    const QString key = target->connectPath().toLower();
    std::shared_ptr<Run> run = m_runs.value(key);
    if (!run && m_runs.size() >= m_settings.maxRunning)
        return refused(Status::ServiceUnavailable, say(Texts::Busy).arg(m_runs.size()), "busy");
    auto waiter = std::make_shared<Waiter>();
    waiter->client = client;
    waiter->deadline = std::make_unique<QTimer>();
    waiter->deadline->setSingleShot(true);
    const std::weak_ptr<Waiter> weak = waiter;
    const CheckTarget probed = *target;
    connect(waiter->deadline.get(), &QTimer::timeout, this, [this, weak, probed, timeoutMs] {
        const std::shared_ptr<Waiter> w = weak.lock();
        if (!w || w->answered)
            return;
        ++m_scrapesTimedOut;
        ServerStatus status;
        status.connectPath = probed.connectPath();
        status.outcome = ServerStatus::Outcome::TimedOut;
        status.text = say(Texts::NoAnswer).arg(double(timeoutMs) / 1000.0);
        status.milliseconds = timeoutMs;
        answer(*w, status);
    });
    waiter->deadline->start(timeoutMs);
    if (run) {
        ++m_scrapesJoined;
        run->waiters.push_back(std::move(waiter));
        return;
    }
    run = std::make_shared<Run>();
    run->target = *target;
    run->waiters.push_back(std::move(waiter));
    m_runs.insert(key, run);
    ++m_probesStarted;
    const quint32 sqlSeconds = quint32(std::max(1, (timeoutMs + 999) / 1000));
    std::thread([mailbox = m_mailbox, key, path = target->connectPath(), sqlSeconds] {
        ServerStatus status = readServerStatus(path, sqlSeconds, UserRows::CountOnly);
        const std::lock_guard lock(mailbox->mutex);
        if (Exporter *exporter = mailbox->exporter)
            QMetaObject::invokeMethod(
                exporter,
                [exporter, key, status = std::move(status)] { exporter->finished(key, status); },
                Qt::QueuedConnection);
    }).detach();
}

void Exporter::finished(const QString &key, const ServerStatus &status)
{
    const std::shared_ptr<Run> run = m_runs.take(key);
    if (!run)
        return;
    for (const std::shared_ptr<Waiter> &waiter : run->waiters)
        if (!waiter->answered)
            answer(*waiter, status);
}

void Exporter::answer(Waiter &waiter, const ServerStatus &status)
{
    waiter.answered = true;
    waiter.deadline->stop();
    const CheckVerdict verdict = judge(status, m_settings.rules, QDate::currentDate());
    ++m_states[int(verdict.state)];
    reply(waiter.client, QHttpServerResponder::StatusCode::Ok,
          CheckFormats::prometheusText(status, verdict), TextFormat);
}

QByteArray Exporter::ownMetrics() const
{
    QByteArray out;
    const auto family = [&out](const char *name, const char *type, const char *help) {
        out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    };
    const auto sample = [&out](const char *name, const QByteArray &labels, double value) {
        out += name;
        if (!labels.isEmpty())
            out += '{' + labels + '}';
        out += ' ' + QByteArray::number(value, 'g', 15) + '\n';
    };
    family("ads_exporter_probes_total", "counter", "Probes started, one per target at a time.");
    sample("ads_exporter_probes_total", {}, double(m_probesStarted));
    family("ads_exporter_probes_running", "gauge", "Probes whose threads still run.");
    sample("ads_exporter_probes_running", {}, double(m_runs.size()));
    family("ads_exporter_scrapes_joined_total", "counter",
           "Scrapes that shared the running probe of their target.");
    sample("ads_exporter_scrapes_joined_total", {}, double(m_scrapesJoined));
    family("ads_exporter_scrapes_timed_out_total", "counter",
           "Scrapes answered at their deadline, before their probe ended.");
    sample("ads_exporter_scrapes_timed_out_total", {}, double(m_scrapesTimedOut));
    family("ads_exporter_scrapes_total", "counter", "Probe scrapes answered, by check state.");
    for (int state = 0; state <= 3; ++state)
        sample("ads_exporter_scrapes_total",
               "state=\"" + stateName(CheckState(state)).toLatin1() + '"',
               double(m_states.value(state)));
    family("ads_exporter_requests_refused_total", "counter",
           "Probe requests refused, by reason: bad_request (400), forbidden (403), busy (503).");
    for (const char *reason : {"bad_request", "forbidden", "busy"})
        sample("ads_exporter_requests_refused_total", QByteArray("reason=\"") + reason + '"',
               double(m_refused.value(QLatin1String(reason))));
    family("process_start_time_seconds", "gauge",
           "Start time of the process since 1970 in seconds.");
    sample("process_start_time_seconds", {}, double(m_startedSeconds));
    if (const std::optional<qint64> resident = residentBytes()) {
        family("process_resident_memory_bytes", "gauge", "Resident memory size in bytes.");
        sample("process_resident_memory_bytes", {}, double(*resident));
    }
    return out;
}

CheckState runExporter(const ExporterSettings &settings, const CommandOutput &output)
{
    StopSignal stop;
    Exporter exporter(settings);
    QString error;
    if (!exporter.listen(error)) {
        output.out(QStringLiteral("ADS UNKNOWN - %1\n").arg(error));
        return CheckState::Unknown;
    }
    const QString shown = settings.address.contains(QLatin1Char(':'))
                              ? QLatin1Char('[') + settings.address + QLatin1Char(']')
                              : settings.address;
    output.out(say(Texts::Listening).arg(shown, QString::number(exporter.port())));
    QObject::connect(&stop, &StopSignal::stopped, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    QCoreApplication::exec();
    if (exporter.running() > 0) {
        // A probe's thread may sit in a connect for seconds; the process ends without it.
        output.err(say(Texts::Stopping).arg(exporter.running()));
        abandonReading();
    }
    return CheckState::Ok;
}
