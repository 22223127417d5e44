#include "MountTable.h"

#include <QFile>
#include <QList>

namespace {

// mountinfo escapes blanks, tabs, line feeds and backslashes as three octal digits.
QString unescapeOctal(const QByteArray &field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

// "//server/share/sub" (SMB) or "server:/export/dir" (NFS) to "\\server\share\sub".
std::optional<QString> uncFromSource(const QString &fsType, const QString &source)
{
    QString path;
    if (fsType.startsWith(QLatin1String("nfs"))) {
        const qsizetype colon = source.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            return std::nullopt;
        path = source.left(colon) + QLatin1Char('/') + source.mid(colon + 1);
    } else {
        path = source;
    }
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    return QLatin1String("\\\\") + parts.join(QLatin1Char('\\'));
}

} // namespace

bool MountTable::isNetworkFileSystem(const QString &fsType)
{
    static const QStringList network = {QStringLiteral("nfs"),   QStringLiteral("nfs4"),
                                        QStringLiteral("cifs"),  QStringLiteral("smb3"),
                                        QStringLiteral("smbfs"), QStringLiteral("ncpfs")};
    return network.contains(fsType);
}

MountTable MountTable::fromMountInfo(const QByteArray &text)
{
    MountTable table;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf(QByteArray("-"));
        if (fields.size() < 5 || dash < 5 || dash + 2 >= fields.size())
            continue;
        table.m_mounts.append(Mount{unescapeOctal(fields[4]), unescapeOctal(fields[dash + 1]),
                                    unescapeOctal(fields[dash + 2])});
    }
    return table;
}

MountTable MountTable::load(const QString &mountInfoPath)
{
    QFile file(mountInfoPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return fromMountInfo(file.readAll());
}

std::optional<QString> MountTable::uncNameOf(const QString &absolutePath) const
{
    // The deepest mount point wins; later lines shadow earlier ones at the same point.
    const Mount *best = nullptr;
    for (const Mount &mount : m_mounts) {
        const QString &point = mount.mountPoint;
        const bool covers = absolutePath == point || point == QLatin1String("/") ||
                            absolutePath.startsWith(point + QLatin1Char('/'));
        if (covers && (!best || point.size() >= best->mountPoint.size()))
            best = &mount;
    }
    if (!best || !isNetworkFileSystem(best->fsType))
        return std::nullopt;
    std::optional<QString> unc = uncFromSource(best->fsType, best->source);
    if (!unc)
        return std::nullopt;
    QString below =
        absolutePath.mid(best->mountPoint == QLatin1String("/") ? 0 : best->mountPoint.size());
    below.replace(QLatin1Char('/'), QLatin1Char('\\'));
    if (below == QLatin1String("\\"))
        below.clear();
    return *unc + below;
}
