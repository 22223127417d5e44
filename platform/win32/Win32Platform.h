#pragma once

#include "Platform.h"

// Windows backend: the real calls, one to one.
class Win32Platform : public Platform {
public:
    UINT GetDriveTypeW(const WideChar *rootPathName) override;
    DWORD WNetGetUniversalNameW(const WideChar *localPath, DWORD infoLevel, void *buffer,
                                DWORD *bufferSize) override;
    DWORD WNetGetConnectionW(const WideChar *localName, WideChar *remoteName,
                             DWORD *length) override;
    int WSAStartup(WORD versionRequested) override;
    const hostent *gethostbyname(const char *name) override;
    int WSACleanup() override;
    int WSAGetLastError() override;
    int CompareStringW(LCID locale, DWORD flags, const WideChar *string1, int count1,
                       const WideChar *string2, int count2) override;
    BOOL WritePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                    const WideChar *string, const WideChar *fileName) override;
    DWORD GetLastError() override;
    LibraryHandle LoadLibraryW(const WideChar *fileName) override;
    ProcAddress GetProcAddress(LibraryHandle library, const char *procName) override;
    BOOL FreeLibrary(LibraryHandle library) override;
    BOOL GetComputerNameW(WideChar *buffer, DWORD *size) override;
    BOOL GetUserNameW(WideChar *buffer, DWORD *size) override;
    QString executablePath() override;
};
