#include "AdsIni.h"

#include "Diagnosis.h"
#include "Discovery.h"
#include "DriveUtils.h"
#include "Exception.h"
#include "FileReplace.h"
#include "ProfileBytes.h"
#include "ServerDiscovery.h"
#include "UnifiedDiff.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(AdsIni)
};

} // namespace

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
        return Texts::tr("ein Name oder Wert enthält einen Zeilenumbruch");
    case ERROR_NO_UNICODE_TRANSLATION:
        return Texts::tr("ein Name oder Wert enthält Zeichen, die die Kodierung der Datei "
                         "nicht darstellen kann");
    default:
        return {};
    }
}

// A profile file larger than this is no ADS.INI, and is not read into memory.
constexpr qint64 MaxFileBytes = 16 * 1024 * 1024;

// The plan applied to the file as it stands, inside the writer's turn.
struct Planner {
    const QList<AdsIni::Entry> &entries;
    AdsIni::OnRefusal onRefusal;
    AdsIni::Plan plan;
    bool tooLarge = false;

    std::optional<QByteArray> operator()(const FileReplace::Current &current)
    {
        if (current.tooLarge) {
            tooLarge = true;
            return std::nullopt;
        }
        plan = AdsIni::PlanEntries(current.exists, current.bytes, entries);
        if (plan.refusal && onRefusal == AdsIni::OnRefusal::WriteNothing)
            return std::nullopt;
        // A missing file stays missing when nothing is written into it.
        if (!plan.changesFile() && (current.exists || plan.after.isEmpty()))
            return std::nullopt;
        return plan.after;
    }
};

} // namespace

