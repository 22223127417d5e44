#include "PosixPlatform.h"
#include "ProfileFile.h"
#include "ProfileText.h"
#include "QtPrinters.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

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
        {"new file", "", "DRIVES", opt("F:"), opt("\\\\srv\\daten"),
         "[DRIVES]\r\nF:=\\\\srv\\daten\r\n"},
        {"empty value", "", "S", opt("k"), opt(""), "[S]\r\nk=\r\n"},
        {"section appended without blank line", "; Kommentar\r\n[ALT]\r\nx=1\r\n", "NEU", opt("k"),
         opt("v"), "; Kommentar\r\n[ALT]\r\nx=1\r\n[NEU]\r\nk=v\r\n"},
        {"last line without line end gets one", "[ALT]\r\nx=1", "NEU", opt("k"), opt("v"),
         "[ALT]\r\nx=1\r\n[NEU]\r\nk=v\r\n"},
        {"value replaced where it stands, key spelling kept",
         "[drives]\nf: = alt ; x\n[Other]\r\ny=2\r\n", " DRIVES ", opt("F:"), opt("neu"),
         "[drives]\nf: =neu\n[Other]\r\ny=2\r\n"},
        {"key added after the last non-blank line", "[DRIVES]\r\nF:=a\r\n\r\n\r\n[X]\r\n", "DRIVES",
         opt("G:"), opt("b"), "[DRIVES]\r\nF:=a\r\nG:=b\r\n\r\n\r\n[X]\r\n"},
        {"key added to a last section without line end", "[S]\r\na=1", "S", opt("b"), opt("2"),
         "[S]\r\na=1\r\nb=2\r\n"},
        {"first matching section and key count", "[S]\na=1\na=2\n[s]\na=3\n", "s", opt("A"),
         opt("9"), "[S]\na=9\na=2\n[s]\na=3\n"},
        {"comments are no keys", "[S]\n;a=1\n", "S", opt("a"), opt("2"), "[S]\n;a=1\na=2\r\n"},
        {"mixed line ends kept", "[A]\rq=1\r[B]\nw=2\r\n", "A", opt("q"), opt("3"),
         "[A]\rq=3\r[B]\nw=2\r\n"},
        {"null value removes the key", "[S]\r\na=1\r\nb=2\r\n", "S", opt("a"), none,
         "[S]\r\nb=2\r\n"},
        {"null key removes the section", "[S]\r\na=1\r\n[T]\r\nb=2\r\n", "S", none, none,
         "[T]\r\nb=2\r\n"},
        {"removing what is not there changes nothing", "[S]\r\n", "T", opt("a"), none, "[S]\r\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<QString> result = applyProfileWrite(
            QString::fromUtf8(c.before), QString::fromUtf8(c.section), c.key, c.value);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, QString::fromUtf8(c.after));
    }
}

TEST(ProfileText, LineBreaksInNamesOrValuesAreRefused)
{
    for (const auto &[section, key, value] :
         {std::tuple{"S\r\n[X]", "k", "v"}, std::tuple{"S", "k\n", "v"},
          std::tuple{"S", "k", "v\rw=1"}}) {
        EXPECT_FALSE(
            applyProfileWrite(QStringLiteral("[S]\r\n"), opt(section), opt(key), opt(value)));
    }
}

class ProfileFileTest : public ::testing::Test {
protected:
    QByteArray read(const QString &file = {}) const
    {
        QFile f(file.isEmpty() ? path : file);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
    }
    void write(const QByteArray &bytes) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    ino_t inode() const
    {
        struct stat info {};
        ::stat(QFile::encodeName(path).constData(), &info);
        return info.st_ino;
    }
    // Every file in the folder, hidden ones too.
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    ProfileRefusal set(const QString &section, const QString &key, const QString &value) const
    {
        return writeProfileString(path, section, key, value);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("ADS.INI"));
};

