#pragma once

#include "Timer.h"

#include <QHash>
#include <algorithm>
#include <limits>

// A clock a test moves by hand: advance() lets that much time pass and fires every tick
// that falls due meanwhile, in order.
class ManualClock : public TimerClock {
public:
    void start(TTimer *timer, int milliseconds) override
    {
        m_due[timer] = {m_now + milliseconds, milliseconds};
    }
    void stop(TTimer *timer) override { m_due.remove(timer); }
    int remaining(const TTimer *timer) const override
    {
        const auto found = m_due.constFind(const_cast<TTimer *>(timer));
        return found == m_due.constEnd() ? -1 : int(found->at - m_now);
    }
    qint64 now() const override { return m_now; }

    void advance(qint64 milliseconds)
    {
        const qint64 end = m_now + milliseconds;
        for (;;) {
            TTimer *next = nullptr;
            qint64 at = std::numeric_limits<qint64>::max();
            for (auto it = m_due.cbegin(); it != m_due.cend(); ++it)
                if (it->at <= end && it->at < at) {
                    at = it->at;
                    next = it.key();
                }
            if (!next)
                break;
            m_now = at;
            m_due[next].at += m_due[next].period;
            next->expire();
        }
        m_now = end;
    }

private:
    struct Countdown {
        qint64 at;
        int period;
    };
    qint64 m_now = 0;
    QHash<TTimer *, Countdown> m_due;
};
