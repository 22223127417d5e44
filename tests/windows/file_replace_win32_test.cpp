// Files written whole by the Win32 backend, as far as Wine shows what may stand at a name:
// hard links, folders, devices and the read-only attribute; symbolic links where Wine can
// make them.

#include "FileReplace.h"
#include "QtPrinters.h"
#include "WinApi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace {

LPCWSTR w(const QString &text)
{
    return reinterpret_cast<LPCWSTR>(text.utf16());
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

FileReplace::Result replace(const QString &path, const QByteArray &bytes, const QString &backup)
{
    FileReplace::Request request;
    request.fileName = path;
    request.backupName = backup;
    request.produce = [bytes](const FileReplace::Current &) { return std::optional(bytes); };
    return FileReplace::replace(request);
}

TEST(Win32FileReplace, BackupIsMadeAnewAndNeverWrittenThroughWhatStandsThere)
{
    QTemporaryDir dir;
    const QString path = QDir::toNativeSeparators(dir.filePath(QStringLiteral("ADS.INI")));
    const QString backup = path + QStringLiteral(".bak");
    const QString precious = QDir::toNativeSeparators(dir.filePath(QStringLiteral("precious")));

    writeBytes(path, "old");
    writeBytes(backup, "older");
    ASSERT_TRUE(replace(path, "new", backup).ok());
    EXPECT_EQ(readBytes(path), QByteArray("new"));
    EXPECT_EQ(readBytes(backup), QByteArray("old"));

    const struct {
        const char *name;
        std::function<bool()> place; // false: Wine cannot make it
        FileReplace::Refusal refusal;
    } cases[] = {
        {"a hard link to another file",
         [&] { return ::CreateHardLinkW(w(backup), w(precious), nullptr) != 0; },
         FileReplace::Refusal::HardLink},
        {"a symbolic link to another file",
         // Wine 8 answers TRUE and makes nothing.
         [&] {
             return ::CreateSymbolicLinkW(w(backup), w(precious), 0) != 0 &&
                    ::GetFileAttributesW(w(backup)) != INVALID_FILE_ATTRIBUTES;
         },
         FileReplace::Refusal::Link},
        {"a folder", [&] { return ::CreateDirectoryW(w(backup), nullptr) != 0; },
         FileReplace::Refusal::Folder},
        {"a read-only backup",
         [&] {
             writeBytes(backup, "kept");
             return ::SetFileAttributesW(w(backup), FILE_ATTRIBUTE_READONLY) != 0;
         },
         FileReplace::Refusal::ReadOnly},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(precious, "only the system may write this");
        QFile::remove(backup);
        if (!c.place()) {
            std::printf("Wine cannot make %s here; not tried\n", c.name);
            continue;
        }
        const FileReplace::Result result = replace(path, "newer", backup);
        EXPECT_EQ(result.refusal, c.refusal);
        EXPECT_EQ(result.refusedName, backup);
        EXPECT_EQ(readBytes(path), QByteArray("new"));
        EXPECT_EQ(readBytes(precious), QByteArray("only the system may write this"));
        ::SetFileAttributesW(w(backup), FILE_ATTRIBUTE_NORMAL);
        ::RemoveDirectoryW(w(backup));
        ::DeleteFileW(w(backup));
    }

    // A device name is no file: NUL opens the null device wherever it stands.
    const QString device = QDir::toNativeSeparators(dir.filePath(QStringLiteral("NUL")));
    EXPECT_EQ(replace(path, "newer", device).refusal, FileReplace::Refusal::NotAFile);
    EXPECT_EQ(replace(device, "newer", {}).refusal, FileReplace::Refusal::NotAFile);

    // The file's own read-only attribute, as the profile call has it.
    ASSERT_TRUE(::SetFileAttributesW(w(path), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(replace(path, "newer", backup).refusal, FileReplace::Refusal::ReadOnly);
    ::SetFileAttributesW(w(path), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({QStringLiteral("ADS.INI"), QStringLiteral("precious")}));
}

TEST(Win32FileReplace, ABackupToRestoreMustBeAPlainFileOfItsOwn)
{
    QTemporaryDir dir;
    const QString backup = QDir::toNativeSeparators(dir.filePath(QStringLiteral("ADS.INI.bak")));
    const QString precious = QDir::toNativeSeparators(dir.filePath(QStringLiteral("precious")));
    writeBytes(precious, "secret");
    writeBytes(backup, "saved");
    const FileReplace::Result plain = FileReplace::readPlain(backup, 1024);
    EXPECT_TRUE(plain.ok());
    EXPECT_EQ(plain.before.bytes, QByteArray("saved"));
    ::DeleteFileW(w(backup));
    ASSERT_TRUE(::CreateHardLinkW(w(backup), w(precious), nullptr));
    EXPECT_EQ(FileReplace::readPlain(backup, 1024).refusal, FileReplace::Refusal::HardLink);
}

} // namespace
