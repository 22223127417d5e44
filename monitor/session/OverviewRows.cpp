#include "OverviewRows.h"

#include "AceCodes.h"
#include "MonitorNames.h"
#include "MonitorSession.h"

#include <QCoreApplication>
#include <QLocale>
#include <cmath>
#include <limits>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Overview)
};

} // namespace

QList<PolledServer> polledServers(Platform &platform, const DiscoveryReport &report,
                                  const std::vector<TAdsServerInfo> &records)
{
    QList<PolledServer> servers;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const TAdsServerInfo &record = records[i];
        PolledServer server;
        server.name = record.ServerName;
        server.address = record.LAN_IP;
        server.answered = record.AVaible && record.LAN_PORT != 0;
        server.port = server.answered ? record.LAN_PORT : FirstProbePort;
        for (const DriveDiagnosis &drive : report.drives)
            if (drive.serverIndex == int(i) && drive.probedThrough == drive.drive) {
                server.path = drive.uncPath;
                break;
            }
        if (server.path.isEmpty())
            server.path = QStringLiteral("\\\\") + server.name;
        server.connectPath = monitorConnectPath(platform, server.path, server.port);
        servers.append(std::move(server));
    }
    return servers;
}

QStringList overviewHeader()
{
    return {QStringLiteral("Server"), Texts::tr("Adresse"),     QStringLiteral("Port"),
            Texts::tr("Erreicht"),    Texts::tr("Benutzer"),    Texts::tr("Engpass"),
            Texts::tr("Abgewiesen"),  QStringLiteral("Version")};
}

namespace {

bool qualifies(const ResourceUsage &resource)
{
    return resource.inUse && resource.configured && *resource.inUse >= 0 &&
           *resource.configured > 0;
}

// Both counts of a qualifying resource are far below what a long double holds exactly
// enough to order their shares; a product of two 64-bit counts could overflow.
long double shareOf(const ResourceUsage &resource)
{
    return static_cast<long double>(*resource.inUse) / *resource.configured;
}

QString countText(std::optional<qint64> count)
{
    return count && *count >= 0 ? QLocale().toString(*count) : QStringLiteral("–");
}

// Milliseconds as "Details…" gives them: digits only.
QString reachedText(const ServerStatus &status)
{
    switch (status.outcome) {
    case ServerStatus::Outcome::Read:
        return Texts::tr("ja (%1 ms)").arg(status.milliseconds);
    case ServerStatus::Outcome::Lacking:
        return Texts::tr("ja, aber unvollständig: %1").arg(status.text);
    case ServerStatus::Outcome::Unreachable:
        return Texts::tr("nein: %1 (Fehler %2)")
            .arg(status.error == acecode::ConnectionRefused ? QStringLiteral("abgewiesen")
                                                            : Texts::tr("nicht erreichbar"))
            .arg(status.error);
    case ServerStatus::Outcome::TimedOut:
        return Texts::tr("nein: keine Antwort in %1 ms (Fehler %2)")
            .arg(status.milliseconds)
            .arg(status.error);
    case ServerStatus::Outcome::Failed:
        return status.error != 0
                   ? Texts::tr("nein: Fehler %1: %2").arg(status.error).arg(status.text)
                   : Texts::tr("nein: Fehler: %1").arg(status.text);
    }
    return {};
}

const ResourceUsage *usersOf(const QList<ResourceUsage> &resources)
{
    for (const ResourceUsage &resource : resources)
        if (resource.name.compare(QLatin1String("Users"), Qt::CaseInsensitive) == 0)
            return &resource;
    return nullptr;
}

QString nameOf(const ResourceUsage &resource)
{
    return resource.name.isEmpty() ? Texts::tr("(ohne Namen)") : resource.name;
}

} // namespace

