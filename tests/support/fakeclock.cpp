#include "fakeclock.h"

FakeTimer::FakeTimer(FakeClock& clock, QObject* parent)
    : Timer(parent)
    , m_clock(clock)
{ }

void FakeTimer::Start(int milliseconds)
{
    m_interval = qMax(milliseconds, 0);
    m_due = m_clock.m_now + m_interval;
    m_active = true;
}

QDateTime FakeClock::Now() const
{
    return m_start.addMSecs(m_now);
}

Timer* FakeClock::CreateTimer(QObject* parent)
{
    auto* timer = new FakeTimer(*this, parent);
    m_timers.append(timer);
    return timer;
}

void FakeClock::Advance(qint64 milliseconds)
{
    const qint64 end = m_now + milliseconds;
    for (;;) {
        FakeTimer* next = nullptr;
        for (const QPointer<FakeTimer>& timer : std::as_const(m_timers)) {
            if (timer && timer->m_active && timer->m_due <= end && (!next || timer->m_due < next->m_due))
                next = timer;
        }
        if (!next)
            break;
        m_now = next->m_due;
        if (next->m_singleShot)
            next->m_active = false;
        else
            next->m_due += qMax(next->m_interval, 1);
        emit next->Expired();
    }
    m_now = end;
}
