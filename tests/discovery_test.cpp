#include "Diagnosis.h"
#include "DriveUtils.h"
#include "FakePlatform.h"
#include "PingU.h"
#include "ServerProbes.h"
#ifndef _WIN32
#include "StandinServer.h"
#endif
#include "TextColumns.h"

#include "QtPrinters.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

TEST(ListDrivesOfType, TestsEachRootAndListsMatchingDrivesInLetterOrder)
{
    FakePlatform platform;
    platform.addDrive(QLatin1Char('Z'), DRIVE_REMOTE, QStringLiteral("\\\\s\\z"));
    platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\s\\f"));

    QStringList drives{QStringLiteral("old")};
    ListDrivesOfType(platform, drives, DRIVE_REMOTE, false);
    EXPECT_EQ(drives,
              QStringList({QStringLiteral("old"), QStringLiteral("F:"), QStringLiteral("Z:")}));
    ASSERT_EQ(platform.calls.size(), 26);
    EXPECT_EQ(platform.calls.front(), QStringLiteral("GetDriveTypeW(A:\\)"));
    EXPECT_EQ(platform.calls[25], QStringLiteral("GetDriveTypeW(Z:\\)"));

    ListDrivesOfType(platform, drives, DRIVE_FIXED, true);
    EXPECT_EQ(drives, QStringList{QStringLiteral("C:")});
    ListDrivesOfType(platform, drives, DRIVE_CDROM, true);
    EXPECT_TRUE(drives.isEmpty());
}

TEST(GetUNCPath, PassesThePathUnchangedWithTheCallersBuffer)
{
    FakePlatform platform;
    platform.setUniversalName(QStringLiteral("X:"), QStringLiteral("\\\\srv\\share"));
    platform.setUniversalName(QStringLiteral("X:\\"), QStringLiteral("\\\\srv\\share\\"));
    QString unc, error;
    GetUNCPath(platform, QStringLiteral("X:"), unc, error);
    EXPECT_EQ(unc, QStringLiteral("\\\\srv\\share"));
    EXPECT_TRUE(error.isEmpty());
    GetUNCPath(platform, QStringLiteral("X:\\"), unc, error);
    EXPECT_EQ(unc, QStringLiteral("\\\\srv\\share\\"));
    EXPECT_EQ(platform.calls, QStringList({QStringLiteral("WNetGetUniversalNameW(X:,1,1024)"),
                                           QStringLiteral("WNetGetUniversalNameW(X:\\,1,1024)")}));
}

TEST(GetUNCPath, ErrorCodesGiveTheirTextAndNoPath)
{
    const struct {
        DWORD code;
        const char *start;
    } cases[] = {
        {ERROR_NOT_SUPPORTED, "The dwInfoLevel parameter is set to UNIVERSAL_NAME_INFO_LEVEL"},
        {ERROR_MORE_DATA, "The buffer pointed to by the lpBuffer parameter is too small."},
        {ERROR_BAD_DEVICE, "The string pointed to by the lpLocalPath parameter is invalid."},
        {ERROR_CONNECTION_UNAVAIL, "There is no current connection to the remote device"},
        {ERROR_NO_NET_OR_BAD_PATH, "None of the network providers recognize the local name"},
        {ERROR_EXTENDED_ERROR, "A network-specific error occurred."},
        {ERROR_NO_NETWORK, "The network is unavailable."},
        {ERROR_NOT_CONNECTED,
         "The device specified by the lpLocalPath parameter is not redirected."},
        {ERROR_ACCESS_DENIED, ""},
        {1234, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.code);
        FakePlatform platform;
        platform.setUniversalNameError(QStringLiteral("X:"), c.code);
        QString unc = QStringLiteral("stale"), error = QStringLiteral("stale");
        GetUNCPath(platform, QStringLiteral("X:"), unc, error);
        EXPECT_TRUE(unc.isEmpty());
        if (*c.start)
            EXPECT_TRUE(error.startsWith(QString::fromUtf8(c.start))) << error.toStdString();
        else
            EXPECT_TRUE(error.isEmpty());
    }
}

