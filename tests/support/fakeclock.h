#pragma once

#include "platform/clock.h"
#include "platform/timer.h"

#include <QList>
#include <QPointer>

class FakeClock;

// A timer of the fake clock: it fires only when the test advances the clock past its due time.
class FakeTimer final : public Timer
{
    Q_OBJECT

public:
    FakeTimer(FakeClock& clock, QObject* parent);

    void Start(int milliseconds) override;
    void Stop() override { m_active = false; }
    bool IsActive() const override { return m_active; }
    void SetSingleShot(bool singleShot) override { m_singleShot = singleShot; }

private:
    friend class FakeClock;
    FakeClock& m_clock;
    bool m_active = false;
    bool m_singleShot = false;
    int m_interval = 0;
    qint64 m_due = 0;
};

// Time that moves only when the test says so; timers fire in due order as it passes.
class FakeClock final : public Clock
{
public:
    QDateTime Now() const override;
    Timer* CreateTimer(QObject* parent) override;

    qint64 ElapsedMs() const { return m_now; }
    // Moves time forward, firing every timer that falls due on the way, each at its due time.
    void Advance(qint64 milliseconds);

private:
    friend class FakeTimer;
    QDateTime m_start = QDateTime(QDate(2026, 1, 5), QTime(9, 30));
    qint64 m_now = 0;
    QList<QPointer<FakeTimer>> m_timers;
};
