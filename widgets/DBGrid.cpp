#include "DBGrid.h"

#include "FieldText.h"

#include "CellText.h"
#include "DataSetWalk.h"
#include "FailureDisplay.h"
#include "GridAccessible.h"
#include "TabText.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <QWheelEvent>
#include <vector>

class DBGrid::Link : public TDataLink {
public:
    explicit Link(DBGrid &grid) : m_grid(grid) {}
    void ActiveChanged() override { m_grid.layoutColumns(); }
    void DataSetChanged() override
    {
        m_grid.fitColumnsToTexts();
        m_grid.dataChanged();
    }
    void DataSetScrolled(int) override { m_grid.dataChanged(); }

private:
    DBGrid &m_grid;
};

DBGrid::DBGrid(QWidget *parent) : QAbstractScrollArea(parent), m_link(std::make_unique<Link>(*this))
{
    // Before anything asks for the grid's interface, which Qt keeps once made.
    GridAccessible::install();
    m_titleFont = font();
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int) {
        if (m_syncingScrollBar)
            return;
        TDataSetBase *dataSet = m_link->DataSet();
        if (!dataSet || !dataSet->Active())
            return;
        const int target = verticalScrollBar()->sliderPosition() + 1;
        moveBy(target - dataSet->RecNo());
    });
}

DBGrid::~DBGrid() = default;

void DBGrid::setDataSource(TDataSource *source)
{
    clearSelection();
    m_link->setDataSource(source);
    m_link->setBufferCount(visibleRowCount());
    layoutColumns();
}

TDataSource *DBGrid::dataSource() const
{
    return m_link->DataSource();
}

DBGrid::ColumnEntry DBGrid::parseEntry(const QString &text)
{
    // Further items may follow; none is read.
    const QStringList parts = text.split(QLatin1Char('\t'));
    return {text, parts.value(0), parts.value(1).toInt(),
            parts.size() > 2 ? std::optional(parts[2]) : std::nullopt,
            parts.value(3) == QLatin1String("T")};
}

void DBGrid::setColumnList(const QStringList &entries, ColumnMode mode)
{
    m_entries.clear();
    for (const QString &entry : entries)
        m_entries.append(parseEntry(entry));
    m_mode = mode;
    layoutColumns();
}

QStringList DBGrid::columnList() const
{
    QStringList texts;
    for (const ColumnEntry &entry : m_entries)
        texts.append(entry.text);
    return texts;
}

void DBGrid::setTitleFont(const QFont &font)
{
    m_titleFont = font;
    layoutColumns();
}

int DBGrid::rowHeight() const
{
    return fontMetrics().height() + 4;
}

int DBGrid::titleHeight() const
{
    return QFontMetrics(m_titleFont).height() + 4;
}

int DBGrid::visibleRowCount() const
{
    return std::max(1, (viewport()->height() - titleHeight()) / rowHeight());
}

int DBGrid::columnWidth(const QString &title, int characters) const
{
    const int cells = characters * fontMetrics().horizontalAdvance(QLatin1Char('0')) + 4;
    const int heading = QFontMetrics(m_titleFont).horizontalAdvance(title) + 4;
    return std::max(cells, heading);
}

void DBGrid::layoutColumns()
{
    m_columns.clear();
    TDataSetBase *dataSet = m_link->DataSet();
    if (dataSet && dataSet->Active()) {
        switch (m_mode) {
        case ColumnMode::ApplyToFields:
            applyEntriesToFields(*dataSet);
            [[fallthrough]];
        case ColumnMode::AllFields:
            for (const auto &field : dataSet->Fields())
                if (field->Visible)
                    m_columns.append({field->FieldName, field->DisplayLabel(),
                                      field->DisplayWidth(), 0, field->ReadOnly, field.get()});
            break;
        case ColumnMode::OwnColumns:
            for (qsizetype i = 0; i < m_entries.size();) {
                const ColumnEntry &entry = m_entries[i];
                TField *field = dataSet->FindField(entry.fieldName);
                if (!field) {
                    // Gone for the rest of the run, even if a later result has the field.
                    m_entries.removeAt(i);
                    continue;
                }
                m_columns.append({field->FieldName, entry.title.value_or(field->DisplayLabel()),
                                  entry.characters, 0, entry.readOnly, field});
                ++i;
            }
            break;
        }
        for (Column &column : m_columns)
            column.width = columnWidth(column.title, column.characters);
    }
    m_currentColumn = std::clamp(m_currentColumn, 0, std::max(0, int(m_columns.size()) - 1));
    fitColumnsToTexts();
    dataChanged();
}

