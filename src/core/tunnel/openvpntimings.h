#pragma once

// The designed waits of the tunnel controller, kept in one place. Tests shorten them; the
// product always runs with these defaults.
struct OpenVpnTimings
{
    int serviceCheckIntervalMs = 1000;
    int serviceCheckLimit = 30;
    int managementConnectDelayMs = 1000;
    int failureSignalDelayMs = 2000;
    int disconnectWaitMs = 15000;
    int changeIpConnectTimeoutMs = 30000;
    // From CONNECT to OpenVPN's CONNECTED: an attempt still under way then is ended and
    // reported. Longer than OpenVPN's own 60 s TLS handshake window, whose failure it reports.
    int connectAttemptLimitMs = 90000;
};
