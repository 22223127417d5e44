#include "Diagnosis.h"

#include "AceCodes.h"
#include "Discovery.h"
#include "ProfileText.h"
#include "ServerDiscovery.h"
#include "TextColumns.h"

#include <QCoreApplication>
#include <QJsonArray>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Diagnosis)
};

} // namespace

PortTrial::Outcome OutcomeOfEngineError(quint32 error)
{
    switch (error) {
    case acecode::Success:
        return PortTrial::Outcome::Answered;
    case acecode::ServerUnreachable: // the connect itself failed: nothing listens there
    case acecode::ConnectionRefused: // a server listens and says no
        return PortTrial::Outcome::Refused;
    case acecode::TimedOut:
        return PortTrial::Outcome::TimedOut;
    default:
        return PortTrial::Outcome::Failed;
    }
}

namespace {

const ServerDiagnosis *serverOf(const DiscoveryReport &report, const DriveDiagnosis &drive)
{
    if (drive.serverIndex < 0 || std::size_t(drive.serverIndex) >= report.servers.size())
        return nullptr;
    return &report.servers[std::size_t(drive.serverIndex)];
}

QString driveKind(UINT type)
{
    switch (type) {
    case DRIVE_REMOVABLE:
        return Texts::tr("Wechseldatenträger");
    case DRIVE_CDROM:
        return Texts::tr("CD-/DVD-Laufwerk");
    case DRIVE_RAMDISK:
        return Texts::tr("RAM-Disk");
    default:
        return Texts::tr("lokales Laufwerk");
    }
}

QString lookupText(const HostLookup &lookup)
{
    if (!lookup.address.isEmpty())
        return lookup.address;
    if (lookup.raised)
        return Texts::tr("nicht aufgelöst: die Namensauflösung brach ab");
    if (lookup.error != 0)
        return Texts::tr("nicht aufgelöst (Fehler %1)").arg(lookup.error);
    return Texts::tr("nicht aufgelöst");
}

QString uncText(const DriveDiagnosis &drive)
{
    if (drive.type != DRIVE_REMOTE)
        return driveKind(drive.type);
    if (!drive.uncPath.isEmpty())
        return drive.uncPath;
    QString text = Texts::tr("kein UNC-Pfad");
    if (drive.uncError != NO_ERROR)
        text += Texts::tr(" (Fehler %1)").arg(drive.uncError);
    if (!drive.uncErrorText.isEmpty())
        text += QStringLiteral(": ") + drive.uncErrorText;
    return text;
}

// The port a server answered at, 0 when none did.
quint32 answeredPort(const ServerDiagnosis &server)
{
    for (const PortTrial &trial : server.ports)
        if (trial.outcome == PortTrial::Outcome::Answered)
            return trial.port;
    return 0;
}

} // namespace

QString PortText(const ServerDiagnosis &server, quint32 port)
{
    for (const PortTrial &trial : server.ports) {
        if (trial.port != port)
            continue;
        switch (trial.outcome) {
        case PortTrial::Outcome::Answered:
            return Texts::tr("Antwort in %1 ms").arg(trial.milliseconds);
        case PortTrial::Outcome::Refused:
            return Texts::tr("abgewiesen (Fehler %1)").arg(trial.error);
        case PortTrial::Outcome::TimedOut:
            return Texts::tr("keine Antwort in %1 ms (Fehler %2)")
                .arg(trial.milliseconds)
                .arg(trial.error);
        case PortTrial::Outcome::Failed:
            return trial.error != 0 ? Texts::tr("Fehler %1: %2").arg(trial.error).arg(trial.text)
                                    : Texts::tr("Fehler: %1").arg(trial.text);
        }
    }
    if (server.stage == ServerDiagnosis::Stage::Done)
        return answeredPort(server) != 0 ? Texts::tr("nicht nötig") : QString();
    return server.stage == ServerDiagnosis::Stage::Probing ? QStringLiteral("…") : QString();
}

QString EntryRefusal(const QString &section, const QString &key)
{
    const QString entry = Texts::tr("%1 in [%2]").arg(key, section);
    switch (profileNameFault(section, key)) {
    case ProfileNameFault::None:
        return {};
    case ProfileNameFault::SectionBracket:
        return Texts::tr("[%1] wird nicht eingetragen: ein Abschnittsname kann in ADS.INI "
                         "kein \"]\" enthalten")
            .arg(section);
    case ProfileNameFault::KeyEquals:
        return entry + Texts::tr(" wird nicht eingetragen: ein Schlüssel kann in ADS.INI "
                                 "kein \"=\" enthalten");
    case ProfileNameFault::KeyStart:
        return entry + Texts::tr(" wird nicht eingetragen: ein Schlüssel kann in ADS.INI "
                                 "nicht mit \"%1\" beginnen")
                           .arg(key.trimmed().left(1));
    }
    return {};
}

