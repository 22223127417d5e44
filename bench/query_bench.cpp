// Opens a result of connected-user-shaped rows through the real engine and stand-in
// server, moves through every row and reads every field's display text; side by side,
// Qt's SQL module over the same rows in SQLite (in memory) and, when PostgreSQL is
// installed, in a PostgreSQL server this benchmark starts on a loopback port. Beside the
// times, the peak resident memory during each scan: of this process (Qt, the data access
// layer and the engine's batches; for SQLite, its in-memory database too) and of the
// stand-in server.
//
//   build/bench/bin/query_bench [rows...]   # 10,000, 100,000 and 1,000,000 by default

#include "StandinServer.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

const QStringList Fields = {QStringLiteral("UserName"),       QStringLiteral("OSUserLoginName"),
                            QStringLiteral("DictionaryUser"), QStringLiteral("ApplicationID"),
                            QStringLiteral("Address"),        QStringLiteral("AverageCost"),
                            QStringLiteral("ConnNumber"),     QStringLiteral("TSAddress")};

// Resident memory of a process in KiB from /proc: "VmRSS" now, "VmHWM" its peak since
// the peak was last reset.
long statusKb(qint64 pid, const char *field)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The peak resident memory of a process from now on, in MiB.
class Peak {
public:
    explicit Peak(qint64 pid) : m_pid(pid)
    {
        QFile clear(QStringLiteral("/proc/%1/clear_refs").arg(pid));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // the peak starts again from what is resident now
    }
    double mib() const { return double(statusKb(m_pid, "VmHWM:")) / 1024; }

private:
    qint64 m_pid;
};

double nsPerRow(Clock::time_point start, int rows)
{
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count() / rows;
}

// The rows the stand-in server makes for "syntheticUsers", for the other databases.
void fill(QSqlDatabase &db, int rows)
{
    QSqlQuery q(db);
    q.exec(QStringLiteral(
        "CREATE TABLE users (UserName varchar(50), OSUserLoginName varchar(50), "
        "DictionaryUser varchar(50), ApplicationID varchar(70), Address varchar(30), "
        "AverageCost integer, ConnNumber integer, TSAddress varchar(30))"));
    db.transaction();
    q.prepare(QStringLiteral("INSERT INTO users VALUES (?, ?, NULL, ?, ?, ?, ?, NULL)"));
    for (int i = 0; i < rows; ++i) {
        q.addBindValue(QStringLiteral("WS%1").arg(i, 5, 10, QLatin1Char('0')));
        q.addBindValue(QStringLiteral("user%1").arg(i));
        q.addBindValue(QStringLiteral("Warenwirtschaft.exe"));
        q.addBindValue(QStringLiteral("127.0.%1.%2").arg(1 + i / 250).arg(1 + i % 250));
        q.addBindValue(i % 97);
        q.addBindValue(20000 + i);
        q.exec();
    }
    db.commit();
}

double qtSql(QSqlDatabase &db, int rows)
{
    const auto start = Clock::now();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.exec(
        QStringLiteral("SELECT UserName, OSUserLoginName, DictionaryUser, ApplicationID, Address, "
                       "AverageCost, ConnNumber, TSAddress FROM users"));
    int seen = 0;
    qsizetype characters = 0;
    while (q.next()) {
        for (int i = 0; i < 8; ++i)
            characters += q.value(i).toString().size();
        ++seen;
    }
    if (seen != rows || characters == 0)
        std::fprintf(stderr, "qt sql: %d rows\n", seen);
    return nsPerRow(start, rows);
}

double ours(TAdsConnection &connection, int rows)
{
    const auto start = Clock::now();
    TAdsQuery query;
    query.setObjectName(QStringLiteral("qCnctUsers"));
    query.setAdsConnection(&connection);
    query.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetConnectedUsers();")});
    query.Open();
    const auto opened = Clock::now();
    std::vector<TField *> fields;
    for (const QString &name : Fields)
        fields.push_back(query.FieldByName(name));
    int seen = 0;
    qsizetype characters = 0;
    for (; !query.Eof(); query.Next()) {
        for (TField *field : fields)
            characters += field->DisplayText().size();
        ++seen;
    }
    const auto walked = Clock::now();
    query.Close();
    if (qEnvironmentVariableIsSet("QUERY_BENCH_SPLIT"))
        std::fprintf(stderr, "open %.0f ns/row, walk %.0f ns/row\n",
                     std::chrono::duration<double, std::nano>(opened - start).count() / rows,
                     std::chrono::duration<double, std::nano>(walked - opened).count() / rows);
    // The connection itself is among the users.
    if (seen < rows || characters == 0)
        std::fprintf(stderr, "ours: %d rows\n", seen);
    return nsPerRow(start, rows);
}

