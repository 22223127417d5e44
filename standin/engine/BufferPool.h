#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace engine {

// Memory for the answers that carry rows, used again: fresh memory costs a page fault per
// 4 KiB, more than reading the rows into it does. A connection keeps up to MaxKeptBytes of
// its closed cursors' buffers for the next ones; each cursor keeps one spare of its own,
// the memory of the batch it dropped last, for its next answer.
class BufferPool {
public:
    using Buffer = std::vector<std::uint8_t>;
    static constexpr std::size_t MaxKeptBytes = 8u * 1024 * 1024;

    // A kept buffer, else none.
    Buffer take();
    // Kept when it has memory and the pool stays within MaxKeptBytes with it; else freed.
    void keep(Buffer buffer);
    std::size_t keptBytes() const;

    // A cursor's spare buffer.
    class Spare {
    public:
        // The spare, else a buffer the pool kept, else none.
        Buffer take(BufferPool &pool);
        // The buffer becomes the spare; the one it replaces goes to the pool.
        void replace(Buffer buffer, BufferPool &pool);
        // The spare goes to the pool: its cursor is closed.
        void release(BufferPool &pool);

    private:
        Buffer m_buffer;
    };

private:
    mutable std::mutex m_mutex; // cursors on other threads share their connection's pool
    std::vector<Buffer> m_kept;
    std::size_t m_keptBytes = 0;
};

} // namespace engine
