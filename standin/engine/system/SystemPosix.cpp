#include "System.h"

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <memory>
#include <mutex>
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

// iconv stops at every character it cannot convert, and glibc then redoes what it had
// converted ahead in that call: text full of such characters cost microseconds each (16 MiB
// of error text, minutes). A single-byte encoding (the C locale's ASCII, the Latin and
// Windows pages, KOI8) is therefore converted through two tables, built once from 256
// conversions of one byte; any other goes to iconv a few bytes at a time, so that a failure
// redoes only those.
struct LocalCodec {
    std::string codeset;
    bool singleByte = true;
    std::array<std::int32_t, 256> toWide{}; // -1: the byte is no character
    std::vector<std::int16_t> fromWide;     // by UTF-16 unit; -1: no byte for it
};

std::shared_ptr<const LocalCodec> buildCodec(const std::string &codeset)
{
    auto codec = std::make_shared<LocalCodec>();
    codec->codeset = codeset;
    iconv_t cd = iconv_open("UTF-16LE", codeset.c_str());
    for (int byte = 0; byte < 256; ++byte) {
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            codec->toWide[std::size_t(byte)] = byte; // an encoding iconv does not know: bytes
            continue;
        }
        char in = char(byte);
        char *inPtr = &in;
        std::size_t inLeft = 1;
        char16_t out[4];
        char *outPtr = reinterpret_cast<char *>(out);
        std::size_t outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        if (rc == static_cast<std::size_t>(-1) && errno == EINVAL) {
            codec->singleByte = false; // the byte starts a longer character
            break;
        }
        const bool one = rc != static_cast<std::size_t>(-1) && inLeft == 0 &&
                         outLeft == sizeof out - sizeof(char16_t);
        codec->toWide[std::size_t(byte)] = one ? std::int32_t(out[0]) : -1;
    }
    if (cd != reinterpret_cast<iconv_t>(-1))
        iconv_close(cd);
    if (codec->singleByte) {
        codec->fromWide.assign(0x10000, -1);
        for (int byte = 255; byte >= 0; --byte)
            if (const std::int32_t c = codec->toWide[std::size_t(byte)]; c >= 0)
                codec->fromWide[std::size_t(c)] = std::int16_t(byte);
    }
    return codec;
}

// The codec of the calling thread's locale, built when the locale's encoding is new.
std::shared_ptr<const LocalCodec> localCodec()
{
    static std::mutex mutex;
    static std::shared_ptr<const LocalCodec> current;
    const char *codeset = localCodeset();
    const std::lock_guard lock(mutex);
    if (!current || current->codeset != codeset)
        current = buildCodec(codeset);
    return current;
}

// The bytes of the input character to skip when it cannot be converted.
std::size_t oneByte(const char *, std::size_t)
{
    return 1;
}

std::size_t oneUtf16Character(const char *at, std::size_t left)
{
    char16_t units[2] = {};
    std::memcpy(units, at, std::min<std::size_t>(left, 4) & ~std::size_t(1));
    const bool pair = left >= 4 && units[0] >= 0xD800 && units[0] <= 0xDBFF && units[1] >= 0xDC00 &&
                      units[1] <= 0xDFFF;
    return std::min<std::size_t>(left, pair ? 4 : 2);
}

// Converts with iconv a few bytes at a time; a character the target cannot hold, or input
// the source encoding does not allow, becomes the replacement ("?" in the target encoding)
// and the conversion goes on after it.
std::string convertInPieces(const char *data, std::size_t size, const char *to, const char *from,
                            std::size_t (*character)(const char *, std::size_t),
                            const std::string &replacement)
{
    if (size == 0)
        return {};
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::string(data, size);
    // Longer than any character of any encoding, and its output fits the chunk.
    constexpr std::size_t Piece = 32;
    std::string out;
    out.reserve(size + 16);
    char chunk[8 * Piece];
    char *in = const_cast<char *>(data);
    std::size_t left = size;
    while (left > 0) {
        const std::size_t piece = std::min(left, Piece);
        std::size_t pieceLeft = piece;
        char *outPtr = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t rc = iconv(cd, &in, &pieceLeft, &outPtr, &outLeft);
        out.append(chunk, std::size_t(outPtr - chunk));
        const std::size_t taken = piece - pieceLeft;
        left -= taken;
        if (rc != static_cast<std::size_t>(-1) || errno == E2BIG)
            continue;
        // A character cut by the piece's end is read whole by the next piece; one cut by
        // the end of the text, or one that is none, becomes the replacement.
        if (errno == EINVAL && taken > 0 && left > pieceLeft)
            continue;
        const std::size_t skip = character(in, left);
        in += skip;
        left -= skip;
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
    const std::shared_ptr<const LocalCodec> codec = localCodec();
    if (!codec->singleByte)
        return convertInPieces(reinterpret_cast<const char *>(text.data()), text.size() * 2,
                               codec->codeset.c_str(), "UTF-16LE", oneUtf16Character, "?");
    std::string out(text.size(), '?');
    std::size_t length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        // A surrogate pair is one character: one replacement.
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF)
            ++i;
        const std::int16_t byte = codec->fromWide[c];
        out[length++] = byte >= 0 ? char(byte) : '?';
    }
    out.resize(length);
    return out;
}

std::u16string localToUtf16(const std::string &text)
{
    const std::shared_ptr<const LocalCodec> codec = localCodec();
    if (codec->singleByte) {
        std::u16string out(text.size(), u'?');
        for (std::size_t i = 0; i < text.size(); ++i)
            if (const std::int32_t c = codec->toWide[static_cast<unsigned char>(text[i])]; c >= 0)
                out[i] = char16_t(c);
        return out;
    }
    const std::string bytes =
        convertInPieces(text.data(), text.size(), "UTF-16LE", codec->codeset.c_str(), oneByte,
                        std::string("?\0", 2));
    std::u16string out(bytes.size() / 2, u'\0');
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    return out;
}

} // namespace engine::sys
