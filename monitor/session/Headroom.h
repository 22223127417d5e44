#pragma once

#include <QStringList>
#include <optional>

class TDataSetBase;

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

// The headroom of a usage row in the data set's buffer window, read from its InUse,
// Configured and Rejected fields; enough when the row is outside the window.
Headroom headroomAt(const TDataSetBase &dataSet, int bufferIndex);
