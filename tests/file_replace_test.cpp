// Files written whole: what may stand at a file's or its backup's name, a full disk, and
// writers at the same time.

#include "FileReplace.h"
#include "FileSizeLimit.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

struct stat statusOf(const QString &path)
{
    struct stat status {};
    ::lstat(QFile::encodeName(path).constData(), &status);
    return status;
}

class FileReplaceTest : public ::testing::Test {
protected:
    FileReplace::Result write(const QByteArray &bytes, const QString &backupName = {},
                              int waitMs = 10000)
    {
        FileReplace::Request request;
        request.fileName = path;
        request.backupName = backupName;
        request.turnWaitMs = waitMs;
        request.produce = [bytes](const FileReplace::Current &) { return std::optional(bytes); };
        return FileReplace::replace(request);
    }
    QStringList files() const
    {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("ADS.INI"));
    QString backup = path + QStringLiteral(".bak");
    QString precious = dir.filePath(QStringLiteral("precious"));
};

// A start-up script writes as the system: whoever may write the folder must not be able to
// turn the backup against a file only the system may write.
TEST_F(FileReplaceTest, BackupIsNeverWrittenThroughWhatStandsAtItsName)
{
    const QByteArray secret = "only the system may write this\n";
    const struct {
        const char *name;
        std::function<void()> place;
        FileReplace::Refusal refusal;
    } cases[] = {
        {"a symbolic link to another file", [&] { ASSERT_TRUE(QFile::link(precious, backup)); },
         FileReplace::Refusal::Link},
        {"a dangling symbolic link",
         [&] { ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere")), backup)); },
         FileReplace::Refusal::Link},
        {"a hard link to another file",
         [&] {
             ASSERT_EQ(::link(QFile::encodeName(precious).constData(),
                              QFile::encodeName(backup).constData()),
                       0);
         },
         FileReplace::Refusal::HardLink},
        {"a folder", [&] { ASSERT_TRUE(QDir().mkdir(backup)); }, FileReplace::Refusal::Folder},
        {"a pipe", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(backup).constData(), 0666), 0); },
         FileReplace::Refusal::NotAFile},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(path, "[S]\r\nk=old\r\n");
        writeBytes(precious, secret);
        ASSERT_EQ(::chmod(QFile::encodeName(precious).constData(), 0600), 0);
        c.place();
        const struct stat preciousBefore = statusOf(precious);
        const FileReplace::Result result = write("[S]\r\nk=new\r\n", backup);
        EXPECT_EQ(result.refusal, c.refusal);
        EXPECT_EQ(result.refusedName, backup);
        EXPECT_EQ(readBytes(path), QByteArray("[S]\r\nk=old\r\n"));
        EXPECT_EQ(readBytes(precious), secret);
        const struct stat preciousAfter = statusOf(precious);
        EXPECT_EQ(preciousAfter.st_mode, preciousBefore.st_mode);
        EXPECT_EQ(preciousAfter.st_uid, preciousBefore.st_uid);
        EXPECT_EQ(preciousAfter.st_ino, preciousBefore.st_ino);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("nowhere"))));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral(".ADS.INI.bak.quellmark-tmp"))));
        QDir(backup).removeRecursively();
        QFile::remove(backup);
    }
}

TEST_F(FileReplaceTest, DevicesAreRefusedAndStay)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a device node needs root";
    // The null device's numbers, made in the test's own folder.
    ASSERT_EQ(::mknod(QFile::encodeName(backup).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    writeBytes(path, "old");
    EXPECT_EQ(write("new", backup).refusal, FileReplace::Refusal::NotAFile);
    EXPECT_TRUE(S_ISCHR(statusOf(backup).st_mode));
    EXPECT_EQ(readBytes(path), QByteArray("old"));
    QFile::remove(path);
    ASSERT_EQ(::mknod(QFile::encodeName(path).constData(), S_IFCHR | 0666, makedev(1, 3)), 0);
    EXPECT_EQ(write("new").refusal, FileReplace::Refusal::NotAFile);
    EXPECT_TRUE(S_ISCHR(statusOf(path).st_mode));
}

// The backup is the file's, whatever stood at its name before: its bytes, mode and owner,
// in a file made anew.
TEST_F(FileReplaceTest, BackupTakesTheFilesOwnerAndModeAndIsMadeAnew)
{
    const bool root = ::geteuid() == 0;
    writeBytes(path, "[S]\r\na=\xE4\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
    writeBytes(backup, "older, and anybody's");
    ASSERT_EQ(::chmod(QFile::encodeName(backup).constData(), 0666), 0);
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(backup).constData(), 65534, 65534), 0);
    }
    const struct stat before = statusOf(backup);

    ASSERT_TRUE(write("[S]\r\na=1\r\n", backup).ok());
    EXPECT_EQ(readBytes(backup), QByteArray("[S]\r\na=\xE4\r\n"));
    const struct stat after = statusOf(backup);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, statusOf(path).st_uid);
    EXPECT_EQ(after.st_gid, statusOf(path).st_gid);
    EXPECT_EQ(files(), QStringList({QStringLiteral("ADS.INI"), QStringLiteral("ADS.INI.bak")}));

    // A read-only backup is somebody's decision, as a read-only file is.
    ASSERT_EQ(::chmod(QFile::encodeName(backup).constData(), 0440), 0);
    const FileReplace::Result refused = write("[S]\r\na=2\r\n", backup);
    EXPECT_EQ(refused.refusal, FileReplace::Refusal::ReadOnly);
    EXPECT_EQ(readBytes(path), QByteArray("[S]\r\na=1\r\n"));
}

