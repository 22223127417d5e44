#include "AceApi.h"
#include "EngineCallLog.h"
#include "MessageOf.h"
#include "QtPrinters.h"
#include "StandinServer.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QDate>
#include <QRegularExpression>
#include <QTcpServer>
#include <gtest/gtest.h>
#include <memory>
#include <unistd.h>

namespace {

const QString UsageSql = QStringLiteral("EXECUTE PROCEDURE sp_mgGetUsageInfo();");
const QString InstallSql = QStringLiteral("EXECUTE PROCEDURE sp_mgGetInstallInfo();");
const QString UsersSql = QStringLiteral("EXECUTE PROCEDURE sp_mgGetConnectedUsers();");
const QString TablesSql = QStringLiteral("EXECUTE PROCEDURE sp_mgGetUserTables(:usr);");

class QueryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<StandinServer>(
            QStringList{QStringLiteral("127.0.0.1:0")},
            R"({"name":"Q1","workstations":[{"name":"WS-Ω","login":"jdoe","application":"Kasse.exe","address":"10.0.0.9"}]})");
    }
    static void TearDownTestSuite() { server.reset(); }

    QueryTest()
    {
        server->resetFaults();
        window.setObjectName(QStringLiteral("dlgRemoteInfo"));
        connection = new TAdsConnection(&window);
        connection->setObjectName(QStringLiteral("AdsConnect"));
        connection->setConnectPath(server->connectPath(QStringLiteral("daten")));
    }

    TAdsQuery *query(const char *name, const QString &sql)
    {
        auto *q = new TAdsQuery(&window);
        q->setObjectName(QLatin1String(name));
        q->setAdsConnection(connection);
        q->setSQL({sql});
        return q;
    }

    static int executions(const QString &procedure)
    {
        return int(server->executions(procedure).size());
    }

    static std::unique_ptr<StandinServer> server;
    QObject window;
    TAdsConnection *connection;
};
std::unique_ptr<StandinServer> QueryTest::server;

TEST_F(QueryTest, EachProcedureOpensAndEveryFieldReads)
{
    for (const QString &sql : {UsageSql, InstallSql, UsersSql}) {
        SCOPED_TRACE(sql.toStdString());
        TAdsQuery *q = query("q", sql);
        q->Open();
        EXPECT_TRUE(q->Active());
        EXPECT_TRUE(connection->IsConnected());
        EXPECT_FALSE(q->IsEmpty());
        for (q->First(); !q->Eof(); q->Next())
            for (const auto &field : q->Fields())
                field->DisplayText();
        q->Close();
    }

    TAdsQuery *install = query("qInstallInfo", InstallSql);
    install->Open();
    EXPECT_EQ(install->FieldByName(QStringLiteral("Owner"))->AsString(),
              QStringLiteral("Müller & Söhne Datentechnik GmbH"));
    EXPECT_EQ(install->FieldByName(QStringLiteral("ReplicationEnabled"))->AsString(),
              QStringLiteral("Falsch"));
    EXPECT_TRUE(install->FieldByName(QStringLiteral("EvalExpireDate"))->IsNull());
    EXPECT_EQ(install->FieldByName(QStringLiteral("InstallDate"))->Value().toDate(),
              QDate(2024, 3, 18));
    EXPECT_EQ(install->RecordCount(), 1);

    TAdsQuery *usage = query("qUsageInfo", UsageSql);
    usage->Open();
    EXPECT_EQ(usage->Fields().front()->FieldName, QStringLiteral("ResourceName"));
    EXPECT_EQ(usage->FieldByName(QStringLiteral("resourcename"))->AsString(),
              QStringLiteral("Users"));
    EXPECT_EQ(usage->FieldByName(QStringLiteral("PercentUsed"))->DataType, TFieldType::ftBCD);

    // The monitor's own connection is among the connected users.
    TAdsQuery *users = query("qCnctUsers", UsersSql);
    users->Open();
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    QStringList names;
    for (users->First(); !users->Eof(); users->Next())
        names.append(users->FieldByName(QStringLiteral("UserName"))->AsString() + QLatin1Char('/') +
                     users->FieldByName(QStringLiteral("ApplicationID"))->AsString());
    EXPECT_TRUE(names.contains(QString::fromLocal8Bit(host) + QStringLiteral("/query_tests")))
        << names.join(',').toStdString();
    EXPECT_TRUE(names.contains(QStringLiteral("WS-Ω/Kasse.exe")));
}

