#include "CheckFormats.h"

#include "FieldKinds.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QStringList>

namespace CheckFormats {

namespace {

namespace Texts {
const char *const Line = "ADS %1 - %2";
const char *const Service = "ADS_%1";
const char *const ConnectedUsers = "connected_users";
const char *const Time = "time";
const char *const RejectedSuffix = " rejected";
} // namespace Texts

struct Family {
    const char *name;
    const char *type;
    const char *help;
};

namespace Metrics {
const Family Up{"ads_up", "gauge",
                "1 when the server answered the three procedures with the fields a check "
                "needs, else 0."};
const Family State{"ads_check_state", "gauge",
                   "The check's state: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN."};
const Family InUse{"ads_resource_in_use", "gauge", "Count of the resource in use now."};
const Family MaxUsed{"ads_resource_max_used", "gauge",
                     "Most of the resource in use at once since the server started."};
const Family Configured{"ads_resource_configured", "gauge",
                        "Count of the resource the server is configured for."};
const Family Rejected{"ads_resource_rejected_total", "counter",
                      "Requests for the resource turned away since the server started."};
const Family Users{"ads_connected_users", "gauge", "Connections the server lists as users."};
const Family Duration{"ads_check_duration_seconds", "gauge", "How long reading the server took."};
const Family Install{"ads_install_info", "gauge",
                     "The server's installation data as labels; the value is always 1."};
const Family EvalExpiry{"ads_eval_expiry_timestamp_seconds", "gauge",
                        "When the evaluation licence ends, in seconds since 1970 (UTC)."};
} // namespace Metrics

// A performance data label: quoted when it holds a blank.
QString perfLabel(const QString &name)
{
    return name.contains(QLatin1Char(' ')) ? QLatin1Char('\'') + name + QLatin1Char('\'') : name;
}

// "label=value;warn;crit;min;max", the empty fields at the end dropped.
QString perfItem(const QString &label, const QString &value, const QStringList &fields)
{
    QStringList parts{value};
    parts.append(fields);
    while (parts.size() > 1 && parts.last().isEmpty())
        parts.removeLast();
    return perfLabel(label) + QLatin1Char('=') + parts.join(QLatin1Char(';'));
}

QString seconds(qint64 milliseconds)
{
    return QString::number(double(milliseconds) / 1000.0, 'f', 3);
}

// Checkmk's metric names: lower-case letters, digits and underscores.
QString metricName(const QString &name)
{
    QString out;
    for (const QChar c : name.toLower()) {
        const char16_t u = c.unicode();
        out += ((u >= 'a' && u <= 'z') || (u >= '0' && u <= '9')) ? c : QLatin1Char('_');
    }
    while (out.contains(QStringLiteral("__")))
        out.replace(QStringLiteral("__"), QStringLiteral("_"));
    if (out.startsWith(QLatin1Char('_')))
        out.remove(0, 1);
    if (out.endsWith(QLatin1Char('_')))
        out.chop(1);
    return out.isEmpty() ? QStringLiteral("resource") : out;
}

void family(QByteArray &out, const Family &f)
{
    out += "# HELP ";
    out += f.name;
    out += ' ';
    out += f.help;
    out += "\n# TYPE ";
    out += f.name;
    out += ' ';
    out += f.type;
    out += '\n';
}

void sample(QByteArray &out, const Family &f, const QStringList &labels, const QString &value)
{
    out += f.name;
    if (!labels.isEmpty()) {
        out += '{';
        out += labels.join(QLatin1Char(',')).toUtf8();
        out += '}';
    }
    out += ' ';
    out += value.toUtf8();
    out += '\n';
}

QString label(const char *name, const QString &value)
{
    return QLatin1String(name) + QStringLiteral("=\"") + promLabelValue(value) + QLatin1Char('"');
}

QJsonValue jsonOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return QJsonValue::Null;
    if (const std::optional<qint64> whole = wholeNumberOf(value))
        return *whole;
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODateWithMs);
    case QMetaType::QTime:
        return value.toTime().toString(Qt::ISODateWithMs);
    case QMetaType::QByteArray:
        return QString::fromLatin1(value.toByteArray().toBase64());
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Float:
    case QMetaType::Double:
        return value.toDouble();
    default:
        return value.toString();
    }
}

QJsonValue jsonCount(const std::optional<qint64> &value)
{
    return value ? QJsonValue(*value) : QJsonValue::Null;
}

} // namespace

QString promLabelValue(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c == QLatin1Char('\\')) {
            out += QStringLiteral("\\\\");
        } else if (c == QLatin1Char('"')) {
            out += QStringLiteral("\\\"");
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (!c.isSurrogate() && c.category() != QChar::Other_Control) {
            out += c;
        }
    }
    return out;
}

