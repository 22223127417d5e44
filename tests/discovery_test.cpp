#include "DriveUtils.h"
#include "FakePlatform.h"
#include "PingU.h"
#include "ServerProbes.h"
#ifndef _WIN32
#include "StandinServer.h"
#endif

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
