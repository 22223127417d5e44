#include "Timer.h"

#include "FailureDisplay.h"

TTimer::TTimer(QObject *owner) : QObject(owner)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (m_onTimer)
            FailureDisplay::guard(m_onTimer);
    });
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

void TTimer::restart()
{
    m_timer.stop();
    if (m_enabled && m_interval > 0 && m_onTimer)
        m_timer.start(m_interval);
}
