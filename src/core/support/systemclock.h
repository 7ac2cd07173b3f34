#pragma once

#include "platform/clock.h"

// The real time of day, and timers that are QTimers.
class SystemClock final : public Clock
{
public:
    QDateTime Now() const override;
    Timer* CreateTimer(QObject* parent) override;
};