TEST_F(ProfileFileTest, NewFileIsLocal8BitWithoutByteOrderMark)
{
    ASSERT_EQ(set(QStringLiteral("Büro"), QStringLiteral("LAN_IP"), QStringLiteral("127.0.0.1")),
              ProfileRefusal::None);
    EXPECT_EQ(read(), QStringLiteral("[Büro]\r\nLAN_IP=127.0.0.1\r\n").toLocal8Bit());
}

TEST_F(ProfileFileTest, ByteOrderMarksKeepTheirEncoding)
{
    write(QByteArray("\xEF\xBB\xBF[S]\r\na=\xC3\xA4\r\n"));
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("b"), QStringLiteral("ö")),
              ProfileRefusal::None);
    EXPECT_EQ(read(), QByteArray("\xEF\xBB\xBF[S]\r\na=\xC3\xA4\r\nb=\xC3\xB6\r\n"));

    const QString text = QStringLiteral("[S]\r\na=1\r\n");
    write(QByteArray("\xFF\xFE") +
          QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("ä")),
              ProfileRefusal::None);
    const QString expected = QStringLiteral("[S]\r\na=ä\r\n");
    EXPECT_EQ(read(),
              QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(expected.utf16()),
                                                  expected.size() * 2));
}

// Files the way Windows leaves them: only the written lines are encoded, in the file's
// own encoding; every other byte stays, and a write the encoding cannot hold is refused.
TEST_F(ProfileFileTest, UnchangedLinesKeepTheirBytes)
{
    const struct {
        const char *name;
        QByteArray before;
        const char *section;
        const char *key;
        const char *value;
        ProfileRefusal refusal;
        QByteArray after;
    } cases[] = {
        {"Windows-1252 file in a UTF-8 locale is read as Latin-1",
         "; Gr\xFC\xDF"
         "e\r\n[B\xFCro]\r\nx=\xE4\r\n",
         "Büro", "y", "Köln", ProfileRefusal::None,
         "; Gr\xFC\xDF"
         "e\r\n[B\xFCro]\r\nx=\xE4\r\ny=K\xF6ln\r\n"},
        {"a character Latin-1 lacks is refused", "[S]\r\nx=\xE4\r\n", "S", "y", "€",
         ProfileRefusal::Unencodable, "[S]\r\nx=\xE4\r\n"},
        // The second one is a U+FEFF before the "[": that line is no section header.
        {"only the first byte-order mark is one", "\xEF\xBB\xBF\xEF\xBB\xBF[S]\r\nk=1\r\n", "S",
         "k", "v", ProfileRefusal::None, "\xEF\xBB\xBF\xEF\xBB\xBF[S]\r\nk=1\r\n[S]\r\nk=v\r\n"},
        {"broken UTF-8 after the mark stays", "\xEF\xBB\xBF[S]\r\nold=\xFF\xFE\r\n", "S", "k", "ä",
         ProfileRefusal::None, "\xEF\xBB\xBF[S]\r\nold=\xFF\xFE\r\nk=\xC3\xA4\r\n"},
        {"an odd byte at the end of UTF-16 stays", QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0\x41", 13),
         "S", "k", "v", ProfileRefusal::None,
         QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0\x41", 23)},
        {"a line break in a value is refused", "[S]\r\n", "S", "k", "x\r\n[EVIL]",
         ProfileRefusal::LineBreak, "[S]\r\n"},
        {"the same value again changes nothing", "[S]\r\nk = v \n", "S", "k", " v ",
         ProfileRefusal::None, "[S]\r\nk = v \n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write(c.before);
        EXPECT_EQ(
            set(QString::fromUtf8(c.section), QString::fromUtf8(c.key), QString::fromUtf8(c.value)),
            c.refusal);
        EXPECT_EQ(read(), c.after);
        EXPECT_EQ(files(), QStringList{QStringLiteral("ADS.INI")});
    }
}

TEST_F(ProfileFileTest, ReplacedAtomicallyKeepingPermissions)
{
    write("[S]\r\na=1\r\n");
    ASSERT_TRUE(
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    const ino_t before = inode();
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
              ProfileRefusal::None);
    // A new inode: the file was written beside and renamed over, never rewritten in place.
    EXPECT_NE(inode(), before);
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(read(), QByteArray("[S]\r\na=2\r\n"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("ADS.INI")});
}

TEST_F(ProfileFileTest, LeftoverTemporaryFileIsReplacedAndGone)
{
    write("[S]\r\na=1\r\n");
    QFile stale(dir.filePath(QStringLiteral(".ADS.INI.quellmark-tmp")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(100000, 'x'));
    stale.close();
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
              ProfileRefusal::None);
    EXPECT_EQ(read(), QByteArray("[S]\r\na=2\r\n"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("ADS.INI")});
}

TEST_F(ProfileFileTest, LinksStay)
{
    // A second name of the file sees the change: it is written in place.
    write("[S]\r\na=1\r\n");
    const QString second = dir.filePath(QStringLiteral("second.ini"));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(second).constData()),
              0);
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
              ProfileRefusal::None);
    EXPECT_EQ(read(second), QByteArray("[S]\r\na=2\r\n"));
    QFile::remove(second);

    // A symbolic link stays a link; the file it points to changes.
    const QString real = dir.filePath(QStringLiteral("real.ini"));
    ASSERT_TRUE(QFile::rename(path, real));
    ASSERT_TRUE(QFile::link(real, path));
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("3")),
              ProfileRefusal::None);
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(read(real), QByteArray("[S]\r\na=3\r\n"));
}

