#include "support/systemclock.h"

#include "support/systemtimer.h"

QDateTime SystemClock::Now() const
{
    return QDateTime::currentDateTime();
}

Timer* SystemClock::CreateTimer(QObject* parent)
{
    return new SystemTimer(parent);
}
