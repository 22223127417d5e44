#include "DataSetWalk.h"

CursorPosition positionOf(const TDataSetBase &dataSet)
{
    if (!dataSet.Active() || dataSet.IsEmpty())
        return {};
    return {dataSet.RecNo(), dataSet.ActiveRecord()};
}

void moveTo(TDataSetBase &dataSet, const CursorPosition &to)
{
    if (to.recNo <= 1) {
        dataSet.First();
        return;
    }
    dataSet.setRecNo(to.recNo);
    const int back = -dataSet.MoveBy(-to.row);
    dataSet.MoveBy(back);
}

QuietWalk::QuietWalk(TDataSetBase &dataSet)
    : m_dataSet(dataSet), m_was(positionOf(dataSet)),
      m_beforeScroll(std::exchange(dataSet.BeforeScroll, nullptr)),
      m_afterScroll(std::exchange(dataSet.AfterScroll, nullptr))
{
    m_dataSet.DisableControls();
}

QuietWalk::~QuietWalk()
{
    if (!m_restored) {
        // Already failing: the cursor stays where the failure left it.
        try {
            restore();
        } catch (...) {
        }
    }
    m_dataSet.BeforeScroll = std::move(m_beforeScroll);
    m_dataSet.AfterScroll = std::move(m_afterScroll);
    m_dataSet.EnableControls();
}

void QuietWalk::restore()
{
    m_restored = true;
    if (m_was.recNo > 0 && m_dataSet.Active())
        moveTo(m_dataSet, m_was);
}

bool forEachRecord(TDataSetBase &dataSet, qsizetype characters,
                   const std::function<std::optional<qsizetype>(qsizetype left)> &read)
{
    if (!dataSet.Active() || dataSet.IsEmpty())
        return true;
    QuietWalk walk(dataSet);
    dataSet.First();
    qsizetype left = characters;
    for (int rows = 0; !dataSet.Eof(); ++rows, dataSet.Next()) {
        if (rows >= ReadOutLimits::Rows)
            break;
        const std::optional<qsizetype> kept = read(left);
        if (!kept || *kept > left)
            break;
        left -= *kept;
    }
    const bool all = dataSet.Eof();
    walk.restore();
    return all;
}
