// A cursor's batches: what stays within the cursor's memory bound as the caller jumps back
// and forth, which batch is asked for ahead, and whose memory each answer is read into.
// The batches the server is asked for on a real link: engine_fetch_ahead_test.

#include "BatchCache.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

using engine::BatchCache;
using engine::BufferPool;

// 128-byte rows: batches of 10,000 rows, 1,280,009 bytes as answers; three fit the bound.
// The sixth and last batch is half as long.
constexpr std::uint32_t RecordLength = 128;
constexpr std::uint32_t Rows = 55000;
constexpr std::uint32_t None = 0xFFFFFFFF;
constexpr std::size_t BatchBytes = BatchCache::RowsOffset + 10000 * RecordLength;

// An answer frame as the server sends it, each row starting with its number.
void fillAnswer(BufferPool::Buffer &answer, const BatchCache::Batch &batch)
{
    answer.resize(BatchCache::RowsOffset + std::size_t(batch.count) * RecordLength);
    answer[0] = 0x84;
    std::memcpy(answer.data() + 1, &batch.first, 4);
    std::memcpy(answer.data() + 5, &batch.count, 4);
    for (std::uint32_t i = 0; i < batch.count; ++i) {
        const std::uint32_t row = batch.first + i;
        std::memcpy(answer.data() + BatchCache::RowsOffset + std::size_t(i) * RecordLength, &row,
                    4);
    }
}

struct Step {
    const char *what;
    std::uint32_t row;
    bool here;                       // the row's batch was kept
    bool reused;                     // the answer is read into a dropped batch's memory
    std::uint32_t ahead;             // the batch asked for ahead, or None
    std::vector<std::uint32_t> kept; // the batches kept afterwards
};

TEST(BatchCache, KeepsTheLatestBatchesWithinItsBoundAndAsksAheadOnlyWalkingForward)
{
    const Step steps[] = {
        {"the first row", 0, false, false, 1, {0}},
        {"its batch's last row", 9999, true, false, None, {0}},
        {"the second batch, asked ahead", 10000, false, false, 2, {0, 1}},
        {"the third", 20000, false, false, 3, {0, 1, 2}},
        {"the fourth drops the first", 30000, false, false, 4, {1, 2, 3}},
        {"the last row: nothing is past it", Rows - 1, false, false, None, {2, 3, 5}},
        {"back to a dropped batch: no walk", 15000, false, true, None, {3, 5, 1}},
        {"the first batch, the next one kept", 0, false, true, None, {5, 1, 0}},
        {"a jump over a kept batch", 20000, false, true, None, {1, 0, 2}},
        {"on from there, into a short spare", 30000, false, false, 4, {0, 2, 3}},
        {"inside a kept batch", 25000, true, false, None, {0, 2, 3}},
    };
    BufferPool pool;
    BatchCache cache(Rows, RecordLength);
    ASSERT_EQ(cache.batchRows(), 10000u);
    // What the link holds: the memory handed along with the fetch sent ahead.
    std::uint32_t aheadBatch = None;
    BufferPool::Buffer aheadBuffer;
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        const std::uint8_t *row = cache.row(step.row);
        EXPECT_EQ(row != nullptr, step.here);
        std::uint32_t ahead = None;
        if (!row) {
            const BatchCache::Batch missing = cache.batchOf(step.row);
            BufferPool::Buffer answer;
            if (missing.number == aheadBatch) {
                answer = std::move(aheadBuffer);
                aheadBatch = None;
            } else {
                answer = cache.buffer(pool);
            }
            const std::size_t size =
                BatchCache::RowsOffset + std::size_t(missing.count) * RecordLength;
            EXPECT_EQ(answer.capacity() >= size, step.reused);
            fillAnswer(answer, missing);
            if (const auto next = cache.add(missing, std::move(answer), pool)) {
                ahead = next->number;
                EXPECT_EQ(next->first, next->number * 10000);
                EXPECT_EQ(next->count, std::min(10000u, Rows - next->first));
                aheadBatch = next->number;
                aheadBuffer = cache.buffer(pool);
            }
            row = cache.row(step.row);
            ASSERT_NE(row, nullptr);
        }
        std::uint32_t number = 0;
        std::memcpy(&number, row, 4);
        EXPECT_EQ(number, step.row);
        EXPECT_EQ(ahead, step.ahead);
        EXPECT_LE(cache.bytes(), BatchCache::MaxBytes);
        for (std::uint32_t batch = 0; batch < 6; ++batch)
            EXPECT_EQ(cache.row(batch * 10000) != nullptr,
                      std::count(step.kept.begin(), step.kept.end(), batch) == 1)
                << "batch " << batch;
    }
    // Closed: its batches' memory goes to the connection, for the next cursor.
    cache.release(pool);
    EXPECT_EQ(cache.bytes(), 0u);
    EXPECT_GE(pool.keptBytes(), 3 * BatchBytes);
    EXPECT_GE(BatchCache(Rows, RecordLength).buffer(pool).capacity(), BatchBytes);
}

TEST(BufferPool, KeepsClosedCursorsBuffersUpToItsBound)
{
    constexpr std::size_t MiB = 1024 * 1024;
    struct Case {
        const char *what;
        std::size_t capacity;
        std::size_t keptBytes;
    };
    const Case cases[] = {
        {"kept", 3 * MiB, 3 * MiB},
        {"kept beside it", 3 * MiB, 6 * MiB},
        {"past the bound: freed", 3 * MiB, 6 * MiB},
        {"up to the bound exactly", 2 * MiB, 8 * MiB},
        {"no memory: nothing to keep", 0, 8 * MiB},
    };
    BufferPool pool;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BufferPool::Buffer buffer;
        buffer.reserve(c.capacity);
        pool.keep(std::move(buffer));
        EXPECT_EQ(pool.keptBytes(), c.keptBytes);
    }
    // A cursor's spare comes first; its replaced spare goes to the pool.
    BufferPool::Spare spare;
    EXPECT_EQ(spare.take(pool).capacity(), 2 * MiB);
    EXPECT_EQ(pool.keptBytes(), 6 * MiB);
    BufferPool::Buffer dropped;
    dropped.reserve(MiB);
    spare.replace(std::move(dropped), pool);
    BufferPool::Buffer next;
    next.reserve(MiB / 2);
    spare.replace(std::move(next), pool);
    EXPECT_EQ(pool.keptBytes(), 7 * MiB);
    EXPECT_EQ(spare.take(pool).capacity(), MiB / 2);
    EXPECT_EQ(spare.take(pool).capacity(), MiB);
}

} // namespace
