#pragma once

#include <QAccessibleWidget>
#include <QHash>
#include <QPair>

class DBGrid;

// The data grid as screen readers see it: a table whose cells are the rows in view and
// whose column headers are the titles, with the cursor's cell as the current (focused) one.
// The grid paints its cells itself, so Qt knows nothing of them without this. Only the rows
// in view are cells: reading one further off would move the dataset's cursor, which reruns
// queries.
//
// Every query from an assistive program comes through Qt's event loop; a failure of the data
// layer underneath reads as an empty text, never as an exception.
class GridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit GridAccessible(DBGrid *grid);
    ~GridAccessible() override;

    // Registers the factory once; every grid made afterwards is a table to screen readers.
    static void install();
    // The grid's current cell moved: screen readers are told to read it.
    static void currentCellChanged(DBGrid &grid);
    // The child index of a cell; row -1 is a column's title.
    static int childIndex(const DBGrid &grid, int row, int column);

    DBGrid *grid() const;
    // The cell's interface, made once and kept until the grid goes; row -1 is a title.
    QAccessibleInterface *cell(int row, int column) const;

    QAccessible::Role role() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    QAccessibleInterface *caption() const override;
    QAccessibleInterface *summary() const override;
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int selectedColumnCount() const override;
    int selectedRowCount() const override;
    int columnCount() const override;
    int rowCount() const override;
    QList<int> selectedColumns() const override;
    QList<int> selectedRows() const override;
    bool isColumnSelected(int column) const override;
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int column) override;
    bool unselectRow(int row) override;
    bool unselectColumn(int column) override;
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

private:
    mutable QHash<QPair<int, int>, QAccessible::Id> m_cells;
};
