#include "MountTable.h"
#include "PosixPlatform.h"
#include "TempPrefix.h"

#include "QtPrinters.h"
#include <QDir>
#include <QFile>
#include <cstring>
#include <optional>
#include <vector>

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString unc(PosixPlatform &platform, const QString &localPath, DWORD *code, DWORD size = 1024)
{
    std::vector<unsigned char> buffer(size);
    *code = platform.WNetGetUniversalNameW(wideText(localPath), UNIVERSAL_NAME_INFO_LEVEL,
                                           buffer.data(), &size);
    if (*code != NO_ERROR)
        return {};
    UNIVERSAL_NAME_INFOW info;
    std::memcpy(&info, buffer.data(), sizeof info);
    return QString::fromUtf16(info.lpUniversalName);
}

// A prefix with every kind of drive: links into unc/, a local drive, a dangling link, and
// directories on a cifs and an nfs mount described by a mount table of the test's own.
class WinePrefixTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prefix.makeDir(QStringLiteral("drive_c"));
        const QString cifs = prefix.makeDir(QStringLiteral("mnt/cifs"));
        prefix.makeDir(QStringLiteral("mnt/cifs/abteilung/buchhaltung"));
        const QString nfs = prefix.makeDir(QStringLiteral("mnt/nfs space"));
        QString nfsEscaped = nfs;
        nfsEscaped.replace(QLatin1Char(' '), QLatin1String("\\040"));

        prefix.link(QLatin1Char('c'), QStringLiteral("../drive_c"));
        prefix.link(QLatin1Char('f'), QStringLiteral("unc/127.0.0.1/daten"));
        prefix.link(QLatin1Char('g'), QStringLiteral("unc/localhost/apps/verwaltung/2026"));
        prefix.link(QLatin1Char('h'), QStringLiteral("../nowhere"));
        prefix.link(QLatin1Char('m'), cifs + QStringLiteral("/abteilung"));
        prefix.link(QLatin1Char('n'), nfs);

        QFile mountInfo(prefix.path() + QStringLiteral("/mountinfo"));
        ASSERT_TRUE(mountInfo.open(QIODevice::WriteOnly));
        mountInfo.write("22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/vda rw\n");
        mountInfo.write(QStringLiteral("40 22 0:50 / %1 rw,relatime shared:2 - cifs "
                                       "//127.0.0.2/export rw,vers=3.1.1\n")
                            .arg(cifs)
                            .toUtf8());
        mountInfo.write(QStringLiteral("41 22 0:51 / %1 rw shared:3 - nfs4 127.0.0.3:/srv/nfs "
                                       "rw,vers=4.2\n")
                            .arg(nfsEscaped)
                            .toUtf8());
        mountInfo.close();
        platform.emplace(prefix.path(), mountInfo.fileName());
    }

    TempPrefix prefix;
    std::optional<PosixPlatform> platform;
};

TEST_F(WinePrefixTest, DriveTypesFollowTheLinks)
{
    const struct {
        const char16_t *root;
        UINT type;
    } cases[] = {
        {u"C:\\", DRIVE_FIXED},   {u"F:\\", DRIVE_REMOTE},       {u"f:\\", DRIVE_REMOTE},
        {u"F:", DRIVE_REMOTE},    {u"G:\\", DRIVE_REMOTE},       {u"H:\\", DRIVE_NO_ROOT_DIR},
        {u"M:\\", DRIVE_REMOTE},  {u"N:\\", DRIVE_REMOTE},       {u"Q:\\", DRIVE_NO_ROOT_DIR},
        {u"", DRIVE_NO_ROOT_DIR}, {u"F:\\x", DRIVE_NO_ROOT_DIR}, {u"1:\\", DRIVE_NO_ROOT_DIR},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.root).toStdString());
        EXPECT_EQ(platform->GetDriveTypeW(c.root), c.type);
    }
}

// A network drive's type comes from its link and the mount table alone: what it points to
// is never looked at (a server that does not answer would hold the start up). The table is
// read anew at every question, so a mount made while the program runs counts at once.
TEST_F(WinePrefixTest, NetworkTargetsAreNeverTouchedAndMountsAreCurrent)
{
    const QString gone = prefix.path() + QStringLiteral("/mnt/nfs space/not there");
    prefix.link(QLatin1Char('p'), gone);
    EXPECT_EQ(platform->GetDriveTypeW(u"P:\\"), DRIVE_REMOTE);

    const QString later = prefix.makeDir(QStringLiteral("mnt/later"));
    prefix.link(QLatin1Char('l'), later);
    EXPECT_EQ(platform->GetDriveTypeW(u"L:\\"), DRIVE_FIXED);
    QFile mountInfo(prefix.path() + QStringLiteral("/mountinfo"));
    ASSERT_TRUE(mountInfo.open(QIODevice::Append));
    mountInfo.write(
        QStringLiteral("42 22 0:52 / %1 rw - cifs //127.0.0.4/neu rw\n").arg(later).toUtf8());
    mountInfo.close();
    EXPECT_EQ(platform->GetDriveTypeW(u"L:\\"), DRIVE_REMOTE);
    DWORD code = 0;
    EXPECT_EQ(unc(*platform, QStringLiteral("L:"), &code), QStringLiteral("\\\\127.0.0.4\\neu"));
}

TEST(PosixPlatform, HintWhereThereIsNoPrefix)
{
    EXPECT_TRUE(PosixPlatform(QStringLiteral("/nonexistent/prefix"))
                    .driveSourceHint()
                    .contains(QStringLiteral("WINEPREFIX")));
    QTemporaryDir existing;
    EXPECT_TRUE(PosixPlatform(existing.path()).driveSourceHint().isEmpty());
}

