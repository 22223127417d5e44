// One refresh of the monitor with 1,000 synthetic users: the four procedures through the
// real engine and stand-in server, the grids filled and the display texts of their visible
// cells read. Beside it, the same four result shapes read through Qt's SQL module from an
// in-memory SQLite database, every row and value as text, as the monitor records every row.
//
//   build/bench/bin/monitor_bench [users] [rounds]

#include "DBEdit.h"
#include "DBGrid.h"
#include "Platform.h"
#include "StandinServer.h"
#include "adscnnct.h"
#include "adstable.h"
#include "dlgRemoteInfoU.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTabWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// What painting reads: every visible cell's display text.
qsizetype readVisible(const TdlgRemoteInfo &dlg)
{
    qsizetype characters = 0;
    for (const DBGrid *grid : {dlg.wwDBGrid1, dlg.wwDBGrid2, dlg.wwDBGrid3})
        for (int row = 0; row < grid->visibleRowCount(); ++row)
            for (int column = 0; column < grid->columns().size(); ++column)
                characters += grid->cellText(row, column).size();
    for (const DBEdit *edit : dlg.installEdits)
        characters += edit->text().size();
    return characters;
}

void createShapes(QSqlDatabase &db, int users)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral("CREATE TABLE usage (ResourceName varchar(25), InUse integer, MaxUsed "
                          "integer, Configured integer, Rejected integer, PercentUsed "
                          "numeric(7,2), AvgWaitMs double)"));
    q.exec(QStringLiteral("CREATE TABLE install (Owner varchar(60), SerialNumber varchar(12), "
                          "UserOption integer, MaxStatefulUsers integer, MaxStatelessUsers "
                          "integer, ReplicationEnabled boolean, Version varchar(20), InstallDate "
                          "date, EvalExpireDate date, ANSI varchar(30), OEM varchar(30), "
                          "LicenseValue numeric(19,4))"));
    q.exec(QStringLiteral("CREATE TABLE users (UserName varchar(50), ConnNumber integer, Address "
                          "varchar(30), OSUserLoginName varchar(50), TSAddress varchar(30), "
                          "DictionaryUser varchar(50), ApplicationID varchar(70), AverageCost "
                          "integer, LoginTime timestamp, LockCount smallint)"));
    q.exec(QStringLiteral("CREATE TABLE tables (TableName varchar(260), LockType varchar(4), "
                          "LockTypeValue smallint, LockCount integer, OpenedAt timestamp)"));
    db.transaction();
    for (int i = 0; i < 7; ++i)
        q.exec(
            QStringLiteral("INSERT INTO usage VALUES ('Resource %1', %1, %1, 100, 0, %1.5, 0.25)")
                .arg(i));
    q.exec(QStringLiteral("INSERT INTO install VALUES ('Muster GmbH', '123456789', 50, 50, 10, 1, "
                          "'11.10.0.24', '2024-01-15', NULL, 'ISO8859_1', 'IBM850', 1234.5)"));
    q.prepare(QStringLiteral("INSERT INTO users VALUES (?, ?, ?, ?, NULL, NULL, ?, ?, "
                             "'2026-12-10 08:00:00', ?)"));
    for (int i = 0; i < users; ++i) {
        q.addBindValue(QStringLiteral("WS%1").arg(i, 5, 10, QLatin1Char('0')));
        q.addBindValue(20000 + i);
        q.addBindValue(QStringLiteral("127.0.%1.%2").arg(1 + i / 250).arg(1 + i % 250));
        q.addBindValue(QStringLiteral("user%1").arg(i));
        q.addBindValue(QStringLiteral("Warenwirtschaft.exe"));
        q.addBindValue(i % 97);
        q.addBindValue(i % 5);
        q.exec();
    }
    for (int i = 0; i < 3; ++i)
        q.exec(
            QStringLiteral("INSERT INTO tables VALUES ('\\\\DEMO\\daten\\artikel%1.adt', 'SHRD', "
                           "1, 0, '2026-12-10 08:00:00')")
                .arg(i));
    db.commit();
}

qsizetype readAll(QSqlDatabase &db)
{
    qsizetype characters = 0;
    for (const char *sql : {"SELECT * FROM usage", "SELECT * FROM install", "SELECT * FROM users",
                            "SELECT * FROM tables WHERE LockType = 'SHRD'"}) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.exec(QLatin1String(sql));
        const int columns = q.record().count();
        while (q.next())
            for (int c = 0; c < columns; ++c)
                characters += q.value(c).toString().size();
    }
    return characters;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int users = argc > 1 ? std::max(1, atoi(argv[1])) : 1000;
    const int rounds = argc > 2 ? std::max(1, atoi(argv[2])) : 30;

    StandinServer server({QStringLiteral("127.0.0.1:0")});
    server.control(QStringLiteral(R"({"syntheticUsers":%1})").arg(users).toUtf8());
    const std::unique_ptr<Platform> platform = createNativePlatform();
    TdlgRemoteInfo dlg(*platform);
    dlg.resize(840, 491);
    dlg.PageControl1->setCurrentIndex(2);
    dlg.show();
    dlg.setAdsServer(QStringLiteral("\\\\127.0.0.1\\daten"), server.port());
    QCoreApplication::processEvents();

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    db.open();
    createShapes(db, users + 1);

    // Each alone, back to back: the best case of each.
    std::vector<double> monitorAlone;
    std::vector<double> sqliteAlone;
    qsizetype sink = 0;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        dlg.Refresh();
        sink += readVisible(dlg);
        monitorAlone.push_back(msSince(start));
    }
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        sink += readAll(db);
        sqliteAlone.push_back(msSince(start));
    }
    // Taken in turns, so that whatever else the machine does weighs on both alike (each
    // then also finds the caches as the other left them).
    std::vector<double> monitor;
    std::vector<double> sqlite;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        dlg.Refresh();
        sink += readVisible(dlg);
        monitor.push_back(msSince(start));
        start = Clock::now();
        sink += readAll(db);
        sqlite.push_back(msSince(start));
    }

    std::printf("connected users: %d, rounds: %d (medians, ms)\n", users + 1, rounds);
    std::printf("                      monitor refresh   SQLite (Qt SQL, memory)   ratio\n");
    std::printf("each alone           %15.2f   %23.2f   %5.2f\n", median(monitorAlone),
                median(sqliteAlone), median(monitorAlone) / median(sqliteAlone));
    std::printf("taken in turns       %15.2f   %23.2f   %5.2f\n", median(monitor), median(sqlite),
                median(monitor) / median(sqlite));
    std::printf("goal: ratio <= 2\n");
    return sink > 0 ? 0 : 1;
}
