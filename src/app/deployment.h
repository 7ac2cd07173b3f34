#pragma once

#include <QString>

// The service's fixed values. Defaults live under the reserved norvane.example domain; each
// can be overridden from the environment so the simulator, the tests and staging can point
// the client elsewhere.
namespace Deployment {

// Key the client identifies itself with on every API call.
QString ApiKey();
// Host (optionally host:port) of the script API. NORVANE_API_HOST.
QString ApiHost();
// Host of the web site (sign-up, help and address-check pages). NORVANE_WEB_HOST.
QString WebHost();
// Address the support team answers e-mail at.
QString SupportEmail();
// Well-known public host whose name lookup opens the support report.
QString LookupHost();
// Address of the point-to-point server. NORVANE_PTP_SERVER.
QString PtpServer();
// Address of the appcast feed. NORVANE_UPDATE_URL.
QString UpdateUrl();
// Extra CA certificate trusted for the service's TLS, empty when none. NORVANE_CA_FILE.
QString ExtraCaFile();
// CA certificate OpenVPN verifies the VPN servers with. NORVANE_VPN_CA.
QString VpnCaFile();
// Account key given from outside (skips sign-in). NORVANE_ACCOUNT_KEY.
QString AccountKeyOverride();

} // namespace Deployment
