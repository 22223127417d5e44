#pragma once

#include "WinApi.h"

#include <QString>

// Fills a caller's buffer with a UNIVERSAL_NAME_INFOW record followed by its text, as
// WNetGetUniversalNameW does; answers ERROR_MORE_DATA with the needed size when it does
// not fit.
DWORD writeUniversalNameInfo(const QString &uncName, void *buffer, DWORD *bufferSize);
