#include "IniEntries.h"

#include "ServerDiscovery.h"

IniEntry DriveEntry(const QString &drive, const QString &uncPath)
{
    return {QStringLiteral("DRIVES"), drive, uncPath};
}

QList<IniEntry> ServerEntries(const TAdsServerInfo &server)
{
    return {{server.ServerName, QStringLiteral("LAN_IP"), server.LAN_IP},
            {server.ServerName, QStringLiteral("LAN_PORT"), QString::number(server.LAN_PORT)}};
}
