#pragma once

#include <QString>

// How much of a cell's text a grid lays out: a line of any window holds far fewer
// characters, and laying out a text of a mebibyte takes a view seconds each time it paints or
// measures the cell. The whole text stays what a copy takes.
struct CellText {
    static constexpr qsizetype Characters = 1000;
    // A column sized to its texts is measured over this many rows at most, and made at
    // most this many average characters wide; the user can still widen it.
    static constexpr int SampleRows = 200;
    static constexpr int WidthCharacters = 100;

    // The text as a cell shows it: at most Characters, the last of them an ellipsis where
    // the text was cut, never half of a surrogate pair.
    static QString shown(const QString &text)
    {
        if (text.size() <= Characters)
            return text;
        qsizetype keep = Characters - 1;
        if (text[keep - 1].isHighSurrogate())
            --keep;
        return text.left(keep) + QChar(0x2026);
    }
};
