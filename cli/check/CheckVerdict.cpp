#include "CheckVerdict.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace {

namespace Texts {
const char *const Ok = "OK";
const char *const Warning = "WARNING";
const char *const Critical = "CRITICAL";
const char *const Unknown = "UNKNOWN";
const char *const Unnamed = "(unnamed)";
const char *const Usage = "%1 %2 of %3 (%4 %)";
const char *const Rejected = "%1 %2 rejected since the server started";
const char *const Missing = "%1: %2 is missing";
const char *const Negative = "%1: %2 is negative (%3)";
const char *const NoConfigured = "%1: configured %2 with %3 in use";
const char *const NoRows = "%1 gave no rows";
const char *const EvalEnds = "evaluation licence ends %1 (in %2 days)";
const char *const EvalEnded = "evaluation licence ended %1";
const char *const AllWell = "%1 resources within limits, busiest %2, %3 users connected";
const char *const AllWellNoBusiest = "%1 resources within limits, %2 users connected";
const char *const More = "and %1 more";
const char *const PastWarning = "%1: %2 of %3 in use (%4 %), past the warning threshold %5";
const char *const PastCritical = "%1: %2 of %3 in use (%4 %), past the critical threshold %5";
const char *const RejectedDetail = "%1: %2 rejected since the server started";
} // namespace Texts

QString say(const char *text)
{
    return QString::fromLatin1(text);
}

QString n(qint64 number)
{
    return QString::number(number);
}

int rank(CheckState state)
{
    switch (state) {
    case CheckState::Ok:
        return 0;
    case CheckState::Unknown:
        return 1;
    case CheckState::Warning:
        return 2;
    case CheckState::Critical:
        return 3;
    }
    return 1;
}

// The whole percent, rounded down as the monitor shows it.
QString percentText(double percent)
{
    if (percent >= 1e15)
        return QStringLiteral(">999999999999999");
    return QString::number(qint64(std::floor(percent)));
}

QString usageText(const ResourceVerdict &r)
{
    // One pass of arg(): a "%1" in a server's name stays as it is.
    return say(Texts::Usage)
        .arg(r.name, n(*r.usage.inUse), n(*r.usage.configured), percentText(*r.percent));
}

QString dayText(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

} // namespace

QString stateName(CheckState state)
{
    switch (state) {
    case CheckState::Ok:
        return say(Texts::Ok);
    case CheckState::Warning:
        return say(Texts::Warning);
    case CheckState::Critical:
        return say(Texts::Critical);
    case CheckState::Unknown:
        return say(Texts::Unknown);
    }
    return say(Texts::Unknown);
}

CheckState worse(CheckState a, CheckState b)
{
    return rank(a) >= rank(b) ? a : b;
}

CheckRules CheckRules::defaults()
{
    QString error;
    CheckRules rules;
    rules.warning = *parseThresholdRange(QStringLiteral("90"), error);
    rules.critical = *parseThresholdRange(QStringLiteral("100"), error);
    return rules;
}

QString cleanName(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size() && out.size() < 60; ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            out += c;
            out += name[++i];
        } else if (c.isSurrogate() || c.category() == QChar::Other_Control ||
                   c.category() == QChar::Other_Format ||
                   c.category() == QChar::Other_NotAssigned || c.isSpace()) {
            out += QLatin1Char(' ');
        } else if (c == QLatin1Char('|') || c == QLatin1Char('=') || c == QLatin1Char('\'') ||
                   c == QLatin1Char('"') || c == QLatin1Char('\\') || c == QLatin1Char(';')) {
            out += QLatin1Char('_');
        } else {
            out += c;
        }
    }
    return out.simplified();
}

QString oneLine(const QString &text)
{
    QString out;
    out.reserve(std::min<qsizetype>(text.size(), 300));
    for (qsizetype i = 0; i < text.size() && out.size() < 300; ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate() || c.category() == QChar::Other_Control ||
                   c.category() == QChar::Other_Format || c.isSpace()) {
            out += QLatin1Char(' ');
        } else {
            out += c == QLatin1Char('|') ? QLatin1Char('/') : c;
        }
    }
    return out.simplified();
}

