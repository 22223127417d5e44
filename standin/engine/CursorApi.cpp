// Cursors: metadata, moves, rows and the rest of the result-set calls.

#include "AceCodes.h"
#include "AceFieldTypes.h"
#include "Answers.h"
#include "Api.h"
#include "Cursor.h"
#include "System.h"
#include "Text.h"

#include <algorithm>
#include <cstring>
#include <strings.h>

using namespace engine;

namespace engine {

void localiseCharacters(std::uint8_t *row, const std::vector<wire::Column> &columns)
{
    for (const wire::Column &column : columns) {
        std::uint8_t *p = row + column.offset;
        std::size_t used = column.length;
        if (column.type == acetype::VarChar) {
            std::uint16_t length = 0;
            std::memcpy(&length, p + column.length, 2);
            if (length == 0xFFFF)
                continue; // null
            used = std::min<std::size_t>(length, column.length);
        } else if (column.type != acetype::Character &&
                   column.type != acetype::CaseInsensitiveCharacter) {
            continue;
        }
        const auto *text = reinterpret_cast<const char *>(p);
        // Fixed columns end at their first NUL; a VarChar's length word says how long it is.
        const std::size_t end = column.type == acetype::VarChar
                                    ? used
                                    : std::size_t(std::find(text, text + used, '\0') - text);
        bool ascii = true;
        for (std::size_t i = 0; i < end && ascii; ++i)
            ascii = static_cast<unsigned char>(text[i]) < 0x80;
        if (ascii)
            continue; // the same bytes in any 8-bit encoding; all zeros stay null
        std::string local = utf8ToLocal(std::string(text, end));
        if (local.size() > end)
            local.resize(characterBoundary(local, end));
        std::memcpy(p, local.data(), local.size());
        // What the text shrank by is padded with blanks, as character columns are.
        std::memset(p + local.size(), ' ', end - local.size());
        if (column.type == acetype::VarChar) {
            const auto length = static_cast<std::uint16_t>(local.size());
            std::memcpy(p + column.length, &length, 2);
        }
    }
}

int columnIndex(const Cursor &cursor, const UNSIGNED8 *field)
{
    const auto number = reinterpret_cast<std::uintptr_t>(field);
    if (number == 0)
        return -1;
    if (number <= 0xFFFF)
        return number <= cursor.columns.size() ? int(number) - 1 : -1;
    const std::string name = localToUtf8(reinterpret_cast<const char *>(field));
    for (std::size_t i = 0; i < cursor.columns.size(); ++i)
        if (strcasecmp(cursor.columns[i].name.c_str(), name.c_str()) == 0)
            return int(i);
    return -1;
}

Cursor::~Cursor()
{
    if (const auto owner = session.lock())
        batches.release(owner->buffers);
}

const std::uint8_t *Cursor::row(UNSIGNED32 &failure)
{
    failure = 0;
    if (!onRow()) {
        failure = fail(acecode::NoCurrentRecord, "There is no current record.");
        return nullptr;
    }
    const std::uint32_t index = position - 1;
    if (const std::uint8_t *cached = batches.row(index))
        return cached;
    const Deadline deadline = Deadline::in(answerTimeoutMs);
    const auto owner = session.lock();
    if (!owner) {
        failure = fail(acecode::ConnectionLost, "The cursor's connection is closed.");
        return nullptr;
    }
    const BatchCache::Batch missing = batches.batchOf(index);
    BufferPool::Buffer answer;
    failure = fetch(*owner, missing, answer, deadline);
    if (failure)
        return nullptr;
    if (const auto next = batches.add(missing, std::move(answer), owner->buffers))
        owner->fetchAhead(serverId, next->first, next->count, batches.buffer(owner->buffers),
                          deadline);
    return batches.row(index);
}

std::uint32_t Cursor::fetch(Session &owner, const BatchCache::Batch &batch,
                            BufferPool::Buffer &answer, Deadline deadline)
{
    std::uint32_t rc = owner.takeAhead(serverId, batch.first, batch.count, answer, deadline);
    if (rc == Session::NotAhead) {
        wire::Writer request(wire::Fetch);
        request.u32(serverId).u32(batch.first).u32(batch.count);
        answer = batches.buffer(owner.buffers);
        rc = owner.request(request, answer, wire::Rows, wire::MaxFrame, deadline);
    }
    if (rc)
        return rc;
    auto checked =
        answer::rows(answer.data() + 1, answer.size() - 1, batch.first, batch.count, recordLength);
    if (auto *broken = std::get_if<answer::Failure>(&checked))
        return fail(broken->code, std::move(broken->text));
    if (!sys::localIsUtf8())
        for (std::uint32_t i = 0; i < batch.count; ++i) {
            // The statement's time-out bounds the call, converting the rows included.
            if (i % 256 == 255 && deadline.passed())
                return fail(acecode::TimedOut, "The rows were not read in time.");
            localiseCharacters(
                answer.data() + BatchCache::RowsOffset + std::size_t(i) * recordLength, columns);
        }
    return acecode::Success;
}

} // namespace engine

