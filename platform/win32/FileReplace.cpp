#include "FileReplace.h"

#include "WinApi.h"

#include <QCryptographicHash>
#include <aclapi.h>
#include <utility>

namespace FileReplace {

namespace {

LPCWSTR w(const QString &text)
{
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

// Closes a handle when it goes out of scope; close() tells whether Windows took it.
class Handle {
public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : m_handle(handle) {}
    ~Handle() { close(); }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE && m_handle != nullptr; }
    void reset(HANDLE handle)
    {
        close();
        m_handle = handle;
    }
    bool close()
    {
        const HANDLE handle = std::exchange(m_handle, INVALID_HANDLE_VALUE);
        return handle == INVALID_HANDLE_VALUE || handle == nullptr || ::CloseHandle(handle);
    }

private:
    HANDLE m_handle;
};

Refusal refusalOf(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_LOCK_VIOLATION:
        return Refusal::AccessDenied;
    case ERROR_SHARING_VIOLATION:
        return Refusal::Busy;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return Refusal::DiskFull;
    default:
        return Refusal::Failed;
    }
}

struct Failure {
    Refusal refusal = Refusal::None;
    QString name;
    QString detail;
    explicit operator bool() const { return refusal != Refusal::None; }
};

Failure failure(Refusal refusal, const QString &name, DWORD error = 0)
{
    return {refusal, name, error ? qt_error_string(int(error)) : QString()};
}

Failure systemFailure(const QString &name, DWORD error)
{
    return failure(refusalOf(error), name, error);
}

// What stands at a name, the name itself: a link is not followed.
struct Info {
    bool exists = false;
    DWORD attributes = 0;
    DWORD links = 0;
    DWORD type = FILE_TYPE_UNKNOWN;
};

bool inspect(const QString &name, Info &info, DWORD &error)
{
    info = {};
    Handle handle(::CreateFileW(
        w(name), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
        nullptr));
    if (!handle.valid()) {
        error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    info.exists = true;
    info.type = ::GetFileType(handle.get());
    // A device has no file information to give (Wine says so with an error).
    if (info.type != FILE_TYPE_DISK)
        return true;
    BY_HANDLE_FILE_INFORMATION data{};
    if (!::GetFileInformationByHandle(handle.get(), &data)) {
        error = ::GetLastError();
        return false;
    }
    info.attributes = data.dwFileAttributes;
    info.links = data.nNumberOfLinks;
    return true;
}

Refusal kindOf(const Info &info)
{
    if (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return Refusal::Link;
    if (info.attributes & FILE_ATTRIBUTE_DIRECTORY)
        return Refusal::Folder;
    if (info.type != FILE_TYPE_DISK)
        return Refusal::NotAFile; // NUL, COM1, a pipe
    return Refusal::None;
}

QString folderOf(const QString &path)
{
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return cut < 0 ? QStringLiteral(".") : path.left(cut);
}

QString temporaryOf(const QString &path)
{
    const qsizetype cut =
        std::max(path.lastIndexOf(QLatin1Char('\\')), path.lastIndexOf(QLatin1Char('/')));
    return folderOf(path) + QStringLiteral("\\.") + path.mid(cut + 1) +
           QStringLiteral(".quellmark-tmp");
}

// The file a link names, the final path Windows opens through it.
bool resolveLink(const QString &name, QString &target, DWORD &error)
{
    Handle handle(::CreateFileW(w(name), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle.valid()) {
        error = ::GetLastError();
        return false;
    }
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetFinalPathNameByHandleW(handle.get(), path.data(),
                                                         DWORD(path.size()), VOLUME_NAME_DOS);
        if (length == 0) {
            error = ::GetLastError();
            return false;
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(length + 1);
    }
    target = QString::fromStdWString(path);
    return true;
}

// Writers of one file take turns through a mutex named after it, across sessions where
// Windows allows (a start-up script runs in another session than the user's window).
class Turn {
public:
    Turn(const QString &file, int waitMs)
    {
        const QByteArray key =
            QCryptographicHash::hash(file.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
        for (const char *scope : {"Global\\", "Local\\"}) {
            const QString name =
                QLatin1String(scope) + QStringLiteral("Quellmark-") + QString::fromLatin1(key);
            m_mutex = ::CreateMutexW(nullptr, FALSE, w(name));
            if (m_mutex)
                break;
        }
        if (!m_mutex)
            return; // no turns: go on as before them
        const DWORD waited = ::WaitForSingleObject(m_mutex, DWORD(waitMs));
        m_owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
        m_busy = !m_owned;
    }
    ~Turn()
    {
        if (m_owned)
            ::ReleaseMutex(m_mutex);
        if (m_mutex)
            ::CloseHandle(m_mutex);
    }
    Turn(const Turn &) = delete;
    Turn &operator=(const Turn &) = delete;
    bool busy() const { return m_busy; }

private:
    HANDLE m_mutex = nullptr;
    bool m_owned = false;
    bool m_busy = false;
};

bool writeAll(HANDLE handle, const QByteArray &bytes)
{
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(handle, start, nullptr, FILE_BEGIN))
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = DWORD(std::min<qsizetype>(bytes.size() - done, 1 << 20));
        DWORD written = 0;
        if (!::WriteFile(handle, bytes.constData() + done, chunk, &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_DISK_FULL);
            return false;
        }
        done += written;
    }
    return ::SetEndOfFile(handle) && ::FlushFileBuffers(handle);
}

bool readUpTo(HANDLE handle, qint64 limit, QByteArray &bytes)
{
    bytes.clear();
    char chunk[65536];
    while (bytes.size() <= limit) {
        DWORD got = 0;
        const DWORD want = DWORD(std::min<qint64>(qint64(sizeof chunk), limit + 1 - bytes.size()));
        if (!::ReadFile(handle, chunk, want, &got, nullptr))
            return false;
        if (got == 0)
            return true;
        bytes.append(chunk, qsizetype(got));
    }
    return true;
}

// The hidden, system and archive attributes of one file on another, and its access list
// where the file has one of its own (one inherited the new file inherits too).
bool takeOver(HANDLE handle, const QString &from, const Info &like)
{
    FILE_BASIC_INFO basic{};
    if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic))
        return false;
    constexpr DWORD kept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    basic.FileAttributes =
        (like.attributes & kept) ? (like.attributes & kept) : FILE_ATTRIBUTE_NORMAL;
    if (!::SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic))
        return false;
    PACL acl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(w(from), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &acl, nullptr, &descriptor) != ERROR_SUCCESS)
        return true; // nothing to tell: the folder's inherited list stands
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    bool ok = true;
    if (::GetSecurityDescriptorControl(descriptor, &control, &revision) &&
        (control & SE_DACL_PROTECTED) && acl)
        ok = ::SetSecurityInfo(handle, SE_FILE_OBJECT,
                               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, acl, nullptr) == ERROR_SUCCESS;
    ::LocalFree(descriptor);
    return ok;
}

