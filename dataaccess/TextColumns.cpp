#include "TextColumns.h"

#include <algorithm>

TextColumns &TextColumns::addRow(QStringList cells)
{
    m_rows.append(std::move(cells));
    return *this;
}

TextColumns &TextColumns::addRows(const QList<QStringList> &rows)
{
    m_rows += rows;
    return *this;
}

TextColumns &TextColumns::setGap(qsizetype spaces)
{
    m_gap = std::max<qsizetype>(spaces, 0);
    return *this;
}

TextColumns &TextColumns::setRule(QChar rule)
{
    m_rule = rule;
    return *this;
}

QString TextColumns::text() const
{
    qsizetype columns = m_header.size();
    if (columns == 0)
        for (const QStringList &row : m_rows)
            columns = std::max(columns, row.size());
    QList<qsizetype> widths(columns, 0);
    const auto measure = [&](const QStringList &cells) {
        for (qsizetype c = 0; c < columns && c < cells.size(); ++c)
            widths[c] = std::max(widths[c], cells[c].size());
    };
    measure(m_header);
    for (const QStringList &row : m_rows)
        measure(row);

    const QString gap(m_gap, QLatin1Char(' '));
    const auto line = [&](const auto &cellAt) {
        QString text;
        for (qsizetype c = 0; c < columns; ++c)
            text += c + 1 < columns ? cellAt(c).leftJustified(widths[c]) + gap : cellAt(c);
        // Empty cells at the end would leave nothing but their padding.
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return text + QLatin1Char('\n');
    };
    QString text;
    if (!m_header.isEmpty()) {
        text += line([this](qsizetype c) { return m_header.value(c); });
        if (!m_rule.isNull())
            text += line([&](qsizetype c) { return QString(widths[c], m_rule); });
    }
    for (const QStringList &row : m_rows)
        text += line([&row](qsizetype c) { return row.value(c); });
    return text;
}