TEST_F(WinePrefixTest, UniversalNamesOfDrivesAndPathsBelowThem)
{
    const struct {
        const char *path;
        DWORD code;
        const char *unc;
    } cases[] = {
        {"F:", NO_ERROR, "\\\\127.0.0.1\\daten"},
        {"F:\\", NO_ERROR, "\\\\127.0.0.1\\daten\\"},
        {"f:\\archiv/2025", NO_ERROR, "\\\\127.0.0.1\\daten\\archiv\\2025"},
        {"G:", NO_ERROR, "\\\\localhost\\apps\\verwaltung\\2026"},
        {"M:", NO_ERROR, "\\\\127.0.0.2\\export\\abteilung"},
        {"M:\\buchhaltung", NO_ERROR, "\\\\127.0.0.2\\export\\abteilung\\buchhaltung"},
        {"N:\\", NO_ERROR, "\\\\127.0.0.3\\srv\\nfs\\"},
        {"C:", ERROR_NOT_CONNECTED, ""},
        {"C:\\", ERROR_NOT_CONNECTED, ""},
        {"H:", ERROR_NOT_CONNECTED, ""},
        {"Q:", ERROR_NOT_CONNECTED, ""},
        {"", ERROR_BAD_DEVICE, ""},
        {"F", ERROR_BAD_DEVICE, ""},
        {"daten", ERROR_BAD_DEVICE, ""},
        {"\\\\127.0.0.1\\daten", ERROR_BAD_DEVICE, ""},
        {"F:daten", ERROR_BAD_DEVICE, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        DWORD code = 0;
        EXPECT_EQ(unc(*platform, QString::fromUtf8(c.path), &code), QString::fromUtf8(c.unc));
        EXPECT_EQ(code, c.code);
    }
}

TEST_F(WinePrefixTest, NameTooLongForTheBufferAsksForMore)
{
    // 600 characters of path need 1200 bytes and more.
    const QString longDir = QString(100, QLatin1Char('x'));
    const QString deep = QStringList(6, longDir).join(QLatin1Char('/'));
    prefix.link(QLatin1Char('z'), QStringLiteral("unc/127.0.0.1/") + deep);

    DWORD code = 0;
    std::vector<unsigned char> buffer(1024);
    DWORD size = 1024;
    code = platform->WNetGetUniversalNameW(u"Z:", UNIVERSAL_NAME_INFO_LEVEL, buffer.data(), &size);
    EXPECT_EQ(code, ERROR_MORE_DATA);
    EXPECT_GT(size, 1024u);

    buffer.resize(size);
    EXPECT_EQ(unc(*platform, QStringLiteral("Z:"), &code, size),
              QStringLiteral("\\\\127.0.0.1\\") +
                  deep.split(QLatin1Char('/')).join(QLatin1Char('\\')));
}

TEST_F(WinePrefixTest, OnlyTheUniversalLevelIsSupported)
{
    std::vector<unsigned char> buffer(1024);
    DWORD size = 1024;
    EXPECT_EQ(platform->WNetGetUniversalNameW(u"F:", REMOTE_NAME_INFO_LEVEL, buffer.data(), &size),
              ERROR_NOT_SUPPORTED);
}

TEST(MountTable, DeepestMountDecidesAndLocalMountsGiveNoName)
{
    const MountTable table = MountTable::fromMountInfo(
        "22 1 8:1 / / rw - ext4 /dev/vda rw\n"
        "40 22 0:50 / /srv/net rw - cifs //127.0.0.2/export rw\n"
        "41 40 0:51 / /srv/net/local rw - tmpfs tmpfs rw\n"
        "42 22 0:52 / /srv/smb rw - smb3 \\134\\134127.0.0.5\\134share rw\n"
        "garbage line\n");
    EXPECT_EQ(table.uncNameOf(QStringLiteral("/srv/net")), QStringLiteral("\\\\127.0.0.2\\export"));
    EXPECT_EQ(table.uncNameOf(QStringLiteral("/srv/net/a/b")),
              QStringLiteral("\\\\127.0.0.2\\export\\a\\b"));
    EXPECT_EQ(table.uncNameOf(QStringLiteral("/srv/network")), std::nullopt);
    EXPECT_EQ(table.uncNameOf(QStringLiteral("/srv/net/local/x")), std::nullopt);
    EXPECT_EQ(table.uncNameOf(QStringLiteral("/srv/smb")), QStringLiteral("\\\\127.0.0.5\\share"));
    EXPECT_EQ(table.uncNameOf(QStringLiteral("/home")), std::nullopt);
}

TEST(PosixPlatform, PrefixComesFromTheEnvironmentOrHome)
{
    const QByteArray saved = qgetenv("WINEPREFIX");
    qputenv("WINEPREFIX", "/tmp/some-prefix");
    EXPECT_EQ(PosixPlatform::defaultWinePrefix(), QStringLiteral("/tmp/some-prefix"));
    qunsetenv("WINEPREFIX");
    EXPECT_EQ(PosixPlatform::defaultWinePrefix(), QDir::homePath() + QStringLiteral("/.wine"));
    if (!saved.isNull())
        qputenv("WINEPREFIX", saved);
}

TEST(PosixPlatform, CaseIgnoringComparison)
{
    PosixPlatform platform(QStringLiteral("/nonexistent"));
    EXPECT_EQ(
        platform.CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"Server", -1, u"SERVER", -1),
        CSTR_EQUAL);
    EXPECT_EQ(
        platform.CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"alpha", -1, u"Beta", -1),
        CSTR_LESS_THAN);
    EXPECT_EQ(platform.CompareStringW(LOCALE_USER_DEFAULT, 0, u"server", -1, u"SERVER", -1) ==
                  CSTR_EQUAL,
              false);
}

} // namespace
