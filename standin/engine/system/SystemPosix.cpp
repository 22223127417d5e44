#include "System.h"

#include <arpa/inet.h>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace engine::sys {

bool resolveIPv4(const std::string &host, std::uint32_t &address)
{
    in_addr literal{};
    if (inet_pton(AF_INET, host.c_str(), &literal) == 1) {
        address = literal.s_addr;
        return true;
    }
    hostent entry{};
    hostent *result = nullptr;
    std::vector<char> scratch(4096);
    int failure = 0;
    if (gethostbyname_r(host.c_str(), &entry, scratch.data(), scratch.size(), &result, &failure) !=
            0 ||
        !result || result->h_addrtype != AF_INET || !result->h_addr_list || !result->h_addr_list[0])
        return false;
    std::memcpy(&address, result->h_addr_list[0], sizeof address);
    return true;
}

Socket openTcp()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return NoSocket;
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

void closeSocket(Socket socket)
{
    if (socket != NoSocket)
        ::close(int(socket));
}

Progress startConnect(Socket socket, std::uint32_t address, std::uint16_t port)
{
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = address;
    if (::connect(int(socket), reinterpret_cast<const sockaddr *>(&target), sizeof target) == 0)
        return Progress::Done;
    return errno == EINPROGRESS ? Progress::Pending : Progress::Failed;
}

int connectResult(Socket socket)
{
    int failure = 0;
    socklen_t length = sizeof failure;
    ::getsockopt(int(socket), SOL_SOCKET, SO_ERROR, &failure, &length);
    return failure;
}

bool waitReady(Socket socket, bool forWriting, int timeoutMs)
{
    pollfd p{int(socket), short(forWriting ? POLLOUT : POLLIN), 0};
    for (;;) {
        const int n = ::poll(&p, 1, timeoutMs);
        if (n > 0)
            return true;
        if (n == 0)
            return false;
        if (errno != EINTR)
            return true; // let the following call report the error
    }
}

long long sendSome(Socket socket, const std::uint8_t *data, std::size_t size, bool &wouldBlock)
{
    const ssize_t n = ::send(int(socket), data, size, MSG_NOSIGNAL);
    wouldBlock = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
    return n;
}

long long receiveSome(Socket socket, std::uint8_t *data, std::size_t size, bool &wouldBlock)
{
    const ssize_t n = ::recv(int(socket), data, size, 0);
    wouldBlock = n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
    return n;
}

int error()
{
    return errno;
}

std::string errorText(int code)
{
    return std::strerror(code);
}

std::string workstationName()
{
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0)
        return "unknown";
    return name;
}

std::string osLoginName()
{
    passwd entry{};
    passwd *result = nullptr;
    std::vector<char> scratch(4096);
    if (getpwuid_r(geteuid(), &entry, scratch.data(), scratch.size(), &result) == 0 && result)
        return result->pw_name;
    return "unknown";
}

std::string applicationName()
{
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return "unknown";
    const std::string full(path, static_cast<std::size_t>(length));
    return full.substr(full.rfind('/') + 1);
}

namespace {

const char *localCodeset()
{
    const char *codeset = nl_langinfo(CODESET);
    return (codeset && *codeset) ? codeset : "ANSI_X3.4-1968";
}

// Converts with iconv; a character the target cannot hold, or input the source encoding
// does not allow, becomes the replacement ("?" in the target encoding) and the conversion
// goes on after it; unit is the size of one input character to skip then.
std::string convert(const char *data, std::size_t size, const char *to, const char *from,
                    std::size_t unit, const std::string &replacement)
{
    if (size == 0)
        return {};
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(data, size);
    std::string out;
    out.reserve(size + 16);
    char chunk[4096];
    char *in = const_cast<char *>(data);
    std::size_t inLeft = size;
    while (inLeft > 0) {
        char *outPtr = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, std::size_t(outPtr - chunk));
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        const std::size_t skip = unit < inLeft ? unit : inLeft;
        in += skip;
        inLeft -= skip;
        out += replacement;
    }
    iconv_close(cd);
    return out;
}

} // namespace

bool localIsUtf8()
{
    const char *codeset = localCodeset();
    return std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0;
}

std::string utf16ToLocal(const std::u16string &text)
{
    return convert(reinterpret_cast<const char *>(text.data()), text.size() * 2, localCodeset(),
                   "UTF-16LE", 2, "?");
}

std::u16string localToUtf16(const std::string &text)
{
    const std::string bytes =
        convert(text.data(), text.size(), "UTF-16LE", localCodeset(), 1, std::string("?\0", 2));
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

} // namespace engine::sys
