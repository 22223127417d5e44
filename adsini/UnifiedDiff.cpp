#include "UnifiedDiff.h"

#include <algorithm>
#include <vector>

namespace {

enum class Step { Keep, Remove, Add };

// Myers' shortest edit script between the middles of before and after (what their common
// start and end leave). Its cost grows with the square of the changed lines, so beyond
// MaxChanges it gives up and takes the middle as changed whole.
std::vector<Step> editScript(const QStringList &before, const QStringList &after)
{
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const qsizetype n = before.size() - head - tail;
    const qsizetype m = after.size() - head - tail;
    const auto a = [&](qsizetype i) -> const QString & { return before[head + i]; };
    const auto b = [&](qsizetype i) -> const QString & { return after[head + i]; };

    constexpr qsizetype MaxChanges = 1000;
    const qsizetype limit = std::min(n + m, MaxChanges);
    // trace[d] holds the furthest x on each diagonal k in [-d, d] after d changes.
    std::vector<std::vector<qsizetype>> trace;
    std::vector<qsizetype> furthest(std::size_t(2 * limit + 3), 0);
    const qsizetype offset = limit + 1;
    qsizetype found = -1;
    for (qsizetype d = 0; d <= limit && found < 0; ++d) {
        for (qsizetype k = -d; k <= d; k += 2) {
            const auto at = [&](qsizetype diagonal) -> qsizetype & {
                return furthest[std::size_t(diagonal + offset)];
            };
            qsizetype x =
                (k == -d || (k != d && at(k - 1) < at(k + 1))) ? at(k + 1) : at(k - 1) + 1;
            qsizetype y = x - k;
            while (x < n && y < m && a(x) == b(y)) {
                ++x;
                ++y;
            }
            at(k) = x;
            if (x >= n && y >= m)
                found = d;
        }
        trace.emplace_back(furthest.begin() + (offset - d), furthest.begin() + (offset + d + 1));
    }

    std::vector<Step> middle;
    if (found < 0) {
        middle.assign(std::size_t(n), Step::Remove);
        middle.insert(middle.end(), std::size_t(m), Step::Add);
    } else {
        qsizetype x = n;
        qsizetype y = m;
        for (qsizetype d = found; d > 0; --d) {
            const std::vector<qsizetype> &previous = trace[std::size_t(d - 1)];
            const auto at = [&](qsizetype diagonal) {
                return previous[std::size_t(diagonal + d - 1)];
            };
            const qsizetype k = x - y;
            const bool added = k == -d || (k != d && at(k - 1) < at(k + 1));
            const qsizetype fromK = added ? k + 1 : k - 1;
            const qsizetype fromX = at(fromK);
            const qsizetype fromY = fromX - fromK;
            while (x > fromX && y > fromY) {
                middle.push_back(Step::Keep);
                --x;
                --y;
            }
            middle.push_back(added ? Step::Add : Step::Remove);
            x = fromX;
            y = fromY;
        }
        middle.insert(middle.end(), std::size_t(x), Step::Keep);
        std::reverse(middle.begin(), middle.end());
    }
    std::vector<Step> steps(std::size_t(head), Step::Keep);
    steps.insert(steps.end(), middle.begin(), middle.end());
    steps.insert(steps.end(), std::size_t(tail), Step::Keep);
    return steps;
}

QString range(qsizetype start, qsizetype length)
{
    // A range of one line is its number alone; an empty one names the line before it.
    if (length == 1)
        return QString::number(start + 1);
    return QStringLiteral("%1,%2").arg(length == 0 ? start : start + 1).arg(length);
}

} // namespace

QString DiffName(const QString &name)
{
    const bool plain = std::none_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x20 || c.unicode() == 0x7F;
    });
    if (plain)
        return name;
    QString quoted = QStringLiteral("\"");
    for (const QChar c : name) {
        switch (c.unicode()) {
        case '\\':
            quoted += QStringLiteral("\\\\");
            break;
        case '"':
            quoted += QStringLiteral("\\\"");
            break;
        case '\n':
            quoted += QStringLiteral("\\n");
            break;
        case '\r':
            quoted += QStringLiteral("\\r");
            break;
        case '\t':
            quoted += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                quoted += QStringLiteral("\\%1").arg(c.unicode(), 3, 8, QLatin1Char('0'));
            else
                quoted += c;
        }
    }
    return quoted + QLatin1Char('"');
}

QStringList UnifiedDiff(const QStringList &before, const QStringList &after,
                        const QString &fromName, const QString &toName)
{
    if (before == after)
        return {};
    const std::vector<Step> steps = editScript(before, after);
    constexpr qsizetype Context = 3;
    QStringList out{QStringLiteral("--- ") + DiffName(fromName),
                    QStringLiteral("+++ ") + DiffName(toName)};
    const qsizetype count = qsizetype(steps.size());
    const auto changed = [&](qsizetype i) { return steps[std::size_t(i)] != Step::Keep; };
    // Line numbers in before and after at the start of each step.
    std::vector<qsizetype> lineA(std::size_t(count + 1), 0);
    std::vector<qsizetype> lineB(std::size_t(count + 1), 0);
    for (qsizetype i = 0; i < count; ++i) {
        lineA[std::size_t(i + 1)] = lineA[std::size_t(i)] + (steps[std::size_t(i)] != Step::Add);
        lineB[std::size_t(i + 1)] = lineB[std::size_t(i)] + (steps[std::size_t(i)] != Step::Remove);
    }
    qsizetype i = 0;
    while (i < count) {
        while (i < count && !changed(i))
            ++i;
        if (i == count)
            break;
        // A hunk runs from three lines before its first change to three after its last,
        // taking in every change that lies closer than that.
        const qsizetype first = std::max<qsizetype>(0, i - Context);
        qsizetype last = i;
        for (qsizetype j = i; j < count && j <= last + 2 * Context; ++j)
            if (changed(j))
                last = j;
        const qsizetype end = std::min(count, last + Context + 1);
        out.append(QStringLiteral("@@ -%1 +%2 @@")
                       .arg(range(lineA[std::size_t(first)],
                                  lineA[std::size_t(end)] - lineA[std::size_t(first)]),
                            range(lineB[std::size_t(first)],
                                  lineB[std::size_t(end)] - lineB[std::size_t(first)])));
        for (qsizetype j = first; j < end; ++j) {
            switch (steps[std::size_t(j)]) {
            case Step::Keep:
                out.append(QLatin1Char(' ') + before[lineA[std::size_t(j)]]);
                break;
            case Step::Remove:
                out.append(QLatin1Char('-') + before[lineA[std::size_t(j)]]);
                break;
            case Step::Add:
                out.append(QLatin1Char('+') + after[lineB[std::size_t(j)]]);
                break;
            }
        }
        i = end;
    }
    return out;
}
