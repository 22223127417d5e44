#include "CheckTool.h"

#include "BoundedReading.h"
#include "CheckFormats.h"
#include "CheckTarget.h"
#include "FileReplace.h"
#include "IpLiteral.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <algorithm>
#include <optional>

namespace CheckTool {

namespace {

namespace Texts {
const char *const Unknown = "ADS UNKNOWN - %1\n";
const char *const NoTarget = "no server given (\\\\SERVER[:PORT]\\SHARE or --server HOST[:PORT])";
const char *const TwoTargets = "one server per call";
const char *const UnknownOption = "unknown option %1";
const char *const NeedsValue = "%1 needs a value";
const char *const Twice = "%1 is given twice";
const char *const BadFormat = "--format is plugin, checkmk or prometheus, not %1";
const char *const BadRejected = "--rejected is ok, warning or critical, not %1";
const char *const BadSeconds = "%1 takes whole seconds from 1 to 3600, not %2";
const char *const BadDays = "--expiry-days takes whole days from 0 to 36500, not %1";
const char *const OutputNeedsProm = "--output needs --format prometheus";
const char *const JsonAndFormat = "--json and --format cannot be given together";
const char *const NoListen = "this build has no exporter (--listen); use --format prometheus "
                             "--output FILE for a textfile collector";
const char *const ListenNeedsAllow =
    "--listen needs --allow: the host names, addresses or networks it may probe";
const char *const ListenAndTarget = "--listen probes the targets Prometheus names; give no server";
const char *const BadListen = "--listen takes ADDRESS:PORT with an IP address, not %1";
const char *const WriteFailed = "cannot write %1: %2";
const char *const Help =
    "Checks one database server's headroom as a monitoring system reads it: the usage\n"
    "counters, the installation data and the connected users, each procedure run once on a\n"
    "connection of its own.\n"
    "\n"
    "Server:\n"
    "  \\\\SERVER[:PORT]\\SHARE     as the monitor addresses it (PORT 6262 when not given)\n"
    "  -H, --server HOST[:PORT]  the same by host and port\n"
    "  --share NAME              the share a --server or a probe target names (c$)\n"
    "\n"
    "Judging (percent of configured in use; N means from N % on, ranges as the\n"
    "Monitoring Plugins write them: 80:90, ~:90, @90:100):\n"
    "  -w, --warning RANGE       WARNING (90: the monitor's near mark)\n"
    "  -c, --critical RANGE      CRITICAL (100: the monitor's full mark)\n"
    "  --rejected STATE          a resource that turned requests away since the server\n"
    "                            started: ok, warning or critical (warning)\n"
    "  --expiry-days N           an evaluation licence that ends within N days is WARNING,\n"
    "                            one that has ended CRITICAL (14)\n"
    "  -t, --timeout SECONDS     the whole check, connecting included (10)\n"
    "\n"
    "Output:\n"
    "  (default)                 the Monitoring Plugins' status line with performance data\n"
    "  -v, --verbose             a line for every resource past its threshold\n"
    "  --format checkmk          a Checkmk local check line\n"
    "  --format prometheus       Prometheus's text exposition format\n"
    "  -o, --output FILE         with --format prometheus: written whole (temporary file,\n"
    "                            then renamed) for a textfile collector\n"
    "  --json                    every field each procedure returned, as JSON\n"
    "%1"
    "\n"
    "  -h, --help                this help\n"
    "  -V, --version             the version\n"
    "\n"
    "Exit codes: 0 OK, 1 WARNING, 2 CRITICAL (also a server that cannot be reached, refuses\n"
    "or does not answer in time), 3 UNKNOWN (a wrong call, an answer without the fields the\n"
    "check needs, output that could not be written).\n";
const char *const HelpListen =
    "\n"
    "Exporter:\n"
    "  --listen ADDRESS:PORT     serves /metrics (its own) and /probe?target=HOST:PORT (one\n"
    "                            server, as Prometheus's multi-target exporters do) until\n"
    "                            SIGTERM or Ctrl+C\n"
    "  --allow LIST              the servers it may probe: host names, addresses and\n"
    "                            networks (10.1.0.0/24), each for ports 6262 and 2001 or the\n"
    "                            port it names (fileserver:7000); may be repeated\n";
const char *const HelpNoListen =
    "\n"
    "This build has no exporter (--listen): write the metrics with --format prometheus\n"
    "--output FILE for windows_exporter's textfile collector.\n";
} // namespace Texts

QString say(const char *text)
{
    return QString::fromLatin1(text);
}

enum class Format { Plugin, Checkmk, Prometheus, Json };

struct Parsed {
    bool help = false;
    bool version = false;
    bool verbose = false;
    Format format = Format::Plugin;
    QString target;
    QString output;
    QString share = DefaultCheckShare;
    CheckRules rules = CheckRules::defaults();
    int timeoutSeconds = 10;
    QString listen;
    std::optional<AllowList> allow;
};

// The options' names, each with its short one where it has one and whether it takes a value.
const struct {
    const char *name;
    const char *shortName;
    bool value;
} Options[] = {
    {"server", "H", true},    {"share", nullptr, true},    {"warning", "w", true},
    {"critical", "c", true},  {"rejected", nullptr, true}, {"expiry-days", nullptr, true},
    {"timeout", "t", true},   {"format", nullptr, true},   {"output", "o", true},
    {"json", nullptr, false}, {"verbose", "v", false},     {"listen", nullptr, true},
    {"allow", nullptr, true}, {"help", "h", false},        {"version", "V", false},
};

// The first argument the parser refused, as typed, and why.
QString refusal(const QStringList &arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')))
            continue;
        const QString name = argument.startsWith(QLatin1String("--"))
                                 ? argument.mid(2).section(QLatin1Char('='), 0, 0)
                                 : argument.mid(1, 1);
        const auto known = std::find_if(std::begin(Options), std::end(Options), [&](const auto &o) {
            return name == QLatin1String(o.name) ||
                   (o.shortName && name == QLatin1String(o.shortName));
        });
        if (known == std::end(Options))
            return say(Texts::UnknownOption).arg(argument);
        if (known->value) {
            const bool inline_ = argument.contains(QLatin1Char('=')) ||
                                 (!argument.startsWith(QLatin1String("--")) && argument.size() > 2);
            if (!inline_ && i + 1 >= arguments.size())
                return say(Texts::NeedsValue).arg(argument);
            if (!inline_)
                ++i;
        } else if (argument.contains(QLatin1Char('='))) {
            return say(Texts::UnknownOption).arg(argument);
        }
    }
    return say(Texts::UnknownOption).arg(arguments.value(0));
}

std::optional<int> wholeNumber(const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < lowest || value > highest || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return value;
}

std::optional<Parsed> parse(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const auto &o : Options) {
        QStringList names{QLatin1String(o.name)};
        if (o.shortName)
            names.prepend(QLatin1String(o.shortName));
        parser.addOption(o.value ? QCommandLineOption(names, QString(), QStringLiteral("VALUE"))
                                 : QCommandLineOption(names));
    }
    if (!parser.parse(QStringList{Program.name} + arguments)) {
        error = refusal(arguments);
        return std::nullopt;
    }
    // One value each, except --allow, whose lists add up.
    for (const auto &o : Options) {
        if (o.value && QLatin1String(o.name) != QLatin1String("allow") &&
            parser.values(QLatin1String(o.name)).size() > 1) {
            error = say(Texts::Twice).arg(QStringLiteral("--") + QLatin1String(o.name));
            return std::nullopt;
        }
    }
    const auto value = [&parser](const char *name) { return parser.value(QLatin1String(name)); };
    const auto isSet = [&parser](const char *name) { return parser.isSet(QLatin1String(name)); };
    Parsed parsed;
    parsed.help = isSet("help");
    parsed.version = isSet("version");
    parsed.verbose = isSet("verbose");
    if (parsed.help || parsed.version)
        return parsed;

