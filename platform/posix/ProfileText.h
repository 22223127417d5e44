#pragma once

#include <QString>
#include <optional>

// The text-level rules of a profile (.INI) write, as Windows applies them, on a file's
// decoded text with every line's own line end kept:
// - section and key names match ignoring case and surrounding blanks; the first wins;
// - an existing key's value is replaced where it stands;
// - a missing key goes after the last non-blank line of its section;
// - a missing section goes at the end, with no blank line before it (a last line without
//   a line end gets one first);
// - a null value removes the key, a null key the whole section.
// New lines end in CRLF. Every byte outside the changed lines stays as it was.
// Gives nothing when the write must be refused (a name or value holding CR or LF).
std::optional<QString> applyProfileWrite(const QString &text, const QString &section,
                                         const std::optional<QString> &key,
                                         const std::optional<QString> &value);
