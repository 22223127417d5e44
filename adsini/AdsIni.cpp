#include "AdsIni.h"

#include "DriveUtils.h"
#include "Exception.h"
#include "ProfileBytes.h"
#include "ServerDiscovery.h"
#include "UnifiedDiff.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

QString uncOf(Platform &platform, const QString &localPath)
{
    QString uncPath;
    QString errorText;
    GetUNCPath(platform, localPath, uncPath, errorText);
    return uncPath;
}

// What a refused write says beyond the file's name, when the refusal is about what was
// to be written rather than about the file.
QString causeOf(DWORD code)
{
    switch (code) {
    case ERROR_INVALID_DATA:
        return QStringLiteral("ein Name oder Wert enthält einen Zeilenumbruch");
    case ERROR_NO_UNICODE_TRANSLATION:
        return QStringLiteral("ein Name oder Wert enthält Zeichen, die die Kodierung der Datei "
                              "nicht darstellen kann");
    default:
        return {};
    }
}

// A profile file larger than this is no ADS.INI, and is not read into memory.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

Exception cannotWrite(const QString &filePath, const QString &cause = {})
{
    QString message =
        QStringLiteral("In ") + filePath + QStringLiteral(" kann nicht geschrieben werden");
    if (!cause.isEmpty())
        message += QStringLiteral(": ") + cause;
    return Exception(message);
}

void writeKey(Platform &platform, const QString &filePath, const QString &section,
              const QString &key, const QString &value)
{
    if (platform.WritePrivateProfileStringW(wideText(section), wideText(key), wideText(value),
                                            wideText(filePath)))
        return;
    throw cannotWrite(filePath, causeOf(platform.GetLastError()));
}

} // namespace

