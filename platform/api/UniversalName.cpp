#include "UniversalName.h"

#include <cstring>

DWORD writeUniversalNameInfo(const QString &uncName, void *buffer, DWORD *bufferSize)
{
    const DWORD needed =
        static_cast<DWORD>(sizeof(UNIVERSAL_NAME_INFOW) + (uncName.size() + 1) * sizeof(WideChar));
    if (!buffer || *bufferSize < needed) {
        *bufferSize = needed;
        return ERROR_MORE_DATA;
    }
    auto *bytes = static_cast<unsigned char *>(buffer);
    auto *text = reinterpret_cast<WideChar *>(bytes + sizeof(UNIVERSAL_NAME_INFOW));
    std::memcpy(text, uncName.utf16(), (uncName.size() + 1) * sizeof(WideChar));
    const UNIVERSAL_NAME_INFOW info{reinterpret_cast<decltype(info.lpUniversalName)>(text)};
    std::memcpy(bytes, &info, sizeof info);
    return NO_ERROR;
}

DWORD writeRemoteName(const QString &remoteName, WideChar *buffer, DWORD *length)
{
    const DWORD needed = static_cast<DWORD>(remoteName.size() + 1);
    if (!buffer || *length < needed) {
        *length = needed;
        return ERROR_MORE_DATA;
    }
    std::memcpy(buffer, remoteName.utf16(), needed * sizeof(WideChar));
    return NO_ERROR;
}