namespace {

Cursor *cursorOf(ADSHANDLE handle)
{
    return Handles::instance().findHere<Cursor>(handle, ADS_CURSOR);
}

UNSIGNED32 badCursor()
{
    return fail(acecode::InvalidHandle, "Invalid cursor handle.");
}

UNSIGNED32 badField()
{
    return fail(acecode::InvalidArgument, "No such column.");
}

// Resolves cursor and column or answers the failure.
#define WITH_COLUMN(handle, field)                                                                 \
    const auto cursor = cursorOf(handle);                                                          \
    if (!cursor)                                                                                   \
        return badCursor();                                                                        \
    const int column = columnIndex(*cursor, field);                                                \
    if (column < 0)                                                                                \
        return badField();                                                                         \
    const wire::Column &info = cursor->columns[std::size_t(column)];

#define WITH_CURSOR(handle)                                                                        \
    const auto cursor = cursorOf(handle);                                                          \
    if (!cursor)                                                                                   \
        return badCursor();

} // namespace

UNSIGNED32 engine::api::AdsSqlPeekStatement(ADSHANDLE hCursor, UNSIGNED8 *pbLive)
{
    logCall("AdsSqlPeekStatement");
    WITH_CURSOR(hCursor)
    if (pbLive)
        *pbLive = 0; // every result of a stand-in server is static
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetTableCharType(ADSHANDLE hTable, UNSIGNED16 *pusCharType)
{
    logCall("AdsGetTableCharType");
    WITH_CURSOR(hTable)
    if (pusCharType)
        *pusCharType = aceoption::CharAnsi;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetTableCollation(ADSHANDLE hTable, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsGetTableCollation");
    WITH_CURSOR(hTable)
    return fail(acecode::PropertyNotSet, "The result has no collation of its own.");
}

UNSIGNED32 engine::api::AdsGetRecordCount(ADSHANDLE hTable, UNSIGNED16, UNSIGNED32 *pulCount)
{
    logCall("AdsGetRecordCount");
    if (Handles::instance().find<Statement>(hTable, ADS_STATEMENT))
        return fail(acecode::RecordCountUnknown, "A statement has no record count.");
    WITH_CURSOR(hTable)
    if (pulCount)
        *pulCount = cursor->rowCount;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetTableType(ADSHANDLE hTable, UNSIGNED16 *pusType)
{
    logCall("AdsGetTableType");
    WITH_CURSOR(hTable)
    if (pusType)
        *pusType = aceoption::TableAdt;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetRecordLength(ADSHANDLE hTable, UNSIGNED32 *pulLength)
{
    logCall("AdsGetRecordLength");
    WITH_CURSOR(hTable)
    if (pulLength)
        *pulLength = cursor->recordLength;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetTableOpenOptions(ADSHANDLE hTable, UNSIGNED32 *pulOptions)
{
    logCall("AdsGetTableOpenOptions");
    WITH_CURSOR(hTable)
    if (pulOptions)
        *pulOptions = aceoption::OpenReadOnly;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsCacheRecords(ADSHANDLE hTable, UNSIGNED16)
{
    logCall("AdsCacheRecords");
    WITH_CURSOR(hTable)
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetAllIndexes(ADSHANDLE hTable, ADSHANDLE *, UNSIGNED16 *pusArrayLen)
{
    logCall("AdsGetAllIndexes");
    WITH_CURSOR(hTable)
    if (pusArrayLen)
        *pusArrayLen = 0;
    return fail(acecode::NoIndexes, "The result has no indexes.");
}

UNSIGNED32 engine::api::AdsGetIndexPageSize(ADSHANDLE, UNSIGNED32 *)
{
    logCall("AdsGetIndexPageSize");
    return fail(acecode::InvalidHandle, "Invalid index handle.");
}

UNSIGNED32 engine::api::AdsGetBookmarkLength(ADSHANDLE hTable, UNSIGNED32 *pulLength)
{
    logCall("AdsGetBookmarkLength");
    WITH_CURSOR(hTable)
    if (pulLength)
        *pulLength = 4;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetNumFields(ADSHANDLE hTable, UNSIGNED16 *pusCount)
{
    logCall("AdsGetNumFields");
    WITH_CURSOR(hTable)
    if (pusCount)
        *pusCount = static_cast<UNSIGNED16>(cursor->columns.size());
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetNullRecord(ADSHANDLE hTable, UNSIGNED8 *pucBuf, UNSIGNED32 *pulLen)
{
    logCall("AdsGetNullRecord");
    WITH_CURSOR(hTable)
    if (!pucBuf || !pulLen)
        return fail(acecode::InvalidArgument, "No buffer.");
    std::memset(pucBuf, 0, std::min(*pulLen, cursor->recordLength));
    *pulLen = std::min(*pulLen, cursor->recordLength);
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetFieldType(ADSHANDLE hTable, UNSIGNED8 *pucFldName,
                                        UNSIGNED16 *pusType)
{
    logCall("AdsGetFieldType");
    WITH_COLUMN(hTable, pucFldName)
    if (pusType)
        *pusType = info.type;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetFieldLength(ADSHANDLE hTable, UNSIGNED8 *pucFldName,
                                          UNSIGNED32 *pulLength)
{
    logCall("AdsGetFieldLength");
    WITH_COLUMN(hTable, pucFldName)
    // Unicode columns report characters, not bytes.
    if (pulLength)
        *pulLength = (info.type == acetype::WideCharacter || info.type == acetype::WideVarChar)
                         ? info.length / 2
                         : info.length;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetFieldDecimals(ADSHANDLE hTable, UNSIGNED8 *pucFldName,
                                            UNSIGNED16 *pusDecimals)
{
    logCall("AdsGetFieldDecimals");
    WITH_COLUMN(hTable, pucFldName)
    if (pusDecimals)
        *pusDecimals = info.decimals;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetFieldName(ADSHANDLE hTable, UNSIGNED16 usFld, UNSIGNED8 *pucName,
                                        UNSIGNED16 *pusBufLen)
{
    logCall("AdsGetFieldName");
    WITH_CURSOR(hTable)
    if (usFld == 0 || usFld > cursor->columns.size() || !pucName || !pusBufLen || *pusBufLen == 0)
        return badField();
    const std::string name = utf8ToLocal(cursor->columns[usFld - 1u].name);
    const std::size_t length = std::min<std::size_t>(name.size(), *pusBufLen - 1u);
    std::memcpy(pucName, name.data(), length);
    pucName[length] = 0;
    *pusBufLen = static_cast<UNSIGNED16>(length);
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsIsNullable(ADSHANDLE hTable, UNSIGNED8 *pucFldName,
                                      UNSIGNED16 *pbNullable)
{
    logCall("AdsIsNullable");
    WITH_COLUMN(hTable, pucFldName)
    if (pbNullable)
        *pbNullable = info.nullable;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetFieldOffset(ADSHANDLE hTable, UNSIGNED8 *pucFldName,
                                          UNSIGNED32 *pulOffset)
{
    logCall("AdsGetFieldOffset");
    WITH_COLUMN(hTable, pucFldName)
    if (pulOffset)
        *pulOffset = info.offset;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetColumnPermissions(ADSHANDLE hTable, UNSIGNED8 *pucFldName,
                                                UNSIGNED8 *pucPermissions)
{
    logCall("AdsGetColumnPermissions");
    WITH_COLUMN(hTable, pucFldName)
    if (pucPermissions)
        *pucPermissions = info.permissions;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetNumIndexes(ADSHANDLE hTable, UNSIGNED16 *pusNum)
{
    logCall("AdsGetNumIndexes");
    WITH_CURSOR(hTable)
    if (pusNum)
        *pusNum = 0;
    return acecode::Success;
}

namespace {

UNSIGNED32 noIndex()
{
    return fail(acecode::InvalidHandle, "Invalid index handle.");
}

} // namespace

UNSIGNED32 engine::api::AdsGetIndexName(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    return noIndex();
}
UNSIGNED32 engine::api::AdsGetNumSegments(ADSHANDLE, UNSIGNED16 *)
{
    return noIndex();
}
UNSIGNED32 engine::api::AdsGetSegmentFieldname(ADSHANDLE, UNSIGNED16, UNSIGNED8 *, UNSIGNED16 *)
{
    return noIndex();
}
UNSIGNED32 engine::api::AdsIsIndexDescending(ADSHANDLE, UNSIGNED16 *)
{
    return noIndex();
}
UNSIGNED32 engine::api::AdsIsIndexUnique(ADSHANDLE, UNSIGNED16 *)
{
    return noIndex();
}
UNSIGNED32 engine::api::AdsIsIndexCandidate(ADSHANDLE, UNSIGNED16 *)
{
    return noIndex();
}
UNSIGNED32 engine::api::AdsIsIndexPrimaryKey(ADSHANDLE, UNSIGNED16 *)
{
    return noIndex();
}

UNSIGNED32 engine::api::AdsGotoBOF(ADSHANDLE hTable)
{
    logCall("AdsGotoBOF");
    WITH_CURSOR(hTable)
    cursor->position = 0;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGotoEOF(ADSHANDLE hTable)
{
    logCall("AdsGotoEOF");
    WITH_CURSOR(hTable)
    cursor->position = cursor->rowCount + 1;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsSkip(ADSHANDLE hTable, SIGNED32 lRecs)
{
    logCall("AdsSkip");
    WITH_CURSOR(hTable)
    const long long target = static_cast<long long>(cursor->position) + lRecs;
    cursor->position =
        static_cast<std::uint32_t>(std::clamp<long long>(target, 0, cursor->rowCount + 1LL));
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsAtEOF(ADSHANDLE hTable, UNSIGNED16 *pbAtEOF)
{
    logCall("AdsAtEOF");
    WITH_CURSOR(hTable)
    if (pbAtEOF)
        *pbAtEOF = cursor->rowCount == 0 || cursor->position > cursor->rowCount;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsAtBOF(ADSHANDLE hTable, UNSIGNED16 *pbAtBOF)
{
    logCall("AdsAtBOF");
    WITH_CURSOR(hTable)
    if (pbAtBOF)
        *pbAtBOF = cursor->rowCount == 0 || cursor->position == 0;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsIsRecordVisible(ADSHANDLE hTable, UNSIGNED16 *pbVisible)
{
    logCall("AdsIsRecordVisible");
    WITH_CURSOR(hTable)
    if (!cursor->onRow())
        return fail(acecode::RecordNotVisible, "The cursor stands on no row.");
    if (pbVisible)
        *pbVisible = 1;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetRecord(ADSHANDLE hTable, UNSIGNED8 *pucRec, UNSIGNED32 *pulLen)
{
    logCall("AdsGetRecord");
    WITH_CURSOR(hTable)
    if (!pucRec || !pulLen)
        return fail(acecode::InvalidArgument, "No buffer.");
    UNSIGNED32 failure = 0;
    const std::uint8_t *row = cursor->row(failure);
    if (!row)
        return failure;
    const UNSIGNED32 length = std::min(*pulLen, cursor->recordLength);
    std::memcpy(pucRec, row, length);
    *pulLen = length;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetBookmark60(ADSHANDLE hTable, UNSIGNED8 *pucBookmark,
                                         UNSIGNED32 *pulLength)
{
    logCall("AdsGetBookmark60");
    WITH_CURSOR(hTable)
    if (!pucBookmark || !pulLength || *pulLength < 4)
        return fail(acecode::InvalidArgument, "The bookmark needs 4 bytes.");
    if (!cursor->onRow())
        return fail(acecode::NoCurrentRecord, "There is no current record.");
    std::memcpy(pucBookmark, &cursor->position, 4);
    *pulLength = 4;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGotoBookmark(ADSHANDLE hTable, ADSHANDLE hBookmark)
{
    logCall("AdsGotoBookmark");
    WITH_CURSOR(hTable)
    if (hBookmark < 1 || hBookmark > cursor->rowCount)
        return fail(acecode::NoCurrentRecord, "The bookmark names no row.");
    cursor->position = hBookmark;
    return acecode::Success;
}

namespace {

// Blob columns hold a nonzero marker when they have data.
bool blobEmpty(Cursor &cursor, const wire::Column &info, UNSIGNED32 &failure)
{
    const std::uint8_t *row = cursor.row(failure);
    if (!row)
        return true;
    std::uint32_t marker = 0;
    std::memcpy(&marker, row + info.offset, std::min<std::uint32_t>(4, info.length));
    return marker == 0;
}

} // namespace

UNSIGNED32 engine::api::AdsIsEmpty(ADSHANDLE hTable, UNSIGNED8 *pucFldName, UNSIGNED16 *pbEmpty)
{
    logCall("AdsIsEmpty");
    WITH_COLUMN(hTable, pucFldName)
    UNSIGNED32 failure = 0;
    const bool empty = blobEmpty(*cursor, info, failure);
    if (failure)
        return failure;
    if (pbEmpty)
        *pbEmpty = empty;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsIsNull(ADSHANDLE hTable, UNSIGNED8 *pucFldName, UNSIGNED16 *pbNull)
{
    logCall("AdsIsNull");
    WITH_COLUMN(hTable, pucFldName)
    UNSIGNED32 failure = 0;
    const bool empty = blobEmpty(*cursor, info, failure);
    if (failure)
        return failure;
    if (pbNull)
        *pbNull = empty;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetField(ADSHANDLE hTable, UNSIGNED8 *pucFldName, UNSIGNED8 *pucBuf,
                                    UNSIGNED32 *pulLen, UNSIGNED16)
{
    logCall("AdsGetField");
    WITH_COLUMN(hTable, pucFldName)
    UNSIGNED32 failure = 0;
    const std::uint8_t *row = cursor->row(failure);
    if (!row)
        return failure;
    if (!pucBuf || !pulLen || *pulLen == 0)
        return fail(acecode::InvalidArgument, "No buffer.");
    const UNSIGNED32 length = std::min(*pulLen - 1, info.length);
    std::memcpy(pucBuf, row + info.offset, length);
    pucBuf[length] = 0;
    *pulLen = length;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetFieldW(ADSHANDLE hTable, UNSIGNED8 *pucFldName, WCHAR16 *pwcBuf,
                                     UNSIGNED32 *pulLen, UNSIGNED16)
{
    logCall("AdsGetFieldW");
    WITH_COLUMN(hTable, pucFldName)
    UNSIGNED32 failure = 0;
    const std::uint8_t *row = cursor->row(failure);
    if (!row)
        return failure;
    if (!pwcBuf || !pulLen || *pulLen == 0)
        return fail(acecode::InvalidArgument, "No buffer.");
    const UNSIGNED32 units = std::min(*pulLen - 1, info.length / 2);
    std::memcpy(pwcBuf, row + info.offset, units * 2);
    pwcBuf[units] = 0;
    *pulLen = units;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetIndexHandle(ADSHANDLE hTable, UNSIGNED8 *, ADSHANDLE *phIndex)
{
    logCall("AdsGetIndexHandle");
    WITH_CURSOR(hTable)
    if (phIndex)
        *phIndex = 0; // natural order
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsGetRecordNum(ADSHANDLE hTable, UNSIGNED16, UNSIGNED32 *pulRecNum)
{
    logCall("AdsGetRecordNum");
    WITH_CURSOR(hTable)
    if (pulRecNum)
        *pulRecNum = cursor->onRow() ? cursor->position : 0;
    return acecode::Success;
}

UNSIGNED32 engine::api::AdsCloseTable(ADSHANDLE hTable)
{
    logCall("AdsCloseTable");
    const auto cursor = Handles::instance().find<Cursor>(hTable, ADS_CURSOR);
    if (!cursor)
        return badCursor();
    Handles::instance().remove(hTable);
    auto session = cursor->session.lock();
    if (!session)
        return fail(acecode::ConnectionLost, "The cursor's connection is closed.");
    std::vector<std::uint8_t> answer;
    const UNSIGNED32 rc =
        session->request(wire::Writer(wire::CloseCursor).u32(cursor->serverId), answer, wire::Ok,
                         4096, Deadline::in(cursor->answerTimeoutMs));
    session->forgetAhead(cursor->serverId);
    return rc;
}

UNSIGNED32 engine::api::AdsConvertStringToJulian(UNSIGNED8 *pucJulian, UNSIGNED16 usLen,
                                                 double *pdJulian)
{
    logCall("AdsConvertStringToJulian");
    // "YYYYMMDD": the Julian day number of that Gregorian date.
    if (!pucJulian || !pdJulian || usLen < 8)
        return fail(acecode::InvalidArgument, "Dates are written YYYYMMDD.");
    int parts[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    const UNSIGNED8 *p = pucJulian;
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < widths[i]; ++k, ++p) {
            if (*p < '0' || *p > '9')
                return fail(acecode::InvalidArgument, "Dates are written YYYYMMDD.");
            parts[i] = parts[i] * 10 + (*p - '0');
        }
    const long long a = (14 - parts[1]) / 12;
    const long long y = parts[0] + 4800 - a;
    const long long m = parts[1] + 12 * a - 3;
    *pdJulian = double(parts[2] + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045);
    return acecode::Success;
}
