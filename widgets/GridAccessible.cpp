#include "GridAccessible.h"

#include "DBGrid.h"

#include <QPointer>
#include <QScrollBar>

namespace {

// What the grid answers, or the fallback when the data layer fails underneath: an assistive
// program's question must never end in an exception.
template <typename Result, typename Read> Result readOr(Result fallback, Read read)
{
    try {
        return read();
    } catch (...) {
        return fallback;
    }
}

// One cell of the rows in view, or a column's title (row -1). It reads the grid each time it
// is asked, so it stays right while the rows scroll under it.
class GridCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridCell(DBGrid *grid, int row, int column) : m_grid(grid), m_row(row), m_column(column) {}

    bool isValid() const override
    {
        return m_grid && m_column < m_grid->columns().size() &&
               m_row < readOr(
                           0, [this] { return m_grid->shownRowCount(); });
    }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override
    {
        const QWidget *top = m_grid ? m_grid->window() : nullptr;
        return top ? top->windowHandle() : nullptr;
    }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessibleInterface *parent() const override
    {
        return m_grid ? QAccessible::queryAccessibleInterface(m_grid.data()) : nullptr;
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }

    QString text(QAccessible::Text type) const override
    {
        if (!isValid() || type != QAccessible::Name)
            return {};
        if (m_row < 0)
            return m_grid->columns()[m_column].title;
        return readOr(QString(), [this] { return m_grid->shownText(m_row, m_column); });
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect inViewport = m_grid->cellRect(m_row, m_column);
        return {m_grid->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size()};
    }
    QAccessible::Role role() const override
    {
        return m_row < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
    }
    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QRect cell = m_grid->cellRect(m_row, m_column);
        if (!m_grid->viewport()->rect().intersects(cell))
            state.offscreen = true;
        if (m_row < 0)
            return state;
        state.focusable = true;
        state.selectable = true;
        state.readOnly = true;
        const bool current = readOr(false, [this] {
            return m_grid->currentRow() == m_row && m_grid->currentColumn() == m_column;
        });
        state.selected = readOr(false, [this] { return m_grid->isRowSelected(m_row); });
        state.active = current;
        state.focused = current && m_grid->hasFocus();
        return state;
    }
    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface && m_row >= 0)
            return static_cast<QAccessibleTableCellInterface *>(this);
        return nullptr;
    }

    bool isSelected() const override
    {
        return isValid() && readOr(false, [this] { return m_grid->isRowSelected(m_row); });
    }
    QList<QAccessibleInterface *> columnHeaderCells() const override
    {
        auto *table = dynamic_cast<GridAccessible *>(parent());
        return table ? QList<QAccessibleInterface *>{table->cell(-1, m_column)}
                     : QList<QAccessibleInterface *>();
    }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return m_column; }
    int rowIndex() const override { return m_row; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    const DBGrid *grid() const { return m_grid; }
    int row() const { return m_row; }
    int column() const { return m_column; }

private:
    QPointer<DBGrid> m_grid;
    const int m_row;
    const int m_column;
};

QAccessibleInterface *gridFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("DBGrid") && object && object->isWidgetType())
        return new GridAccessible(static_cast<DBGrid *>(object));
    return nullptr;
}

} // namespace

GridAccessible::GridAccessible(DBGrid *grid) : QAccessibleWidget(grid, QAccessible::Table) {}

GridAccessible::~GridAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_cells))
        QAccessible::deleteAccessibleInterface(id);
}

void GridAccessible::install()
{
    static const bool installed = [] {
        QAccessible::installFactory(gridFactory);
        return true;
    }();
    (void)installed;
}

DBGrid *GridAccessible::grid() const
{
    return static_cast<DBGrid *>(widget());
}

int GridAccessible::childIndex(const DBGrid &grid, int row, int column)
{
    const int columns = int(grid.columns().size());
    return columns + row * columns + column;
}

void GridAccessible::currentCellChanged(DBGrid &grid)
{
    if (!QAccessible::isActive())
        return;
    const int row = readOr(-1, [&grid] { return grid.currentRow(); });
    const int column = grid.currentColumn();
    if (row < 0 || column < 0 || column >= grid.columns().size())
        return;
    QAccessibleEvent event(&grid, QAccessible::Focus);
    event.setChild(childIndex(grid, row, column));
    QAccessible::updateAccessibility(&event);
}

