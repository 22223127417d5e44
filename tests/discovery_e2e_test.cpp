// Discovery, preview, ADS.INI and "Details…" through the real main window, the real engine
// and real stand-in servers. The probe's ports are fixed (6262, 2001), so these tests hold a
// lock on them and run one at a time.

#include "AdsIni.h"
#include "AnsweredBoxes.h"
#include "Blackhole.h"
#include "ChildProcess.h"
#include "DetailsDialog.h"
#include "Discovery.h"
#include "DiscoveryWait.h"
#include "FakePlatform.h"
#include "PlacedPlatform.h"
#include "QtPrinters.h"
#include "ShapeButton.h"
#include "StandinServer.h"
#include "TempPrefix.h"
#include "TextTable.h"
#include "adscnnct.h"
#include "dlgMainU.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QStringList probes(StandinServer &server)
{
    QStringList shares;
    for (const QString &line :
         server.log().filter(QRegularExpression(QStringLiteral("^(connect|refused) "))))
        shares.append(line.section(QStringLiteral("share="), 1));
    return shares;
}

// --- discovery on a seeded platform ------------------------------------------------------

class DiscoveryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        servers = std::make_unique<StandinServer>(
            QStringList{QStringLiteral("127.0.0.41:6262"), QStringLiteral("127.0.0.42:2001")});
    }
    static void TearDownTestSuite() { servers.reset(); }

    std::vector<TAdsServerInfo> discover()
    {
        TAdsConnection connection;
        TServerInfoList list(platform);
        DiscoverServers(platform, connection, list);
        EXPECT_FALSE(connection.IsConnected());
        std::vector<TAdsServerInfo> records;
        for (int i = 0; i < list.Count(); ++i) {
            EXPECT_EQ(list.Name(i), list.Record(i)->ServerName);
            records.push_back(*list.Record(i));
        }
        return records;
    }

    FakePlatform platform;
    static std::unique_ptr<StandinServer> servers;
};
std::unique_ptr<StandinServer> DiscoveryTest::servers;

TEST_F(DiscoveryTest, PortOutcomesAndAddresses)
{
    platform.addDrive(QLatin1Char('D'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.41\\daten"));
    platform.addDrive(QLatin1Char('E'), DRIVE_REMOTE,
                      QStringLiteral("\\\\127.0.0.42\\apps\\verwaltung"));
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.43\\archiv"));
    platform.addHost("127.0.0.41", {{127, 0, 0, 41}});
    platform.addHost("127.0.0.42", {{127, 0, 0, 42}});
    // 127.0.0.43 does not resolve: it keeps an empty address and is probed by name.

    const std::vector<TAdsServerInfo> records = discover();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].ServerName, QStringLiteral("127.0.0.41"));
    EXPECT_EQ(records[0].LAN_IP, QStringLiteral("127.0.0.41"));
    EXPECT_EQ(records[0].LAN_PORT, 6262u);
    EXPECT_TRUE(records[0].AVaible);
    EXPECT_EQ(records[1].LAN_PORT, 2001u);
    EXPECT_TRUE(records[1].AVaible);
    EXPECT_EQ(records[2].LAN_IP, QString());
    EXPECT_EQ(records[2].LAN_PORT, 0u);
    EXPECT_FALSE(records[2].AVaible);
    // The folder's name, not the share's, is what a probe below a share asks for.
    EXPECT_EQ(probes(*servers),
              QStringList({QStringLiteral("daten"), QStringLiteral("verwaltung")}));
}

