#include "RowImage.h"

#include "AceFieldTypes.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>

namespace {

std::uint32_t bytesOf(std::uint16_t type, std::uint32_t length)
{
    using namespace acetype;
    switch (type) {
    case Logical:
        return 1;
    case Date:
        return 4;
    case Double:
    case Timestamp:
    case Money:
    case LongInteger:
        return 8;
    case Integer:
        return 4;
    case ShortInteger:
        return 2;
    case WideCharacter:
        return length * 2;
    default:
        return length;
    }
}

std::atomic<std::size_t> g_rowBytes{0};

template <typename T> void put(std::uint8_t *p, T value)
{
    std::memcpy(p, &value, sizeof value);
}

void writeNull(const wire::Column &c, std::uint8_t *p)
{
    std::memset(p, 0, c.length);
    switch (c.type) {
    case acetype::Logical:
        p[0] = ' ';
        break;
    case acetype::Double:
        put<std::uint32_t>(p, 0x20);
        put<std::uint32_t>(p + 4, 0x80000000u);
        break;
    case acetype::Integer:
        put<std::uint32_t>(p, 0x80000000u);
        break;
    case acetype::ShortInteger:
        put<std::uint16_t>(p, 0x8000u);
        break;
    case acetype::Money:
    case acetype::LongInteger:
        put<std::uint32_t>(p + 4, 0x80000000u);
        break;
    default:
        break;
    }
}

} // namespace

std::size_t rowBytesAlive()
{
    return g_rowBytes.load(std::memory_order_relaxed);
}

void rowmemory::allocated(std::size_t bytes)
{
    g_rowBytes.fetch_add(bytes, std::memory_order_relaxed);
}

void rowmemory::released(std::size_t bytes)
{
    g_rowBytes.fetch_sub(bytes, std::memory_order_relaxed);
}

void ResultBuilder::column(const std::string &name, std::uint16_t type, std::uint32_t length,
                           std::uint16_t decimals)
{
    wire::Column c;
    c.name = name;
    c.type = type;
    c.length = bytesOf(type, length);
    c.decimals = decimals;
    m_columns.push_back(c);
    layout();
}

void ResultBuilder::dropColumn(const QString &name)
{
    for (auto it = m_columns.begin(); it != m_columns.end(); ++it)
        if (QString::fromStdString(it->name).compare(name, Qt::CaseInsensitive) == 0) {
            m_columns.erase(it);
            layout();
            return;
        }
}

void ResultBuilder::lowerCaseNames()
{
    for (wire::Column &c : m_columns)
        c.name = QString::fromStdString(c.name).toLower().toStdString();
}

void ResultBuilder::declareLengths(const QMap<QString, std::uint32_t> &lengths)
{
    for (wire::Column &c : m_columns) {
        const auto length = lengths.find(QString::fromStdString(c.name).toLower());
        if (length != lengths.end())
            c.length = *length;
    }
}

void ResultBuilder::layout()
{
    std::uint32_t offset = 0;
    for (wire::Column &c : m_columns) {
        c.offset = offset;
        offset += c.length;
    }
    m_recordLength = std::max<std::uint32_t>(offset, 1);
}

int ResultBuilder::indexOf(const std::string &name) const
{
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name == name)
            return int(i);
    return -1;
}

void ResultBuilder::newRow()
{
    Q_ASSERT(!m_shared && !m_source);
    m_data.resize(m_data.size() + m_recordLength, 0);
    ++m_rows;
    for (int i = 0; i < int(m_columns.size()); ++i)
        setNull(i);
}

std::uint8_t *ResultBuilder::at(int column)
{
    return m_data.data() + std::size_t(m_rows - 1) * m_recordLength +
           m_columns[std::size_t(column)].offset;
}

void ResultBuilder::setNull(int column)
{
    if (column >= 0)
        writeNull(m_columns[std::size_t(column)], at(column));
}

void ResultBuilder::setChar(int column, const QString &text)
{
    setBytes(column, text.toUtf8());
}

void ResultBuilder::setBytes(int column, const QByteArray &text)
{
    if (column < 0)
        return;
    const wire::Column &c = m_columns[std::size_t(column)];
    const QByteArray bytes = text.left(int(c.length));
    std::uint8_t *p = at(column);
    std::memset(p, ' ', c.length);
    std::memcpy(p, bytes.constData(), std::size_t(bytes.size()));
}