    QStringList targets = parser.positionalArguments();
    if (isSet("server"))
        targets.append(value("server"));
    if (targets.size() > 1) {
        error = say(Texts::TwoTargets);
        return std::nullopt;
    }
    parsed.target = targets.value(0);
    if (isSet("share")) {
        parsed.share = value("share").trimmed();
        if (parsed.share.isEmpty()) {
            error = say(Texts::NeedsValue).arg(QStringLiteral("--share"));
            return std::nullopt;
        }
    }
    if (isSet("warning")) {
        const auto range = parseThresholdRange(value("warning"), error);
        if (!range)
            return std::nullopt;
        parsed.rules.warning = *range;
    }
    if (isSet("critical")) {
        const auto range = parseThresholdRange(value("critical"), error);
        if (!range)
            return std::nullopt;
        parsed.rules.critical = *range;
    }
    if (isSet("rejected")) {
        const QString state = value("rejected").toLower();
        if (state == QLatin1String("ok"))
            parsed.rules.rejected = CheckState::Ok;
        else if (state == QLatin1String("warning"))
            parsed.rules.rejected = CheckState::Warning;
        else if (state == QLatin1String("critical"))
            parsed.rules.rejected = CheckState::Critical;
        else {
            error = say(Texts::BadRejected).arg(value("rejected"));
            return std::nullopt;
        }
    }
    if (isSet("expiry-days")) {
        const std::optional<int> days = wholeNumber(value("expiry-days"), 0, 36500);
        if (!days) {
            error = say(Texts::BadDays).arg(value("expiry-days"));
            return std::nullopt;
        }
        parsed.rules.expiryDays = *days;
    }
    if (isSet("timeout")) {
        const std::optional<int> seconds = wholeNumber(value("timeout"), 1, 3600);
        if (!seconds) {
            error = say(Texts::BadSeconds).arg(QStringLiteral("--timeout"), value("timeout"));
            return std::nullopt;
        }
        parsed.timeoutSeconds = *seconds;
    }
    if (isSet("format")) {
        const QString format = value("format").toLower();
        if (format == QLatin1String("plugin") || format == QLatin1String("nagios"))
            parsed.format = Format::Plugin;
        else if (format == QLatin1String("checkmk"))
            parsed.format = Format::Checkmk;
        else if (format == QLatin1String("prometheus"))
            parsed.format = Format::Prometheus;
        else {
            error = say(Texts::BadFormat).arg(value("format"));
            return std::nullopt;
        }
    }
    if (isSet("json")) {
        if (isSet("format")) {
            error = say(Texts::JsonAndFormat);
            return std::nullopt;
        }
        parsed.format = Format::Json;
    }
    if (isSet("output")) {
        parsed.output = value("output");
        if (parsed.format != Format::Prometheus || parsed.output.isEmpty()) {
            error = say(Texts::OutputNeedsProm);
            return std::nullopt;
        }
    }
    for (const QString &list : parser.values(QStringLiteral("allow"))) {
        const std::optional<AllowList> entries = AllowList::parse(list, error);
        if (!entries)
            return std::nullopt;
        if (!parsed.allow)
            parsed.allow = AllowList();
        parsed.allow->add(*entries);
    }
    if (isSet("listen")) {
        parsed.listen = value("listen");
        if (!parsed.target.isEmpty()) {
            error = say(Texts::ListenAndTarget);
            return std::nullopt;
        }
        if (!parsed.allow) {
            error = say(Texts::ListenNeedsAllow);
            return std::nullopt;
        }
        return parsed;
    }
    if (parsed.target.isEmpty()) {
        error = say(Texts::NoTarget);
        return std::nullopt;
    }
    return parsed;
}

