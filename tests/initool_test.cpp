// quellmark-ini: its commands, options and exit codes against real stand-in servers, as a
// process of its own and in the test's process (where the fake platform makes a name
// unresolvable). The probe's ports are fixed (6262, 2001), so these tests hold a lock on
// them and run one at a time.

#include "AdsIni.h"
#include "Diagnosis.h"
#include "DiscoveryWait.h"
#include "FakePlatform.h"
#include "FileSizeLimit.h"
#include "IniTool.h"
#include "QtPrinters.h"
#include "StandinServer.h"
#include "TempPrefix.h"
#include "dlgMainU.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

struct Ran {
    int code = -1;
    QString out;
    QString err;
};

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

// Servers for every outcome: live at 6262 (.111) and at 2001 only (.112); nothing listens
// at .113.
class IniToolTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        servers = std::make_unique<StandinServer>(
            QStringList{QStringLiteral("127.0.0.111:6262"), QStringLiteral("127.0.0.112:2001")},
            R"({"name":"CLI","shares":["daten","apps","archiv"]})");
    }
    static void TearDownTestSuite() { servers.reset(); }

    // The real program, on a prefix with its drives.
    Ran tool(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), prefix.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QUELLMARK_INI), arguments);
        if (!process.waitForFinished(60000))
            return {};
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

    // The same command in this process, on a platform the test seeds.
    static Ran inProcess(Platform &platform, const QStringList &arguments)
    {
        Ran ran;
        ran.code = IniTool::exitCode(
            IniTool::run(platform, arguments,
                         CommandOutput{[&](const QString &text) { ran.out += text; },
                                       [&](const QString &text) { ran.err += text; }, false}));
        return ran;
    }

    static std::unique_ptr<StandinServer> servers;
    TempPrefix prefix;
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("ADS.INI"));
    QString backup = ini + QStringLiteral(".bak");
};
std::unique_ptr<StandinServer> IniToolTest::servers;

const char *const Preview = "[DRIVES]\n"
                            "F:=\\\\127.0.0.111\\daten\n"
                            "H:=\\\\127.0.0.112\\apps\n"
                            "K:=\\\\127.0.0.113\\archiv\n"
                            "\n"
                            "[127.0.0.111]\nLAN_IP=127.0.0.111\nLAN_PORT=6262\n\n"
                            "[127.0.0.112]\nLAN_IP=127.0.0.112\nLAN_PORT=2001\n\n"
                            "[127.0.0.113]\nLAN_IP=127.0.0.113\nLAN_PORT=0\n\n";

const char *const Written = "[DRIVES]\r\n"
                            "F:=\\\\127.0.0.111\\daten\\\r\n"
                            "H:=\\\\127.0.0.112\\apps\\\r\n"
                            "K:=\\\\127.0.0.113\\archiv\\\r\n"
                            "[127.0.0.111]\r\nLAN_IP=127.0.0.111\r\nLAN_PORT=6262\r\n"
                            "[127.0.0.112]\r\nLAN_IP=127.0.0.112\r\nLAN_PORT=2001\r\n"
                            "[127.0.0.113]\r\nLAN_IP=127.0.0.113\r\nLAN_PORT=0\r\n";

