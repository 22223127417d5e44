// The monitor's rules on plain rows, without a window or a server: the refresh period,
// which row is the selected user and which the monitor's own connection after a refresh,
// how a number's change is told, how far a refresh compares, when a resource is near its
// limit, what the usage history keeps and whom the search for a table's holders asks.

#include "DataSet.h"
#include "Decimal4.h"
#include "GridChanges.h"
#include "Headroom.h"
#include "MonitorRules.h"
#include "QtPrinters.h"
#include "TableHolderSearch.h"
#include "UsageHistory.h"

#include <QLocale>
#include <QRandomGenerator>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

namespace {

TEST(RefreshPeriod, WholeSecondsHalfToEvenAndNothingBelowOne)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double seconds;
        int milliseconds;
    } cases[] = {
        {3, 3000},
        {1, 1000},
        {2.5, 2000}, // a half goes to the even neighbour
        {3.5, 4000},
        {1.5, 2000},
        {1.4, 1000},
        {0.5, 0}, // rounds to 0: stops
        {0.4, 0},
        {0, 0},
        {-0.5, 0},
        {-3, 0},
        {2147483, 2147483000},
        {2147483.6, INT_MAX}, // beyond 32 bits of milliseconds: the longest period
        {1e300, INT_MAX},
        {infinity, INT_MAX},
        {-infinity, 0},
        {std::nan(""), 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(refreshPeriodMs(c.seconds), c.milliseconds);
    }
}

// The rows of a scan, from a server's answer; the monitor's own workstation.
const UserIdentity Me{QStringLiteral("WS01"), QStringLiteral("admin"),
                      QStringLiteral("Quellmark.exe")};

UserIdentity user(const char *connection, const char *computer, const char *login,
                  const char *application = "App.exe")
{
    return {QString::fromUtf8(computer), QString::fromUtf8(login), QString::fromUtf8(application),
            QString::fromUtf8(connection)};
}

struct Found {
    int selected;
    int own;
    bool operator==(const Found &) const = default;
};

void PrintTo(const Found &found, std::ostream *out)
{
    *out << "selected " << found.selected << ", own " << found.own;
}

// As the window does: rows are read only while the scan needs them.
Found scanAsNeeded(const QList<UserIdentity> &rows, const std::optional<UserIdentity> &selected,
                   const UserIdentity &own)
{
    ConnectedUsersScan scan(selected, own);
    for (const UserIdentity &row : rows)
        if (scan.needsRows())
            scan.take(row);
    return {scan.selectedRow(), scan.ownRow()};
}

// Every row, whether needed or not: the answers must not change.
Found scanAll(const QList<UserIdentity> &rows, const std::optional<UserIdentity> &selected,
              const UserIdentity &own)
{
    ConnectedUsersScan scan(selected, own);
    for (const UserIdentity &row : rows)
        scan.take(row);
    return {scan.selectedRow(), scan.ownRow()};
}

