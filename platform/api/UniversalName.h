#pragma once

#include "WinApi.h"

#include <QString>

// Fills a caller's buffer with a UNIVERSAL_NAME_INFOW record followed by its text, as
// WNetGetUniversalNameW does; answers ERROR_MORE_DATA with the needed size when it does
// not fit.
DWORD writeUniversalNameInfo(const QString &uncName, void *buffer, DWORD *bufferSize);

// Copies a remote name into a caller's buffer of length characters, as WNetGetConnectionW
// does; answers ERROR_MORE_DATA with the length needed when it does not fit.
DWORD writeRemoteName(const QString &remoteName, WideChar *buffer, DWORD *length);
