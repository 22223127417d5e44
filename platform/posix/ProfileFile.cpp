#include "ProfileFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

// --- bytes and lines -----------------------------------------------------------------------

namespace {

using Encoding = ProfileBytes::Encoding;

QString decode(Encoding encoding, const QByteArray &bytes)
{
    switch (encoding) {
    case Encoding::Local8Bit:
        return QString::fromLocal8Bit(bytes);
    case Encoding::Latin1:
        return QString::fromLatin1(bytes);
    case Encoding::Utf8:
        return QString::fromUtf8(bytes);
    case Encoding::Utf16Le:
        return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()),
                                  bytes.size() / 2);
    }
    return {};
}

std::optional<QByteArray> encode(Encoding encoding, const QString &text)
{
    switch (encoding) {
    case Encoding::Local8Bit: {
        QByteArray bytes = text.toLocal8Bit();
        if (QString::fromLocal8Bit(bytes) != text)
            return std::nullopt;
        return bytes;
    }
    case Encoding::Latin1:
        for (const QChar c : text)
            if (c.unicode() > 0xFF)
                return std::nullopt;
        return text.toLatin1();
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf16Le: {
        QByteArray bytes(text.size() * 2, '\0');
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            bytes[2 * i] = char(unit & 0xFF);
            bytes[2 * i + 1] = char(unit >> 8);
        }
        return bytes;
    }
    }
    return std::nullopt;
}

// Splits the body into lines at CR, LF and CRLF, in bytes (8-bit) or code units (UTF-16).
QList<ProfileLine> splitLines(Encoding encoding, const QByteArray &body)
{
    const qsizetype unit = encoding == Encoding::Utf16Le ? 2 : 1;
    const auto at = [&](qsizetype i) -> char16_t {
        return unit == 1 ? char16_t(uchar(body[i]))
                         : char16_t(uchar(body[i]) | (uchar(body[i + 1]) << 8));
    };
    QList<ProfileLine> lines;
    const qsizetype units = body.size() / unit * unit;
    qsizetype start = 0;
    for (qsizetype i = 0; i < units; i += unit) {
        const char16_t c = at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        const bool crlf = c == u'\r' && i + unit < units && at(i + unit) == u'\n';
        const qsizetype endLength = crlf ? 2 * unit : unit;
        const QByteArray text = body.mid(start, i - start);
        lines.append(ProfileLine{decode(encoding, text),
                                 crlf ? QStringLiteral("\r\n") : QString(QChar(c)), text,
                                 body.mid(i, endLength)});
        i += endLength - unit;
        start = i + unit;
    }
    if (start < units) {
        const QByteArray text = body.mid(start, units - start);
        lines.append(ProfileLine{decode(encoding, text), QString(), text, QByteArray()});
    }
    return lines;
}

} // namespace

ProfileBytes ProfileBytes::read(const QByteArray &bytes)
{
    ProfileBytes file;
    QByteArray body = bytes;
    if (bytes.startsWith("\xFF\xFE")) {
        file.encoding = Encoding::Utf16Le;
        file.mark = bytes.left(2);
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        file.encoding = Encoding::Utf8;
        file.mark = bytes.left(3);
    } else {
        // Bytes the locale cannot decode and encode back (a Windows-made file in a UTF-8
        // locale, say) are read as Latin-1, which keeps each of them.
        file.encoding = QString::fromLocal8Bit(bytes).toLocal8Bit() == bytes ? Encoding::Local8Bit
                                                                             : Encoding::Latin1;
    }
    body.remove(0, file.mark.size());
    if (file.encoding == Encoding::Utf16Le && body.size() % 2 != 0) {
        file.tail = body.right(1);
        body.chop(1);
    }
    file.lines = splitLines(file.encoding, body);
    return file;
}

std::optional<QByteArray> ProfileBytes::bytes() const
{
    QByteArray out = mark;
    for (const ProfileLine &line : lines) {
        if (line.raw) {
            out += *line.raw;
        } else {
            const std::optional<QByteArray> text = encode(encoding, line.text);
            if (!text)
                return std::nullopt;
            out += *text;
        }
        if (line.rawEnd)
            out += *line.rawEnd;
        else
            out += *encode(encoding, line.end);
    }
    return out + tail;
}

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

