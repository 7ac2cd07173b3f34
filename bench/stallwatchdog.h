#pragma once

#include <QObject>

#include <atomic>
#include <chrono>
#include <thread>

/**
 * Measures how long the GUI thread goes without handling events: a thread of its own posts a
 * heartbeat to the GUI thread every 10 ms, and the delay with which each heartbeat is handled is
 * a stall. A blocked GUI thread shows as one late heartbeat as long as the block. Create it on
 * the GUI thread; it posts only between Start() and Stop().
 */
class StallWatchdog : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds Period {10};

    explicit StallWatchdog(QObject* parent = nullptr);
    ~StallWatchdog() override;

    void Start();
    void Stop();
    // The longest delay of a heartbeat since the last call, in milliseconds; starts over.
    double TakeLongestStallMs();

private:
    void Beat(std::chrono::steady_clock::time_point posted);

    std::thread m_thread;
    std::atomic<bool> m_running {false};
    double m_longestMs = 0;
};
