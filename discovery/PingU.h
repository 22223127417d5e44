#pragma once

#include "Platform.h"

#include <QByteArray>
#include <QString>

// Dotted-decimal text of the first IPv4 address of hostName (8-bit, in the system's code
// page), or an empty text when the name does not resolve. Never raises.
QString HostNameToIP(Platform &platform, const QByteArray &hostName);

// The same lookup, with why it found nothing.
struct HostLookup {
    QString address;     // empty when the name did not resolve
    int error = 0;       // the resolver's failure (WSAHOST_NOT_FOUND and kin); 0 when it told none
    bool raised = false; // the lookup raised
};
HostLookup LookUpHost(Platform &platform, const QByteArray &hostName);
