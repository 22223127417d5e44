#include "FakePlatform.h"

#include "UniversalName.h"

#include <cstring>
#include <stdexcept>

namespace {

// Winsock keeps the last failure per thread, and discovery looks up on several at once.
thread_local int t_lookupError = 0;

} // namespace

FakePlatform::FakePlatform() : m_native(createNativePlatform()) {}

FakePlatform::~FakePlatform() = default;

void FakePlatform::record(const QString &call)
{
    const std::lock_guard lock(m_callsMutex);
    calls.append(call);
}

void FakePlatform::addDrive(QChar letter, UINT type, const QString &uncName)
{
    m_drives.insert(letter.toUpper(), Drive{type, uncName});
}

void FakePlatform::setUniversalName(const QString &localPath, const QString &uncName)
{
    m_answers.insert(localPath, Answer{NO_ERROR, uncName});
}

void FakePlatform::setUniversalNameError(const QString &localPath, DWORD code)
{
    m_answers.insert(localPath, Answer{code, {}});
}

void FakePlatform::addHost(const QByteArray &name, std::vector<Address> addresses)
{
    m_hosts.insert(name, std::move(addresses));
}

void FakePlatform::setHostLookupThrows(const QByteArray &name)
{
    m_throwingHosts.append(name);
}

UINT FakePlatform::GetDriveTypeW(const WideChar *rootPathName)
{
    const QString root = QString::fromUtf16(rootPathName);
    record(QStringLiteral("GetDriveTypeW(%1)").arg(root));
    if (root.size() != 3 || root[1] != QLatin1Char(':') || root[2] != QLatin1Char('\\'))
        return DRIVE_NO_ROOT_DIR;
    const auto drive = m_drives.constFind(root[0].toUpper());
    return drive == m_drives.constEnd() ? DRIVE_NO_ROOT_DIR : drive->type;
}

DWORD FakePlatform::WNetGetUniversalNameW(const WideChar *localPath, DWORD infoLevel, void *buffer,
                                          DWORD *bufferSize)
{
    const QString path = QString::fromUtf16(localPath);
    record(QStringLiteral("WNetGetUniversalNameW(%1,%2,%3)")
               .arg(path)
               .arg(infoLevel)
               .arg(*bufferSize));
    if (const auto answer = m_answers.constFind(path); answer != m_answers.constEnd()) {
        if (answer->code != NO_ERROR)
            return answer->code;
        return writeUniversalNameInfo(answer->uncName, buffer, bufferSize);
    }
    if (path.size() < 2 || !path[0].isLetter() || path[1] != QLatin1Char(':'))
        return ERROR_BAD_DEVICE;
    QString uncName;
    if (const DWORD error = connectedName(path[0], &uncName))
        return error;
    QString below = path.mid(2);
    below.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return writeUniversalNameInfo(uncName + below, buffer, bufferSize);
}

DWORD FakePlatform::connectedName(QChar letter, QString *uncName) const
{
    const auto drive = m_drives.constFind(letter.toUpper());
    if (drive == m_drives.constEnd() || drive->type != DRIVE_REMOTE)
        return ERROR_NOT_CONNECTED;
    // A network drive without a name is remembered but not connected.
    if (drive->uncName.isEmpty())
        return ERROR_CONNECTION_UNAVAIL;
    *uncName = drive->uncName;
    return NO_ERROR;
}

int FakePlatform::WSAStartup(WORD versionRequested)
{
    record(QStringLiteral("WSAStartup(0x%1)").arg(versionRequested, 4, 16, QLatin1Char('0')));
    startups.fetch_add(1);
    return 0;
}

DWORD FakePlatform::WNetGetConnectionW(const WideChar *localName, WideChar *remoteName,
                                       DWORD *length)
{
    const QString name = QString::fromUtf16(localName);
    record(QStringLiteral("WNetGetConnectionW(%1)").arg(name));
    if (name.size() != 2 || name[1] != QLatin1Char(':'))
        return ERROR_BAD_DEVICE;
    QString uncName;
    if (const DWORD error = connectedName(name[0], &uncName))
        return error;
    return writeRemoteName(uncName, remoteName, length);
}

