#pragma once

#include "BufferPool.h"

#include <deque>
#include <optional>
#include <unordered_map>

namespace engine {

// The batches of rows a cursor has read, each the answer frame as it came, rows from
// RowsOffset on. A result may be far larger than memory: only the most recent batches are
// kept, at most MaxBytes of them, and a dropped batch's memory is the spare for the next
// answer. Walking forward, the next batch is asked for as soon as one arrives, so the
// server answers while the caller works on the rows it has.
class BatchCache {
public:
    // Rows first to first + count - 1 of the result, batch `number` of it.
    struct Batch {
        std::uint32_t number = 0;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };
    static constexpr std::size_t RowsOffset = 9; // type byte, first row, count
    static constexpr std::size_t MaxBytes = 4u * 1024 * 1024;

    BatchCache() = default;
    BatchCache(std::uint32_t rowCount, std::uint32_t recordLength);

    std::uint32_t batchRows() const { return m_batchRows; }
    // The batch that holds a row (0-based, below the row count).
    Batch batchOf(std::uint32_t index) const;
    // A row's image when its batch is here, else null.
    const std::uint8_t *row(std::uint32_t index) const
    {
        const std::uint32_t number = index / m_batchRows;
        const auto found = m_batches.find(number);
        if (found == m_batches.end())
            return nullptr;
        return found->second.data() + RowsOffset +
               std::size_t(index - number * m_batchRows) * m_recordLength;
    }
    // Memory for an answer: the cursor's spare, else one the connection kept, else none.
    BufferPool::Buffer buffer(BufferPool &pool) { return m_spare.take(pool); }
    // Keeps the checked answer of a batch that is not here, dropping the oldest batches
    // until it fits. Gives the batch to ask for ahead: the next one when the walk goes
    // forward (or starts) and it is neither here nor past the end.
    std::optional<Batch> add(const Batch &batch, BufferPool::Buffer answer, BufferPool &pool);
    // Every buffer goes to the pool: the cursor is closed.
    void release(BufferPool &pool);
    std::size_t bytes() const { return m_bytes; }

private:
    std::uint32_t m_rowCount = 0;
    std::uint32_t m_recordLength = 0;
    std::uint32_t m_batchRows = 1;
    std::unordered_map<std::uint32_t, BufferPool::Buffer> m_batches;
    std::deque<std::uint32_t> m_order; // oldest first
    std::size_t m_bytes = 0;
    std::uint32_t m_lastAdded = 0;
    BufferPool::Spare m_spare;
};

} // namespace engine
