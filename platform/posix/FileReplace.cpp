#include "FileReplace.h"

#include <QFile>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace FileReplace {

namespace {

// Closes a descriptor when it goes out of scope (and so releases its lock); close() tells
// whether the system took everything written (it may report a failed write only then).
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { close(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    void reset(int fd)
    {
        close();
        m_fd = fd;
    }
    bool close()
    {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

Refusal refusalOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
        return Refusal::AccessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Refusal::DiskFull;
    case EISDIR:
        return Refusal::Folder;
    case ELOOP:
        return Refusal::Link;
    default:
        return Refusal::Failed;
    }
}

struct Failure {
    Refusal refusal = Refusal::None;
    QByteArray name;
    QString detail;
    explicit operator bool() const { return refusal != Refusal::None; }
};

Failure failure(Refusal refusal, const QByteArray &name, int error = 0)
{
    return {refusal, name, error ? qt_error_string(error) : QString()};
}

Failure systemFailure(const QByteArray &name, int error)
{
    return failure(refusalOf(error), name, error);
}

// What stands at a name that must be a file of its own; nothing when it may be written.
Refusal kindOf(const struct stat &status)
{
    if (S_ISLNK(status.st_mode))
        return Refusal::Link;
    if (S_ISDIR(status.st_mode))
        return Refusal::Folder;
    if (!S_ISREG(status.st_mode))
        return Refusal::NotAFile;
    return Refusal::None;
}

// Reads up to limit bytes and one more, so that a larger file shows.
bool readUpTo(int fd, qint64 limit, QByteArray &bytes)
{
    bytes.clear();
    char chunk[65536];
    while (bytes.size() <= limit) {
        const qint64 want = std::min<qint64>(qint64(sizeof chunk), limit + 1 - bytes.size());
        const ssize_t n = ::read(fd, chunk, std::size_t(want));
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.append(chunk, n);
    }
    return true;
}

// Every byte written, the size set and the data on the disk; false (errno set) otherwise.
bool writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.constData() + done, std::size_t(bytes.size() - done), off_t(done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        done += n;
    }
    return ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray temporaryOf(const QByteArray &path)
{
    return folderOf(path) + "/." + path.mid(path.lastIndexOf('/') + 1) + ".quellmark-tmp";
}

// The file a name stands for, symbolic links followed to the end: a dangling link names
// the file that is to be made, and stays a link. False (errno set) on a loop.
bool resolveLinks(QByteArray path, QByteArray &file)
{
    for (int depth = 0; depth < 40; ++depth) {
        char text[4096];
        const ssize_t length = ::readlink(path.constData(), text, sizeof text);
        if (length < 0) {
            file = path; // not a link, or nothing there yet
            return true;
        }
        if (std::size_t(length) >= sizeof text) {
            errno = ENAMETOOLONG;
            return false;
        }
        const QByteArray link(text, length);
        path = link.startsWith('/') ? link : folderOf(path) + '/' + link;
    }
    errno = ELOOP;
    return false;
}

// An exclusive advisory lock, waited for up to a deadline; busy when it stayed taken.
bool lockWithin(int fd, std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return true; // a file system without locks: go on as before locks existed
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Windows refuses to write a read-only file whoever asks; without write bits a file is
// read-only here, and otherwise when the caller may not write it.
bool readOnly(const QByteArray &file, const struct stat &status)
{
    return (status.st_mode & 0222) == 0 ||
           ::faccessat(AT_FDCWD, file.constData(), W_OK, AT_EACCESS) != 0;
}

// Whose permissions, owner, group and access list a written file takes.
struct Attributes {
    struct stat status {};
    QByteArray aclPath;
};

// Gives an open file the permissions, owner, group and access list of another; false
// (errno set) when any of them cannot be kept (the owner only where ownerRequired).
bool takeOver(int fd, const Attributes &like, bool ownerRequired)
{
    const struct stat &original = like.status;
    struct stat mine {};
    if (::fstat(fd, &mine) != 0)
        return false;
    if ((mine.st_uid != original.st_uid || mine.st_gid != original.st_gid) &&
        ::fchown(fd, original.st_uid, original.st_gid) != 0 && ownerRequired)
        return false;
    // After the owner: changing it clears the set-id bits.
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        return false;
    const char *acl = "system.posix_acl_access";
    const ssize_t size = ::getxattr(like.aclPath.constData(), acl, nullptr, 0);
    if (size <= 0)
        return true; // no access list beyond the mode bits
    QByteArray value(size, '\0');
    const ssize_t got = ::getxattr(like.aclPath.constData(), acl, value.data(), std::size_t(size));
    return got >= 0 && ::fsetxattr(fd, acl, value.constData(), std::size_t(got), 0) == 0;
}

// Space for the new content, reserved before the first byte of the old one is overwritten,
// where the file system can reserve without changing the size.
bool reserve(int fd, qsizetype size)
{
    if (size == 0 || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0)
        return true;
    return errno != ENOSPC && errno != EDQUOT && errno != EFBIG;
}

// Rewrites an open file where it stands.
bool overwrite(int fd, const QByteArray &bytes)
{
    return reserve(fd, bytes.size()) && writeAll(fd, bytes);
}

// A new temporary file beside path, made exclusively; a leftover regular file of that name
// (a killed writer's, or a second name of another file) is removed first, never written.
enum class Made { Yes, Occupied, Denied, Failed };
Made makeTemporary(const QByteArray &temporary, bool privateMode, Descriptor &fd)
{
    struct stat leftover {};
    if (::lstat(temporary.constData(), &leftover) == 0 &&
        (!S_ISREG(leftover.st_mode) || ::unlink(temporary.constData()) != 0))
        return Made::Occupied; // a link or a folder is nobody's leftover
    // Private until it takes the replaced file's permissions.
    fd.reset(::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    privateMode ? 0600 : 0666));
    if (fd.get() >= 0)
        return Made::Yes;
    if (errno == EACCES || errno == EPERM || errno == EROFS || errno == EEXIST)
        return Made::Denied;
    return Made::Failed;
}

// New content made ready beside a name: written, flushed and given its attributes in a
// temporary file, to be renamed over the name; or, where no such file can be made (a folder
// the caller may not write, a link or folder in the temporary file's place, attributes that
// cannot be kept), to be written in place. A staged file not committed is removed.
class Staged {
public:
    Staged() = default;
    Staged(const Staged &) = delete;
    Staged &operator=(const Staged &) = delete;
    ~Staged()
    {
        if (!m_temporary.isEmpty())
            ::unlink(m_temporary.constData());
    }

    Failure stage(const QByteArray &target, const QByteArray &bytes, const Attributes *like,
                  bool ownerRequired)
    {
        m_target = target;
        const QByteArray temporary = temporaryOf(target);
        Descriptor fd;
        const Made made = makeTemporary(temporary, like != nullptr, fd);
        if (made == Made::Occupied || made == Made::Denied) {
            m_inPlace = true;
            return {};
        }
        if (made == Made::Failed)
            return systemFailure(target, errno);
        m_temporary = temporary;
        if (!writeAll(fd.get(), bytes))
            return systemFailure(target, errno);
        if (like && !takeOver(fd.get(), *like, ownerRequired)) {
            fd.close();
            drop();
            m_inPlace = true;
            return {};
        }
        if (!fd.close())
            return systemFailure(target, errno);
        return {};
    }

    // Renames the staged file over the name, or writes in place where it must.
    Failure commit(const std::function<Failure()> &inPlace)
    {
        if (m_inPlace)
            return inPlace();
        if (::rename(m_temporary.constData(), m_target.constData()) != 0) {
            drop();
            return inPlace();
        }
        m_temporary.clear();
        return {};
    }

private:
    void drop()
    {
        ::unlink(m_temporary.constData());
        m_temporary.clear();
    }

    QByteArray m_target;
    QByteArray m_temporary;
    bool m_inPlace = false;
};

// The file as it was, saved under backup: never through a link or into anything but a
// regular file of its own, with the permissions, owner and access list of the file.
Failure writeBackup(const QByteArray &backup, const QByteArray &bytes, const Attributes &like)
{
    struct stat status {};
    const bool exists = ::lstat(backup.constData(), &status) == 0;
    if (!exists && errno != ENOENT)
        return systemFailure(backup, errno);
    if (exists) {
        if (const Refusal kind = kindOf(status); kind != Refusal::None)
            return failure(kind, backup);
        if (status.st_nlink > 1)
            return failure(Refusal::HardLink, backup);
        // As for the file itself: a read-only backup is somebody's decision.
        if (readOnly(backup, status))
            return failure(Refusal::ReadOnly, backup);
    }
    // A folder only an administrator may write: the backup that stands there is rewritten,
    // once it is the file's owner's with the file's permissions.
    const auto inPlace = [&]() -> Failure {
        if (!exists)
            return failure(Refusal::AccessDenied, backup, EACCES);
        Descriptor fd(::open(backup.constData(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat opened {};
        if (fd.get() < 0 || ::fstat(fd.get(), &opened) != 0)
            return systemFailure(backup, errno);
        if (opened.st_dev != status.st_dev || opened.st_ino != status.st_ino ||
            !S_ISREG(opened.st_mode) || opened.st_nlink > 1)
            return failure(Refusal::HardLink, backup);
        if (!takeOver(fd.get(), like, true))
            return systemFailure(backup, errno);
        if (!overwrite(fd.get(), bytes) || !fd.close())
            return systemFailure(backup, errno);
        return {};
    };
    Staged staged;
    if (const Failure failed = staged.stage(backup, bytes, &like, false))
        return failed;
    return staged.commit(inPlace);
}

} // namespace

Result replace(const Request &request)
{
    Result result;
    const QByteArray named = QFile::encodeName(request.fileName);
    const auto refuse = [&](const Failure &failed) {
        result.refusal = failed.refusal;
        result.refusedName = QFile::decodeName(failed.name);
        result.detail = failed.detail;
        result.after.reset();
        return result;
    };
    if (named.isEmpty())
        return refuse(failure(Refusal::Failed, named, ENOENT));

    QByteArray target = named;
    struct stat status {};
    if (::lstat(named.constData(), &status) == 0 && S_ISLNK(status.st_mode)) {
        if (!request.followLink)
            return refuse(failure(Refusal::Link, named));
        if (!resolveLinks(named, target))
            return refuse(failure(Refusal::Failed, named, errno));
    }

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(request.turnWaitMs);
    Descriptor turn(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (turn.get() >= 0 && !lockWithin(turn.get(), deadline))
        return refuse(failure(Refusal::Busy, target));

    Attributes own;
    own.aclPath = target;
    Current &current = result.before;
    current.exists = ::lstat(target.constData(), &own.status) == 0;
    if (!current.exists && errno != ENOENT)
        return refuse(systemFailure(target, errno));
    if (current.exists) {
        // A pipe would be read for ever, a device written for real.
        if (const Refusal kind = kindOf(own.status); kind != Refusal::None)
            return refuse(failure(kind, target));
        if (request.readLimit > 0) {
            Descriptor in(
                ::open(target.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            struct stat opened {};
            if (in.get() < 0 || ::fstat(in.get(), &opened) != 0)
                return refuse(systemFailure(target, errno));
            if (opened.st_ino != own.status.st_ino || opened.st_dev != own.status.st_dev)
                return refuse(failure(Refusal::Busy, target));
            if (opened.st_size > request.readLimit) {
                current.tooLarge = true;
            } else if (!readUpTo(in.get(), request.readLimit, current.bytes)) {
                return refuse(systemFailure(target, errno));
            } else if (current.bytes.size() > request.readLimit) {
                current.tooLarge = true;
                current.bytes.clear();
            }
        }
    }

    std::optional<QByteArray> bytes = request.produce(current);
    if (!bytes)
        return result;
    if (current.exists && readOnly(target, own.status))
        return refuse(failure(Refusal::ReadOnly, target));

    // The new file first, so that a disk too full for it leaves the old backup too.
    const bool hardLinked = current.exists && own.status.st_nlink > 1;
    Staged staged;
    if (!hardLinked) {
        if (const Failure failed =
                staged.stage(target, *bytes, current.exists ? &own : nullptr, current.exists))
            return refuse(failed);
    }
    if (!request.backupName.isEmpty() && current.exists) {
        if (current.tooLarge || request.readLimit <= 0)
            return refuse(failure(Refusal::TooLarge, target));
        if (const Failure failed =
                writeBackup(QFile::encodeName(request.backupName), current.bytes, own))
            return refuse(failed);
    }

    // The file rewritten where it stands: its other names see the change.
    const auto inPlace = [&]() -> Failure {
        Descriptor fd(::open(target.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (fd.get() < 0)
            return systemFailure(target, errno);
        if (!lockWithin(fd.get(), deadline))
            return failure(Refusal::Busy, target);
        if (!overwrite(fd.get(), *bytes) || !fd.close())
            return systemFailure(target, errno);
        return {};
    };
    if (const Failure written = hardLinked ? inPlace() : staged.commit(inPlace))
        return refuse(written);
    if (turn.get() >= 0)
        ::fsync(turn.get());
    result.after = std::move(bytes);
    return result;
}

Result readPlain(const QString &fileName, qint64 limit)
{
    Result result;
    const QByteArray name = QFile::encodeName(fileName);
    const auto refuse = [&](Refusal refusal, int error = 0) {
        result.refusal = refusal;
        result.refusedName = fileName;
        result.detail = error ? qt_error_string(error) : QString();
        return result;
    };
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0)
        return errno == ENOENT ? result : refuse(refusalOf(errno), errno);
    result.before.exists = true;
    if (const Refusal kind = kindOf(status); kind != Refusal::None)
        return refuse(kind);
    if (status.st_nlink > 1)
        return refuse(Refusal::HardLink);
    Descriptor in(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat opened {};
    if (in.get() < 0 || ::fstat(in.get(), &opened) != 0)
        return refuse(refusalOf(errno), errno);
    if (opened.st_dev != status.st_dev || opened.st_ino != status.st_ino || opened.st_nlink > 1)
        return refuse(Refusal::HardLink);
    if (opened.st_size > limit)
        return refuse(Refusal::TooLarge);
    if (!readUpTo(in.get(), limit, result.before.bytes))
        return refuse(refusalOf(errno), errno);
    if (result.before.bytes.size() > limit)
        return refuse(Refusal::TooLarge);
    return result;
}

} // namespace FileReplace