// What may lie in the temporary file's place, and what the writer must not do with it.
TEST_F(ProfileFileTest, TemporaryFileNameCannotFoolTheWriter)
{
    const QString temporary = dir.filePath(QStringLiteral(".ADS.INI.quellmark-tmp"));
    const QString other = dir.filePath(QStringLiteral("other.txt"));
    const QByteArray precious = "kept as it is\n";
    const auto makeOther = [&] {
        QFile file(other);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(precious);
    };
    const struct {
        const char *name;
        std::function<void()> place;
        bool stays; // the thing in the temporary file's place is still there afterwards
    } cases[] = {
        // Written through, the other file would lose its data and become ADS.INI.
        {"a hard link to another file",
         [&] {
             makeOther();
             ASSERT_EQ(::link(QFile::encodeName(other).constData(),
                              QFile::encodeName(temporary).constData()),
                       0);
         },
         false},
        // Neither may block every write: the file is written in place then.
        {"a symbolic link to another file",
         [&] {
             makeOther();
             ASSERT_TRUE(QFile::link(other, temporary));
         },
         true},
        {"a dangling symbolic link",
         [&] { ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("nowhere")), temporary)); },
         true},
        {"a folder", [&] { ASSERT_TRUE(QDir().mkdir(temporary)); }, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        write("[S]\r\na=1\r\n");
        c.place();
        ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
                  ProfileRefusal::None);
        EXPECT_EQ(read(), QByteArray("[S]\r\na=2\r\n"));
        EXPECT_FALSE(QFileInfo(path).isSymLink());
        if (QFileInfo::exists(other)) {
            EXPECT_EQ(read(other), precious);
        }
        EXPECT_FALSE(QFileInfo(dir.filePath(QStringLiteral("nowhere"))).exists());
        const QFileInfo left(temporary);
        EXPECT_EQ(left.exists() || left.isSymLink(), c.stays);
        // The next writer finds the same and does the same.
        ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("3")),
                  ProfileRefusal::None);
        EXPECT_EQ(read(), QByteArray("[S]\r\na=3\r\n"));
        if (left.isDir())
            QDir(temporary).removeRecursively();
        QFile::remove(temporary);
        QFile::remove(other);
    }
}

TEST_F(ProfileFileTest, DanglingLinkStaysALinkToTheFileItNames)
{
    const QString real = dir.filePath(QStringLiteral("real.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("real.ini"), path)); // relative, as ln -s makes it
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("1")),
              ProfileRefusal::None);
    EXPECT_TRUE(QFileInfo(path).isSymLink());
    EXPECT_EQ(read(real), QByteArray("[S]\r\na=1\r\n"));

    // A loop of links is no file to write.
    QFile::remove(real);
    ASSERT_TRUE(QFile::link(path, real));
    EXPECT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
              ProfileRefusal::WriteFault);
}

