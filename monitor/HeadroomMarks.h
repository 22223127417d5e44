#pragma once

#include "GridMarks.h"

// The usage grid's rows marked by their headroom (headroomAt): the whole row orange when
// near, red when full, the reasons as the tooltip.
class HeadroomMarks : public GridMarks {
public:
    static const QColor NearColour;
    static const QColor FullColour;

    QList<GridMark> rowMarks(const GridRow &row) const override;
    QString toolTip(const TDataSetBase &dataSet, int bufferIndex,
                    const TField &field) const override;
};
