#pragma once

#include "platform/timer.h"

#include <QTimer>

// A Timer that is a QTimer, for the system clock.
class SystemTimer final : public Timer
{
    Q_OBJECT

public:
    explicit SystemTimer(QObject* parent = nullptr);

    void Start(int milliseconds) override { m_timer.start(milliseconds); }
    void Stop() override { m_timer.stop(); }
    bool IsActive() const override { return m_timer.isActive(); }
    void SetSingleShot(bool singleShot) override { m_timer.setSingleShot(singleShot); }

private:
    QTimer m_timer;
};