namespace AdsIni {

QByteArray ReadFile(const QString &filePath, bool &exists)
{
    const QFileInfo info(filePath);
    exists = info.exists();
    if (!exists)
        return {};
    const auto refuse = [&](const QString &reason) {
        return Exception(filePath + Texts::tr(" kann nicht gelesen werden: ") + reason);
    };
    if (info.isDir())
        throw refuse(Texts::tr("das ist ein Ordner"));
    // A pipe or a device would be read for ever, or wait for a writer.
    if (!info.isFile() || info.size() > MaxFileBytes)
        throw refuse(Texts::tr("das ist keine Datei bis 16 MiB"));
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        throw refuse(file.errorString());
    QByteArray bytes = file.read(MaxFileBytes + 1);
    if (bytes.size() > MaxFileBytes)
        throw refuse(Texts::tr("das ist keine Datei bis 16 MiB"));
    if (file.error() != QFileDevice::NoError)
        throw refuse(file.errorString());
    return bytes;
}

QList<Entry> EntriesToWrite(Platform &platform, const QStringList &drives,
                            const TServerInfoList &servers)
{
    QList<Entry> entries;
    for (const QString &drive : drives)
        entries.append(DriveEntry(drive, uncOf(platform, drive + QLatin1Char('\\'))));
    for (int i = 0; i < servers.Count(); ++i)
        entries += ServerEntries(*servers.Record(i));
    return entries;
}

QStringList PreviewLines(const Discovery &run)
{
    QStringList lines{QStringLiteral("[DRIVES]")};
    for (const Entry &entry : run.driveEntries())
        lines.append(entry.key + QLatin1Char('=') + entry.value);
    lines.append(QString());
    for (const TAdsServerInfo &server : run.records()) {
        // What cannot be written is said where it would stand.
        if (const QString refused = EntryRefusal(server.ServerName, QStringLiteral("LAN_IP"));
            !refused.isEmpty()) {
            lines.append(QStringLiteral("; ") + refused);
            lines.append(QString());
            continue;
        }
        lines.append(QLatin1Char('[') + server.ServerName + QLatin1Char(']'));
        lines.append(QStringLiteral("LAN_IP=") + server.LAN_IP);
        lines.append(QStringLiteral("LAN_PORT=") + QString::number(server.LAN_PORT));
        lines.append(QString());
    }
    return lines;
}

QStringList ShownPreview(Platform &platform, const Discovery &run)
{
    if (run.networkDrives().isEmpty()) {
        const QString hint = platform.driveSourceHint();
        if (!hint.isEmpty())
            return {hint};
    }
    return PreviewLines(run);
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

Plan PlanEntries(bool exists, const QByteArray &before, const QList<Entry> &entries)
{
    Plan plan;
    plan.exists = exists;
    plan.before = before;
    plan.after = before;
    ProfileBytes file = ProfileBytes::read(before);
    for (const Entry &entry : entries) {
        if (const QString reason = EntryRefusal(entry.section, entry.key); !reason.isEmpty()) {
            plan.skipped.append({entry, reason});
            continue;
        }
        // As the key-by-key writer would go: each refusal stopping it with the keys before
        // written.
        ProfileBytes next = file;
        const std::optional<QString> was = profileValue(next.lines, entry.section, entry.key);
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
        if (was != entry.value)
            plan.changes.append({entry.section, entry.key, was, entry.value});
    }
    return plan;
}

Plan PlanWrite(const QString &filePath, const QList<Entry> &entries)
{
    bool exists = false;
    const QByteArray before = ReadFile(filePath, exists);
    return PlanEntries(exists, before, entries);
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
    // A line diff of large files costs seconds and many times their size in memory; an
    // ADS.INI is a few KiB.
    constexpr qsizetype MaxDiffBytes = 1024 * 1024;
    if (before == after)
        return {};
    if (before.size() > MaxDiffBytes || after.size() > MaxDiffBytes) {
        const QLocale german(QLocale::German);
        return {Texts::tr("Die Datei %1 ändert sich: zu groß für einen zeilenweisen "
                          "Vergleich (%2 Bytes vorher, %3 Bytes nachher)")
                    .arg(DiffName(filePath), german.toString(existed ? before.size() : 0),
                         german.toString(after.size()))};
    }
    return UnifiedDiff(TextLines(before), TextLines(after),
                       existed ? filePath : QStringLiteral("/dev/null"), filePath);
}

WriteRefused::WriteRefused(const QString &file, const QString &cause, const QString &reason)
    : Exception(Texts::tr("In %1 kann nicht geschrieben werden").arg(file) +
                (cause.isEmpty() ? QString() : QStringLiteral(": ") + cause)),
      m_file(file), m_reason(reason)
{
}

QString WriteRefused::fullText() const
{
    return m_reason.isEmpty() ? message() : message() + QStringLiteral(": ") + m_reason;
}

Plan Write(Platform &platform, const QString &filePath, const QStringList &drives,
           const TServerInfoList &servers)
{
    return WriteEntries(platform, filePath, EntriesToWrite(platform, drives, servers),
                        OnRefusal::WriteEntriesBefore);
}

Plan WriteEntries(Platform &platform, const QString &filePath, const QList<Entry> &entries,
                  OnRefusal onRefusal)
{
    Planner planner{entries, onRefusal, {}};
    FileReplace::Request request;
    request.fileName = filePath;
    request.backupName = BackupPath(filePath);
    request.readLimit = MaxFileBytes;
    request.produce = std::ref(planner);
    const FileReplace::Result result = FileReplace::replace(request);
    if (!result.ok())
        throw WriteRefused(result.refusedName, {}, FileReplace::reasonText(result));
    if (planner.tooLarge)
        throw WriteRefused(filePath, {}, Texts::tr("das ist keine Datei bis 16 MiB"));
    Plan &plan = planner.plan;
    if (plan.refusal)
        throw WriteRefused(filePath, *plan.refusal, {});
    platform.WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideText(filePath));
    return plan;
}

Restored Restore(Platform &platform, const QString &filePath)
{
    const QString backup = BackupPath(filePath);
    const FileReplace::Result saved = FileReplace::readPlain(backup, MaxFileBytes);
    if (!saved.ok())
        throw Exception(backup + Texts::tr(" kann nicht zurückgelegt werden: ") +
                        FileReplace::reasonText(saved));
    if (!saved.before.exists)
        throw Exception(Texts::tr("Keine Sicherung: ") + backup + Texts::tr(" gibt es nicht"));
    Restored restored;
    restored.after = saved.before.bytes;
    FileReplace::Request request;
    request.fileName = filePath;
    request.readLimit = MaxFileBytes;
    request.produce = [&](const FileReplace::Current &current) -> std::optional<QByteArray> {
        restored.existed = current.exists;
        restored.readable = !current.tooLarge;
        if (current.tooLarge)
            restored.unreadableReason = Texts::tr("größer als 16 MiB");
        restored.before = current.bytes;
        if (current.exists && !current.tooLarge && current.bytes == restored.after)
            return std::nullopt;
        return restored.after;
    };
    const FileReplace::Result result = FileReplace::replace(request);
    if (!result.ok())
        throw WriteRefused(result.refusedName, {}, FileReplace::reasonText(result));
    platform.WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideText(filePath));
    return restored;
}

} // namespace AdsIni
