#include "PosixPlatform.h"
#include "ProfileFile.h"
#include "ProfileText.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>
#include <sys/stat.h>

namespace {

const std::optional<QString> none;

QString opt(const char *text)
{
    return QString::fromUtf8(text);
}

TEST(ProfileText, WritesFollowTheWindowsRules)
{
    const struct {
        const char *name;
        const char *before;
        const char *section;
        std::optional<QString> key;
        std::optional<QString> value;
        const char *after;
    } cases[] = {
        {"new file", "", "DRIVES", opt("F:"), opt("\\\\srv\\daten"), "[DRIVES]\r\nF:=\\\\srv\\daten\r\n"},
        {"empty value", "", "S", opt("k"), opt(""), "[S]\r\nk=\r\n"},
        {"section appended without blank line",
         "; Kommentar\r\n[ALT]\r\nx=1\r\n", "NEU", opt("k"), opt("v"),
         "; Kommentar\r\n[ALT]\r\nx=1\r\n[NEU]\r\nk=v\r\n"},
        {"last line without line end gets one", "[ALT]\r\nx=1", "NEU", opt("k"), opt("v"),
         "[ALT]\r\nx=1\r\n[NEU]\r\nk=v\r\n"},
        {"value replaced where it stands, key spelling kept",
         "[drives]\nf: = alt ; x\n[Other]\r\ny=2\r\n", " DRIVES ", opt("F:"), opt("neu"),
         "[drives]\nf: =neu\n[Other]\r\ny=2\r\n"},
        {"key added after the last non-blank line",
         "[DRIVES]\r\nF:=a\r\n\r\n\r\n[X]\r\n", "DRIVES", opt("G:"), opt("b"),
         "[DRIVES]\r\nF:=a\r\nG:=b\r\n\r\n\r\n[X]\r\n"},
        {"key added to a last section without line end", "[S]\r\na=1", "S", opt("b"), opt("2"),
         "[S]\r\na=1\r\nb=2\r\n"},
        {"first matching section and key count", "[S]\na=1\na=2\n[s]\na=3\n", "s", opt("A"), opt("9"),
         "[S]\na=9\na=2\n[s]\na=3\n"},
        {"comments are no keys", "[S]\n;a=1\n", "S", opt("a"), opt("2"), "[S]\n;a=1\na=2\r\n"},
        {"mixed line ends kept", "[A]\rq=1\r[B]\nw=2\r\n", "A", opt("q"), opt("3"), "[A]\rq=3\r[B]\nw=2\r\n"},
        {"null value removes the key", "[S]\r\na=1\r\nb=2\r\n", "S", opt("a"), none, "[S]\r\nb=2\r\n"},
        {"null key removes the section", "[S]\r\na=1\r\n[T]\r\nb=2\r\n", "S", none, none, "[T]\r\nb=2\r\n"},
        {"removing what is not there changes nothing", "[S]\r\n", "T", opt("a"), none, "[S]\r\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QString> result =
            applyProfileWrite(QString::fromUtf8(c.before), QString::fromUtf8(c.section), c.key, c.value);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, QString::fromUtf8(c.after));
    }
}

TEST(ProfileText, LineBreaksInNamesOrValuesAreRefused)
{
    for (const auto &[section, key, value] :
         {std::tuple{"S\r\n[X]", "k", "v"}, std::tuple{"S", "k\n", "v"}, std::tuple{"S", "k", "v\rw=1"}}) {
        EXPECT_FALSE(applyProfileWrite(QStringLiteral("[S]\r\n"), opt(section), opt(key), opt(value)));
    }
}

class ProfileFileTest : public ::testing::Test {
protected:
    QByteArray read() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }
    void write(const QByteArray &bytes) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("ADS.INI"));
};

TEST_F(ProfileFileTest, NewFileIsLocal8BitWithoutByteOrderMark)
{
    ASSERT_TRUE(writeProfileString(path, QStringLiteral("Büro"), QStringLiteral("LAN_IP"), QStringLiteral("127.0.0.1")));
    EXPECT_EQ(read(), QStringLiteral("[Büro]\r\nLAN_IP=127.0.0.1\r\n").toLocal8Bit());
}

TEST_F(ProfileFileTest, ByteOrderMarksKeepTheirEncoding)
{
    write(QByteArray("\xEF\xBB\xBF[S]\r\na=\xC3\xA4\r\n"));
    ASSERT_TRUE(writeProfileString(path, QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("ö")));
    EXPECT_EQ(read(), QByteArray("\xEF\xBB\xBF[S]\r\na=\xC3\xA4\r\nb=\xC3\xB6\r\n"));

    const QString text = QStringLiteral("[S]\r\na=1\r\n");
    write(QByteArray("\xFF\xFE") +
          QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
    ASSERT_TRUE(writeProfileString(path, QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("ä")));
    const QString expected = QStringLiteral("[S]\r\na=ä\r\n");
    EXPECT_EQ(read(), QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(expected.utf16()),
                                                          expected.size() * 2));
}

TEST_F(ProfileFileTest, ReplacedAtomicallyKeepingPermissions)
{
    write("[S]\r\na=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    struct stat before{};
    ::stat(QFile::encodeName(path).constData(), &before);
    ASSERT_TRUE(writeProfileString(path, QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")));
    struct stat after{};
    ::stat(QFile::encodeName(path).constData(), &after);
    // A new inode: the file was written beside and renamed over, never rewritten in place.
    EXPECT_NE(before.st_ino, after.st_ino);
    EXPECT_EQ(after.st_mode & 0777, 0640u);
    EXPECT_EQ(read(), QByteArray("[S]\r\na=2\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("ADS.INI")});
}

TEST_F(ProfileFileTest, RefusedWritesLeaveTheFileUntouched)
{
    write("[S]\r\na=1\r\n");
    EXPECT_FALSE(writeProfileString(path, QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("x\r\n[EVIL]")));
    EXPECT_EQ(read(), QByteArray("[S]\r\na=1\r\n"));

    const QString directory = dir.filePath(QStringLiteral("sub"));
    QDir().mkdir(directory);
    EXPECT_FALSE(writeProfileString(directory, QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("1")));
    EXPECT_TRUE(QFileInfo(directory).isDir());
}

TEST_F(ProfileFileTest, PlatformCallFlushesAndRefusesAsWindowsDoes)
{
    PosixPlatform platform{QString()};
    const std::u16string file = path.toStdU16String();
    EXPECT_EQ(platform.WritePrivateProfileStringW(nullptr, nullptr, nullptr, file.c_str()), TRUE);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(platform.WritePrivateProfileStringW(u"S", u"k", u"v", file.c_str()), TRUE);
    EXPECT_EQ(platform.WritePrivateProfileStringW(nullptr, u"k", u"v", file.c_str()), FALSE);
    EXPECT_EQ(platform.WritePrivateProfileStringW(u"S", u"k", u"v", nullptr), FALSE);
    EXPECT_EQ(read(), QByteArray("[S]\r\nk=v\r\n"));
}

} // namespace
