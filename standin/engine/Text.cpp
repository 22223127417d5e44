#include "Text.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <vector>

namespace engine {

namespace {

const char *localCodeset()
{
    const char *codeset = nl_langinfo(CODESET);
    return (codeset && *codeset) ? codeset : "ANSI_X3.4-1968";
}

bool localIsUtf8()
{
    const char *codeset = localCodeset();
    return std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0;
}

// Converts with iconv; a character the target cannot hold, or input the source encoding
// does not allow, becomes "?" and the conversion goes on after it. unit is the size of one
// input character to skip then.
std::string convert(const char *data, std::size_t size, const char *to, const char *from,
                    std::size_t unit)
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
        const std::size_t skip = std::min(unit, inLeft);
        in += skip;
        inLeft -= skip;
        out += '?';
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string utf8ToLocal(const std::string &utf8)
{
    // One pass over the text, whatever it holds: broken sequences become "?" here, so
    // iconv only ever sees valid input.
    if (localIsUtf8()) {
        const std::u16string wide = utf8ToUtf16(utf8);
        return utf16ToUtf8(wide.data(), wide.size());
    }
    const std::u16string wide = utf8ToUtf16(utf8);
    return convert(reinterpret_cast<const char *>(wide.data()), wide.size() * 2, localCodeset(),
                   "UTF-16LE", 2);
}

std::size_t characterBoundary(const std::string &text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    std::size_t cut = limit;
    // In UTF-8 a character's later bytes are 10xxxxxx; back off to the start of it.
    if (localIsUtf8())
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
    return cut;
}

std::string localToUtf8(const std::string &local)
{
    if (localIsUtf8())
        return local;
    return convert(local.data(), local.size(), "UTF-8", localCodeset(), 1);
}

std::string utf16ToUtf8(const char16_t *text, std::size_t length)
{
    std::string out;
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string utf8ToUtf16(const std::string &utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t c = 0xFFFD;
        std::size_t extra = 0;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            extra = 3;
        }
        ++i;
        for (std::size_t k = 0; k < extra; ++k, ++i) {
            if (i >= utf8.size() || (static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
                c = 0xFFFD;
                break;
            }
            c = (c << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        }
        // Overlong forms, surrogates and code points beyond Unicode are no characters.
        static constexpr char32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
        if (c < Smallest[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = 0xFFFD;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

} // namespace engine