TEST_F(DiscoveryTest, OneRecordPerServerNamedAndProbedThroughItsFirstDrive)
{
    platform.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.41\\erste"));
    platform.addDrive(QLatin1Char('H'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.41\\zweite"));
    const std::vector<TAdsServerInfo> records = discover();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(probes(*servers).filter(QStringLiteral("zweite")), QStringList());
    EXPECT_TRUE(platform.calls.contains(QStringLiteral("CompareStringW(127.0.0.41,127.0.0.41)")));
    EXPECT_EQ(platform.startups, 1);
}

TEST_F(DiscoveryTest, NamesDifferingOnlyInCaseAreOneServer)
{
    FakePlatform &p = platform;
    p.addDrive(QLatin1Char('J'), DRIVE_REMOTE, QStringLiteral("\\\\LocalHost\\daten"));
    p.addDrive(QLatin1Char('K'), DRIVE_REMOTE, QStringLiteral("\\\\localhost\\apps"));
    // Nothing needs to answer: the records are what counts.
    TAdsConnection connection;
    TServerInfoList list(p);
    DiscoverServers(p, connection, list);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Name(0), QStringLiteral("LocalHost"));
}

TEST_F(DiscoveryTest, UnresolvedDrivesAddNothingAndNoDrivesGiveAnEmptyList)
{
    EXPECT_TRUE(discover().empty());
    platform.addDrive(QLatin1Char('L'), DRIVE_REMOTE, QString());
    platform.addDrive(QLatin1Char('M'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.42\\apps"));
    platform.setUniversalNameError(QStringLiteral("L:"), ERROR_NO_NETWORK);
    const std::vector<TAdsServerInfo> records = discover();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ServerName, QStringLiteral("127.0.0.42"));
}

// --- the main window end to end ----------------------------------------------------------

class MainWindowEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        servers = std::make_unique<StandinServer>(
            QStringList{QStringLiteral("127.0.0.1:6262"), QStringLiteral("127.0.0.2:2001")},
            R"({"name":"E2E","shares":["daten","apps","verwaltung","archiv"]})");
    }
    static void TearDownTestSuite() { servers.reset(); }

    MainWindowEndToEnd()
    {
        prefix.makeDir(QStringLiteral("drive_c"));
        prefix.link(QLatin1Char('c'), QStringLiteral("../drive_c"));
        prefix.link(QLatin1Char('f'), QStringLiteral("unc/localhost/daten"));
        prefix.link(QLatin1Char('g'), QStringLiteral("unc/127.0.0.1/daten"));
        prefix.link(QLatin1Char('h'), QStringLiteral("unc/127.0.0.2/apps/verwaltung"));
        prefix.link(QLatin1Char('k'), QStringLiteral("unc/127.0.0.3/archiv"));
    }

    QByteArray iniBytes() const
    {
        QFile file(iniPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    }

    static std::unique_ptr<StandinServer> servers;
    TempPrefix prefix;
    QTemporaryDir programDir;
    QString iniPath = programDir.filePath(QStringLiteral("ADS.INI"));
    PlacedPlatform platform{prefix.path(), programDir.filePath(QStringLiteral("Quellmark"))};
};
std::unique_ptr<StandinServer> MainWindowEndToEnd::servers;

const char *const DemoPreview = "[DRIVES]\n"
                                "F:=\\\\localhost\\daten\n"
                                "G:=\\\\127.0.0.1\\daten\n"
                                "H:=\\\\127.0.0.2\\apps\\verwaltung\n"
                                "K:=\\\\127.0.0.3\\archiv\n"
                                "\n"
                                "[localhost]\nLAN_IP=127.0.0.1\nLAN_PORT=6262\n\n"
                                "[127.0.0.1]\nLAN_IP=127.0.0.1\nLAN_PORT=6262\n\n"
                                "[127.0.0.2]\nLAN_IP=127.0.0.2\nLAN_PORT=2001\n\n"
                                "[127.0.0.3]\nLAN_IP=127.0.0.3\nLAN_PORT=0\n";

const char *const DemoIni = "[DRIVES]\r\n"
                            "F:=\\\\localhost\\daten\\\r\n"
                            "G:=\\\\127.0.0.1\\daten\\\r\n"
                            "H:=\\\\127.0.0.2\\apps\\verwaltung\\\r\n"
                            "K:=\\\\127.0.0.3\\archiv\\\r\n"
                            "[localhost]\r\nLAN_IP=127.0.0.1\r\nLAN_PORT=6262\r\n"
                            "[127.0.0.1]\r\nLAN_IP=127.0.0.1\r\nLAN_PORT=6262\r\n"
                            "[127.0.0.2]\r\nLAN_IP=127.0.0.2\r\nLAN_PORT=2001\r\n"
                            "[127.0.0.3]\r\nLAN_IP=127.0.0.3\r\nLAN_PORT=0\r\n";

TEST_F(MainWindowEndToEnd, PreviewAndWrittenFile)
{
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(form.cmbDrives->currentText(), QStringLiteral("F:"));
    EXPECT_EQ(form.wwDBEdit1->text(), QStringLiteral("\\\\localhost\\daten"));
    EXPECT_EQ(form.Memo1->toPlainText(), QString::fromUtf8(DemoPreview));
    EXPECT_FALSE(form.AdsConnection->IsConnected());

    AnsweredBoxes watcher;
    form.fcShapeBtn2->click();
    EXPECT_EQ(iniBytes(), QByteArray(DemoIni));
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_EQ(watcher.boxes[0].caption, QStringLiteral("Informationen"));
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Information);
    EXPECT_EQ(watcher.boxes[0].text,
              QStringLiteral("Die Konfigurationsdatei \"%1\" wurde aktualisiert!").arg(iniPath));

    // Pressing it again replaces the same keys: nothing is duplicated.
    form.fcShapeBtn2->click();
    EXPECT_EQ(iniBytes(), QByteArray(DemoIni));
}

