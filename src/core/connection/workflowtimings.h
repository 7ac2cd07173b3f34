#pragma once

/**
 * The connection workflow's designed waits, in one place. Tests that would otherwise wait for
 * seconds shorten them or advance a fake clock; the program always runs with these defaults.
 */
struct WorkflowTimings
{
    // From showing the main view to pressing CONNECT when the user asked for auto-connect.
    int autoConnectDelayMs = 500;
    // From the point-to-point connection being settled to asking for the local address.
    int localIpAfterPtpDelayMs = 1000;
    // The IP manager's pause before it asks a second time.
    int ipRetryDelayMs = 1000;
    // Tick of the time-connected display.
    int timeConnectedIntervalMs = 1000;
    // Tick of the countdown before the next connection may start.
    int reconnectCountdownIntervalMs = 1000;
    // From a drop to naming its reason (the tunnel controller's flags have settled by then).
    int disconnectReasonDelayMs = 100;
    // From a change-IP message (sent or not) to asking for the new address.
    int changeIpCheckDelayMs = 3000;
    // One minute of the automatic IP change setting.
    int autoIpChangeMinuteMs = 60000;
    // Longest wait for the point-to-point connection to come up or fail.
    int ptpSettleLimitMs = 60000;
    // Longest wait for the tunnel to report its end after a disconnect; the tunnel controller
    // gives OpenVPN 15 s, so this only ends a wait that nothing would end otherwise.
    int disconnectLimitMs = 20000;
};
