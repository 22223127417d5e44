#pragma once

#include "FieldKinds.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class TDataSetBase;
class TField;

// One record of a grid's buffer window as the grid paints it: the fields of its columns and
// their values, each decoded once for the text and the marks alike.
struct GridRow {
    const TDataSetBase &dataSet;
    int bufferIndex;
    QList<const TField *> fields; // one per column; null for a column without a field
    QList<TFieldValue> values;    // the fields' values in this record, in that order
};

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
    // The marks of one record of the data set's buffer window, one per field of the row, in
    // that order. Asked once per row, so a row's key is worked out once for all its cells.
    virtual QList<GridMark> rowMarks(const GridRow &row) const = 0;
    // The tooltip of one cell; empty for none.
    virtual QString toolTip(const TDataSetBase &dataSet, int bufferIndex,
                            const TField &field) const = 0;
};

// Several kinds of marks on one grid: a cell takes the background of the first layer that
// gives one, italics from any, and the tooltips of all, in layer order, one per line.
class LayeredMarks : public GridMarks {
public:
    // Not owned; they outlive this.
    explicit LayeredMarks(QList<const GridMarks *> layers) : m_layers(std::move(layers)) {}

    QList<GridMark> rowMarks(const GridRow &row) const override
    {
        QList<GridMark> marks(row.fields.size());
        for (const GridMarks *layer : m_layers) {
            const QList<GridMark> more = layer->rowMarks(row);
            for (qsizetype i = 0; i < marks.size() && i < more.size(); ++i) {
                if (!marks[i].background.isValid())
                    marks[i].background = more[i].background;
                marks[i].italic = marks[i].italic || more[i].italic;
            }
        }
        return marks;
    }
    QString toolTip(const TDataSetBase &dataSet, int bufferIndex,
                    const TField &field) const override
    {
        QStringList lines;
        for (const GridMarks *layer : m_layers)
            if (const QString tip = layer->toolTip(dataSet, bufferIndex, field); !tip.isEmpty())
                lines.append(tip);
        return lines.join(QLatin1Char('\n'));
    }

private:
    QList<const GridMarks *> m_layers;
};
