#pragma once

#include "ProfileText.h"

#include <QByteArray>
#include <QList>
#include <optional>

// A profile file's bytes as lines. The encoding is told by the first byte-order mark
// (UTF-16LE or UTF-8; only the first is a mark, anything after it is content), else the
// locale's 8-bit encoding when the whole file is valid in it, else Latin-1, which keeps
// every byte. The file is decoded as one text, so a U+FEFF anywhere in it, a line's start
// included, is a character like any other. Each line keeps its bytes; only lines a write
// changes are encoded again.
struct ProfileBytes {
    enum class Encoding { Local8Bit, Latin1, Utf8, Utf16Le };
    Encoding encoding = Encoding::Local8Bit;
    QByteArray mark; // the byte-order mark as read, or empty
    QList<ProfileLine> lines;
    QByteArray tail; // an odd last byte of a UTF-16 file: it stays the last byte

    static ProfileBytes read(const QByteArray &bytes);
    // Nothing when a changed line holds a character the encoding cannot hold.
    std::optional<QByteArray> bytes() const;
};
