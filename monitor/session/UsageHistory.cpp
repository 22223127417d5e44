#include "UsageHistory.h"

#include <algorithm>

void UsageHistory::add(qint64 nowMs, const QList<InUse> &inUse, std::optional<qint64> users)
{
    m_lastMs = nowMs;
    const qint64 oldest = nowMs - KeptMs;
    dropBefore(m_users, oldest);
    for (Series &series : m_resources)
        dropBefore(series, oldest);
    m_resources.removeIf([](const Series &series) { return series.points.empty(); });

    if (users)
        append(m_users, nowMs, *users);
    for (const InUse &value : inUse) {
        auto series = std::find_if(m_resources.begin(), m_resources.end(),
                                   [&](const Series &s) { return s.name == value.resource; });
        if (series == m_resources.end()) {
            if (m_resources.size() >= MaxResources)
                continue;
            m_resources.append({value.resource, {}});
            series = m_resources.end() - 1;
        }
        append(*series, nowMs, value.count);
    }
}

void UsageHistory::clear()
{
    m_resources.clear();
    m_users.points.clear();
    m_lastMs = 0;
}

qint64 UsageHistory::firstMs() const
{
    qint64 first = m_users.points.empty() ? m_lastMs : m_users.points.front().atMs;
    for (const Series &series : m_resources)
        if (!series.points.empty())
            first = std::min(first, series.points.front().atMs);
    return first;
}

void UsageHistory::append(Series &series, qint64 atMs, qint64 value)
{
    series.points.push_back({atMs, value});
    if (series.points.size() > std::size_t(MaxPoints))
        series.points.pop_front();
}

void UsageHistory::dropBefore(Series &series, qint64 atMs)
{
    while (!series.points.empty() && series.points.front().atMs < atMs)
        series.points.pop_front();
}
