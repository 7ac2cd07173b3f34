#pragma once

#include <QStringList>

// The program's entry point: hands over to a running instance, or prepares logging, settings
// and the interface language and runs the main window until it closes.
int RunNorvane(int argc, char* argv[]);

// Identifies the program to the single-instance channel; every copy uses the same id.
QString NorvaneApplicationId();
// True when "/exit" (exact, as a whole argument, the program path included) is among args.
bool HasExitSwitch(const QStringList& args);