std::optional<ExporterSettings> exporterSettings(const Parsed &parsed, QString &error)
{
    ExporterSettings settings;
    const qsizetype colon = parsed.listen.lastIndexOf(QLatin1Char(':'));
    QString host = parsed.listen.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = parsed.listen.mid(colon + 1).toUInt(&ok);
    if (colon < 0 || !parseIpLiteral(host) || !ok || port > 65535) {
        error = say(Texts::BadListen).arg(parsed.listen);
        return std::nullopt;
    }
    settings.address = host;
    settings.port = quint16(port);
    settings.allow = *parsed.allow;
    settings.share = parsed.share;
    settings.rules = parsed.rules;
    settings.timeoutMs = parsed.timeoutSeconds * 1000;
    return settings;
}

CheckState usageError(const CommandOutput &output, const QString &error)
{
    // A monitoring system shows standard output: the status line says what is wrong.
    output.out(say(Texts::Unknown).arg(oneLine(error)));
    Program.sayUsageError(output, error);
    return CheckState::Unknown;
}

CheckState check(const Parsed &parsed, const CommandOutput &output)
{
    QString error;
    const std::optional<CheckTarget> target = parseTarget(parsed.target, parsed.share, error);
    if (!target)
        return usageError(output, error);
    // Only --json shows the users' rows; the other forms need their count.
    const ServerStatus status =
        readWithin(*target, parsed.timeoutSeconds * 1000,
                   parsed.format == Format::Json ? UserRows::All : UserRows::CountOnly);
    const CheckVerdict verdict = judge(status, parsed.rules, QDate::currentDate());
    switch (parsed.format) {
    case Format::Plugin:
        output.out(CheckFormats::pluginText(status, verdict, parsed.rules, parsed.verbose));
        break;
    case Format::Checkmk:
        output.out(CheckFormats::checkmkLine(*target, status, verdict, parsed.rules));
        break;
    case Format::Json:
        output.out(QString::fromUtf8(
            QJsonDocument(CheckFormats::json(*target, status, verdict)).toJson()));
        break;
    case Format::Prometheus: {
        const QByteArray text = CheckFormats::prometheusText(status, verdict, target->label());
        if (parsed.output.isEmpty()) {
            output.out(QString::fromUtf8(text));
            break;
        }
        const QString file = QDir::toNativeSeparators(QFileInfo(parsed.output).absoluteFilePath());
        FileReplace::Request request;
        request.fileName = file;
        request.readLimit = 0;
        request.produce = [&text](const FileReplace::Current &) { return text; };
        const FileReplace::Result result = FileReplace::replace(request);
        if (!result.ok()) {
            const QString why = say(Texts::WriteFailed).arg(file, FileReplace::reasonText(result));
            output.out(say(Texts::Unknown).arg(oneLine(why)));
            Program.sayError(output, why);
            return CheckState::Unknown;
        }
        break;
    }
    }
    return verdict.state;
}

} // namespace

