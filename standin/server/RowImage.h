#pragma once

#include "Wire.h"

#include <QDate>
#include <QDateTime>
#include <QMap>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

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

    void newRow();
    void setNull(int column);
    void setChar(int column, const QString &text);
    void setWide(int column, const QString &text);
    void setInt(int column, std::int32_t value);
    void setShort(int column, std::int16_t value);
    void setLogical(int column, bool value);
    void setDate(int column, const QDate &date);
    void setTimestamp(int column, const QDateTime &stamp);
    void setNumeric(int column, double value);
    void setMoney(int column, double value);
    void setDouble(int column, double value);
    // Whole rows of this builder's layout, shared rather than copied: a large result built
    // once serves every execute. No row can be added after them.
    void appendShared(std::shared_ptr<const std::vector<std::uint8_t>> rows, std::uint32_t count);
    // Raw bytes of one column of the current row.
    void copyInto(int column, const std::uint8_t *bytes, std::uint32_t length);

    int indexOf(const std::string &name) const;
    const std::vector<wire::Column> &columns() const { return m_columns; }
    std::uint32_t recordLength() const { return m_recordLength; }
    std::uint32_t rowCount() const { return m_rows; }
    const std::uint8_t *row(std::uint32_t index) const;
    // The rows added with newRow, moved out.
    std::vector<std::uint8_t> takeRows() { return std::move(m_data); }
    // Calls take(bytes, size) for the rows [first, first + count) in at most two runs.
    template <typename Take>
    void forEachRun(std::uint32_t first, std::uint32_t count, Take take) const
    {
        const std::uint32_t own = m_rows - m_sharedRows;
        if (first < own) {
            const std::uint32_t n = std::min(count, own - first);
            take(m_data.data() + std::size_t(first) * m_recordLength,
                 std::size_t(n) * m_recordLength);
            first += n;
            count -= n;
        }
        if (count > 0)
            take(m_shared->data() + std::size_t(first - own) * m_recordLength,
                 std::size_t(count) * m_recordLength);
    }

private:
    std::uint8_t *at(int column);
    void layout();

    std::vector<wire::Column> m_columns;
    std::uint32_t m_recordLength = 0;
    std::uint32_t m_rows = 0;
    std::vector<std::uint8_t> m_data;
    std::shared_ptr<const std::vector<std::uint8_t>> m_shared;
    std::uint32_t m_sharedRows = 0;
};