const hostent *FakePlatform::gethostbyname(const char *name)
{
    record(QStringLiteral("gethostbyname(%1)").arg(QString::fromLocal8Bit(name)));
    t_lookupError = 0;
    if (m_throwingHosts.contains(QByteArray(name)))
        throw std::runtime_error("resolver failed");
    const auto host = m_hosts.constFind(QByteArray(name));
    if (host == m_hosts.constEnd()) {
        t_lookupError = WSAHOST_NOT_FOUND;
        return nullptr;
    }
    // Storage of the calling thread, as the C library and Winsock keep their own.
    thread_local std::vector<Address> addresses;
    thread_local std::vector<char *> list;
    thread_local hostent entry{};
    addresses = *host;
    list.clear();
    for (Address &address : addresses)
        list.push_back(reinterpret_cast<char *>(address.data()));
    list.push_back(nullptr);
    entry = hostent{};
    entry.h_addrtype = AF_INET;
    entry.h_length = 4;
    entry.h_addr_list = list.data();
    return &entry;
}

int FakePlatform::WSACleanup()
{
    record(QStringLiteral("WSACleanup()"));
    cleanups.fetch_add(1);
    return 0;
}

int FakePlatform::WSAGetLastError()
{
    return t_lookupError;
}

int FakePlatform::CompareStringW(LCID, DWORD flags, const WideChar *string1, int count1,
                                 const WideChar *string2, int count2)
{
    const QString a =
        count1 < 0 ? QString::fromUtf16(string1) : QString::fromUtf16(string1, count1);
    const QString b =
        count2 < 0 ? QString::fromUtf16(string2) : QString::fromUtf16(string2, count2);
    record(QStringLiteral("CompareStringW(%1,%2)").arg(a, b));
    const int order =
        a.compare(b, (flags & NORM_IGNORECASE) ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return order < 0 ? CSTR_LESS_THAN : (order == 0 ? CSTR_EQUAL : CSTR_GREATER_THAN);
}

Platform::LibraryHandle FakePlatform::LoadLibraryW(const WideChar *fileName)
{
    record(QStringLiteral("LoadLibraryW(%1)").arg(QString::fromUtf16(fileName)));
    return m_native->LoadLibraryW(fileName);
}

Platform::ProcAddress FakePlatform::GetProcAddress(LibraryHandle library, const char *procName)
{
    record(QStringLiteral("GetProcAddress(%1)").arg(QLatin1String(procName)));
    return m_native->GetProcAddress(library, procName);
}

BOOL FakePlatform::FreeLibrary(LibraryHandle library)
{
    return m_native->FreeLibrary(library);
}

// Who we are: as the engine, which asks the system itself, tells the server.
BOOL FakePlatform::GetComputerNameW(WideChar *buffer, DWORD *size)
{
    return m_native->GetComputerNameW(buffer, size);
}

BOOL FakePlatform::GetUserNameW(WideChar *buffer, DWORD *size)
{
    return m_native->GetUserNameW(buffer, size);
}

BOOL FakePlatform::WritePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                              const WideChar *string, const WideChar *fileName)
{
    const auto text = [](const WideChar *t) {
        return t ? QString::fromUtf16(t) : QStringLiteral("(null)");
    };
    record(QStringLiteral("WritePrivateProfileStringW(%1,%2,%3,%4)")
               .arg(text(appName), text(keyName), text(string), text(fileName)));
    const BOOL written = m_native->WritePrivateProfileStringW(appName, keyName, string, fileName);
    m_lastError = m_native->GetLastError();
    return written;
}

DWORD FakePlatform::GetLastError()
{
    return m_lastError;
}