// What the opening reads and keeps only to tell it: the open options, the exclusive flag,
// the index page size, the engine's column definitions; no index is active; the empty row
// and the index names are asked for and not kept; each row is read after a count of its
// columns.
TEST_F(QueryTest, OpeningAsksTheEngineAsTheComponentDoes)
{
    TAdsQuery *q = query("qUsageInfo", UsageSql);
    EngineCallLog log;
    q->Open();
    EXPECT_EQ(q->TableOptions(), aceoption::OpenReadOnly);
    EXPECT_FALSE(q->IsExclusive());
    EXPECT_EQ(q->AdsTableOptions().mulIndexPageSize, 0u);
    EXPECT_EQ(q->ActiveHandle(), q->Handle());
    const TACEFieldDefs &defs = q->ACEFieldDefs();
    ASSERT_EQ(defs.Count(), int(q->Fields().size()));
    for (int i = 0; i < defs.Count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(defs.Items(i).FieldName(), q->Fields()[std::size_t(i)]->FieldName);
        EXPECT_EQ(defs.Items(i).FieldNumber(), i + 1);
        EXPECT_FALSE(defs.Items(i).Modified());
    }
    const QStringList calls = log.calls();
    const QStringList opening = {
        QStringLiteral("AdsGetRecordLength"),   QStringLiteral("AdsGetTableOpenOptions"),
        QStringLiteral("AdsGetAllIndexes"),     QStringLiteral("AdsGetIndexPageSize"),
        QStringLiteral("AdsGetBookmarkLength"), QStringLiteral("AdsGetNumFields"),
        QStringLiteral("AdsGetNullRecord"),     QStringLiteral("AdsGetNumFields")};
    const qsizetype start = calls.indexOf(opening.first());
    ASSERT_GE(start, 0);
    EXPECT_EQ(calls.mid(start, opening.size()), opening);
    const qsizetype firstRow = calls.indexOf(QStringLiteral("AdsGetRecord"));
    ASSERT_GT(firstRow, 0);
    EXPECT_EQ(calls[firstRow - 1], QStringLiteral("AdsGetNumFields"));
}

TEST_F(QueryTest, ReopeningRunsTheProcedureAgainOnTheSameStatement)
{
    TAdsQuery *q = query("qUsageInfo", UsageSql);
    q->Open();
    const quint32 statement = q->StmtHandle();
    const int before = executions(QStringLiteral("sp_mgGetUsageInfo"));
    EngineCallLog log;
    q->Close();
    EXPECT_EQ(q->StmtHandle(), statement);
    q->Open();
    EXPECT_EQ(q->StmtHandle(), statement);
    EXPECT_EQ(executions(QStringLiteral("sp_mgGetUsageInfo")), before + 1);

    // One handle test, the seven option calls, one prepare, the execution; no new statement.
    QStringList calls = log.calls();
    const qsizetype end = calls.indexOf(QStringLiteral("AdsExecuteSQL"));
    const qsizetype start = calls.indexOf(QStringLiteral("AdsGetHandleType"));
    ASSERT_GE(start, 0);
    ASSERT_GT(end, start);
    EXPECT_EQ(calls.mid(start, end - start + 1),
              QStringList({QStringLiteral("AdsGetHandleType"),
                           QStringLiteral("AdsStmtSetTableLockType(1)"),
                           QStringLiteral("AdsStmtSetTableCollation(ANSI)"),
                           QStringLiteral("AdsStmtSetTableRights(1)"),
                           QStringLiteral("AdsStmtSetTableReadOnly(1)"),
                           QStringLiteral("AdsStmtSetTableType(3)"),
                           QStringLiteral("AdsStmtConstrainUpdates(2)"),
                           QStringLiteral("AdsStmtReadAllColumns(2)"),
                           QStringLiteral("AdsPrepareSQLW"), QStringLiteral("AdsExecuteSQL")}));
    EXPECT_FALSE(calls.contains(QStringLiteral("AdsCreateSQLStatement")));
}

