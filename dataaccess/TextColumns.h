#pragma once

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// Rows of texts laid out as aligned columns for plain-text reports: each column as wide as
// its widest text, the columns apart by a gap of spaces, the last column not padded and no
// line ending in spaces. The header gives the number of columns (without one, the longest
// row does); a row's missing cells are empty, cells beyond the columns are left out. Widths
// count UTF-16 code units, as QString::size() does.
class TextColumns {
public:
    // The header is the first line; an empty one gives none.
    explicit TextColumns(QStringList header = {}) : m_header(std::move(header)) {}

    TextColumns &addRow(QStringList cells);
    TextColumns &addRows(const QList<QStringList> &rows);
    // Spaces between two columns; 2 unless set.
    TextColumns &setGap(qsizetype spaces);
    // A line of this character under each header cell, as wide as its column; none unless set.
    TextColumns &setRule(QChar rule);

    // One line per row, each ending in "\n".
    QString text() const;

private:
    QStringList m_header;
    QList<QStringList> m_rows;
    qsizetype m_gap = 2;
    QChar m_rule;
};