CheckVerdict judge(const ServerStatus &status, const CheckRules &rules, const QDate &today)
{
    CheckVerdict verdict;
    switch (status.outcome) {
    case ServerStatus::Outcome::Read:
        break;
    case ServerStatus::Outcome::Lacking:
        verdict.state = CheckState::Unknown;
        verdict.summary = oneLine(status.text);
        return verdict;
    case ServerStatus::Outcome::Unreachable:
    case ServerStatus::Outcome::TimedOut:
    case ServerStatus::Outcome::Failed:
        verdict.state = CheckState::Critical;
        verdict.summary = oneLine(status.text);
        if (verdict.summary.isEmpty())
            verdict.summary = outcomeName(status.outcome);
        return verdict;
    }

    struct Problem {
        CheckState state;
        QString text;
    };
    QList<Problem> problems;
    const auto problem = [&](CheckState state, const QString &text) {
        problems.append({state, text});
        verdict.state = worse(verdict.state, state);
    };
    verdict.state = CheckState::Ok;

    QHash<QString, int> seen;
    const ResourceVerdict *busiest = nullptr;
    for (const ResourceUsage &usage : status.resources) {
        ResourceVerdict r;
        r.usage = usage;
        r.name = cleanName(usage.name);
        if (r.name.isEmpty())
            r.name = say(Texts::Unnamed);
        const int copies = ++seen[r.name.toCaseFolded()];
        if (copies > 1)
            r.name += QStringLiteral(" (%1)").arg(copies);
        verdict.resources.append(r);
    }
    for (ResourceVerdict &r : verdict.resources) {
        const ResourceUsage &u = r.usage;
        const struct {
            const char *name;
            const std::optional<qint64> &count;
        } counts[] = {{"InUse", u.inUse},
                      {"MaxUsed", u.maxUsed},
                      {"Configured", u.configured},
                      {"Rejected", u.rejected}};
        for (const auto &count : counts) {
            if (count.count && *count.count < 0 && r.garbled.isEmpty())
                r.garbled =
                    say(Texts::Negative).arg(r.name, QLatin1String(count.name), n(*count.count));
        }
        if (r.garbled.isEmpty() && !u.inUse)
            r.garbled = say(Texts::Missing).arg(r.name, QStringLiteral("InUse"));
        if (r.garbled.isEmpty() && !u.configured)
            r.garbled = say(Texts::Missing).arg(r.name, QStringLiteral("Configured"));
        if (r.garbled.isEmpty() && *u.configured == 0 && *u.inUse > 0)
            r.garbled = say(Texts::NoConfigured).arg(r.name, n(*u.configured), n(*u.inUse));
        if (!r.garbled.isEmpty()) {
            r.state = CheckState::Unknown;
            problem(CheckState::Unknown, r.garbled);
            continue;
        }
        if (*u.configured > 0) {
            r.percent = static_cast<double>(static_cast<long double>(*u.inUse) * 100 /
                                            static_cast<long double>(*u.configured));
            r.pastCritical = rules.critical.alerts(*r.percent);
            r.pastWarning = rules.warning.alerts(*r.percent);
            if (r.pastCritical)
                r.state = CheckState::Critical;
            else if (r.pastWarning)
                r.state = CheckState::Warning;
            if (r.state != CheckState::Ok)
                problem(r.state, usageText(r));
            if (!busiest || *r.percent > *busiest->percent)
                busiest = &r;
        }
        if (u.rejected && *u.rejected > 0) {
            r.rejecting = true;
            if (rules.rejected != CheckState::Ok) {
                r.state = worse(r.state, rules.rejected);
                problem(rules.rejected, say(Texts::Rejected).arg(r.name, n(*u.rejected)));
            }
        }
    }
    if (status.resources.isEmpty()) {
        const QString procedure = status.answers.isEmpty() ? QStringLiteral("sp_mgGetUsageInfo")
                                                           : status.answers.first().procedure;
        problem(CheckState::Unknown, say(Texts::NoRows).arg(procedure));
    }
    if (status.evalExpireDate) {
        const qint64 days = today.daysTo(*status.evalExpireDate);
        verdict.evalDaysLeft = days;
        if (days < 0)
            problem(CheckState::Critical,
                    say(Texts::EvalEnded).arg(dayText(*status.evalExpireDate)));
        else if (days <= rules.expiryDays)
            problem(CheckState::Warning,
                    say(Texts::EvalEnds).arg(dayText(*status.evalExpireDate), n(days)));
    }

    const QString users =
        status.connectedUsers ? QString::number(*status.connectedUsers) : QStringLiteral("?");
    if (problems.isEmpty()) {
        verdict.summary =
            busiest
                ? say(Texts::AllWell).arg(n(verdict.resources.size()), usageText(*busiest), users)
                : say(Texts::AllWellNoBusiest).arg(n(verdict.resources.size()), users);
    } else {
        std::stable_sort(problems.begin(), problems.end(), [](const Problem &a, const Problem &b) {
            return rank(a.state) > rank(b.state);
        });
        constexpr qsizetype Shown = 5;
        QStringList texts;
        for (qsizetype i = 0; i < problems.size() && i < Shown; ++i)
            texts.append(problems[i].text);
        if (problems.size() > Shown)
            texts.append(say(Texts::More).arg(n(problems.size() - Shown)));
        verdict.summary = texts.join(QStringLiteral(", "));
    }
    for (const ResourceVerdict &r : verdict.resources) {
        if (r.pastCritical || r.pastWarning)
            verdict.details.append(
                say(r.pastCritical ? Texts::PastCritical : Texts::PastWarning)
                    .arg(r.name, n(*r.usage.inUse), n(*r.usage.configured), percentText(*r.percent),
                         r.pastCritical ? rules.critical.text : rules.warning.text));
        if (r.rejecting)
            verdict.details.append(say(Texts::RejectedDetail).arg(r.name, n(*r.usage.rejected)));
    }
    return verdict;
}