qsizetype nearestLimit(const QList<ResourceUsage> &resources)
{
    qsizetype nearest = -1;
    for (qsizetype i = 0; i < resources.size(); ++i)
        if (qualifies(resources[i]) &&
            (nearest < 0 || shareOf(resources[i]) > shareOf(resources[nearest])))
            nearest = i;
    return nearest;
}

qint64 usedPercent(qint64 inUse, qint64 configured)
{
    const long double percent = std::floor(static_cast<long double>(inUse) * 100 / configured);
    return percent >= static_cast<long double>(std::numeric_limits<qint64>::max())
               ? std::numeric_limits<qint64>::max()
               : static_cast<qint64>(percent);
}

OverviewRow overviewRow(const PolledServer &server, const ServerStatus *last)
{
    const QLocale locale;
    OverviewRow row;
    row.cells = QStringList(overviewHeader().size());
    row.toolTips = QStringList(overviewHeader().size());
    const auto set = [&row](OverviewColumn column, const QString &text, const QString &tip = {}) {
        row.cells[int(column)] = text;
        row.toolTips[int(column)] = tip;
    };
    set(OverviewColumn::Server, server.name, server.path);
    set(OverviewColumn::Address,
        server.address.isEmpty() ? Texts::tr("nicht aufgelöst") : server.address);
    set(OverviewColumn::Port, QString::number(server.port),
        server.answered ? QString()
                        : Texts::tr("Bei der Suche antwortete hier kein Datenbankserver."));
    if (!last) {
        set(OverviewColumn::Reached, Texts::tr("wird abgefragt …"), server.connectPath);
        return row;
    }
    set(OverviewColumn::Reached, reachedText(*last),
        last->text.isEmpty() ? last->connectPath
                             : last->connectPath + QLatin1Char('\n') + last->text);
    if (last->outcome != ServerStatus::Outcome::Read)
        return row;

    if (const ResourceUsage *users = usersOf(last->resources))
        set(OverviewColumn::Users,
            Texts::tr("%1 von %2").arg(countText(users->inUse), countText(users->configured)),
            last->connectedUsers
                ? Texts::tr("%1 Verbindungen").arg(locale.toString(*last->connectedUsers))
                : QString());
    else
        set(OverviewColumn::Users, QStringLiteral("–"));

    const qsizetype nearest = nearestLimit(last->resources);
    if (nearest >= 0) {
        const ResourceUsage &resource = last->resources[nearest];
        row.bottleneck = headroomOf(resource.inUse, resource.configured, resource.rejected);
        QStringList tip{Texts::tr("%1 von %2 in Gebrauch")
                            .arg(countText(resource.inUse), countText(resource.configured))};
        tip += row.bottleneck.reasons;
        set(OverviewColumn::Bottleneck,
            QStringLiteral("%1: %2 %")
                .arg(nameOf(resource),
                     locale.toString(usedPercent(*resource.inUse, *resource.configured))),
            tip.join(QLatin1Char('\n')));
    } else {
        set(OverviewColumn::Bottleneck, QStringLiteral("–"));
    }

    // The sum of the counts given, without overflowing; the resources that turned some away
    // are named in the tooltip.
    std::optional<qint64> rejected;
    QStringList rejecting;
    for (const ResourceUsage &resource : last->resources) {
        if (!resource.rejected || *resource.rejected < 0)
            continue;
        const qint64 sum = rejected.value_or(0);
        rejected = *resource.rejected > std::numeric_limits<qint64>::max() - sum
                       ? std::numeric_limits<qint64>::max()
                       : sum + *resource.rejected;
        if (*resource.rejected > 0)
            rejecting.append(QStringLiteral("%1: %2").arg(nameOf(resource),
                                                          locale.toString(*resource.rejected)));
    }
    row.rejections = headroomOf(std::nullopt, std::nullopt, rejected);
    set(OverviewColumn::Rejected, countText(rejected), rejecting.join(QLatin1Char('\n')));
    set(OverviewColumn::Version, last->version.isEmpty() ? QStringLiteral("–") : last->version);
    return row;
}
