#include "Text.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>
#include <vector>

namespace engine {

namespace {

std::string convert(const std::string &text, const char *to, const char *from)
{
    if (text.empty() || std::strcmp(to, from) == 0)
        return text;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return text;
    std::vector<char> out(text.size() * 4 + 16);
    char *in = const_cast<char *>(text.data());
    std::size_t inLeft = text.size();
    char *outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG)
                break;
            // A character the target cannot hold becomes "?".
            ++in;
            --inLeft;
            if (outLeft > 0) {
                *outPtr++ = '?';
                --outLeft;
            }
        }
    }
    iconv_close(cd);
    return std::string(out.data(), static_cast<std::size_t>(outPtr - out.data()));
}

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

} // namespace

std::string utf8ToLocal(const std::string &utf8)
{
    return localIsUtf8() ? utf8 : convert(utf8, localCodeset(), "UTF-8");
}

std::string localToUtf8(const std::string &local)
{
    return localIsUtf8() ? local : convert(local, "UTF-8", localCodeset());
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
