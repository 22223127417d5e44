#include "PosixPlatform.h"

#include "ProfileFile.h"
#include "UniversalName.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <optional>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

bool isDriveLetter(QChar c)
{
    const QChar lower = c.toLower();
    return lower >= QLatin1Char('a') && lower <= QLatin1Char('z');
}

thread_local int t_lookupError = 0;

QString wide(const WideChar *text, int count)
{
    if (!text)
        return {};
    return count < 0 ? QString::fromUtf16(text) : QString::fromUtf16(text, count);
}

} // namespace

PosixPlatform::PosixPlatform(QString winePrefix, QString mountInfoPath)
    : m_drives(std::move(winePrefix), std::move(mountInfoPath))
{
}

QString PosixPlatform::defaultWinePrefix()
{
    const QString prefix = qEnvironmentVariable("WINEPREFIX");
    return prefix.isEmpty() ? QDir::homePath() + QStringLiteral("/.wine") : prefix;
}

UINT PosixPlatform::GetDriveTypeW(const WideChar *rootPathName)
{
    // Windows takes "X:\" (and "X:"); anything else has no root directory.
    const QString root = wide(rootPathName, -1);
    if (root.size() < 2 || root.size() > 3 || !isDriveLetter(root[0]) ||
        root[1] != QLatin1Char(':') ||
        (root.size() == 3 && root[2] != QLatin1Char('\\') && root[2] != QLatin1Char('/')))
        return DRIVE_NO_ROOT_DIR;
    return m_drives.drive(root[0]).type;
}

DWORD PosixPlatform::WNetGetUniversalNameW(const WideChar *localPath, DWORD infoLevel, void *buffer,
                                           DWORD *bufferSize)
{
    if (!localPath || !bufferSize)
        return ERROR_INVALID_PARAMETER;
    if (infoLevel != UNIVERSAL_NAME_INFO_LEVEL)
        return ERROR_NOT_SUPPORTED;

    const QString path = wide(localPath, -1);
    if (path.size() < 2 || !isDriveLetter(path[0]) || path[1] != QLatin1Char(':'))
        return ERROR_BAD_DEVICE;
    QString below = path.mid(2);
    if (!below.isEmpty() && below[0] != QLatin1Char('\\') && below[0] != QLatin1Char('/'))
        return ERROR_BAD_DEVICE;

    const WineDrives::Drive drive = m_drives.drive(path[0]);
    if (drive.type != DRIVE_REMOTE)
        return ERROR_NOT_CONNECTED;

    below.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return writeUniversalNameInfo(drive.uncName + below, buffer, bufferSize);
}

DWORD PosixPlatform::WNetGetConnectionW(const WideChar *localName, WideChar *remoteName,
                                        DWORD *length)
{
    if (!localName || !length)
        return ERROR_INVALID_PARAMETER;
    const QString name = wide(localName, -1);
    if (name.size() != 2 || !isDriveLetter(name[0]) || name[1] != QLatin1Char(':'))
        return ERROR_BAD_DEVICE;
    const WineDrives::Drive drive = m_drives.drive(name[0]);
    if (drive.type != DRIVE_REMOTE)
        return ERROR_NOT_CONNECTED;
    return writeRemoteName(drive.uncName, remoteName, length);
}

int PosixPlatform::WSAStartup(WORD)
{
    return 0;
}

const hostent *PosixPlatform::gethostbyname(const char *name)
{
    // Discovery looks servers up on several threads at once: each thread gets its own
    // entry, as Winsock gives.
    thread_local hostent entry{};
    thread_local std::vector<char> scratch(8192);
    hostent *result = nullptr;
    int error = 0;
    t_lookupError = 0;
    const int failed =
        name ? gethostbyname_r(name, &entry, scratch.data(), scratch.size(), &result, &error) : 0;
    if (!result) {
        // The resolver's h_errno codes are Windows Sockets' own less 11000.
        t_lookupError = failed == ERANGE          ? WSANO_RECOVERY
                        : error == HOST_NOT_FOUND ? WSAHOST_NOT_FOUND
                        : error == TRY_AGAIN      ? WSATRY_AGAIN
                        : error == NO_DATA        ? WSANO_DATA
                                                  : WSANO_RECOVERY;
        return nullptr;
    }
    return result;
}