// One workstation's day, in order: every command and option, each with its exit code.
TEST_F(IniToolTest, CommandsOptionsAndExitCodes)
{
    prefix.link(QLatin1Char('f'), QStringLiteral("unc/127.0.0.111/daten"));
    prefix.link(QLatin1Char('h'), QStringLiteral("unc/127.0.0.112/apps"));
    prefix.link(QLatin1Char('k'), QStringLiteral("unc/127.0.0.113/archiv"));
    const QString newFileDiff =
        QStringLiteral("--- /dev/null\n+++ %1\n@@ -0,0 +1,13 @@\n").arg(ini) +
        QString::fromLatin1(Written)
            .remove(QLatin1Char('\r'))
            .replace(QRegularExpression(QStringLiteral("(?m)^(?=.)")), QStringLiteral("+"));
    const QString handEdited = QStringLiteral("; von Hand\r\n[DRIVES]\r\nF:=\\\\alt\\daten\r\n");
    const QString handEditedDiff =
        QStringLiteral("--- %1\n+++ %1\n@@ -1,3 +1,14 @@\n ; von Hand\n [DRIVES]\n"
                       "-F:=\\\\alt\\daten\n+F:=\\\\127.0.0.111\\daten\\\n")
            .arg(ini);

    const struct {
        const char *name;
        QStringList arguments;
        int code;
        std::optional<QString> out; // what standard output is, when it matters whole
        const char *outHolds;       // else what it holds
        QByteArray fileAfter;       // the file afterwards ("(missing)": none)
        QByteArray backupAfter;
        std::function<void()> before; // what changes the file first
    } steps[] = {
        {"version",
         {QStringLiteral("--version")},
         0,
         QStringLiteral("quellmark-ini 0.1.0\n"),
         "",
         "(missing)",
         "(missing)",
         {}},
        {"help", {QStringLiteral("--help")}, 0, {}, "Exit-Codes:", "(missing)", "(missing)", {}},
        {"preview",
         {QStringLiteral("preview")},
         0,
         QString::fromLatin1(Preview),
         "",
         "(missing)",
         "(missing)",
         {}},
        {"diagnose",
         {QStringLiteral("diagnose")},
         0,
         {},
         "abgewiesen (Fehler 6012)",
         "(missing)",
         "(missing)",
         {}},
        {"diff of a missing file",
         {QStringLiteral("diff"), QStringLiteral("--ini"), ini},
         0,
         newFileDiff,
         "",
         "(missing)",
         "(missing)",
         {}},
        {"diff --check, changes pending",
         {QStringLiteral("diff"), QStringLiteral("--check"), QStringLiteral("--ini=") + ini},
         1,
         newFileDiff,
         "",
         "(missing)",
         "(missing)",
         {}},
        {"diff --check --quiet",
         {QStringLiteral("--quiet"), QStringLiteral("diff"), QStringLiteral("--check"),
          QStringLiteral("--ini"), ini},
         1,
         QString(),
         "",
         "(missing)",
         "(missing)",
         {}},
        // Nothing to back up: there was no file.
        {"write a new file",
         {QStringLiteral("write"), QStringLiteral("--ini"), ini},
         0,
         newFileDiff,
         "",
         Written,
         "(missing)",
         {}},
        {"diff --check, nothing pending",
         {QStringLiteral("diff"), QStringLiteral("--check"), QStringLiteral("--ini"), ini},
         0,
         QString(),
         "",
         Written,
         "(missing)",
         {}},
        {"a write that changes nothing leaves the backup alone",
         {QStringLiteral("write"), QStringLiteral("--ini"), ini},
         0,
         QString(),
         "",
         Written,
         "(missing)",
         {}},
        {"diff --check of a changed file",
         {QStringLiteral("diff"), QStringLiteral("--check"), QStringLiteral("--ini"), ini},
         1,
         {},
         "+F:=\\\\127.0.0.111\\daten\\",
         handEdited.toLatin1(),
         "(missing)",
         [&] { writeBytes(ini, handEdited.toLatin1()); }},
        {"write keeps the file as it was",
         {QStringLiteral("write"), QStringLiteral("--ini"), ini},
         0,
         {},
         "",
         "; von Hand\r\n[DRIVES]\r\nF:=\\\\127.0.0.111\\daten\\\r\n"
         "H:=\\\\127.0.0.112\\apps\\\r\nK:=\\\\127.0.0.113\\archiv\\\r\n"
         "[127.0.0.111]\r\nLAN_IP=127.0.0.111\r\nLAN_PORT=6262\r\n"
         "[127.0.0.112]\r\nLAN_IP=127.0.0.112\r\nLAN_PORT=2001\r\n"
         "[127.0.0.113]\r\nLAN_IP=127.0.0.113\r\nLAN_PORT=0\r\n",
         handEdited.toLatin1(),
         {}},
        {"restore gives back the old file byte for byte",
         {QStringLiteral("restore"), QStringLiteral("--ini"), ini},
         0,
         {},
         "-LAN_PORT=6262",
         handEdited.toLatin1(),
         handEdited.toLatin1(),
         {}},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.name);
        if (step.before)
            step.before();
        const Ran ran = tool(step.arguments);
        EXPECT_EQ(ran.code, step.code) << qPrintable(ran.err);
        if (step.out)
            EXPECT_EQ(ran.out, *step.out);
        else
            EXPECT_TRUE(ran.out.contains(QString::fromUtf8(step.outHolds))) << qPrintable(ran.out);
        EXPECT_EQ(ran.err, QString());
        EXPECT_EQ(readBytes(ini), step.fileAfter);
        EXPECT_EQ(readBytes(backup), step.backupAfter);
    }
    EXPECT_TRUE(tool({QStringLiteral("diff"), QStringLiteral("--ini"), ini})
                    .out.startsWith(handEditedDiff));
}

