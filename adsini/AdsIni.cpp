#include "AdsIni.h"

#include "DriveUtils.h"
#include "Exception.h"
#include "ServerDiscovery.h"

#include <algorithm>

namespace {

QString uncOf(Platform &platform, const QString &localPath)
{
    QString uncPath;
    QString errorText;
    GetUNCPath(platform, localPath, uncPath, errorText);
    return uncPath;
}

// What a refused write says beyond the file's name, when the refusal is about what was
// to be written rather than about the file.
QString causeOf(DWORD code)
{
    switch (code) {
    case ERROR_INVALID_DATA:
        return QStringLiteral("ein Name oder Wert enthält einen Zeilenumbruch");
    case ERROR_NO_UNICODE_TRANSLATION:
        return QStringLiteral("ein Name oder Wert enthält Zeichen, die die Kodierung der Datei "
                              "nicht darstellen kann");
    default:
        return {};
    }
}

void writeKey(Platform &platform, const QString &filePath, const QString &section,
              const QString &key, const QString &value)
{
    if (platform.WritePrivateProfileStringW(wideText(section), wideText(key), wideText(value),
                                            wideText(filePath)))
        return;
    QString message =
        QStringLiteral("In ") + filePath + QStringLiteral(" kann nicht geschrieben werden");
    const QString cause = causeOf(platform.GetLastError());
    if (!cause.isEmpty())
        message += QStringLiteral(": ") + cause;
    throw Exception(message);
}

} // namespace

namespace AdsIni {

QStringList PreviewLines(Platform &platform, const QStringList &drives,
                         const TServerInfoList &servers)
{
    QStringList lines{QStringLiteral("[DRIVES]")};
    for (const QString &drive : drives)
        lines.append(drive + QLatin1Char('=') + uncOf(platform, drive));
    lines.append(QString());
    for (int i = 0; i < servers.Count(); ++i) {
        const TAdsServerInfo &server = *servers.Record(i);
        lines.append(QLatin1Char('[') + server.ServerName + QLatin1Char(']'));
        lines.append(QStringLiteral("LAN_IP=") + server.LAN_IP);
        lines.append(QStringLiteral("LAN_PORT=") + QString::number(server.LAN_PORT));
        lines.append(QString());
    }
    return lines;
}

QString FilePath(const QString &executablePath)
{
    // The executable's directory up to and including its last separator.
    const qsizetype cut = std::max(executablePath.lastIndexOf(QLatin1Char('/')),
                                   executablePath.lastIndexOf(QLatin1Char('\\')));
    QString directory = executablePath.left(cut + 1);
    if (!directory.endsWith(QLatin1Char('/')) && !directory.endsWith(QLatin1Char('\\')))
        directory += QLatin1Char('/');
    return directory + QStringLiteral("ADS.INI");
}

void Write(Platform &platform, const QString &filePath, const QStringList &drives,
           const TServerInfoList &servers)
{
    const QString drivesSection = QStringLiteral("DRIVES");
    for (const QString &drive : drives)
        writeKey(platform, filePath, drivesSection, drive,
                 uncOf(platform, drive + QLatin1Char('\\')));
    for (int i = 0; i < servers.Count(); ++i) {
        const TAdsServerInfo &server = *servers.Record(i);
        writeKey(platform, filePath, server.ServerName, QStringLiteral("LAN_IP"), server.LAN_IP);
        writeKey(platform, filePath, server.ServerName, QStringLiteral("LAN_PORT"),
                 QString::number(server.LAN_PORT));
    }
    platform.WritePrivateProfileStringW(nullptr, nullptr, nullptr, wideText(filePath));
}

} // namespace AdsIni
