#pragma once

#include "ProfileBytes.h"
#include "WinApi.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Why a profile write was refused, as the platform's error code tells it.
enum class ProfileRefusal : DWORD {
    None = 0,
    FileNotFound = 2,      // ERROR_FILE_NOT_FOUND: no file to copy
    AccessDenied = 5,      // ERROR_ACCESS_DENIED: the file or folder may not be written
    WriteFault = 29,       // ERROR_WRITE_FAULT: the system failed to write
    InvalidParameter = 87, // ERROR_INVALID_PARAMETER: no file name
    DiskFull = 112,        // ERROR_DISK_FULL
    LineBreak = 13,        // ERROR_INVALID_DATA: a name or value holds CR or LF
    Unencodable = 1113,    // ERROR_NO_UNICODE_TRANSLATION: the file's encoding lacks a character
    FileExists = 80,       // ERROR_FILE_EXISTS: a copy that was not to replace anything
};

// A profile write on a real file. The file is replaced atomically: the new content goes
// into a temporary file beside it (".NAME.quellmark-tmp"; a leftover of a killed writer is
// removed and a new one made exclusively, never written into), which takes the file's
// permissions, owner, group and ACL, and is renamed over it; so a crash leaves either the
// old or the new file, and at most that one temporary file. Where the replace cannot keep
// all that (a folder that may not be written, a file of another owner, a file with more
// than one hard link, a link or folder in the temporary file's place), the file is
// rewritten in place, as Windows itself does; atomicity then rests with the folder. Through
// a symbolic link, dangling or not, the file it names is written and the link stays.
// Writers in one folder take turns (an advisory lock on the folder). A read-only file (no
// write bits, or none for the caller) and anything but a regular file are refused. A
// missing file is created in the locale's encoding without a byte-order mark. The file is
// untouched when the write is refused.
ProfileRefusal writeProfileString(const QString &fileName, const QString &section,
                                  const std::optional<QString> &key,
                                  const std::optional<QString> &value);

// A copy of a file, made the same way a write replaces a file: the target (through its
// links) gets the source's bytes, permissions, owner where they can be kept, and ACL. The
// target is refused when read-only; failIfExists refuses any existing target.
ProfileRefusal copyFile(const QString &source, const QString &target, bool failIfExists);

// WritePrivateProfileStringW's contract on top of it: a null section with a null key and
// value is the flush call (nothing to do, as writes go straight to the file); a null key
// removes the section, a null value the key. A refusal sets lastProfileError().
BOOL writePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                const WideChar *string, const WideChar *fileName);
// CopyFileW's contract on top of copyFile; a refusal sets lastProfileError().
BOOL copyFileW(const WideChar *existingFileName, const WideChar *newFileName, BOOL failIfExists);
// The code of this thread's last refused profile write or copy.
DWORD lastProfileError();
