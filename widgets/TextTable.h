#pragma once

#include <QColor>
#include <QTableView>

class QMenu;

// A read-only table of texts whose rows can be copied as the data grid's are: Ctrl+C copies
// the selected rows (the current row when none is selected) as tab-separated text with a
// title line, and the context menu offers the same and all rows. Cells show their texts as
// far as CellText allows and columns fit a sample of them; copies take the whole texts. The
// rows are held once, in a model of its own: no item per cell, so a list of a hundred
// thousand rows is shown at once.
class TextTable : public QTableView {
    Q_OBJECT
public:
    explicit TextTable(const QStringList &titles, QWidget *parent = nullptr);

    // The rows, and for each cell the tooltip, if any (an empty text: none).
    void setRows(QList<QStringList> rows, QList<QStringList> toolTips = {});
    // One row's texts, tooltips and cell backgrounds (an invalid colour: none) in place: the
    // selection and the scroll position stay, a column only widens for a longer text. A row
    // that is not there is left alone.
    void setRow(int row, QStringList cells, QStringList toolTips = {},
                QList<QColor> backgrounds = {});
    QColor background(int row, int column) const;
    int rowCount() const;
    int columnCount() const;
    // What the cell shows, and its tooltip.
    QString shownText(int row, int column) const;
    QString toolTip(int row, int column) const;
    QString selectedRowsText() const;
    QString allRowsText() const;
    // The caller owns it.
    QMenu *createContextMenu(QWidget *parent);
    // Where the current cell is, in the table's coordinates: a menu opened by a key opens
    // there.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    class Rows;

    QString rowsText(const QList<int> &rows) const;
    void fitColumns();

    Rows *m_rows;
};
