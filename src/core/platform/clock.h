#pragma once

#include <QDateTime>

class QObject;
class Timer;

/**
 * Where the workflow takes the time of day and its timers from. Start-up hands the system clock
 * down; tests hand a fake one and advance it, so a sixteen-second countdown takes no time.
 */
class Clock
{
public:
    virtual ~Clock() = default;

    virtual QDateTime Now() const = 0;
    // A stopped, repeating timer owned by parent.
    virtual Timer* CreateTimer(QObject* parent) = 0;
};
