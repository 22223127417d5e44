#include "Text.h"

#include "System.h"

#include <cstdint>

namespace engine {

std::string utf8ToLocal(const std::string &utf8)
{
    // One pass over the text, whatever it holds: broken sequences become replacement
    // characters here, so the system's conversion only ever sees valid text.
    const std::u16string wide = utf8ToUtf16(utf8);
    if (sys::localIsUtf8())
        return utf16ToUtf8(wide.data(), wide.size());
    return sys::utf16ToLocal(wide);
}

std::string utf8ToLocal(const std::string &utf8, std::size_t maxBytes)
{
    // A character takes at most 4 bytes of UTF-8 (a broken byte is one character) and at
    // least one in any encoding; a cut can only change the last character it reaches. So the
    // first 4 * (maxBytes + 2) bytes give the same first maxBytes + 1 bytes as the whole.
    const std::size_t enough = maxBytes < SIZE_MAX / 4 - 2 ? 4 * (maxBytes + 2) : SIZE_MAX;
    const std::string local = utf8ToLocal(utf8.size() > enough ? utf8.substr(0, enough) : utf8);
    return local.substr(0, characterBoundary(local, maxBytes));
}

std::string localToUtf8(const std::string &local)
{
    if (sys::localIsUtf8())
        return local;
    const std::u16string wide = sys::localToUtf16(local);
    return utf16ToUtf8(wide.data(), wide.size());
}

std::size_t characterBoundary(const std::string &text, std::size_t limit)
{
    if (text.size() <= limit)
        return text.size();
    std::size_t cut = limit;
    // In UTF-8 a character's later bytes are 10xxxxxx; back off to the start of it.
    if (sys::localIsUtf8())
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
    return cut;
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