TEST_F(MainWindowEndToEnd, ExistingFileKeepsEverythingElse)
{
    const QByteArray existing = "; Von Hand gepflegt\r\n"
                                "[SETTINGS]\r\nCOMPRESSION=ALWAYS\r\n\r\n"
                                "[DRIVES]\r\nX:=\\\\alt\\laufwerk\r\nF:=\\\\vorher\\da\r\n\r\n"
                                "[127.0.0.2]\nLAN_IP=10.0.0.2\nLAN_PORT=6262\n";
    {
        QFile file(iniPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(existing);
    }
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    AnsweredBoxes watcher;
    form.fcShapeBtn2->click();
    EXPECT_EQ(iniBytes(),
              QByteArray("; Von Hand gepflegt\r\n"
                         "[SETTINGS]\r\nCOMPRESSION=ALWAYS\r\n\r\n"
                         "[DRIVES]\r\nX:=\\\\alt\\laufwerk\r\nF:=\\\\localhost\\daten\\\r\n"
                         "G:=\\\\127.0.0.1\\daten\\\r\nH:=\\\\127.0.0.2\\apps\\verwaltung\\\r\n"
                         "K:=\\\\127.0.0.3\\archiv\\\r\n\r\n"
                         "[127.0.0.2]\nLAN_IP=127.0.0.2\nLAN_PORT=2001\n"
                         "[localhost]\r\nLAN_IP=127.0.0.1\r\nLAN_PORT=6262\r\n"
                         "[127.0.0.1]\r\nLAN_IP=127.0.0.1\r\nLAN_PORT=6262\r\n"
                         "[127.0.0.3]\r\nLAN_IP=127.0.0.3\r\nLAN_PORT=0\r\n"));
}

TEST_F(MainWindowEndToEnd, UnwritableTargetShowsTheErrorAndNoSuccess)
{
    ASSERT_TRUE(QDir(programDir.path()).mkdir(QStringLiteral("ADS.INI")));
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    AnsweredBoxes watcher;
    form.fcShapeBtn2->click();
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
    EXPECT_EQ(watcher.boxes[0].text,
              QStringLiteral("In %1 kann nicht geschrieben werden.").arg(iniPath));
    EXPECT_TRUE(QFileInfo(iniPath).isDir());
}

// The file is replaced whole: a write the system refuses leaves it as it was; an entry the
// file cannot take stops the writer with the entries before it written, as key by key.
TEST(MainWindowWriter, RefusalsLeaveTheFileWholeOrWithTheEntriesBefore)
{
    QTemporaryDir programDir;
    const QString iniPath = programDir.filePath(QStringLiteral("ADS.INI"));
    FakePlatform platform;
    platform.setExecutablePath(programDir.filePath(QStringLiteral("Quellmark")));
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.3\\daten"));
    platform.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.3\\apps"));
    platform.setUniversalName(QStringLiteral("G:\\"), QStringLiteral("\\\\127.0.0.3\\a\r\n[X]"));
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    const auto click = [&] {
        AnsweredBoxes watcher;
        form.fcShapeBtn2->click();
        EXPECT_EQ(watcher.boxes.size(), 1);
        return watcher.boxes.value(0);
    };
    const auto contents = [&] {
        QFile file(iniPath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    };

    const auto lineBreak = click();
    EXPECT_EQ(lineBreak.icon, QMessageBox::Critical);
    EXPECT_EQ(lineBreak.text, QStringLiteral("In %1 kann nicht geschrieben werden: ein Name oder "
                                             "Wert enthält einen Zeilenumbruch.")
                                  .arg(iniPath));
    EXPECT_EQ(contents(), QByteArray("[DRIVES]\r\nF:=\\\\127.0.0.3\\daten\\\r\n"));

    platform.setUniversalName(QStringLiteral("G:\\"), QStringLiteral("\\\\127.0.0.3\\apps\\"));
    ASSERT_TRUE(QFile::setPermissions(iniPath, QFile::ReadOwner | QFile::ReadGroup));
    const auto readOnly = click();
    EXPECT_EQ(readOnly.text, QStringLiteral("In %1 kann nicht geschrieben werden.").arg(iniPath));
    EXPECT_EQ(contents(), QByteArray("[DRIVES]\r\nF:=\\\\127.0.0.3\\daten\\\r\n"));
    // No flush after a refusal.
    EXPECT_TRUE(platform.calls.filter(QStringLiteral("(null),(null),(null)")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(iniPath + QStringLiteral(".bak")));
}

TEST(MainWindowWriter, NoDrivesWritesNothingAndStillReportsSuccess)
{
    QTemporaryDir programDir;
    FakePlatform platform;
    platform.setExecutablePath(programDir.filePath(QStringLiteral("Quellmark")));
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(form.Memo1->toPlainText(), QStringLiteral("[DRIVES]\n"));
    AnsweredBoxes watcher;
    form.fcShapeBtn2->click();
    ASSERT_EQ(watcher.boxes.size(), 1);
    EXPECT_EQ(watcher.boxes[0].caption, QStringLiteral("Informationen"));
    EXPECT_EQ(platform.calls.filter(QStringLiteral("WritePrivateProfileStringW")),
              QStringList{QStringLiteral("WritePrivateProfileStringW((null),(null),(null),%1)")
                              .arg(programDir.filePath(QStringLiteral("ADS.INI")))});
}

// Discovery resolves each drive once: the preview shows what "Details…" shows and what was
// probed. Writing resolves each root anew, so a drive reconnected since start-up is written
// with its new path.
TEST(MainWindowWriter, PreviewShowsTheDrivesAsDiscoveredTheFileAsTheyAreNow)
{
    QTemporaryDir programDir;
    FakePlatform platform;
    platform.setExecutablePath(programDir.filePath(QStringLiteral("Quellmark")));
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.3\\daten"));
    platform.addDrive(QLatin1Char('G'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.3\\apps"));
    TForm1 form(platform);
    // Reconnected while the server is probed.
    platform.setUniversalName(QStringLiteral("G:"), QStringLiteral("\\\\127.0.0.3\\neu"));
    platform.setUniversalName(QStringLiteral("G:\\"), QStringLiteral("\\\\127.0.0.3\\neu\\"));
    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(form.Memo1->toPlainText(),
              QStringLiteral("[DRIVES]\nF:=\\\\127.0.0.3\\daten\nG:=\\\\127.0.0.3\\apps\n\n"
                             "[127.0.0.3]\nLAN_IP=\nLAN_PORT=0\n"));
    ASSERT_EQ(form.Diagnosis().drives.size(), 2u);
    EXPECT_EQ(form.Diagnosis().drives[1].uncPath, QStringLiteral("\\\\127.0.0.3\\apps"));
    // Each root asked once, the drive resolved once.
    EXPECT_EQ(platform.calls.filter(QStringLiteral("GetDriveTypeW")).size(), 26);
    EXPECT_EQ(platform.calls.filter(QStringLiteral("WNetGetUniversalNameW(G:,")).size(), 1);

    AnsweredBoxes watcher;
    form.fcShapeBtn2->click();
    ASSERT_EQ(watcher.boxes.size(), 1);
    QFile written(programDir.filePath(QStringLiteral("ADS.INI")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), QByteArray("[DRIVES]\r\nF:=\\\\127.0.0.3\\daten\\\r\n"
                                            "G:=\\\\127.0.0.3\\neu\\\r\n"
                                            "[127.0.0.3]\r\nLAN_IP=\r\nLAN_PORT=0\r\n"));
}

// --- probes side by side -------------------------------------------------------------

// Every kind of server a workstation meets, behind drives in an order that matters.
class SideBySide : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        servers = std::make_unique<StandinServer>(
            QStringList{QStringLiteral("127.0.0.1:6262"), QStringLiteral("127.0.0.52:2001")},
            R"({"name":"E2E","shares":["daten","apps","verwaltung","archiv"]})");
        // Switched off behind a dropping firewall: both ports swallow the connect.
        blackholes.push_back(std::make_unique<Blackhole>(QStringLiteral("127.0.0.54"), 6262));
        blackholes.push_back(std::make_unique<Blackhole>(QStringLiteral("127.0.0.54"), 2001));
    }
    static void TearDownTestSuite()
    {
        blackholes.clear();
        servers.reset();
    }

    SideBySide() { platform.setExecutablePath(programDir.filePath(QStringLiteral("Quellmark"))); }

    void addDrive(char letter, const char *unc)
    {
        platform.addDrive(QLatin1Char(letter), DRIVE_REMOTE, QString::fromLatin1(unc));
    }

    static std::unique_ptr<StandinServer> servers;
    static std::vector<std::unique_ptr<Blackhole>> blackholes;
    QTemporaryDir programDir;
    FakePlatform platform;
};
std::unique_ptr<StandinServer> SideBySide::servers;
std::vector<std::unique_ptr<Blackhole>> SideBySide::blackholes;

TEST_F(SideBySide, PreviewAndFileAreWhatOneAfterAnotherGives)
{
    addDrive('D', "\\\\localhost\\daten");             // live at 6262
    addDrive('E', "\\\\127.0.0.1\\daten");             // the same server by its address
    addDrive('F', "\\\\127.0.0.52\\apps\\verwaltung"); // live at 2001 only
    addDrive('G', "\\\\127.0.0.53\\archiv");           // refuses both ports
    addDrive('H', "\\\\127.0.0.54\\daten");            // blackholed
    addDrive('I', "\\\\127.0.0.55\\daten");            // does not resolve
    addDrive('J', "\\\\LOCALHOST\\apps");              // case twin of D: no record of its own
    platform.addHost("localhost", {{127, 0, 0, 1}});
    platform.addHost("127.0.0.1", {{127, 0, 0, 1}});
    platform.addHost("127.0.0.52", {{127, 0, 0, 52}});
    platform.addHost("127.0.0.53", {{127, 0, 0, 53}});
    platform.addHost("127.0.0.54", {{127, 0, 0, 54}});

    TAdsConnection connection;
    TServerInfoList serial(platform);
    Discovery serialRun(platform);
    serialRun.runInTurn(serial, connection);
    const QStringList drives{QStringLiteral("D:"), QStringLiteral("E:"), QStringLiteral("F:"),
                             QStringLiteral("G:"), QStringLiteral("H:"), QStringLiteral("I:"),
                             QStringLiteral("J:")};
    ASSERT_EQ(serialRun.networkDrives(), drives);
    const QString serialPreview = AdsIni::PreviewLines(serialRun).join(QLatin1Char('\n'));
    const QString serialFile = programDir.filePath(QStringLiteral("serial.ini"));
    AdsIni::Write(platform, serialFile, drives, serial);
    // What one after another gives is itself right.
    EXPECT_TRUE(
        serialPreview.endsWith(QStringLiteral("[localhost]\nLAN_IP=127.0.0.1\nLAN_PORT=6262\n\n"
                                              "[127.0.0.1]\nLAN_IP=127.0.0.1\nLAN_PORT=6262\n\n"
                                              "[127.0.0.52]\nLAN_IP=127.0.0.52\nLAN_PORT=2001\n\n"
                                              "[127.0.0.53]\nLAN_IP=127.0.0.53\nLAN_PORT=0\n\n"
                                              "[127.0.0.54]\nLAN_IP=127.0.0.54\nLAN_PORT=0\n\n"
                                              "[127.0.0.55]\nLAN_IP=\nLAN_PORT=0\n")))
        << qPrintable(serialPreview);

    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(form.Memo1->toPlainText(), serialPreview);
    ASSERT_EQ(form.ServerInfo->Count(), serial.Count());
    for (int i = 0; i < serial.Count(); ++i) {
        EXPECT_EQ(form.ServerInfo->Name(i), serial.Name(i));
        EXPECT_EQ(form.ServerInfo->Record(i)->AVaible, serial.Record(i)->AVaible) << i;
    }
    AnsweredBoxes watcher;
    form.fcShapeBtn2->click();
    QFile written(programDir.filePath(QStringLiteral("ADS.INI")));
    QFile expected(serialFile);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), expected.readAll());
}

TEST_F(SideBySide, WindowFirstProgressMeanwhileWriteOnlyOnceDone)
{
    addDrive('F', "\\\\localhost\\daten");
    addDrive('H', "\\\\127.0.0.54\\daten");
    platform.addHost("localhost", {{127, 0, 0, 1}});
    platform.addHost("127.0.0.54", {{127, 0, 0, 54}});

    TForm1 form(platform);
    QSignalSpy finished(&form, &TForm1::discoveryFinished);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    // The window and the drives are there while the blackholed server is still probed.
    EXPECT_FALSE(form.DiscoveryDone());
    EXPECT_EQ(finished.count(), 0);
    EXPECT_EQ(form.cmbDrives->count(), 2);
    EXPECT_EQ(form.wwDBEdit1->text(), QStringLiteral("\\\\localhost\\daten"));
    EXPECT_FALSE(form.fcShapeBtn2->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return form.Memo1->toPlainText() ==
               QStringLiteral("Datenbankserver werden gesucht: 1 von 2 geprüft ...\n"
                              "Wird geprüft: 127.0.0.54");
    })) << qPrintable(form.Memo1->toPlainText());

    AnsweredBoxes watcher;
    form.fcShapeBtn2->click();
    EXPECT_TRUE(watcher.boxes.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(programDir.filePath(QStringLiteral("ADS.INI"))));

    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(finished.count(), 1);
    EXPECT_TRUE(form.fcShapeBtn2->isEnabled());
    EXPECT_TRUE(form.Memo1->toPlainText().startsWith(QStringLiteral("[DRIVES]\n")));
    form.fcShapeBtn2->click();
    EXPECT_EQ(watcher.boxes.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(programDir.filePath(QStringLiteral("ADS.INI"))));
}