void DBGrid::applyEntriesToFields(TDataSetBase &dataSet)
{
    // Entries whose field is missing are skipped but kept; fields no entry names stay hidden.
    for (const auto &field : dataSet.Fields())
        field->Visible = false;
    int position = 0;
    for (const ColumnEntry &entry : m_entries) {
        TField *field = dataSet.FindField(entry.fieldName);
        if (!field)
            continue;
        field->setDisplayWidth(entry.characters);
        if (entry.title)
            field->setDisplayLabel(*entry.title);
        field->ReadOnly = entry.readOnly;
        dataSet.MoveField(field, position++);
        field->Visible = true;
    }
}

void DBGrid::fitColumnsToTexts()
{
    // Only columns the fields describe: a width given in a column list stays as given.
    TDataSetBase *dataSet = m_link->DataSet();
    if (m_mode != ColumnMode::AllFields || !dataSet || !dataSet->Active())
        return;
    const QFontMetrics metrics(font());
    const int rows = std::min(dataSet->WindowRecordCount(), visibleRowCount());
    // A column of long texts is kept to a readable width; a wider field still is.
    const int widest = metrics.averageCharWidth() * CellText::WidthCharacters;
    for (Column &column : m_columns)
        for (int r = 0; r < rows && column.field && column.width < widest; ++r)
            column.width =
                std::max(column.width, std::min(widest, metrics.horizontalAdvance(CellText::shown(
                                                            column.field->DisplayTextAt(r))) +
                                                            6));
}

void DBGrid::dataChanged()
{
    // Counting rows asks the engine; a failure there must not stop the grid from painting.
    FailureDisplay::guardLater([this] { updateScrollBars(); });
    viewport()->update();
}

void DBGrid::updateScrollBars()
{
    int total = 0;
    for (int i = m_fixedColumns; i < m_columns.size(); ++i)
        total += m_columns[i].width;
    int fixed = IndicatorWidth;
    for (int i = 0; i < std::min<int>(m_fixedColumns, m_columns.size()); ++i)
        fixed += m_columns[i].width;
    horizontalScrollBar()->setRange(0, std::max(0, total - (viewport()->width() - fixed)));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width() - fixed));

    m_syncingScrollBar = true;
    TDataSetBase *dataSet = m_link->DataSet();
    if (dataSet && dataSet->Active() && !dataSet->IsEmpty()) {
        const int count = dataSet->RecordCount();
        // Rows that all fit need no bar.
        verticalScrollBar()->setRange(0, count <= visibleRowCount() ? 0 : count - 1);
        verticalScrollBar()->setPageStep(visibleRowCount());
        verticalScrollBar()->setValue(dataSet->RecNo() - 1);
    } else {
        verticalScrollBar()->setRange(0, 0);
    }
    m_syncingScrollBar = false;
}

int DBGrid::columnLeft(int column) const
{
    int x = IndicatorWidth;
    for (int i = 0; i < column; ++i)
        x += m_columns[i].width;
    if (column >= m_fixedColumns)
        x -= horizontalScrollBar()->value();
    return x;
}

int DBGrid::columnAt(int x, bool *onBorder) const
{
    *onBorder = false;
    for (int i = 0; i < m_columns.size(); ++i) {
        const int right = columnLeft(i) + m_columns[i].width;
        if (std::abs(x - right) <= 3) {
            *onBorder = true;
            return i;
        }
        if (x >= columnLeft(i) && x < right)
            return i;
    }
    return -1;
}

