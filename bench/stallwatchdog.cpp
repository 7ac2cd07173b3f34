#include "stallwatchdog.h"

#include <QMetaObject>

#include <algorithm>

StallWatchdog::StallWatchdog(QObject* parent)
    : QObject(parent)
{ }

StallWatchdog::~StallWatchdog()
{
    Stop();
}

void StallWatchdog::Start()
{
    if (m_running.exchange(true))
        return;
    m_thread = std::thread([this] {
        while (m_running) {
            const auto posted = std::chrono::steady_clock::now();
            QMetaObject::invokeMethod(
                this, [this, posted] { Beat(posted); }, Qt::QueuedConnection);
            std::this_thread::sleep_for(Period);
        }
    });
}

void StallWatchdog::Stop()
{
    if (!m_running.exchange(false))
        return;
    m_thread.join();
}

double StallWatchdog::TakeLongestStallMs()
{
    return std::exchange(m_longestMs, 0);
}

void StallWatchdog::Beat(std::chrono::steady_clock::time_point posted)
{
    const std::chrono::duration<double, std::milli> delay = std::chrono::steady_clock::now() - posted;
    m_longestMs = std::max(m_longestMs, delay.count());
}
