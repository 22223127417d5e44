#pragma once

#include <QString>
#include <QTemporaryDir>

// A Wine prefix of a test's own: dosdevices links as Wine writes them.
class TempPrefix {
public:
    TempPrefix();

    QString path() const { return m_dir.path(); }
    // dosdevices/<letter>: -> target (a link text, relative or absolute)
    void link(QChar letter, const QString &target) const;
    // A directory below the prefix, created with its parents; gives its absolute path.
    QString makeDir(const QString &relative) const;

private:
    QTemporaryDir m_dir;
};
