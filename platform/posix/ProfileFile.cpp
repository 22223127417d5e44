#include "ProfileFile.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

// --- the file ------------------------------------------------------------------------------

namespace {

ProfileRefusal refusalOf(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return ProfileRefusal::AccessDenied;
    case ENOSPC:
    case EDQUOT:
        return ProfileRefusal::DiskFull;
    default:
        return ProfileRefusal::WriteFault;
    }
}

// Closes a descriptor when it goes out of scope (and so releases its lock).
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    void reset(int fd = -1)
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

bool readAll(int fd, QByteArray &bytes)
{
    bytes.clear();
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.append(chunk, n);
    }
}

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
        done += n;
    }
    return ::ftruncate(fd, off_t(bytes.size())) == 0 && ::fsync(fd) == 0;
}

struct Change {
    QString section;
    std::optional<QString> key;
    std::optional<QString> value;
};

// The file's new bytes, nothing when they stay as they are, or the refusal.
struct Outcome {
    ProfileRefusal refusal = ProfileRefusal::None;
    std::optional<QByteArray> bytes;
};

// The new content from the current one (exists: whether there was a file).
using Produce = std::function<Outcome(const QByteArray &current, bool exists)>;

// Whose permissions, owner, group and access list a replaced file takes: the file it
// replaces (a write), or the file it is a copy of.
struct Attributes {
    struct stat status {};
    QByteArray aclPath;
};

Outcome apply(const QByteArray &current, bool exists, const Change &change)
{
    ProfileBytes file = ProfileBytes::read(current);
    if (!applyProfileWrite(file.lines, change.section, change.key, change.value))
        return {ProfileRefusal::LineBreak, std::nullopt};
    const std::optional<QByteArray> bytes = file.bytes();
    if (!bytes)
        return {ProfileRefusal::Unencodable, std::nullopt};
    if (*bytes == current && (exists || bytes->isEmpty()))
        return {};
    return {ProfileRefusal::None, bytes};
}

QByteArray folderOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
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

// Windows refuses to write a read-only file whoever asks; without write bits a file is
// read-only here, and otherwise when the caller may not write it.
bool readOnly(const QByteArray &file, const struct stat &status)
{
    return (status.st_mode & 0222) == 0 ||
           ::faccessat(AT_FDCWD, file.constData(), W_OK, AT_EACCESS) != 0;
}

