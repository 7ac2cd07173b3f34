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

void AddProxyLines(const VPNSettings& settings, const QString& authFilePath, OpenVpnConfig& config)
{
    switch (settings.proxyType) {
    case VPNSettings::Autodetect:
        config.text += "auto-proxy \n";
        return;
    case VPNSettings::Socks:
        config.valid = config.valid && IsSafeToken(settings.proxyAddress) && IsSafeToken(settings.proxyPort);
        config.text
            += "socks-proxy " + settings.proxyAddress.toUtf8() + ' ' + settings.proxyPort.toUtf8() + '\n';
        return;
    case VPNSettings::Http:
    case VPNSettings::Https:
        config.valid = config.valid && IsSafeToken(settings.proxyAddress) && IsSafeToken(settings.proxyPort);
        config.text += "http-proxy " + settings.proxyAddress.toUtf8() + ' ' + settings.proxyPort.toUtf8();
        if (settings.proxyAuthEnabled && !settings.proxyUser.isEmpty()) {
            // OpenVPN reads user and password one per line: a line break in either would
            // shift them, so such values are refused.
            if (HasControlCharacter(settings.proxyUser) || HasControlCharacter(settings.proxyPassword))
                config.valid = false;
            else
                config.proxyCredentials
                    = settings.proxyUser.toUtf8() + '\n' + settings.proxyPassword.toUtf8() + '\n';
            config.text += ' ' + QuotedConfigPath(authFilePath) + " basic";
        }
        config.text += '\n';
        return;
    case VPNSettings::NoProxy:
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
    if (endpoint.protocol == QLatin1String("UDP")) {
        config.text += "proto udp\n";
        config.text += "keepalive 4 16\n";
        config.text += "tun-mtu 1460\n";
    } else {
        config.text += "proto tcp-client\n";
        AddProxyLines(settings, endpoint.proxyAuthFilePath, config);
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