QAccessibleInterface *GridAccessible::cell(int row, int column) const
{
    if (row < -1 || column < 0 || column >= columnCount() || row >= rowCount())
        return nullptr;
    const QPair<int, int> key(row, column);
    auto found = m_cells.constFind(key);
    if (found == m_cells.constEnd())
        found = m_cells.insert(
            key, QAccessible::registerAccessibleInterface(new GridCell(grid(), row, column)));
    return QAccessible::accessibleInterface(*found);
}

QAccessible::Role GridAccessible::role() const
{
    return QAccessible::Table;
}

int GridAccessible::childCount() const
{
    return columnCount() * (rowCount() + 1);
}

QAccessibleInterface *GridAccessible::child(int index) const
{
    const int columns = columnCount();
    if (index < 0 || columns == 0)
        return nullptr;
    return cell(index / columns - 1, index % columns);
}

int GridAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const auto *cell = dynamic_cast<const GridCell *>(child);
    if (!cell || cell->grid() != grid())
        return -1;
    return childIndex(*grid(), cell->row(), cell->column());
}

QAccessibleInterface *GridAccessible::childAt(int x, int y) const
{
    const QPoint at = grid()->viewport()->mapFromGlobal(QPoint(x, y));
    for (int row = -1; row < rowCount(); ++row)
        for (int column = 0; column < columnCount(); ++column)
            if (grid()->cellRect(row, column).contains(at))
                return cell(row, column);
    return nullptr;
}

QAccessibleInterface *GridAccessible::focusChild() const
{
    const int row = readOr(-1, [this] { return grid()->currentRow(); });
    return grid()->hasFocus() && row >= 0 ? cell(row, grid()->currentColumn()) : nullptr;
}

void *GridAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessibleInterface *GridAccessible::caption() const
{
    return nullptr;
}

QAccessibleInterface *GridAccessible::summary() const
{
    return nullptr;
}

QAccessibleInterface *GridAccessible::cellAt(int row, int column) const
{
    return row < 0 ? nullptr : cell(row, column);
}

int GridAccessible::selectedCellCount() const
{
    return selectedRowCount() * columnCount();
}

QList<QAccessibleInterface *> GridAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    for (const int row : selectedRows())
        for (int column = 0; column < columnCount(); ++column)
            cells.append(cell(row, column));
    return cells;
}

QString GridAccessible::columnDescription(int column) const
{
    return column >= 0 && column < columnCount() ? grid()->columns()[column].title : QString();
}

QString GridAccessible::rowDescription(int) const
{
    return {};
}

int GridAccessible::selectedColumnCount() const
{
    return 0;
}

int GridAccessible::selectedRowCount() const
{
    return int(selectedRows().size());
}

int GridAccessible::columnCount() const
{
    return int(grid()->columns().size());
}

int GridAccessible::rowCount() const
{
    return readOr(0, [this] { return grid()->shownRowCount(); });
}

QList<int> GridAccessible::selectedColumns() const
{
    return {};
}

QList<int> GridAccessible::selectedRows() const
{
    QList<int> rows;
    for (int row = 0; row < rowCount(); ++row)
        if (isRowSelected(row))
            rows.append(row);
    return rows;
}

bool GridAccessible::isColumnSelected(int) const
{
    return false;
}

bool GridAccessible::isRowSelected(int row) const
{
    return readOr(false, [this, row] { return grid()->isRowSelected(row); });
}

bool GridAccessible::selectRow(int row)
{
    // As a click on the row would: the cursor moves there.
    if (row < 0 || row >= rowCount())
        return false;
    grid()->setCurrentRow(row);
    return true;
}

bool GridAccessible::selectColumn(int column)
{
    if (column < 0 || column >= columnCount())
        return false;
    grid()->setCurrentColumn(column);
    return true;
}

bool GridAccessible::unselectRow(int)
{
    return false;
}

bool GridAccessible::unselectColumn(int)
{
    return false;
}

void GridAccessible::modelChange(QAccessibleTableModelChangeEvent *) {}
