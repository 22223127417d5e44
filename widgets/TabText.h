#pragma once

#include <QCoreApplication>
#include <QStringList>

// Rows as tab-separated text, one line each, as spreadsheets take them from the clipboard:
// a tab or line break inside a value would start another cell or row, so each becomes a
// space.
namespace TabText {

// The context menu entries that copy such text, in the program's language.
inline QString copyRowsText()
{
    return QCoreApplication::translate("Grids", "Zeile kopieren");
}
inline QString copyAllRowsText()
{
    return QCoreApplication::translate("Grids", "Alle Zeilen kopieren");
}

inline QString line(const QStringList &cells)
{
    QStringList cleaned;
    cleaned.reserve(cells.size());
    for (QString cell : cells) {
        for (QChar &c : cell)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        cleaned.append(cell);
    }
    return cleaned.join(QLatin1Char('\t')) + QLatin1Char('\n');
}

} // namespace TabText
