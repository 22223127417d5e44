#pragma once

#include "Platform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class TServerInfoList;

// The ADS.INI entries: a DRIVES section mapping each drive to its UNC path, and one
// section per server with LAN_IP and LAN_PORT.
namespace AdsIni {

struct Entry {
    QString section;
    QString key;
    QString value;
};

// The preview resolves each drive in its "X:" form, the file from its root ("X:\"): the two
// may differ by a trailing backslash.
enum class DriveForm { Preview, File };
QList<Entry> Entries(Platform &platform, const QStringList &drives, const TServerInfoList &servers,
                     DriveForm form);

// The preview lines: each drive resolved in its "X:" form, then the server sections.
QStringList PreviewLines(Platform &platform, const QStringList &drives,
                         const TServerInfoList &servers);
// What the main window's preview shows: the preview lines, or, without any drive, where
// drives come from when the platform has something to say about it.
QStringList ShownPreview(Platform &platform, const QStringList &drives,
                         const TServerInfoList &servers);

// ADS.INI beside the executable.
QString FilePath(const QString &executablePath);
// The one generation of backup beside it.
QString BackupPath(const QString &filePath);

// A key a write gives a new value; before is empty when the key is new.
struct Change {
    QString section;
    QString key;
    std::optional<QString> before;
    QString after;
};

// What writing entries does to a file, foreseen with the profile file's rules.
struct Plan {
    bool exists = false;
    QByteArray before;
    QByteArray after; // the bytes once every entry up to a refused one is written
    QList<Change> changes;
    // Why an entry would be refused ("ein Name oder Wert enthält ..."); empty when none is.
    std::optional<QString> refusal;
    bool changesFile() const { return after != before; }
};
// Raises "PATH kann nicht gelesen werden" (with the reason) when the file is there but
// cannot be read, is no file or is too large for a profile file.
Plan PlanWrite(const QString &filePath, const QList<Entry> &entries);

// A profile file's bytes; exists tells whether there is a file. Raises "PATH kann nicht
// gelesen werden" (with the reason) when there is something that cannot be read as one.
QByteArray ReadFile(const QString &filePath, bool &exists);

// A file's lines as its text decodes, for showing what changed.
QStringList TextLines(const QByteArray &bytes);
// The unified diff from one version of the file to another; empty when they are the same.
QStringList Diff(const QString &filePath, bool existed, const QByteArray &before,
                 const QByteArray &after);

// Writes every entry, key by key (drives resolved from their roots), then flushes. When
// the write changes the file, the file as it was is first copied to BackupPath() (raises
// "In %s kann nicht geschrieben werden" with the backup's path when that fails; nothing is
// written then). Raises "In %s kann nicht geschrieben werden" when the platform refuses a
// write; entries written before stay. Gives the plan it followed.
Plan Write(Platform &platform, const QString &filePath, const QStringList &drives,
           const TServerInfoList &servers);
// The same with the entries and the plan already made for them (PlanWrite).
void WritePlanned(Platform &platform, const QString &filePath, const QList<Entry> &entries,
                  const Plan &plan);

// Puts the backup back the way a write replaces the file; the backup stays. Raises when
// there is no backup or the file cannot be replaced. Gives the bytes before and after.
struct Restored {
    bool existed = false;
    QByteArray before;
    QByteArray after;
};
Restored Restore(Platform &platform, const QString &filePath);

} // namespace AdsIni