int DBGrid::rowAt(int y) const
{
    return y < titleHeight() ? -1 : (y - titleHeight()) / rowHeight();
}

QString DBGrid::cellText(int row, int column) const
{
    if (column < 0 || column >= m_columns.size() || !m_columns[column].field)
        return {};
    return m_columns[column].field->DisplayTextAt(row);
}

void DBGrid::paintEvent(QPaintEvent *)
{
    // No exception crosses Qt's event loop; a failure is shown once painting is done.
    FailureDisplay::guardLater([this] { paint(); });
}

void DBGrid::paint()
{
    QPainter painter(viewport());
    paintTitles(painter);
    TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active()) {
        paintIndicatorColumn(painter, nullptr, 0);
        return;
    }
    const int rows = std::min(dataSet->WindowRecordCount(), visibleRowCount());
    paintCells(painter, *dataSet, rows);
    paintIndicatorColumn(painter, dataSet, rows);
    if (hasFocus())
        paintFocus(painter, rows);
}

void DBGrid::paintFocus(QPainter &painter, int rows)
{
    // The current cell, or the whole grid while it has no rows: the focus is always seen.
    const int row = currentRow();
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = row >= 0 && row < rows && m_currentColumn < m_columns.size()
                     ? cellRect(row, m_currentColumn).adjusted(1, 1, -2, -2)
                     : viewport()->rect().adjusted(1, titleHeight() + 1, -2, -2);
    focus.backgroundColor = palette().color(row >= 0 ? QPalette::Highlight : QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
}

int DBGrid::shownRowCount() const
{
    const TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active())
        return 0;
    return std::min(dataSet->WindowRecordCount(), visibleRowCount());
}

int DBGrid::currentRow() const
{
    const TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty())
        return -1;
    const int row = dataSet->ActiveRecord();
    return row < shownRowCount() ? row : -1;
}

void DBGrid::setCurrentRow(int row)
{
    const int current = currentRow();
    if (current < 0 || row < 0 || row >= shownRowCount())
        return;
    clearSelection();
    moveBy(row - current);
}

void DBGrid::setCurrentColumn(int column)
{
    if (m_columns.isEmpty())
        return;
    m_currentColumn = std::clamp(column, 0, int(m_columns.size()) - 1);
    // A scrolling column is brought out from under the fixed ones and into the view.
    if (m_currentColumn >= m_fixedColumns) {
        int fixedRight = IndicatorWidth;
        for (int i = 0; i < std::min<int>(m_fixedColumns, m_columns.size()); ++i)
            fixedRight += m_columns[i].width;
        const int left = columnLeft(m_currentColumn);
        const int right = left + m_columns[m_currentColumn].width;
        QScrollBar *bar = horizontalScrollBar();
        if (right > viewport()->width())
            bar->setValue(bar->value() + right - viewport()->width());
        if (const int shownLeft = columnLeft(m_currentColumn); shownLeft < fixedRight)
            bar->setValue(bar->value() - (fixedRight - shownLeft));
    }
    currentCellMoved();
}

QString DBGrid::shownText(int row, int column) const
{
    if (column < 0 || column >= m_columns.size())
        return {};
    if (row < 0)
        return m_columns[column].title;
    return CellText::shown(cellText(row, column));
}

QRect DBGrid::cellRect(int row, int column) const
{
    if (column < 0 || column >= m_columns.size())
        return {};
    const int top = row < 0 ? 0 : titleHeight() + row * rowHeight();
    return {columnLeft(column), top, m_columns[column].width,
            row < 0 ? titleHeight() : rowHeight()};
}

bool DBGrid::isRowSelected(int row) const
{
    const TDataSetBase *dataSet = m_link->DataSet();
    if (row < 0 || row >= shownRowCount())
        return false;
    return row == dataSet->ActiveRecord() ||
           m_selection.contains(firstWindowRecord(*dataSet) + row);
}

