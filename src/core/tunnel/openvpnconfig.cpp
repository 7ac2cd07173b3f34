#include "tunnel/openvpnconfig.h"

#include "settings/vpnsettings.h"

namespace {

// A value written into the configuration as one token: whitespace, quotes, backslashes,
// comment starts and control characters would let a setting add or change OpenVPN options.
bool IsSafeToken(const QString& value)
{
    for (const QChar c : value) {
        if (c.isSpace() || c.category() == QChar::Other_Control || c == QLatin1Char('"')
            || c == QLatin1Char('\'') || c == QLatin1Char('\\') || c == QLatin1Char('#')
            || c == QLatin1Char(';'))
            return false;
    }
    return true;
}

bool HasControlCharacter(const QString& value)
{
    for (const QChar c : value) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// A path as one double-quoted OpenVPN configuration argument.
QByteArray QuotedConfigPath(const QString& path)
{
    QByteArray quoted = "\"";
    for (const char c : path.toUtf8()) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// The proxy a configuration names, from the settings or, for "Autodetect", from the desktop.
struct ProxyLine
{
    VPNSettings::ProxyType type = VPNSettings::NoProxy;
    QString address;
    QString port;
    // Empty when the proxy takes no credentials.
    QString user;
    QString password;
};

ProxyLine ChosenProxy(const VPNSettings& settings, const QNetworkProxy& desktopProxy)
{
    if (settings.proxyType != VPNSettings::Autodetect) {
        const bool auth = settings.proxyAuthEnabled;
        return {settings.proxyType, settings.proxyAddress, settings.proxyPort,
                auth ? settings.proxyUser : QString(), auth ? settings.proxyPassword : QString()};
    }
    switch (desktopProxy.type()) {
    case QNetworkProxy::HttpProxy:
        return {VPNSettings::Http, desktopProxy.hostName(), QString::number(desktopProxy.port()),
                desktopProxy.user(), desktopProxy.password()};
    case QNetworkProxy::Socks5Proxy:
        return {VPNSettings::Socks, desktopProxy.hostName(), QString::number(desktopProxy.port()), {}, {}};
    default:
        return {};
    }
}

void AddProxyLines(const ProxyLine& proxy, const QString& authFilePath, OpenVpnConfig& config)
{
    if (proxy.type == VPNSettings::Socks || proxy.type == VPNSettings::Http
        || proxy.type == VPNSettings::Https) {
        config.firstHopAddress = proxy.address;
        config.firstHopPort = proxy.port.toInt();
    }
    switch (proxy.type) {
    case VPNSettings::Socks:
        config.valid = config.valid && IsSafeToken(proxy.address) && IsSafeToken(proxy.port);
        config.text += "socks-proxy " + proxy.address.toUtf8() + ' ' + proxy.port.toUtf8() + '\n';
        return;
    case VPNSettings::Http:
    case VPNSettings::Https:
        config.valid = config.valid && IsSafeToken(proxy.address) && IsSafeToken(proxy.port);
        config.text += "http-proxy " + proxy.address.toUtf8() + ' ' + proxy.port.toUtf8();
        if (!proxy.user.isEmpty()) {
            // OpenVPN reads user and password one per line: a line break in either would
            // shift them, so such values are refused.
            if (HasControlCharacter(proxy.user) || HasControlCharacter(proxy.password))
                config.valid = false;
            else
                config.proxyCredentials = proxy.user.toUtf8() + '\n' + proxy.password.toUtf8() + '\n';
            config.text += ' ' + QuotedConfigPath(authFilePath) + " basic";
        }
        config.text += '\n';
        return;
    case VPNSettings::NoProxy:
    case VPNSettings::Autodetect:
        return;
    }
}

} // namespace

OpenVpnConfig OpenVpnConfig::Build(const VPNSettings& settings, const Endpoint& endpoint)
{
    OpenVpnConfig config;
    config.valid = IsSafeToken(endpoint.address) && !endpoint.address.isEmpty();
    config.text = "client\n";
    if (endpoint.managementPort) {
        config.text += "management 127.0.0.1 " + QByteArray::number(*endpoint.managementPort) + '\n';
        config.text += "management-query-passwords\n";
        config.text += "management-hold\n";
    }
    config.text += "remote " + endpoint.address.toUtf8() + ' ' + QByteArray::number(endpoint.port) + '\n';
    config.firstHopAddress = endpoint.address;
    config.firstHopPort = endpoint.port;
    if (endpoint.protocol == QLatin1String("UDP")) {
        config.text += "proto udp\n";
        config.text += "keepalive 4 16\n";
        config.text += "tun-mtu 1460\n";
    } else {
        config.text += "proto tcp-client\n";
        AddProxyLines(ChosenProxy(settings, endpoint.desktopProxy), endpoint.proxyAuthFilePath, config);
    }
    if (endpoint.routeMethodExe)
        config.text += "route-method exe\n";
    config.text += "dev tun\n"
                   "ca tarnwick.crt\n"
                   "auth-user-pass\n"
                   "comp-lzo\n"
                   "cipher AES-256-CBC\n"
                   "redirect-gateway def1\n"
                   "nobind\n"
                   "verb 4\n";
    return config;
}

QByteArray OpenVpnConfig::MailRouteLines(const QList<QHostAddress>& addresses)
{
    QByteArray lines;
    for (const QHostAddress& address : addresses) {
        // The route line takes an IPv4 address and mask; an IPv6 address there would make
        // OpenVPN refuse the whole configuration.
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        lines += "route " + address.toString().toLatin1() + " 255.255.255.255 net_gateway\n";
    }
    return lines;
}