TEST(GetUNCPath, NameLongerThanTheBufferIsReportedNotRetried)
{
    FakePlatform platform;
    platform.setUniversalName(QStringLiteral("X:"),
                              QStringLiteral("\\\\srv\\") + QString(600, QLatin1Char('d')));
    QString unc, error;
    GetUNCPath(platform, QStringLiteral("X:"), unc, error);
    EXPECT_TRUE(unc.isEmpty());
    EXPECT_TRUE(error.startsWith(QStringLiteral("The buffer pointed to")));
    EXPECT_EQ(platform.calls.filter(QStringLiteral("WNetGetUniversalNameW")).size(), 1);
}

// Network providers that do not answer the universal-name call (Wine's stub gives the local
// path back or fails): the drive's connection and the rest of the path give the UNC path.
TEST(GetUNCPath, FallsBackToTheDrivesConnection)
{
    const struct {
        const char *name;
        const char *path;
        bool stubGivesThePathBack;
        const char *unc;
        const char *error;
    } cases[] = {
        {"drive, the call fails", "Y:", false, "\\\\srv\\share", ""},
        {"root, the call fails", "Y:\\", false, "\\\\srv\\share\\", ""},
        {"folder, the call fails", "Y:\\sub/deeper", false, "\\\\srv\\share\\sub\\deeper", ""},
        {"drive, the call gives the path back", "Y:", true, "\\\\srv\\share", ""},
        {"root, the call gives the path back", "Y:\\", true, "\\\\srv\\share\\", ""},
        {"local drive: the call's error stays", "C:", false, "", "The network is unavailable."},
        {"no drive: the call's error stays", "Q:", false, "", "The network is unavailable."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform platform;
        platform.addDrive(QLatin1Char('Y'), DRIVE_REMOTE, QStringLiteral("\\\\srv\\share"));
        platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
        const QString path = QString::fromUtf8(c.path);
        if (c.stubGivesThePathBack)
            platform.setUniversalName(path, path);
        else
            platform.setUniversalNameError(path, ERROR_NO_NETWORK);
        QString unc, error;
        GetUNCPath(platform, path, unc, error);
        EXPECT_EQ(unc, QString::fromUtf8(c.unc));
        EXPECT_EQ(error, QString::fromUtf8(c.error));
    }
}

TEST(SplitUNCPath, ServerAndSharePart)
{
    FakePlatform platform;
    platform.addDrive(QLatin1Char('F'), DRIVE_REMOTE, QStringLiteral("\\\\FileSrv\\daten"));
    platform.addDrive(QLatin1Char('C'), DRIVE_FIXED);
    const QString longShare = QString(300, QLatin1Char('s'));
    const struct {
        QString input;
        QString server;
        QString share; // "-" when the buffer stays untouched
    } cases[] = {
        {QStringLiteral("\\\\FileSrv\\daten"), QStringLiteral("FileSrv"), QStringLiteral("daten")},
        {QStringLiteral("\\\\srv\\share\\dir\\sub"), QStringLiteral("srv"),
         QStringLiteral("share\\dir\\sub")},
        {QStringLiteral("F:"), QStringLiteral("FileSrv"), QStringLiteral("daten")},
        {QStringLiteral("F:\\archiv"), QStringLiteral("FileSrv"), QStringLiteral("daten\\archiv")},
        {QStringLiteral("C:"), QString(), QStringLiteral("-")},
        {QStringLiteral("Q:"), QString(), QStringLiteral("-")},
        {QString(), QString(), QStringLiteral("-")},
        {QStringLiteral("F"), QString(), QStringLiteral("-")},
        {QStringLiteral("srv\\share"), QString(), QStringLiteral("-")},
        {QStringLiteral("\\\\srv"), QStringLiteral("srv"), QString()},
        {QStringLiteral("\\\\srv\\") + longShare, QStringLiteral("srv"), longShare.left(255)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input.toStdString());
        QChar buffer[ShareBufferLength + 1];
        std::fill(std::begin(buffer), std::end(buffer), QLatin1Char('#'));
        EXPECT_EQ(SplitUNCPath(platform, c.input, buffer), c.server);
        if (c.share == QLatin1String("-")) {
            EXPECT_EQ(buffer[0], QLatin1Char('#'));
        } else {
            EXPECT_EQ(QString(buffer, c.share.size()), c.share);
            EXPECT_EQ(buffer[c.share.size()], QChar(0));
        }
        EXPECT_EQ(buffer[ShareBufferLength], QLatin1Char('#'));
        EXPECT_EQ(SplitUNCPath(platform, c.input), c.server);
    }
}

TEST(HostNameToIP, FirstAddressInDottedFormWithAStartupCleanupPair)
{
    FakePlatform platform;
    platform.addHost("multi", {{127, 0, 0, 9}, {127, 0, 0, 1}});
    platform.addHost("edges", {{0, 255, 10, 1}});
    platform.addHost("empty", {});
    platform.setHostLookupThrows("broken");

    const struct {
        const char *name;
        const char *address;
    } cases[] = {
        {"multi", "127.0.0.9"}, {"edges", "0.255.10.1"}, {"unknown", ""}, {"empty", ""},
        {"broken", ""},         {"multi", "127.0.0.9"},  {"unknown", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HostNameToIP(platform, c.name), QString::fromLatin1(c.address));
    }
    EXPECT_EQ(platform.startups, int(std::size(cases)));
    EXPECT_EQ(platform.cleanups, int(std::size(cases)));
    EXPECT_EQ(platform.calls.mid(0, 3), QStringList({QStringLiteral("WSAStartup(0x0101)"),
                                                     QStringLiteral("gethostbyname(multi)"),
                                                     QStringLiteral("WSACleanup()")}));
}

TEST(HostNameToIP, RealResolverWithLiteralsAndLocalhost)
{
    const std::unique_ptr<Platform> platform = createNativePlatform();
    EXPECT_EQ(HostNameToIP(*platform, "127.0.0.1"), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(HostNameToIP(*platform, "127.0.0.27"), QStringLiteral("127.0.0.27"));
    EXPECT_TRUE(HostNameToIP(*platform, "localhost").startsWith(QStringLiteral("127.")));
}

// --- the diagnosis, from values alone ----------------------------------------------------

PortTrial trial(quint32 port, PortTrial::Outcome outcome, qint64 milliseconds, quint32 error = 0,
                const QString &text = {})
{
    PortTrial result;
    result.port = port;
    result.outcome = outcome;
    result.milliseconds = milliseconds;
    result.error = error;
    result.text = text;
    return result;
}

ServerDiagnosis server(const char *address, std::vector<PortTrial> ports,
                       ServerDiagnosis::Stage stage = ServerDiagnosis::Stage::Done)
{
    ServerDiagnosis result;
    result.stage = stage;
    result.lookup.address = QString::fromLatin1(address);
    result.ports = std::move(ports);
    return result;
}

DriveDiagnosis drive(const char *letter, UINT type, const char *uncPath = "",
                     const char *server = "", int serverIndex = -1, const char *through = "")
{
    DriveDiagnosis result;
    result.drive = QString::fromLatin1(letter);
    result.type = type;
    result.uncPath = QString::fromLatin1(uncPath);
    result.server = QString::fromLatin1(server);
    result.serverIndex = serverIndex;
    result.probedThrough = QString::fromLatin1(through);
    return result;
}

using Outcome = PortTrial::Outcome;

TEST(Diagnosis, PortTextsSayWhatHappenedAtEachPort)
{
    const struct {
        const char *name;
        ServerDiagnosis server;
        const char *first;
        const char *second;
    } cases[] = {
        {"answered at the first", server("", {trial(6262, Outcome::Answered, 5)}),
         "Antwort in 5 ms", "nicht nötig"},
        {"refused, then answered",
         server("", {trial(6262, Outcome::Refused, 1, 6012), trial(2001, Outcome::Answered, 7)}),
         "abgewiesen (Fehler 6012)", "Antwort in 7 ms"},
        {"timed out at both",
         server("", {trial(6262, Outcome::TimedOut, 3001, 6013),
                     trial(2001, Outcome::TimedOut, 3002, 6013)}),
         "keine Antwort in 3001 ms (Fehler 6013)", "keine Antwort in 3002 ms (Fehler 6013)"},
        {"the engine's own failures",
         server("",
                {trial(6262, Outcome::Failed, 0, 5004, QStringLiteral("no such share")),
                 trial(2001, Outcome::Failed, 0, 0, QStringLiteral("Externe Exception C06D007E"))}),
         "Fehler 5004: no such share", "Fehler: Externe Exception C06D007E"},
        {"done without a trial at either", server("", {}), "", ""},
        {"the first still probed", server("", {}, ServerDiagnosis::Stage::Probing), "…", "…"},
        {"the second still probed",
         server("", {trial(6262, Outcome::Refused, 1, 6012)}, ServerDiagnosis::Stage::Probing),
         "abgewiesen (Fehler 6012)", "…"},
        {"waiting for a worker", server("", {}, ServerDiagnosis::Stage::Waiting), "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PortText(c.server, FirstProbePort), QString::fromUtf8(c.first));
        EXPECT_EQ(PortText(c.server, SecondProbePort), QString::fromUtf8(c.second));
    }
}

// Every kind of drive in one report: each row's cells, the verdict last.
TEST(Diagnosis, RowsAndVerdictsForEveryKindOfDrive)
{
    DiscoveryReport report;
    ServerDiagnosis unresolved = server(
        "", {trial(6262, Outcome::Refused, 1, 6012), trial(2001, Outcome::Refused, 1, 6012)});
    unresolved.lookup.error = 11001;
    ServerDiagnosis broken = server("", {trial(6262, Outcome::TimedOut, 3000, 6013),
                                         trial(2001, Outcome::TimedOut, 3000, 6013)});
    broken.lookup.raised = true;
    report.servers = {
        server("10.0.0.1", {trial(6262, Outcome::Answered, 5)}),
        server("10.0.0.2",
               {trial(6262, Outcome::Refused, 1, 6012), trial(2001, Outcome::Answered, 7)}),
        server("10.0.0.3",
               {trial(6262, Outcome::Refused, 1, 6012), trial(2001, Outcome::Refused, 2, 6012)}),
        unresolved,
        broken,
        server("", {trial(6262, Outcome::Answered, 4)}),
        server("10.0.0.7", {}, ServerDiagnosis::Stage::Probing),
        server("10.0.0.8", {trial(6262, Outcome::Answered, 3)}),
    };
    DriveDiagnosis offline = drive("M:", DRIVE_REMOTE);
    offline.uncError = ERROR_NO_NETWORK;
    offline.uncErrorText = QStringLiteral("The network is unavailable.");
    report.drives = {
        drive("C:", DRIVE_FIXED),
        drive("D:", DRIVE_CDROM),
        drive("E:", DRIVE_REMOVABLE),
        drive("F:", DRIVE_REMOTE, "\\\\srv\\daten", "srv", 0, "F:"),
        drive("G:", DRIVE_REMOTE, "\\\\SRV\\apps", "SRV", 0, "F:"),
        drive("H:", DRIVE_REMOTE, "\\\\alt\\daten", "alt", 1, "H:"),
        drive("K:", DRIVE_REMOTE, "\\\\tot\\archiv", "tot", 2, "K:"),
        drive("L:", DRIVE_REMOTE, "\\\\fremd\\daten", "fremd", 3, "L:"),
        offline,
        drive("N:", DRIVE_REMOTE, "\\\\wirr\\daten", "wirr", 4, "N:"),
        drive("O:", DRIVE_REMOTE, "\\\\leer\\daten", "leer", 5, "O:"),
        drive("P:", DRIVE_REMOTE, "\\\\neu\\daten", "neu", 6, "P:"),
        drive("Q:", DRIVE_REMOTE, "\\\\a]b\\daten", "a]b", 7, "Q:"),
    };
    const QList<QStringList> expected{
        {"C:", "lokales Laufwerk", "", "", "", "", "kein Eintrag: kein Netzlaufwerk"},
        {"D:", "CD-/DVD-Laufwerk", "", "", "", "", "kein Eintrag: kein Netzlaufwerk"},
        {"E:", "Wechseldatenträger", "", "", "", "", "kein Eintrag: kein Netzlaufwerk"},
        {"F:", "\\\\srv\\daten", "srv", "10.0.0.1", "Antwort in 5 ms", "nicht nötig",
         "DRIVES F: und [srv], LAN_PORT=6262"},
        {"G:", "\\\\SRV\\apps", "SRV", "siehe F:", "", "",
         "DRIVES G:; der Abschnitt [SRV] kommt von F:"},
        {"H:", "\\\\alt\\daten", "alt", "10.0.0.2", "abgewiesen (Fehler 6012)", "Antwort in 7 ms",
         "DRIVES H: und [alt], LAN_PORT=2001"},
        {"K:", "\\\\tot\\archiv", "tot", "10.0.0.3", "abgewiesen (Fehler 6012)",
         "abgewiesen (Fehler 6012)",
         "DRIVES K: und [tot] mit LAN_PORT=0: kein Datenbankserver antwortet"},
        {"L:", "\\\\fremd\\daten", "fremd", "nicht aufgelöst (Fehler 11001)",
         "abgewiesen (Fehler 6012)", "abgewiesen (Fehler 6012)",
         "DRIVES L: und [fremd] mit LAN_IP leer und LAN_PORT=0: Name nicht aufgelöst, kein "
         "Datenbankserver antwortet"},
        {"M:", "kein UNC-Pfad (Fehler 1222): The network is unavailable.", "", "", "", "",
         "DRIVES M: leer: kein UNC-Pfad"},
        {"N:", "\\\\wirr\\daten", "wirr", "nicht aufgelöst: die Namensauflösung brach ab",
         "keine Antwort in 3000 ms (Fehler 6013)", "keine Antwort in 3000 ms (Fehler 6013)",
         "DRIVES N: und [wirr] mit LAN_IP leer und LAN_PORT=0: Name nicht aufgelöst, kein "
         "Datenbankserver antwortet"},
        {"O:", "\\\\leer\\daten", "leer", "nicht aufgelöst", "Antwort in 4 ms", "nicht nötig",
         "DRIVES O: und [leer] mit LAN_IP leer, LAN_PORT=6262: Name nicht aufgelöst"},
        {"P:", "\\\\neu\\daten", "neu", "", "…", "…", "DRIVES P: und [neu]: Server wird geprüft …"},
        {"Q:", "\\\\a]b\\daten", "a]b", "10.0.0.8", "Antwort in 3 ms", "nicht nötig",
         "DRIVES Q:; [a]b] wird nicht eingetragen: ein Abschnittsname kann in ADS.INI kein \"]\" "
         "enthalten"},
    };
    const QList<QStringList> rows = DiagnosisRows(report);
    ASSERT_EQ(rows.size(), expected.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(expected[i][0].toStdString());
        EXPECT_EQ(rows[i], expected[i]);
        EXPECT_EQ(rows[i].last(), Verdict(report, report.drives[std::size_t(i)]));
    }
}

// Aligned as quellmark-ini diagnose prints it: two spaces between columns, none at a line's end.
TEST(Diagnosis, TextAlignsTheColumns)
{
    DiscoveryReport report;
    report.servers = {server("10.0.0.1", {trial(6262, Outcome::Answered, 5)})};
    report.drives = {drive("C:", DRIVE_FIXED),
                     drive("F:", DRIVE_REMOTE, "\\\\srv\\daten", "srv", 0, "F:"),
                     drive("G:", DRIVE_REMOTE, "\\\\srv\\apps", "srv", 0, "F:")};
    EXPECT_EQ(DiagnosisText(report),
              QStringLiteral(
                  "Laufwerk  UNC-Pfad          Server  Adresse   6262             2001         "
                  "Ergebnis\n"
                  "C:        lokales Laufwerk                                                  "
                  "kein Eintrag: kein Netzlaufwerk\n"
                  "F:        \\\\srv\\daten       srv     10.0.0.1  Antwort in 5 ms  nicht nötig  "
                  "DRIVES F: und [srv], LAN_PORT=6262\n"
                  "G:        \\\\srv\\apps        srv     siehe F:                                "
                  "DRIVES G:; der Abschnitt [srv] kommt von F:\n"));
}

// The plain-text table the diagnosis and the monitor's snapshots share.
TEST(TextColumns, AlignsRowsUnderTheirHeader)
{
    const QStringList header{QStringLiteral("Name"), QStringLiteral("Wert"),
                             QStringLiteral("Notiz")};
    const struct {
        const char *name;
        TextColumns table;
        const char *text;
    } cases[] = {
        {"each column as wide as its widest text, the last not padded",
         TextColumns(header).addRows({{"a", "lang und breit", "x"}, {"längerer", "", "y z"}}),
         "Name      Wert            Notiz\n"
         "a         lang und breit  x\n"
         "längerer                  y z\n"},
        {"no line ends in spaces, whatever is empty at its end",
         TextColumns(header).addRows({{"a", "", ""}, {"", "", ""}, {"b", "c", "d  "}}),
         "Name  Wert  Notiz\n"
         "a\n"
         "\n"
         "b     c     d\n"},
        {"missing cells are empty, cells beyond the header left out",
         TextColumns(header).addRows({{"a"}, {"b", "c", "d", "e"}}),
         "Name  Wert  Notiz\n"
         "a\n"
         "b     c     d\n"},
        {"a rule under the header, as wide as each column",
         TextColumns(header).setRule(QLatin1Char('-')).addRow({"ab", "", "cdefgh"}),
         "Name  Wert  Notiz\n"
         "----  ----  ------\n"
         "ab          cdefgh\n"},
        {"a gap of its own", TextColumns(header).setGap(1).addRow({"a", "b", "c"}),
         "Name Wert Notiz\n"
         "a    b    c\n"},
        {"no header: the longest row gives the columns",
         TextColumns().addRows({{"a"}, {"bb", "c"}}),
         "a\n"
         "bb  c\n"},
        {"nothing at all", TextColumns(), ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.table.text(), QString::fromUtf8(c.text));
    }
}

// The stand-in server is a Linux process; under Wine the end-to-end run probes servers.
#ifndef _WIN32
TEST(ServerProbes, EveryServerOnceResultsInPlanOrderWhateverTheWorkers)
{
    int argc = 0;
    QCoreApplication application(argc, nullptr);
    // Two live servers among refusing addresses: connections that succeed and fail at once,
    // from many threads through the one engine.
    const StandinServer servers(
        {QStringLiteral("127.0.0.64:6262"), QStringLiteral("127.0.0.67:2001")});
    FakePlatform platform;
    std::vector<ServerProbe> plan;
    for (int i = 0; i < 12; ++i) {
        const QByteArray name = QByteArrayLiteral("127.0.0.") + QByteArray::number(60 + i);
        platform.addHost(name, {{127, 0, 0, quint8(60 + i)}});
        plan.push_back(ServerProbe{QString::fromLatin1(name), QStringLiteral("daten")});
    }
    auto portOf = [](std::size_t i) { return i == 4 ? 6262u : i == 7 ? 2001u : 0u; };
    for (const int workers : {1, 3, 26}) {
        ServerProbes probes(platform, plan, workers);
        QSignalSpy progressed(&probes, &ServerProbes::progressed);
        QSignalSpy finished(&probes, &ServerProbes::finished);
        ASSERT_TRUE(finished.wait(30000)) << workers;
        // At most one per server; probes that end together are reported together.
        EXPECT_GE(progressed.count(), 1);
        EXPECT_LE(progressed.count(), 12);
        EXPECT_EQ(finished.count(), 1);
        EXPECT_TRUE(probes.isDone());
        EXPECT_TRUE(probes.running().isEmpty());
        ASSERT_EQ(probes.results().size(), plan.size());
        for (std::size_t i = 0; i < plan.size(); ++i) {
            const TAdsServerInfo &record = probes.results()[i];
            EXPECT_EQ(record.ServerName, plan[i].server);
            EXPECT_EQ(record.LAN_IP, plan[i].server);
            EXPECT_EQ(record.LAN_PORT, portOf(i)) << i << " with " << workers << " workers";
            EXPECT_EQ(record.AVaible, portOf(i) != 0) << i;
        }
    }
    ServerProbes none(platform, {});
    QSignalSpy finished(&none, &ServerProbes::finished);
    EXPECT_TRUE(finished.wait(5000));
    EXPECT_TRUE(none.isDone());
}
#endif

} // namespace
