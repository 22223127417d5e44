#pragma once

// The engine's C API against a ScriptedServer: connect, prepare and execute one statement,
// and the engine's last error of a call that failed.

#include "ScriptedServer.h"
#include "Wire.h"
#include "ace.h"

#include <QByteArray>
#include <gtest/gtest.h>
#include <string>

struct EngineOutcome {
    UNSIGNED32 code = 0;
    std::string text;
};

inline EngineOutcome lastEngineError(UNSIGNED32 code)
{
    UNSIGNED32 reported = 0;
    UNSIGNED8 buffer[601] = {};
    UNSIGNED16 length = 600;
    ace::AdsGetLastError(&reported, buffer, &length);
    return {code, reinterpret_cast<const char *>(buffer)};
}

// Connects to the scripted peer; 0 when the engine refused, with its error in failure.
inline ADSHANDLE connectTo(ScriptedServer &server, EngineOutcome &failure)
{
    QByteArray connect = ("Data Source=" + server.connectPath() + ";").toLocal8Bit();
    ADSHANDLE connection = 0;
    if (const UNSIGNED32 rc =
            ace::AdsConnect101(reinterpret_cast<UNSIGNED8 *>(connect.data()), nullptr, &connection))
        failure = lastEngineError(rc);
    return connection;
}

// Prepares and executes one statement on a connection; the cursor, when asked for and made,
// stays open.
inline EngineOutcome executeOn(ADSHANDLE connection, UNSIGNED32 sqlTimeoutSeconds = 0,
                               ADSHANDLE *cursorOut = nullptr)
{
    ADSHANDLE statement = 0;
    EXPECT_EQ(ace::AdsCreateSQLStatement(connection, &statement), 0u);
    if (sqlTimeoutSeconds)
        ace::AdsSetSQLTimeout(statement, sqlTimeoutSeconds);
    std::u16string sql = u"EXECUTE PROCEDURE sp_mgGetUsageInfo();";
    ace::AdsPrepareSQLW(statement, reinterpret_cast<WCHAR16 *>(sql.data()));
    ADSHANDLE cursor = 0;
    const UNSIGNED32 rc = ace::AdsExecuteSQL(statement, &cursor);
    if (rc)
        return lastEngineError(rc);
    if (cursorOut)
        *cursorOut = cursor;
    return {};
}

// Connects, prepares and executes one statement against the scripted peer; the cursor, when
// asked for and made, stays open with its connection (given in connectionOut when asked).
inline EngineOutcome executeAgainst(ScriptedServer &server, UNSIGNED32 sqlTimeoutSeconds = 0,
                                    ADSHANDLE *cursorOut = nullptr,
                                    ADSHANDLE *connectionOut = nullptr)
{
    EngineOutcome refused;
    const ADSHANDLE connection = connectTo(server, refused);
    if (!connection)
        return refused;
    ADSHANDLE cursor = 0;
    const EngineOutcome outcome = executeOn(connection, sqlTimeoutSeconds, &cursor);
    if (cursorOut && outcome.code == 0) {
        *cursorOut = cursor;
        if (connectionOut)
            *connectionOut = connection;
    } else
        ace::AdsDisconnect(connection);
    return outcome;
}

// A peer that welcomes every client and answers the execution with the given bytes.
inline ScriptedServer::Script answering(const QByteArray &executeAnswer)
{
    return [executeAnswer](std::uint8_t type, const QByteArray &) -> ScriptedServer::Reply {
        if (type == wire::Hello)
            return {ScriptedServer::welcome()};
        if (type == wire::Execute)
            return {executeAnswer};
        return {};
    };
}
