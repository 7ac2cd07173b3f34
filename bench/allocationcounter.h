#pragma once

#include <cstddef>

/**
 * Counts the heap bytes a stretch of code holds at its peak, by standing in for malloc and its
 * kin in the benchmark program (every library's allocations go through them). Only the program
 * that links allocationcounter.cpp is counted; nothing else changes.
 */
class AllocationCounter
{
public:
    // Starts counting from zero at the current state of the heap.
    static void Start();
    // Stops counting; returns the highest number of bytes held above the start since Start().
    static std::size_t Stop();
};