TEST_F(SideBySide, ClosingWhileProbingEndsAtOnceAndWritesNothing)
{
    TempPrefix prefix;
    prefix.link(QLatin1Char('f'), QStringLiteral("unc/127.0.0.1/daten"));
    prefix.link(QLatin1Char('h'), QStringLiteral("unc/127.0.0.54/daten"));
    const QString outputPath = programDir.filePath(QStringLiteral("child.out"));
    QElapsedTimer clock;
    clock.start();
    ChildProcess child(QStringLiteral(DISCOVERY_CLOSE_CHILD),
                       {prefix.path(), programDir.filePath(QStringLiteral("Quellmark"))},
                       outputPath, true);
    ASSERT_TRUE(child.waitForFinished(30000));
    const qint64 elapsed = clock.elapsed();
    QFile outputFile(outputPath);
    ASSERT_TRUE(outputFile.open(QIODevice::ReadOnly));
    const QString output = QString::fromLocal8Bit(outputFile.readAll());
    outputFile.remove();
    EXPECT_EQ(child.exitCode(), 0) << qPrintable(output);
    EXPECT_TRUE(output.contains(QStringLiteral("closed while probing"))) << qPrintable(output);
    // The blackholed server alone takes two connect time-outs (2 x 3 s); the program
    // ended well before either could pass.
    EXPECT_LT(elapsed, 5500) << qPrintable(output);
    EXPECT_TRUE(QDir(programDir.path()).entryList(QDir::Files).isEmpty());
}

