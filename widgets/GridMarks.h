#pragma once

#include <QColor>
#include <QList>
#include <QString>

class TDataSetBase;
class TField;

// How a grid draws one cell apart from the others.
struct GridMark {
    QColor background; // invalid: none; on the current row it is drawn as an inset frame
    bool italic = false;

    bool operator==(const GridMark &) const = default;
};

// What a grid's rows mean is not the grid's business: it draws the marks, and shows the
// tooltips, that the side owning the rows decides, in that side's words.
class GridMarks {
public:
    virtual ~GridMarks() = default;
    // The marks of one record of the data set's buffer window, one per field given, in
    // that order. Asked once per row, so a row's key is worked out once for all its cells.
    virtual QList<GridMark> rowMarks(const TDataSetBase &dataSet, int bufferIndex,
                                     const QList<const TField *> &fields) const = 0;
    // The tooltip of one cell; empty for none.
    virtual QString toolTip(const TDataSetBase &dataSet, int bufferIndex,
                            const TField &field) const = 0;
};
