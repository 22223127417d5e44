#pragma once

// The stand-in engine and server talk in frames: a 32-bit little-endian payload length,
// then the payload, whose first byte is the message type. Every length on the wire is
// checked against hard limits before anything is read or allocated.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace wire {

constexpr std::uint32_t MaxFrame = 16u * 1024 * 1024;
constexpr std::uint32_t MaxHelloFrame = 64u * 1024;

enum Message : std::uint8_t {
    // client to server
    Hello = 0x01,
    Execute = 0x02,
    Fetch = 0x03,
    CloseCursor = 0x04,
    Bye = 0x05,
    Control = 0x09,
    // server to client
    Ok = 0x80,
    Welcome = 0x81,
    Error = 0x82,
    Result = 0x83,
    Rows = 0x84,
};

class Writer {
public:
    // The frame is built in place: four bytes for the length, then the payload.
    explicit Writer(Message type)
    {
        const std::uint8_t head[5] = {0, 0, 0, 0, type};
        raw(head, sizeof head);
    }
    Writer(const Writer &other) { raw(other.m_data.get(), other.m_size); }
    Writer &operator=(const Writer &) = delete;

    Writer &u8(std::uint8_t v) { return raw(&v, 1); }
    Writer &u16(std::uint16_t v) { return raw(&v, 2); }
    Writer &u32(std::uint32_t v) { return raw(&v, 4); }
    Writer &str(const std::string &s)
    {
        u32(static_cast<std::uint32_t>(s.size()));
        return raw(s.data(), s.size());
    }
    // The wire is little-endian, as is every machine we build for.
    Writer &raw(const void *data, std::size_t size)
    {
        if (size == 0)
            return *this;
        if (m_size + size > m_capacity) {
            // A plain buffer: GCC 12 reports false overflows in std::vector's growth here.
            const std::size_t capacity =
                m_size + size > 2 * m_capacity ? m_size + size : 2 * m_capacity;
            auto grown = std::make_unique_for_overwrite<std::uint8_t[]>(capacity);
            if (m_size > 0)
                std::memcpy(grown.get(), m_data.get(), m_size);
            m_data = std::move(grown);
            m_capacity = capacity;
        }
        std::memcpy(m_data.get() + m_size, data, size);
        m_size += size;
        return *this;
    }

    // Length prefix followed by the payload.
    std::vector<std::uint8_t> frame() const
    {
        const auto length = static_cast<std::uint32_t>(m_size - 4);
        std::memcpy(m_data.get(), &length, 4);
        return std::vector<std::uint8_t>(m_data.get(), m_data.get() + m_size);
    }

private:
    std::unique_ptr<std::uint8_t[]> m_data;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0;
};

// Reads a payload; every read fails (and keeps failing) once the payload runs short.
class Reader {
public:
    Reader(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    bool ok() const { return m_ok; }
    bool atEnd() const { return m_pos == m_size; }

    std::uint8_t u8()
    {
        std::uint8_t v = 0;
        take(&v, 1);
        return v;
    }
    std::uint16_t u16()
    {
        std::uint16_t v = 0;
        take(&v, 2);
        return v;
    }
    std::uint32_t u32()
    {
        std::uint32_t v = 0;
        take(&v, 4);
        return v;
    }
    std::string str()
    {
        const std::uint32_t length = u32();
        if (!m_ok || length > m_size - m_pos) {
            m_ok = false;
            return {};
        }
        std::string s(reinterpret_cast<const char *>(m_data + m_pos), length);
        m_pos += length;
        return s;
    }
    // A view of the next size bytes, or null when they are not there.
    const std::uint8_t *bytes(std::size_t size)
    {
        if (!m_ok || size > m_size - m_pos) {
            m_ok = false;
            return nullptr;
        }
        const std::uint8_t *p = m_data + m_pos;
        m_pos += size;
        return p;
    }

private:
    void take(void *out, std::size_t size)
    {
        if (!m_ok || size > m_size - m_pos) {
            m_ok = false;
            return;
        }
        std::memcpy(out, m_data + m_pos, size);
        m_pos += size;
    }

    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// Column description in a Result message.
struct Column {
    std::string name;
    std::uint16_t type = 0;
    std::uint32_t length = 0;
    std::uint16_t decimals = 0;
    std::uint32_t offset = 0;
    std::uint8_t nullable = 1;
    std::uint8_t permissions = 0;
};

} // namespace wire
