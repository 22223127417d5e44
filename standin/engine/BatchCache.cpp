#include "BatchCache.h"

#include <algorithm>

namespace engine {

BatchCache::BatchCache(std::uint32_t rowCount, std::uint32_t recordLength)
    : m_rowCount(rowCount), m_recordLength(recordLength),
      // A batch fits one answer frame with room to spare.
      m_batchRows(std::clamp<std::uint32_t>(
          (2u * 1024 * 1024) / std::max<std::uint32_t>(1, recordLength), 1, 10000))
{
}

BatchCache::Batch BatchCache::batchOf(std::uint32_t index) const
{
    const std::uint32_t number = index / m_batchRows;
    const std::uint32_t first = number * m_batchRows;
    return {number, first, std::min(m_batchRows, m_rowCount - first)};
}

std::optional<BatchCache::Batch> BatchCache::add(const Batch &batch, BufferPool::Buffer answer,
                                                 BufferPool &pool)
{
    // The oldest batch's memory takes the next answer: no fresh pages for each batch.
    while (m_bytes + answer.size() > MaxBytes && !m_order.empty()) {
        const auto old = m_batches.find(m_order.front());
        m_bytes -= old->second.size();
        m_spare.replace(std::move(old->second), pool);
        m_batches.erase(old);
        m_order.pop_front();
    }
    m_bytes += answer.size();
    m_order.push_back(batch.number);
    m_batches.emplace(batch.number, std::move(answer));
    const bool forward = batch.number == 0 || batch.number == m_lastAdded + 1;
    m_lastAdded = batch.number;
    const std::uint32_t next = batch.number + 1;
    if (!forward || next >= (m_rowCount + m_batchRows - 1) / m_batchRows || m_batches.count(next))
        return std::nullopt;
    return batchOf(next * m_batchRows);
}

void BatchCache::release(BufferPool &pool)
{
    for (auto &batch : m_batches)
        pool.keep(std::move(batch.second));
    m_spare.release(pool);
    m_batches.clear();
    m_order.clear();
    m_bytes = 0;
}

} // namespace engine