QString pluginText(const ServerStatus &status, const CheckVerdict &verdict, const CheckRules &rules,
                   bool verbose)
{
    QStringList perf;
    for (const ResourceVerdict &r : verdict.resources) {
        if (!r.garbled.isEmpty())
            continue;
        const qint64 configured = *r.usage.configured;
        perf.append(perfItem(r.name, QString::number(*r.usage.inUse),
                             {rules.warning.countsText(configured),
                              rules.critical.countsText(configured), QStringLiteral("0"),
                              configured > 0 ? QString::number(configured) : QString()}));
    }
    for (const ResourceVerdict &r : verdict.resources) {
        if (!r.garbled.isEmpty() || !r.usage.rejected)
            continue;
        // Any rejection alerts: "above 0", where the rules count it.
        const QString limit = QStringLiteral("0");
        perf.append(perfItem(r.name + QLatin1String(Texts::RejectedSuffix),
                             QString::number(*r.usage.rejected) + QLatin1Char('c'),
                             {rules.rejected == CheckState::Warning ? limit : QString(),
                              rules.rejected == CheckState::Critical ? limit : QString(),
                              QStringLiteral("0")}));
    }
    if (status.connectedUsers)
        perf.append(perfItem(QLatin1String(Texts::ConnectedUsers),
                             QString::number(*status.connectedUsers),
                             {QString(), QString(), QStringLiteral("0")}));
    perf.append(perfItem(QLatin1String(Texts::Time),
                         seconds(status.milliseconds) + QLatin1Char('s'),
                         {QString(), QString(), QStringLiteral("0")}));
    QString text = QString::fromLatin1(Texts::Line).arg(stateName(verdict.state), verdict.summary) +
                   QStringLiteral(" | ") + perf.join(QLatin1Char(' ')) + QLatin1Char('\n');
    if (verbose)
        for (const QString &line : verdict.details)
            text += line + QLatin1Char('\n');
    return text;
}

QString checkmkLine(const CheckTarget &target, const ServerStatus &status,
                    const CheckVerdict &verdict, const CheckRules &rules)
{
    QStringList perf;
    QHash<QString, int> seen;
    const auto unique = [&seen](const QString &name) {
        const int copies = ++seen[name];
        return copies > 1 ? name + QLatin1Char('_') + QString::number(copies) : name;
    };
    for (const ResourceVerdict &r : verdict.resources) {
        if (!r.garbled.isEmpty())
            continue;
        const qint64 configured = *r.usage.configured;
        // Checkmk's levels warn at or above them.
        const auto level = [configured](const ThresholdRange &range) {
            const std::optional<qint64> first = range.firstAlertingCount(configured);
            return first ? QString::number(*first) : QString();
        };
        perf.append(unique(metricName(r.name)) + QLatin1Char('=') +
                    QString::number(*r.usage.inUse) + QLatin1Char(';') + level(rules.warning) +
                    QLatin1Char(';') + level(rules.critical) + QStringLiteral(";0;") +
                    (configured > 0 ? QString::number(configured) : QString()));
    }
    if (status.connectedUsers)
        perf.append(QLatin1String(Texts::ConnectedUsers) + QLatin1Char('=') +
                    QString::number(*status.connectedUsers));
    perf.append(QLatin1String(Texts::Time) + QLatin1Char('=') + seconds(status.milliseconds));
    // Checkmk before 2.0 ends a service name at a blank; a colon would read as a port.
    const QString service = QString::fromLatin1(Texts::Service)
                                .arg(target.label())
                                .replace(QLatin1Char(':'), QLatin1Char('_'));
    return QString::number(int(verdict.state)) + QLatin1Char(' ') + service + QLatin1Char(' ') +
           perf.join(QLatin1Char('|')) + QLatin1Char(' ') + verdict.summary + QLatin1Char('\n');
}

