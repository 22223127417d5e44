#include "RowSelection.h"

#include <algorithm>

bool RowSelection::contains(int record) const
{
    return std::any_of(m_ranges.cbegin(), m_ranges.cend(), [record](const QPair<int, int> &r) {
        return r.first <= record && record <= r.second;
    });
}

void RowSelection::toggle(int record)
{
    if (record < 1)
        return;
    if (contains(record))
        remove(record);
    else
        add(record, record);
}

void RowSelection::setRange(int from, int to)
{
    m_ranges.clear();
    const int first = std::max(1, std::min(from, to));
    const int last = std::max(from, to);
    if (last >= first)
        m_ranges.append({first, last});
}

QList<int> RowSelection::records(int count, int limit) const
{
    QList<int> result;
    for (const QPair<int, int> &range : m_ranges)
        for (int record = range.first; record <= std::min(range.second, count); ++record) {
            if (result.size() >= limit)
                return result;
            result.append(record);
        }
    return result;
}

void RowSelection::add(int first, int last)
{
    QList<QPair<int, int>> merged;
    bool placed = false;
    for (const QPair<int, int> &range : m_ranges) {
        // Ranges that touch or overlap the new one become part of it; compared without
        // adding one, so that the largest record number cannot overflow.
        if (range.second < first - 1 || range.first - 1 > last) {
            if (!placed && range.first > last) {
                merged.append({first, last});
                placed = true;
            }
            merged.append(range);
        } else {
            first = std::min(first, range.first);
            last = std::max(last, range.second);
        }
    }
    if (!placed)
        merged.append({first, last});
    m_ranges = merged;
}

void RowSelection::remove(int record)
{
    QList<QPair<int, int>> kept;
    for (const QPair<int, int> &range : m_ranges) {
        if (record < range.first || record > range.second) {
            kept.append(range);
            continue;
        }
        if (range.first < record)
            kept.append({range.first, record - 1});
        if (record < range.second)
            kept.append({record + 1, range.second});
    }
    m_ranges = kept;
}
