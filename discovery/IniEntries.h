#pragma once

#include <QList>
#include <QString>

struct TAdsServerInfo;

// An ADS.INI entry: what discovery finds for a drive or a server, and what the writer
// writes.
struct IniEntry {
    QString section;
    QString key;
    QString value;
};

// A drive's key in the DRIVES section ("X:") with its UNC path.
IniEntry DriveEntry(const QString &drive, const QString &uncPath);
// A server's section: LAN_IP, then LAN_PORT.
QList<IniEntry> ServerEntries(const TAdsServerInfo &server);