QByteArray prometheusText(const ServerStatus &status, const CheckVerdict &verdict,
                          const QString &serverLabel)
{
    const QStringList base =
        serverLabel.isEmpty() ? QStringList() : QStringList{label("server", serverLabel)};
    const auto with = [&base](const QStringList &more) { return base + more; };
    QByteArray out;
    family(out, Metrics::Up);
    sample(out, Metrics::Up, base,
           status.outcome == ServerStatus::Outcome::Read ? QStringLiteral("1")
                                                         : QStringLiteral("0"));
    family(out, Metrics::State);
    sample(out, Metrics::State, base, QString::number(int(verdict.state)));
    family(out, Metrics::Duration);
    sample(out, Metrics::Duration, base, seconds(status.milliseconds));

    // A count is shown where the server gave it and it is no negative number; a garbled
    // row keeps what of it is sound.
    const struct {
        const Family &family;
        std::optional<qint64> ResourceUsage::*count;
    } counts[] = {{Metrics::InUse, &ResourceUsage::inUse},
                  {Metrics::MaxUsed, &ResourceUsage::maxUsed},
                  {Metrics::Configured, &ResourceUsage::configured},
                  {Metrics::Rejected, &ResourceUsage::rejected}};
    for (const auto &c : counts) {
        bool any = false;
        for (const ResourceVerdict &r : verdict.resources) {
            const std::optional<qint64> &value = r.usage.*(c.count);
            if (!value || *value < 0)
                continue;
            if (!any)
                family(out, c.family);
            any = true;
            sample(out, c.family, with({label("resource", r.name)}), QString::number(*value));
        }
    }
    if (status.connectedUsers) {
        family(out, Metrics::Users);
        sample(out, Metrics::Users, base, QString::number(*status.connectedUsers));
    }
    if (status.outcome == ServerStatus::Outcome::Read) {
        family(out, Metrics::Install);
        sample(out, Metrics::Install,
               with({label("version", cleanName(status.version)),
                     label("owner", cleanName(status.owner)),
                     label("serial", cleanName(status.serialNumber)),
                     label("install_date", status.installDate
                                               ? status.installDate->toString(Qt::ISODate)
                                               : QString())}),
               QStringLiteral("1"));
    }
    if (status.evalExpireDate) {
        family(out, Metrics::EvalExpiry);
        sample(out, Metrics::EvalExpiry, base,
               QString::number(status.evalExpireDate->startOfDay(Qt::UTC).toSecsSinceEpoch()));
    }
    return out;
}

QJsonObject json(const CheckTarget &target, const ServerStatus &status, const CheckVerdict &verdict)
{
    QJsonArray answers;
    for (const ProcedureAnswer &answer : status.answers) {
        QJsonArray rows;
        for (const QList<QVariant> &row : answer.rows) {
            // In the columns' order: a server may name two columns alike.
            QJsonArray fields;
            for (const QVariant &value : row)
                fields.append(jsonOf(value));
            rows.append(fields);
        }
        answers.append(
            QJsonObject{{QStringLiteral("procedure"), answer.procedure},
                        {QStringLiteral("columns"), QJsonArray::fromStringList(answer.columns)},
                        {QStringLiteral("rowCount"), answer.rowCount},
                        {QStringLiteral("rows"), rows}});
    }
    QJsonArray resources;
    for (const ResourceVerdict &r : verdict.resources)
        resources.append(QJsonObject{
            {QStringLiteral("name"), r.name},
            {QStringLiteral("inUse"), jsonCount(r.usage.inUse)},
            {QStringLiteral("maxUsed"), jsonCount(r.usage.maxUsed)},
            {QStringLiteral("configured"), jsonCount(r.usage.configured)},
            {QStringLiteral("rejected"), jsonCount(r.usage.rejected)},
            {QStringLiteral("percent"), r.percent ? QJsonValue(*r.percent) : QJsonValue::Null},
            {QStringLiteral("state"), stateName(r.state)},
            {QStringLiteral("problem"),
             r.garbled.isEmpty() ? QJsonValue::Null : QJsonValue(r.garbled)}});
    const auto date = [](const std::optional<QDate> &d) {
        return d ? QJsonValue(d->toString(Qt::ISODate)) : QJsonValue::Null;
    };
    return {{QStringLiteral("target"), target.label()},
            {QStringLiteral("connectPath"), status.connectPath},
            {QStringLiteral("outcome"), outcomeName(status.outcome)},
            {QStringLiteral("state"), stateName(verdict.state)},
            {QStringLiteral("exitCode"), int(verdict.state)},
            {QStringLiteral("summary"), verdict.summary},
            {QStringLiteral("details"), QJsonArray::fromStringList(verdict.details)},
            {QStringLiteral("error"),
             status.error ? QJsonValue(qint64(status.error)) : QJsonValue::Null},
            {QStringLiteral("text"), status.text},
            {QStringLiteral("milliseconds"), status.milliseconds},
            {QStringLiteral("connectedUsers"), jsonCount(status.connectedUsers)},
            {QStringLiteral("version"), status.version},
            {QStringLiteral("owner"), status.owner},
            {QStringLiteral("serialNumber"), status.serialNumber},
            {QStringLiteral("installDate"), date(status.installDate)},
            {QStringLiteral("evalExpireDate"), date(status.evalExpireDate)},
            {QStringLiteral("resources"), resources},
            {QStringLiteral("answers"), answers}};
}

} // namespace CheckFormats