TEST(ConnectedUsersScan, FindsTheSelectedUserAndTheOwnConnection)
{
    const UserIdentity jdoe = user("7", "WS07", "jdoe");
    const UserIdentity mine = user("1", "WS01", "admin", "Quellmark.exe");
    const struct {
        const char *shows;
        std::optional<UserIdentity> selected;
        QList<UserIdentity> rows;
        Found found;
        UserIdentity own = Me;
    } cases[] = {
        {"nothing was selected", std::nullopt, {user("3", "WS03", "x"), mine}, {-1, 1}},
        {"an empty list", jdoe, {}, {-1, -1}},
        {"the same connection", jdoe, {user("3", "WS03", "x"), jdoe}, {1, -1}},
        {"the same connection wins over an earlier same login",
         jdoe,
         {user("3", "WS07", "jdoe"), user("7", "WS09", "other")},
         {1, -1}},
        {"connection gone: the first of the same computer and login",
         jdoe,
         {user("3", "WS08", "jdoe"), user("4", "WS07", "jdoe"), user("5", "WS07", "jdoe")},
         {1, -1}},
        {"computer and login compare exactly", jdoe, {user("4", "ws07", "jdoe")}, {-1, -1}},
        {"both must match", jdoe, {user("4", "WS07", "jane"), user("5", "WS06", "jdoe")}, {-1, -1}},
        {"a row without a connection number", jdoe, {user("", "WS07", "jdoe")}, {0, -1}},
        {"no connection numbers at all, the own connection first",
         user("", "WS07", "jdoe"),
         {user("", "WS01", "admin", "Quellmark.exe"), user("", "WS01", "jdoe"),
          user("", "WS07", "jdoe")},
         {2, 0}},
        {"an empty computer name matches by login",
         user("", "", "jdoe"),
         {user("", "", "jdoe")},
         {0, -1}},
        {"a selected row with nothing to compare", user("", "", ""), {user("", "", "")}, {-1, -1}},
        {"the own connection compares without case",
         std::nullopt,
         {user("1", "ws01", "ADMIN", "quellmark.EXE")},
         {-1, 0}},
        {"the own connection needs all three",
         std::nullopt,
         {user("1", "WS01", "admin", "Other.exe"), user("2", "WS02", "admin", "Quellmark.exe"),
          mine},
         {-1, 2}},
        {"the first own connection of several", jdoe, {jdoe, mine, mine}, {0, 1}},
        {"the selected user is the own connection", mine, {user("3", "WS03", "x"), mine}, {1, 1}},
        {"an unknown login of the workstation matches nothing",
         std::nullopt,
         {user("1", "WS01", "", "Quellmark.exe")},
         {-1, -1},
         {QStringLiteral("WS01"), QString(), QStringLiteral("Quellmark.exe")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        EXPECT_EQ(scanAsNeeded(c.rows, c.selected, c.own), c.found);
        EXPECT_EQ(scanAll(c.rows, c.selected, c.own), c.found);
    }
}

// The same rules written out plainly, over the whole list.
Found expected(const QList<UserIdentity> &rows, const std::optional<UserIdentity> &selected,
               const UserIdentity &own)
{
    Found found{-1, -1};
    if (selected && !selected->connection.isEmpty())
        for (qsizetype i = 0; i < rows.size() && found.selected < 0; ++i)
            if (rows[i].connection == selected->connection)
                found.selected = int(i);
    if (selected && found.selected < 0 &&
        !(selected->computer.isEmpty() && selected->login.isEmpty()))
        for (qsizetype i = 0; i < rows.size() && found.selected < 0; ++i)
            if (rows[i].computer == selected->computer && rows[i].login == selected->login)
                found.selected = int(i);
    const auto sameName = [](const QString &a, const QString &b) {
        return !b.isEmpty() && a.toCaseFolded() == b.toCaseFolded();
    };
    for (qsizetype i = 0; i < rows.size() && found.own < 0; ++i)
        if (sameName(rows[i].computer, own.computer) && sameName(rows[i].login, own.login) &&
            sameName(rows[i].application, own.application))
            found.own = int(i);
    return found;
}

TEST(ConnectedUsersScan, AgreesWithThePlainRulesOnRandomLists)
{
    // Few values each, so that rows collide often; a fixed seed, so a failure repeats.
    const QStringList connections = {QString(), QStringLiteral("1"), QStringLiteral("2"),
                                     QStringLiteral("3")};
    const QStringList computers = {QString(), QStringLiteral("WS01"), QStringLiteral("ws01"),
                                   QStringLiteral("WS07")};
    const QStringList logins = {QString(), QStringLiteral("admin"), QStringLiteral("ADMIN"),
                                QStringLiteral("jdoe")};
    const QStringList applications = {QString(), QStringLiteral("Quellmark.exe"),
                                      QStringLiteral("App.exe")};
    QRandomGenerator random(20261211);
    const auto pick = [&random](const QStringList &values) {
        return values[random.bounded(int(values.size()))];
    };
    const auto anyUser = [&] {
        return UserIdentity{pick(computers), pick(logins), pick(applications), pick(connections)};
    };
    for (int round = 0; round < 3000; ++round) {
        QList<UserIdentity> rows(random.bounded(8));
        for (UserIdentity &row : rows)
            row = anyUser();
        const std::optional<UserIdentity> selected =
            random.bounded(4) == 0 ? std::nullopt : std::optional(anyUser());
        const UserIdentity own{pick(computers), pick(logins), pick(applications)};
        const Found plain = expected(rows, selected, own);
        SCOPED_TRACE(round);
        ASSERT_EQ(scanAsNeeded(rows, selected, own), plain);
        ASSERT_EQ(scanAll(rows, selected, own), plain);
    }
}

TEST(GridChanges, NumberChangesKeepTheDecimalsShown)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const auto value = [](QVariant v) { return TFieldValue{false, std::move(v), false}; };
    const auto decimal = [&](qint64 units) { return value(QVariant::fromValue(Decimal4{units})); };
    const TFieldValue null;
    const qint64 largest = std::numeric_limits<qint64>::max();
    const struct {
        const char *shows;
        const QLocale &locale;
        TFieldValue before, now;
        int decimals;
        const char *change;
    } cases[] = {
        {"whole numbers", english, value(3), value(6), 0, "+3"},
        {"down", english, value(qint64(12)), value(qint64(4)), 0, "-8"},
        {"decimals, exactly", german, decimal(125000), decimal(120000), 1, "-0,5"},
        {"as many decimals as shown", german, decimal(17500), decimal(12500), 2, "-0,50"},
        {"group separators in the locale", german, value(1234), value(1236), 0, "+2"},
        {"doubles", english, value(0.1), value(0.35), 2, "+0.25"},
        {"no change written", english, value(0.1), value(0.1000001), 2, ""},
        {"the whole range of 64 bits", english, value(-largest), value(largest), 0,
         "+18,446,744,073,709,551,614"},
        {"no number", english, value(QStringLiteral("abc")), value(3), 0, ""},
        {"null", english, value(3), null, 0, ""},
        {"a change a double cannot hold", english, value(1e308), value(-1e308), 0, ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(GridChanges::numberChange(c.before, c.now, c.decimals, c.locale),
                  QString::fromUtf8(c.change))
            << c.shows;
}

TEST(ConnectedUsersScan, LooksForTheSelectedUserOnlyAsFarAsItIsTold)
{
    const UserIdentity jdoe = user("7", "WS07", "jdoe");
    const UserIdentity other = user("3", "WS03", "x");
    const UserIdentity mine = user("1", "WS01", "admin", "Quellmark.exe");
    const struct {
        const char *shows;
        int selectedRows;
        QList<UserIdentity> rows;
        Found found;
    } cases[] = {
        {"inside the bound", 2, {other, jdoe}, {1, -1}},
        {"just past it", 2, {other, other, jdoe}, {-1, -1}},
        {"nothing to look at", 0, {jdoe}, {-1, -1}},
        {"by login, past the bound", 1, {other, user("8", "WS07", "jdoe")}, {-1, -1}},
        {"the own connection is found past it", 1, {other, other, mine}, {-1, 2}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        ConnectedUsersScan scan(jdoe, Me, c.selectedRows);
        for (const UserIdentity &row : c.rows)
            scan.take(row);
        EXPECT_EQ((Found{scan.selectedRow(), scan.ownRow()}), c.found);
        // Past the bound the scan asks for no row for the selected user's sake.
        if (int(c.rows.size()) >= c.selectedRows) {
            EXPECT_FALSE(scan.seeksSelected());
        }
    }
}

TEST(CompareLimits, TheSelectedUserIsLookedForAsFarAsTheRecordsAllow)
{
    const qsizetype MiB = 1024 * 1024;
    const struct {
        const char *shows;
        int previousRecNo;
        qsizetype recordBytes;
        int rows;
    } cases[] = {
        {"small records: the row limit past the row it was on", 5, 400, 10005},
        {"nothing was selected", 0, 400, 10000},
        {"1 MiB records: 16 past it", 3, MiB, 19},
        {"just over 1 MiB: 15", 3, MiB + 1, 18},
        {"records beyond the byte limit: one past it", 3, 32 * MiB, 4},
        {"a record size of 0 is taken as 1", 1, 0, 10001},
        {"a negative record number is none", -7, 400, 10000},
        {"the sum stays in range", INT_MAX - 1, 400, INT_MAX},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        EXPECT_EQ(selectedUserScanRows(c.previousRecNo, c.recordBytes), c.rows);
    }
}

// A result held in memory whose records are as large as a test says: the key (ConnNumber)
// in the first four bytes, the rest zeros. A list of 1 MiB records was kept whole by the
// change marks, up to 10,000 of them.
class BigRecords : public TDataSetBase {
public:
    BigRecords(int rows, int recordBytes) : m_rows(rows), m_recordBytes(recordBytes) {}

    TFieldValue GetFieldValue(const TField &, const QByteArray &buffer) const override
    {
        qint32 key = 0;
        std::memcpy(&key, buffer.constData(), sizeof key);
        return {false, QVariant(key), false};
    }

protected:
    void InternalOpen() override
    {
        TFieldDef key;
        key.Name = QStringLiteral("ConnNumber");
        key.DataType = TFieldType::ftInteger;
        key.Size = 4;
        key.FieldNo = 1;
        m_fieldDefs = {key};
        m_at = -1;
    }
    void InternalClose() override {}
    void InternalFirst() override { m_at = -1; }
    void InternalLast() override { m_at = m_rows; }
    TGetResult GetRecord(QByteArray &buffer, TGetMode mode) override
    {
        m_at += mode == TGetMode::gmNext ? 1 : mode == TGetMode::gmPrior ? -1 : 0;
        if (m_at >= m_rows) {
            m_at = m_rows;
            return TGetResult::grEOF;
        }
        if (m_at < 0) {
            m_at = -1;
            return TGetResult::grBOF;
        }
        const qint32 key = m_at + 1;
        std::memcpy(buffer.data(), &key, sizeof key);
        return TGetResult::grOK;
    }
    void InternalSetToRecord(const QByteArray &buffer) override
    {
        qint32 key = 0;
        std::memcpy(&key, buffer.constData(), sizeof key);
        m_at = key - 1;
    }
    int RecordBufferSize() const override { return m_recordBytes; }

private:
    int m_rows;
    int m_recordBytes;
    int m_at = -1;
};

TEST(GridChanges, KeepsNoMoreRowsAndBytesThanTheLimits)
{
    const int MiB = 1024 * 1024;
    const struct {
        const char *shows;
        int rows;
        int recordBytes;
        int recorded;
    } cases[] = {
        {"a short list is kept whole", 20, 64, 20},
        {"small records: the row limit", 10050, 64, 10000},
        {"1 MiB records: 16 MiB of them", 40, MiB, 16},
        {"just over 1 MiB: 15", 40, MiB + 4, 15},
        {"a record larger than the byte limit: none", 2, 16 * MiB + 4, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        BigRecords result(c.rows, c.recordBytes);
        result.Open();
        GridChanges changes({QStringLiteral("ConnNumber")});
        changes.beginRecording();
        int recorded = 0;
        bool all = true;
        for (result.First(); !result.Eof(); result.Next()) {
            if (!changes.record(result)) {
                all = false;
                break;
            }
            ++recorded;
        }
        changes.endRecording(all);
        EXPECT_EQ(recorded, c.recorded);
        EXPECT_EQ(all, c.recorded == c.rows);

        // The next refresh: a row is new only when the list before was kept whole.
        changes.beginRecording();
        EXPECT_EQ(changes.isNewRow(QStringLiteral("%1").arg(c.rows + 1)), all);
    }
}

TEST(Headroom, NearFromNinetyPercentFullFromAHundredOrAnyRejection)
{
    using Level = Headroom::Level;
    const qint64 max = std::numeric_limits<qint64>::max();
    const std::optional<qint64> none;
    const struct {
        const char *shows;
        std::optional<qint64> inUse, configured, rejected;
        Level level;
        QStringList reasons;
    } cases[] = {
        {"89 %", 89, 100, 0, Level::Enough, {}},
        {"90 %", 90, 100, 0, Level::Near, {QStringLiteral("Zu 90 % ausgelastet")}},
        {"94 %", 47, 50, 0, Level::Near, {QStringLiteral("Zu 94 % ausgelastet")}},
        {"99 %", 99, 100, 0, Level::Near, {QStringLiteral("Zu 99 % ausgelastet")}},
        {"100 %", 100, 100, 0, Level::Full, {QStringLiteral("Zu 100 % ausgelastet")}},
        {"beyond", 130, 100, 0, Level::Full, {QStringLiteral("Zu 130 % ausgelastet")}},
        // 90 % of 19 is 17.1: 18 is the first count that reaches it, shown rounded down.
        {"17 of 19", 17, 19, 0, Level::Enough, {}},
        {"18 of 19", 18, 19, 0, Level::Near, {QStringLiteral("Zu 94 % ausgelastet")}},
        {"10 of 11 shows 90 %, not 91",
         10,
         11,
         0,
         Level::Near,
         {QStringLiteral("Zu 90 % ausgelastet")}},
        {"rejections alone",
         0,
         100,
         3,
         Level::Full,
         {QStringLiteral("Seit dem Serverstart 3 abgewiesen")}},
        {"near and rejecting",
         95,
         100,
         1234,
         Level::Full,
         {QStringLiteral("Zu 95 % ausgelastet"),
          QStringLiteral("Seit dem Serverstart 1.234 abgewiesen")}},
        {"nothing configured", 5, 0, 0, Level::Enough, {}},
        {"a negative configured count", 5, -10, 0, Level::Enough, {}},
        {"a negative count in use", -95, 100, 0, Level::Enough, {}},
        {"negative rejections", 0, 100, -3, Level::Enough, {}},
        {"no count in use", none, 100, 0, Level::Enough, {}},
        {"no configured count, still rejecting",
         99,
         none,
         2,
         Level::Full,
         {QStringLiteral("Seit dem Serverstart 2 abgewiesen")}},
        {"no rejected count", 90, 100, none, Level::Near, {QStringLiteral("Zu 90 % ausgelastet")}},
        {"the largest counts", max, max, 0, Level::Full, {QStringLiteral("Zu 100 % ausgelastet")}},
        {"a percentage beyond 64 bits",
         max,
         1,
         0,
         Level::Full,
         {QStringLiteral("Zu 9.223.372.036.854.775.807 % ausgelastet")}},
        {"just short of the largest",
         max - 1,
         max,
         0,
         Level::Near,
         {QStringLiteral("Zu 99 % ausgelastet")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        const Headroom headroom = headroomOf(c.inUse, c.configured, c.rejected);
        EXPECT_EQ(int(headroom.level), int(c.level));
        EXPECT_EQ(headroom.reasons, c.reasons);
    }
}

TEST(UsageHistory, KeepsTheLastHourOfAtMostSixteenLines)
{
    const qint64 hour = UsageHistory::KeptMs;
    UsageHistory history;
    EXPECT_TRUE(history.isEmpty());
    history.add(1000, {{QStringLiteral("Users"), 3}, {QStringLiteral("Locks"), 10}}, 4);
    history.add(1000 + hour / 2, {{QStringLiteral("Users"), 5}}, 6);
    ASSERT_EQ(history.resources().size(), 2);
    EXPECT_EQ(history.resources()[0].points.size(), 2u);
    EXPECT_EQ(history.resources()[1].points.size(), 1u);
    EXPECT_EQ(history.users().points.back().value, 6);
    EXPECT_EQ(history.firstMs(), 1000);

    // Exactly an hour old is kept; a millisecond more is not, and a line left without
    // samples goes.
    history.add(1000 + hour, {{QStringLiteral("Users"), 7}}, std::nullopt);
    EXPECT_EQ(history.resources().size(), 2);
    EXPECT_EQ(history.users().points.size(), 2u);
    history.add(1001 + hour, {{QStringLiteral("Users"), 8}}, 9);
    ASSERT_EQ(history.resources().size(), 1);
    EXPECT_EQ(history.resources()[0].name, QStringLiteral("Users"));
    EXPECT_EQ(history.resources()[0].points.size(), 3u);
    EXPECT_EQ(history.firstMs(), 1000 + hour / 2);
    EXPECT_EQ(history.lastMs(), 1001 + hour);

    // More resources than lines: the first sixteen are followed; a place that frees up is
    // taken by the next new one.
    UsageHistory many;
    QList<UsageHistory::InUse> counts;
    for (int i = 0; i < 20; ++i)
        counts.append({QStringLiteral("R%1").arg(i), i});
    many.add(0, counts, 1);
    ASSERT_EQ(many.resources().size(), UsageHistory::MaxResources);
    EXPECT_EQ(many.resources().last().name, QStringLiteral("R15"));
    many.add(hour + 1, counts.mid(1), 1);
    EXPECT_EQ(many.resources().size(), UsageHistory::MaxResources);
    EXPECT_EQ(many.resources().last().name, QStringLiteral("R16"));

    // Refreshes faster than one a second keep the latest MaxPoints samples.
    UsageHistory fast;
    for (int i = 0; i <= UsageHistory::MaxPoints; ++i)
        fast.add(i, {{QStringLiteral("Users"), i}}, i);
    EXPECT_EQ(fast.users().points.size(), std::size_t(UsageHistory::MaxPoints));
    EXPECT_EQ(fast.users().points.front().value, 1);

    history.clear();
    EXPECT_TRUE(history.isEmpty());
    EXPECT_EQ(history.firstMs(), 0);
}

using User = UserIdentity;

// The users for the search as they were first built: the list of programs split again for
// every connection of the same computer and login.
QList<User> usersSplittingAgain(const QList<User> &connections)
{
    QList<User> users;
    for (const User &connection : connections) {
        const QString key = connection.computer + QLatin1Char('\\') + connection.login;
        auto same = std::find_if(users.begin(), users.end(), [&key](const User &user) {
            return user.computer + QLatin1Char('\\') + user.login == key;
        });
        if (same == users.end()) {
            users.append(connection);
            continue;
        }
        QString &programs = same->application;
        if (!connection.application.isEmpty() &&
            !programs.split(QStringLiteral(", ")).contains(connection.application))
            programs +=
                (programs.isEmpty() ? QString() : QStringLiteral(", ")) + connection.application;
    }
    return users;
}

QStringList linesOf(const QList<User> &users)
{
    QStringList lines;
    for (const User &user : users)
        lines.append(user.computer + QLatin1Char('|') + user.login + QLatin1Char('|') +
                     user.application);
    return lines;
}

QList<User> usersOfLines(const QStringList &lines)
{
    QList<User> users;
    for (const QString &line : lines)
        users.append({line.section(QLatin1Char('|'), 0, 0), line.section(QLatin1Char('|'), 1, 1),
                      line.section(QLatin1Char('|'), 2)});
    return users;
}

TEST(TableHolderUsers, EachComputerAndLoginOnceWithItsProgramsEachOnce)
{
    const struct {
        const char *shows;
        QStringList connections;
        QStringList users;
    } cases[] = {
        {"nobody", {}, {}},
        {"different users keep their order",
         {"WS2|b|B.exe", "WS1|a|A.exe"},
         {"WS2|b|B.exe", "WS1|a|A.exe"}},
        {"one user's programs in the order first seen, each once",
         {"WS1|a|A.exe", "WS1|a|B.exe", "WS1|a|A.exe", "WS1|a|C.exe"},
         {"WS1|a|A.exe, B.exe, C.exe"}},
        {"computer and login compared exactly",
         {"WS1|a|A.exe", "ws1|a|B.exe", "WS1|A|C.exe"},
         {"WS1|a|A.exe", "ws1|a|B.exe", "WS1|A|C.exe"}},
        {"an empty program adds nothing",
         {"WS1|a|A.exe", "WS1|a|", "WS1|a|B.exe"},
         {"WS1|a|A.exe, B.exe"}},
        {"a first connection without a program: no separator in front",
         {"WS1|a|", "WS1|a|A.exe", "WS1|a|B.exe"},
         {"WS1|a|A.exe, B.exe"}},
        {"a program named with the separator counts as its parts",
         {"WS1|a|A.exe, B.exe", "WS1|a|B.exe", "WS1|a|A.exe", "WS1|a|C.exe"},
         {"WS1|a|A.exe, B.exe, C.exe"}},
        {"a program whose parts came apart is new as a whole",
         {"WS1|a|A.exe", "WS1|a|B.exe", "WS1|a|A.exe, B.exe"},
         {"WS1|a|A.exe, B.exe, A.exe, B.exe"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.shows);
        const QList<User> connections = usersOfLines(c.connections);
        EXPECT_EQ(linesOf(TableHolderSearch::usersFrom(connections)), c.users);
        EXPECT_EQ(linesOf(usersSplittingAgain(connections)), c.users);
    }
}

TEST(TableHolderUsers, AgreeWithSplittingTheListAgainOnRandomLists)
{
    // Few values each, programs with the separator and its parts among them, so that rows
    // collide often; a fixed seed, so a failure repeats.
    const QStringList computers = {QString(), QStringLiteral("WS01"), QStringLiteral("ws01")};
    const QStringList logins = {QString(), QStringLiteral("admin"), QStringLiteral("jdoe")};
    const QStringList programs = {QString(),
                                  QStringLiteral("A.exe"),
                                  QStringLiteral("B"),
                                  QStringLiteral("A.exe, B"),
                                  QStringLiteral(", B"),
                                  QStringLiteral("B, "),
                                  QStringLiteral("B,"),
                                  QStringLiteral(" B")};
    QRandomGenerator random(20261212);
    const auto pick = [&random](const QStringList &values) {
        return values[random.bounded(int(values.size()))];
    };
    for (int round = 0; round < 3000; ++round) {
        QList<User> connections(random.bounded(12));
        for (User &connection : connections)
            connection = {pick(computers), pick(logins), pick(programs)};
        SCOPED_TRACE(round);
        ASSERT_EQ(linesOf(TableHolderSearch::usersFrom(connections)),
                  linesOf(usersSplittingAgain(connections)));
    }
}

} // namespace
