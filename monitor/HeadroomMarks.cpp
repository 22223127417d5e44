#include "HeadroomMarks.h"

#include "Headroom.h"

const QColor HeadroomMarks::NearColour(255, 204, 128);
const QColor HeadroomMarks::FullColour(255, 160, 160);

QList<GridMark> HeadroomMarks::rowMarks(const GridRow &row) const
{
    const Headroom headroom = headroomAt(row.dataSet, row.bufferIndex);
    const QColor colour = headroom.level == Headroom::Level::Full   ? FullColour
                          : headroom.level == Headroom::Level::Near ? NearColour
                                                                    : QColor();
    return QList<GridMark>(row.fields.size(), GridMark{colour, false});
}

QString HeadroomMarks::toolTip(const TDataSetBase &dataSet, int bufferIndex, const TField &) const
{
    return headroomAt(dataSet, bufferIndex).reasons.join(QLatin1Char('\n'));
}
