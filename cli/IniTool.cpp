#include "IniTool.h"

#include "AdsIni.h"
#include "Diagnosis.h"
#include "Discovery.h"
#include "Exception.h"
#include "Platform.h"
#include "UnifiedDiff.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <optional>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(IniTool)
};

} // namespace

namespace IniTool {

namespace {

// One call of a command: what its options say, and where it writes.
struct Call {
    Platform &platform;
    const CommandOutput &output;
    QString ini; // --ini as given; empty: ADS.INI beside the executable
    bool json = false;
    bool check = false;
    bool quiet = false;
};

QString text(const QStringList &lines)
{
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

// The document --json prints; each command adds to it.
QJsonObject document(const QString &command)
{
    return {{QStringLiteral("program"), Program.name},
            {QStringLiteral("version"), QStringLiteral(QUELLMARK_VERSION)},
            {QStringLiteral("command"), command}};
}

// What a command has to say: the plain text, or with --json the document; nothing with
// --quiet.
Outcome answer(const Call &call, const QJsonObject &json, const QString &plain, Outcome outcome)
{
    if (!call.quiet)
        call.output.out(call.json ? QString::fromUtf8(QJsonDocument(json).toJson()) : plain);
    return outcome;
}

// The file a command works on: as given, made absolute (a relative path would land in the
// Windows folder through the profile calls), else ADS.INI beside the executable.
QString iniPath(const Call &call)
{
    if (call.ini.isEmpty())
        return AdsIni::FilePath(call.platform.executablePath());
    return QDir::toNativeSeparators(QFileInfo(call.ini).absoluteFilePath());
}

// Discovery as the window runs it, done; the list is declared first, as the run fills it.
struct Discovered {
    explicit Discovered(Platform &platform) : servers(platform), run(platform) {}
    TServerInfoList servers;
    Discovery run;
};

void discover(const Call &call, Discovered &found)
{
    Discovery &run = found.run;
    run.start(found.servers);
    const CommandOutput &output = call.output;
    qsizetype shown = 0;
    const auto progress = [&] {
        if (!output.errIsTerminal || run.isDone())
            return;
        const QString line = run.progressLines().join(QStringLiteral(" "));
        output.err(QLatin1Char('\r') + line.leftJustified(shown));
        shown = line.size();
    };
    QEventLoop loop;
    QObject::connect(&run, &Discovery::progressed, &loop, progress);
    QObject::connect(&run, &Discovery::finished, &loop, &QEventLoop::quit);
    progress();
    // The probes end by the engine's time-outs, whatever the servers do.
    if (!run.isDone())
        loop.exec();
    if (shown > 0)
        output.err(QLatin1Char('\r') + QString(shown, QLatin1Char(' ')) + QLatin1Char('\r'));
}

// The discovery in the document: the diagnosis, and the preview as the window shows it.
void addDiscovery(QJsonObject &json, const Call &call, const Discovered &found)
{
    const QJsonObject diagnosis = DiagnosisJson(found.run);
    for (auto i = diagnosis.begin(); i != diagnosis.end(); ++i)
        json.insert(i.key(), i.value());
    json.insert(QStringLiteral("preview"),
                QJsonArray::fromStringList(AdsIni::ShownPreview(call.platform, found.run)));
}

QJsonObject entryJson(const AdsIni::Entry &entry)
{
    return {{QStringLiteral("section"), entry.section},
            {QStringLiteral("key"), entry.key},
            {QStringLiteral("value"), entry.value}};
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

// What diff and write share: discovery, the entries as the file would get them now, and
// the file's plan for them.
struct Planned {
    QString file;
    QList<AdsIni::Entry> entries;
    AdsIni::Plan plan;
    QJsonObject json;
};

Planned planEntries(const Call &call, const QString &command)
{
    Discovered found(call.platform);
    discover(call, found);
    Planned planned;
    planned.json = document(command);
    if (call.json)
        addDiscovery(planned.json, call, found);
    planned.file = iniPath(call);
    planned.json.insert(QStringLiteral("file"), planned.file);
    planned.entries =
        AdsIni::EntriesToWrite(call.platform, found.run.networkDrives(), found.servers);
    planned.plan = AdsIni::PlanWrite(planned.file, planned.entries);
    // A write the file would refuse part-way is not begun: the file stays as it is.
    if (planned.plan.refusal)
        throw AdsIni::WriteRefused(planned.file, *planned.plan.refusal, {});
    return planned;
}

// The entries left out, once each reason on standard error, where a script's log keeps it;
// what changes, in the document; the diff as text.
QString reportPlan(const Call &call, Planned &planned)
{
    const AdsIni::Plan &plan = planned.plan;
    QStringList reasons;
    for (const AdsIni::Skipped &skipped : plan.skipped)
        if (!reasons.contains(skipped.reason))
            reasons.append(skipped.reason);
    for (const QString &reason : reasons)
        Program.sayError(call.output, reason);
    const QString diff = text(AdsIni::Diff(planned.file, plan.exists, plan.before, plan.after));
    planned.json.insert(QStringLiteral("changes"), changesJson(plan.changes));
    planned.json.insert(QStringLiteral("skipped"), skippedJson(plan.skipped));
    planned.json.insert(QStringLiteral("changed"), plan.changesFile());
    planned.json.insert(QStringLiteral("diff"), diff);
    return diff;
}

// --- the commands ----------------------------------------------------------------------

Outcome preview(const Call &call)
{
    Discovered found(call.platform);
    discover(call, found);
    QJsonObject json = document(QStringLiteral("preview"));
    if (call.json)
        addDiscovery(json, call, found);
    return answer(call, json, text(AdsIni::ShownPreview(call.platform, found.run)), Outcome::Done);
}

Outcome diagnose(const Call &call)
{
    Discovered found(call.platform);
    discover(call, found);
    QJsonObject json = document(QStringLiteral("diagnose"));
    if (call.json)
        addDiscovery(json, call, found);
    return answer(call, json, DiagnosisText(found.run.report()), Outcome::Done);
}

Outcome diff(const Call &call)
{
    Planned planned = planEntries(call, QStringLiteral("diff"));
    const QString diff = reportPlan(call, planned);
    return answer(call, planned.json, diff,
                  call.check && planned.plan.changesFile() ? Outcome::ChangesPending
                                                           : Outcome::Done);
}

Outcome write(const Call &call)
{
    Planned planned = planEntries(call, QStringLiteral("write"));
    planned.plan = AdsIni::WriteEntries(call.platform, planned.file, planned.entries,
                                        AdsIni::OnRefusal::WriteNothing);
    const QString diff = reportPlan(call, planned);
    const AdsIni::Plan &plan = planned.plan;
    planned.json.insert(QStringLiteral("backup"), plan.exists && plan.changesFile()
                                                      ? QJsonValue(AdsIni::BackupPath(planned.file))
                                                      : QJsonValue::Null);
    return answer(call, planned.json, diff, Outcome::Done);
}

Outcome restore(const Call &call)
{
    const QString file = iniPath(call);
    QJsonObject json = document(QStringLiteral("restore"));
    json.insert(QStringLiteral("file"), file);
    json.insert(QStringLiteral("backup"), AdsIni::BackupPath(file));
    const AdsIni::Restored restored = AdsIni::Restore(call.platform, file);
    // A file that could not be read is replaced all the same; the report says so.
    const QStringList diff =
        restored.readable
            ? AdsIni::Diff(file, restored.existed, restored.before, restored.after)
            : QStringList{Texts::tr("Die bisherige Datei %1 ist ohne Vergleich ersetzt: %2")
                              .arg(DiffName(file), restored.unreadableReason)};
    json.insert(QStringLiteral("changed"), !restored.readable || restored.before != restored.after);
    json.insert(QStringLiteral("diff"), text(diff));
    return answer(call, json, text(diff), Outcome::Done);
}

using Command = Outcome (*)(const Call &);

const struct {
    const char *name;
    Command run;
} Commands[] = {
    {"preview", &preview}, {"diff", &diff},         {"write", &write},
    {"restore", &restore}, {"diagnose", &diagnose},
};

// --- the command line --------------------------------------------------------------------

const QStringList Switches{QStringLiteral("json"), QStringLiteral("check"), QStringLiteral("quiet"),
                           QStringLiteral("help"), QStringLiteral("version")};

// The first argument the parser refused as an option, as typed: one the tool does not know,
// or a switch given a value ("--json=1"). Read as the parser reads: the argument after a
// bare --ini is its value, and "--" ends the options. None: --ini came last, without one.
std::optional<QString> refusedOption(const QStringList &arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--"))
            break;
        if (argument == QLatin1String("--ini")) {
            ++i;
            continue;
        }
        if (argument.size() < 2 || !argument.startsWith(QLatin1Char('-')) ||
            argument.startsWith(QLatin1String("--ini=")) ||
            (argument.startsWith(QLatin1String("--")) && Switches.contains(argument.mid(2))))
            continue;
        return argument;
    }
    return std::nullopt;
}

// The command and its options, or what is wrong with the call.
struct Parsed {
    Command command = nullptr;
    QString ini;
    bool json = false;
    bool check = false;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

std::optional<Parsed> parse(const QStringList &arguments, QString &error)
{
    QCommandLineParser parser;
    parser.addOption(QCommandLineOption(QStringLiteral("ini"), QString(), QStringLiteral("PFAD")));
    for (const QString &name : Switches)
        parser.addOption(QCommandLineOption(name));
    if (!parser.parse(QStringList{Program.name} + arguments)) {
        const std::optional<QString> refused = refusedOption(arguments);
        error = refused ? Texts::tr("unbekannte Option %1").arg(*refused)
                        : Texts::tr("--ini braucht einen Pfad");
        return std::nullopt;
    }
    Parsed parsed;
    const QStringList ini = parser.values(QStringLiteral("ini"));
    if (ini.size() > 1) {
        error = Texts::tr("--ini ist zweimal angegeben");
        return std::nullopt;
    }
    parsed.ini = ini.value(0);
    if (!ini.isEmpty() && parsed.ini.isEmpty()) {
        error = Texts::tr("--ini braucht einen Pfad");
        return std::nullopt;
    }
    for (const QString &name : parser.positionalArguments()) {
        const auto known =
            std::find_if(std::begin(Commands), std::end(Commands),
                         [&name](const auto &c) { return name == QLatin1String(c.name); });
        if (known == std::end(Commands)) {
            error = Texts::tr("unbekannter Befehl %1").arg(name);
            return std::nullopt;
        }
        if (parsed.command) {
            error = Texts::tr("nur ein Befehl auf einmal");
            return std::nullopt;
        }
        parsed.command = known->run;
    }
    parsed.json = parser.isSet(QStringLiteral("json"));
    parsed.check = parser.isSet(QStringLiteral("check"));
    parsed.quiet = parser.isSet(QStringLiteral("quiet"));
    parsed.help = parser.isSet(QStringLiteral("help"));
    parsed.version = parser.isSet(QStringLiteral("version"));
    if (parsed.help || parsed.version)
        return parsed;
    if (!parsed.command) {
        error = Texts::tr("kein Befehl angegeben");
        return std::nullopt;
    }
    if (parsed.check && parsed.command != &diff) {
        error = Texts::tr("--check gilt nur mit diff");
        return std::nullopt;
    }
    return parsed;
}

} // namespace

int exitCode(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Done:
        return 0;
    case Outcome::ChangesPending:
        return 1;
    case Outcome::FileFailed:
    case Outcome::OutputLost:
    case Outcome::Failed:
        return 2;
    case Outcome::UsageError:
        return 3;
    }
    return 2;
}

QString usage()
{
    return Texts::tr("Aufruf: %1\n").arg(QCoreApplication::translate("Console", Program.synopsis)) +
           Texts::tr("\n"
                     "Befehle:\n"
                     "  preview    die ADS.INI-Einträge, wie das Fenster sie zeigt\n"
                     "  diff       was ein Schreiben an der Datei ändern würde, als unified diff\n"
                     "  write      schreibt die Einträge (die Datei vorher als ADS.INI.bak "
                     "gesichert)\n"
                     "             und zeigt, was sich geändert hat\n"
                     "  restore    legt die Sicherung ADS.INI.bak zurück\n"
                     "  diagnose   für jedes Laufwerk, welche Einträge es gibt oder warum keine\n"
                     "\n"
                     "Optionen:\n"
                     "  --ini PFAD  die Datei (sonst die ADS.INI neben dem Programm)\n"
                     "  --json      ein JSON-Dokument statt Text\n"
                     "  --check     mit diff: Exit-Code 1, wenn ein Schreiben die Datei ändern "
                     "würde\n"
                     "  --quiet     nichts auf die Standardausgabe\n"
                     "  --lang de|en  die Sprache (sonst die des Arbeitsplatzes)\n"
                     "  --help      diese Hilfe\n"
                     "  --version   die Version\n"
                     "\n"
                     "Exit-Codes: 0 erledigt oder nichts zu ändern; 1 Änderungen ausstehen (diff "
                     "--check);\n"
                     "2 die Datei kann nicht gelesen, geschrieben oder wiederhergestellt werden;\n"
                     "3 falscher Aufruf.\n");
}

Outcome run(Platform &platform, const QStringList &arguments, const CommandOutput &output)
{
    try {
        QString error;
        const std::optional<Parsed> parsed = parse(arguments, error);
        if (!parsed) {
            Program.sayUsageError(output, error);
            return Outcome::UsageError;
        }
        if (parsed->help) {
            output.out(usage());
            return Outcome::Done;
        }
        if (parsed->version) {
            output.out(Program.name + QLatin1Char(' ') + QStringLiteral(QUELLMARK_VERSION) +
                       QLatin1Char('\n'));
            return Outcome::Done;
        }
        return parsed->command(
            Call{platform, output, parsed->ini, parsed->json, parsed->check, parsed->quiet});
    } catch (const AdsIni::WriteRefused &error) {
        Program.sayError(output, error.fullText());
        return Outcome::FileFailed;
    } catch (const Exception &error) {
        // Reading, writing or restoring the file: what else raises here is the file's.
        Program.sayError(output, error.message());
        return Outcome::FileFailed;
    } catch (const std::exception &error) {
        Program.sayError(output, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        Program.sayError(output, Texts::tr("unbekannter Fehler"));
    }
    return Outcome::Failed;
}

} // namespace IniTool