// A throw-away PostgreSQL cluster on a free loopback port, run as the postgres user.
class Postgres {
public:
    bool start()
    {
        const QStringList bins = QDir(QStringLiteral("/usr/lib/postgresql"))
                                     .entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (bins.isEmpty() || !QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            return false;
        m_bin = QStringLiteral("/usr/lib/postgresql/%1/bin/").arg(bins.last());
        m_dir = QStringLiteral("/tmp/quellmark-bench-pg-%1").arg(getpid());
        QDir().mkpath(m_dir);
        const bool root = geteuid() == 0;
        if (root)
            QProcess::execute(QStringLiteral("chown"),
                              {QStringLiteral("postgres:postgres"), m_dir});
        {
            QTcpServer probe;
            probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0);
            m_port = probe.serverPort();
        }
        if (run({m_bin + QStringLiteral("initdb"), QStringLiteral("-D"),
                 m_dir + QStringLiteral("/data"), QStringLiteral("-U"), QStringLiteral("postgres"),
                 QStringLiteral("-A"), QStringLiteral("trust")}) != 0)
            return false;
        m_server.setProgram(root ? QStringLiteral("runuser") : m_bin + QStringLiteral("postgres"));
        QStringList args = {m_bin + QStringLiteral("postgres"),
                            QStringLiteral("-D"),
                            m_dir + QStringLiteral("/data"),
                            QStringLiteral("-h"),
                            QStringLiteral("127.0.0.1"),
                            QStringLiteral("-p"),
                            QString::number(m_port),
                            QStringLiteral("-k"),
                            m_dir};
        if (root)
            args = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"),
                               QStringLiteral("--")} +
                   args;
        else
            args.removeFirst();
        m_server.setArguments(args);
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.setStandardOutputFile(m_dir + QStringLiteral("/log"));
        m_server.start();
        for (int i = 0; i < 100; ++i) {
            QSqlDatabase db =
                QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pg"));
            db.setHostName(QStringLiteral("127.0.0.1"));
            db.setPort(m_port);
            db.setUserName(QStringLiteral("postgres"));
            db.setDatabaseName(QStringLiteral("postgres"));
            if (db.open())
                return true;
            m_server.waitForFinished(100);
        }
        return false;
    }
    ~Postgres()
    {
        QSqlDatabase::removeDatabase(QStringLiteral("pg"));
        if (m_server.state() == QProcess::Running) {
            m_server.terminate();
            m_server.waitForFinished(10000);
        }
        if (!m_dir.isEmpty())
            QDir(m_dir).removeRecursively();
    }

private:
    // Runs a tool of PostgreSQL's to its end, as the postgres user when root, its talk
    // kept out of the figures.
    int run(QStringList command)
    {
        if (geteuid() == 0)
            command = QStringList{QStringLiteral("runuser"), QStringLiteral("-u"),
                                  QStringLiteral("postgres"), QStringLiteral("--")} +
                      command;
        QProcess tool;
        tool.setStandardOutputFile(QProcess::nullDevice());
        tool.setStandardErrorFile(QProcess::nullDevice());
        tool.start(command.first(), command.mid(1));
        tool.waitForFinished(-1);
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    QString m_bin;
    QString m_dir;
    quint16 m_port = 0;
    QProcess m_server;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {10000, 100000, 1000000};

    StandinServer server({QStringLiteral("127.0.0.1:0")}, R"({"workstations":[]})");
    TAdsConnection connection;
    connection.setConnectPath(server.connectPath(QStringLiteral("daten")));
    connection.Connect();

    Postgres postgres;
    const bool havePostgres = postgres.start();
    if (!havePostgres)
        std::printf(
            "(PostgreSQL or Qt's PostgreSQL driver not installed: that column stays empty)\n");

    std::printf("%8s  %12s  %12s  %12s  %11s  %8s  %10s  %10s  %10s\n", "rows", "ours ns/row",
                "sqlite", "postgres", "ours/sqlite", "ours/pg", "ours MiB", "server MiB",
                "sqlite MiB");
    bool met = true;
    for (int rows : sizes) {
        server.control(QStringLiteral(R"({"syntheticUsers":%1})").arg(rows).toUtf8());
        ours(connection, rows); // warm-up
        const Peak oursMemory(QCoreApplication::applicationPid());
        const Peak serverMemory(server.pid());
        const double mine = ours(connection, rows);
        const double oursMib = oursMemory.mib();
        const double serverMib = serverMemory.mib();

        QSqlDatabase lite =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lite"));
        lite.setDatabaseName(QStringLiteral(":memory:"));
        lite.open();
        fill(lite, rows);
        qtSql(lite, rows);
        const Peak liteMemory(QCoreApplication::applicationPid());
        const double sqlite = qtSql(lite, rows);
        const double liteMib = liteMemory.mib();
        lite.close();
        lite = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("lite"));

        double pg = 0;
        if (havePostgres) {
            QSqlDatabase db = QSqlDatabase::database(QStringLiteral("pg"));
            QSqlQuery(db).exec(QStringLiteral("DROP TABLE IF EXISTS users"));
            fill(db, rows);
            qtSql(db, rows);
            pg = qtSql(db, rows);
        }
        met = met && mine <= 0.8 * sqlite;
        std::printf("%8d  %12.0f  %12.0f  %12.0f  %11.2f  %8.2f  %10.1f  %10.1f  %10.1f\n", rows,
                    mine, sqlite, pg, mine / sqlite, pg > 0 ? mine / pg : 0.0, oursMib, serverMib,
                    liteMib);
    }
    std::printf("MiB: peak resident memory during the scan (sqlite: its in-memory database "
                "included)\n");
    std::printf("goal: ours/sqlite <= 0.80 at every size (moonshot: ours/pg <= 0.60): %s\n",
                met ? "met" : "MISSED");
    return 0;
}
