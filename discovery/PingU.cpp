#include "PingU.h"

#include <cstring>

QString HostNameToIP(Platform &platform, const QByteArray &hostName)
{
    platform.WSAStartup(0x0101);
    QString address;
    try {
        const hostent *entry = platform.gethostbyname(hostName.constData());
        if (entry && entry->h_addr_list && entry->h_addr_list[0]) {
            unsigned char bytes[4];
            std::memcpy(bytes, entry->h_addr_list[0], sizeof bytes);
            address = QStringLiteral("%1.%2.%3.%4")
                          .arg(bytes[0])
                          .arg(bytes[1])
                          .arg(bytes[2])
                          .arg(bytes[3]);
        }
    } catch (...) {
        address.clear();
    }
    platform.WSACleanup();
    return address;
}
