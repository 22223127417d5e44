#pragma once

#include "DataSet.h"

#include <functional>
#include <optional>

// Where a data set's cursor stands: its record (0 for none) and its row in the grid's
// window.
struct CursorPosition {
    int recNo = 0;
    int row = 0;
};

CursorPosition positionOf(const TDataSetBase &dataSet);
// Puts the cursor on the record, at the same row of the window where the records allow;
// record 1 and below is the first record.
void moveTo(TDataSetBase &dataSet, const CursorPosition &to);

// How much of a result is read out at most for a copy, a record or a search: enough for
// any list a person reads, bounded for a server that sends millions of rows.
struct ReadOutLimits {
    static constexpr int Rows = 100000;
    static constexpr qsizetype Characters = 32 * 1024 * 1024;
};

// Reads a data set's records unseen: while it lives, the controls are held off and the
// scroll events do not fire; at its end the cursor is back where it was, on the same row of
// the window, and the controls are told once.
class QuietWalk {
public:
    explicit QuietWalk(TDataSetBase &dataSet);
    ~QuietWalk();
    QuietWalk(const QuietWalk &) = delete;
    QuietWalk &operator=(const QuietWalk &) = delete;

    // Puts the cursor back now, so that its failures are the caller's.
    void restore();

private:
    TDataSetBase &m_dataSet;
    const CursorPosition m_was;
    TDataSetBase::TDataSetNotifyEvent m_beforeScroll;
    TDataSetBase::TDataSetNotifyEvent m_afterScroll;
    bool m_restored = false;
};

// Reads a data set's records one after another from the first, unseen (a QuietWalk: the
// cursor is back where it was afterwards), as far as ReadOutLimits::Rows and a budget of
// characters allow: read gets each record with the characters still allowed and gives the
// characters it kept, or nothing (or more than allowed) to end the walk without keeping that
// record. Gives whether every record was read. A closed or empty data set reads nothing.
bool forEachRecord(TDataSetBase &dataSet, qsizetype characters,
                   const std::function<std::optional<qsizetype>(qsizetype left)> &read);
