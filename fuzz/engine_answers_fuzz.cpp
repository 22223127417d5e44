// The engine's reading of server answers: the first byte picks the answer, the rest is its
// payload. A result that is taken must describe only columns that fit its rows.

#include "AceFieldTypes.h"
#include "Answers.h"

#include <cstdint>
#include <cstring>

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
        error(payload, length);
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
