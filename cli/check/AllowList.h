#pragma once

#include "CheckTarget.h"
#include "IpLiteral.h"

#include <QList>
#include <QString>
#include <optional>

// The servers an exporter may probe: host names (as written, case ignored), addresses and
// networks, each for the two probe ports (6262 and 2001) or for the one port it names.
// Names are never resolved to match a network: a name is allowed only as a name.
class AllowList {
public:
    // Entries separated by commas or blanks: "fileserver", "fileserver:7000", "10.1.0.7",
    // "10.1.0.0/24", "10.1.0.0/24:6262", "[::1]:6262", "::1". Nothing and a reason for a bad
    // entry.
    static std::optional<AllowList> parse(const QString &text, QString &error);
    void add(const AllowList &other) { m_entries.append(other.m_entries); }

    bool allows(const CheckTarget &target) const;
    bool isEmpty() const { return m_entries.isEmpty(); }

private:
    struct Entry {
        QString name;                // a host name, or empty for an address
        IpLiteral network;           // with name empty
        int prefix = 0;              // bits of network that must match
        std::optional<quint16> port; // none: the two probe ports
    };
    QList<Entry> m_entries;
};
