#pragma once

#include <QString>
#include <array>
#include <optional>

// An IP address as written in a target or an allow list, without Qt's network module: a
// check that links it pays for its libraries at every start.
struct IpLiteral {
    bool v6 = false;
    std::array<quint8, 16> bytes{}; // IPv4 in the first four

    int bits() const { return v6 ? 128 : 32; }
    // Whether the first prefix bits equal those of network (of the same family).
    bool isIn(const IpLiteral &network, int prefix) const;
};

// "10.1.0.7" (four decimal parts, no leading zeros) or an IPv6 address ("::1",
// "fe80::1", "::ffff:10.1.0.7"); nothing for anything else, a zone ("%eth0") included.
std::optional<IpLiteral> parseIpLiteral(const QString &text);
