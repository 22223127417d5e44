#include "Timer.h"

#include "FailureDisplay.h"

#include <chrono>

TTimer::TTimer(QObject *owner) : QObject(owner)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TTimer::expire);
}

TTimer::~TTimer()
{
    if (m_clock)
        m_clock->stop(this);
}

void TTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    restart();
}

void TTimer::setInterval(int interval)
{
    if (interval == m_interval)
        return;
    m_interval = interval;
    restart();
}

void TTimer::setOnTimer(std::function<void()> handler)
{
    m_onTimer = std::move(handler);
    restart();
}

void TTimer::setClock(TimerClock *clock)
{
    m_timer.stop();
    if (m_clock)
        m_clock->stop(this);
    m_clock = clock;
    restart();
}

int TTimer::remainingTime() const
{
    if (m_clock)
        return m_clock->remaining(this);
    return m_timer.isActive() ? m_timer.remainingTime() : -1;
}

qint64 TTimer::now() const
{
    if (m_clock)
        return m_clock->now();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void TTimer::expire()
{
    if (m_onTimer)
        FailureDisplay::guard(m_onTimer);
}

void TTimer::restart()
{
    const bool counting = m_enabled && m_interval > 0 && m_onTimer;
    if (m_clock) {
        m_clock->stop(this);
        if (counting)
            m_clock->start(this, m_interval);
        return;
    }
    m_timer.stop();
    if (counting)
        m_timer.start(m_interval);
}
