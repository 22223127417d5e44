#include "ProfileText.h"

namespace {

using Line = ProfileLine;

} // namespace

QList<ProfileLine> splitProfileText(const QString &text)
{
    QList<Line> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        const bool crlf =
            c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n');
        lines.append(
            Line{text.mid(start, i - start), crlf ? QStringLiteral("\r\n") : QString(c), {}, {}});
        if (crlf)
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.append(Line{text.mid(start), QString(), {}, {}});
    return lines;
}

QString joinProfileText(const QList<ProfileLine> &lines)
{
    QString text;
    for (const Line &line : lines)
        text += line.text + line.end;
    return text;
}

namespace {

// The name of a "[section]" line, or nothing.
std::optional<QString> sectionName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (!trimmed.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
    return (close < 0 ? trimmed.mid(1) : trimmed.mid(1, close - 1)).trimmed();
}

// The key of a "key=value" line, or nothing for comments and other lines.
std::optional<QString> keyName(const QString &line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.startsWith(QLatin1Char(';')))
        return std::nullopt;
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0)
        return std::nullopt;
    return line.left(equals).trimmed();
}

bool sameName(const QString &a, const QString &b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool holdsLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

const QString CrLf = QStringLiteral("\r\n");

} // namespace

namespace {

// A changed line: new text and, when it had none, a line end, both encoded afresh.
void setText(Line &line, const QString &text)
{
    line.text = text;
    line.raw.reset();
}

void endWithCrLf(Line &line)
{
    line.end = CrLf;
    line.rawEnd.reset();
}

Line newLine(const QString &text)
{
    return Line{text, CrLf, {}, {}};
}

} // namespace

namespace {

// The first line of the first section of that name, and the line after its last.
std::pair<qsizetype, qsizetype> findSection(const QList<ProfileLine> &lines, const QString &section)
{
    qsizetype header = -1;
    for (qsizetype i = 0; i < lines.size() && header < 0; ++i) {
        const std::optional<QString> name = sectionName(lines[i].text);
        if (name && sameName(*name, section))
            header = i;
    }
    qsizetype sectionEnd = lines.size();
    if (header >= 0) {
        for (qsizetype i = header + 1; i < lines.size(); ++i) {
            if (sectionName(lines[i].text)) {
                sectionEnd = i;
                break;
            }
        }
    }
    return {header, sectionEnd};
}

// The line of the first key of that name between first and end, or -1.
qsizetype findKey(const QList<ProfileLine> &lines, qsizetype first, qsizetype end,
                  const QString &key)
{
    for (qsizetype i = first; i < end; ++i) {
        const std::optional<QString> name = keyName(lines[i].text);
        if (name && sameName(*name, key))
            return i;
    }
    return -1;
}

} // namespace

std::optional<QString> profileValue(const QList<ProfileLine> &lines, const QString &section,
                                    const QString &key)
{
    const auto [header, sectionEnd] = findSection(lines, section);
    if (header < 0)
        return std::nullopt;
    const qsizetype line = findKey(lines, header + 1, sectionEnd, key);
    if (line < 0)
        return std::nullopt;
    return lines[line].text.mid(lines[line].text.indexOf(QLatin1Char('=')) + 1);
}

bool applyProfileWrite(QList<ProfileLine> &lines, const QString &section,
                       const std::optional<QString> &key, const std::optional<QString> &value)
{
    if (holdsLineBreak(section) || (key && holdsLineBreak(*key)) ||
        (value && holdsLineBreak(*value)))
        return false;

    const auto [header, sectionEnd] = findSection(lines, section);

    if (!key) {
        if (header >= 0)
            lines.remove(header, sectionEnd - header);
        return true;
    }

    if (header < 0) {
        if (!value)
            return true;
        if (!lines.isEmpty() && lines.last().end.isEmpty())
            endWithCrLf(lines.last());
        lines.append(newLine(QLatin1Char('[') + section + QLatin1Char(']')));
        lines.append(newLine(*key + QLatin1Char('=') + *value));
        return true;
    }

    if (const qsizetype i = findKey(lines, header + 1, sectionEnd, *key); i >= 0) {
        if (!value) {
            lines.removeAt(i);
        } else {
            const qsizetype equals = lines[i].text.indexOf(QLatin1Char('='));
            const QString replaced = lines[i].text.left(equals + 1) + *value;
            if (replaced != lines[i].text)
                setText(lines[i], replaced);
        }
        return true;
    }
    if (!value)
        return true;

    qsizetype last = header;
    for (qsizetype i = header + 1; i < sectionEnd; ++i)
        if (!lines[i].text.trimmed().isEmpty())
            last = i;
    if (lines[last].end.isEmpty())
        endWithCrLf(lines[last]);
    lines.insert(last + 1, newLine(*key + QLatin1Char('=') + *value));
    return true;
}

ProfileNameFault profileNameFault(const QString &section, const QString &key)
{
    if (section.contains(QLatin1Char(']')))
        return ProfileNameFault::SectionBracket;
    if (key.contains(QLatin1Char('=')))
        return ProfileNameFault::KeyEquals;
    const QString start = key.trimmed();
    if (start.startsWith(QLatin1Char(';')) || start.startsWith(QLatin1Char('[')))
        return ProfileNameFault::KeyStart;
    return ProfileNameFault::None;
}

std::optional<QString> applyProfileWrite(const QString &text, const QString &section,
                                         const std::optional<QString> &key,
                                         const std::optional<QString> &value)
{
    QList<ProfileLine> lines = splitProfileText(text);
    if (!applyProfileWrite(lines, section, key, value))
        return std::nullopt;
    return joinProfileText(lines);
}