int PosixPlatform::WSACleanup()
{
    return 0;
}

int PosixPlatform::WSAGetLastError()
{
    return t_lookupError;
}

int PosixPlatform::CompareStringW(LCID, DWORD flags, const WideChar *string1, int count1,
                                  const WideChar *string2, int count2)
{
    if (!string1 || !string2)
        return 0;
    QCollator collator(QLocale::system());
    collator.setCaseSensitivity((flags & NORM_IGNORECASE) ? Qt::CaseInsensitive
                                                          : Qt::CaseSensitive);
    const int order = collator.compare(wide(string1, count1), wide(string2, count2));
    return order < 0 ? CSTR_LESS_THAN : (order == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN);
}

BOOL PosixPlatform::WritePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                               const WideChar *string, const WideChar *fileName)
{
    return writePrivateProfileStringW(appName, keyName, string, fileName);
}

DWORD PosixPlatform::GetLastError()
{
    return lastProfileError();
}

Platform::LibraryHandle PosixPlatform::LoadLibraryW(const WideChar *fileName)
{
    const QString name = wide(fileName, -1);
    if (name.isEmpty())
        return nullptr;
    // A bare name is looked for beside the executable before the loader's own search;
    // a path is taken as it is.
    if (!name.contains(QLatin1Char('/'))) {
        const QString besideExecutable = QFileInfo(executablePath()).dir().filePath(name);
        if (QFileInfo::exists(besideExecutable))
            return dlopen(QFile::encodeName(besideExecutable).constData(), RTLD_NOW | RTLD_LOCAL);
    }
    return dlopen(QFile::encodeName(name).constData(), RTLD_NOW | RTLD_LOCAL);
}

Platform::ProcAddress PosixPlatform::GetProcAddress(LibraryHandle library, const char *procName)
{
    void *symbol = dlsym(library, procName);
    ProcAddress function = nullptr;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
}

namespace {

// Copies a name as the Windows calls do; counted tells whether the size given back on
// success counts the NUL.
BOOL giveName(const QString &name, WideChar *buffer, DWORD *size, bool counted)
{
    if (!size)
        return FALSE;
    const DWORD needed = DWORD(name.size()) + 1;
    if (!buffer || *size < needed) {
        *size = needed;
        return FALSE;
    }
    std::copy_n(reinterpret_cast<const WideChar *>(name.utf16()), name.size(), buffer);
    buffer[name.size()] = 0;
    *size = counted ? needed : needed - 1;
    return TRUE;
}

} // namespace

BOOL PosixPlatform::GetComputerNameW(WideChar *buffer, DWORD *size)
{
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return FALSE;
    return giveName(QString::fromLocal8Bit(name), buffer, size, false);
}

BOOL PosixPlatform::GetUserNameW(WideChar *buffer, DWORD *size)
{
    passwd entry{};
    passwd *result = nullptr;
    std::vector<char> scratch(4096);
    if (getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &result) != 0 || !result)
        return FALSE;
    return giveName(QString::fromLocal8Bit(result->pw_name), buffer, size, true);
}

BOOL PosixPlatform::FreeLibrary(LibraryHandle library)
{
    return dlclose(library) == 0 ? TRUE : FALSE;
}

QString PosixPlatform::executablePath()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? QString() : QString::fromStdString(self.string());
}

QString PosixPlatform::driveSourceHint()
{
    if (QFileInfo(m_drives.prefix()).isDir())
        return {};
    return QStringLiteral(
        "Keine Laufwerke: Quellmark liest sie aus einem Wine-Präfix ($WINEPREFIX oder "
        "~/.wine), Netzlaufwerk X: ist dosdevices/x: -> unc/server/freigabe (siehe README).");
}

std::unique_ptr<Platform> createNativePlatform()
{
    return std::make_unique<PosixPlatform>(PosixPlatform::defaultWinePrefix());
}
