#pragma once

// The engine's return codes, named once. The 5000 codes are answers the data access layer
// treats as something other than a plain failure; the 6000 codes are the stand-in engine's
// own failures; 7200 and 7209 come from the server's SQL engine.

#include <cstdint>

namespace acecode {

constexpr std::uint32_t Success = 0;

constexpr std::uint32_t NoIndexes = 5005;               // a result cursor has no index
constexpr std::uint32_t NoCurrentRecord = 5022;         // a bookmark on no record
constexpr std::uint32_t InvalidConnectionHandle = 5024; // ignored when a connection goes away
constexpr std::uint32_t PropertyNotSet = 5025;          // e.g. no collation of its own
constexpr std::uint32_t RecordNotVisible = 5068;        // visibility cannot be told
constexpr std::uint32_t StatementAlreadyClosed = 5106;  // closing twice is no failure
constexpr std::uint32_t RecordCountUnknown = 5117;      // a statement has no row count
constexpr std::uint32_t InvalidDataSet = 5121;          // the data layer's own dataset checks
constexpr std::uint32_t ColumnCodesFirst = 5147;        // 5147 to 5149: the message names a column
constexpr std::uint32_t ColumnCodesLast = 5149;

constexpr std::uint32_t NotSupported = 6001;
constexpr std::uint32_t InvalidArgument = 6002;
constexpr std::uint32_t InvalidHandle = 6003;
constexpr std::uint32_t BadConnectString = 6010;
constexpr std::uint32_t HostNotFound = 6011;
constexpr std::uint32_t ServerUnreachable = 6012;
constexpr std::uint32_t TimedOut = 6013;
constexpr std::uint32_t BrokenAnswer = 6014; // the server's answer breaks the protocol
constexpr std::uint32_t ConnectionLost = 6015;
constexpr std::uint32_t ColumnDoesNotFit = 6016;  // a column too short for its type
constexpr std::uint32_t OutOfResources = 6017;    // the engine could not get memory
constexpr std::uint32_t InternalError = 6018;     // a failure inside the engine itself
constexpr std::uint32_t ConnectionRefused = 6020; // the server said no
constexpr std::uint32_t UnknownShare = 6021;
constexpr std::uint32_t ProcedureFailed = 7200; // the SQL engine's error, native code in the text
constexpr std::uint32_t StatementLost = 7209;   // the server forgot the statement

// An execution's message holding this text means the statement is gone on the server; the
// code itself arrives in the text as the SQL engine's native error.
constexpr const char *StatementLostText = "7209";
// An SQL engine error's text: "ERROR 7200: ... NativeError = <native code>; ...". The
// markers are matched in upper case.
constexpr const char *SqlErrorMarker = "ERROR 7200:";
constexpr const char *NativeErrorMarker = "NATIVEERROR = ";

} // namespace acecode
