// Statements and cursors: not yet served by the stand-in engine; each says so.

#include "AceCodes.h"
#include "Registry.h"

using namespace engine;

void closeSessionObjects(ADSHANDLE) {}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsCreateSQLStatement(ADSHANDLE, ADSHANDLE *)
{
    logCall("AdsCreateSQLStatement");
    return fail(acecode::NotSupported, "AdsCreateSQLStatement is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsSetSQLTimeout(ADSHANDLE, UNSIGNED32)
{
    logCall("AdsSetSQLTimeout");
    return fail(acecode::NotSupported, "AdsSetSQLTimeout is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsStmtSetTableLockType(ADSHANDLE, UNSIGNED16)
{
    logCall("AdsStmtSetTableLockType");
    return fail(acecode::NotSupported, "AdsStmtSetTableLockType is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsStmtSetTableCollation(ADSHANDLE, UNSIGNED8 *)
{
    logCall("AdsStmtSetTableCollation");
    return fail(acecode::NotSupported, "AdsStmtSetTableCollation is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsStmtSetTableRights(ADSHANDLE, UNSIGNED16)
{
    logCall("AdsStmtSetTableRights");
    return fail(acecode::NotSupported, "AdsStmtSetTableRights is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsStmtSetTableReadOnly(ADSHANDLE, UNSIGNED16)
{
    logCall("AdsStmtSetTableReadOnly");
    return fail(acecode::NotSupported, "AdsStmtSetTableReadOnly is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsStmtSetTableType(ADSHANDLE, UNSIGNED16)
{
    logCall("AdsStmtSetTableType");
    return fail(acecode::NotSupported, "AdsStmtSetTableType is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsStmtConstrainUpdates(ADSHANDLE, UNSIGNED16)
{
    logCall("AdsStmtConstrainUpdates");
    return fail(acecode::NotSupported, "AdsStmtConstrainUpdates is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsStmtReadAllColumns(ADSHANDLE, UNSIGNED16)
{
    logCall("AdsStmtReadAllColumns");
    return fail(acecode::NotSupported, "AdsStmtReadAllColumns is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsPrepareSQLW(ADSHANDLE, WCHAR16 *)
{
    logCall("AdsPrepareSQLW");
    return fail(acecode::NotSupported, "AdsPrepareSQLW is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsSetStringW(ADSHANDLE, UNSIGNED8 *, WCHAR16 *, UNSIGNED32)
{
    logCall("AdsSetStringW");
    return fail(acecode::NotSupported, "AdsSetStringW is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsSetEmpty(ADSHANDLE, UNSIGNED8 *)
{
    logCall("AdsSetEmpty");
    return fail(acecode::NotSupported, "AdsSetEmpty is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsExecuteSQL(ADSHANDLE, ADSHANDLE *)
{
    logCall("AdsExecuteSQL");
    return fail(acecode::NotSupported, "AdsExecuteSQL is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsSqlPeekStatement(ADSHANDLE, UNSIGNED8 *)
{
    logCall("AdsSqlPeekStatement");
    return fail(acecode::NotSupported, "AdsSqlPeekStatement is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetTableCharType(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsGetTableCharType");
    return fail(acecode::NotSupported, "AdsGetTableCharType is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetTableCollation(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsGetTableCollation");
    return fail(acecode::NotSupported, "AdsGetTableCollation is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetRecordCount(ADSHANDLE, UNSIGNED16, UNSIGNED32 *)
{
    logCall("AdsGetRecordCount");
    return fail(acecode::NotSupported, "AdsGetRecordCount is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetTableType(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsGetTableType");
    return fail(acecode::NotSupported, "AdsGetTableType is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsCloseSQLStatement(ADSHANDLE)
{
    logCall("AdsCloseSQLStatement");
    return fail(acecode::NotSupported, "AdsCloseSQLStatement is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetRecordLength(ADSHANDLE, UNSIGNED32 *)
{
    logCall("AdsGetRecordLength");
    return fail(acecode::NotSupported, "AdsGetRecordLength is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetTableOpenOptions(ADSHANDLE, UNSIGNED32 *)
{
    logCall("AdsGetTableOpenOptions");
    return fail(acecode::NotSupported, "AdsGetTableOpenOptions is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsCacheRecords(ADSHANDLE, UNSIGNED16)
{
    logCall("AdsCacheRecords");
    return fail(acecode::NotSupported, "AdsCacheRecords is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetAllIndexes(ADSHANDLE, ADSHANDLE *, UNSIGNED16 *)
{
    logCall("AdsGetAllIndexes");
    return fail(acecode::NotSupported, "AdsGetAllIndexes is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetIndexPageSize(ADSHANDLE, UNSIGNED32 *)
{
    logCall("AdsGetIndexPageSize");
    return fail(acecode::NotSupported, "AdsGetIndexPageSize is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetBookmarkLength(ADSHANDLE, UNSIGNED32 *)
{
    logCall("AdsGetBookmarkLength");
    return fail(acecode::NotSupported, "AdsGetBookmarkLength is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetNumFields(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsGetNumFields");
    return fail(acecode::NotSupported, "AdsGetNumFields is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetNullRecord(ADSHANDLE, UNSIGNED8 *, UNSIGNED32 *)
{
    logCall("AdsGetNullRecord");
    return fail(acecode::NotSupported, "AdsGetNullRecord is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetFieldType(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsGetFieldType");
    return fail(acecode::NotSupported, "AdsGetFieldType is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetFieldLength(ADSHANDLE, UNSIGNED8 *, UNSIGNED32 *)
{
    logCall("AdsGetFieldLength");
    return fail(acecode::NotSupported, "AdsGetFieldLength is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetFieldDecimals(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsGetFieldDecimals");
    return fail(acecode::NotSupported, "AdsGetFieldDecimals is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetFieldName(ADSHANDLE, UNSIGNED16, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsGetFieldName");
    return fail(acecode::NotSupported, "AdsGetFieldName is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsNullable(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsIsNullable");
    return fail(acecode::NotSupported, "AdsIsNullable is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetFieldOffset(ADSHANDLE, UNSIGNED8 *, UNSIGNED32 *)
{
    logCall("AdsGetFieldOffset");
    return fail(acecode::NotSupported, "AdsGetFieldOffset is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetColumnPermissions(ADSHANDLE, UNSIGNED8 *, UNSIGNED8 *)
{
    logCall("AdsGetColumnPermissions");
    return fail(acecode::NotSupported, "AdsGetColumnPermissions is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetNumIndexes(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsGetNumIndexes");
    return fail(acecode::NotSupported, "AdsGetNumIndexes is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetIndexName(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsGetIndexName");
    return fail(acecode::NotSupported, "AdsGetIndexName is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetNumSegments(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsGetNumSegments");
    return fail(acecode::NotSupported, "AdsGetNumSegments is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetSegmentFieldname(ADSHANDLE, UNSIGNED16, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsGetSegmentFieldname");
    return fail(acecode::NotSupported, "AdsGetSegmentFieldname is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsIndexDescending(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsIsIndexDescending");
    return fail(acecode::NotSupported, "AdsIsIndexDescending is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsIndexUnique(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsIsIndexUnique");
    return fail(acecode::NotSupported, "AdsIsIndexUnique is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsIndexCandidate(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsIsIndexCandidate");
    return fail(acecode::NotSupported, "AdsIsIndexCandidate is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsIndexPrimaryKey(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsIsIndexPrimaryKey");
    return fail(acecode::NotSupported, "AdsIsIndexPrimaryKey is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGotoBOF(ADSHANDLE)
{
    logCall("AdsGotoBOF");
    return fail(acecode::NotSupported, "AdsGotoBOF is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGotoEOF(ADSHANDLE)
{
    logCall("AdsGotoEOF");
    return fail(acecode::NotSupported, "AdsGotoEOF is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsSkip(ADSHANDLE, SIGNED32)
{
    logCall("AdsSkip");
    return fail(acecode::NotSupported, "AdsSkip is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsAtEOF(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsAtEOF");
    return fail(acecode::NotSupported, "AdsAtEOF is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsAtBOF(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsAtBOF");
    return fail(acecode::NotSupported, "AdsAtBOF is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsRecordVisible(ADSHANDLE, UNSIGNED16 *)
{
    logCall("AdsIsRecordVisible");
    return fail(acecode::NotSupported, "AdsIsRecordVisible is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetRecord(ADSHANDLE, UNSIGNED8 *, UNSIGNED32 *)
{
    logCall("AdsGetRecord");
    return fail(acecode::NotSupported, "AdsGetRecord is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetBookmark60(ADSHANDLE, UNSIGNED8 *, UNSIGNED32 *)
{
    logCall("AdsGetBookmark60");
    return fail(acecode::NotSupported, "AdsGetBookmark60 is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGotoBookmark(ADSHANDLE, ADSHANDLE)
{
    logCall("AdsGotoBookmark");
    return fail(acecode::NotSupported, "AdsGotoBookmark is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsEmpty(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsIsEmpty");
    return fail(acecode::NotSupported, "AdsIsEmpty is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsIsNull(ADSHANDLE, UNSIGNED8 *, UNSIGNED16 *)
{
    logCall("AdsIsNull");
    return fail(acecode::NotSupported, "AdsIsNull is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetField(ADSHANDLE, UNSIGNED8 *, UNSIGNED8 *, UNSIGNED32 *, UNSIGNED16)
{
    logCall("AdsGetField");
    return fail(acecode::NotSupported, "AdsGetField is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetFieldW(ADSHANDLE, UNSIGNED8 *, WCHAR16 *, UNSIGNED32 *, UNSIGNED16)
{
    logCall("AdsGetFieldW");
    return fail(acecode::NotSupported, "AdsGetFieldW is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetIndexHandle(ADSHANDLE, UNSIGNED8 *, ADSHANDLE *)
{
    logCall("AdsGetIndexHandle");
    return fail(acecode::NotSupported, "AdsGetIndexHandle is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsGetRecordNum(ADSHANDLE, UNSIGNED16, UNSIGNED32 *)
{
    logCall("AdsGetRecordNum");
    return fail(acecode::NotSupported, "AdsGetRecordNum is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsCloseTable(ADSHANDLE)
{
    logCall("AdsCloseTable");
    return fail(acecode::NotSupported, "AdsCloseTable is not supported.");
}

ACE_EXPORT UNSIGNED32 ACE_ENTRY AdsConvertStringToJulian(UNSIGNED8 *, UNSIGNED16, double *)
{
    logCall("AdsConvertStringToJulian");
    return fail(acecode::NotSupported, "AdsConvertStringToJulian is not supported.");
}
