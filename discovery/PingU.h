#pragma once

#include "Platform.h"

#include <QByteArray>
#include <QString>

// Dotted-decimal text of the first IPv4 address of hostName (8-bit, in the system's code
// page), or an empty text when the name does not resolve. Never raises.
QString HostNameToIP(Platform &platform, const QByteArray &hostName);
