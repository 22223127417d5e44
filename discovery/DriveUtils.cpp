#include "DriveUtils.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <memory>

std::vector<DriveRoot> ListDriveRoots(Platform &platform)
{
    std::vector<DriveRoot> roots;
    roots.reserve(26);
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter) {
        const char16_t root[] = {letter, u':', u'\\', 0};
        roots.push_back({QString(QChar(letter)) + QLatin1Char(':'), platform.GetDriveTypeW(root)});
    }
    return roots;
}

QStringList DrivesOfType(const std::vector<DriveRoot> &roots, UINT driveType)
{
    QStringList drives;
    for (const DriveRoot &root : roots)
        if (root.type == driveType)
            drives.append(root.drive);
    return drives;
}

void ListDrivesOfType(Platform &platform, QStringList &driveList, quint16 driveType,
                      bool clearFirst)
{
    if (clearFirst)
        driveList.clear();
    driveList += DrivesOfType(ListDriveRoots(platform), driveType);
}

namespace {

QString networkErrorText(DWORD code)
{
    switch (code) {
    case ERROR_NOT_SUPPORTED:
        return QStringLiteral(
            "The dwInfoLevel parameter is set to UNIVERSAL_NAME_INFO_LEVEL, but the network "
            "provider does not support UNC names. (None of the network providers support this "
            "function.)");
    case ERROR_MORE_DATA:
        return QStringLiteral(
            "The buffer pointed to by the lpBuffer parameter is too small. The function sets the "
            "variable pointed to by the lpBufferSize parameter to the required buffer size. More "
            "entries are available with subsequent calls.");
    case ERROR_BAD_DEVICE:
        return QStringLiteral("The string pointed to by the lpLocalPath parameter is invalid.");
    case ERROR_CONNECTION_UNAVAIL:
        return QStringLiteral("There is no current connection to the remote device, but there is "
                              "a remembered (persistent) connection to it.");
    case ERROR_NO_NET_OR_BAD_PATH:
        return QStringLiteral(
            "None of the network providers recognize the local name as having a connection. "
            "However, the network is not available for at least one provider to whom the "
            "connection may belong.");
    case ERROR_EXTENDED_ERROR:
        return QStringLiteral("A network-specific error occurred. Use the WNetGetLastError "
                              "function to obtain a description of the error.");
    case ERROR_NO_NETWORK:
        return QStringLiteral("The network is unavailable.");
    case ERROR_NOT_CONNECTED:
        return QStringLiteral(
            "The device specified by the lpLocalPath parameter is not redirected.");
    default:
        return {};
    }
}

} // namespace

namespace {

// The UNC path of a path on a network drive from the drive's connection and the rest of the
// path: for network providers that do not answer the universal-name call (Wine's stub
// among them, which gives the local path back). Empty when the drive is no network drive.
QString fromConnection(Platform &platform, const QString &localPath)
{
    if (localPath.size() < 2 || localPath[1] != QLatin1Char(':'))
        return {};
    const QString drive = localPath.left(2);
    if (platform.GetDriveTypeW(wideText(drive + QLatin1Char('\\'))) != DRIVE_REMOTE)
        return {};
    WideChar remote[1024] = {};
    DWORD length = DWORD(std::size(remote));
    if (platform.WNetGetConnectionW(wideText(drive), remote, &length) != NO_ERROR)
        return {};
    QString rest = localPath.mid(2);
    rest.replace(QLatin1Char('/'), QLatin1Char('\\'));
    QString unc = QString::fromUtf16(remote);
    if (unc.endsWith(QLatin1Char('\\')) && rest.startsWith(QLatin1Char('\\')))
        unc.chop(1);
    return unc + rest;
}

} // namespace

UncResolution ResolveUNCPath(Platform &platform, const QString &localPath)
{
    constexpr DWORD BufferBytes = 1024;
    // new[] gives the alignment the record at the start of the buffer needs.
    const auto buffer = std::make_unique<unsigned char[]>(BufferBytes);
    DWORD size = BufferBytes;
    UncResolution result;

    const DWORD code = platform.WNetGetUniversalNameW(
        wideText(localPath), UNIVERSAL_NAME_INFO_LEVEL, buffer.get(), &size);
    if (code == NO_ERROR) {
        UNIVERSAL_NAME_INFOW info;
        std::memcpy(&info, buffer.get(), sizeof info);
        if (info.lpUniversalName)
            result.uncPath =
                QString::fromUtf16(reinterpret_cast<const char16_t *>(info.lpUniversalName));
        if (result.uncPath.startsWith(QLatin1String("\\\\")))
            return result;
    }
    // The universal-name call failed, or gave back no UNC path: ask the drive's connection.
    const QString connected = fromConnection(platform, localPath);
    if (!connected.isEmpty()) {
        result.uncPath = connected;
        return result;
    }
    result.code = code;
    result.errorText = networkErrorText(code);
    return result;
}

void GetUNCPath(Platform &platform, const QString &localPath, QString &uncPath, QString &errorText)
{
    UncResolution result = ResolveUNCPath(platform, localPath);
    uncPath = std::move(result.uncPath);
    errorText = std::move(result.errorText);
}

QString SplitUNCPath(Platform &platform, const QString &inputPath, QChar *shareBuffer)
{
    QString path = inputPath;
    // An empty or one-character text has no second character to look at.
    if (path.size() >= 2 && path[1] == QLatin1Char(':')) {
        QString errorText;
        GetUNCPath(platform, inputPath, path, errorText);
    }
    if (!path.startsWith(QLatin1String("\\\\")))
        return {};

    const QString rest = path.mid(2);
    const qsizetype separator = rest.indexOf(QLatin1Char('\\'));
    // A bare "\\server" has no separator: its name is the server, the share is empty.
    const QString server = separator < 0 ? rest : rest.left(separator);
    if (shareBuffer) {
        const QString share = separator < 0 ? QString() : rest.mid(separator + 1);
        const qsizetype length = std::min<qsizetype>(share.size(), ShareBufferLength - 1);
        std::copy_n(share.constData(), length, shareBuffer);
        shareBuffer[length] = QChar(0);
    }
    return server;
}