// Qt's plain conversions drop a U+FEFF at the start of what they decode: decoded line by
// line, a key that starts with one never read back, and every write added it again.
TEST_F(ProfileFileTest, ByteOrderMarkCharactersInNamesReadBack)
{
    const QString mark(QChar(0xFEFF));
    const struct {
        const char *name;
        QByteArray before;
    } files[] = {
        {"in the locale's encoding", "[S]\r\n"},
        {"UTF-8 after a mark", "\xEF\xBB\xBF[S]\r\n"},
        {"UTF-16", QByteArray("\xFF\xFE[\0S\0]\0\r\0\n\0", 12)},
    };
    for (const auto &f : files) {
        for (const auto &[section, key] :
             {std::pair{QStringLiteral("S"), mark + QStringLiteral("k")},
              std::pair{mark + QStringLiteral("T"), QStringLiteral("k")}}) {
            SCOPED_TRACE(std::string(f.name) + (key.startsWith(mark) ? ", key" : ", section"));
            write(f.before);
            ASSERT_EQ(set(section, key, QStringLiteral("1")), ProfileRefusal::None);
            const QByteArray once = read();
            ASSERT_EQ(set(section, key, QStringLiteral("1")), ProfileRefusal::None);
            EXPECT_EQ(read(), once);
            const ProfileBytes file = ProfileBytes::read(once);
            EXPECT_EQ(profileValue(file.lines, section, key), QStringLiteral("1"));
            EXPECT_EQ(profileValue(file.lines, QStringLiteral("T"), QStringLiteral("k")),
                      std::nullopt);
        }
    }
}

// An incomplete character at the very end (no line end after it) is part of the line's text:
// once a write gives that line an end, the file must still read the same.
TEST_F(ProfileFileTest, AnIncompleteCharacterAtTheEndReadsTheSameBeforeAndAfter)
{
    const struct {
        const char *name;
        QByteArray before;
    } files[] = {
        {"UTF-8 after a mark, an unclosed section", "\xEF\xBB\xBF[S\xE2"},
        {"UTF-8 after a mark, a key", "\xEF\xBB\xBF[S]\r\nk=\xE2\x82"},
        {"UTF-16, a high surrogate alone", QByteArray("\xFF\xFE[\0S\0\x3D\xD8", 8)},
    };
    for (const auto &f : files) {
        SCOPED_TRACE(f.name);
        write(f.before);
        const ProfileBytes before = ProfileBytes::read(f.before);
        ASSERT_FALSE(before.lines.isEmpty());
        const QString section = before.lines.first().text.mid(1).remove(QLatin1Char(']'));
        ASSERT_EQ(set(section, QStringLiteral("neu"), QStringLiteral("1")), ProfileRefusal::None);
        const ProfileBytes after = ProfileBytes::read(read());
        EXPECT_EQ(after.lines.first().text, before.lines.first().text);
        EXPECT_EQ(profileValue(after.lines, section, QStringLiteral("neu")), QStringLiteral("1"));
    }
}

// As Windows, which refuses to write a file with the read-only attribute whoever asks.
TEST_F(ProfileFileTest, ReadOnlyFilesAndOtherThingsAreRefusedUntouched)
{
    write("[S]\r\na=1\r\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup));
    EXPECT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
              ProfileRefusal::AccessDenied);
    EXPECT_EQ(read(), QByteArray("[S]\r\na=1\r\n"));
    EXPECT_EQ(files(), QStringList{QStringLiteral("ADS.INI")});
    // Writing what is there already is no change, and no refusal.
    EXPECT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("1")),
              ProfileRefusal::None);
    QFile::remove(path);

    // A pipe would be read for ever.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0666), 0);
    EXPECT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
              ProfileRefusal::AccessDenied);
}

