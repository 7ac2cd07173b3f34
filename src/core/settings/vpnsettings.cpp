#include "settings/vpnsettings.h"

void VPNSettings::SetProxy(ProxyType type, const QString& address, const QString& port)
{
    proxyType = type;
    proxyAddress = address;
    proxyPort = port;
}

void VPNSettings::SetProxyAuthentication(bool enabled, const QString& user, const QString& password)
{
    proxyAuthEnabled = enabled;
    proxyUser = user;
    proxyPassword = password;
}

QString VPNSettings::ProxyTypeToString(ProxyType type)
{
    switch (type) {
    case Http:
        return QStringLiteral("HTTP");
    case Https:
        return QStringLiteral("HTTPS");
    case Socks:
        return QStringLiteral("SOCKS");
    case Autodetect:
        return QStringLiteral("Autodetect");
    case NoProxy:
        break;
    }
    return QStringLiteral("No Proxy");
}

VPNSettings::ProxyType VPNSettings::ProxyTypeFromString(const QString& text)
{
    const QString upper = text.toUpper();
    if (upper == QLatin1String("HTTP"))
        return Http;
    if (upper == QLatin1String("HTTPS"))
        return Https;
    if (upper == QLatin1String("SOCKS"))
        return Socks;
    if (upper == QLatin1String("AUTODETECT"))
        return Autodetect;
    return NoProxy;
}

bool VPNSettings::operator==(const VPNSettings& o) const
{
    return tcpServersEnabled == o.tcpServersEnabled && tcpPort == o.tcpPort
        && pointToPointEnabled == o.pointToPointEnabled && proxyType == o.proxyType
        && proxyAddress == o.proxyAddress && proxyPort == o.proxyPort
        && proxyAuthEnabled == o.proxyAuthEnabled && proxyUser == o.proxyUser
        && proxyPassword == o.proxyPassword && serversOnMainScreen == o.serversOnMainScreen
        && lastUsedServer == o.lastUsedServer && favoriteServer == o.favoriteServer
        && forcedIpChangeEnabled == o.forcedIpChangeEnabled && autoIpChangeMinutes == o.autoIpChangeMinutes
        && autoConnect == o.autoConnect && autoLaunch == o.autoLaunch && fastestServer == o.fastestServer
        && tcpOnStartup == o.tcpOnStartup && smtpEnabled == o.smtpEnabled && smtpAddress == o.smtpAddress
        && blockTrafficWhenDown == o.blockTrafficWhenDown && currentServerIndex == o.currentServerIndex;
}
