#pragma once

#include <QString>
#include <QStringList>

// The lines that turn before into after, as a unified diff ("--- fromName", "+++ toName",
// hunks with three lines of context); empty when both are the same. The difference is the
// shortest one up to a few thousand changed lines; beyond that, the changed stretch is
// given as removed and added whole. A name with a line break or another control character
// is written in double quotes with C escapes, so that each header stays one line.
QStringList UnifiedDiff(const QStringList &before, const QStringList &after,
                        const QString &fromName, const QString &toName);

// A name as a header line can hold it: as it is, or, where it holds a line break or another
// control character, in double quotes with C escapes, as diff tools write such names.
QString DiffName(const QString &name);