void ResultBuilder::setWide(int column, const QString &text)
{
    if (column < 0)
        return;
    const wire::Column &c = m_columns[std::size_t(column)];
    std::uint8_t *p = at(column);
    const std::uint32_t units = c.length / 2;
    for (std::uint32_t i = 0; i < units; ++i)
        put<char16_t>(p + 2 * i,
                      i < std::uint32_t(text.size()) ? char16_t(text[i].unicode()) : u' ');
}

void ResultBuilder::setInt(int column, std::int32_t value)
{
    if (column >= 0)
        put(at(column), value);
}

void ResultBuilder::setLong(int column, std::int64_t value)
{
    if (column >= 0)
        put(at(column), value);
}

void ResultBuilder::setShort(int column, std::int16_t value)
{
    if (column >= 0)
        put(at(column), value);
}

void ResultBuilder::setLogical(int column, bool value)
{
    if (column >= 0)
        *at(column) = value ? 'T' : 'F';
}

void ResultBuilder::setDate(int column, const QDate &date)
{
    if (column >= 0)
        put(at(column), std::int32_t(date.toJulianDay()));
}

void ResultBuilder::setTimestamp(int column, const QDateTime &stamp)
{
    if (column < 0)
        return;
    put(at(column), std::int32_t(stamp.date().toJulianDay()));
    put(at(column) + 4, std::int32_t(stamp.time().msecsSinceStartOfDay()));
}

void ResultBuilder::setNumeric(int column, double value)
{
    if (column < 0)
        return;
    const wire::Column &c = m_columns[std::size_t(column)];
    const QByteArray text =
        QByteArray::number(value, 'f', c.decimals).rightJustified(int(c.length), ' ', true);
    std::memcpy(at(column), text.constData(), c.length);
}

void ResultBuilder::setMoney(int column, double value)
{
    if (column >= 0)
        put(at(column), std::int64_t(std::llround(value * 10000.0)));
}

void ResultBuilder::setDouble(int column, double value)
{
    if (column >= 0)
        put(at(column), value);
}

void ResultBuilder::appendShared(std::shared_ptr<const RowBlocks> rows, std::uint32_t count)
{
    Q_ASSERT(!m_shared && !m_source && rows && rows->rowsPerBlock > 0 &&
             std::size_t(rows->blocks.size()) * rows->rowsPerBlock >= count);
    m_shared = std::move(rows);
    m_sharedRows = count;
    m_rows += count;
}

void ResultBuilder::reshapeRowsOf(std::shared_ptr<const ResultBuilder> source,
                                  const std::vector<int> &sourceColumns)
{
    Q_ASSERT(m_rows == 0 && source && source->rowsInPlace() &&
             sourceColumns.size() <= m_columns.size());
    m_segments.clear();
    for (std::size_t k = 0; k < sourceColumns.size(); ++k) {
        const wire::Column &from = source->m_columns[std::size_t(sourceColumns[k])];
        const wire::Column &to = m_columns[k];
        m_segments.push_back({from.offset, to.offset, std::min(from.length, to.length)});
    }
    m_nullRow.assign(m_recordLength, 0);
    for (const wire::Column &c : m_columns)
        writeNull(c, m_nullRow.data() + c.offset);
    m_rows = source->rowCount();
    m_source = std::move(source);
}

void ResultBuilder::copyRows(std::uint32_t first, std::uint32_t count, std::uint8_t *out) const
{
    if (rowsInPlace()) {
        forEachRun(first, count, [&out](const std::uint8_t *rows, std::size_t size) {
            std::memcpy(out, rows, size);
            out += size;
        });
        return;
    }
    const std::size_t from = m_source->recordLength();
    m_source->forEachRun(
        first, count, [this, &out, from](const std::uint8_t *rows, std::size_t size) {
            for (std::size_t at = 0; at < size; at += from, out += m_recordLength) {
                std::memcpy(out, m_nullRow.data(), m_recordLength);
                for (const Segment &s : m_segments)
                    std::memcpy(out + s.to, rows + at + s.from, s.length);
            }
        });
}