// One line says what is wrong, one how to learn more, as command-line tools do.
TEST_F(IniToolTest, UsageErrorsSayWhatIsWrongAndTouchNothing)
{
    writeBytes(ini, "[S]\r\nk=v\r\n");
    const struct {
        QStringList arguments;
        const char *says;
    } cases[] = {
        {{}, "kein Befehl angegeben"},
        {{QStringLiteral("frobnicate")}, "unbekannter Befehl frobnicate"},
        {{QStringLiteral("--bogus"), QStringLiteral("diff")}, "unbekannte Option --bogus"},
        {{QStringLiteral("diff"), QStringLiteral("--json=1")}, "unbekannte Option --json=1"},
        {{QStringLiteral("-q"), QStringLiteral("diff")}, "unbekannte Option -q"},
        {{QStringLiteral("diff"), QStringLiteral("--ini")}, "--ini braucht einen Pfad"},
        {{QStringLiteral("write"), QStringLiteral("--ini="), ini}, "--ini braucht einen Pfad"},
        {{QStringLiteral("diff"), QStringLiteral("--ini"), ini, QStringLiteral("--ini"), ini},
         "--ini ist zweimal angegeben"},
        {{QStringLiteral("write"), QStringLiteral("--check"), QStringLiteral("--ini"), ini},
         "--check gilt nur mit diff"},
        {{QStringLiteral("diff"), QStringLiteral("write")}, "nur ein Befehl auf einmal"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        const Ran ran = tool(c.arguments);
        EXPECT_EQ(ran.code, 3);
        EXPECT_EQ(ran.out, QString());
        EXPECT_EQ(ran.err, QStringLiteral("quellmark-ini: ") + QString::fromUtf8(c.says) +
                               QStringLiteral("\nAufruf: quellmark-ini BEFEHL [OPTIONEN]; mehr "
                                              "mit --help\n"));
    }
    EXPECT_EQ(readBytes(ini), QByteArray("[S]\r\nk=v\r\n"));
    EXPECT_FALSE(QFileInfo::exists(backup));
}

TEST_F(IniToolTest, FilesThatCannotBeReadWrittenOrRestoredStayAsTheyAre)
{
    FakePlatform platform;
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.111\\daten"));
    platform.addHost("127.0.0.111", {{127, 0, 0, 111}});
    const QByteArray old = "[DRIVES]\r\nF:=alt\r\n";
    const QString folder = dir.filePath(QStringLiteral("ordner"));
    QDir().mkdir(folder);
    const QString precious = dir.filePath(QStringLiteral("nur-fuer-das-system"));
    writeBytes(precious, "[SECRET]\r\n");
    QFile::setPermissions(precious, QFile::ReadOwner | QFile::WriteOwner);
    const struct {
        const char *name;
        QStringList arguments;
        std::function<void()> prepare;
        QString says;
    } cases[] = {
        {"a missing backup",
         {QStringLiteral("restore"), QStringLiteral("--ini"), ini},
         {},
         QStringLiteral("Keine Sicherung: %1 gibt es nicht").arg(backup)},
        {"a read-only file",
         {QStringLiteral("write"), QStringLiteral("--ini"), ini},
         [&] { QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup); },
         QStringLiteral("In %1 kann nicht geschrieben werden: die Datei ist schreibgeschützt")
             .arg(ini)},
        {"a read-only file to restore",
         {QStringLiteral("restore"), QStringLiteral("--ini"), ini},
         [&] {
             writeBytes(backup, "[DRIVES]\r\n");
             QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup);
         },
         QStringLiteral("In %1 kann nicht geschrieben werden: die Datei ist schreibgeschützt")
             .arg(ini)},
        {"a backup that cannot be written",
         {QStringLiteral("write"), QStringLiteral("--ini"), ini},
         [&] {
             writeBytes(backup, "[DRIVES]\r\n");
             QFile::setPermissions(backup, QFile::ReadOwner | QFile::ReadGroup);
         },
         QStringLiteral("In %1 kann nicht geschrieben werden: die Datei ist schreibgeschützt")
             .arg(backup)},
        // A start-up script writes with the highest rights; whoever may write the folder
        // must not be able to aim its backup at a file only the system may write.
        {"a backup name that links to another file",
         {QStringLiteral("write"), QStringLiteral("--ini"), ini},
         [&] { QFile::link(precious, backup); },
         QStringLiteral("In %1 kann nicht geschrieben werden: das ist eine symbolische "
                        "Verknüpfung")
             .arg(backup)},
        {"a backup to restore that links to another file",
         {QStringLiteral("restore"), QStringLiteral("--ini"), ini},
         [&] { QFile::link(precious, backup); },
         QStringLiteral("%1 kann nicht zurückgelegt werden: das ist eine symbolische Verknüpfung")
             .arg(backup)},
        {"a backup to restore that is another file's second name",
         {QStringLiteral("restore"), QStringLiteral("--ini"), ini},
         [&] {
             ::link(QFile::encodeName(precious).constData(), QFile::encodeName(backup).constData());
         },
         QStringLiteral("%1 kann nicht zurückgelegt werden: die Datei hat weitere Namen (harte "
                        "Verknüpfung)")
             .arg(backup)},
        {"a folder",
         {QStringLiteral("diff"), QStringLiteral("--ini"), folder},
         {},
         QStringLiteral("%1 kann nicht gelesen werden: das ist ein Ordner").arg(folder)},
        {"a value the file cannot hold",
         {QStringLiteral("write"), QStringLiteral("--ini"), ini},
         [&] {
             writeBytes(ini, old + "; \xFC\r\n"); // Latin-1, and the drive's path is not
             platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE,
                               QStringLiteral("\\\\127.0.0.111\\daten\u20AC"));
         },
         QStringLiteral("In %1 kann nicht geschrieben werden: ein Name oder Wert enthält "
                        "Zeichen, die die Kodierung der Datei nicht darstellen kann")
             .arg(ini)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        writeBytes(ini, old);
        if (c.prepare)
            c.prepare();
        const QByteArray before = readBytes(ini);
        const QByteArray backupBefore = readBytes(backup);
        const Ran ran = inProcess(platform, c.arguments);
        EXPECT_EQ(ran.code, 2);
        EXPECT_EQ(ran.err, QStringLiteral("quellmark-ini: ") + c.says + QLatin1Char('\n'));
        EXPECT_EQ(ran.out, QString());
        EXPECT_EQ(readBytes(ini), before);
        EXPECT_EQ(readBytes(backup), backupBefore);
        EXPECT_EQ(readBytes(precious), QByteArray("[SECRET]\r\n"));
        EXPECT_FALSE(QFile::permissions(precious) &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther));
        QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(ini);
        QFile::remove(backup);
    }
}

