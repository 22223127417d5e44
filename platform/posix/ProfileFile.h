#pragma once

#include "ProfileText.h"
#include "WinApi.h"

#include <QByteArray>
#include <QString>
#include <optional>

// A profile file's bytes as lines. The encoding is told by the first byte-order mark
// (UTF-16LE or UTF-8; only the first is a mark, anything after it is content), else the
// locale's 8-bit encoding when the whole file is valid in it, else Latin-1, which keeps
// every byte. Each line keeps its bytes; only lines a write changes are encoded again.
struct ProfileBytes {
    enum class Encoding { Local8Bit, Latin1, Utf8, Utf16Le };
    Encoding encoding = Encoding::Local8Bit;
    QByteArray mark; // the byte-order mark as read, or empty
    QList<ProfileLine> lines;
    QByteArray tail; // an odd last byte of a UTF-16 file: it stays the last byte

    static ProfileBytes read(const QByteArray &bytes);
    // Nothing when a changed line holds a character the encoding cannot hold.
    std::optional<QByteArray> bytes() const;
};

// Why a profile write was refused, as the platform's error code tells it.
enum class ProfileRefusal : DWORD {
    None = 0,
    AccessDenied = 5,      // ERROR_ACCESS_DENIED: the file or folder may not be written
    WriteFault = 29,       // ERROR_WRITE_FAULT: the system failed to write
    InvalidParameter = 87, // ERROR_INVALID_PARAMETER: no file name
    DiskFull = 112,        // ERROR_DISK_FULL
    LineBreak = 13,        // ERROR_INVALID_DATA: a name or value holds CR or LF
    Unencodable = 1113,    // ERROR_NO_UNICODE_TRANSLATION: the file's encoding lacks a character
};

// A profile write on a real file. The file is replaced atomically: the new content goes
// into one fixed temporary file beside it (".NAME.quellmark-tmp", reused after a crash),
// which takes the file's permissions, owner, group and ACL, and is renamed over it; so a
// crash leaves either the old or the new file, and at most that one temporary file.
// Where the replace cannot keep all that (a folder that may not be written, a file of
// another owner, a file with more than one hard link), the file is rewritten in place, as
// Windows itself does; atomicity then rests with the folder. Writers on one file take
// turns (an advisory lock). A missing file is created in the locale's encoding without a
// byte-order mark. The file is untouched when the write is refused.
ProfileRefusal writeProfileString(const QString &fileName, const QString &section,
                                  const std::optional<QString> &key,
                                  const std::optional<QString> &value);

// WritePrivateProfileStringW's contract on top of it: a null section with a null key and
// value is the flush call (nothing to do, as writes go straight to the file); a null key
// removes the section, a null value the key. A refusal sets lastProfileError().
BOOL writePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                const WideChar *string, const WideChar *fileName);
// The code of this thread's last refused profile write.
DWORD lastProfileError();
