#include "Fonts.h"

#include <QDir>
#include <QFontDatabase>

void ensureTahoma()
{
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"), Qt::CaseInsensitive))
        return;
    const QDir wineFonts(QStringLiteral("/usr/share/wine/fonts"));
    for (const QString &file : wineFonts.entryList({QStringLiteral("tahoma*.ttf")}, QDir::Files))
        QFontDatabase::addApplicationFont(wineFonts.filePath(file));
}
