#pragma once

#include <QString>
#include <QStringList>

// The lines that turn before into after, as a unified diff ("--- fromName", "+++ toName",
// hunks with three lines of context); empty when both are the same. The difference is the
// shortest one up to a few thousand changed lines; beyond that, the changed stretch is
// given as removed and added whole.
QStringList UnifiedDiff(const QStringList &before, const QStringList &after,
                        const QString &fromName, const QString &toName);
