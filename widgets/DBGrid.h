#pragma once

#include "DataSet.h"
#include "GridMarks.h"
#include "RowSelection.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QStringList>
#include <optional>

class QMenu;
class QPainter;

// A data-aware grid: shows the rows a dataset keeps buffered for it (only the visible
// ones), with a title row, a row indicator, fixed columns at the left and user-resizable
// columns. Moving the current row moves the dataset's cursor.
//
// Columns come from the result's fields, or from a column list of tab-separated entries
// "field <TAB> width in characters <TAB> title <TAB> T|F", applied either as the grid's
// own columns (an entry whose field the result lacks is dropped for good) or to the
// result's fields at each opening (missing entries skipped but kept).
//
// Rows are picked with Ctrl+click, Shift+click, Shift with the arrow keys and Ctrl+A; Ctrl+C
// copies the picked rows, or the current row when none is, as tab-separated text with a
// title line. The context menu offers the same, and then the grid's own actions.
//
// The cursor is a cell: the dataset's current row and a current column. Up, Down, Page Up and
// Page Down move the row, Ctrl+Home and Ctrl+End to the first and last; Left, Right, Home and
// End move the column, scrolling it into view. With the focus the current cell is framed,
// and screen readers read it (GridAccessible).
class DBGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    enum class ColumnMode { AllFields, OwnColumns, ApplyToFields };

    struct Column {
        QString fieldName;
        QString title;
        int characters = 0;
        int width = 0; // pixels
        bool readOnly = false;
        TField *field = nullptr;
    };

    explicit DBGrid(QWidget *parent = nullptr);
    ~DBGrid() override;

    void setDataSource(TDataSource *source);
    TDataSource *dataSource() const;
    void setColumnList(const QStringList &entries, ColumnMode mode);
    QStringList columnList() const;
    void setFixedColumns(int count)
    {
        m_fixedColumns = count;
        viewport()->update();
    }
    int fixedColumns() const { return m_fixedColumns; }
    void setTitleFont(const QFont &font);
    QFont titleFont() const { return m_titleFont; }
    void setInPlaceEditing(bool on) { m_inPlaceEditing = on; }
    bool inPlaceEditing() const { return m_inPlaceEditing; }

    // Marks cells as the marks say; null for none. Not owned.
    void setMarks(const GridMarks *marks)
    {
        m_marks = marks;
        viewport()->update();
    }
    // How a cell of the buffer window is marked, and its tooltip (empty for none).
    GridMark cellMark(int row, int column) const;
    QString cellToolTip(int row, int column) const;

    // The rows picked, by record number; kept over reopenings of the same data source.
    const RowSelection &selection() const { return m_selection; }
    void clearSelection();
    // The columns' titles and the display texts of the picked rows (the current row when
    // none is picked), or of all rows, as tab-separated text; at most ReadOutLimits. The
    // cursor and the window's rows stay as they are.
    QString selectedRowsText();
    QString allRowsText();
    void copySelectedRows();
    void copyAllRows();
    // "Zeile kopieren", "Alle Zeilen kopieren", then the grid's actions(); the caller owns it.
    QMenu *createContextMenu(QWidget *parent);

    const QList<Column> &columns() const { return m_columns; }
    int visibleRowCount() const;
    QString cellText(int row, int column) const;

    // The rows in view (of the buffer window) and the cursor among them; -1: none. Reading
    // them may raise what the data layer raises.
    int shownRowCount() const;
    int currentRow() const;
    int currentColumn() const { return m_currentColumn; }
    // Moves the cursor to a row in view, as a click would.
    void setCurrentRow(int row);
    // Makes a column current and scrolls it into view.
    void setCurrentColumn(int column);
    // What a cell of the rows in view shows; row -1: the column's title.
    QString shownText(int row, int column) const;
    // Where a cell is drawn in the viewport; row -1: the column's title.
    QRect cellRect(int row, int column) const;
    // The current row and the picked rows are selected.
    bool isRowSelected(int row) const;
    // Where the current cell is, in the grid's coordinates: a menu opened by a key opens
    // there.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    int rowHeight() const;
    int titleHeight() const;
    static constexpr int IndicatorWidth = 12;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent *event) override;

private:
    class Link;
    // One entry of the column list, read when the list is set.
    struct ColumnEntry {
        QString text;
        QString fieldName;
        int characters = 0;
        std::optional<QString> title; // none: the field's own label
        bool readOnly = false;
    };
    static ColumnEntry parseEntry(const QString &text);
    // Painting, in order: titles, cells, the indicator column.
    void paint();
    void paintTitles(QPainter &painter);
    void paintCells(QPainter &painter, const TDataSetBase &dataSet, int rows);
    void paintIndicatorColumn(QPainter &painter, const TDataSetBase *dataSet, int rows);
    void layoutColumns();
    // Sets the fields' widths, labels, order and visibility from the column list.
    void applyEntriesToFields(TDataSetBase &dataSet);
    // Whether the cell is in the buffer window and marks are drawn at all.
    bool isMarkable(int row, int column) const;
    // The marks of a row of the buffer window, one per column.
    // The row's cells, each decoded once.
    GridRow rowAt(const TDataSetBase &dataSet, int row) const;
    // Widens columns the fields describe to the display texts they show.
    void fitColumnsToTexts();
    void dataChanged();
    void updateScrollBars();
    void moveBy(int distance);
    // The current cell moved: it is shown and told to screen readers.
    void currentCellMoved();
    void paintFocus(QPainter &painter, int rows);
    int columnWidth(const QString &title, int characters) const;
    int columnAt(int x, bool *onBorder) const;
    // The row of the buffer window under a point's y, -1 on the title row.
    int rowAt(int y) const;
    int columnLeft(int column) const;
    // The record number of the first row of the buffer window; 0 without records.
    int firstWindowRecord(const TDataSetBase &dataSet) const;
    // The titles and the given records' texts (none: the current record; all: every one).
    enum class Rows { Picked, All };
    QString rowsText(Rows rows);
    // Picks from the anchor to the current record, the anchor being where the cursor was
    // before the first move that picks.
    void extendSelection(int recordBefore);

    std::unique_ptr<Link> m_link;
    ColumnMode m_mode = ColumnMode::AllFields;
    QList<ColumnEntry> m_entries;
    QList<Column> m_columns;
    int m_fixedColumns = 0;
    QFont m_titleFont;
    bool m_inPlaceEditing = true;
    int m_resizing = -1;
    int m_resizeStart = 0;
    int m_resizeWidth = 0;
    bool m_syncingScrollBar = false;
    const GridMarks *m_marks = nullptr;
    RowSelection m_selection;
    int m_anchor = 0; // 0: none yet
    int m_currentColumn = 0;
};