TEST_F(QueryTest, ParameterReachesTheServerExactlyByPosition)
{
    TAdsQuery *tables = query("qUserTables", TablesSql);
    ASSERT_EQ(tables->ParamCount(), 1);
    EXPECT_EQ(tables->Params()[0].Name, QStringLiteral("usr"));
    const QString user = QStringLiteral("WS-Ω\\jdoe");
    tables->Params()[0].setAsString(user);
    EXPECT_EQ(tables->Params()[0].DataType, TFieldType::ftWideString);
    EngineCallLog log;
    tables->Open();
    EXPECT_TRUE(log.calls().contains(QStringLiteral("AdsSetStringW(1,%1)").arg(user.size())));
    EXPECT_FALSE(
        server->log().filter(QStringLiteral("sp_mgGetUserTables('WS-Ω\\jdoe')")).isEmpty());
    EXPECT_EQ(tables->Fields().size(), 5u);

    // An empty string is bound as such, a value-less parameter as empty.
    tables->Close();
    tables->Params()[0].setAsString(QString());
    log.clear();
    tables->Open();
    EXPECT_TRUE(log.calls().contains(QStringLiteral("AdsSetStringW(1,0)")));
    EXPECT_TRUE(tables->IsEmpty());
    tables->Close();
    tables->Params()[0].Clear();
    log.clear();
    tables->Open();
    EXPECT_TRUE(log.calls().contains(QStringLiteral("AdsSetEmpty(1)")));
}

TEST_F(QueryTest, DisconnectForgetsTheStatementAndReconnectMakesANewOne)
{
    TAdsQuery *q = query("qUsageInfo", UsageSql);
    q->Open();
    const quint32 statement = q->StmtHandle();
    connection->Disconnect();
    EXPECT_FALSE(q->Active());
    EXPECT_EQ(q->StmtHandle(), NoAceHandle);
    EngineCallLog log;
    q->Open();
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_NE(q->StmtHandle(), statement);
    EXPECT_EQ(log.calls().count(QStringLiteral("AdsCreateSQLStatement")), 1);
    EXPECT_EQ(log.calls().count(QStringLiteral("AdsConnect101")), 1);
}

TEST_F(QueryTest, FailedConnectLeavesTheQueryClosed)
{
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        closedPort = probe.serverPort();
    }
    connection->setConnectPath(QStringLiteral("\\\\127.0.0.1:%1\\daten").arg(closedPort));
    TAdsQuery *q = query("qUsageInfo", UsageSql);
    EXPECT_TRUE(
        messageOf<EADSDatabaseError>([&] { q->Open(); }).contains(QStringLiteral("not reachable")));
    EXPECT_FALSE(q->Active());
    EXPECT_FALSE(connection->IsConnected());
}

TEST_F(QueryTest, ProcedureErrorsCarryTheQueryNameAndTheNativeCode)
{
    server->control(R"({"procedureErrors":{"sp_mgGetUsageInfo":{"code":7200,"count":1,
        "text":"ERROR 7200:  AQE Error:  State = S0000;   NativeError = 2121;  Column not found"}}})");
    TAdsQuery *q = query("qUsageInfo", UsageSql);
    try {
        q->Open();
        FAIL() << "opened";
    } catch (const EADSDatabaseError &error) {
        EXPECT_EQ(error.message(),
                  QStringLiteral("qUsageInfo: ERROR 7200:  AQE Error:  State = S0000;   "
                                 "NativeError = 2121;  Column not found"));
        EXPECT_EQ(error.ACEErrorCode(), 7200u);
        EXPECT_EQ(error.SQLErrorCode(), 2121u);
    }
    EXPECT_FALSE(q->Active());
    EXPECT_NE(q->StmtHandle(), NoAceHandle);
    q->Open();
    EXPECT_TRUE(q->Active());
}

TEST_F(QueryTest, LostStatementIsClosedAndMadeAfresh)
{
    TAdsQuery *q = query("qUsageInfo", UsageSql);
    q->Open();
    q->Close();
    server->control(
        R"({"procedureErrors":{"sp_mgGetUsageInfo":{"code":7209,"count":1,"text":"Error 7209: statement lost"}}})");
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { q->Open(); }),
              QStringLiteral("qUsageInfo: Error 7209: statement lost"));
    EXPECT_EQ(q->StmtHandle(), NoAceHandle);
    EngineCallLog log;
    q->Open();
    EXPECT_EQ(log.calls().count(QStringLiteral("AdsCreateSQLStatement")), 1);
}