// Rewrites the file where it stands, under a lock on the file itself.
ProfileRefusal writeInPlace(const QByteArray &target, const Produce &produce)
{
    Descriptor fd(::open(target.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
    if (fd.get() < 0)
        return refusalOf(errno);
    ::flock(fd.get(), LOCK_EX);
    QByteArray current;
    if (!readAll(fd.get(), current))
        return refusalOf(errno);
    const Outcome outcome = produce(current, true);
    if (outcome.refusal != ProfileRefusal::None || !outcome.bytes)
        return outcome.refusal;
    return writeAll(fd.get(), *outcome.bytes) ? ProfileRefusal::None : refusalOf(errno);
}

// Gives the temporary file the permissions, owner, group and access list of another; false
// when any of them cannot be kept (the owner only where ownerRequired).
bool takeOver(int fd, const Attributes &like, bool ownerRequired)
{
    const struct stat &original = like.status;
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        return false;
    struct stat mine {};
    ::fstat(fd, &mine);
    if ((mine.st_uid != original.st_uid || mine.st_gid != original.st_gid) &&
        ::fchown(fd, original.st_uid, original.st_gid) != 0 && ownerRequired)
        return false;
    const char *acl = "system.posix_acl_access";
    const ssize_t size = ::getxattr(like.aclPath.constData(), acl, nullptr, 0);
    if (size <= 0)
        return true; // no access list beyond the mode bits
    QByteArray value(size, '\0');
    const ssize_t got = ::getxattr(like.aclPath.constData(), acl, value.data(), std::size_t(size));
    return got >= 0 && ::fsetxattr(fd, acl, value.constData(), std::size_t(got), 0) == 0;
}

// Replaces a file's content atomically: the new content goes into a temporary file beside
// it (".NAME.quellmark-tmp"), made afresh for every write, which takes the attributes
// (copied, else the replaced file's own) and is renamed over it. Where that cannot be
// done, the file is rewritten in place. Writers in one folder take turns.
ProfileRefusal replaceFile(const QString &fileName, const Produce &produce,
                           const Attributes *copied)
{
    QByteArray target;
    if (!resolveLinks(QFile::encodeName(fileName), target))
        return refusalOf(errno);
    const QByteArray folder = folderOf(target);
    Descriptor turn(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (turn.get() >= 0)
        ::flock(turn.get(), LOCK_EX);

    Attributes own;
    const bool exists = ::stat(target.constData(), &own.status) == 0;
    if (!exists && errno != ENOENT)
        return refusalOf(errno);
    // A folder, a pipe or a device is no profile file; reading a pipe would wait forever.
    if (exists && !S_ISREG(own.status.st_mode))
        return ProfileRefusal::AccessDenied;
    own.aclPath = target;

    QByteArray current;
    if (exists) {
        Descriptor in(::open(target.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
        if (in.get() < 0 || !readAll(in.get(), current))
            return refusalOf(errno);
    }
    const Outcome outcome = produce(current, exists);
    if (outcome.refusal != ProfileRefusal::None || !outcome.bytes)
        return outcome.refusal;
    if (exists && readOnly(target, own.status))
        return ProfileRefusal::AccessDenied;
    // A replace would split a file with several names from the others.
    if (exists && own.status.st_nlink > 1)
        return writeInPlace(target, produce);

    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray temporary = folder + "/." + target.mid(slash + 1) + ".quellmark-tmp";
    // A leftover of a killed writer is removed, never written into: it may be a second name
    // of another file. A link or a folder of that name is nobody's leftover.
    struct stat leftover {};
    if (::lstat(temporary.constData(), &leftover) == 0 &&
        (!S_ISREG(leftover.st_mode) || ::unlink(temporary.constData()) != 0))
        return writeInPlace(target, produce);
    Descriptor fd(
        ::open(temporary.constData(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (fd.get() < 0) {
        if (errno == EACCES || errno == EPERM || errno == EROFS || errno == EEXIST)
            return writeInPlace(target, produce); // the folder may not be written
        return refusalOf(errno);
    }
    const auto dropTemporary = [&] {
        ::unlink(temporary.constData());
        fd.reset();
    };
    if (!writeAll(fd.get(), *outcome.bytes)) {
        const int error = errno;
        dropTemporary();
        return refusalOf(error);
    }
    const Attributes *like = copied ? copied : exists ? &own : nullptr;
    if (like && !takeOver(fd.get(), *like, exists)) {
        dropTemporary();
        return writeInPlace(target, produce);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        dropTemporary();
        return writeInPlace(target, produce);
    }
    if (turn.get() >= 0)
        ::fsync(turn.get());
    return ProfileRefusal::None;
}

} // namespace

ProfileRefusal writeProfileString(const QString &fileName, const QString &section,
                                  const std::optional<QString> &key,
                                  const std::optional<QString> &value)
{
    if (fileName.isEmpty())
        return ProfileRefusal::InvalidParameter;
    const Change change{section, key, value};
    return replaceFile(
        fileName,
        [&change](const QByteArray &current, bool exists) {
            return apply(current, exists, change);
        },
        nullptr);
}

ProfileRefusal copyFile(const QString &source, const QString &target, bool failIfExists)
{
    if (source.isEmpty() || target.isEmpty())
        return ProfileRefusal::InvalidParameter;
    Attributes like;
    like.aclPath = QFile::encodeName(source);
    Descriptor in(::open(like.aclPath.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.get() < 0)
        return errno == ENOENT ? ProfileRefusal::FileNotFound : refusalOf(errno);
    if (::fstat(in.get(), &like.status) != 0)
        return refusalOf(errno);
    if (!S_ISREG(like.status.st_mode))
        return ProfileRefusal::AccessDenied;
    QByteArray bytes;
    if (!readAll(in.get(), bytes))
        return refusalOf(errno);
    in.reset();
    struct stat existing {};
    if (failIfExists && ::lstat(QFile::encodeName(target).constData(), &existing) == 0)
        return ProfileRefusal::FileExists;
    return replaceFile(
        target,
        [&bytes](const QByteArray &, bool) {
            return Outcome{ProfileRefusal::None, bytes};
        },
        &like);
}

namespace {

thread_local DWORD t_lastError = 0;

std::optional<QString> optionalWide(const WideChar *text)
{
    return text ? std::optional<QString>(QString::fromUtf16(text)) : std::nullopt;
}

BOOL refused(ProfileRefusal refusal)
{
    t_lastError = DWORD(refusal);
    return refusal == ProfileRefusal::None ? TRUE : FALSE;
}

} // namespace

BOOL writePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                const WideChar *string, const WideChar *fileName)
{
    if (!appName)
        return refused((!keyName && !string) ? ProfileRefusal::None
                                             : ProfileRefusal::InvalidParameter);
    if (!fileName)
        return refused(ProfileRefusal::InvalidParameter);
    return refused(writeProfileString(QString::fromUtf16(fileName), QString::fromUtf16(appName),
                                      optionalWide(keyName), optionalWide(string)));
}

BOOL copyFileW(const WideChar *existingFileName, const WideChar *newFileName, BOOL failIfExists)
{
    if (!existingFileName || !newFileName)
        return refused(ProfileRefusal::InvalidParameter);
    return refused(copyFile(QString::fromUtf16(existingFileName), QString::fromUtf16(newFileName),
                            failIfExists != FALSE));
}

DWORD lastProfileError()
{
    return t_lastError;
}