TEST(MainWindowHint, WithoutAnyPrefixThePreviewSaysWhereDrivesComeFrom)
{
    QTemporaryDir programDir;
    PlacedPlatform platform(programDir.filePath(QStringLiteral("kein-praefix")),
                            programDir.filePath(QStringLiteral("Quellmark")));
    TForm1 form(platform);
    ASSERT_TRUE(waitForDiscovery(form));
    EXPECT_EQ(form.cmbDrives->count(), 0);
    EXPECT_EQ(form.Memo1->toPlainText(), platform.driveSourceHint());
    EXPECT_TRUE(form.Memo1->toPlainText().contains(QStringLiteral("WINEPREFIX")));
    EXPECT_FALSE(form.Memo1->toPlainText().contains(QLatin1Char('\n')));
}

// --- the main window's "Details…" --------------------------------------------------------

// Live at 6262 (.111), refusing (.113), not resolving (.114) and switched off behind a
// dropping firewall (.115: both ports swallow the connect).
class DetailsDialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<StandinServer>(QStringList{QStringLiteral("127.0.0.111:6262")},
                                                 R"({"name":"DETAILS","shares":["daten"]})");
        blackholes.push_back(std::make_unique<Blackhole>(QStringLiteral("127.0.0.115"), 6262));
        blackholes.push_back(std::make_unique<Blackhole>(QStringLiteral("127.0.0.115"), 2001));
    }
    static void TearDownTestSuite()
    {
        blackholes.clear();
        server.reset();
    }

    static std::unique_ptr<StandinServer> server;
    static std::vector<std::unique_ptr<Blackhole>> blackholes;
    QTemporaryDir dir;
};
std::unique_ptr<StandinServer> DetailsDialogTest::server;
std::vector<std::unique_ptr<Blackhole>> DetailsDialogTest::blackholes;

