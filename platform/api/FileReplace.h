#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

// Files written whole: ADS.INI, its backup, the monitor's snapshots. A reader sees the old
// file or the new one, never a mix; a failure at any step (a full disk included) leaves the
// old file as it was; every write, the flush and the rename are checked. The new bytes go
// into a temporary file beside the file (".NAME.quellmark-tmp", made anew and exclusively,
// never written into when something stands there), which takes the replaced file's
// permissions, owner, group and access list and is renamed over it. Where a rename cannot
// keep those (a folder the caller may not write, a file of another owner, a file with
// further hard links), the file is rewritten in place, its new size reserved first, so a
// full disk still leaves it whole. Writers of one folder take turns, each waiting a bounded
// time; the produce function sees the file as it is under that turn.
namespace FileReplace {

enum class Refusal {
    None,
    Link,         // a symbolic link (a reparse point) where none may stand
    HardLink,     // a file with further names
    Folder,       // a folder
    NotAFile,     // a pipe, a device or a socket
    TooLarge,     // larger than the caller reads
    ReadOnly,     // no write permission (the read-only attribute on Windows)
    AccessDenied, // the system refused
    DiskFull,     // no space left (or over a quota or size limit)
    Busy,         // another writer kept its turn past the wait
    Failed,       // anything else; detail has the system's words
};

struct Current {
    bool exists = false;
    bool tooLarge = false; // more than Request::readLimit bytes; bytes is then empty
    QByteArray bytes;
};

struct Request {
    QString fileName;
    // The new bytes from the current ones; nothing leaves the file as it is.
    std::function<std::optional<QByteArray>(const Current &)> produce;
    // When set and the file changes, the file as it was is first saved under this name:
    // made anew beside it with its permissions, owner and access list, and renamed over
    // the old backup. A link, folder, pipe or device at this name is refused, never
    // written through.
    QString backupName;
    // Through a symbolic link at fileName the file it names is written (the link stays);
    // false refuses a link.
    bool followLink = true;
    // How much of the current file is read for produce; 0 reads nothing.
    qint64 readLimit = 16 * 1024 * 1024;
    int turnWaitMs = 10000;
};

struct Result {
    Refusal refusal = Refusal::None;
    QString refusedName; // the file or its backup
    QString detail;      // the system's words, where it gave any
    Current before;
    std::optional<QByteArray> after; // what was written; nothing when unchanged
    bool ok() const { return refusal == Refusal::None; }
};

// Why a replace was refused, in words for a message ("das ist ein Ordner"), with the
// system's own words where it gave any.
QString reasonText(const Result &result);

// Implemented by the native backend.
Result replace(const Request &request);

// Reads a file that must be a plain file of its own (no link, no further names, no pipe or
// device), up to limit bytes (TooLarge past it), into Result::before; a missing file is no
// refusal. For a backup that is to be put back.
Result readPlain(const QString &fileName, qint64 limit);

} // namespace FileReplace
