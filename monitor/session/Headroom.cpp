#include "Headroom.h"

#include "DataSet.h"
#include "MonitorNames.h"

#include <QCoreApplication>
#include <QLocale>
#include <cmath>
#include <limits>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Headroom)
};

} // namespace

namespace {

// The whole percent, rounded down, so that a row shown as 90 % is one that is marked.
qint64 percentOf(qint64 part, qint64 whole)
{
    const long double percent = std::floor(static_cast<long double>(part) * 100 / whole);
    return percent >= static_cast<long double>(std::numeric_limits<qint64>::max())
               ? std::numeric_limits<qint64>::max()
               : static_cast<qint64>(percent);
}

} // namespace

Headroom headroomOf(std::optional<qint64> inUse, std::optional<qint64> configured,
                    std::optional<qint64> rejected)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    Headroom headroom;
    if (inUse && configured && *inUse >= 0 && *configured > 0) {
        // 90 % of the configured count, rounded up, without a product that could overflow.
        const bool full = *inUse >= *configured;
        if (full || *inUse >= *configured - *configured / 10) {
            headroom.level = full ? Headroom::Level::Full : Headroom::Level::Near;
            headroom.reasons.append(Texts::tr("Zu %1 % ausgelastet")
                                        .arg(german.toString(percentOf(*inUse, *configured))));
        }
    }
    if (rejected && *rejected > 0) {
        headroom.level = Headroom::Level::Full;
        headroom.reasons.append(
            Texts::tr("Seit dem Serverstart %1 abgewiesen").arg(german.toString(*rejected)));
    }
    return headroom;
}

namespace {

std::optional<qint64> countAt(const TDataSetBase &dataSet, int bufferIndex, const QString &name)
{
    const TField *field = dataSet.FindField(name);
    if (!field)
        return std::nullopt;
    const TFieldValue value = dataSet.GetFieldValue(*field, dataSet.RecordBuffer(bufferIndex));
    bool ok = false;
    const qint64 count = value.isNull ? 0 : value.value.toLongLong(&ok);
    return ok ? std::optional(count) : std::nullopt;
}

} // namespace

Headroom headroomAt(const TDataSetBase &dataSet, int bufferIndex)
{
    if (bufferIndex < 0 || bufferIndex >= dataSet.WindowRecordCount())
        return {};
    return headroomOf(countAt(dataSet, bufferIndex, MonitorNames::InUse),
                      countAt(dataSet, bufferIndex, MonitorNames::Configured),
                      countAt(dataSet, bufferIndex, MonitorNames::Rejected));
}