QVariant DBGrid::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (query != Qt::ImCursorRectangle)
        return QAbstractScrollArea::inputMethodQuery(query);
    QRect at;
    FailureDisplay::guardLater([&] {
        if (const int row = currentRow(); row >= 0)
            at = cellRect(row, m_currentColumn);
    });
    if (!at.isValid())
        at = QRect(0, titleHeight(), 1, 1);
    return at.translated(viewport()->pos());
}

void DBGrid::currentCellMoved()
{
    viewport()->update();
    if (hasFocus())
        GridAccessible::currentCellChanged(*this);
}

void DBGrid::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    currentCellMoved();
}

void DBGrid::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void DBGrid::paintTitles(QPainter &painter)
{
    const QPalette &pal = palette();
    const int titleH = titleHeight();
    painter.fillRect(QRect(0, 0, viewport()->width(), titleH), pal.color(QPalette::Button));
    painter.setFont(m_titleFont);
    // Scrolling columns first, fixed ones drawn over them.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < m_columns.size(); ++i) {
            if ((pass == 0) != (i >= m_fixedColumns))
                continue;
            const QRect cell(columnLeft(i), 0, m_columns[i].width, titleH);
            if (pass == 1)
                painter.fillRect(cell, pal.color(QPalette::Button));
            painter.setPen(pal.color(QPalette::WindowText));
            painter.drawText(cell.adjusted(2, 0, -2, 0),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             m_columns[i].title);
            painter.setPen(pal.color(QPalette::Mid));
            painter.drawLine(cell.topRight(), cell.bottomRight());
        }
    }
    // Scrolled titles must not show in the indicator column.
    painter.fillRect(QRect(0, 0, IndicatorWidth, titleH), pal.color(QPalette::Button));
    painter.drawLine(0, titleH - 1, viewport()->width(), titleH - 1);
}

void DBGrid::paintCells(QPainter &painter, const TDataSetBase &dataSet, int rows)
{
    const QPalette &pal = palette();
    const int titleH = titleHeight();
    const int rowH = rowHeight();
    // Each cell decoded once, for its text and its marks.
    std::vector<GridRow> cells;
    QList<QList<GridMark>> marks;
    for (int r = 0; r < rows; ++r) {
        cells.push_back(rowAt(dataSet, r));
        if (m_marks)
            marks.append(m_marks->rowMarks(cells.back()));
    }
    const QLocale locale;
    QFont italic = font();
    italic.setItalic(true);
    const int firstRecord = firstWindowRecord(dataSet);
    QList<bool> picked;
    for (int r = 0; r < rows; ++r)
        picked.append(!m_selection.isEmpty() && m_selection.contains(firstRecord + r));
    // Picked rows in a paler form of the selection's colour, so the current row stands out.
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor base = pal.color(QPalette::Base);
    const QColor pickedColour((highlight.red() + 2 * base.red()) / 3,
                              (highlight.green() + 2 * base.green()) / 3,
                              (highlight.blue() + 2 * base.blue()) / 3);
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < m_columns.size(); ++i) {
            if ((pass == 0) != (i >= m_fixedColumns))
                continue;
            const int left = columnLeft(i);
            if (pass == 0 && left + m_columns[i].width < IndicatorWidth)
                continue;
            for (int r = 0; r < rows; ++r) {
                const QRect cell(left, titleH + r * rowH, m_columns[i].width, rowH);
                const TField &field = *m_columns[i].field;
                const QString text = CellText::shown(FieldText::displayText(
                    field.DataType, field.Currency, cells[std::size_t(r)].values.value(i), locale));
                const GridMark mark = m_marks ? marks[r].value(i) : GridMark();
                const QColor &marked = mark.background;
                const bool current = r == dataSet.ActiveRecord();
                const QColor background = current            ? highlight
                                          : picked[r]        ? pickedColour
                                          : marked.isValid() ? marked
                                          : pass == 1 ? pal.color(QPalette::Button).lighter(104)
                                                      : base;
                painter.fillRect(cell, background);
                // On the current and the picked rows the mark shows as an inset, so the
                // selection stays.
                if ((current || picked[r]) && marked.isValid()) {
                    painter.setPen(QPen(marked, 2));
                    painter.setBrush(Qt::NoBrush);
                    painter.drawRect(cell.adjusted(2, 2, -3, -3));
                }
                painter.setFont(mark.italic ? italic : font());
                painter.setPen(current ? pal.color(QPalette::HighlightedText)
                                       : pal.color(QPalette::Text));
                painter.drawText(cell.adjusted(2, 1, -2, -1),
                                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text);
                painter.setPen(pal.color(QPalette::Mid));
                painter.drawLine(cell.topRight(), cell.bottomRight());
                painter.drawLine(cell.bottomLeft(), cell.bottomRight());
            }
        }
        // Scrolled columns must not show under the indicator column.
        if (pass == 0)
            painter.fillRect(QRect(0, titleH, IndicatorWidth, viewport()->height()),
                             pal.color(QPalette::Button));
    }
}

