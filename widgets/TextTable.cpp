#include "TextTable.h"

#include "CellText.h"
#include "TabText.h"

#include <QAbstractTableModel>
#include <QClipboard>
#include <QColor>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>

class TextTable::Rows : public QAbstractTableModel {
public:
    Rows(QStringList titles, QObject *parent)
        : QAbstractTableModel(parent), m_titles(std::move(titles))
    {
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_titles.size());
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        if (role == Qt::DisplayRole)
            return CellText::shown(text(index.row(), index.column()));
        if (role == Qt::ToolTipRole) {
            const QString tip = m_toolTips.value(index.row()).value(index.column());
            return tip.isEmpty() ? QVariant() : QVariant(CellText::shown(tip));
        }
        if (role == Qt::BackgroundRole) {
            const QColor colour = m_backgrounds.value(index.row()).value(index.column());
            return colour.isValid() ? QVariant(colour) : QVariant();
        }
        return {};
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
            return m_titles.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    void setRows(QList<QStringList> rows, QList<QStringList> toolTips)
    {
        beginResetModel();
        m_rows = std::move(rows);
        m_toolTips = std::move(toolTips);
        m_backgrounds.clear();
        endResetModel();
    }
    void setRow(int row, QStringList cells, QStringList toolTips, QList<QColor> backgrounds)
    {
        if (row < 0 || row >= m_rows.size())
            return;
        m_rows[row] = std::move(cells);
        if (m_toolTips.size() <= row)
            m_toolTips.resize(row + 1);
        m_toolTips[row] = std::move(toolTips);
        if (m_backgrounds.size() <= row)
            m_backgrounds.resize(row + 1);
        m_backgrounds[row] = std::move(backgrounds);
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    }
    QString text(int row, int column) const { return m_rows.value(row).value(column); }
    const QStringList &titles() const { return m_titles; }

private:
    const QStringList m_titles;
    QList<QStringList> m_rows;
    QList<QStringList> m_toolTips;
    QList<QList<QColor>> m_backgrounds;
};

TextTable::TextTable(const QStringList &titles, QWidget *parent)
    : QTableView(parent), m_rows(new Rows(titles, this))
{
    setModel(m_rows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Tab leaves the table for the next control, as it leaves a grid; the arrows move in it.
    setTabKeyNavigation(false);
    verticalHeader()->setVisible(false);
    // A list to read and copy, not to edit: rows as tight as the text.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    // Sizing to contents measures the visible rows and this many more, each cell at the
    // length it shows.
    horizontalHeader()->setResizeContentsPrecision(CellText::SampleRows);
}

void TextTable::setRows(QList<QStringList> rows, QList<QStringList> toolTips)
{
    m_rows->setRows(std::move(rows), std::move(toolTips));
    fitColumns();
}

void TextTable::setRow(int row, QStringList cells, QStringList toolTips, QList<QColor> backgrounds)
{
    m_rows->setRow(row, std::move(cells), std::move(toolTips), std::move(backgrounds));
    // A column widens for a longer text and never narrows: what the user widened stays.
    const int widest = fontMetrics().averageCharWidth() * CellText::WidthCharacters;
    for (int c = 0; c < columnCount(); ++c) {
        const int wanted = std::min(sizeHintForColumn(c), widest);
        if (wanted > columnWidth(c))
            setColumnWidth(c, wanted);
    }
}

QColor TextTable::background(int row, int column) const
{
    return m_rows->data(m_rows->index(row, column), Qt::BackgroundRole).value<QColor>();
}

int TextTable::rowCount() const
{
    return m_rows->rowCount();
}

int TextTable::columnCount() const
{
    return m_rows->columnCount();
}

QString TextTable::toolTip(int row, int column) const
{
    return m_rows->data(m_rows->index(row, column), Qt::ToolTipRole).toString();
}

QString TextTable::shownText(int row, int column) const
{
    return m_rows->data(m_rows->index(row, column), Qt::DisplayRole).toString();
}

void TextTable::fitColumns()
{
    // A column of long texts is kept to a readable width.
    resizeColumnsToContents();
    const int widest = fontMetrics().averageCharWidth() * CellText::WidthCharacters;
    for (int c = 0; c < columnCount(); ++c)
        setColumnWidth(c, std::min(columnWidth(c), widest));
}

QString TextTable::selectedRowsText() const
{
    QList<int> rows;
    for (const QModelIndex &index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty() && currentIndex().isValid())
        rows.append(currentIndex().row());
    return rowsText(rows);
}

QString TextTable::allRowsText() const
{
    QList<int> rows;
    for (int r = 0; r < rowCount(); ++r)
        rows.append(r);
    return rowsText(rows);
}

QString TextTable::rowsText(const QList<int> &rows) const
{
    QString text = TabText::line(m_rows->titles());
    for (const int r : rows) {
        QStringList cells;
        for (int c = 0; c < columnCount(); ++c)
            cells.append(m_rows->text(r, c));
        text += TabText::line(cells);
    }
    return text;
}

QMenu *TextTable::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->addAction(TabText::copyRowsText(), this,
                    [this] { QGuiApplication::clipboard()->setText(selectedRowsText()); });
    menu->addAction(TabText::copyAllRowsText(), this,
                    [this] { QGuiApplication::clipboard()->setText(allRowsText()); });
    return menu;
}

QVariant TextTable::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query != Qt::ImCursorRectangle)
        return QTableView::inputMethodQuery(query);
    // The view gives the cell in its viewport's coordinates, and nothing without a cell.
    const QRect cell = visualRect(currentIndex());
    return (cell.isValid() ? cell : QRect(0, 0, 1, 1)).translated(viewport()->pos());
}

void TextTable::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(selectedRowsText());
        return;
    }
    QTableView::keyPressEvent(event);
}

void TextTable::contextMenuEvent(QContextMenuEvent *event)
{
    const std::unique_ptr<QMenu> menu(createContextMenu(this));
    menu->exec(event->globalPos());
}
