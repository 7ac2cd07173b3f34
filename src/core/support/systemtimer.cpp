#include "support/systemtimer.h"

SystemTimer::SystemTimer(QObject* parent)
    : Timer(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &Timer::Expired);
}
