#pragma once

#include "Platform.h"
#include "WineDrives.h"

// Linux backend: drives from a Wine prefix, names from the C library's resolver.
class PosixPlatform : public Platform {
public:
    // The mount table is read anew at every question, so a drive mounted or unmounted while
    // the program runs is seen as it is now.
    explicit PosixPlatform(QString winePrefix,
                           QString mountInfoPath = QStringLiteral("/proc/self/mountinfo"));

    // $WINEPREFIX, or ~/.wine when it is unset.
    static QString defaultWinePrefix();

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
    QString driveSourceHint() override;

private:
    WineDrives m_drives;
};
