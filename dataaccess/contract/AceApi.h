#pragma once

// The client engine's functions, declared once. This header is plain C++ so that the
// stand-in engine defines its exports from the same list the binding resolves.

#include <cstdint>

using UNSIGNED8 = std::uint8_t;
using UNSIGNED16 = std::uint16_t;
using UNSIGNED32 = std::uint32_t;
using SIGNED16 = std::int16_t;
using SIGNED32 = std::int32_t;
using ADSHANDLE = UNSIGNED32;
#ifdef _WIN32
using WCHAR16 = wchar_t;
#else
using WCHAR16 = char16_t;
#endif

#if defined(_WIN32) && !defined(_WIN64)
#define ACE_ENTRY __stdcall
#else
#define ACE_ENTRY
#endif

// Functions that take a field take its name or, cast to the pointer, its 1-based number.
inline UNSIGNED8 *ADSFIELD(unsigned number)
{
    return reinterpret_cast<UNSIGNED8 *>(static_cast<std::uintptr_t>(number));
}

constexpr UNSIGNED16 ADS_CONNECTION = 1;
constexpr UNSIGNED16 ADS_TABLE = 2;
constexpr UNSIGNED16 ADS_INDEX_ORDER = 3;
constexpr UNSIGNED16 ADS_STATEMENT = 4;
constexpr UNSIGNED16 ADS_CURSOR = 5;

// Argument and answer values of the engine's functions.
namespace aceoption {
// Table types (AdsStmtSetTableType, AdsGetTableType).
constexpr UNSIGNED16 TableNtx = 1;
constexpr UNSIGNED16 TableCdx = 2;
constexpr UNSIGNED16 TableAdt = 3;
constexpr UNSIGNED16 TableVfp = 4;
// Character types (AdsGetTableCharType).
constexpr UNSIGNED16 CharAnsi = 1;
constexpr UNSIGNED16 CharOem = 2;
// Open options (AdsGetTableOpenOptions), bits.
constexpr UNSIGNED32 OpenExclusive = 1;
constexpr UNSIGNED32 OpenReadOnly = 2;
// Statement options: locking, rights, cursor, constraints, columns.
constexpr UNSIGNED16 LockCompatible = 0;
constexpr UNSIGNED16 LockProprietary = 1;
constexpr UNSIGNED16 RightsCheck = 1;
constexpr UNSIGNED16 RightsIgnore = 2;
constexpr UNSIGNED16 CursorReadOnly = 1;
constexpr UNSIGNED16 CursorReadWrite = 2;
constexpr UNSIGNED16 Constrain = 1;
constexpr UNSIGNED16 NoConstrain = 2;
constexpr UNSIGNED16 ReadAllColumns = 1;
constexpr UNSIGNED16 ReadSelectedColumns = 2;
// Counting rows (AdsGetRecordCount, AdsGetRecordNum): filters respected, ignored, scopes
// respected; the refresh bit adds to any of them.
constexpr UNSIGNED16 RespectFilters = 1;
constexpr UNSIGNED16 IgnoreFilters = 2;
constexpr UNSIGNED16 RespectScopes = 3;
constexpr UNSIGNED16 RefreshCount = 4;
// AdsCacheRecords: none, and the aggressive count.
constexpr UNSIGNED16 CacheNone = 0;
constexpr UNSIGNED16 CacheAggressive = 100;
} // namespace aceoption

