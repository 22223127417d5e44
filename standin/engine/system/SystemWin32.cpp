#include "System.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
// winsock2.h must come before windows.h.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <windows.h>

#include <mutex>
#include <vector>

namespace engine::sys {

namespace {

// Winsock is started once per process and stays up with the library.
void startWinsock()
{
    static std::once_flag once;
    std::call_once(once, [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    });
}

std::string narrow(const wchar_t *text, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    return out;
}

} // namespace

bool resolveIPv4(const std::string &host, std::uint32_t &address)
{
    startWinsock();
    in_addr literal{};
    if (inet_pton(AF_INET, host.c_str(), &literal) == 1) {
        address = literal.s_addr;
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found)
        return false;
    address = reinterpret_cast<const sockaddr_in *>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return true;
}

Socket openTcp()
{
    startWinsock();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return NoSocket;
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    const BOOL one = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char *>(&one), sizeof one);
    return Socket(s);
}

void closeSocket(Socket socket)
{
    if (socket != NoSocket)
        ::closesocket(SOCKET(socket));
}

Progress startConnect(Socket socket, std::uint32_t address, std::uint16_t port)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    if (::connect(SOCKET(socket), reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0)
        return Progress::Done;
    return WSAGetLastError() == WSAEWOULDBLOCK ? Progress::Pending : Progress::Failed;
}

int connectResult(Socket socket)
{
    int failure = 0;
    int length = sizeof failure;
    ::getsockopt(SOCKET(socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&failure), &length);
    return failure;
}

bool waitReady(Socket socket, bool forWriting, int timeoutMs)
{
    WSAPOLLFD p{};
    p.fd = SOCKET(socket);
    p.events = forWriting ? POLLWRNORM : POLLRDNORM;
    const int n = WSAPoll(&p, 1, timeoutMs);
    return n != 0; // an error is ready too: the following call reports it
}

long long sendSome(Socket socket, const std::uint8_t *data, std::size_t size, bool &wouldBlock)
{
    const int chunk = size > 0x40000000 ? 0x40000000 : int(size);
    const int n = ::send(SOCKET(socket), reinterpret_cast<const char *>(data), chunk, 0);
    wouldBlock = n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK;
    return n;
}

long long receiveSome(Socket socket, std::uint8_t *data, std::size_t size, bool &wouldBlock)
{
    const int chunk = size > 0x40000000 ? 0x40000000 : int(size);
    const int n = ::recv(SOCKET(socket), reinterpret_cast<char *>(data), chunk, 0);
    wouldBlock = n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK;
    return n;
}

int error()
{
    return WSAGetLastError();
}

std::string errorText(int code)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    if (length == 0 || !text)
        return "error " + std::to_string(code);
    std::string message = narrow(text, int(length));
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    return message;
}

std::string workstationName()
{
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    return GetComputerNameW(name, &size) ? narrow(name, int(size)) : std::string("unknown");
}

std::string osLoginName()
{
    wchar_t name[257] = {};
    DWORD size = 257;
    return GetUserNameW(name, &size) && size > 0 ? narrow(name, int(size - 1))
                                                 : std::string("unknown");
}

std::string applicationName()
{
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (length == 0)
            return "unknown";
        if (length < path.size()) {
            const std::string full = narrow(path.data(), int(length));
            return full.substr(full.find_last_of("\\/") + 1);
        }
        path.resize(path.size() * 2);
    }
}

bool localIsUtf8()
{
    return GetACP() == CP_UTF8;
}

std::string utf16ToLocal(const std::u16string &text)
{
    if (text.empty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.data());
    const int size =
        WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, wide, int(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::u16string localToUtf16(const std::string &text)
{
    if (text.empty())
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()), nullptr, 0);
    std::u16string out(size_t(size > 0 ? size : 0), u'\0');
    if (size > 0)
        MultiByteToWideChar(CP_ACP, 0, text.data(), int(text.size()),
                            reinterpret_cast<wchar_t *>(out.data()), size);
    return out;
}

} // namespace engine::sys