// A server name the file cannot hold as a section ("]") is left out with the reason, the
// rest written: the file then stays as it is write after write, and diff comes back clean.
TEST_F(IniToolTest, ServerNamesTheFileCannotHoldAreLeftOutWithTheReason)
{
    FakePlatform platform;
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\a]b\\daten"));
    platform.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.111\\daten"));
    platform.addHost("127.0.0.111", {{127, 0, 0, 111}});
    const QString reason = QStringLiteral("[a]b] wird nicht eingetragen: ein Abschnittsname kann "
                                          "in ADS.INI kein \"]\" enthalten");
    const QStringList onIni{QStringLiteral("--ini"), ini};

    const Ran preview = inProcess(platform, {QStringLiteral("preview")});
    EXPECT_TRUE(preview.out.contains(QStringLiteral("\n; ") + reason + QStringLiteral("\n\n")))
        << qPrintable(preview.out);
    EXPECT_FALSE(preview.out.contains(QStringLiteral("[a]b]\n")));
    const Ran diagnose = inProcess(platform, {QStringLiteral("diagnose")});
    EXPECT_TRUE(diagnose.out.contains(QStringLiteral("DRIVES F:; ") + reason))
        << qPrintable(diagnose.out);

    QByteArray first;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const Ran write = inProcess(platform, QStringList{QStringLiteral("write")} + onIni);
        EXPECT_EQ(write.code, 0);
        EXPECT_EQ(write.err, QStringLiteral("quellmark-ini: ") + reason + QLatin1Char('\n'));
        if (round == 0)
            first = readBytes(ini);
        EXPECT_EQ(readBytes(ini), first);
    }
    EXPECT_EQ(first, QByteArray("[DRIVES]\r\nF:=\\\\a]b\\daten\\\r\nG:=\\\\127.0.0.111\\daten\\\r\n"
                                "[127.0.0.111]\r\nLAN_IP=127.0.0.111\r\nLAN_PORT=6262\r\n"));
    const Ran check =
        inProcess(platform, QStringList{QStringLiteral("diff"), QStringLiteral("--check"),
                                        QStringLiteral("--json")} +
                                onIni);
    EXPECT_EQ(check.code, 0);
    const QJsonObject json = QJsonDocument::fromJson(check.out.toUtf8()).object();
    const QJsonArray skipped = json[QStringLiteral("skipped")].toArray();
    ASSERT_EQ(skipped.size(), 2);
    EXPECT_EQ(skipped[0][QStringLiteral("section")].toString(), QStringLiteral("a]b"));
    EXPECT_EQ(skipped[0][QStringLiteral("reason")].toString(), reason);
}

