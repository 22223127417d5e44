#pragma once

#include "ProfileBytes.h"
#include "WinApi.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Why a profile write was refused, as the platform's error code tells it.
enum class ProfileRefusal : DWORD {
    None = 0,
    AccessDenied = 5,      // ERROR_ACCESS_DENIED: the file or folder may not be written
    WriteFault = 29,       // ERROR_WRITE_FAULT: the system failed to write
    InvalidParameter = 87, // ERROR_INVALID_PARAMETER: no file name
    DiskFull = 112,        // ERROR_DISK_FULL
    LineBreak = 13,        // ERROR_INVALID_DATA: a name or value holds CR or LF
    Unencodable = 1113,    // ERROR_NO_UNICODE_TRANSLATION: the file's encoding lacks a character
    SharingViolation = 32, // ERROR_SHARING_VIOLATION: another writer kept its turn too long
};

// A profile write on a real file, replaced whole the way FileReplace does it. A read-only
// file (no write bits, or none for the caller) and anything but a regular file are refused.
// A missing file is created in the locale's encoding without a byte-order mark. The file is
// untouched when the write is refused.
ProfileRefusal writeProfileString(const QString &fileName, const QString &section,
                                  const std::optional<QString> &key,
                                  const std::optional<QString> &value);

// WritePrivateProfileStringW's contract on top of it: a null section with a null key and
// value is the flush call (nothing to do, as writes go straight to the file); a null key
// removes the section, a null value the key. A refusal sets lastProfileError().
BOOL writePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                const WideChar *string, const WideChar *fileName);
// The code of this thread's last refused profile write or copy.
DWORD lastProfileError();
