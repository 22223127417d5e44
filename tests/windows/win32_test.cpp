// The Win32 backend on Wine, against the prefix the test run sets up (tests/windows/run):
// network drive Y: -> \\127.0.0.81\daten, local drive X:, nothing on Q:; and the stand-in
// engine as ace32.dll against the Linux stand-in server on 127.0.0.81:6262.

#include "AceApi.h"
#include "DriveUtils.h"
#include "Exception.h"
#include "MessageOf.h"
#include "Platform.h"
#include "QtPrinters.h"
#include "ace.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString Server = QStringLiteral("127.0.0.81");

std::unique_ptr<Platform> native()
{
    return createNativePlatform();
}

TEST(Win32Platform, DrivesAndTheirTypes)
{
    const auto platform = native();
    EXPECT_EQ(platform->GetDriveTypeW(u"Y:\\"), DRIVE_REMOTE);
    EXPECT_EQ(platform->GetDriveTypeW(u"X:\\"), DRIVE_FIXED);
    EXPECT_EQ(platform->GetDriveTypeW(u"Q:\\"), DRIVE_NO_ROOT_DIR);
    QStringList drives;
    ListDrivesOfType(*platform, drives, DRIVE_REMOTE, true);
    EXPECT_TRUE(drives.contains(QStringLiteral("Y:")));
    EXPECT_FALSE(drives.contains(QStringLiteral("X:")));
}

// Wine's universal-name call is a stub; the drive's connection gives the name.
TEST(Win32Platform, UncNamesOfANetworkDrive)
{
    const auto platform = native();
    const struct {
        const char *path;
        QString unc;
    } cases[] = {
        {"Y:", QStringLiteral("\\\\%1\\daten").arg(Server)},
        {"Y:\\", QStringLiteral("\\\\%1\\daten\\").arg(Server)},
        {"Y:\\sub\\deeper", QStringLiteral("\\\\%1\\daten\\sub\\deeper").arg(Server)},
        {"X:", QString()},
        {"Q:", QString()},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        QString unc, error;
        GetUNCPath(*platform, QString::fromLatin1(c.path), unc, error);
        EXPECT_EQ(unc, c.unc);
    }
    WideChar remote[256] = {};
    DWORD length = 256;
    ASSERT_EQ(platform->WNetGetConnectionW(u"Y:", remote, &length), DWORD(NO_ERROR));
    EXPECT_EQ(QString::fromUtf16(remote), QStringLiteral("\\\\%1\\daten").arg(Server));
    EXPECT_EQ(SplitUNCPath(*platform, QStringLiteral("Y:")), Server);
}

TEST(Win32Platform, ProfileWrittenInTheAnsiCodePage)
{
    QTemporaryDir dir;
    const QString file = QDir::toNativeSeparators(dir.filePath(QStringLiteral("ADS.INI")));
    const auto platform = native();
    ASSERT_TRUE(platform->WritePrivateProfileStringW(
        u"B\u00fcro", u"LAN_IP", u"127.0.0.1", reinterpret_cast<const WideChar *>(file.utf16())));
    ASSERT_TRUE(platform->WritePrivateProfileStringW(
        u"B\u00fcro", u"Ort", u"K\u00f6ln", reinterpret_cast<const WideChar *>(file.utf16())));
    platform->WritePrivateProfileStringW(nullptr, nullptr, nullptr,
                                         reinterpret_cast<const WideChar *>(file.utf16()));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    // Windows-1252: one byte per umlaut, no byte-order mark.
    EXPECT_TRUE(bytes.contains("[B\xFCro]")) << bytes.toStdString();
    EXPECT_TRUE(bytes.contains("Ort=K\xF6ln")) << bytes.toStdString();
    wchar_t value[64] = {};
    GetPrivateProfileStringW(L"B\u00fcro", L"Ort", L"", value, 64,
                             reinterpret_cast<const wchar_t *>(file.utf16()));
    EXPECT_EQ(QString::fromWCharArray(value), QStringLiteral("K\u00f6ln"));
}

TEST(Win32Platform, LinguisticComparisonIgnoringCase)
{
    const auto platform = native();
    EXPECT_EQ(platform->CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"FILESERVER", -1,
                                       u"fileserver", -1),
              CSTR_EQUAL);
    EXPECT_EQ(platform->CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"\u00c4rger", -1,
                                       u"\u00e4rger", -1),
              CSTR_EQUAL);
    EXPECT_EQ(platform->CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, u"a", -1, u"b", -1),
              CSTR_LESS_THAN);
    EXPECT_EQ(platform->CompareStringW(LOCALE_USER_DEFAULT, 0, u"a", -1, u"A", -1) == CSTR_EQUAL,
              false);
}

TEST(Win32Platform, EngineBoundByItsBareNameFailuresNamedByCode)
{
    const auto platform = native();
    AceBinding beside(*platform, QStringLiteral("ace32.dll"));
    UNSIGNED16 type = 0;
    EXPECT_EQ(beside.AdsGetHandleType(0, &type), 6003u);

    AceBinding missing(*platform, QStringLiteral("nonexistent32.dll"));
    EXPECT_EQ(messageOf<EExternalException>([&] { missing.AdsGetHandleType(0, &type); }),
              QStringLiteral("Externe Exception C06D007E"));
    AceBinding lacking(*platform, QStringLiteral(LACKING_ENGINE_LIBRARY));
    UNSIGNED8 title[] = "t";
    EXPECT_EQ(messageOf<EExternalException>([&] { lacking.AdsShowError(title); }),
              QStringLiteral("Externe Exception C06D007F"));
}

// ace32.dll over Winsock, the data layer over it, umlauts through the ANSI code page.
TEST(Win32Engine, QueryAgainstTheStandinServer)
{
    QObject window;
    TAdsConnection connection(&window);
    connection.setConnectPath(QStringLiteral("\\\\%1:6262\\daten").arg(Server));
    TAdsQuery query(&window);
    query.setObjectName(QStringLiteral("qInstallInfo"));
    query.setAdsConnection(&connection);
    query.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetInstallInfo();")});
    query.Open();
    EXPECT_EQ(query.FieldByName(QStringLiteral("Owner"))->AsString(),
              QStringLiteral("M\u00fcller & S\u00f6hne Datentechnik GmbH"));
    EXPECT_EQ(query.FieldByName(QStringLiteral("InstallDate"))->Value().toDate(),
              QDate(2024, 3, 18));

    TAdsQuery users(&window);
    users.setAdsConnection(&connection);
    users.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetConnectedUsers();")});
    users.Open();
    QStringList applications, logins;
    for (users.First(); !users.Eof(); users.Next()) {
        applications.append(users.FieldByName(QStringLiteral("ApplicationID"))->AsString());
        logins.append(users.FieldByName(QStringLiteral("OSUserLoginName"))->AsString());
    }
    // A character column: UTF-8 on the wire, the ANSI code page at the API.
    EXPECT_TRUE(logins.contains(QStringLiteral("awei\u00df")))
        << logins.join(QLatin1Char(',')).toStdString();
    EXPECT_TRUE(applications.contains(QStringLiteral("win32_tests.exe")))
        << applications.join(QLatin1Char(',')).toStdString();
    connection.Disconnect();

    connection.setConnectPath(QStringLiteral("\\\\127.0.0.82:6262\\daten"));
    EXPECT_TRUE(messageOf<EADSDatabaseError>([&] {
                    connection.Connect();
                }).contains(QStringLiteral("not reachable")));
}

} // namespace