TEST_F(QueryTest, ResultShapes)
{
    server->control(
        R"({"unknownTypeColumn":["sp_mgGetUsageInfo"],"lowerCaseFields":["sp_mgGetUserTables"],
        "emptyResults":["sp_mgGetInstallInfo"]})");
    TAdsQuery *usage = query("qUsageInfo", UsageSql);
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { usage->Open(); }),
              QStringLiteral("qUsageInfo: Unknown field type (25) encountered."));
    EXPECT_FALSE(usage->Active());

    TAdsQuery *tables = query("qUserTables", TablesSql);
    tables->Params()[0].setAsString(QStringLiteral("WS-Ω\\jdoe"));
    tables->Open();
    EXPECT_EQ(tables->FieldByName(QStringLiteral("TableName"))->FieldName,
              QStringLiteral("tablename"));

    TAdsQuery *install = query("qInstallInfo", InstallSql);
    int scrolls = 0;
    install->AfterScroll = [&](TDataSetBase *) { ++scrolls; };
    install->Open();
    EXPECT_TRUE(install->Active());
    EXPECT_TRUE(install->IsEmpty());
    EXPECT_EQ(install->RecNo(), 0);
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(install->FieldByName(QStringLiteral("Owner"))->AsString(), QString());
    EXPECT_EQ(messageOf<EDataAccessError>([&] { install->FieldByName(QStringLiteral("Nope")); }),
              QStringLiteral("qInstallInfo: Das Feld 'Nope' wurde nicht gefunden"));
    install->Close();
    EXPECT_EQ(messageOf<EDataAccessError>([&] { install->FieldByName(QStringLiteral("Owner")); }),
              QStringLiteral("qInstallInfo: Das Feld 'Owner' wurde nicht gefunden"));
}

TEST_F(QueryTest, AfterScrollMoments)
{
    TAdsQuery *install = query("qInstallInfo", InstallSql);
    int scrolls = 0;
    install->AfterScroll = [&](TDataSetBase *) { ++scrolls; };
    install->Open();
    EXPECT_EQ(scrolls, 1);
    install->Next();
    EXPECT_EQ(scrolls, 2);
    EXPECT_TRUE(install->Eof());
    install->Next();
    EXPECT_EQ(scrolls, 2);
    install->First();
    install->First();
    EXPECT_EQ(scrolls, 4);
    install->MoveBy(0);
    install->Prior();
    EXPECT_EQ(scrolls, 4);
    install->Close();
    EXPECT_EQ(scrolls, 4);
}

// A control that keeps five records buffered.
class WindowLink : public TDataLink {
public:
    int changes = 0;
    void DataSetChanged() override { ++changes; }
};

TEST_F(QueryTest, NavigationThroughAWindowOfBuffers)
{
    server->control(R"({"syntheticUsers":40})");
    TAdsQuery *users = query("qCnctUsers", UsersSql);
    TDataSource source;
    source.setDataSet(users);
    WindowLink link;
    link.setBufferCount(5);
    link.setDataSource(&source);
    users->Open();
    const int total = users->RecordCount();
    EXPECT_GE(total, 40);
    EXPECT_EQ(users->WindowRecordCount(), 5);
    EXPECT_EQ(users->RecNo(), 1);

    QStringList forward;
    for (users->First(); !users->Eof(); users->Next())
        forward.append(users->FieldByName(QStringLiteral("ConnNumber"))->AsString());
    EXPECT_EQ(forward.size(), total);
    EXPECT_EQ(users->RecNo(), total);

    QStringList backward;
    for (users->Last(); !users->Bof(); users->Prior())
        backward.prepend(users->FieldByName(QStringLiteral("ConnNumber"))->AsString());
    EXPECT_EQ(backward, forward);

    users->setRecNo(17);
    EXPECT_EQ(users->RecNo(), 17);
    EXPECT_EQ(users->FieldByName(QStringLiteral("ConnNumber"))->AsString(), forward[16]);
    EXPECT_EQ(users->MoveBy(-20), -16);
    EXPECT_TRUE(users->Bof());
    EXPECT_EQ(users->MoveBy(7), 7);
    EXPECT_EQ(users->FieldByName(QStringLiteral("ConnNumber"))->AsString(), forward[7]);
    EXPECT_GT(link.changes, 0);
}

