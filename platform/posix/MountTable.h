#pragma once

#include <QString>
#include <QVector>
#include <optional>

// The mounts of /proc/self/mountinfo, enough to tell whether a path lies on a network
// file system and which server path is mounted there.
class MountTable {
public:
    struct Mount {
        QString mountPoint;
        QString fsType;
        QString source;
    };

    static MountTable fromMountInfo(const QByteArray &text);
    static MountTable load(const QString &mountInfoPath);

    // The UNC name of an absolute path on a network mount ("\\server\share\sub"), or none
    // when the path's mount is local.
    std::optional<QString> uncNameOf(const QString &absolutePath) const;

    static bool isNetworkFileSystem(const QString &fsType);

private:
    QVector<Mount> m_mounts;
};
