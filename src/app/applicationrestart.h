#pragma once

// Restarting the program: a new detached copy is started while this one still holds the
// single-instance lock, so the copy carries a marker telling it to wait for the old instance
// to end instead of merely activating it.
class ApplicationRestart
{
public:
    static constexpr char MarkerVariable[] = "NORVANE_RESTARTED";
    // How long a restarted copy waits for the old instance to end.
    static constexpr int WaitForOldInstanceMs = 10000;

    // Starts a detached copy of this executable (no arguments, working directory = the
    // executable's directory). The caller then closes its own window.
    static bool StartNewCopy();
    // True when this process was started by a restart. Read once and cleared, so programs this
    // instance starts do not inherit it.
    static bool TakeMarker();
};
