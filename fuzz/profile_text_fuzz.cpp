// The profile reader and writer. Input: a byte of flags, section, key and value (each
// ended by a NUL byte, UTF-8), then the file's bytes. Invariants:
// - a file read and written back unchanged is the same bytes;
// - a write changes at most the written line and the line before an added one;
// - a key written with a well-formed name reads back with the value written;
// - a refused write leaves the file as it was, on disk too.

#include "ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::optional<QByteArray> takeString(const std::uint8_t *&data, std::size_t &size)
{
    const void *nul = std::memchr(data, 0, size);
    if (!nul)
        return std::nullopt;
    const std::size_t length = std::size_t(static_cast<const std::uint8_t *>(nul) - data);
    QByteArray text(reinterpret_cast<const char *>(data), qsizetype(length));
    data += length + 1;
    size -= length + 1;
    return text;
}

bool wellFormedName(const QString &name, bool isKey)
{
    if (name.isEmpty() || name.trimmed() != name || name.contains(QLatin1Char('\r')) ||
        name.contains(QLatin1Char('\n')))
        return false;
    if (!isKey)
        return !name.contains(QLatin1Char('[')) && !name.contains(QLatin1Char(']'));
    return !name.contains(QLatin1Char('=')) && !name.startsWith(QLatin1Char(';')) &&
           !name.startsWith(QLatin1Char('['));
}

// The value of the first key of that name in the first section of that name.
std::optional<QString> readBack(const QList<ProfileLine> &lines, const QString &section,
                                const QString &key)
{
    bool inSection = false;
    bool seenSection = false;
    for (const ProfileLine &line : lines) {
        const QString trimmed = line.text.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            if (seenSection && inSection)
                return std::nullopt;
            const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
            const QString name = (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
            inSection = !seenSection && name.compare(section, Qt::CaseInsensitive) == 0;
            seenSection = seenSection || inSection;
            continue;
        }
        const qsizetype equals = line.text.indexOf(QLatin1Char('='));
        if (inSection && !trimmed.startsWith(QLatin1Char(';')) && equals >= 0 &&
            line.text.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return line.text.mid(equals + 1);
    }
    return std::nullopt;
}

QByteArray lineBytes(const ProfileLine &line)
{
    return line.raw.value_or(QByteArray("(new)")) + line.rawEnd.value_or(QByteArray("(new end)"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t flags = data[0];
    ++data;
    --size;
    const auto section8 = takeString(data, size);
    const auto key8 = section8 ? takeString(data, size) : std::nullopt;
    const auto value8 = key8 ? takeString(data, size) : std::nullopt;
    if (!value8)
        return 0;
    const QString section = QString::fromUtf8(*section8);
    const std::optional<QString> key =
        (flags & 1) ? std::nullopt : std::optional<QString>(QString::fromUtf8(*key8));
    const std::optional<QString> value =
        (flags & 2) ? std::nullopt : std::optional<QString>(QString::fromUtf8(*value8));
    const QByteArray before(reinterpret_cast<const char *>(data), qsizetype(size));

    const ProfileBytes file = ProfileBytes::read(before);
    require(file.bytes() == before);

    ProfileBytes written = file;
    std::optional<QByteArray> after;
    if (applyProfileWrite(written.lines, section, key, value))
        after = written.bytes();
    if (after) {
        // Old lines gone from the new file: the replaced one and one that got a line end.
        int gone = 0;
        for (const ProfileLine &line : file.lines) {
            bool kept = false;
            for (const ProfileLine &now : written.lines)
                kept = kept || (now.raw && now.rawEnd && lineBytes(now) == lineBytes(line));
            gone += kept ? 0 : 1;
        }
        if (key && value)
            require(gone <= 2 && written.lines.size() <= file.lines.size() + 2);
        if (key && value && wellFormedName(section, false) && wellFormedName(*key, true))
            require(readBack(ProfileBytes::read(*after).lines, section, *key) == value);
    }

    // The same write on a real file: the same bytes, or a refusal that leaves it alone.
    static const std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();
    const QString path = dir->filePath(QStringLiteral("ADS.INI"));
    QFile::remove(path);
    if (!before.isEmpty()) {
        QFile out(path);
        require(out.open(QIODevice::WriteOnly) && out.write(before) == before.size());
    }
    const ProfileRefusal refusal = writeProfileString(path, section, key, value);
    QFile in(path);
    const QByteArray onDisk = in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    if (refusal != ProfileRefusal::None)
        require(onDisk == before);
    else if (after)
        require(onDisk == *after);
    return 0;
}
