#pragma once

#include <QtGlobal>

/**
 * What this process has cost so far, read from /proc: CPU time of all its threads, context
 * switches of all its threads (each is a wake-up or a preemption), and resident memory.
 * Two readings apart give the cost of the time between them.
 */
struct ProcessCost
{
    double cpuSeconds = 0;
    qint64 contextSwitches = 0;
    qint64 residentKiB = 0;

    static ProcessCost ReadSelf();
};
