#pragma once

#include <QWidget>

class UsageHistory;

// The usage history as small charts side by side, one line each: the connected users first,
// then every resource's in-use count, each on its own scale from 0 (or its lowest value) to
// its highest, over the same time span.
class HistoryChart : public QWidget {
    Q_OBJECT
public:
    // The history is not owned and outlives the chart.
    explicit HistoryChart(const UsageHistory &history, QWidget *parent = nullptr);

    // The colour of the chart at that place: the users' chart is 0.
    static QColor lineColour(int chart);
    static QString emptyText();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    const UsageHistory &m_history;
};