bool DBGrid::isMarkable(int row, int column) const
{
    TDataSetBase *dataSet = m_link->DataSet();
    return m_marks && dataSet && dataSet->Active() && row >= 0 &&
           row < dataSet->WindowRecordCount() && column >= 0 && column < m_columns.size() &&
           m_columns[column].field;
}

GridRow DBGrid::rowAt(const TDataSetBase &dataSet, int row) const
{
    GridRow cells{dataSet, row, {}, {}};
    cells.fields.reserve(m_columns.size());
    cells.values.reserve(m_columns.size());
    const bool inWindow = row >= 0 && row < dataSet.WindowRecordCount();
    for (const Column &column : m_columns) {
        cells.fields.append(column.field);
        cells.values.append(column.field && inWindow
                                ? dataSet.GetFieldValue(*column.field, dataSet.RecordBuffer(row))
                                : TFieldValue());
    }
    return cells;
}

GridMark DBGrid::cellMark(int row, int column) const
{
    if (!isMarkable(row, column))
        return {};
    return m_marks->rowMarks(rowAt(*m_link->DataSet(), row)).value(column);
}

QString DBGrid::cellToolTip(int row, int column) const
{
    if (!isMarkable(row, column) || row >= visibleRowCount())
        return {};
    return m_marks->toolTip(*m_link->DataSet(), row, *m_columns[column].field);
}

bool DBGrid::viewportEvent(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QAbstractScrollArea::viewportEvent(event);
    const QPoint at = static_cast<QHelpEvent *>(event)->pos();
    QString tip;
    if (const int row = rowAt(at.y()); row >= 0) {
        bool onBorder = false;
        const int column = at.x() < IndicatorWidth ? -1 : columnAt(at.x(), &onBorder);
        FailureDisplay::guardLater([&] { tip = cellToolTip(row, column); });
    }
    if (tip.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
    } else {
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, viewport());
    }
    return true;
}

void DBGrid::paintIndicatorColumn(QPainter &painter, const TDataSetBase *dataSet, int rows)
{
    const QPalette &pal = palette();
    const int titleH = titleHeight();
    if (!dataSet)
        painter.fillRect(QRect(0, 0, IndicatorWidth, viewport()->height()),
                         pal.color(QPalette::Button));
    // The row indicator marks the current row.
    if (dataSet && rows > 0 && dataSet->ActiveRecord() < rows) {
        const int y = titleH + dataSet->ActiveRecord() * rowHeight() + rowHeight() / 2;
        const QPoint arrow[3] = {{3, y - 4}, {8, y}, {3, y + 4}};
        painter.setBrush(pal.color(QPalette::WindowText));
        painter.setPen(Qt::NoPen);
        painter.drawPolygon(arrow, 3);
    }
    painter.setPen(pal.color(QPalette::Mid));
    painter.drawLine(IndicatorWidth - 1, 0, IndicatorWidth - 1, viewport()->height());
}

