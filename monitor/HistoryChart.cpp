#include "HistoryChart.h"

#include "UsageHistory.h"

#include <QCoreApplication>
#include <QLocale>
#include <QPainter>
#include <QPolygon>
#include <algorithm>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(HistoryChart)
};

} // namespace

QString HistoryChart::emptyText()
{
    return tr("Noch keine Aktualisierung aufgezeichnet");
}

HistoryChart::HistoryChart(const UsageHistory &history, QWidget *parent)
    : QWidget(parent), m_history(history)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
}

QColor HistoryChart::lineColour(int chart)
{
    static const QColor colours[] = {
        QColor(31, 119, 180),  QColor(214, 39, 40),  QColor(44, 160, 44),   QColor(255, 127, 14),
        QColor(148, 103, 189), QColor(140, 86, 75),  QColor(227, 119, 194), QColor(127, 127, 127),
        QColor(188, 189, 34),  QColor(23, 190, 207),
    };
    return colours[chart % int(std::size(colours))];
}

namespace {

// "42 s", "12 min 5 s", "1 h 0 min".
QString spanText(qint64 ms)
{
    const qint64 seconds = ms / 1000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

void paintSeries(QPainter &painter, const QRect &area, const UsageHistory::Series &series,
                 QColor colour, qint64 firstMs, qint64 lastMs, const QPalette &palette)
{
    const QLocale locale;
    const QFontMetrics metrics = painter.fontMetrics();
    const int titleHeight = metrics.height() + 2;
    qint64 low = 0;
    qint64 high = 1;
    for (const UsageHistory::Point &point : series.points) {
        low = std::min(low, point.value);
        high = std::max(high, point.value);
    }
    painter.setPen(palette.color(QPalette::Text));
    const QString now =
        series.points.empty() ? QString() : locale.toString(series.points.back().value);
    painter.drawText(QRect(area.left(), area.top(), area.width(), titleHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, series.name + QStringLiteral(": ") + now);
    painter.setPen(palette.color(QPalette::PlaceholderText));
    painter.drawText(QRect(area.left(), area.top(), area.width(), titleHeight),
                     Qt::AlignRight | Qt::AlignVCenter,
                     Texts::tr("höchstens %1").arg(locale.toString(high)));

    const QRect plot = area.adjusted(0, titleHeight + 2, -1, -1);
    painter.setPen(palette.color(QPalette::Mid));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    if (series.points.empty() || plot.width() < 4 || plot.height() < 4)
        return;
    const QRect inner = plot.adjusted(2, 2, -2, -2);
    const auto xOf = [&](qint64 atMs) {
        if (lastMs <= firstMs)
            return inner.right();
        return inner.left() +
               int(double(atMs - firstMs) / double(lastMs - firstMs) * double(inner.width() - 1));
    };
    // In doubles: a server's counts can span the whole 64-bit range, and their difference
    // would overflow.
    const auto yOf = [&](qint64 value) {
        return inner.bottom() - int((double(value) - double(low)) / (double(high) - double(low)) *
                                    double(inner.height() - 1));
    };
    QPolygon line;
    for (const UsageHistory::Point &point : series.points)
        line.append(QPoint(xOf(point.atMs), yOf(point.value)));
    painter.setPen(QPen(colour, 2));
    if (line.size() == 1)
        painter.drawEllipse(line.first(), 2, 2);
    else
        painter.drawPolyline(line);
}

} // namespace

void HistoryChart::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &pal = palette();
    if (m_history.isEmpty()) {
        painter.setPen(pal.color(QPalette::PlaceholderText));
        painter.drawText(rect(), Qt::AlignCenter, emptyText());
        return;
    }
    QList<const UsageHistory::Series *> charts{&m_history.users()};
    for (const UsageHistory::Series &series : m_history.resources())
        charts.append(&series);
    const qint64 firstMs = m_history.firstMs();
    const qint64 lastMs = m_history.lastMs();

    const int footer = painter.fontMetrics().height() + 8;
    const QRect area = rect().adjusted(8, 8, -8, -footer);
    const int columns = area.width() >= 500 ? 2 : 1;
    const int rows = int((charts.size() + columns - 1) / columns);
    const int width = area.width() / columns;
    const int height = std::max(1, area.height() / std::max(1, rows));
    for (int i = 0; i < charts.size(); ++i) {
        const QRect cell(area.left() + (i % columns) * width, area.top() + (i / columns) * height,
                         width, height);
        paintSeries(painter, cell.adjusted(4, 2, -4, -6), *charts[i], lineColour(i), firstMs,
                    lastMs, pal);
    }
    painter.setPen(pal.color(QPalette::Text));
    const QRect footerArea(area.left() + 4, rect().bottom() - footer + 2, area.width() - 8,
                           footer - 4);
    painter.drawText(footerArea, Qt::AlignLeft | Qt::AlignVCenter,
                     Texts::tr("vor %1").arg(spanText(lastMs - firstMs)));
    painter.drawText(footerArea, Qt::AlignRight | Qt::AlignVCenter,
                     Texts::tr("letzte Aktualisierung"));
}
