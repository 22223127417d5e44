#pragma once

// The one place that knows which operating system we build for. On Windows the real
// headers give the names; elsewhere we declare the few types, codes and records that
// the platform layer's callers rely on, with the same names and values.

#include <cstdint>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
// winsock2.h must come before windows.h.
#include <winsock2.h>

#include <windows.h>
#include <winnetwk.h>
#define QUELLMARK_WIN32 1
#else
#include <netdb.h>

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using LCID = DWORD;

struct UNIVERSAL_NAME_INFOW {
    char16_t *lpUniversalName;
};

constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_NO_ROOT_DIR = 1;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

constexpr DWORD UNIVERSAL_NAME_INFO_LEVEL = 1;
constexpr DWORD REMOTE_NAME_INFO_LEVEL = 2;

constexpr DWORD NO_ERROR = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_BAD_DEVICE = 1200;
constexpr DWORD ERROR_CONNECTION_UNAVAIL = 1201;
constexpr DWORD ERROR_NO_NET_OR_BAD_PATH = 1203;
constexpr DWORD ERROR_EXTENDED_ERROR = 1208;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr DWORD ERROR_NO_NETWORK = 1222;
constexpr DWORD ERROR_NOT_CONNECTED = 2250;

// Windows Sockets' lookup failures, as WSAGetLastError gives them.
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSATRY_AGAIN = 11002;
constexpr int WSANO_RECOVERY = 11003;
constexpr int WSANO_DATA = 11004;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr DWORD NORM_IGNORECASE = 0x00000001;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
#endif

// Wide texts cross the layer as UTF-16 code units; on Windows wchar_t has that size.
using WideChar = char16_t;
