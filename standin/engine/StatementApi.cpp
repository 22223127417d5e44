// Statements: options, prepare, parameters and execution.

#include "AceCodes.h"
#include "Answers.h"
#include "Api.h"
#include "Cursor.h"
#include "Text.h"

#include <climits>

using namespace engine;

namespace {

std::shared_ptr<Statement> statementOf(ADSHANDLE handle)
{
    return Handles::instance().find<Statement>(handle, ADS_STATEMENT);
}

UNSIGNED32 badStatement()
{
    return fail(acecode::InvalidHandle, "Invalid statement handle.");
}

// Logs "Name(value)" and checks the statement; the options themselves change nothing on
// a stand-in server.
UNSIGNED32 option(const char *name, ADSHANDLE handle, long value)
{
    if (callLogEnabled())
        logCall(std::string(name) + "(" + std::to_string(value) + ")");
    return statementOf(handle) ? acecode::Success : badStatement();
}

std::size_t parameterNumber(const UNSIGNED8 *field)
{
    return static_cast<std::size_t>(reinterpret_cast<std::uintptr_t>(field));
}

// The statement's time-out in seconds, or the engine's default, as milliseconds.
int answerTimeoutMs(UNSIGNED32 seconds)
{
    if (seconds == 0)
        return AnswerTimeoutMs;
    return seconds > UNSIGNED32(INT_MAX / 1000) ? INT_MAX : int(seconds) * 1000;
}

} // namespace