void DBGrid::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    // More visible rows fetch more records: the engine may fail here.
    FailureDisplay::guardLater([this] { m_link->setBufferCount(visibleRowCount()); });
    dataChanged();
}

void DBGrid::moveBy(int distance)
{
    TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active() || distance == 0)
        return;
    FailureDisplay::guard([dataSet, distance] { dataSet->MoveBy(distance); });
    dataChanged();
    currentCellMoved();
}

void DBGrid::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    bool onBorder = false;
    const int column = columnAt(at.x(), &onBorder);
    const int row = rowAt(at.y());
    if (row < 0) {
        if (onBorder && column >= 0) {
            m_resizing = column;
            m_resizeStart = at.x();
            m_resizeWidth = m_columns[column].width;
        }
        return;
    }
    TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active() || row >= dataSet->WindowRecordCount())
        return;
    if (column >= 0)
        m_currentColumn = column;
    const int record = firstWindowRecord(*dataSet) + row;
    const int before = dataSet->RecNo();
    if (event->modifiers() & Qt::ShiftModifier) {
        moveBy(row - dataSet->ActiveRecord());
        extendSelection(before);
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        m_selection.toggle(record);
        m_anchor = record;
    } else {
        clearSelection();
    }
    moveBy(row - dataSet->ActiveRecord());
    currentCellMoved();
}

void DBGrid::contextMenuEvent(QContextMenuEvent *event)
{
    // A right click on a row that is not picked makes it the current row, so that what the
    // menu acts on is the row under the pointer.
    TDataSetBase *dataSet = m_link->DataSet();
    const int row = rowAt(event->pos().y());
    if (event->reason() == QContextMenuEvent::Mouse && dataSet && dataSet->Active() && row >= 0 &&
        row < dataSet->WindowRecordCount() &&
        !m_selection.contains(firstWindowRecord(*dataSet) + row)) {
        clearSelection();
        moveBy(row - dataSet->ActiveRecord());
    }
    const std::unique_ptr<QMenu> menu(createContextMenu(this));
    menu->exec(event->globalPos());
}

QMenu *DBGrid::createContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    menu->addAction(TabText::copyRowsText(), this,
                    [this] { FailureDisplay::guard([this] { copySelectedRows(); }); });
    menu->addAction(TabText::copyAllRowsText(), this,
                    [this] { FailureDisplay::guard([this] { copyAllRows(); }); });
    if (!actions().isEmpty()) {
        menu->addSeparator();
        menu->addActions(actions());
    }
    return menu;
}

void DBGrid::clearSelection()
{
    m_selection.clear();
    m_anchor = 0;
    viewport()->update();
}

void DBGrid::extendSelection(int recordBefore)
{
    TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->IsEmpty())
        return;
    if (m_anchor < 1)
        m_anchor = recordBefore;
    m_selection.setRange(m_anchor, dataSet->RecNo());
    viewport()->update();
}

int DBGrid::firstWindowRecord(const TDataSetBase &dataSet) const
{
    return dataSet.Active() && !dataSet.IsEmpty() ? dataSet.RecNo() - dataSet.ActiveRecord() : 0;
}

QString DBGrid::selectedRowsText()
{
    return rowsText(Rows::Picked);
}

QString DBGrid::allRowsText()
{
    return rowsText(Rows::All);
}

