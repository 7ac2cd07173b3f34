#pragma once

#include <QStringList>

#include <memory>

// The program's entry point: hands over to a running instance, or prepares logging, settings
// and the interface language and runs the main window until it closes.
int RunNorvane(int argc, char* argv[]);

// Identifies the program to the single-instance channel; every copy uses the same id.
QString NorvaneApplicationId();
// True when "/exit" (exact, as a whole argument, the program path included) is among args.
bool HasExitSwitch(const QStringList& args);

class AutoUpdater;
class OpenVpnGeneric;
class VPNAppContext;
class VPNHelpDialog;
class VPNMainWindow;

// Where the account key is kept when no keyring answers.
QString AccountKeyFilePath(const VPNAppContext& context);
// The tunnel controller of this platform, with the deployment's OpenVPN, CA and point-to-point server.
std::unique_ptr<OpenVpnGeneric> CreateTunnel(VPNAppContext& context);
// The update check of the deployment's feed, keeping its last check time in the settings folder.
std::unique_ptr<AutoUpdater> CreateUpdater(VPNAppContext& context);
// The help menu with the support report of this platform.
std::unique_ptr<VPNHelpDialog> CreateHelpDialog(VPNAppContext& context);
// What keeps traffic from leaving beside the tunnel on this platform, given to the context's workflow
// (CreateWorkflow() has run): the watch on network changes and the kill switch.
void AddLeakProtection(VPNAppContext& context);
// The main window over the context's workflow (CreateWorkflow() has run), with its help menu.
std::unique_ptr<VPNMainWindow> CreateMainWindow(VPNAppContext& context);
