#include "WineDrives.h"

#include <QStringList>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

WineDrives::WineDrives(QString prefix, MountTable mounts)
    : m_prefix(std::move(prefix)), m_mounts(std::move(mounts))
{
}

WineDrives::Drive WineDrives::drive(QChar letter) const
{
    const QChar lower = letter.toLower();
    if (lower < QLatin1Char('a') || lower > QLatin1Char('z'))
        return {};
    const fs::path devices = fs::path(m_prefix.toStdString()) / "dosdevices";
    const fs::path link = devices / (QString(lower).toStdString() + ":");

    std::error_code ec;
    const fs::file_status status = fs::symlink_status(link, ec);
    if (ec || !fs::exists(status))
        return {};

    if (fs::is_symlink(status)) {
        const QString text = QString::fromStdString(fs::read_symlink(link, ec).generic_string());
        if (ec)
            return {};
        if (text.startsWith(QLatin1String("unc/"))) {
            const QStringList parts = text.mid(4).split(QLatin1Char('/'), Qt::SkipEmptyParts);
            if (parts.size() < 2)
                return {};
            return {DRIVE_REMOTE, QLatin1String("\\\\") + parts.join(QLatin1Char('\\'))};
        }
    }

    const fs::path target = fs::canonical(link, ec);
    if (ec || !fs::is_directory(target, ec))
        return {};
    if (auto unc = m_mounts.uncNameOf(QString::fromStdString(target.string())))
        return {DRIVE_REMOTE, *unc};
    return {DRIVE_FIXED, {}};
}
