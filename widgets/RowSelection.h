#pragma once

#include <QList>
#include <QPair>

// The rows a user picked in a grid, by record number (from 1): ranges, so that picking a
// range of millions of rows costs no more than picking one.
class RowSelection {
public:
    bool isEmpty() const { return m_ranges.isEmpty(); }
    void clear() { m_ranges.clear(); }
    bool contains(int record) const;
    // Picks the record if it was not picked, else drops it.
    void toggle(int record);
    // Picks exactly the records from one to the other, both included, in either order.
    void setRange(int from, int to);
    // The picked records up to count (the records there are), ascending, at most limit.
    QList<int> records(int count, int limit) const;

private:
    void add(int first, int last);
    void remove(int record);
    // Disjoint, not touching, ascending.
    QList<QPair<int, int>> m_ranges;
};
