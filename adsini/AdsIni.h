#pragma once

#include "Exception.h"
#include "IniEntries.h"
#include "Platform.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class Discovery;
class TServerInfoList;

// The ADS.INI entries: a DRIVES section mapping each drive to its UNC path, and one
// section per server with LAN_IP and LAN_PORT.
namespace AdsIni {

using Entry = IniEntry;

// The entries as written: each drive's root ("X:\") resolved now, as the file gets it (a
// drive reconnected since discovery with its new path), then the server sections. The
// preview shows each drive in its "X:" form as discovery resolved it: the two may differ by
// a trailing backslash.
QList<Entry> EntriesToWrite(Platform &platform, const QStringList &drives,
                            const TServerInfoList &servers);

// The preview lines of a discovery run: each drive with the UNC path the run found, then
// the server sections.
QStringList PreviewLines(const Discovery &run);
// What the main window's preview shows: the preview lines, or, without any drive, where
// drives come from when the platform has something to say about it.
QStringList ShownPreview(Platform &platform, const Discovery &run);

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

// An entry the file cannot hold so that the next write finds it again (a "]" in a server's
// name): it is left out, the rest written.
struct Skipped {
    Entry entry;
    QString reason; // "[a]b] wird nicht eingetragen: …"
};

// What writing entries does to a file, foreseen with the profile file's rules.
struct Plan {
    bool exists = false;
    QByteArray before;
    QByteArray after; // the bytes once every entry up to a refused one is written
    QList<Change> changes;
    QList<Skipped> skipped;
    // Why an entry would be refused ("ein Name oder Wert enthält ..."); empty when none is.
    std::optional<QString> refusal;
    bool changesFile() const { return after != before; }
};
// The plan for a file's bytes as they are.
Plan PlanEntries(bool exists, const QByteArray &before, const QList<Entry> &entries);
// Raises "PATH kann nicht gelesen werden" (with the reason) when the file is there but
// cannot be read, is no file or is too large for a profile file.
Plan PlanWrite(const QString &filePath, const QList<Entry> &entries);

// A profile file's bytes; exists tells whether there is a file. Raises "PATH kann nicht
// gelesen werden" (with the reason) when there is something that cannot be read as one.
QByteArray ReadFile(const QString &filePath, bool &exists);

// A file's lines as its text decodes, for showing what changed.
QStringList TextLines(const QByteArray &bytes);
// The unified diff from one version of the file to another; empty when they are the same.
// Past a size that a line diff cannot compare quickly, a line that says how they differ.
QStringList Diff(const QString &filePath, bool existed, const QByteArray &before,
                 const QByteArray &after);

// A write or restore that did not happen. The message is the window's: "In %s kann nicht
// geschrieben werden", %s the file (or its backup), with the cause where the entries are
// the cause; reason says why in a log's words, the system's own included.
class WriteRefused : public Exception {
public:
    WriteRefused(const QString &file, const QString &cause, const QString &reason);
    const QString &file() const { return m_file; }
    const QString &reason() const { return m_reason; }
    // The message with the reason, for a log or a console.
    QString fullText() const;
    const char *className() const override { return "Exception"; }

private:
    QString m_file;
    QString m_reason;
};

// What a refused write of the entries leaves: the entries before the refused one written
// (as the window's key-by-key writer would have), or nothing at all.
enum class OnRefusal { WriteEntriesBefore, WriteNothing };

// Writes every entry (drives resolved from their roots) in one replace of the file: the
// file is planned anew as it stands when this writer's turn comes, so another writer's
// keys stay; a reader sees the old or the new file. When the write changes the file, the
// file as it was is first saved to BackupPath(), never through a link. Then the platform's
// profile cache for the file is flushed. Raises WriteRefused when the file, its backup or
// an entry is refused (the file then as it was, or with the entries before a refused one,
// as onRefusal says). Gives the plan it followed.
Plan Write(Platform &platform, const QString &filePath, const QStringList &drives,
           const TServerInfoList &servers);
Plan WriteEntries(Platform &platform, const QString &filePath, const QList<Entry> &entries,
                  OnRefusal onRefusal);

// Puts the backup back the way a write replaces the file; the backup stays. A backup that
// is a link, has further names or is no plain file is refused: restore never reads another
// file into ADS.INI. The current file is read only for the report: one that cannot be read
// (too large, say) is replaced all the same, and readable says so. Raises when there is no
// backup or the file cannot be replaced.
struct Restored {
    bool existed = false;
    bool readable = true; // the current file could be read for the report
    QString unreadableReason;
    QByteArray before;
    QByteArray after;
};
Restored Restore(Platform &platform, const QString &filePath);

} // namespace AdsIni
