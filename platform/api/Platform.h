#pragma once

#include "WinApi.h"

#include <QString>
#include <memory>

// The operating-system calls the program makes, under their Windows names and with
// their Windows arguments and result codes. The native backend is chosen at compile
// time; tests hand a fake to whatever takes a Platform&.
class Platform {
public:
    virtual ~Platform() = default;

    // Drives and network names.
    virtual UINT GetDriveTypeW(const WideChar *rootPathName) = 0;
    virtual DWORD WNetGetUniversalNameW(const WideChar *localPath, DWORD infoLevel, void *buffer,
                                        DWORD *bufferSize) = 0;
    // The remote name a local device ("X:") is connected to; length in characters, the
    // terminating NUL included. ERROR_MORE_DATA sets the length needed.
    virtual DWORD WNetGetConnectionW(const WideChar *localName, WideChar *remoteName,
                                     DWORD *length) = 0;

    // Windows Sockets 1.1: start-up and clean-up come in pairs around every lookup.
    virtual int WSAStartup(WORD versionRequested) = 0;
    virtual const hostent *gethostbyname(const char *name) = 0;
    virtual int WSACleanup() = 0;
    // The calling thread's last Windows Sockets failure (a lookup's, WSAHOST_NOT_FOUND and
    // its kin); read it before WSACleanup.
    virtual int WSAGetLastError() = 0;

    // Linguistic comparison in the user's locale; answers CSTR_LESS_THAN, CSTR_EQUAL or
    // CSTR_GREATER_THAN, 0 on failure. A length of -1 means NUL-terminated.
    virtual int CompareStringW(LCID locale, DWORD flags, const WideChar *string1, int count1,
                               const WideChar *string2, int count2) = 0;

    // Profile files: writes one key (a null value removes the key, a null key the section);
    // all three null flushes the cache for the file. FALSE when the write is refused.
    virtual BOOL WritePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                            const WideChar *string, const WideChar *fileName) = 0;
    // The calling thread's code of the last failure, as far as the calls above set it.
    virtual DWORD GetLastError() = 0;

    // Libraries, searched as Windows does for a bare name: the executable's own directory
    // first, then the system's normal search. Null when the library cannot be loaded.
    using LibraryHandle = void *;
    using ProcAddress = void (*)();
    virtual LibraryHandle LoadLibraryW(const WideChar *fileName) = 0;
    virtual ProcAddress GetProcAddress(LibraryHandle library, const char *procName) = 0;
    virtual BOOL FreeLibrary(LibraryHandle library) = 0;

    // Full path of the running executable.
    virtual QString executablePath() = 0;

    // Who and where we run, as the client engine tells the server: the computer's name
    // and the user's login name. Sizes in characters, as Windows has them: in, the
    // buffer's; out, the name's length without the NUL for the computer, with it for the
    // user; when the buffer is too small, FALSE and the size needed, NUL included.
    virtual BOOL GetComputerNameW(WideChar *buffer, DWORD *size) = 0;
    virtual BOOL GetUserNameW(WideChar *buffer, DWORD *size) = 0;

    // Where drives come from, in one line, when there is nothing to take them from (Linux
    // without a Wine prefix); empty otherwise.
    virtual QString driveSourceHint() { return {}; }
};

// A QString's text as the NUL-terminated UTF-16 the wide calls take.
inline const WideChar *wideText(const QString &text)
{
    return reinterpret_cast<const WideChar *>(text.utf16());
}

// The backend of the system we run on.
std::unique_ptr<Platform> createNativePlatform();
