#pragma once

#include "Platform.h"

#include <QString>
#include <QStringList>

class TServerInfoList;

// The ADS.INI entries: a DRIVES section mapping each drive to its UNC path, and one
// section per server with LAN_IP and LAN_PORT.
namespace AdsIni {

// The preview lines: each drive resolved in its "X:" form, then the server sections.
QStringList PreviewLines(Platform &platform, const QStringList &drives,
                         const TServerInfoList &servers);

// ADS.INI beside the executable.
QString FilePath(const QString &executablePath);

// Writes every entry, key by key (drives resolved from their roots), then flushes.
// Raises "In %s kann nicht geschrieben werden" when the platform refuses a write;
// entries written before stay.
void Write(Platform &platform, const QString &filePath, const QStringList &drives,
           const TServerInfoList &servers);

} // namespace AdsIni