namespace AdsIni {

QByteArray ReadFile(const QString &filePath, bool &exists)
{
    const QFileInfo info(filePath);
    exists = info.exists();
    if (!exists)
        return {};
    const auto refuse = [&](const QString &reason) {
        return Exception(filePath + QStringLiteral(" kann nicht gelesen werden: ") + reason);
    };
    if (info.isDir())
        throw refuse(QStringLiteral("das ist ein Ordner"));
    // A pipe or a device would be read for ever, or wait for a writer.
    if (!info.isFile() || info.size() > MaxFileBytes)
        throw refuse(QStringLiteral("das ist keine Datei bis 16 MiB"));
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw refuse(file.errorString());
    QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        throw refuse(QStringLiteral("das ist keine Datei bis 16 MiB"));
    if (file.error() != QFileDevice::NoError)
        throw refuse(file.errorString());
    return bytes;
}

QList<Entry> Entries(Platform &platform, const QStringList &drives, const TServerInfoList &servers,
                     DriveForm form)
{
    QList<Entry> entries;
    const QString drivesSection = QStringLiteral("DRIVES");
    const QString root = form == DriveForm::File ? QStringLiteral("\\") : QString();
    for (const QString &drive : drives)
        entries.append({drivesSection, drive, uncOf(platform, drive + root)});
    for (int i = 0; i < servers.Count(); ++i) {
        const TAdsServerInfo &server = *servers.Record(i);
        entries.append({server.ServerName, QStringLiteral("LAN_IP"), server.LAN_IP});
        entries.append(
            {server.ServerName, QStringLiteral("LAN_PORT"), QString::number(server.LAN_PORT)});
    }
    return entries;
}

QStringList PreviewLines(Platform &platform, const QStringList &drives,
                         const TServerInfoList &servers)
{
    QStringList lines{QStringLiteral("[DRIVES]")};
    for (const QString &drive : drives)
        lines.append(drive + QLatin1Char('=') + uncOf(platform, drive));
    lines.append(QString());
    for (int i = 0; i < servers.Count(); ++i) {
        const TAdsServerInfo &server = *servers.Record(i);
        lines.append(QLatin1Char('[') + server.ServerName + QLatin1Char(']'));
        lines.append(QStringLiteral("LAN_IP=") + server.LAN_IP);
        lines.append(QStringLiteral("LAN_PORT=") + QString::number(server.LAN_PORT));
        lines.append(QString());
    }
    return lines;
}

QStringList ShownPreview(Platform &platform, const QStringList &drives,
                         const TServerInfoList &servers)
{
    if (drives.isEmpty()) {
        const QString hint = platform.driveSourceHint();
        if (!hint.isEmpty())
            return {hint};
    }
    return PreviewLines(platform, drives, servers);
}

QString FilePath(const QString &executablePath)
{
    // The executable's directory up to and including its last separator.
    const qsizetype cut = std::max(executablePath.lastIndexOf(QLatin1Char('/')),
                                   executablePath.lastIndexOf(QLatin1Char('\\')));
    QString directory = executablePath.left(cut + 1);
    if (!directory.endsWith(QLatin1Char('/')) && !directory.endsWith(QLatin1Char('\\')))
        directory += QLatin1Char('/');
    return directory + QStringLiteral("ADS.INI");
}

QString BackupPath(const QString &filePath)
{
    return filePath + QStringLiteral(".bak");
}

Plan PlanWrite(const QString &filePath, const QList<Entry> &entries)
{
    Plan plan;
    plan.before = ReadFile(filePath, plan.exists);
    plan.after = plan.before;
    ProfileBytes file = ProfileBytes::read(plan.before);
    for (const Entry &entry : entries) {
        // As the writer goes: key by key, each refusal stopping it with the keys before
        // written.
        ProfileBytes next = file;
        const std::optional<QString> before = profileValue(next.lines, entry.section, entry.key);
        if (!applyProfileWrite(next.lines, entry.section, entry.key, entry.value)) {
            plan.refusal = causeOf(ERROR_INVALID_DATA);
            break;
        }
        const std::optional<QByteArray> bytes = next.bytes();
        if (!bytes) {
            plan.refusal = causeOf(ERROR_NO_UNICODE_TRANSLATION);
            break;
        }
        file = std::move(next);
        plan.after = *bytes;
        if (before != entry.value)
            plan.changes.append({entry.section, entry.key, before, entry.value});
    }
    return plan;
}

QStringList TextLines(const QByteArray &bytes)
{
    QStringList lines;
    for (const ProfileLine &line : ProfileBytes::read(bytes).lines)
        lines.append(line.text);
    return lines;
}

QStringList Diff(const QString &filePath, bool existed, const QByteArray &before,
                 const QByteArray &after)
{
    return UnifiedDiff(TextLines(before), TextLines(after),
                       existed ? filePath : QStringLiteral("/dev/null"), filePath);
}

Plan Write(Platform &platform, const QString &filePath, const QStringList &drives,
           const TServerInfoList &servers)
{
    const QList<Entry> entries = Entries(platform, drives, servers, DriveForm::File);
    Plan plan;
    try {
        plan = PlanWrite(filePath, entries);
    } catch (const Exception &) {
        throw cannotWrite(filePath);
    }
    WritePlanned(platform, filePath, entries, plan);
    return plan;
}

void WritePlanned(Platform &platform, const QString &filePath, const QList<Entry> &entries,
                  const Plan &plan)
{
    if (plan.exists && plan.changesFile()) {
        // A file the writes will refuse keeps the backup of its last write: with the
        // read-only attribute (no write bits at all) or not writable for this user.
        const QFileInfo info(filePath);
        constexpr QFile::Permissions anyWrite =
            QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
        if (!(info.permissions() & anyWrite) || !info.isWritable())
            throw cannotWrite(filePath);
        const QString backup = BackupPath(filePath);
        if (!platform.CopyFileW(wideText(filePath), wideText(backup), FALSE))
            throw cannotWrite(backup);
    }
    for (const Entry &entry : entries)
        writeKey(platform, filePath, entry.section, entry.key, entry.value);
    platform.WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideText(filePath));
}

Restored Restore(Platform &platform, const QString &filePath)
{
    const QString backup = BackupPath(filePath);
    bool backupExists = false;
    const QByteArray saved = ReadFile(backup, backupExists);
    if (!backupExists)
        throw Exception(QStringLiteral("Keine Sicherung: ") + backup +
                        QStringLiteral(" gibt es nicht"));
    Restored restored;
    restored.before = ReadFile(filePath, restored.existed);
    if (!platform.CopyFileW(wideText(backup), wideText(filePath), FALSE))
        throw cannotWrite(filePath);
    restored.after = saved;
    return restored;
}

} // namespace AdsIni
