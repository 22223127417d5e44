// Saving a snapshot: never over a device or a pipe, and never reported done when the disk
// was full; the older snapshot then stays.

#include "Exception.h"
#include "FileSizeLimit.h"
#include "Snapshot.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

Snapshot sample(int rows)
{
    Snapshot snapshot;
    snapshot.connectPath = QStringLiteral("\\\\127.0.0.1:6262\\daten");
    snapshot.time = QDateTime(QDate(2026, 12, 11), QTime(8, 0));
    Snapshot::Result result;
    result.title = QStringLiteral("sp_mgGetConnectedUsers");
    result.open = true;
    result.columns = {QStringLiteral("UserName")};
    for (int i = 0; i < rows; ++i)
        result.rows.append({QStringLiteral("Benutzer %1").arg(i)});
    result.rowCount = rows;
    snapshot.results.append(result);
    return snapshot;
}

QString failureOf(const Snapshot &snapshot, const QString &path)
{
    try {
        snapshot.save(path);
    } catch (const Exception &error) {
        return error.message();
    }
    return {};
}

TEST(SnapshotFile, AFullDiskKeepsTheOlderSnapshot)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("abend.txt"));
    sample(3).save(path);
    QFile older(path);
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    const QByteArray kept = older.readAll();
    older.close();

    QString failure;
    {
        const FileSizeLimit limit(4096);
        failure = failureOf(sample(2000), path);
    }
    EXPECT_TRUE(failure.startsWith(
        QStringLiteral("Der Schnappschuss kann nicht in %1 gespeichert werden: kein Platz")
            .arg(path)))
        << qPrintable(failure);
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_EQ(older.readAll(), kept);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("abend.txt")});
}

TEST(SnapshotFile, DevicesAndPipesAreRefusedAndStay)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe.json"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0666), 0);
    EXPECT_EQ(failureOf(sample(1), pipe),
              QStringLiteral("Der Schnappschuss kann nicht in %1 gespeichert werden: das ist keine "
                             "gewöhnliche Datei (eine Pipe oder ein Gerät)")
                  .arg(pipe));
    struct stat status {};
    ASSERT_EQ(::lstat(QFile::encodeName(pipe).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));

    if (::geteuid() != 0)
        return; // a device node of our own needs root
    const QString device = dir.filePath(QStringLiteral("full"));
    ASSERT_EQ(::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 7)), 0);
    EXPECT_FALSE(failureOf(sample(1), device).isEmpty());
    ASSERT_EQ(::lstat(QFile::encodeName(device).constData(), &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));
}

} // namespace
