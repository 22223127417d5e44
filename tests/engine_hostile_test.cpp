// The engine against a peer that breaks the protocol: counts and lengths beyond reason,
// columns that do not fit, huge texts, silence. Every case ends in an engine error with a
// text, never a crash, an allocation of the claimed size or a wait past the time-out.

#include "AceCodes.h"
#include "MessageOf.h"
#include "ScriptedServer.h"
#include "Wire.h"
#include "ace.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <gtest/gtest.h>
#include <string>

namespace {

using Column = ScriptedServer::Column;

struct Outcome {
    UNSIGNED32 code = 0;
    std::string text;
};

Outcome lastError(UNSIGNED32 code)
{
    UNSIGNED32 reported = 0;
    UNSIGNED8 buffer[601] = {};
    UNSIGNED16 length = 600;
    ace::AdsGetLastError(&reported, buffer, &length);
    return {code, reinterpret_cast<const char *>(buffer)};
}

// Connects, prepares and executes one statement against the scripted peer.
Outcome execute(ScriptedServer &server, UNSIGNED32 sqlTimeoutSeconds = 0,
                ADSHANDLE *cursorOut = nullptr)
{
    QByteArray connect = ("Data Source=" + server.connectPath() + ";").toLocal8Bit();
    ADSHANDLE connection = 0;
    if (const UNSIGNED32 rc =
            ace::AdsConnect101(reinterpret_cast<UNSIGNED8 *>(connect.data()), nullptr, &connection))
        return lastError(rc);
    ADSHANDLE statement = 0;
    EXPECT_EQ(ace::AdsCreateSQLStatement(connection, &statement), 0u);
    if (sqlTimeoutSeconds)
        ace::AdsSetSQLTimeout(statement, sqlTimeoutSeconds);
    std::u16string sql = u"EXECUTE PROCEDURE sp_mgGetUsageInfo();";
    ace::AdsPrepareSQLW(statement, reinterpret_cast<WCHAR16 *>(sql.data()));
    ADSHANDLE cursor = 0;
    const UNSIGNED32 rc = ace::AdsExecuteSQL(statement, &cursor);
    const Outcome outcome = rc ? lastError(rc) : Outcome{};
    if (cursorOut && rc == 0)
        *cursorOut = cursor;
    else
        ace::AdsDisconnect(connection);
    return outcome;
}

// A peer that welcomes every client and answers the execution with the given bytes.
ScriptedServer::Script answering(const QByteArray &executeAnswer)
{
    return [executeAnswer](std::uint8_t type, const QByteArray &) -> ScriptedServer::Reply {
        if (type == wire::Hello)
            return {ScriptedServer::welcome()};
        if (type == wire::Execute)
            return {executeAnswer};
        return {};
    };
}

TEST(EngineAgainstABrokenServer, ResultsBeyondReasonAreErrors)
{
    const QList<Column> one = {{"n", 11, 4, 0}};
    const struct {
        const char *name;
        QByteArray answer;
        UNSIGNED32 code;
        const char *text;
    } cases[] = {
        {"row count of 0xFFFFFFFF", ScriptedServer::result(7, 0xFFFFFFFFu, 4, one),
         acecode::BrokenAnswer, "beyond the engine's limits"},
        {"row count that wraps with the batch size", ScriptedServer::result(7, 0xFFFFFFF0u, 4, one),
         acecode::BrokenAnswer, "beyond the engine's limits"},
        {"record length of 1 GiB", ScriptedServer::result(7, 1000, 1u << 30, one),
         acecode::BrokenAnswer, "beyond the engine's limits"},
        {"an integer column of 2 bytes", ScriptedServer::result(7, 1, 4, {{"n", 11, 2, 0}}),
         acecode::ColumnDoesNotFit, "Field length does not fit its type"},
        {"a varchar without room for its length word",
         ScriptedServer::result(7, 1, 8, {{"v", 23, 8, 0}}), acecode::ColumnDoesNotFit,
         "Field length does not fit its type"},
        {"a GUID of 4 bytes", ScriptedServer::result(7, 1, 4, {{"g", 29, 4, 0}}),
         acecode::ColumnDoesNotFit, "Field length does not fit its type"},
        {"a column past the row", ScriptedServer::result(7, 1, 8, {{"n", 11, 4, 6}}),
         acecode::ColumnDoesNotFit, "Field length does not fit its type"},
        {"a column whose offset wraps",
         ScriptedServer::result(7, 1, 8, {{"n", 11, 4, 0xFFFFFFFEu}}), acecode::ColumnDoesNotFit,
         "Field length does not fit its type"},
        {"a result whose columns run short",
         ScriptedServer::frame(ScriptedServer::result(7, 1, 4, one).mid(4).chopped(3)),
         acecode::BrokenAnswer, "malformed"},
        {"an empty frame", ScriptedServer::frame({}), acecode::BrokenAnswer, "malformed answer"},
        {"an error of code 0", ScriptedServer::error(0, "none"), acecode::BrokenAnswer,
         "malformed error"},
        {"an answer of another type", ScriptedServer::welcome(), acecode::BrokenAnswer,
         "unexpected answer"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(answering(c.answer));
        const Outcome outcome = execute(server);
        EXPECT_EQ(outcome.code, c.code);
        EXPECT_NE(outcome.text.find(c.text), std::string::npos) << outcome.text;
    }
}

TEST(EngineAgainstABrokenServer, FrameLengthBeyondTheLimitIsRefusedUnread)
{
    QByteArray header(4, '\0');
    const std::uint32_t huge = 0x7FFFFFFFu;
    std::memcpy(header.data(), &huge, 4);
    ScriptedServer server(answering(header + QByteArray(64, '\x83')));
    const Outcome outcome = execute(server);
    EXPECT_EQ(outcome.code, acecode::BrokenAnswer);
    EXPECT_NE(outcome.text.find("frame length 2147483647"), std::string::npos) << outcome.text;
}

TEST(EngineAgainstABrokenServer, HugeErrorTextOfInvalidBytesIsConvertedInOnePass)
{
    // 16 MiB less a little of bytes that are no UTF-8: each becomes one replacement.
    const QByteArray garbage(wire::MaxFrame - 64, '\xFF');
    ScriptedServer server(answering(ScriptedServer::error(7200, garbage)));
    const Outcome outcome = execute(server);
    EXPECT_EQ(outcome.code, 7200u);
    // The engine's last-error text holds the start of it, as far as 600 bytes go, cut
    // between characters.
    EXPECT_GE(outcome.text.size(), 590u);
    EXPECT_EQ(QString::fromLocal8Bit(outcome.text).toLocal8Bit(),
              QByteArray::fromStdString(outcome.text));
}

TEST(EngineAgainstABrokenServer, RowsThatDoNotMatchTheRequestAreErrors)
{
    ScriptedServer server([](std::uint8_t type, const QByteArray &) -> ScriptedServer::Reply {
        if (type == wire::Hello)
            return {ScriptedServer::welcome()};
        if (type == wire::Execute)
            return {ScriptedServer::result(7, 3, 4, {{"n", 11, 4, 0}})};
        if (type == wire::Fetch) // one row where three were asked for
            return {ScriptedServer::frame(QByteArray("\x84", 1) + QByteArray(8, '\0') +
                                          QByteArray(4, '\x01'))};
        return {};
    });
    ADSHANDLE cursor = 0;
    ASSERT_EQ(execute(server, 0, &cursor).code, 0u);
    ASSERT_EQ(ace::AdsSkip(cursor, 1), 0u);
    UNSIGNED8 row[4];
    UNSIGNED32 length = sizeof row;
    const UNSIGNED32 rc = ace::AdsGetRecord(cursor, row, &length);
    EXPECT_EQ(rc, acecode::BrokenAnswer);
    EXPECT_NE(lastError(rc).text.find("malformed rows"), std::string::npos);
}

TEST(EngineAgainstABrokenServer, ExecuteAndFetchFollowTheStatementTimeOut)
{
    bool silentFetch = false;
    ScriptedServer server(
        [&silentFetch](std::uint8_t type, const QByteArray &) -> ScriptedServer::Reply {
            if (type == wire::Hello)
                return {ScriptedServer::welcome()};
            if (type == wire::Execute && !silentFetch)
                return {};
            if (type == wire::Execute)
                return {ScriptedServer::result(7, 3, 4, {{"n", 11, 4, 0}})};
            return {}; // fetches are never answered
        });
    // A silent execution gives up after the statement's time-out of 1 s, not the default.
    QElapsedTimer clock;
    clock.start();
    Outcome outcome = execute(server, 1);
    EXPECT_EQ(outcome.code, acecode::TimedOut);
    EXPECT_LT(clock.elapsed(), 9000);

    silentFetch = true;
    ADSHANDLE cursor = 0;
    ASSERT_EQ(execute(server, 1, &cursor).code, 0u);
    ace::AdsSkip(cursor, 1);
    UNSIGNED8 row[4];
    UNSIGNED32 length = sizeof row;
    clock.restart();
    EXPECT_EQ(ace::AdsGetRecord(cursor, row, &length), acecode::TimedOut);
    EXPECT_LT(clock.elapsed(), 9000);
}

TEST(EngineAgainstABrokenServer, QueryOpeningSurfacesTheEngineText)
{
    ScriptedServer server(answering(ScriptedServer::result(7, 1, 4, {{"n", 11, 2, 0}})));
    QObject window;
    TAdsConnection connection(&window);
    connection.setConnectPath(server.connectPath());
    TAdsQuery query(&window);
    query.setObjectName(QStringLiteral("qUsageInfo"));
    query.setAdsConnection(&connection);
    query.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetUsageInfo();")});
    const QString message = messageOf<EADSDatabaseError>([&] { query.Open(); });
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("qUsageInfo: Field length does not fit its type")))
        << message.toStdString();
    EXPECT_FALSE(query.Active());
}

} // namespace