UNSIGNED32 engine::api::AdsCreateSQLStatement(ADSHANDLE hConnect, ADSHANDLE *phStatement)
{
    logCall("AdsCreateSQLStatement");
    auto session = Handles::instance().find<Session>(hConnect, ADS_CONNECTION);
    if (!session || !phStatement)
        return fail(acecode::InvalidConnectionHandle, "Invalid connection handle.");
    auto statement = std::make_shared<Statement>();
    statement->connection = hConnect;
    statement->session = session;
    *phStatement = Handles::instance().add(statement);
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsSetSQLTimeout(ADSHANDLE hStatement, UNSIGNED32 ulTimeout)
{
    logCall("AdsSetSQLTimeout");
    auto statement = statementOf(hStatement);
    if (!statement)
        return badStatement();
    statement->timeoutSeconds = ulTimeout;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsStmtSetTableLockType(ADSHANDLE h, UNSIGNED16 v)
{
    return option("AdsStmtSetTableLockType", h, v);
}

UNSIGNED32 engine::api::AdsStmtSetTableCollation(ADSHANDLE h, UNSIGNED8 *pucCollation)
{
    if (callLogEnabled())
        logCall(std::string("AdsStmtSetTableCollation(") +
                (pucCollation ? reinterpret_cast<const char *>(pucCollation) : "") + ")");
    return statementOf(h) ? acecode::Success : badStatement();
}

UNSIGNED32 engine::api::AdsStmtSetTableRights(ADSHANDLE h, UNSIGNED16 v)
{
    return option("AdsStmtSetTableRights", h, v);
}

UNSIGNED32 engine::api::AdsStmtSetTableReadOnly(ADSHANDLE h, UNSIGNED16 v)
{
    return option("AdsStmtSetTableReadOnly", h, v);
}

UNSIGNED32 engine::api::AdsStmtSetTableType(ADSHANDLE h, UNSIGNED16 v)
{
    return option("AdsStmtSetTableType", h, v);
}

UNSIGNED32 engine::api::AdsStmtConstrainUpdates(ADSHANDLE h, UNSIGNED16 v)
{
    return option("AdsStmtConstrainUpdates", h, v);
}

UNSIGNED32 engine::api::AdsStmtReadAllColumns(ADSHANDLE h, UNSIGNED16 v)
{
    return option("AdsStmtReadAllColumns", h, v);
}

UNSIGNED32 engine::api::AdsPrepareSQLW(ADSHANDLE hStatement, WCHAR16 *pwcSQL)
{
    logCall("AdsPrepareSQLW");
    auto statement = statementOf(hStatement);
    if (!statement)
        return badStatement();
    if (!pwcSQL)
        return fail(acecode::InvalidArgument, "No SQL text.");
    std::size_t length = 0;
    while (pwcSQL[length])
        ++length;
    statement->sql = utf16ToUtf8(reinterpret_cast<const char16_t *>(pwcSQL), length);
    statement->params.clear();
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsSetStringW(ADSHANDLE hObj, UNSIGNED8 *pucFldName, WCHAR16 *pwcBuf,
                                      UNSIGNED32 ulLen)
{
    const std::size_t number = parameterNumber(pucFldName);
    if (callLogEnabled())
        logCall("AdsSetStringW(" + std::to_string(number) + "," + std::to_string(ulLen) + ")");
    auto statement = statementOf(hObj);
    if (!statement)
        return badStatement();
    if (number == 0 || number > 0xFFFF || (!pwcBuf && ulLen > 0))
        return fail(acecode::InvalidArgument, "Parameters are bound by number here.");
    if (statement->params.size() < number)
        statement->params.resize(number);
    statement->params[number - 1] = utf16ToUtf8(reinterpret_cast<const char16_t *>(pwcBuf), ulLen);
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsSetEmpty(ADSHANDLE hObj, UNSIGNED8 *pucFldName)
{
    const std::size_t number = parameterNumber(pucFldName);
    if (callLogEnabled())
        logCall("AdsSetEmpty(" + std::to_string(number) + ")");
    auto statement = statementOf(hObj);
    if (!statement)
        return badStatement();
    if (number == 0 || number > 0xFFFF)
        return fail(acecode::InvalidArgument, "Parameters are bound by number here.");
    if (statement->params.size() < number)
        statement->params.resize(number);
    statement->params[number - 1].reset();
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsExecuteSQL(ADSHANDLE hStatement, ADSHANDLE *phCursor)
{
    logCall("AdsExecuteSQL");
    auto statement = statementOf(hStatement);
    if (!statement || !phCursor)
        return badStatement();
    *phCursor = 0;
    auto session = statement->session.lock();
    if (!session)
        return fail(acecode::InvalidConnectionHandle, "The statement's connection is closed.");

    wire::Writer request(wire::Execute);
    request.str(statement->sql).u16(static_cast<std::uint16_t>(statement->params.size()));
    for (const auto &param : statement->params) {
        request.u8(param ? 1 : 0);
        request.str(param ? *param : std::string());
    }
    const int timeoutMs = answerTimeoutMs(statement->timeoutSeconds);
    std::vector<std::uint8_t> answer;
    if (const UNSIGNED32 rc = session->request(request, answer, wire::Result, wire::MaxFrame,
                                               Deadline::in(timeoutMs)))
        return rc;
    auto header = answer::result(answer.data() + 1, answer.size() - 1);
    if (auto *failure = std::get_if<answer::Failure>(&header))
        return fail(failure->code, std::move(failure->text));
    auto cursor = std::make_shared<Cursor>();
    answer::ResultHeader &result = std::get<answer::ResultHeader>(header);
    cursor->serverId = result.serverId;
    cursor->rowCount = result.rowCount;
    cursor->recordLength = result.recordLength;
    cursor->columns = std::move(result.columns);
    if (cursor->serverId == 0)
        return acecode::Success; // no cursor: a statement without a result
    cursor->connection = statement->connection;
    cursor->statement = hStatement;
    cursor->session = session;
    cursor->answerTimeoutMs = timeoutMs;
    cursor->batches = BatchCache(cursor->rowCount, cursor->recordLength);
    *phCursor = Handles::instance().add(cursor);
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsCloseSQLStatement(ADSHANDLE hStatement)
{
    logCall("AdsCloseSQLStatement");
    if (!statementOf(hStatement))
        return fail(acecode::StatementAlreadyClosed, "The statement is already closed.");
    Handles::instance().removeIf([hStatement](const Object &object) {
        return object.type == ADS_CURSOR &&
               static_cast<const Cursor &>(object).statement == hStatement;
    });
    Handles::instance().remove(hStatement);
    return acecode::Success;
}