void DBGrid::copySelectedRows()
{
    if (const QString text = selectedRowsText(); !text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void DBGrid::copyAllRows()
{
    if (const QString text = allRowsText(); !text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

QString DBGrid::rowsText(Rows rows)
{
    TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active())
        return {};
    QStringList titles;
    for (const Column &column : m_columns)
        titles.append(column.title);
    QString text = TabText::line(titles);
    // Texts of the current record; false once the limit is reached.
    const auto take = [&](const auto &textOf) {
        QStringList cells;
        for (const Column &column : m_columns)
            cells.append(column.field ? textOf(*column.field) : QString());
        const QString line = TabText::line(cells);
        if (text.size() + line.size() > ReadOutLimits::Characters)
            return false;
        text += line;
        return true;
    };
    const auto current = [](const TField &field) { return field.DisplayText(); };
    if (dataSet->IsEmpty())
        return text;
    if (rows == Rows::Picked && m_selection.isEmpty()) {
        take(current);
        return text;
    }
    QList<int> records;
    if (rows == Rows::Picked)
        records = m_selection.records(dataSet->RecordCount(), ReadOutLimits::Rows);
    // Records inside the buffer window need no walk.
    const int first = firstWindowRecord(*dataSet);
    const int last = first + dataSet->WindowRecordCount() - 1;
    if (rows == Rows::Picked && !records.isEmpty() && records.first() >= first &&
        records.last() <= last) {
        for (const int record : records)
            if (!take([&](const TField &field) { return field.DisplayTextAt(record - first); }))
                break;
        return text;
    }
    if (rows == Rows::All) {
        forEachRecord(*dataSet, ReadOutLimits::Characters - text.size(),
                      [&](qsizetype) -> std::optional<qsizetype> {
                          const qsizetype before = text.size();
                          if (!take(current))
                              return std::nullopt;
                          return text.size() - before;
                      });
        return text;
    }
    QuietWalk walk(*dataSet);
    dataSet->First();
    int at = 1;
    for (const int record : records) {
        if (dataSet->MoveBy(record - at) != record - at || !take(current))
            break;
        at = record;
    }
    walk.restore();
    return text;
}

void DBGrid::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (m_resizing >= 0) {
        m_columns[m_resizing].width = std::max(4, m_resizeWidth + at.x() - m_resizeStart);
        dataChanged();
        return;
    }
    bool onBorder = false;
    columnAt(at.x(), &onBorder);
    viewport()->setCursor(onBorder && rowAt(at.y()) < 0 ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void DBGrid::mouseReleaseEvent(QMouseEvent *)
{
    m_resizing = -1;
}

void DBGrid::wheelEvent(QWheelEvent *event)
{
    const int steps = event->angleDelta().y() / 120;
    moveBy(-3 * steps);
}

void DBGrid::keyPressEvent(QKeyEvent *event)
{
    TDataSetBase *dataSet = m_link->DataSet();
    if (event->matches(QKeySequence::Copy)) {
        FailureDisplay::guard([this] { copySelectedRows(); });
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        if (dataSet && dataSet->Active() && !dataSet->IsEmpty())
            FailureDisplay::guard([this, dataSet] {
                m_selection.setRange(1, dataSet->RecordCount());
                m_anchor = 1;
            });
        viewport()->update();
        return;
    }
    const int page = visibleRowCount();
    const int before = dataSet && dataSet->Active() ? dataSet->RecNo() : 0;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const bool movesRows =
        QList<int>{Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp}.contains(
            event->key()) ||
        (ctrl && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End));
    switch (event->key()) {
    case Qt::Key_Down:
        moveBy(1);
        break;
    case Qt::Key_Up:
        moveBy(-1);
        break;
    case Qt::Key_PageDown:
        moveBy(page);
        break;
    case Qt::Key_PageUp:
        moveBy(-page);
        break;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (dataSet && dataSet->Active() && (event->modifiers() & Qt::ControlModifier)) {
            const bool first = event->key() == Qt::Key_Home;
            FailureDisplay::guard([dataSet, first] { first ? dataSet->First() : dataSet->Last(); });
            dataChanged();
            currentCellMoved();
        } else {
            setCurrentColumn(event->key() == Qt::Key_Home ? 0 : int(m_columns.size()) - 1);
        }
        break;
    case Qt::Key_Left:
        setCurrentColumn(m_currentColumn - 1);
        break;
    case Qt::Key_Right:
        setCurrentColumn(m_currentColumn + 1);
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    // Shift picks the rows the cursor passes; a move without it drops what was picked.
    if (movesRows)
        (event->modifiers() & Qt::ShiftModifier) ? extendSelection(before) : clearSelection();
}

void DBGrid::scrollContentsBy(int, int)
{
    viewport()->update();
}
