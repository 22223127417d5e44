#pragma once

#include "Platform.h"

#include <QList>
#include <QString>
#include <memory>

class TAdsConnection;

// One discovered file server.
struct TAdsServerInfo {
    QString ServerName;   // as spelled in the drive's UNC path
    QString LAN_IP;       // dotted IPv4, empty when the name did not resolve
    quint32 LAN_PORT = 0; // 6262 or 2001, the port that answered; 0 when neither did
    bool AVaible = false; // a probe connected
};
using PAdsServerInfo = TAdsServerInfo *;

// The servers in the order discovery met them; names are unique by the user's locale,
// ignoring case. The list owns its records.
class TServerInfoList {
public:
    explicit TServerInfoList(Platform &platform) : m_platform(platform) {}

    int Count() const { return int(m_entries.size()); }
    const QString &Name(int index) const { return m_entries[index].name; }
    PAdsServerInfo Record(int index) const { return m_entries[index].record.get(); }
    // Position of the first entry whose name equals name (CompareStringW, user locale,
    // case ignored), or -1.
    int IndexOf(const QString &name) const;
    void Add(const QString &name, std::unique_ptr<TAdsServerInfo> record);
    void Clear() { m_entries.clear(); }

private:
    struct Entry {
        QString name;
        std::unique_ptr<TAdsServerInfo> record;
    };
    Platform &m_platform;
    std::vector<Entry> m_entries;
};

// Fills the list afresh from the network drives: per server one address lookup and a
// probe at 6262, then 2001, through the given connection. Never raises.
void DiscoverServers(Platform &platform, TAdsConnection &connection, TServerInfoList &servers);
