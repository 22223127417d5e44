#include "TextTable.h"

#include "CellText.h"
#include "TabText.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <algorithm>

TextTable::TextTable(const QStringList &titles, QWidget *parent) : QTableWidget(parent)
{
    setColumnCount(int(titles.size()));
    setHorizontalHeaderLabels(titles);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    verticalHeader()->setVisible(false);
    // A list to read and copy, not to edit: rows as tight as the text.
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(true);
    // Sizing to contents measures the visible rows and this many more, each cell at the
    // length it shows.
    horizontalHeader()->setResizeContentsPrecision(CellText::SampleRows);
}

void TextTable::setRows(QList<QStringList> rows)
{
    m_rows = std::move(rows);
    clearContents();
    setRowCount(int(m_rows.size()));
    for (int r = 0; r < rowCount(); ++r)
        for (int c = 0; c < columnCount(); ++c)
            setItem(r, c, new QTableWidgetItem(CellText::shown(m_rows[r].value(c))));
    fitColumns();
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
    if (rows.isEmpty() && currentRow() >= 0)
        rows.append(currentRow());
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
    const auto cells = [this](auto textOf) {
        QStringList texts;
        for (int c = 0; c < columnCount(); ++c)
            texts.append(textOf(c));
        return TabText::line(texts);
    };
    QString text = cells([this](int c) {
        const QTableWidgetItem *title = horizontalHeaderItem(c);
        return title ? title->text() : QString();
    });
    for (const int r : rows)
        text += cells([this, r](int c) { return m_rows.value(r).value(c); });
    return text;
}

QMenu *TextTable::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->addAction(TabText::CopyRowsText, this,
                    [this] { QGuiApplication::clipboard()->setText(selectedRowsText()); });
    menu->addAction(TabText::CopyAllRowsText, this,
                    [this] { QGuiApplication::clipboard()->setText(allRowsText()); });
    return menu;
}

void TextTable::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(selectedRowsText());
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void TextTable::contextMenuEvent(QContextMenuEvent *event)
{
    const std::unique_ptr<QMenu> menu(createContextMenu(this));
    menu->exec(event->globalPos());
}
