#pragma once

#include "GridMarks.h"

#include <QCoreApplication>

class GridChanges;

// A monitor grid's marks: what changed at the last refresh, users new since the one
// before, and the monitor's own connection, with the tooltips that say so.
class ChangeMarks : public GridMarks {
    Q_DECLARE_TR_FUNCTIONS(ChangeMarks)

public:
    // Light enough for black text, plain enough to tell apart from the selection.
    static const QColor ChangedColour;
    static const QColor NewRowColour;
    static QString ownConnectionTip();
    static QString newRowTip();

    // Not owned; outlives the marks.
    explicit ChangeMarks(const GridChanges &changes) : m_changes(changes) {}

    QList<GridMark> rowMarks(const GridRow &row) const override;
    QString toolTip(const TDataSetBase &dataSet, int bufferIndex,
                    const TField &field) const override;

private:
    const GridChanges &m_changes;
};
