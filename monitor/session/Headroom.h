#pragma once

#include "GridMarks.h"

#include <QStringList>
#include <optional>

// How close a resource of the usage counters is to its limit: near from 90 % of its
// configured count in use, full from 100 % or once the server turned one away since it
// started. The reasons are the tooltip's lines.
struct Headroom {
    enum class Level { Enough, Near, Full };
    Level level = Level::Enough;
    QStringList reasons;

    bool operator==(const Headroom &) const = default;
};

// A value the row lacks, or that is null, is no reason; nor is a configured count of 0 or
// below, nor a negative count.
Headroom headroomOf(std::optional<qint64> inUse, std::optional<qint64> configured,
                    std::optional<qint64> rejected);

// The usage grid's rows marked by their headroom: the whole row orange when near, red when
// full, read from the fields InUse, Configured and Rejected.
class HeadroomMarks : public GridMarks {
public:
    static const QColor NearColour;
    static const QColor FullColour;

    QList<GridMark> rowMarks(const TDataSetBase &dataSet, int bufferIndex,
                             const QList<const TField *> &fields) const override;
    QString toolTip(const TDataSetBase &dataSet, int bufferIndex,
                    const TField &field) const override;
};
