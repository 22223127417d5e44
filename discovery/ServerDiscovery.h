#pragma once

#include "Diagnosis.h"
#include "Platform.h"

#include <QList>
#include <QString>
#include <memory>
#include <vector>

class TAdsConnection;

// The ports a database server is probed at: the first, and the second only when nothing
// answers at the first.
constexpr quint32 FirstProbePort = 6262;
constexpr quint32 SecondProbePort = 2001;

// One discovered file server.
struct TAdsServerInfo {
    QString ServerName;   // as spelled in the drive's UNC path
    QString LAN_IP;       // dotted IPv4, empty when the name did not resolve
    quint32 LAN_PORT = 0; // the probe port that answered; 0 when neither did
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

// One server to look up and probe: its name and the share part its probe asks for.
struct ServerProbe {
    QString server;
    QString share;
};

// One server's address lookup and probe: at the first probe port, then at the second only when
// the first did not answer.
// With diagnosis, also tells how each step went. Never raises.
TAdsServerInfo ProbeServer(Platform &platform, TAdsConnection &connection, const ServerProbe &probe,
                           ServerDiagnosis *diagnosis = nullptr);