TEST_F(ProfileFileTest, RefusedWritesLeaveTheFileUntouched)
{
    write("[S]\r\na=1\r\n");
    EXPECT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("x\r\n[EVIL]")),
              ProfileRefusal::LineBreak);
    EXPECT_EQ(read(), QByteArray("[S]\r\na=1\r\n"));

    const QString directory = dir.filePath(QStringLiteral("sub"));
    QDir().mkdir(directory);
    EXPECT_EQ(writeProfileString(directory, QStringLiteral("S"), QStringLiteral("a"),
                                 QStringLiteral("1")),
              ProfileRefusal::AccessDenied);
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
    EXPECT_EQ(platform.WritePrivateProfileStringW(u"S", u"k", u"a\nb", file.c_str()), FALSE);
    EXPECT_EQ(platform.GetLastError(), DWORD(ERROR_INVALID_DATA));
    EXPECT_EQ(read(), QByteArray("[S]\r\nk=v\r\n"));
}

// The writer child: PROFILE_WRITER_CHILD file section key value [--as-nobody] [--loop]
QProcess *writer(const QStringList &arguments)
{
    auto *process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->start(QStringLiteral(PROFILE_WRITER_CHILD), arguments);
    process->waitForStarted();
    return process;
}

int runWriter(const QStringList &arguments)
{
    const std::unique_ptr<QProcess> process(writer(arguments));
    process->waitForFinished(30000);
    return process->exitCode();
}

// A user's file in a folder only an administrator may write: it is written in place.
TEST_F(ProfileFileTest, ReadOnlyFolderWithWritableFileIsWrittenInPlace)
{
    write("[S]\r\na=1\r\n");
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                          QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                    QFile::WriteOther);
    const ino_t before = inode();
    // As root the folder's mode binds nobody; the writer then drops to an ordinary user.
    const QStringList asUser =
        ::geteuid() == 0 ? QStringList{QStringLiteral("--as-nobody")} : QStringList{};
    EXPECT_EQ(
        runWriter(QStringList{path, QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")} +
                  asUser),
        0);
    EXPECT_EQ(read(), QByteArray("[S]\r\na=2\r\n"));
    EXPECT_EQ(inode(), before);
    EXPECT_EQ(files(), QStringList{QStringLiteral("ADS.INI")});
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(ProfileFileTest, ReplaceKeepsOwnerAndGroup)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a file of another owner needs root";
    write("[S]\r\na=1\r\n");
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 65534), 0);
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("2")),
              ProfileRefusal::None);
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(read(), QByteArray("[S]\r\na=2\r\n"));
}

// A writer killed at any moment leaves the old or the new file, whole, and at most one
// temporary file, which the next write takes over.
TEST_F(ProfileFileTest, KilledWritersLeaveTheOldOrTheNewFile)
{
    const QByteArray filler(20000, 'x');
    write("[S]\r\nfill=" + filler + "\r\na=0\r\n");
    const QSet<QByteArray> whole = {"[S]\r\nfill=" + filler + "\r\na=0\r\n",
                                    "[S]\r\nfill=" + filler + "\r\na=1\r\n",
                                    "[S]\r\nfill=" + filler + "\r\na=2\r\n"};
    QRandomGenerator random(4711);
    for (int round = 0; round < 200; ++round) {
        const std::unique_ptr<QProcess> child(
            writer({path, QStringLiteral("S"), QStringLiteral("a"), QString::number(1 + round % 2),
                    QStringLiteral("--loop")}));
        QThread::usleep(random.bounded(20000));
        ::kill(pid_t(child->processId()), SIGKILL);
        child->waitForFinished(5000);
        ASSERT_TRUE(whole.contains(read())) << "round " << round;
        ASSERT_LE(files().size(), 2) << files().join(QLatin1Char(' ')).toStdString();
    }
    ASSERT_EQ(set(QStringLiteral("S"), QStringLiteral("a"), QStringLiteral("0")),
              ProfileRefusal::None);
    EXPECT_EQ(files(), QStringList{QStringLiteral("ADS.INI")});
}

} // namespace
