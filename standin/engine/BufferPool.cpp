#include "BufferPool.h"

#include <utility>

namespace engine {

BufferPool::Buffer BufferPool::take()
{
    const std::lock_guard lock(m_mutex);
    if (m_kept.empty())
        return {};
    Buffer buffer = std::move(m_kept.back());
    m_kept.pop_back();
    m_keptBytes -= buffer.capacity();
    return buffer;
}

void BufferPool::keep(Buffer buffer)
{
    const std::lock_guard lock(m_mutex);
    if (buffer.capacity() == 0 || m_keptBytes + buffer.capacity() > MaxKeptBytes)
        return;
    m_keptBytes += buffer.capacity();
    m_kept.push_back(std::move(buffer));
}

std::size_t BufferPool::keptBytes() const
{
    const std::lock_guard lock(m_mutex);
    return m_keptBytes;
}

BufferPool::Buffer BufferPool::Spare::take(BufferPool &pool)
{
    return m_buffer.capacity() > 0 ? std::move(m_buffer) : pool.take();
}

void BufferPool::Spare::replace(Buffer buffer, BufferPool &pool)
{
    if (m_buffer.capacity() > 0)
        pool.keep(std::move(m_buffer));
    m_buffer = std::move(buffer);
}

void BufferPool::Spare::release(BufferPool &pool)
{
    pool.keep(std::move(m_buffer));
}

} // namespace engine
