#pragma once

#include "MountTable.h"
#include "WinApi.h"

#include <QString>

// Drive letters the way Wine keeps them: the symlink dosdevices/x: in a prefix. A link
// into unc/ is a connected network drive; a link to a directory on a network mount is one
// too; any other directory is a local drive.
class WineDrives {
public:
    struct Drive {
        UINT type = DRIVE_NO_ROOT_DIR;
        QString uncName; // "\\server\share[\folder]" for network drives, no trailing backslash
    };

    // The mount table is read from mountInfoPath at every question.
    WineDrives(QString prefix, QString mountInfoPath);

    Drive drive(QChar letter) const;

    const QString &prefix() const { return m_prefix; }

private:
    QString m_prefix;
    QString m_mountInfoPath;
};