// X(name, parameter list, argument list)
// clang-format off
#define ACE_FUNCTIONS(X)                                                                       \
    X(AdsConnect101, (UNSIGNED8 * pucConnectString, ADSHANDLE * phConnectionOptions,           \
                      ADSHANDLE * phConnect),                                                  \
      (pucConnectString, phConnectionOptions, phConnect))                                      \
    X(AdsDisconnect, (ADSHANDLE hConnect), (hConnect))                                         \
    X(AdsGetLastError, (UNSIGNED32 * pulErrCode, UNSIGNED8 * pucBuf, UNSIGNED16 * pusBufLen),  \
      (pulErrCode, pucBuf, pusBufLen))                                                         \
    X(AdsShowError, (UNSIGNED8 * pucTitle), (pucTitle))                                        \
    X(AdsGetHandleType, (ADSHANDLE hObj, UNSIGNED16 * pusType), (hObj, pusType))               \
    X(AdsGetSQLStmtParams, (UNSIGNED8 * pucSQL), (pucSQL))                                     \
    X(AdsCreateSQLStatement, (ADSHANDLE hConnect, ADSHANDLE * phStatement),                    \
      (hConnect, phStatement))                                                                 \
    X(AdsSetSQLTimeout, (ADSHANDLE hStatement, UNSIGNED32 ulTimeout), (hStatement, ulTimeout)) \
    X(AdsStmtSetTableLockType, (ADSHANDLE hStatement, UNSIGNED16 usLockType),                  \
      (hStatement, usLockType))                                                                \
    X(AdsStmtSetTableCollation, (ADSHANDLE hStatement, UNSIGNED8 * pucCollation),              \
      (hStatement, pucCollation))                                                              \
    X(AdsStmtSetTableRights, (ADSHANDLE hStatement, UNSIGNED16 usCheckRights),                 \
      (hStatement, usCheckRights))                                                             \
    X(AdsStmtSetTableReadOnly, (ADSHANDLE hStatement, UNSIGNED16 usReadOnly),                  \
      (hStatement, usReadOnly))                                                                \
    X(AdsStmtSetTableType, (ADSHANDLE hStatement, UNSIGNED16 usTableType),                     \
      (hStatement, usTableType))                                                               \
    X(AdsStmtConstrainUpdates, (ADSHANDLE hStatement, UNSIGNED16 usConstrain),                 \
      (hStatement, usConstrain))                                                               \
    X(AdsStmtReadAllColumns, (ADSHANDLE hStatement, UNSIGNED16 usReadAll),                     \
      (hStatement, usReadAll))                                                                 \
    X(AdsPrepareSQLW, (ADSHANDLE hStatement, WCHAR16 * pwcSQL), (hStatement, pwcSQL))          \
    X(AdsSetStringW, (ADSHANDLE hObj, UNSIGNED8 * pucFldName, WCHAR16 * pwcBuf, UNSIGNED32 ulLen), \
      (hObj, pucFldName, pwcBuf, ulLen))                                                       \
    X(AdsSetEmpty, (ADSHANDLE hObj, UNSIGNED8 * pucFldName), (hObj, pucFldName))               \
    X(AdsExecuteSQL, (ADSHANDLE hStatement, ADSHANDLE * phCursor), (hStatement, phCursor))     \
    X(AdsSqlPeekStatement, (ADSHANDLE hCursor, UNSIGNED8 * pbLive), (hCursor, pbLive))         \
    X(AdsGetTableCharType, (ADSHANDLE hTable, UNSIGNED16 * pusCharType), (hTable, pusCharType)) \
    X(AdsGetTableCollation, (ADSHANDLE hTable, UNSIGNED8 * pucCollation, UNSIGNED16 * pusLen), \
      (hTable, pucCollation, pusLen))                                                          \
    X(AdsGetRecordCount, (ADSHANDLE hTable, UNSIGNED16 usFilterOption, UNSIGNED32 * pulCount), \
      (hTable, usFilterOption, pulCount))                                                      \
    X(AdsGetTableType, (ADSHANDLE hTable, UNSIGNED16 * pusType), (hTable, pusType))            \
    X(AdsCloseSQLStatement, (ADSHANDLE hStatement), (hStatement))                              \
    X(AdsGetRecordLength, (ADSHANDLE hTable, UNSIGNED32 * pulLength), (hTable, pulLength))     \
    X(AdsGetTableOpenOptions, (ADSHANDLE hTable, UNSIGNED32 * pulOptions), (hTable, pulOptions)) \
    X(AdsCacheRecords, (ADSHANDLE hTable, UNSIGNED16 usNumRecords), (hTable, usNumRecords))    \
    X(AdsGetAllIndexes, (ADSHANDLE hTable, ADSHANDLE * ahIndex, UNSIGNED16 * pusArrayLen),     \
      (hTable, ahIndex, pusArrayLen))                                                          \
    X(AdsGetIndexPageSize, (ADSHANDLE hIndex, UNSIGNED32 * pulPageSize), (hIndex, pulPageSize)) \
    X(AdsGetBookmarkLength, (ADSHANDLE hTable, UNSIGNED32 * pulLength), (hTable, pulLength))   \
    X(AdsGetNumFields, (ADSHANDLE hTable, UNSIGNED16 * pusCount), (hTable, pusCount))          \
    X(AdsGetNullRecord, (ADSHANDLE hTable, UNSIGNED8 * pucBuf, UNSIGNED32 * pulLen),           \
      (hTable, pucBuf, pulLen))                                                                \
    X(AdsGetFieldType, (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED16 * pusType),       \
      (hTable, pucFldName, pusType))                                                           \
    X(AdsGetFieldLength, (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED32 * pulLength),   \
      (hTable, pucFldName, pulLength))                                                         \
    X(AdsGetFieldDecimals, (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED16 * pusDecimals), \
      (hTable, pucFldName, pusDecimals))                                                       \
    X(AdsGetFieldName,                                                                         \
      (ADSHANDLE hTable, UNSIGNED16 usFld, UNSIGNED8 * pucName, UNSIGNED16 * pusBufLen),       \
      (hTable, usFld, pucName, pusBufLen))                                                     \
    X(AdsIsNullable, (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED16 * pbNullable),      \
      (hTable, pucFldName, pbNullable))                                                        \
    X(AdsGetFieldOffset, (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED32 * pulOffset),   \
      (hTable, pucFldName, pulOffset))                                                         \
    X(AdsGetColumnPermissions,                                                                 \
      (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED8 * pucPermissions),                  \
      (hTable, pucFldName, pucPermissions))                                                    \
    X(AdsGetNumIndexes, (ADSHANDLE hTable, UNSIGNED16 * pusNum), (hTable, pusNum))             \
    X(AdsGetIndexName, (ADSHANDLE hIndex, UNSIGNED8 * pucName, UNSIGNED16 * pusLen),           \
      (hIndex, pucName, pusLen))                                                               \
    X(AdsGetNumSegments, (ADSHANDLE hIndex, UNSIGNED16 * pusSegments), (hIndex, pusSegments))  \
    X(AdsGetSegmentFieldname,                                                                  \
      (ADSHANDLE hIndex, UNSIGNED16 usSegment, UNSIGNED8 * pucName, UNSIGNED16 * pusLen),      \
      (hIndex, usSegment, pucName, pusLen))                                                    \
    X(AdsIsIndexDescending, (ADSHANDLE hIndex, UNSIGNED16 * pbDescending), (hIndex, pbDescending)) \
    X(AdsIsIndexUnique, (ADSHANDLE hIndex, UNSIGNED16 * pbUnique), (hIndex, pbUnique))         \
    X(AdsIsIndexCandidate, (ADSHANDLE hIndex, UNSIGNED16 * pbCandidate), (hIndex, pbCandidate)) \
    X(AdsIsIndexPrimaryKey, (ADSHANDLE hIndex, UNSIGNED16 * pbPrimaryKey), (hIndex, pbPrimaryKey)) \
    X(AdsGotoBOF, (ADSHANDLE hTable), (hTable))                                                \
    X(AdsGotoEOF, (ADSHANDLE hTable), (hTable))                                                \
    X(AdsSkip, (ADSHANDLE hTable, SIGNED32 lRecs), (hTable, lRecs))                            \
    X(AdsAtEOF, (ADSHANDLE hTable, UNSIGNED16 * pbAtEOF), (hTable, pbAtEOF))                   \
    X(AdsAtBOF, (ADSHANDLE hTable, UNSIGNED16 * pbAtBOF), (hTable, pbAtBOF))                   \
    X(AdsIsRecordVisible, (ADSHANDLE hTable, UNSIGNED16 * pbVisible), (hTable, pbVisible))     \
    X(AdsGetRecord, (ADSHANDLE hTable, UNSIGNED8 * pucRec, UNSIGNED32 * pulLen),               \
      (hTable, pucRec, pulLen))                                                                \
    X(AdsGetBookmark60, (ADSHANDLE hTable, UNSIGNED8 * pucBookmark, UNSIGNED32 * pulLength),   \
      (hTable, pucBookmark, pulLength))                                                        \
    X(AdsGotoBookmark, (ADSHANDLE hTable, ADSHANDLE hBookmark), (hTable, hBookmark))           \
    X(AdsIsEmpty, (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED16 * pbEmpty),            \
      (hTable, pucFldName, pbEmpty))                                                           \
    X(AdsIsNull, (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED16 * pbNull),              \
      (hTable, pucFldName, pbNull))                                                            \
    X(AdsGetField,                                                                             \
      (ADSHANDLE hTable, UNSIGNED8 * pucFldName, UNSIGNED8 * pucBuf, UNSIGNED32 * pulLen,      \
       UNSIGNED16 usOption),                                                                   \
      (hTable, pucFldName, pucBuf, pulLen, usOption))                                          \
    X(AdsGetFieldW,                                                                            \
      (ADSHANDLE hTable, UNSIGNED8 * pucFldName, WCHAR16 * pwcBuf, UNSIGNED32 * pulLen,        \
       UNSIGNED16 usOption),                                                                   \
      (hTable, pucFldName, pwcBuf, pulLen, usOption))                                          \
    X(AdsGetIndexHandle, (ADSHANDLE hTable, UNSIGNED8 * pucIndexOrder, ADSHANDLE * phIndex),   \
      (hTable, pucIndexOrder, phIndex))                                                        \
    X(AdsGetRecordNum, (ADSHANDLE hTable, UNSIGNED16 usFilterOption, UNSIGNED32 * pulRecNum),  \
      (hTable, usFilterOption, pulRecNum))                                                     \
    X(AdsCloseTable, (ADSHANDLE hTable), (hTable))                                             \
    X(AdsConvertStringToJulian, (UNSIGNED8 * pucJulian, UNSIGNED16 usLen, double *pdJulian),   \
      (pucJulian, usLen, pdJulian))
// clang-format on

// The C prototypes.
extern "C" {
#define ACE_DECLARE(name, params, args) typedef UNSIGNED32(ACE_ENTRY *name##_fn) params;
ACE_FUNCTIONS(ACE_DECLARE)
#undef ACE_DECLARE
}
