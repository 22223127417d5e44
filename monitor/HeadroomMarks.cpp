#include "HeadroomMarks.h"

#include "Headroom.h"

const QColor HeadroomMarks::NearColour(255, 204, 128);
const QColor HeadroomMarks::FullColour(255, 160, 160);

QList<GridMark> HeadroomMarks::rowMarks(const TDataSetBase &dataSet, int bufferIndex,
                                        const QList<const TField *> &fields) const
{
    const Headroom headroom = headroomAt(dataSet, bufferIndex);
    const QColor colour = headroom.level == Headroom::Level::Full   ? FullColour
                          : headroom.level == Headroom::Level::Near ? NearColour
                                                                    : QColor();
    return QList<GridMark>(fields.size(), GridMark{colour, false});
}

QString HeadroomMarks::toolTip(const TDataSetBase &dataSet, int bufferIndex, const TField &) const
{
    return headroomAt(dataSet, bufferIndex).reasons.join(QLatin1Char('\n'));
}