// Rewrites an open file where it stands, its new size reserved first.
bool overwrite(HANDLE handle, const QByteArray &bytes)
{
    FILE_ALLOCATION_INFO allocation{};
    allocation.AllocationSize.QuadPart = bytes.size();
    if (!::SetFileInformationByHandle(handle, FileAllocationInfo, &allocation, sizeof allocation)) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
            return false;
    }
    return writeAll(handle, bytes);
}

enum class Made { Yes, Occupied, Denied, Failed };
Made makeTemporary(const QString &temporary, Handle &handle)
{
    Info leftover;
    DWORD error = 0;
    if (!inspect(temporary, leftover, error))
        return Made::Failed;
    if (leftover.exists && (kindOf(leftover) != Refusal::None || !::DeleteFileW(w(temporary))))
        return Made::Occupied; // a link or a folder is nobody's leftover
    const HANDLE created = ::CreateFileW(w(temporary), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0,
                                         nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    error = ::GetLastError();
    handle.reset(created);
    if (handle.valid())
        return Made::Yes;
    ::SetLastError(error);
    if (error == ERROR_ACCESS_DENIED || error == ERROR_FILE_EXISTS ||
        error == ERROR_WRITE_PROTECT || error == ERROR_ALREADY_EXISTS)
        return Made::Denied;
    return Made::Failed;
}

} // namespace

