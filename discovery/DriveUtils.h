#pragma once

#include "Platform.h"

#include <QString>
#include <QStringList>
#include <vector>

// A drive letter and the type of its root.
struct DriveRoot {
    QString drive; // "X:", without the backslash
    UINT type = DRIVE_UNKNOWN;
};

// Every letter "A" to "Z" with its root's type ("X:\" asked once each): the one pass over
// the roots that the drive list and discovery both read.
std::vector<DriveRoot> ListDriveRoots(Platform &platform);
// The drives of one type among them, in their order.
QStringList DrivesOfType(const std::vector<DriveRoot> &roots, UINT driveType);

// Drive letters of one type, in letter order ("X:", without the backslash).
void ListDrivesOfType(Platform &platform, QStringList &driveList, quint16 driveType,
                      bool clearFirst);

// Local path to UNC path. On failure uncPath is empty and errorText carries the network
// code's message (empty for codes without one). Never raises.
void GetUNCPath(Platform &platform, const QString &localPath, QString &uncPath, QString &errorText);

// The same, with the universal-name call's code when the path did not resolve.
struct UncResolution {
    QString uncPath;
    DWORD code = NO_ERROR;
    QString errorText;
};
UncResolution ResolveUNCPath(Platform &platform, const QString &localPath);

// Room the caller gives SplitUNCPath for the share part: 255 characters and a NUL.
constexpr int ShareBufferLength = 256;

// Server name of a UNC path (a drive path is resolved first). When shareBuffer is given,
// receives the text after the server name, at most 255 characters and a NUL. Never raises.
QString SplitUNCPath(Platform &platform, const QString &inputPath, QChar *shareBuffer = nullptr);