// Writes that fail for lack of space, at any step, leave the old file and the old backup as
// they were, and no temporary file.
TEST_F(FileReplaceTest, AFullDiskLeavesTheOldFileWhole)
{
    const QByteArray old(3000, 'o');
    const QByteArray large(12000, 'n');
    const struct {
        const char *name;
        QByteArray fileBefore;
        QString backupName;
        QByteArray bytes;
        QString refusedName;
    } cases[] = {
        {"the new file does not fit", old, {}, large, path},
        {"the new file does not fit, the backup would", old, backup, large, path},
        {"the backup does not fit", large, backup, old, backup},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(path, c.fileBefore);
        writeBytes(backup, "the older backup");
        FileReplace::Result result;
        {
            const FileSizeLimit limit(8192);
            result = write(c.bytes, c.backupName);
        }
        EXPECT_EQ(result.refusal, FileReplace::Refusal::DiskFull);
        EXPECT_EQ(result.refusedName, c.refusedName);
        EXPECT_FALSE(result.detail.isEmpty());
        EXPECT_EQ(readBytes(path), c.fileBefore);
        EXPECT_EQ(readBytes(backup), QByteArray("the older backup"));
        EXPECT_EQ(files(), QStringList({QStringLiteral("ADS.INI"), QStringLiteral("ADS.INI.bak")}));
    }
}

// Two writers of one file: the second waits its turn, a bounded time, and then plans on
// the file as the first left it.
TEST_F(FileReplaceTest, WritersTakeTurns)
{
    writeBytes(path, "0");
    {
        const int held = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_EQ(::flock(held, LOCK_EX), 0);
        const FileReplace::Result busy = write("1", {}, 50);
        EXPECT_EQ(busy.refusal, FileReplace::Refusal::Busy);
        ::close(held);
    }
    EXPECT_EQ(readBytes(path), QByteArray("0"));

    // Each appends its mark to what it finds and backs up what it found: every mark ends
    // in the file, and the backup holds the file just before the last write.
    constexpr int Writers = 8;
    std::atomic<int> failed = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < Writers; ++i) {
        threads.emplace_back([&, i] {
            FileReplace::Request request;
            request.fileName = path;
            request.backupName = backup;
            request.produce = [i](const FileReplace::Current &current) {
                return std::optional(current.bytes + QByteArray::number(i + 1));
            };
            if (!FileReplace::replace(request).ok())
                ++failed;
        });
    }
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(failed, 0);
    const QByteArray final = readBytes(path);
    ASSERT_EQ(final.size(), 1 + Writers);
    for (int i = 1; i <= Writers; ++i)
        EXPECT_TRUE(final.contains(char('0' + i))) << i;
    EXPECT_EQ(readBytes(backup), final.chopped(1));
}

// A backup to put back must be a plain file of its own: restoring must not read another
// file into ADS.INI.
TEST_F(FileReplaceTest, ReadingABackupRefusesLinksAndOtherNames)
{
    writeBytes(precious, "secret");
    const struct {
        const char *name;
        std::function<void()> place;
        FileReplace::Refusal refusal;
    } cases[] = {
        {"a plain file", [&] { writeBytes(backup, "saved"); }, FileReplace::Refusal::None},
        {"a symbolic link", [&] { ASSERT_TRUE(QFile::link(precious, backup)); },
         FileReplace::Refusal::Link},
        {"a hard link",
         [&] {
             ASSERT_EQ(::link(QFile::encodeName(precious).constData(),
                              QFile::encodeName(backup).constData()),
                       0);
         },
         FileReplace::Refusal::HardLink},
        {"a pipe", [&] { ASSERT_EQ(::mkfifo(QFile::encodeName(backup).constData(), 0666), 0); },
         FileReplace::Refusal::NotAFile},
        {"a folder", [&] { ASSERT_TRUE(QDir().mkdir(backup)); }, FileReplace::Refusal::Folder},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.place();
        const FileReplace::Result read = FileReplace::readPlain(backup, 1024);
        EXPECT_EQ(read.refusal, c.refusal);
        EXPECT_EQ(read.before.bytes, c.refusal == FileReplace::Refusal::None ? "saved" : "");
        QDir(backup).removeRecursively();
        QFile::remove(backup);
    }
    EXPECT_EQ(FileReplace::readPlain(backup, 1024).before.exists, false);
    writeBytes(backup, QByteArray(2000, 'x'));
    EXPECT_EQ(FileReplace::readPlain(backup, 1024).refusal, FileReplace::Refusal::TooLarge);
}

} // namespace
