#include "Win32Platform.h"

#include <vector>

static_assert(sizeof(wchar_t) == sizeof(WideChar), "UTF-16 wchar_t expected on Windows");

namespace {

LPCWSTR w(const WideChar *text)
{
    return reinterpret_cast<LPCWSTR>(text);
}

} // namespace

UINT Win32Platform::GetDriveTypeW(const WideChar *rootPathName)
{
    return ::GetDriveTypeW(w(rootPathName));
}

DWORD Win32Platform::WNetGetUniversalNameW(const WideChar *localPath, DWORD infoLevel, void *buffer,
                                           DWORD *bufferSize)
{
    return ::WNetGetUniversalNameW(w(localPath), infoLevel, buffer, bufferSize);
}

DWORD Win32Platform::WNetGetConnectionW(const WideChar *localName, WideChar *remoteName,
                                        DWORD *length)
{
    return ::WNetGetConnectionW(w(localName), reinterpret_cast<LPWSTR>(remoteName), length);
}

int Win32Platform::WSAStartup(WORD versionRequested)
{
    WSADATA data;
    return ::WSAStartup(versionRequested, &data);
}

const hostent *Win32Platform::gethostbyname(const char *name)
{
    return ::gethostbyname(name);
}

int Win32Platform::WSACleanup()
{
    return ::WSACleanup();
}

int Win32Platform::WSAGetLastError()
{
    return ::WSAGetLastError();
}

int Win32Platform::CompareStringW(LCID locale, DWORD flags, const WideChar *string1, int count1,
                                  const WideChar *string2, int count2)
{
    return ::CompareStringW(locale, flags, w(string1), count1, w(string2), count2);
}

BOOL Win32Platform::WritePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                               const WideChar *string, const WideChar *fileName)
{
    return ::WritePrivateProfileStringW(w(appName), w(keyName), w(string), w(fileName));
}

DWORD Win32Platform::GetLastError()
{
    return ::GetLastError();
}

Platform::LibraryHandle Win32Platform::LoadLibraryW(const WideChar *fileName)
{
    // The standard search order already starts in the executable's directory.
    return ::LoadLibraryW(w(fileName));
}

Platform::ProcAddress Win32Platform::GetProcAddress(LibraryHandle library, const char *procName)
{
    return reinterpret_cast<ProcAddress>(::GetProcAddress(static_cast<HMODULE>(library), procName));
}

BOOL Win32Platform::GetComputerNameW(WideChar *buffer, DWORD *size)
{
    return ::GetComputerNameW(reinterpret_cast<wchar_t *>(buffer), size);
}

BOOL Win32Platform::GetUserNameW(WideChar *buffer, DWORD *size)
{
    return ::GetUserNameW(reinterpret_cast<wchar_t *>(buffer), size);
}

BOOL Win32Platform::FreeLibrary(LibraryHandle library)
{
    return ::FreeLibrary(static_cast<HMODULE>(library));
}

QString Win32Platform::executablePath()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size())
            return QString::fromWCharArray(path.data(), static_cast<qsizetype>(length));
        path.resize(path.size() * 2);
    }
}

std::unique_ptr<Platform> createNativePlatform()
{
    return std::make_unique<Win32Platform>();
}