// Rewrites the file where it stands, under a lock on the file itself.
ProfileRefusal writeInPlace(const QByteArray &target, const Change &change)
{
    Descriptor fd(::open(target.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    if (fd.get() < 0)
        return refusalOf(errno);
    ::flock(fd.get(), LOCK_EX);
    QByteArray current;
    if (!readAll(fd.get(), current))
        return refusalOf(errno);
    const Outcome outcome = apply(current, true, change);
    if (outcome.refusal != ProfileRefusal::None || !outcome.bytes)
        return outcome.refusal;
    return writeAll(fd.get(), *outcome.bytes) ? ProfileRefusal::None : refusalOf(errno);
}

// Gives the temporary file the file's permissions, owner, group and access list; false
// when any of them cannot be kept.
bool takeOver(int fd, const struct stat &original, const QByteArray &target)
{
    if (::fchmod(fd, original.st_mode & 07777) != 0)
        return false;
    struct stat mine {};
    ::fstat(fd, &mine);
    if ((mine.st_uid != original.st_uid || mine.st_gid != original.st_gid) &&
        ::fchown(fd, original.st_uid, original.st_gid) != 0)
        return false;
    const char *acl = "system.posix_acl_access";
    const ssize_t size = ::getxattr(target.constData(), acl, nullptr, 0);
    if (size <= 0)
        return true; // no access list beyond the mode bits
    QByteArray value(size, '\0');
    const ssize_t got = ::getxattr(target.constData(), acl, value.data(), std::size_t(size));
    return got >= 0 && ::fsetxattr(fd, acl, value.constData(), std::size_t(got), 0) == 0;
}

} // namespace

ProfileRefusal writeProfileString(const QString &fileName, const QString &section,
                                  const std::optional<QString> &key,
                                  const std::optional<QString> &value)
{
    if (fileName.isEmpty())
        return ProfileRefusal::InvalidParameter;
    const Change change{section, key, value};
    // Through a link, the file it points to is written; the link stays.
    const QFileInfo info(fileName);
    const QString resolved =
        info.isSymLink() && info.exists() ? info.canonicalFilePath() : fileName;
    if (QFileInfo(resolved).isDir())
        return ProfileRefusal::AccessDenied;
    const QByteArray target = QFile::encodeName(resolved);
    const QFileInfo resolvedInfo(resolved);
    const QByteArray temporary =
        QFile::encodeName(resolvedInfo.absolutePath() + QStringLiteral("/.") +
                          resolvedInfo.fileName() + QStringLiteral(".quellmark-tmp"));

    // Writers take turns on the temporary file; one that finds it renamed away meanwhile
    // starts over with a fresh one.
    Descriptor fd;
    for (int attempt = 0;; ++attempt) {
        fd.reset(::open(temporary.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (fd.get() < 0) {
            if (errno == EACCES || errno == EPERM || errno == EROFS)
                return writeInPlace(target, change); // the folder may not be written
            return refusalOf(errno);
        }
        ::flock(fd.get(), LOCK_EX);
        struct stat locked {};
        struct stat named {};
        if (::fstat(fd.get(), &locked) == 0 && ::stat(temporary.constData(), &named) == 0 &&
            locked.st_ino == named.st_ino && locked.st_dev == named.st_dev)
            break;
        if (attempt >= 100)
            return ProfileRefusal::WriteFault;
    }
    const auto dropTemporary = [&] {
        ::unlink(temporary.constData());
        fd.reset();
    };

    struct stat original {};
    const bool exists = ::stat(target.constData(), &original) == 0;
    QByteArray current;
    if (exists) {
        Descriptor in(::open(target.constData(), O_RDONLY | O_CLOEXEC));
        if (in.get() < 0 || !readAll(in.get(), current)) {
            const int error = errno;
            dropTemporary();
            return refusalOf(error);
        }
    }
    const Outcome outcome = apply(current, exists, change);
    if (outcome.refusal != ProfileRefusal::None || !outcome.bytes) {
        dropTemporary();
        return outcome.refusal;
    }
    // A replace would split a file with several names from the others.
    if (exists && original.st_nlink > 1) {
        dropTemporary();
        return writeInPlace(target, change);
    }
    if (!writeAll(fd.get(), *outcome.bytes)) {
        const int error = errno;
        dropTemporary();
        return refusalOf(error);
    }
    if (exists && !takeOver(fd.get(), original, target)) {
        dropTemporary();
        return writeInPlace(target, change);
    }
    if (::rename(temporary.constData(), target.constData()) != 0) {
        dropTemporary();
        return writeInPlace(target, change);
    }
    Descriptor folder(
        ::open(QFile::encodeName(resolvedInfo.absolutePath()).constData(), O_RDONLY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return ProfileRefusal::None;
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

DWORD lastProfileError()
{
    return t_lastError;
}