// A write that does not fit leaves the old file whole, wherever the space runs out, and the
// older backup with it.
TEST_F(IniToolTest, AFullDiskLeavesTheOldFileWhole)
{
    FakePlatform platform;
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.111\\daten"));
    platform.addDrive(QLatin1Char('H'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.112\\apps"));
    platform.addHost("127.0.0.111", {{127, 0, 0, 111}});
    platform.addHost("127.0.0.112", {{127, 0, 0, 112}});
    constexpr int Limit = 4096;
    int refused = 0;
    int written = 0;
    // Old files a little smaller than the limit: the entries run out of space after each
    // of their keys in turn.
    for (int filler = 0; filler < 61; ++filler) {
        SCOPED_TRACE(filler);
        const QByteArray old = "[KEEP]\r\nx=" + QByteArray(Limit - 200 + 4 * filler, 'x') + "\r\n";
        writeBytes(ini, old);
        writeBytes(backup, "older backup");
        Ran ran;
        {
            const FileSizeLimit limit(Limit);
            ran = inProcess(platform, {QStringLiteral("write"), QStringLiteral("--ini"), ini});
        }
        const QByteArray after = readBytes(ini);
        if (ran.code == 0) {
            ++written;
            EXPECT_TRUE(after.startsWith(old));
            EXPECT_TRUE(after.endsWith("LAN_PORT=2001\r\n"));
            EXPECT_EQ(readBytes(backup), old);
        } else {
            ++refused;
            EXPECT_EQ(ran.code, 2);
            EXPECT_TRUE(ran.err.contains(QStringLiteral("kein Platz auf dem Datenträger")))
                << qPrintable(ran.err);
            EXPECT_EQ(after, old);
            EXPECT_EQ(readBytes(backup), QByteArray("older backup"));
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
    // Both sides were reached.
    EXPECT_GT(written, 0);
    EXPECT_GT(refused, 0);
}

// Output a script cannot read is a failure, not a quiet success; a name the system's
// encoding cannot give back is refused before anything is touched.
TEST_F(IniToolTest, LostOutputAndUnreadableNamesAreErrors)
{
    writeBytes(ini, "[S]\r\nk=v\r\n");
    const QString program = QStringLiteral(QUELLMARK_INI);
    const auto shell = [&](const QString &script, const QStringList &arguments) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("WINEPREFIX"), prefix.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral("/bin/sh"),
                      QStringList{QStringLiteral("-c"), script, program} + arguments);
        process.waitForFinished(60000);
        return Ran{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                   QString::fromUtf8(process.readAllStandardError())};
    };
    const QStringList diff{QStringLiteral("diff"), QStringLiteral("--check"),
                           QStringLiteral("--json"), QStringLiteral("--ini"), ini};
    const struct {
        const char *name;
        const char *script;
    } lost[] = {
        {"a full device", "exec \"$0\" \"$@\" > /dev/full"},
        {"a closed standard output", "exec \"$0\" \"$@\" >&-"},
    };
    for (const auto &c : lost) {
        SCOPED_TRACE(c.name);
        const Ran ran = shell(QString::fromLatin1(c.script), diff);
        EXPECT_EQ(ran.code, 2);
        EXPECT_TRUE(ran.err.startsWith(
            QStringLiteral("quellmark-ini: die Standardausgabe kann nicht geschrieben werden: ")))
            << qPrintable(ran.err);
    }

    // "café.INI" with the é in Latin-1: not UTF-8, so no name Qt could give back.
    const Ran latin1 =
        shell(QStringLiteral("exec \"$0\" write --ini \"$(printf '%s/caf\\351.INI' \"$1\")\""),
              {dir.path()});
    EXPECT_EQ(latin1.code, 3);
    EXPECT_TRUE(latin1.err.contains(QStringLiteral("\"%1/caf\\xE9.INI\" ist in der Kodierung der "
                                                   "Dateinamen (UTF-8) kein gültiger Text")
                                        .arg(dir.path())))
        << qPrintable(latin1.err);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("ADS.INI")});
}

