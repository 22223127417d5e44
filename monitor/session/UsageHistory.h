#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <deque>
#include <optional>

// How the usage counters and the number of connected users moved: one sample per refresh
// (the refreshes that run anyway), the last hour at most, by the clock the refresh timer
// counts on.
class UsageHistory {
public:
    static constexpr qint64 KeptMs = 60 * 60 * 1000;
    // More resources than this are not followed: a chart of more lines reads as none.
    static constexpr int MaxResources = 16;
    // Per line: one sample a second for the hour, whatever the refreshes come at.
    static constexpr int MaxPoints = 3600;
    // The connected users' line, by its name in the chart.
    static QString usersName()
    {
        return QCoreApplication::translate("UsageHistory", "Verbundene Benutzer");
    }

    struct Point {
        qint64 atMs;
        qint64 value;
    };
    struct Series {
        QString name;
        std::deque<Point> points;
    };
    struct InUse {
        QString resource;
        qint64 count;
    };

    // A refresh's values at the clock's time nowMs; a resource not seen before starts a line
    // while there are fewer than MaxResources. Samples older than an hour are dropped, and
    // lines left without any.
    void add(qint64 nowMs, const QList<InUse> &inUse, std::optional<qint64> users);
    void clear();

    bool isEmpty() const { return m_users.points.empty() && m_resources.isEmpty(); }
    const QList<Series> &resources() const { return m_resources; }
    const Series &users() const { return m_users; }
    // The time span of the samples kept; both 0 when there are none.
    qint64 firstMs() const;
    qint64 lastMs() const { return m_lastMs; }

private:
    static void append(Series &series, qint64 atMs, qint64 value);
    static void dropBefore(Series &series, qint64 atMs);

    QList<Series> m_resources;
    Series m_users{usersName(), {}};
    qint64 m_lastMs = 0;
};