QStringList row(const TextTable *table, int index)
{
    QStringList cells;
    for (int column = 0; column < table->columnCount(); ++column)
        cells << table->shownText(index, column);
    return cells;
}

// A number of milliseconds in a cell is whatever the run took.
QStringList withoutTimes(QStringList cells)
{
    cells.replaceInStrings(QRegularExpression(QStringLiteral("\\d+ ms")), QStringLiteral("N ms"));
    return cells;
}

TEST_F(DetailsDialogTest, ReasonForEveryKindOfDriveWhileProbesRunAndAfter)
{
    FakePlatform platform;
    platform.setExecutablePath(dir.filePath(QStringLiteral("Quellmark")));
    platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.111\\daten"));
    platform.addDrive(QLatin1Char('K'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.113\\archiv"));
    platform.addDrive(QLatin1Char('L'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.114\\daten"));
    platform.addDrive(QLatin1Char('N'), DRIVE_REMOTE, QStringLiteral("\\\\127.0.0.115\\daten"));
    platform.addHost("127.0.0.111", {{127, 0, 0, 111}});
    platform.addHost("127.0.0.113", {{127, 0, 0, 113}});
    platform.addHost("127.0.0.115", {{127, 0, 0, 115}});

    TForm1 form(platform);
    form.show();
    // "Details…" is the preview's context menu's last entry, below the standard ones.
    // The menu and its actions are gone once it closes: the entry's text is kept.
    QAction *details = nullptr;
    QString detailsText;
    QTimer::singleShot(0, [&] {
        if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
            details = menu->actions().last();
            detailsText = details->text();
            EXPECT_GT(menu->actions().size(), 2);
            menu->setActiveAction(details);
            QTest::keyClick(menu, Qt::Key_Return);
        }
    });
    const QPoint inside(20, 20);
    QContextMenuEvent event(QContextMenuEvent::Mouse, inside,
                            form.Memo1->viewport()->mapToGlobal(inside));
    QApplication::sendEvent(form.Memo1->viewport(), &event);
    ASSERT_NE(details, nullptr);
    EXPECT_EQ(detailsText, QStringLiteral("Details…"));
    auto *dialog = form.findChild<DetailsDialog *>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    const TextTable *table = dialog->tblDetails;
    ASSERT_EQ(table->rowCount(), 5);

    // While the switched-off server is still probed, its row says so.
    ASSERT_TRUE(QTest::qWaitFor([&] {
        return form.ServerInfo && form.Diagnosis().servers.size() == 4 &&
               form.Diagnosis().servers[1].stage == ServerDiagnosis::Stage::Done &&
               table->shownText(2, 6).endsWith(QStringLiteral("kein Datenbankserver antwortet"));
    }));
    EXPECT_FALSE(form.DiscoveryDone());
    EXPECT_EQ(row(table, 4).last(),
              QStringLiteral("DRIVES N: und [127.0.0.115]: Server wird geprüft …"));

    ASSERT_TRUE(waitForDiscovery(form));
    const QStringList header{QStringLiteral("Laufwerk"), QStringLiteral("UNC-Pfad"),
                             QStringLiteral("Server"),   QStringLiteral("Adresse"),
                             QStringLiteral("6262"),     QStringLiteral("2001"),
                             QStringLiteral("Ergebnis")};
    for (int column = 0; column < header.size(); ++column)
        EXPECT_EQ(table->model()->headerData(column, Qt::Horizontal).toString(), header[column]);
    const QList<QStringList> expected{
        {QStringLiteral("C:"), QStringLiteral("lokales Laufwerk"), QString(), QString(), QString(),
         QString(), QStringLiteral("kein Eintrag: kein Netzlaufwerk")},
        {QStringLiteral("F:"), QStringLiteral("\\\\127.0.0.111\\daten"),
         QStringLiteral("127.0.0.111"), QStringLiteral("127.0.0.111"),
         QStringLiteral("Antwort in N ms"), QStringLiteral("nicht nötig"),
         QStringLiteral("DRIVES F: und [127.0.0.111], LAN_PORT=6262")},
        {QStringLiteral("K:"), QStringLiteral("\\\\127.0.0.113\\archiv"),
         QStringLiteral("127.0.0.113"), QStringLiteral("127.0.0.113"),
         QStringLiteral("abgewiesen (Fehler 6012)"), QStringLiteral("abgewiesen (Fehler 6012)"),
         QStringLiteral("DRIVES K: und [127.0.0.113] mit LAN_PORT=0: kein Datenbankserver "
                        "antwortet")},
        {QStringLiteral("L:"), QStringLiteral("\\\\127.0.0.114\\daten"),
         QStringLiteral("127.0.0.114"), QStringLiteral("nicht aufgelöst (Fehler 11001)"),
         QStringLiteral("abgewiesen (Fehler 6012)"), QStringLiteral("abgewiesen (Fehler 6012)"),
         QStringLiteral("DRIVES L: und [127.0.0.114] mit LAN_IP leer und LAN_PORT=0: Name nicht "
                        "aufgelöst, kein Datenbankserver antwortet")},
        {QStringLiteral("N:"), QStringLiteral("\\\\127.0.0.115\\daten"),
         QStringLiteral("127.0.0.115"), QStringLiteral("127.0.0.115"),
         QStringLiteral("keine Antwort in N ms (Fehler 6013)"),
         QStringLiteral("keine Antwort in N ms (Fehler 6013)"),
         QStringLiteral("DRIVES N: und [127.0.0.115] mit LAN_PORT=0: kein Datenbankserver "
                        "antwortet")},
    };
    for (int i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(withoutTimes(row(table, i)), expected[i]);
        for (int column = 0; column < table->columnCount(); ++column)
            EXPECT_FALSE(table->model()->flags(table->model()->index(i, column)) &
                         Qt::ItemIsEditable);
    }
    // The engine's own words are a tooltip away.
    EXPECT_TRUE(table->toolTip(2, 4).contains(QStringLiteral("127.0.0.113:6262")));

    // Copied as the grids copy: tab-separated with the titles, "Kopieren" every row, Ctrl+C
    // the selected ones.
    const auto copied = [] {
        return withoutTimes(QApplication::clipboard()->text().split(QLatin1Char('\n')));
    };
    QStringList lines{header.join(QLatin1Char('\t'))};
    for (const QStringList &cells : expected)
        lines << cells.join(QLatin1Char('\t'));
    QApplication::clipboard()->clear();
    dialog->btnCopy->click();
    EXPECT_EQ(copied(), lines + QStringList{QString()});
    QApplication::clipboard()->clear();
    dialog->activateWindow();
    QApplication::setActiveWindow(dialog);
    dialog->tblDetails->setFocus();
    dialog->tblDetails->selectRow(2);
    QTest::keyClick(dialog->tblDetails, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(copied(), QStringList({lines[0], lines[3], QString()}));
}

} // namespace
