#pragma once

#include "Diagnosis.h"
#include "Headroom.h"
#include "ServerDiscovery.h"
#include "ServerStatus.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class Platform;

// What "Alle Server…" lists and how each of its rows reads, apart from the window: which
// servers, where each is asked, and the texts and headroom of a reading.

// A server discovery found, as the overview reads it.
struct PolledServer {
    QString name;    // as spelled in the drive's UNC path
    QString address; // LAN_IP; empty when the name did not resolve
    // The port discovery found it answering at; the first probe port when it found none,
    // as "ADS Remote Check" asks then.
    quint32 port = FirstProbePort;
    bool answered = false; // discovery found it answering
    QString path;          // the UNC path of the drive that named it
    QString connectPath;   // where a reading connects: as the monitor would, given path and port

    bool operator==(const PolledServer &) const = default;
};

// Every server of the run's list, in list order, each with the drive that named it (the
// first that leads to it). Servers whose records the run does not hold yet are left out.
QList<PolledServer> polledServers(Platform &platform, const DiscoveryReport &report,
                                  const std::vector<TAdsServerInfo> &records);

enum class OverviewColumn { Server, Address, Port, Reached, Users, Bottleneck, Rejected, Version };
QStringList overviewHeader();

// The resource nearest its limit: the highest share of its configured count in use, among
// those with a configured count above 0 and a count in use of at least 0; the first of
// equals. -1 when none qualifies.
qsizetype nearestLimit(const QList<ResourceUsage> &resources);

// The whole percent of configured that inUse is, rounded down as the headroom's reasons
// round; both must qualify as nearestLimit says. Capped where 64 bits end.
qint64 usedPercent(qint64 inUse, qint64 configured);

// A row as the window shows it.
struct OverviewRow {
    QStringList cells;    // by OverviewColumn
    QStringList toolTips; // by OverviewColumn; an empty text: none
    Headroom bottleneck;  // of the resource nearest its limit; enough when there is none
    Headroom rejections;  // full when any resource has turned one away
};

// A server's row: before its first reading (last is null) it is being read; after, what
// the last reading gave. A count that is missing or below 0 shows as "–".
OverviewRow overviewRow(const PolledServer &server, const ServerStatus *last);