QString Verdict(const DiscoveryReport &report, const DriveDiagnosis &drive)
{
    if (drive.type != DRIVE_REMOTE)
        return Texts::tr("kein Eintrag: kein Netzlaufwerk");
    const QString driveEntry = QStringLiteral("DRIVES %1").arg(drive.drive);
    if (drive.uncPath.isEmpty())
        return driveEntry + Texts::tr(" leer: kein UNC-Pfad");
    const ServerDiagnosis *server = serverOf(report, drive);
    if (!server)
        return driveEntry + Texts::tr(": kein Server im UNC-Pfad");
    if (const QString refused = EntryRefusal(drive.server, QStringLiteral("LAN_IP"));
        !refused.isEmpty())
        return driveEntry + QStringLiteral("; ") + refused;
    if (drive.probedThrough != drive.drive)
        return driveEntry + Texts::tr("; der Abschnitt [%1] kommt von %2")
                                .arg(drive.server, drive.probedThrough);
    const QString section = QStringLiteral("[%1]").arg(drive.server);
    if (server->stage != ServerDiagnosis::Stage::Done)
        return driveEntry + Texts::tr(" und %1: Server wird geprüft …").arg(section);
    const quint32 port = answeredPort(*server);
    QStringList reasons;
    QString entries = driveEntry + Texts::tr(" und ") + section;
    if (server->lookup.address.isEmpty()) {
        entries += Texts::tr(" mit LAN_IP leer");
        reasons.append(Texts::tr("Name nicht aufgelöst"));
    }
    if (port == 0) {
        entries += server->lookup.address.isEmpty() ? Texts::tr(" und LAN_PORT=0")
                                                    : Texts::tr(" mit LAN_PORT=0");
        reasons.append(Texts::tr("kein Datenbankserver antwortet"));
    } else {
        entries += QStringLiteral(", LAN_PORT=%1").arg(port);
    }
    return reasons.isEmpty() ? entries : entries + QStringLiteral(": ") + reasons.join(u", ");
}

QStringList DiagnosisHeader()
{
    return {
        Texts::tr("Laufwerk"), Texts::tr("UNC-Pfad"),           Texts::tr("Server"),
        Texts::tr("Adresse"),  QString::number(FirstProbePort), QString::number(SecondProbePort),
        Texts::tr("Ergebnis")};
}

QList<QStringList> DiagnosisRows(const DiscoveryReport &report)
{
    QList<QStringList> rows;
    for (const DriveDiagnosis &drive : report.drives) {
        QString address;
        QString first;
        QString second;
        const ServerDiagnosis *server = serverOf(report, drive);
        if (server && drive.probedThrough == drive.drive) {
            if (server->stage == ServerDiagnosis::Stage::Done)
                address = lookupText(server->lookup);
            first = PortText(*server, FirstProbePort);
            second = PortText(*server, SecondProbePort);
        } else if (server) {
            address = Texts::tr("siehe %1").arg(drive.probedThrough);
        }
        rows.append({drive.drive, uncText(drive), drive.server, address, first, second,
                     Verdict(report, drive)});
    }
    return rows;
}

QString DiagnosisText(const DiscoveryReport &report)
{
    return TextColumns(DiagnosisHeader()).addRows(DiagnosisRows(report)).text();
}

namespace {

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

QJsonArray entriesJson(const QList<IniEntry> &entries)
{
    QJsonArray list;
    for (const IniEntry &entry : entries)
        list.append(QJsonObject{{QStringLiteral("section"), entry.section},
                                {QStringLiteral("key"), entry.key},
                                {QStringLiteral("value"), entry.value}});
    return list;
}

QJsonObject driveJson(const Discovery &run, const DiscoveryReport &report,
                      const DriveDiagnosis &drive)
{
    QJsonValue uncError = QJsonValue::Null;
    if (drive.type == DRIVE_REMOTE && drive.uncPath.isEmpty())
        uncError = QJsonObject{{QStringLiteral("code"), qint64(drive.uncError)},
                               {QStringLiteral("text"), drive.uncErrorText}};
    return {
        {QStringLiteral("drive"), drive.drive},
        {QStringLiteral("type"), typeName(drive.type)},
        {QStringLiteral("uncPath"), orNull(drive.uncPath, !drive.uncPath.isEmpty())},
        {QStringLiteral("uncError"), uncError},
        {QStringLiteral("server"), orNull(drive.server, drive.serverIndex >= 0)},
        {QStringLiteral("probedThrough"),
         orNull(drive.probedThrough, !drive.probedThrough.isEmpty())},
        {QStringLiteral("entries"), entriesJson(run.entriesOf(drive))},
        {QStringLiteral("verdict"), Verdict(report, drive)},
    };
}

QJsonObject serverJson(const TAdsServerInfo &record, const ServerDiagnosis &diagnosis)
{
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
    return {
        {QStringLiteral("name"), record.ServerName},
        {QStringLiteral("LAN_IP"), record.LAN_IP},
        {QStringLiteral("LAN_PORT"), qint64(record.LAN_PORT)},
        {QStringLiteral("available"), record.AVaible},
        {QStringLiteral("lookup"),
         QJsonObject{{QStringLiteral("address"), orNull(lookup.address, !lookup.address.isEmpty())},
                     {QStringLiteral("error"), lookup.error},
                     {QStringLiteral("raised"), lookup.raised}}},
        {QStringLiteral("ports"), ports},
    };
}

} // namespace

QJsonObject DiagnosisJson(const Discovery &run)
{
    const DiscoveryReport report = run.report();
    QJsonArray drives;
    for (const DriveDiagnosis &drive : report.drives)
        drives.append(driveJson(run, report, drive));
    QJsonArray servers;
    const std::vector<TAdsServerInfo> records = run.records();
    for (std::size_t i = 0; i < records.size() && i < report.servers.size(); ++i)
        servers.append(serverJson(records[i], report.servers[i]));
    return {{QStringLiteral("drives"), drives},
            {QStringLiteral("servers"), servers},
            {QStringLiteral("entries"), entriesJson(run.entries())}};
}

QStringList ProgressLines(int done, int total, const QStringList &running)
{
    QStringList lines{
        Texts::tr("Datenbankserver werden gesucht: %1 von %2 geprüft ...").arg(done).arg(total)};
    if (!running.isEmpty())
        lines.append(Texts::tr("Wird geprüft: ") + running.join(QStringLiteral(", ")));
    return lines;
}
