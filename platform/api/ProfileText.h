#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// One line of a profile (.INI) file: its decoded text and line end, and the bytes both
// had in the file. A line the write leaves alone is written back as those bytes, whatever
// they are; a changed or new line has none and is encoded afresh.
struct ProfileLine {
    QString text;                  // without its line end
    QString end;                   // "\r\n", "\n", "\r" or empty for a last line without one
    std::optional<QByteArray> raw; // the text's bytes as read
    std::optional<QByteArray> rawEnd;
};

// Splits decoded text into lines without bytes (every line counts as new).
QList<ProfileLine> splitProfileText(const QString &text);
QString joinProfileText(const QList<ProfileLine> &lines);

// The value of a key as a write finds it (first section and first key of that name,
// case and surrounding blanks ignored): the text after its "=", or nothing.
std::optional<QString> profileValue(const QList<ProfileLine> &lines, const QString &section,
                                    const QString &key);

// The text-level rules of a profile write, as Windows applies them:
// - section and key names match ignoring case and surrounding blanks; the first wins;
// - an existing key's value is replaced where it stands;
// - a missing key goes after the last non-blank line of its section;
// - a missing section goes at the end, with no blank line before it (a last line without
//   a line end gets one first);
// - a null value removes the key, a null key the whole section.
// New lines end in CRLF. Every line outside the changed ones stays as it was.
// False, with the lines untouched, when the write must be refused: a name or value that
// holds CR or LF.
bool applyProfileWrite(QList<ProfileLine> &lines, const QString &section,
                       const std::optional<QString> &key, const std::optional<QString> &value);

// Why a key written under these names would not be found again by the next write, which
// would then add it anew every time: a section name holding "]", a key holding "=" or one
// that starts with ";" (a comment) or "[" (a section). Line breaks the write refuses itself.
enum class ProfileNameFault { None, SectionBracket, KeyEquals, KeyStart };
ProfileNameFault profileNameFault(const QString &section, const QString &key);

// The same on whole text; nothing when refused.
std::optional<QString> applyProfileWrite(const QString &text, const QString &section,
                                         const std::optional<QString> &key,
                                         const std::optional<QString> &value);
