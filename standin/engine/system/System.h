#pragma once

// What the engine needs of the operating system, and nothing else: TCP sockets with
// bounded waits, who and where it runs, and the system's 8-bit text encoding. One
// implementation per system (SystemPosix.cpp, SystemWin32.cpp); the engine's logic above it
// exists once.

#include <cstdint>
#include <string>

namespace engine::sys {

// --- sockets ---------------------------------------------------------------------------------

using Socket = std::intptr_t;
constexpr Socket NoSocket = -1;

// The first IPv4 address of a name, in network byte order: literals directly, names through
// the system's resolver. False when it does not resolve.
bool resolveIPv4(const std::string &host, std::uint32_t &address);

// A non-blocking TCP socket with Nagle off, or NoSocket (error() tells why).
Socket openTcp();
void closeSocket(Socket socket);

enum class Progress { Done, Pending, Failed };
// Starts connecting; Pending: wait for writability, then ask connectResult().
Progress startConnect(Socket socket, std::uint32_t address, std::uint16_t port);
// 0 once connected, else the failure's error code.
int connectResult(Socket socket);

// Waits until the socket can be read (or written); false on time-out. A socket error
// counts as ready, so that the next call reports it.
bool waitReady(Socket socket, bool forWriting, int timeoutMs);

// Bytes sent or received; 0 from receive means the peer closed; -1 a failure, with
// wouldBlock set when it is only that nothing can move now.
long long sendSome(Socket socket, const std::uint8_t *data, std::size_t size, bool &wouldBlock);
long long receiveSome(Socket socket, std::uint8_t *data, std::size_t size, bool &wouldBlock);

// The last socket error of this thread, and its text.
int error();
std::string errorText(int code);

// --- the process -------------------------------------------------------------------------------

// In UTF-8.
std::string workstationName(); // the computer's name
std::string osLoginName();     // the user's login
std::string applicationName(); // the executable's file name

// --- text --------------------------------------------------------------------------------------

// The system's 8-bit encoding is UTF-8.
bool localIsUtf8();
// UTF-16 to the system's 8-bit encoding and back; a character it cannot hold becomes "?".
std::string utf16ToLocal(const std::u16string &text);
std::u16string localToUtf16(const std::string &text);

} // namespace engine::sys
