#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

// A GUI timer component: setting the enabled state or the interval to the value it
// already has does nothing; every change stops the countdown and, while enabled with a
// nonzero interval and a handler, starts a new one.
class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject *owner = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int Interval() const { return m_interval; }
    void setInterval(int interval);
    void setOnTimer(std::function<void()> handler);

    // Milliseconds until the next tick, -1 when none is due.
    int remainingTime() const { return m_timer.isActive() ? m_timer.remainingTime() : -1; }
    bool isCounting() const { return m_timer.isActive(); }

private:
    void restart();

    QTimer m_timer;
    bool m_enabled = true;
    int m_interval = 1000;
    std::function<void()> m_onTimer;
};
