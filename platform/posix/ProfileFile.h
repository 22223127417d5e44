#pragma once

#include "WinApi.h"

#include <QString>
#include <optional>

// A profile write on a real file: decode (UTF-16LE or UTF-8 with their byte-order marks,
// else the locale's 8-bit encoding), apply the text rules, and replace the file
// atomically (a temporary file beside it, then a rename that keeps its permissions), so
// a crash or a full disk leaves either the old or the new file. A missing file is
// created in the locale's encoding without a byte-order mark. False when refused; the
// file is then untouched.
bool writeProfileString(const QString &fileName, const QString &section,
                        const std::optional<QString> &key, const std::optional<QString> &value);

// WritePrivateProfileStringW's contract on top of it: a null section with a null key and
// value is the flush call (nothing to do, as writes go straight to the file); a null key
// removes the section, a null value the key.
BOOL writePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                const WideChar *string, const WideChar *fileName);
