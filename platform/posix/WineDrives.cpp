#include "WineDrives.h"

#include <QStringList>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

WineDrives::WineDrives(QString prefix, QString mountInfoPath)
    : m_prefix(std::move(prefix)), m_mountInfoPath(std::move(mountInfoPath))
{
}

WineDrives::Drive WineDrives::drive(QChar letter) const
{
    const QChar lower = letter.toLower();
    if (lower < QLatin1Char('a') || lower > QLatin1Char('z'))
        return {};
    const fs::path devices = fs::path(m_prefix.toStdString()) / "dosdevices";
    const fs::path link = devices / (QString(lower).toStdString() + ":");

    // Only the link itself is looked at, never what it points to, until the mount table says
    // that is no network mount: a server that does not answer would hold the caller up (as
    // Windows decides a drive's type without asking its server).
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(link, ec);
    if (ec || !fs::exists(status))
        return {};
    fs::path target = link;
    if (fs::is_symlink(status)) {
        const fs::path text = fs::read_symlink(link, ec);
        if (ec)
            return {};
        const QString linkText = QString::fromStdString(text.generic_string());
        if (linkText.startsWith(QLatin1String("unc/"))) {
            const QStringList parts = linkText.mid(4).split(QLatin1Char('/'), Qt::SkipEmptyParts);
            if (parts.size() < 2)
                return {};
            return {DRIVE_REMOTE, QLatin1String("\\\\") + parts.join(QLatin1Char('\\'))};
        }
        target = (text.is_absolute() ? text : devices / text).lexically_normal();
    }
    const MountTable mounts = MountTable::load(m_mountInfoPath);
    if (auto unc = mounts.uncNameOf(QString::fromStdString(target.generic_string())))
        return {DRIVE_REMOTE, *unc};
    if (!fs::is_directory(target, ec))
        return {};
    return {DRIVE_FIXED, {}};
}