TEST_F(QueryTest, OwnChecksAndTheirMessages)
{
    TAdsQuery *q = query("qUsageInfo", UsageSql);
    q->Open();
    const QString openDataSet =
        QStringLiteral("qUsageInfo: Cannot perform this operation on an open dataset");
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { q->Prepare(); }), openDataSet);
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { q->UnPrepare(); }), openDataSet);
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { q->AdsCloseSQLStatement(); }), openDataSet);
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { q->setAdsConnection(nullptr); }),
              QStringLiteral("qUsageInfo: Table must not be Active."));
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { q->Constraints(); }),
              QStringLiteral("qUsageInfo: The property \"Constraints\" is not supported."));
    EXPECT_EQ(
        messageOf<EADSDatabaseError>([&] { q->SetTableType(TAdsTableTypes::ttAdsNTX); }),
        QStringLiteral("qUsageInfo: The TAdsQuery component does not support the NTX table type"));
    EXPECT_EQ(messageOf<EDataAccessError>([&] { q->ParamByName(QStringLiteral("x")); }),
              QStringLiteral("qUsageInfo: Parameter 'x' nicht gefunden"));
    EXPECT_TRUE(q->Prepared());
    q->Close();
    EXPECT_FALSE(q->Prepared());

    // Assigning the same text again changes nothing, another text closes.
    q->Open();
    q->setSQL({UsageSql});
    EXPECT_TRUE(q->Active());
    q->setSQL({InstallSql});
    EXPECT_FALSE(q->Active());

    TAdsQuery loose;
    loose.setObjectName(QStringLiteral("qLoose"));
    loose.setSQL({UsageSql});
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { loose.Open(); }),
              QStringLiteral("qLoose: The DatabaseName property has not been assigned a value."));

    TAdsQuery typeless;
    typeless.setObjectName(QStringLiteral("qTypeless"));
    typeless.setAdsConnection(connection);
    typeless.setSQL({TablesSql});
    typeless.Params()[0].Value = QStringLiteral("x");
    EXPECT_EQ(
        messageOf<EADSDatabaseError>([&] { typeless.Open(); }),
        QStringLiteral(
            "qTypeless: The field named: 'usr' has the DataType of ftUnknown, which is invalid."));
}

TEST_F(QueryTest, LoadingHandsTheTextToTheEngineAndKeepsTheStoredParameters)
{
    EngineCallLog log;
    TAdsQuery q;
    q.BeginLoading();
    q.setSQL({TablesSql});
    EXPECT_EQ(log.calls(), QStringList{QStringLiteral("AdsGetSQLStmtParams")});
    EXPECT_EQ(q.ParamCount(), 0);
    TParam stored;
    stored.Name = QStringLiteral("usr");
    stored.DataType = TFieldType::ftWideString;
    stored.Value = QStringLiteral("WS01\\admin");
    q.setStoredParams({stored});
    q.Loaded();
    ASSERT_EQ(q.ParamCount(), 1);
    EXPECT_EQ(q.Params()[0].Value.toString(), QStringLiteral("WS01\\admin"));
}

TEST(SQLParams, Parsing)
{
    const struct {
        const char *sql;
        QStringList names;
    } cases[] = {
        {"EXECUTE PROCEDURE sp_mgGetUserTables(:usr);", {QStringLiteral("usr")}},
        {"SELECT ':no', \":nor\", `:neither` FROM t WHERE a = :a AND b=:b",
         {QStringLiteral("a"), QStringLiteral("b")}},
        {"SELECT a::int, :x FROM t", {QStringLiteral("x")}},
        {"SELECT :\"with space, and;\" FROM t", {QStringLiteral("with space, and;")}},
        {"WHERE a = :p OR b = :p", {QStringLiteral("p"), QStringLiteral("p")}},
        {"-- :comment\r\n:next", {QStringLiteral("comment"), QStringLiteral("next")}},
        {"no parameters", {}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ParseSQLParams(QString::fromUtf8(c.sql)), c.names) << c.sql;
}

} // namespace
