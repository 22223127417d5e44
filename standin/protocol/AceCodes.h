#pragma once

// Return codes the stand-in engine and server give. The 5000 codes are those the data
// access layer treats specially; the 6000 codes are the stand-in's own failures.

#include <cstdint>

namespace acecode {

constexpr std::uint32_t Success = 0;

constexpr std::uint32_t NoIndexes = 5005;            // no index on a result cursor
constexpr std::uint32_t NoCurrentRecord = 5022;      // bookmark on no record
constexpr std::uint32_t InvalidConnectionHandle = 5024;
constexpr std::uint32_t PropertyNotSet = 5025;       // e.g. no collation on a cursor
constexpr std::uint32_t RecordNotVisible = 5068;     // visibility unknown
constexpr std::uint32_t StatementAlreadyClosed = 5106;
constexpr std::uint32_t RecordCountUnknown = 5117;
constexpr std::uint32_t InvalidDataSet = 5121;

constexpr std::uint32_t NotSupported = 6001;
constexpr std::uint32_t InvalidArgument = 6002;
constexpr std::uint32_t InvalidHandle = 6003;
constexpr std::uint32_t BadConnectString = 6010;
constexpr std::uint32_t HostNotFound = 6011;
constexpr std::uint32_t ServerUnreachable = 6012;
constexpr std::uint32_t TimedOut = 6013;
constexpr std::uint32_t BrokenAnswer = 6014;
constexpr std::uint32_t ConnectionLost = 6015;
constexpr std::uint32_t ConnectionRefused = 6020;    // the server said no
constexpr std::uint32_t UnknownShare = 6021;
constexpr std::uint32_t ProcedureFailed = 7200;
constexpr std::uint32_t StatementLost = 7209;

} // namespace acecode
