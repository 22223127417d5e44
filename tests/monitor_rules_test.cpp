// The monitor's rules on plain rows, without a window or a server: the refresh period,
// which row is the selected user and which the monitor's own connection after a refresh,
// and how a number's change is told.

#include "GridChanges.h"
#include "MonitorRules.h"
#include "QtPrinters.h"

#include <QLocale>
#include <QRandomGenerator>
#include <climits>
#include <cmath>
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
const Workstation Me{QStringLiteral("WS01"), QStringLiteral("admin"),
                     QStringLiteral("Quellmark.exe")};

ConnectedUser user(const char *connection, const char *computer, const char *login,
                   const char *application = "App.exe")
{
    return {QString::fromUtf8(connection), QString::fromUtf8(computer), QString::fromUtf8(login),
            QString::fromUtf8(application)};
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
Found scanAsNeeded(const QList<ConnectedUser> &rows, const std::optional<ConnectedUser> &selected,
                   const Workstation &own)
{
    ConnectedUsersScan scan(selected, own);
    for (const ConnectedUser &row : rows)
        if (scan.needsRows())
            scan.take(row);
    return {scan.selectedRow(), scan.ownRow()};
}

// Every row, whether needed or not: the answers must not change.
Found scanAll(const QList<ConnectedUser> &rows, const std::optional<ConnectedUser> &selected,
              const Workstation &own)
{
    ConnectedUsersScan scan(selected, own);
    for (const ConnectedUser &row : rows)
        scan.take(row);
    return {scan.selectedRow(), scan.ownRow()};
}

TEST(ConnectedUsersScan, FindsTheSelectedUserAndTheOwnConnection)
{
    const ConnectedUser jdoe = user("7", "WS07", "jdoe");
    const ConnectedUser mine = user("1", "WS01", "admin", "Quellmark.exe");
    const struct {
        const char *shows;
        std::optional<ConnectedUser> selected;
        QList<ConnectedUser> rows;
        Found found;
        Workstation own = Me;
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
Found expected(const QList<ConnectedUser> &rows, const std::optional<ConnectedUser> &selected,
               const Workstation &own)
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
        return ConnectedUser{pick(connections), pick(computers), pick(logins), pick(applications)};
    };
    for (int round = 0; round < 3000; ++round) {
        QList<ConnectedUser> rows(random.bounded(8));
        for (ConnectedUser &row : rows)
            row = anyUser();
        const std::optional<ConnectedUser> selected =
            random.bounded(4) == 0 ? std::nullopt : std::optional(anyUser());
        const Workstation own{pick(computers), pick(logins), pick(applications)};
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
    const struct {
        const QLocale &locale;
        const char *before, *now, *change;
    } cases[] = {
        {english, "3", "6", "+3"},        {english, "12", "4", "-8"},
        {german, "12,5", "12", "-0,5"},   {german, "1,75", "1,25", "-0,50"},
        {german, "1.234", "1.236", "+2"},                               // group separators
        {english, "0.10", "0.10", ""},    {english, "0.1", "0.10", ""}, // written differently
        {english, "abc", "3", ""},        {english, "3", "", ""},
        {english, "1e308", "-1e308", ""}, // the change overflows
    };
    for (const auto &c : cases)
        EXPECT_EQ(GridChanges::numberChange(QString::fromUtf8(c.before), QString::fromUtf8(c.now),
                                            c.locale),
                  QString::fromUtf8(c.change))
            << c.before << " -> " << c.now;
}

} // namespace
