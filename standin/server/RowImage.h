#pragma once

#include "Wire.h"

#include <QDate>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// Bytes of row images that results hold in this process, shared blocks counted once: the
// figure to watch when many clients hold large results.
std::size_t rowBytesAlive();

namespace rowmemory {
void allocated(std::size_t bytes);
void released(std::size_t bytes);
} // namespace rowmemory

// std::allocator, counted in rowBytesAlive().
template <typename T> struct RowAllocator {
    using value_type = T;
    RowAllocator() = default;
    template <typename U> RowAllocator(const RowAllocator<U> &) {}
    T *allocate(std::size_t n)
    {
        T *p = std::allocator<T>().allocate(n);
        rowmemory::allocated(n * sizeof(T));
        return p;
    }
    void deallocate(T *p, std::size_t n)
    {
        rowmemory::released(n * sizeof(T));
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U> bool operator==(const RowAllocator<U> &) const { return true; }
};
using RowBytes = std::vector<std::uint8_t, RowAllocator<std::uint8_t>>;

// Rows of one layout in blocks of rowsPerBlock rows each, shared by every result that shows
// them.
struct RowBlocks {
    std::uint32_t rowsPerBlock = 0;
    std::vector<std::shared_ptr<const RowBytes>> blocks;
};

// Builds ADT row images column by column, with the null patterns the client tests for.
class ResultBuilder {
public:
    // A column of the engine's type code; length in characters for the Unicode types.
    // Columns are added before the first row.
    void column(const std::string &name, std::uint16_t type, std::uint32_t length = 0,
                std::uint16_t decimals = 0);
    void dropColumn(const QString &name);
    void lowerCaseNames();
    // Declares other lengths for the named columns (names in lower case) than their rows
    // hold, as a broken server would; the row data stays as it is.
    void declareLengths(const QMap<QString, std::uint32_t> &lengths);

    void reserveRows(std::uint32_t rows) { m_data.reserve(std::size_t(rows) * m_recordLength); }
    void newRow();
    void setNull(int column);
    void setChar(int column, const QString &text);
    void setWide(int column, const QString &text);
    // Raw bytes into a character column, cut to its width and padded with blanks.
    void setBytes(int column, const QByteArray &bytes);
    void setLong(int column, std::int64_t value);
    void setInt(int column, std::int32_t value);
    void setShort(int column, std::int16_t value);
    void setLogical(int column, bool value);
    void setDate(int column, const QDate &date);
    void setTimestamp(int column, const QDateTime &stamp);
    void setNumeric(int column, double value);
    void setMoney(int column, double value);
    void setDouble(int column, double value);
    // The first count rows of blocks of this builder's layout, shared rather than copied: a
    // large result built once serves every execute. No row can be added after them.
    void appendShared(std::shared_ptr<const RowBlocks> rows, std::uint32_t count);
    // Makes this result's rows those of source, reshaped as they are read: column k holds
    // source's column sourceColumns[k], every later column its null value. A reshaped
    // large result costs no copy of its rows, only of those fetched. Columns are added
    // before; no row can be added after.
    void reshapeRowsOf(std::shared_ptr<const ResultBuilder> source,
                       const std::vector<int> &sourceColumns);

    int indexOf(const std::string &name) const;
    const std::vector<wire::Column> &columns() const { return m_columns; }
    std::uint32_t recordLength() const { return m_recordLength; }
    std::uint32_t rowCount() const { return m_rows; }
    // The rows [first, first + count) into out, which has room for them.
    void copyRows(std::uint32_t first, std::uint32_t count, std::uint8_t *out) const;
    // The rows added with newRow, moved out.
    RowBytes takeRows() { return std::move(m_data); }
    // Whether forEachRun can show the rows where they lie: not when they are reshaped.
    bool rowsInPlace() const { return !m_source; }
    // Calls take(bytes, size) for the rows [first, first + count): its own, then one run
    // per shared block. Only for rows in place.
    template <typename Take>
    void forEachRun(std::uint32_t first, std::uint32_t count, Take take) const
    {
        Q_ASSERT(rowsInPlace());
        const std::uint32_t own = m_rows - m_sharedRows;
        if (first < own) {
            const std::uint32_t n = std::min(count, own - first);
            take(m_data.data() + std::size_t(first) * m_recordLength,
                 std::size_t(n) * m_recordLength);
            first += n;
            count -= n;
        }
        while (count > 0) {
            const std::uint32_t index = first - own;
            const std::uint32_t inBlock = index % m_shared->rowsPerBlock;
            const std::uint32_t n = std::min(count, m_shared->rowsPerBlock - inBlock);
            take(m_shared->blocks[index / m_shared->rowsPerBlock]->data() +
                     std::size_t(inBlock) * m_recordLength,
                 std::size_t(n) * m_recordLength);
            first += n;
            count -= n;
        }
    }

private:
    std::uint8_t *at(int column);
    void layout();

    std::vector<wire::Column> m_columns;
    std::uint32_t m_recordLength = 0;
    std::uint32_t m_rows = 0;
    RowBytes m_data;
    std::shared_ptr<const RowBlocks> m_shared;
    std::uint32_t m_sharedRows = 0;
    // Reshaped rows: the bytes each column takes from a row of m_source, over a row of
    // nulls.
    struct Segment {
        std::uint32_t from, to, length;
    };
    std::shared_ptr<const ResultBuilder> m_source;
    std::vector<Segment> m_segments;
    RowBytes m_nullRow;
};