// Restore puts a good backup back over a file it cannot read, and says so; large files get
// a line that they differ instead of a diff that would cost seconds and their size many
// times over.
TEST_F(IniToolTest, RestoreWorksOverAnyFileAndStaysFastAndSmall)
{
    const QByteArray good = "[DRIVES]\r\nF:=\\\\127.0.0.111\\daten\\\r\n";
    const QByteArray corrupt(17 * 1024 * 1024, 'z');
    writeBytes(ini, corrupt);
    writeBytes(backup, good);
    const Ran over = tool({QStringLiteral("restore"), QStringLiteral("--ini"), ini});
    EXPECT_EQ(over.code, 0) << qPrintable(over.err);
    EXPECT_EQ(over.out, QStringLiteral("Die bisherige Datei %1 ist ohne Vergleich ersetzt: "
                                       "größer als 16 MiB\n")
                            .arg(ini));
    EXPECT_EQ(readBytes(ini), good);
    EXPECT_EQ(readBytes(backup), good);

    QByteArray before;
    QByteArray after;
    for (int i = 0; i < 300000; ++i) {
        const QByteArray line = "k" + QByteArray::number(i) + "=" + QByteArray(40, 'v') + "\r\n";
        before += line;
        after += i % 150 == 0 ? "changed" + line : line;
    }
    writeBytes(ini, before);
    writeBytes(backup, after);
    const Ran large = tool({QStringLiteral("restore"), QStringLiteral("--ini"), ini});
    EXPECT_EQ(large.code, 0);
    EXPECT_EQ(large.out, QStringLiteral("Die Datei %1 ändert sich: zu groß für einen zeilenweisen "
                                        "Vergleich (%2 Bytes vorher, %3 Bytes nachher)\n")
                             .arg(ini, QLocale(QLocale::German).toString(before.size()),
                                  QLocale(QLocale::German).toString(after.size())));
    EXPECT_EQ(readBytes(ini), after);
}

