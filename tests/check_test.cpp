// quellmark-check's rules without a server: thresholds, targets, the allow list, what a
// reading is judged and how each output form writes it, hostile readings included.

#include "AllowList.h"
#include "CheckFormats.h"
#include "CheckGrammar.h"
#include "CheckTarget.h"
#include "CheckTool.h"
#include "CheckVerdict.h"
#include "IpLiteral.h"
#include "Thresholds.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(CheckThresholds, RangesAlertWhereTheConventionsSayAndABareNumberFromItOn)
{
    const struct {
        const char *range;
        double value;
        bool alerts;
        const char *why;
    } cases[] = {
        {"90", 89.99, false, "below a bare mark"},
        {"90", 90, true, "a bare mark counts from itself on, as the monitor's marks do"},
        {"100", 100, true, "exactly full is critical by default"},
        {"90%", 95, true, "a percent sign reads as meant"},
        {"10:", 9, true, "below the start"},
        {"10:", 1e9, false, "no end"},
        {"~:90", -5, false, "minus infinity"},
        {"~:90", 90.5, true, "past the end"},
        {"80:90", 85, false, "inside"},
        {"80:90", 79, true, "outside below"},
        {"@80:90", 85, true, "@ alerts inside"},
        {"@80:90", 91, false, "@ does not alert outside"},
        {"@90:", 90, true, "the bare mark written out"},
        {":50", 51, true, "an empty start is 0"},
        {":50", -1, true, "an empty start is 0"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.range) + " at " + std::to_string(c.value) + ": " + c.why);
        QString error;
        const auto range = parseThresholdRange(QString::fromLatin1(c.range), error);
        ASSERT_TRUE(range) << error.toStdString();
        EXPECT_EQ(range->alerts(c.value), c.alerts);
    }
    for (const char *bad :
         {"", "abc", "1e3", "inf", "nan", "0x10", "@90", "90:80", "1:2:3", "~", "10:~", "９０",
          "1,5", "--1", "99999999999999999999999999999999999999999999"}) {
        SCOPED_TRACE(bad);
        QString error;
        EXPECT_FALSE(parseThresholdRange(QString::fromUtf8(bad), error));
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(CheckThresholds, PerformanceDataNamesTheCountsInTheConventionsSyntax)
{
    QString error;
    const struct {
        const char *range;
        qint64 configured;
        const char *counts;
        const char *why;
    } cases[] = {
        {"90", 50, "44", "45 of 50 is 90 %: above 44 alerts"},
        {"100", 50, "49", "above 49: 50 of 50 alerts"},
        {"90", 7, "6", "90 % of 7 is 6.3: the first count that alerts is 7"},
        {"0", 50, "0", "from 0 on: every count alerts, also 0"},
        {"80:90", 200, "160:180", "a range scaled"},
        {"@~:10", 50, "@~:5", "inside, from minus infinity"},
        {"90", 0, "", "nothing is configured: no threshold"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        const auto range = parseThresholdRange(QString::fromLatin1(c.range), error);
        ASSERT_TRUE(range);
        EXPECT_EQ(range->countsText(c.configured), QString::fromLatin1(c.counts));
    }
}

TEST(CheckTargets, ConnectPathsAndHostPortsAsTheMonitorAddressesThem)
{
    const struct {
        const char *text;
        const char *path; // empty: refused
    } cases[] = {
        {"\\\\fileserver\\daten", "\\\\fileserver:6262\\daten"},
        {"\\\\127.0.0.1:2001\\daten\\sub", "\\\\127.0.0.1:2001\\daten\\sub"},
        {"\\\\fs\\  daten  ", "\\\\fs:6262\\daten"},
        {"fileserver", "\\\\fileserver:6262\\c$"},
        {"127.0.0.5:7000", "\\\\127.0.0.5:7000\\c$"},
        {"[::1]:6262", "\\\\[::1]:6262\\c$"},
        {"\\\\fs", ""},
        {"\\\\fs\\", ""},
        {"\\\\:6262\\daten", ""},
        {"fs:0", ""},
        {"fs:65536", ""},
        {"fs:", ""},
        {"fs:+80", ""},
        {"fs:abc", ""},
        {"fs bad", ""},
        {"fs\tx", ""},
        {"999.1.1.1", ""},
        {"-fs", ""},
        {"a..b", ""},
        {"[::1", ""},
        {"fe80::1%eth0", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        QString error;
        const auto target = parseTarget(QString::fromLatin1(c.text), DefaultCheckShare, error);
        if (*c.path) {
            ASSERT_TRUE(target) << error.toStdString();
            EXPECT_EQ(target->connectPath(), QString::fromLatin1(c.path));
        } else {
            EXPECT_FALSE(target);
            EXPECT_FALSE(error.isEmpty());
        }
    }
    QString error;
    EXPECT_FALSE(parseTarget(QStringLiteral("fs") + QChar(0) + QStringLiteral("x"),
                             DefaultCheckShare, error));
}

TEST(CheckAllowList, AddressesAsWrittenWithoutQtNetwork)
{
    const struct {
        const char *text;
        bool valid;
    } cases[] = {
        {"127.0.0.1", true},
        {"0.0.0.0", true},
        {"255.255.255.255", true},
        {"256.0.0.1", false},
        {"1.2.3", false},
        {"1.2.3.4.5", false},
        {"01.2.3.4", false},
        {"1.2.3.-4", false},
        {"1.2.3.4 ", false},
        {"::1", true},
        {"::", true},
        {"fe80::1", true},
        {"2001:db8::8:800:200c:417a", true},
        {"::ffff:10.1.0.7", true},
        {"1:2:3:4:5:6:7:8", true},
        {"1:2:3:4:5:6:7:8:9", false},
        {"1:2:3:4:5:6:7", false},
        {"1::2::3", false},
        {":::", false},
        {":1", false},
        {"1:", false},
        {"12345::", false},
        {"fe80::1%eth0", false},
        {"::ffff:1.2.3", false},
        {"g::1", false},
        {"1::+2", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(parseIpLiteral(QString::fromLatin1(c.text)).has_value(), c.valid);
    }
    const auto at = [](const char *text) { return *parseIpLiteral(QString::fromLatin1(text)); };
    EXPECT_TRUE(at("10.1.0.200").isIn(at("10.1.0.0"), 24));
    EXPECT_FALSE(at("10.1.1.200").isIn(at("10.1.0.0"), 24));
    EXPECT_TRUE(at("10.1.1.200").isIn(at("10.1.0.0"), 23));
    EXPECT_TRUE(at("1.2.3.4").isIn(at("9.9.9.9"), 0));
    EXPECT_FALSE(at("::ffff:10.1.0.7").isIn(at("10.1.0.0"), 24)); // no family mixing
    EXPECT_TRUE(at("2001:db8::1").isIn(at("2001:db8::"), 32));
    EXPECT_FALSE(at("2001:db9::1").isIn(at("2001:db8::"), 32));
    EXPECT_EQ(at("::ffff:10.1.0.7").bytes[15], 7);
    EXPECT_EQ(at("1::").bytes[1], 1);
}

TEST(CheckAllowList, OnlyWhatIsNamedAndOnlyAtItsPorts)
{
    QString error;
    const auto list = AllowList::parse(
        QStringLiteral("fileserver, 10.1.0.0/24 127.0.0.7:7000,[::1]:6262"), error);
    ASSERT_TRUE(list) << error.toStdString();
    const struct {
        const char *target;
        bool allowed;
        const char *why;
    } cases[] = {
        {"fileserver", true, "a name at the first probe port"},
        {"FILESERVER:2001", true, "names ignore case; the second probe port"},
        {"fileserver:22", false, "a name allows the probe ports only"},
        {"fileserver.evil.example", false, "no suffix match"},
        {"10.1.0.200", true, "inside the network"},
        {"10.1.1.1", false, "outside the network"},
        {"127.0.0.7:7000", true, "the port an entry names"},
        {"127.0.0.7", false, "not the probe ports when an entry names another"},
        {"[::1]:6262", true, "IPv6"},
        {"[::1]:2001", false, "IPv6 at another port"},
        {"10.1.0.5:8080", false, "a network's host at another port"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.target) + ": " + c.why);
        const auto target = parseHostPort(QString::fromLatin1(c.target), DefaultCheckShare, error);
        ASSERT_TRUE(target) << error.toStdString();
        EXPECT_EQ(list->allows(*target), c.allowed);
    }
    for (const char *bad :
         {"", " , ", "10.1.0.0/33", "bad!name", "fs:0", "fs:99999", "[::1", "1.2.3.4/x", "fs:+1"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(AllowList::parse(QString::fromLatin1(bad), error));
    }
}

ResourceUsage resource(const QString &name, std::optional<qint64> inUse,
                       std::optional<qint64> configured, std::optional<qint64> rejected = 0,
                       std::optional<qint64> maxUsed = std::nullopt)
{
    return {name, inUse, maxUsed ? maxUsed : inUse, configured, rejected};
}

ServerStatus readStatus(QList<ResourceUsage> resources)
{
    ServerStatus status;
    status.connectPath = QStringLiteral("\\\\127.0.0.1:6262\\daten");
    status.outcome = ServerStatus::Outcome::Read;
    status.resources = std::move(resources);
    status.connectedUsers = 48;
    status.version = QStringLiteral("10.10.0.28");
    status.owner = QStringLiteral("Müller & Söhne");
    status.milliseconds = 12;
    return status;
}

const QDate Today(2026, 1, 10);

TEST(CheckVerdicts, ReadingsJudgedAndWrittenInEveryForm)
{
    const qint64 huge = std::numeric_limits<qint64>::max();
    const struct {
        const char *why;
        QList<ResourceUsage> resources;
        CheckState state;
        const char *summary; // contained in the summary
    } cases[] = {
        {"the demo's evening",
         {resource("Users", 47, 50), resource("Connections", 48, 100)},
         CheckState::Warning,
         "Users 47 of 50 (94 %)"},
        {"all well",
         {resource("Users", 4, 50), resource("Locks", 3, 5000)},
         CheckState::Ok,
         "2 resources within limits, busiest Users 4 of 50 (8 %), 48 users connected"},
        {"exactly full",
         {resource("Users", 50, 50)},
         CheckState::Critical,
         "Users 50 of 50 (100 %)"},
        {"a rejection",
         {resource("Connections", 3, 100, 2)},
         CheckState::Warning,
         "Connections 2 rejected since the server started"},
        {"critical before warning",
         {resource("Users", 46, 50), resource("Tables", 250, 250)},
         CheckState::Critical,
         "Tables 250 of 250 (100 %), Users 46 of 50 (92 %)"},
        {"a negative count is no OK",
         {resource("Users", -5, 50)},
         CheckState::Unknown,
         "Users: InUse is negative (-5)"},
        {"a missing count is no OK",
         {resource("Users", std::nullopt, 50)},
         CheckState::Unknown,
         "Users: InUse is missing"},
        {"configured 0 with some in use",
         {resource("Users", 3, 0)},
         CheckState::Unknown,
         "Users: configured 0 with 3 in use"},
        {"configured 0, none in use: nothing to judge",
         {resource("Spare", 0, 0), resource("Users", 1, 50)},
         CheckState::Ok,
         "busiest Users 1 of 50 (2 %)"},
        {"a huge count past its limit",
         {resource("Locks", huge, 5000)},
         CheckState::Critical,
         "Locks 9223372036854775807 of 5000"},
        {"a huge limit", {resource("Locks", 1, huge)}, CheckState::Ok, "busiest Locks 1 of"},
        {"full beats garbled",
         {resource("Users", 50, 50), resource("Bad", -1, 5)},
         CheckState::Critical,
         "Users 50 of 50 (100 %), Bad: InUse is negative (-1)"},
        {"no rows", {}, CheckState::Unknown, "sp_mgGetUsageInfo gave no rows"},
        {"a name with NUL, bar, quotes, %1 and a lone surrogate",
         {resource(QStringLiteral("Us%1er|s'=\"") + QChar(0) + QChar(0xD800) + QStringLiteral("x"),
                   47, 50)},
         CheckState::Warning,
         "Us%1er_s___ x 47 of 50 (94 %)"},
        {"two rows of one name",
         {resource("Users", 1, 50), resource("users", 49, 50)},
         CheckState::Warning,
         "users (2) 49 of 50 (98 %)"},
        {"an empty name",
         {resource(QString(), 45, 50)},
         CheckState::Warning,
         "(unnamed) 45 of 50 (90 %)"},
    };
    const CheckRules rules = CheckRules::defaults();
    CheckTarget target{QStringLiteral("127.0.0.1"), 6262, QStringLiteral("daten")};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        const ServerStatus status = readStatus(c.resources);
        const CheckVerdict verdict = judge(status, rules, Today);
        EXPECT_EQ(verdict.state, c.state);
        EXPECT_TRUE(verdict.summary.contains(QString::fromUtf8(c.summary)))
            << verdict.summary.toStdString();
        const QString plugin = CheckFormats::pluginText(status, verdict, rules, true);
        EXPECT_EQ(pluginGrammarFault(plugin), QString()) << plugin.toStdString();
        EXPECT_TRUE(
            plugin.startsWith(QStringLiteral("ADS ") + stateName(c.state) + QStringLiteral(" - ")));
        const QString checkmk = CheckFormats::checkmkLine(target, status, verdict, rules);
        EXPECT_EQ(checkmk.count(QLatin1Char('\n')), 1);
        EXPECT_TRUE(checkmk.startsWith(QString::number(int(c.state)) +
                                       QStringLiteral(" ADS_127.0.0.1_6262 ")))
            << checkmk.toStdString();
        for (const QString &label : {QString(), QStringLiteral("127.0.0.1:6262")}) {
            const QByteArray prom = CheckFormats::prometheusText(status, verdict, label);
            EXPECT_EQ(expositionFault(prom), QString()) << prom.toStdString();
        }
        const QByteArray json = QJsonDocument(CheckFormats::json(target, status, verdict)).toJson();
        EXPECT_FALSE(QJsonDocument::fromJson(json).isNull());
    }
}

TEST(CheckVerdicts, DemoPerformanceDataAndVerboseLines)
{
    const CheckRules rules = CheckRules::defaults();
    const ServerStatus status =
        readStatus({resource("Users", 47, 50), resource("Work Areas", 10, 500, 0, 12)});
    const CheckVerdict verdict = judge(status, rules, Today);
    EXPECT_EQ(CheckFormats::pluginText(status, verdict, rules, true),
              QStringLiteral("ADS WARNING - Users 47 of 50 (94 %) | Users=47;44;49;0;50 "
                             "'Work Areas'=10;449;499;0;500 'Users rejected'=0c;0;;0 "
                             "'Work Areas rejected'=0c;0;;0 connected_users=48;;;0 "
                             "time=0.012s;;;0\n"
                             "Users: 47 of 50 in use (94 %), past the warning threshold 90\n"));
    EXPECT_EQ(CheckFormats::checkmkLine({QStringLiteral("fs"), 6262, QStringLiteral("c$")}, status,
                                        verdict, rules),
              QStringLiteral("1 ADS_fs_6262 users=47;45;50;0;50|work_areas=10;450;500;0;500|"
                             "connected_users=48|time=0.012 Users 47 of 50 (94 %)\n"));
    const QByteArray prom =
        CheckFormats::prometheusText(status, verdict, QStringLiteral("fs:6262"));
    EXPECT_TRUE(prom.contains("ads_resource_in_use{server=\"fs:6262\",resource=\"Users\"} 47\n"));
    EXPECT_TRUE(
        prom.contains("ads_resource_max_used{server=\"fs:6262\",resource=\"Work Areas\"} 12\n"));
    EXPECT_TRUE(prom.contains("ads_check_state{server=\"fs:6262\"} 1\n"));
    EXPECT_TRUE(prom.contains("owner=\"Müller & Söhne\""));
}

TEST(CheckVerdicts, FailuresLicenceAndRules)
{
    CheckRules rules = CheckRules::defaults();
    ServerStatus failed;
    failed.outcome = ServerStatus::Outcome::Unreachable;
    failed.text = QStringLiteral("Error 6420: no server | at\n\\\\fs:6262");
    CheckVerdict verdict = judge(failed, rules, Today);
    EXPECT_EQ(verdict.state, CheckState::Critical);
    EXPECT_EQ(verdict.summary, QStringLiteral("Error 6420: no server / at \\\\fs:6262"));
    failed.outcome = ServerStatus::Outcome::Lacking;
    failed.text = QStringLiteral("sp_mgGetUsageInfo gave no Configured column");
    EXPECT_EQ(judge(failed, rules, Today).state, CheckState::Unknown);

    ServerStatus status = readStatus({resource("Users", 4, 50, 3)});
    EXPECT_EQ(judge(status, rules, Today).state, CheckState::Warning);
    rules.rejected = CheckState::Ok;
    EXPECT_EQ(judge(status, rules, Today).state, CheckState::Ok);
    rules.rejected = CheckState::Critical;
    EXPECT_EQ(judge(status, rules, Today).state, CheckState::Critical);

    rules = CheckRules::defaults();
    status = readStatus({resource("Users", 4, 50)});
    const struct {
        int days;
        CheckState state;
        const char *text;
    } licences[] = {
        {15, CheckState::Ok, "within limits"},
        {14, CheckState::Warning, "evaluation licence ends 2026-01-24 (in 14 days)"},
        {0, CheckState::Warning, "(in 0 days)"},
        {-1, CheckState::Critical, "evaluation licence ended 2026-01-09"},
    };
    for (const auto &l : licences) {
        SCOPED_TRACE(l.days);
        status.evalExpireDate = Today.addDays(l.days);
        verdict = judge(status, rules, Today);
        EXPECT_EQ(verdict.state, l.state);
        EXPECT_TRUE(verdict.summary.contains(QLatin1String(l.text)))
            << verdict.summary.toStdString();
    }
}

TEST(CheckCommandLine, WrongCallsAreUnknownWithAStatusLine)
{
    static int argc = 1;
    static char name[] = "check_tests";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const struct {
        QStringList arguments;
        const char *says;
    } cases[] = {
        {{}, "no server given"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"-w"}, "-w needs a value"},
        {{"fs", "-w", "abc"}, "abc is no threshold"},
        {{"fs", "-c", "90:80"}, "start lies above its end"},
        {{"fs", "-t", "0"}, "--timeout takes whole seconds"},
        {{"fs", "--format", "xml"}, "--format is plugin, checkmk or prometheus"},
        {{"fs", "--output", "x.prom"}, "--output needs --format prometheus"},
        {{"fs", "--server", "gs"}, "one server per call"},
        {{"fs", "-w", "80", "-w", "90"}, "--warning is given twice"},
        {{"--listen", "127.0.0.1:0"}, "--listen needs --allow"},
        {{"--listen", "nowhere:80", "--allow", "fs"}, "this build has no exporter"},
        {{"fs bar"}, "fs bar is no host name"},
        {{"fs", "--rejected", "maybe"}, "--rejected is ok, warning or critical"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.arguments.join(QLatin1Char(' ')).toStdString());
        QString out, err;
        const CommandOutput output{[&out](const QString &t) { out += t; },
                                   [&err](const QString &t) { err += t; }};
        EXPECT_EQ(CheckTool::run(c.arguments, output, {}), CheckState::Unknown);
        EXPECT_TRUE(out.startsWith(QStringLiteral("ADS UNKNOWN - "))) << out.toStdString();
        EXPECT_TRUE(out.contains(QLatin1String(c.says))) << out.toStdString();
        EXPECT_EQ(out.count(QLatin1Char('\n')), 1);
        EXPECT_TRUE(err.contains(QStringLiteral("Usage: quellmark-check"))) << err.toStdString();
    }
}

} // namespace
