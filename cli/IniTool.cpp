#include "IniTool.h"

#include "AdsIni.h"
#include "Diagnosis.h"
#include "DriveUtils.h"
#include "Exception.h"
#include "Platform.h"
#include "ServerProbes.h"
#include "UnifiedDiff.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <optional>

namespace IniTool {

namespace {

const QString ProgramName = QStringLiteral("quellmark-ini");

enum class Command { Preview, Diff, Write, Restore, Diagnose };

struct Options {
    Command command = Command::Preview;
    QString ini;
    bool json = false;
    bool check = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// The options, or the usage error's text.
std::optional<Options> parse(const QStringList &arguments, QString &error)
{
    Options options;
    std::optional<Command> command;
    bool iniGiven = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--json")) {
            options.json = true;
        } else if (argument == QLatin1String("--check")) {
            options.check = true;
        } else if (argument == QLatin1String("--quiet")) {
            options.quiet = true;
        } else if (argument == QLatin1String("--help")) {
            options.help = true;
        } else if (argument == QLatin1String("--version")) {
            options.version = true;
        } else if (argument == QLatin1String("--ini") ||
                   argument.startsWith(QLatin1String("--ini="))) {
            if (iniGiven) {
                error = QStringLiteral("--ini ist zweimal angegeben");
                return std::nullopt;
            }
            iniGiven = true;
            if (argument.startsWith(QLatin1String("--ini="))) {
                options.ini = argument.mid(6);
            } else if (i + 1 < arguments.size()) {
                options.ini = arguments[++i];
            }
            if (options.ini.isEmpty()) {
                error = QStringLiteral("--ini braucht einen Pfad");
                return std::nullopt;
            }
        } else if (argument.startsWith(QLatin1Char('-'))) {
            error = QStringLiteral("unbekannte Option %1").arg(argument);
            return std::nullopt;
        } else {
            static const QStringList names{QStringLiteral("preview"), QStringLiteral("diff"),
                                           QStringLiteral("write"), QStringLiteral("restore"),
                                           QStringLiteral("diagnose")};
            const qsizetype index = names.indexOf(argument);
            if (index < 0) {
                error = QStringLiteral("unbekannter Befehl %1").arg(argument);
                return std::nullopt;
            }
            if (command) {
                error = QStringLiteral("nur ein Befehl auf einmal");
                return std::nullopt;
            }
            command = Command(index);
        }
    }
    if (options.help || options.version)
        return options;
    if (!command) {
        error = QStringLiteral("kein Befehl angegeben");
        return std::nullopt;
    }
    options.command = *command;
    if (options.check && options.command != Command::Diff) {
        error = QStringLiteral("--check gilt nur mit diff");
        return std::nullopt;
    }
    return options;
}

QString text(const QStringList &lines)
{
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QJsonValue orNull(const QString &value, bool present)
{
    return present ? QJsonValue(value) : QJsonValue(QJsonValue::Null);
}

QString typeName(UINT type)
{
    switch (type) {
    case DRIVE_REMOTE:
        return QStringLiteral("network");
    case DRIVE_FIXED:
        return QStringLiteral("local");
    case DRIVE_REMOVABLE:
        return QStringLiteral("removable");
    case DRIVE_CDROM:
        return QStringLiteral("cdrom");
    case DRIVE_RAMDISK:
        return QStringLiteral("ramdisk");
    default:
        return QStringLiteral("unknown");
    }
}

QString outcomeName(PortTrial::Outcome outcome)
{
    switch (outcome) {
    case PortTrial::Outcome::Answered:
        return QStringLiteral("answered");
    case PortTrial::Outcome::Refused:
        return QStringLiteral("refused");
    case PortTrial::Outcome::TimedOut:
        return QStringLiteral("timedOut");
    case PortTrial::Outcome::Failed:
        return QStringLiteral("failed");
    }
    return {};
}

QJsonObject entryJson(const AdsIni::Entry &entry)
{
    return {{QStringLiteral("section"), entry.section},
            {QStringLiteral("key"), entry.key},
            {QStringLiteral("value"), entry.value}};
}

// Everything discovery found, as the window has it once its probes are done.
struct Discovered {
    explicit Discovered(Platform &platform) : servers(platform) {}
    QStringList drives;
    TServerInfoList servers;
    DiscoveryReport report;
};

void discover(Platform &platform, Discovered &found, const Console &console)
{
    ListDrivesOfType(platform, found.drives, DRIVE_REMOTE, true);
    std::vector<ServerProbe> plan = PlanDiscovery(platform, found.servers, &found.report.drives);
    ServerProbes probes(platform, std::move(plan));
    qsizetype shown = 0;
    const auto progress = [&] {
        if (!console.errIsTerminal || probes.isDone())
            return;
        const QString line = ProgressLines(probes.done(), probes.total(), probes.running())
                                 .join(QStringLiteral(" "));
        console.err(QLatin1Char('\r') + line.leftJustified(shown));
        shown = line.size();
    };
    QEventLoop loop;
    QObject::connect(&probes, &ServerProbes::progressed, &loop, progress);
    QObject::connect(&probes, &ServerProbes::finished, &loop, &QEventLoop::quit);
    progress();
    // The probes end by the engine's time-outs, whatever the servers do.
    if (!probes.isDone())
        loop.exec();
    if (shown > 0)
        console.err(QLatin1Char('\r') + QString(shown, QLatin1Char(' ')) + QLatin1Char('\r'));
    const std::vector<TAdsServerInfo> &results = probes.results();
    for (std::size_t i = 0; i < results.size() && int(i) < found.servers.Count(); ++i)
        *found.servers.Record(int(i)) = results[i];
    found.report.servers = probes.diagnoses();
}

QJsonObject discoveryJson(Platform &platform, const Discovered &found)
{
    const QList<AdsIni::Entry> entries =
        AdsIni::Entries(platform, found.drives, found.servers, AdsIni::DriveForm::Preview);
    QJsonArray drives;
    for (const DriveDiagnosis &drive : found.report.drives) {
        QJsonArray given;
        for (const AdsIni::Entry &entry : entries)
            if ((entry.section == QLatin1String("DRIVES") && entry.key == drive.drive) ||
                (drive.probedThrough == drive.drive && entry.section == drive.server &&
                 entry.key.startsWith(QLatin1String("LAN_"))))
                given.append(entryJson(entry));
        QJsonValue uncError = QJsonValue::Null;
        if (drive.type == DRIVE_REMOTE && drive.uncPath.isEmpty())
            uncError = QJsonObject{{QStringLiteral("code"), qint64(drive.uncError)},
                                   {QStringLiteral("text"), drive.uncErrorText}};
        drives.append(QJsonObject{
            {QStringLiteral("drive"), drive.drive},
            {QStringLiteral("type"), typeName(drive.type)},
            {QStringLiteral("uncPath"), orNull(drive.uncPath, !drive.uncPath.isEmpty())},
            {QStringLiteral("uncError"), uncError},
            {QStringLiteral("server"), orNull(drive.server, drive.serverIndex >= 0)},
            {QStringLiteral("probedThrough"),
             orNull(drive.probedThrough, !drive.probedThrough.isEmpty())},
            {QStringLiteral("entries"), given},
            {QStringLiteral("verdict"), Verdict(found.report, drive)},
        });
    }
    QJsonArray servers;
    for (int i = 0; i < found.servers.Count(); ++i) {
        const TAdsServerInfo &record = *found.servers.Record(i);
        const ServerDiagnosis &diagnosis = found.report.servers[std::size_t(i)];
        QJsonArray ports;
        for (const PortTrial &trial : diagnosis.ports) {
            QJsonObject port{{QStringLiteral("port"), qint64(trial.port)},
                             {QStringLiteral("outcome"), outcomeName(trial.outcome)},
                             {QStringLiteral("milliseconds"), trial.milliseconds}};
            if (trial.outcome != PortTrial::Outcome::Answered) {
                port.insert(QStringLiteral("error"), qint64(trial.error));
                port.insert(QStringLiteral("text"), trial.text);
            }
            ports.append(port);
        }
        const HostLookup &lookup = diagnosis.lookup;
        servers.append(QJsonObject{
            {QStringLiteral("name"), record.ServerName},
            {QStringLiteral("LAN_IP"), record.LAN_IP},
            {QStringLiteral("LAN_PORT"), qint64(record.LAN_PORT)},
            {QStringLiteral("available"), record.AVaible},
            {QStringLiteral("lookup"),
             QJsonObject{
                 {QStringLiteral("address"), orNull(lookup.address, !lookup.address.isEmpty())},
                 {QStringLiteral("error"), lookup.error},
                 {QStringLiteral("raised"), lookup.raised}}},
            {QStringLiteral("ports"), ports},
        });
    }
    QJsonArray entryList;
    for (const AdsIni::Entry &entry : entries)
        entryList.append(entryJson(entry));
    return {{QStringLiteral("drives"), drives},
            {QStringLiteral("servers"), servers},
            {QStringLiteral("entries"), entryList},
            {QStringLiteral("preview"), QJsonArray::fromStringList(AdsIni::ShownPreview(
                                            platform, found.drives, found.servers))}};
}

QJsonArray changesJson(const QList<AdsIni::Change> &changes)
{
    QJsonArray list;
    for (const AdsIni::Change &change : changes)
        list.append(QJsonObject{{QStringLiteral("section"), change.section},
                                {QStringLiteral("key"), change.key},
                                {QStringLiteral("before"),
                                 change.before ? QJsonValue(*change.before) : QJsonValue::Null},
                                {QStringLiteral("after"), change.after}});
    return list;
}

QJsonArray skippedJson(const QList<AdsIni::Skipped> &skipped)
{
    QJsonArray list;
    for (const AdsIni::Skipped &entry : skipped) {
        QJsonObject item = entryJson(entry.entry);
        item.insert(QStringLiteral("reason"), entry.reason);
        list.append(item);
    }
    return list;
}

// The file a command works on: as given, made absolute (a relative path would land in the
// Windows folder through the profile calls), else ADS.INI beside the executable.
QString iniPath(Platform &platform, const Options &options)
{
    if (options.ini.isEmpty())
        return AdsIni::FilePath(platform.executablePath());
    return QDir::toNativeSeparators(QFileInfo(options.ini).absoluteFilePath());
}

int runCommand(Platform &platform, const Options &options, const Console &console)
{
    QJsonObject json{{QStringLiteral("program"), ProgramName},
                     {QStringLiteral("version"), QStringLiteral(QUELLMARK_VERSION)}};
    const auto finish = [&](const QString &plain, int code) {
        if (!options.quiet)
            console.out(options.json ? QString::fromUtf8(QJsonDocument(json).toJson()) : plain);
        return code;
    };
    const QString file = iniPath(platform, options);

    if (options.command == Command::Restore) {
        json.insert(QStringLiteral("command"), QStringLiteral("restore"));
        json.insert(QStringLiteral("file"), file);
        json.insert(QStringLiteral("backup"), AdsIni::BackupPath(file));
        const AdsIni::Restored restored = AdsIni::Restore(platform, file);
        // A file that could not be read is replaced all the same; the report says so.
        const QStringList diff =
            restored.readable
                ? AdsIni::Diff(file, restored.existed, restored.before, restored.after)
                : QStringList{
                      QStringLiteral("Die bisherige Datei %1 ist ohne Vergleich ersetzt: %2")
                          .arg(DiffName(file), restored.unreadableReason)};
        json.insert(QStringLiteral("changed"),
                    !restored.readable || restored.before != restored.after);
        json.insert(QStringLiteral("diff"), text(diff));
        return finish(text(diff), Done);
    }

    Discovered found(platform);
    discover(platform, found, console);
    if (options.json) {
        const QJsonObject discovered = discoveryJson(platform, found);
        for (auto i = discovered.begin(); i != discovered.end(); ++i)
            json.insert(i.key(), i.value());
    }

    switch (options.command) {
    case Command::Preview:
        json.insert(QStringLiteral("command"), QStringLiteral("preview"));
        return finish(text(AdsIni::ShownPreview(platform, found.drives, found.servers)), Done);
    case Command::Diagnose:
        json.insert(QStringLiteral("command"), QStringLiteral("diagnose"));
        return finish(DiagnosisText(found.report), Done);
    case Command::Diff:
    case Command::Write:
        break;
    case Command::Restore:
        return Done;
    }

    const bool writing = options.command == Command::Write;
    json.insert(QStringLiteral("command"),
                writing ? QStringLiteral("write") : QStringLiteral("diff"));
    json.insert(QStringLiteral("file"), file);
    const QList<AdsIni::Entry> entries =
        AdsIni::Entries(platform, found.drives, found.servers, AdsIni::DriveForm::File);
    AdsIni::Plan plan = AdsIni::PlanWrite(file, entries);
    // A write the file would refuse part-way is not begun: the file stays as it is.
    if (plan.refusal)
        throw AdsIni::WriteRefused(file, *plan.refusal, {});
    if (writing)
        plan = AdsIni::WriteEntries(platform, file, entries, AdsIni::OnRefusal::WriteNothing);
    // Left out, the rest written: said where a script's log keeps it.
    QStringList reasons;
    for (const AdsIni::Skipped &skipped : plan.skipped)
        if (!reasons.contains(skipped.reason))
            reasons.append(skipped.reason);
    for (const QString &reason : reasons)
        console.err(ProgramName + QStringLiteral(": ") + reason + QLatin1Char('\n'));
    const QStringList diff = AdsIni::Diff(file, plan.exists, plan.before, plan.after);
    json.insert(QStringLiteral("changes"), changesJson(plan.changes));
    json.insert(QStringLiteral("skipped"), skippedJson(plan.skipped));
    json.insert(QStringLiteral("changed"), plan.changesFile());
    json.insert(QStringLiteral("diff"), text(diff));
    if (!writing)
        return finish(text(diff), options.check && plan.changesFile() ? ChangesPending : Done);
    json.insert(QStringLiteral("backup"), plan.exists && plan.changesFile()
                                              ? QJsonValue(AdsIni::BackupPath(file))
                                              : QJsonValue::Null);
    return finish(text(diff), Done);
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "Aufruf: quellmark-ini BEFEHL [OPTIONEN]\n"
        "\n"
        "Befehle:\n"
        "  preview    die ADS.INI-Einträge, wie das Fenster sie zeigt\n"
        "  diff       was ein Schreiben an der Datei ändern würde, als unified diff\n"
        "  write      schreibt die Einträge (die Datei vorher als ADS.INI.bak gesichert)\n"
        "             und zeigt, was sich geändert hat\n"
        "  restore    legt die Sicherung ADS.INI.bak zurück\n"
        "  diagnose   für jedes Laufwerk, welche Einträge es gibt oder warum keine\n"
        "\n"
        "Optionen:\n"
        "  --ini PFAD  die Datei (sonst die ADS.INI neben dem Programm)\n"
        "  --json      ein JSON-Dokument statt Text\n"
        "  --check     mit diff: Exit-Code 1, wenn ein Schreiben die Datei ändern würde\n"
        "  --quiet     nichts auf die Standardausgabe\n"
        "  --help      diese Hilfe\n"
        "  --version   die Version\n"
        "\n"
        "Exit-Codes: 0 erledigt oder nichts zu ändern; 1 Änderungen ausstehen (diff --check);\n"
        "2 die Datei kann nicht gelesen, geschrieben oder wiederhergestellt werden;\n"
        "3 falscher Aufruf.\n");
}

int usageError(const QString &error, const Console &console)
{
    console.err(ProgramName + QStringLiteral(": ") + error + QStringLiteral("\n\n") + usage());
    return UsageError;
}

int run(Platform &platform, const QStringList &arguments, const Console &console)
{
    try {
        QString error;
        const std::optional<Options> options = parse(arguments, error);
        if (!options)
            return usageError(error, console);
        if (options->help) {
            console.out(usage());
            return Done;
        }
        if (options->version) {
            console.out(ProgramName + QLatin1Char(' ') + QStringLiteral(QUELLMARK_VERSION) +
                        QLatin1Char('\n'));
            return Done;
        }
        return runCommand(platform, *options, console);
    } catch (const AdsIni::WriteRefused &error) {
        console.err(ProgramName + QStringLiteral(": ") + error.fullText() + QLatin1Char('\n'));
    } catch (const Exception &error) {
        console.err(ProgramName + QStringLiteral(": ") + error.message() + QLatin1Char('\n'));
    } catch (const std::exception &error) {
        console.err(ProgramName + QStringLiteral(": ") + QString::fromLocal8Bit(error.what()) +
                    QLatin1Char('\n'));
    } catch (...) {
        console.err(ProgramName + QStringLiteral(": unbekannter Fehler\n"));
    }
    return FileFailed;
}

} // namespace IniTool