// A path with a line break: each header of the diff stays one line, the name escaped as
// diff tools write it.
TEST_F(IniToolTest, NamesWithLineBreaksStayOneHeaderLine)
{
    const QString folder = dir.filePath(QStringLiteral("zwei\nZeilen"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString file = folder + QStringLiteral("/ADS.INI");
    writeBytes(file, "[S]\r\nk=v\r\n");
    writeBytes(file + QStringLiteral(".bak"), "[S]\r\nk=w\r\n");
    const Ran ran = tool({QStringLiteral("restore"), QStringLiteral("--ini"), file});
    EXPECT_EQ(ran.code, 0);
    const QString quoted =
        QLatin1Char('"') + dir.path() + QStringLiteral("/zwei\\nZeilen/ADS.INI\"");
    EXPECT_EQ(ran.out,
              QStringLiteral("--- %1\n+++ %1\n@@ -1,2 +1,2 @@\n [S]\n-k=v\n+k=w\n").arg(quoted));
}

// In English on the command line or by the environment: the help, a wrong call and a file
// that cannot be written say nothing in German; JSON keys and exit codes stay.
TEST_F(IniToolTest, EnglishByTheCommandLineOrTheEnvironment)
{
    const QStringList german{QStringLiteral("Aufruf"),    QStringLiteral("Befehl"),
                             QStringLiteral("Datei"),     QStringLiteral("nicht"),
                             QStringLiteral("kann"),      QStringLiteral("unbekannt"),
                             QStringLiteral("Sicherung"), QStringLiteral("Sprache")};
    const auto englishOnly = [&german](const QString &text) {
        for (const QString &word : german)
            if (text.contains(word))
                return word;
        return QString();
    };
    const Ran help =
        tool({QStringLiteral("--lang"), QStringLiteral("en"), QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Usage: quellmark-ini COMMAND [OPTIONS]")))
        << qPrintable(help.out);
    EXPECT_EQ(englishOnly(help.out), QString()) << qPrintable(help.out);

    const Ran wrong = tool({QStringLiteral("--lang=en"), QStringLiteral("frobnicate")});
    EXPECT_EQ(wrong.code, 3);
    EXPECT_EQ(wrong.err,
              QStringLiteral("quellmark-ini: unknown command frobnicate\n"
                             "Usage: quellmark-ini COMMAND [OPTIONS]; more with --help\n"));

    writeBytes(ini, "[S]\r\nk=v\r\n");
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup);
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("WINEPREFIX"), prefix.path());
    environment.insert(QStringLiteral("QUELLMARK_LANG"), QStringLiteral("en"));
    prefix.link(QLatin1Char('f'), QStringLiteral("unc/127.0.0.111/daten"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(QUELLMARK_INI), {QStringLiteral("write"), QStringLiteral("--json"),
                                                  QStringLiteral("--ini"), ini});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_EQ(
        err, QStringLiteral("quellmark-ini: Cannot write to %1: the file is read-only\n").arg(ini));
    QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner);

    // The diagnosis's words are translated, its JSON keys are not.
    const Ran diagnose = tool({QStringLiteral("--lang"), QStringLiteral("en"),
                               QStringLiteral("diagnose"), QStringLiteral("--json")});
    EXPECT_EQ(diagnose.code, 0);
    const QJsonObject json = QJsonDocument::fromJson(diagnose.out.toUtf8()).object();
    EXPECT_TRUE(json.contains(QStringLiteral("drives")));
    EXPECT_EQ(json[QStringLiteral("drives")].toArray()[0][QStringLiteral("verdict")].toString(),
              QStringLiteral("DRIVES F: and [127.0.0.111], LAN_PORT=6262"));

    const Ran unknown =
        tool({QStringLiteral("--lang"), QStringLiteral("fr"), QStringLiteral("preview")});
    EXPECT_EQ(unknown.code, 3);
    EXPECT_TRUE(unknown.err.startsWith(
        QStringLiteral("quellmark-ini: unbekannte Sprache \"fr\" (de oder en)\n")))
        << qPrintable(unknown.err);
}

// The window and the tool on the same seeded workstation: the tool's JSON holds the
// window's preview and the entries that make it.
TEST_F(IniToolTest, JsonEntriesAreTheWindowsPreview)
{
    FakePlatform platform;
    platform.setExecutablePath(dir.filePath(QStringLiteral("Quellmark")));
    platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.111\\daten"));
    platform.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.111\\apps"));
    platform.addDrive(QLatin1Char('H'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.112\\apps"));
    platform.addDrive(QLatin1Char('K'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.113\\archiv"));
    platform.addDrive(QLatin1Char('L'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.114\\daten"));
    platform.addDrive(QLatin1Char('M'), DRIVE_REMOTE);
    platform.setUniversalNameError(QStringLiteral("M:"), ERROR_NO_NETWORK);
    platform.addHost("127.0.0.111", {{127, 0, 0, 111}});
    platform.addHost("127.0.0.112", {{127, 0, 0, 112}});
    platform.addHost("127.0.0.113", {{127, 0, 0, 113}});
    // 127.0.0.114 does not resolve.

    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    const Ran ran = inProcess(platform, {QStringLiteral("diff"), QStringLiteral("--json")});
    ASSERT_EQ(ran.code, 0) << qPrintable(ran.err);
    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(ran.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << qPrintable(ran.out);

    QStringList preview;
    for (const QJsonValue line : json[QStringLiteral("preview")].toArray())
        preview.append(line.toString());
    EXPECT_EQ(preview.join(QLatin1Char('\n')), form.Memo1->toPlainText());
    // The entries, laid out as the preview lays them out.
    QStringList fromEntries{QStringLiteral("[DRIVES]")};
    QString section = QStringLiteral("DRIVES");
    for (const QJsonValue value : json[QStringLiteral("entries")].toArray()) {
        const QJsonObject entry = value.toObject();
        if (entry[QStringLiteral("section")].toString() != section) {
            section = entry[QStringLiteral("section")].toString();
            fromEntries << QString() << QLatin1Char('[') + section + QLatin1Char(']');
        }
        fromEntries << entry[QStringLiteral("key")].toString() + QLatin1Char('=') +
                           entry[QStringLiteral("value")].toString();
    }
    EXPECT_EQ(fromEntries.join(QLatin1Char('\n')) + QStringLiteral("\n"),
              form.Memo1->toPlainText());

    // Each drive says why; the servers how their probes went.
    QStringList verdicts;
    for (const QJsonValue drive : json[QStringLiteral("drives")].toArray())
        verdicts << drive[QStringLiteral("drive")].toString() + QLatin1Char(' ') +
                        drive[QStringLiteral("verdict")].toString();
    EXPECT_EQ(verdicts,
              QStringList({
                  QStringLiteral("C: kein Eintrag: kein Netzlaufwerk"),
                  QStringLiteral("F: DRIVES F: und [127.0.0.111], LAN_PORT=6262"),
                  QStringLiteral("G: DRIVES G:; der Abschnitt [127.0.0.111] kommt von F:"),
                  QStringLiteral("H: DRIVES H: und [127.0.0.112], LAN_PORT=2001"),
                  QStringLiteral("K: DRIVES K: und [127.0.0.113] mit LAN_PORT=0: kein "
                                 "Datenbankserver antwortet"),
                  QStringLiteral("L: DRIVES L: und [127.0.0.114] mit LAN_IP leer und LAN_PORT=0: "
                                 "Name nicht aufgelöst, kein Datenbankserver antwortet"),
                  QStringLiteral("M: DRIVES M: leer: kein UNC-Pfad"),
              }));
    const QJsonArray probed = json[QStringLiteral("servers")].toArray();
    ASSERT_EQ(probed.size(), 4);
    const auto outcomes = [](const QJsonValue &server) {
        QStringList list;
        for (const QJsonValue port : server[QStringLiteral("ports")].toArray())
            list << QString::number(port[QStringLiteral("port")].toInt()) + QLatin1Char(' ') +
                        port[QStringLiteral("outcome")].toString();
        return list.join(QStringLiteral(", "));
    };
    EXPECT_EQ(outcomes(probed[0]), QStringLiteral("6262 answered"));
    EXPECT_EQ(outcomes(probed[1]), QStringLiteral("6262 refused, 2001 answered"));
    EXPECT_EQ(outcomes(probed[2]), QStringLiteral("6262 refused, 2001 refused"));
    EXPECT_EQ(probed[3][QStringLiteral("lookup")][QStringLiteral("error")].toInt(),
              WSAHOST_NOT_FOUND);
    EXPECT_EQ(json[QStringLiteral("drives")][6][QStringLiteral("uncError")][QStringLiteral("code")]
                  .toInt(),
              int(ERROR_NO_NETWORK));
    // diagnose prints the table the window's "Details…" shows (the times aside, which
    // also change the columns' widths).
    const auto table = [](const QString &text) {
        return text.split(QLatin1Char('\n'))
            .replaceInStrings(QRegularExpression(QStringLiteral("\\d+ ms|\\s+")), QString());
    };
    EXPECT_EQ(table(inProcess(platform, {QStringLiteral("diagnose")}).out),
              table(DiagnosisText(form.Diagnosis())));
    EXPECT_TRUE(json[QStringLiteral("changed")].toBool());
    EXPECT_EQ(json[QStringLiteral("changes")].toArray().size(), 14);
    EXPECT_EQ(json[QStringLiteral("changes")][0].toObject(),
              QJsonObject({{QStringLiteral("section"), QStringLiteral("DRIVES")},
                           {QStringLiteral("key"), QStringLiteral("F:")},
                           {QStringLiteral("before"), QJsonValue::Null},
                           {QStringLiteral("after"), QStringLiteral("\\\\127.0.0.111\\daten\\")}}));
}

} // namespace
