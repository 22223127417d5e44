#include "PingU.h"

#include <cstring>

HostLookup LookUpHost(Platform &platform, const QByteArray &hostName)
{
    platform.WSAStartup(0x0101);
    HostLookup lookup;
    try {
        const hostent *entry = platform.gethostbyname(hostName.constData());
        if (entry && entry->h_addr_list && entry->h_addr_list[0]) {
            unsigned char bytes[4];
            std::memcpy(bytes, entry->h_addr_list[0], sizeof bytes);
            lookup.address = QStringLiteral("%1.%2.%3.%4")
                                 .arg(bytes[0])
                                 .arg(bytes[1])
                                 .arg(bytes[2])
                                 .arg(bytes[3]);
        } else {
            // Winsock's last error is gone after the clean-up.
            lookup.error = platform.WSAGetLastError();
        }
    } catch (...) {
        lookup = HostLookup{};
        lookup.raised = true;
    }
    platform.WSACleanup();
    return lookup;
}

QString HostNameToIP(Platform &platform, const QByteArray &hostName)
{
    return LookUpHost(platform, hostName).address;
}
