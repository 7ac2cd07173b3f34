#pragma once

#include <QStringList>

// The program's entry point: hands over to a running instance, or prepares logging, settings
// and the interface language and runs the main window until it closes.
int RunNorvane(int argc, char* argv[]);

// Identifies the program to the single-instance channel; every copy uses the same id.
QString NorvaneApplicationId();
// True when "/exit" (exact, as a whole argument, the program path included) is among args.
bool HasExitSwitch(const QStringList& args);

// Environment variable that marks a copy started by a restart: it waits for the old instance
// to let go instead of merely activating it.
inline constexpr char kRestartMarker[] = "NORVANE_RESTARTED";
// How long a restarted copy waits for the old instance to end.
inline constexpr int kRestartWaitMs = 10000;
// Starts a detached restarted copy of this executable (no arguments, working directory = the
// executable's directory). The caller then closes its own window.
bool StartRestartedCopy();
