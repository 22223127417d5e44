#include "ChangeMarks.h"

#include "DataSet.h"
#include "GridChanges.h"

const QColor ChangeMarks::ChangedColour(255, 236, 150);
const QColor ChangeMarks::NewRowColour(200, 240, 200);
QString ChangeMarks::ownConnectionTip()
{
    return tr("Die Verbindung dieses Monitors");
}

QString ChangeMarks::newRowTip()
{
    return tr("Neu seit der letzten Aktualisierung");
}

namespace {

// Only a number's change can be told as a difference; a currency's display text is no
// plain number.
bool isNumeric(const TField &field)
{
    switch (field.DataType) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger:
    case TFieldType::ftLargeint:
    case TFieldType::ftFloat:
    case TFieldType::ftBCD:
    case TFieldType::ftFMTBcd:
    case TFieldType::ftAutoInc:
        return !field.Currency;
    default:
        return false;
    }
}

} // namespace

QList<GridMark> ChangeMarks::rowMarks(const GridRow &row) const
{
    const QString key = m_changes.keyAt(row.dataSet, row.bufferIndex, row.fields, row.values);
    const bool own = m_changes.isOwn(key);
    const bool isNew = m_changes.isNewRow(key);
    QList<GridMark> marks;
    marks.reserve(row.fields.size());
    for (qsizetype i = 0; i < row.fields.size(); ++i) {
        GridMark mark{QColor(), own};
        if (isNew)
            mark.background = NewRowColour;
        else if (row.fields[i] && i < row.values.size() &&
                 m_changes.isChanged(key, *row.fields[i], row.bufferIndex, row.values[i]))
            mark.background = ChangedColour;
        marks.append(mark);
    }
    return marks;
}

QString ChangeMarks::toolTip(const TDataSetBase &dataSet, int bufferIndex,
                             const TField &field) const
{
    const QString key = m_changes.keyAt(dataSet, bufferIndex);
    QStringList lines;
    if (m_changes.isOwn(key))
        lines.append(ownConnectionTip());
    if (m_changes.isNewRow(key))
        lines.append(newRowTip());
    else if (isNumeric(field)) {
        const QString change = m_changes.changeText(key, field, bufferIndex);
        if (!change.isEmpty())
            lines.append(change);
    }
    return lines.join(QLatin1Char('\n'));
}
