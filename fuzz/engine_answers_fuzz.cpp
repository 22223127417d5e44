// The engine's reading of server answers: the first byte picks the answer, the rest is its
// payload. A result that is taken must describe only columns that fit its rows. An error's
// text in the C locale (ASCII) must be its text in UTF-8 with a "?" for each character
// beyond ASCII, and so must the payload read as text of the C locale.

#include "AceFieldTypes.h"
#include "Answers.h"
#include "Text.h"

#include <cstdint>
#include <cstring>
#include <string>

#ifndef _WIN32
#include <clocale>

namespace {

std::string asciiOf(const std::string &utf8)
{
    std::string ascii;
    for (const char c : utf8)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ascii += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    return ascii;
}

void compareLocales(const std::uint8_t *payload, std::size_t length)
{
    static const locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
    static const locale_t ascii = newlocale(LC_ALL_MASK, "C", nullptr);
    if (!utf8 || !ascii)
        __builtin_trap();
    using engine::answer::error;
    uselocale(utf8);
    const engine::answer::Failure wide = error(payload, length);
    uselocale(ascii);
    const engine::answer::Failure narrow = error(payload, length);
    const std::string local(reinterpret_cast<const char *>(payload), length);
    const std::string read = engine::localToUtf8(local);
    uselocale(LC_GLOBAL_LOCALE);
    if (narrow.code != wide.code || narrow.text != asciiOf(wide.text))
        __builtin_trap();
    std::string expected = local;
    for (char &c : expected)
        if (static_cast<unsigned char>(c) >= 0x80)
            c = '?';
    if (read != expected)
        __builtin_trap();
}

} // namespace
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::uint8_t kind = data[0];
    const std::uint8_t *payload = data + 1;
    const std::size_t length = size - 1;
    using namespace engine::answer;
    switch (kind % 4) {
    case 0:
#ifndef _WIN32
        compareLocales(payload, length);
#else
        error(payload, length);
#endif
        break;
    case 1:
        welcome(payload, length);
        break;
    case 2: {
        const auto header = result(payload, length);
        if (const auto *taken = std::get_if<ResultHeader>(&header))
            for (const wire::Column &c : taken->columns)
                if (!acetype::columnFits(c.type, c.offset, c.length, taken->recordLength))
                    __builtin_trap();
        break;
    }
    default: {
        if (length < 12)
            return 0;
        std::uint32_t first = 0, count = 0, recordLength = 0;
        std::memcpy(&first, payload, 4);
        std::memcpy(&count, payload + 4, 4);
        std::memcpy(&recordLength, payload + 8, 4);
        const auto offset = rows(payload + 12, length - 12, first, count, recordLength);
        if (const auto *at = std::get_if<std::size_t>(&offset))
            if (*at + std::uint64_t(count) * recordLength != length - 12)
                __builtin_trap();
        break;
    }
    }
    return 0;
}
