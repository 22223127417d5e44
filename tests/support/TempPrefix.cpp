#include "TempPrefix.h"

#include <QDir>
#include <filesystem>

TempPrefix::TempPrefix()
{
    QDir(m_dir.path()).mkpath(QStringLiteral("dosdevices"));
}

void TempPrefix::link(QChar letter, const QString &target) const
{
    const std::filesystem::path linkPath = std::filesystem::path(m_dir.path().toStdString()) /
                                           "dosdevices" /
                                           (QString(letter.toLower()).toStdString() + ":");
    std::filesystem::create_symlink(target.toStdString(), linkPath);
}

QString TempPrefix::makeDir(const QString &relative) const
{
    QDir(m_dir.path()).mkpath(relative);
    return QDir(m_dir.path()).filePath(relative);
}
