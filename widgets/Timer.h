#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class TTimer;

// What a timer counts on. Timers use Qt's own clock unless one is set; tests set a clock
// they move by hand, so that ticks come exactly when a test says.
class TimerClock {
public:
    virtual ~TimerClock() = default;
    // Starts the timer's countdown afresh; when it runs out, the clock calls
    // TTimer::expire() and counts the period again.
    virtual void start(TTimer *timer, int milliseconds) = 0;
    virtual void stop(TTimer *timer) = 0;
    // Milliseconds until the timer's next tick, -1 when it is not counting.
    virtual int remaining(const TTimer *timer) const = 0;
    // The time in milliseconds from a fixed point of the clock's own; it never goes back.
    virtual qint64 now() const = 0;
};

// A GUI timer component: setting the enabled state or the interval to the value it
// already has does nothing; every change stops the countdown and, while enabled with a
// nonzero interval and a handler, starts a new one.
class TTimer : public QObject {
    Q_OBJECT
public:
    explicit TTimer(QObject *owner = nullptr);
    ~TTimer() override;

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int Interval() const { return m_interval; }
    void setInterval(int interval);
    void setOnTimer(std::function<void()> handler);

    // Counting on another clock from now on (null: Qt's).
    void setClock(TimerClock *clock);
    // Milliseconds until the next tick, -1 when none is due.
    int remainingTime() const;
    bool isCounting() const { return remainingTime() >= 0; }
    // The time on the clock the timer counts on (TimerClock::now()), so that whoever owns the
    // timer times its own work by the same clock.
    qint64 now() const;

    // The countdown ran out: runs the handler, whose failures the failure display shows.
    void expire();

private:
    void restart();

    QTimer m_timer;
    TimerClock *m_clock = nullptr;
    bool m_enabled = true;
    int m_interval = 1000;
    std::function<void()> m_onTimer;
};