int exitCode(CheckState state)
{
    return int(state);
}

QString usage(bool withListen)
{
    return QStringLiteral("Usage: ") + QString::fromLatin1(Program.synopsis) +
           QStringLiteral("\n       ") +
           QStringLiteral("quellmark-check --listen ADDRESS:PORT --allow LIST\n\n") +
           say(Texts::Help).arg(say(withListen ? Texts::HelpListen : Texts::HelpNoListen));
}

CheckState run(const QStringList &arguments, const CommandOutput &output, const Listen &listen)
{
    try {
        QString error;
        const std::optional<Parsed> parsed = parse(arguments, error);
        if (!parsed)
            return usageError(output, error);
        if (parsed->help) {
            output.out(usage(bool(listen)));
            return CheckState::Ok;
        }
        if (parsed->version) {
            output.out(Program.name + QLatin1Char(' ') + QStringLiteral(QUELLMARK_VERSION) +
                       QLatin1Char('\n'));
            return CheckState::Ok;
        }
        if (!parsed->listen.isEmpty()) {
            if (!listen)
                return usageError(output, say(Texts::NoListen));
            const std::optional<ExporterSettings> settings = exporterSettings(*parsed, error);
            if (!settings)
                return usageError(output, error);
            return listen(*settings, output);
        }
        return check(*parsed, output);
    } catch (const std::exception &error) {
        output.out(say(Texts::Unknown).arg(oneLine(QString::fromLocal8Bit(error.what()))));
    } catch (...) {
        output.out(say(Texts::Unknown).arg(QStringLiteral("unexpected failure")));
    }
    return CheckState::Unknown;
}

} // namespace CheckTool