namespace {

// Writes bytes under a name through a temporary file moved over it; where no temporary
// file can be made or moved, calls inPlace. Unchanged on failure.
template <typename InPlace>
Failure writeBeside(const QString &target, const QByteArray &bytes, const QString *likeName,
                    const Info &like, bool replaceKeepsAttributes, InPlace inPlace)
{
    const QString temporary = temporaryOf(target);
    Handle handle;
    const Made made = makeTemporary(temporary, handle);
    if (made == Made::Occupied || made == Made::Denied)
        return inPlace();
    if (made == Made::Failed)
        return systemFailure(target, ::GetLastError());
    const auto drop = [&] {
        const DWORD error = ::GetLastError();
        handle.close();
        ::DeleteFileW(w(temporary));
        return error;
    };
    if (!writeAll(handle.get(), bytes))
        return systemFailure(target, drop());
    if (likeName && !replaceKeepsAttributes && !takeOver(handle.get(), *likeName, like)) {
        drop();
        return inPlace();
    }
    if (!handle.close())
        return systemFailure(target, drop());
    // ReplaceFileW keeps the replaced file's attributes and access list.
    const bool moved =
        replaceKeepsAttributes
            ? ::ReplaceFileW(w(target), w(temporary), nullptr,
                             REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS,
                             nullptr, nullptr)
            : ::MoveFileExW(w(temporary), w(target),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!moved) {
        drop();
        return inPlace();
    }
    return {};
}

Failure writeBackup(const QString &backup, const QByteArray &bytes, const QString &from,
                    const Info &like)
{
    Info info;
    DWORD error = 0;
    if (!inspect(backup, info, error))
        return systemFailure(backup, error);
    if (info.exists) {
        if (const Refusal kind = kindOf(info); kind != Refusal::None)
            return failure(kind, backup);
        if (info.links > 1)
            return failure(Refusal::HardLink, backup);
        // As for the file itself: a read-only backup is somebody's decision.
        if (info.attributes & FILE_ATTRIBUTE_READONLY)
            return failure(Refusal::ReadOnly, backup);
    }
    const auto inPlace = [&]() -> Failure {
        if (!info.exists)
            return failure(Refusal::AccessDenied, backup, ERROR_ACCESS_DENIED);
        Handle handle(::CreateFileW(w(backup), GENERIC_READ | GENERIC_WRITE | WRITE_DAC, 0, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle.valid())
            return systemFailure(backup, ::GetLastError());
        BY_HANDLE_FILE_INFORMATION data{};
        if (!::GetFileInformationByHandle(handle.get(), &data) || data.nNumberOfLinks > 1 ||
            (data.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
            return failure(Refusal::HardLink, backup);
        if (!takeOver(handle.get(), from, like) || !overwrite(handle.get(), bytes) ||
            !handle.close())
            return systemFailure(backup, ::GetLastError());
        return {};
    };
    return writeBeside(backup, bytes, &from, like, false, inPlace);
}

} // namespace

Result replace(const Request &request)
{
    Result result;
    const auto refuse = [&](const Failure &failed) {
        result.refusal = failed.refusal;
        result.refusedName = failed.name;
        result.detail = failed.detail;
        result.after.reset();
        return result;
    };
    if (request.fileName.isEmpty())
        return refuse(failure(Refusal::Failed, request.fileName, ERROR_INVALID_NAME));

    QString target = request.fileName;
    Info own;
    DWORD error = 0;
    if (!inspect(target, own, error))
        return refuse(systemFailure(target, error));
    if (own.exists && (own.attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        if (!request.followLink)
            return refuse(failure(Refusal::Link, target));
        // A link whose file is missing is not followed here: Windows names no target.
        if (!resolveLink(request.fileName, target, error))
            return refuse(failure(Refusal::Link, request.fileName, error));
        if (!inspect(target, own, error))
            return refuse(systemFailure(target, error));
    }

    const Turn turn(target, request.turnWaitMs);
    if (turn.busy())
        return refuse(failure(Refusal::Busy, target));

    Current &current = result.before;
    current.exists = own.exists;
    if (current.exists) {
        if (const Refusal kind = kindOf(own); kind != Refusal::None)
            return refuse(failure(kind, target));
        if (request.readLimit > 0) {
            Handle in(::CreateFileW(w(target), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            LARGE_INTEGER size{};
            if (!in.valid() || !::GetFileSizeEx(in.get(), &size))
                return refuse(systemFailure(target, ::GetLastError()));
            if (size.QuadPart > request.readLimit) {
                current.tooLarge = true;
            } else if (!readUpTo(in.get(), request.readLimit, current.bytes)) {
                return refuse(systemFailure(target, ::GetLastError()));
            } else if (current.bytes.size() > request.readLimit) {
                current.tooLarge = true;
                current.bytes.clear();
            }
        }
    }

    std::optional<QByteArray> bytes = request.produce(current);
    if (!bytes)
        return result;
    if (current.exists && (own.attributes & FILE_ATTRIBUTE_READONLY))
        return refuse(failure(Refusal::ReadOnly, target));

    if (!request.backupName.isEmpty() && current.exists) {
        if (current.tooLarge || request.readLimit <= 0)
            return refuse(failure(Refusal::TooLarge, target));
        if (const Failure failed = writeBackup(request.backupName, current.bytes, target, own))
            return refuse(failed);
    }

    const auto inPlace = [&]() -> Failure {
        Handle handle(::CreateFileW(w(target), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, OPEN_ALWAYS, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!handle.valid())
            return systemFailure(target, ::GetLastError());
        if (!overwrite(handle.get(), *bytes) || !handle.close())
            return systemFailure(target, ::GetLastError());
        return {};
    };
    const Failure written =
        current.exists && own.links > 1
            ? inPlace()
            : writeBeside(target, *bytes, nullptr, own, current.exists, inPlace);
    if (written)
        return refuse(written);
    result.after = std::move(bytes);
    return result;
}

Result readPlain(const QString &fileName, qint64 limit)
{
    Result result;
    const auto refuse = [&](Refusal refusal, DWORD error = 0) {
        result.refusal = refusal;
        result.refusedName = fileName;
        result.detail = error ? qt_error_string(int(error)) : QString();
        return result;
    };
    Info info;
    DWORD error = 0;
    if (!inspect(fileName, info, error))
        return refuse(refusalOf(error), error);
    if (!info.exists)
        return result;
    result.before.exists = true;
    if (const Refusal kind = kindOf(info); kind != Refusal::None)
        return refuse(kind);
    if (info.links > 1)
        return refuse(Refusal::HardLink);
    Handle in(::CreateFileW(w(fileName), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION data{};
    if (!in.valid() || !::GetFileInformationByHandle(in.get(), &data))
        return refuse(refusalOf(::GetLastError()), ::GetLastError());
    if (data.nNumberOfLinks > 1 ||
        (data.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)))
        return refuse(Refusal::HardLink);
    const qint64 size = (qint64(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (size > limit)
        return refuse(Refusal::TooLarge);
    if (!readUpTo(in.get(), limit, result.before.bytes))
        return refuse(refusalOf(::GetLastError()), ::GetLastError());
    if (result.before.bytes.size() > limit)
        return refuse(Refusal::TooLarge);
    return result;
}

} // namespace FileReplace
