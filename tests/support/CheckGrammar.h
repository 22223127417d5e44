#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The grammar of the Monitoring Plugins' output, as a monitoring system reads it: the first
// line "TEXT | PERFDATA", no "|" in the text, each item "label=value[UOM];warn;crit;min;max"
// with a quoted label where it holds a blank and no quote or "=" inside. An empty text
// when the output keeps it, else what breaks it.
inline QString pluginGrammarFault(const QString &output)
{
    if (!output.endsWith(QLatin1Char('\n')))
        return QStringLiteral("no newline at the end");
    const QStringList lines = output.chopped(1).split(QLatin1Char('\n'));
    const QString &first = lines.first();
    static const QRegularExpression status(
        QStringLiteral("^ADS (OK|WARNING|CRITICAL|UNKNOWN) - [^|]+ \\| (.+)$"));
    const QRegularExpressionMatch match = status.match(first);
    if (!match.hasMatch())
        return QStringLiteral("first line: ") + first;
    static const QRegularExpression item(
        QStringLiteral("^('[^'=]+'|[^' =]+)=(-?[0-9]+(\\.[0-9]+)?)(s|ms|us|%|B|KB|MB|TB|c)?"
                       "(;(@?(~|-?[0-9.]+)?:?(-?[0-9.]+)?)?){0,2}(;(-?[0-9.]+)?){0,2}$"));
    // Items are separated by blanks outside quotes.
    QStringList items;
    QString current;
    bool quoted = false;
    for (const QChar c : match.captured(2)) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (c == QLatin1Char(' ') && !quoted) {
            items.append(current);
            current.clear();
        } else {
            current += c;
        }
    }
    items.append(current);
    for (const QString &perf : items)
        if (!item.match(perf).hasMatch())
            return QStringLiteral("performance item: ") + perf;
    for (qsizetype i = 1; i < lines.size(); ++i)
        if (lines[i].contains(QLatin1Char('|')))
            return QStringLiteral("long text with a bar: ") + lines[i];
    return {};
}

// Prometheus's text exposition format, line by line: HELP and TYPE comments, samples
// "name{label="value",...} number" with escaped label values. An empty text when every
// line keeps it, else the first that does not.
inline QString expositionFault(const QByteArray &text)
{
    if (!text.endsWith('\n'))
        return QStringLiteral("no newline at the end");
    static const QRegularExpression comment(
        QStringLiteral("^# (HELP [a-zA-Z_:][a-zA-Z0-9_:]* .*|TYPE [a-zA-Z_:][a-zA-Z0-9_:]* "
                       "(counter|gauge|untyped|summary|histogram))$"));
    static const QRegularExpression sample(QStringLiteral(
        "^[a-zA-Z_:][a-zA-Z0-9_:]*(\\{[a-zA-Z_][a-zA-Z0-9_]*=\"([^\"\\\\\\n]|\\\\[\\\\\"n])*\""
        "(,[a-zA-Z_][a-zA-Z0-9_]*=\"([^\"\\\\\\n]|\\\\[\\\\\"n])*\")*\\})? "
        "-?([0-9]+(\\.[0-9]+)?([eE][-+]?[0-9]+)?|NaN|\\+Inf|-Inf)$"));
    for (const QString &line : QString::fromUtf8(text).chopped(1).split(QLatin1Char('\n'))) {
        for (const QChar c : line)
            if (c.unicode() < 0x20 && c != QLatin1Char('\t'))
                return QStringLiteral("control character in: ") + line;
        if (!(line.startsWith(QLatin1Char('#')) ? comment : sample).match(line).hasMatch())
            return line;
    }
    return {};
}
