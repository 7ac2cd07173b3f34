#include "tunnelconfigcheck.h"

#include <QList>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

// Digits only: toInt() alone also takes signs and surrounding white space (tabs, vertical tabs).
bool IsDigits(const QByteArray& value)
{
    return !value.isEmpty()
        && std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsPort(const QByteArray& value)
{
    const int port = value.toInt();
    return IsDigits(value) && value.size() <= 5 && port >= 1 && port <= 65535 && !value.startsWith('0');
}

// Four dotted decimal octets, the form the client writes.
bool IsIpv4(const QByteArray& value)
{
    const QList<QByteArray> octets = value.split('.');
    if (octets.size() != 4)
        return false;
    for (const QByteArray& octet : octets) {
        if (!IsDigits(octet) || octet.size() > 3 || octet.toInt() > 255
            || (octet.size() > 1 && octet.startsWith('0')))
            return false;
    }
    return true;
}

// A host name or an IPv4 address: nothing OpenVPN could read as another argument.
bool IsHost(const QByteArray& value)
{
    static const QRegularExpression hostName(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]{0,62})(\\.[A-Za-z0-9]([A-Za-z0-9-]{0,62}))*\\.?$"));
    return value.size() <= 253 && hostName.match(QString::fromLatin1(value)).hasMatch();
}

// The double-quoted form the client writes a path in.
QByteArray Quoted(const QString& path)
{
    QByteArray quoted = "\"";
    for (const char c : path.toUtf8()) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + '"';
}

// The directives whose whole line is fixed.
const QSet<QByteArray>& FixedLines()
{
    static const QSet<QByteArray> lines {"client",
                                         "management-query-passwords",
                                         "management-hold",
                                         "proto udp",
                                         "proto tcp-client",
                                         "keepalive 4 16",
                                         "tun-mtu 1460",
                                         "dev tun",
                                         "ca tarnwick.crt",
                                         "auth-user-pass",
                                         "comp-lzo",
                                         "cipher AES-256-CBC",
                                         "redirect-gateway def1",
                                         "nobind",
                                         "verb 4"};
    return lines;
}

// Every directive the client writes, with or without fixed values.
bool IsKnownDirective(const QByteArray& directive)
{
    static const QSet<QByteArray> names = [] {
        QSet<QByteArray> known {"management", "remote", "socks-proxy", "http-proxy", "route"};
        for (const QByteArray& line : FixedLines())
            known.insert(line.split(' ').first());
        return known;
    }();
    return names.contains(directive);
}

} // namespace

TunnelConfigCheck::Result TunnelConfigCheck::Check(const QByteArray& text, const Paths& paths)
{
    Result result;
    auto refuse = [&result](int number, const QString& why) {
        // Line 0: the configuration as a whole.
        result.error = number > 0 ? QStringLiteral("line %1: %2").arg(number).arg(why) : why;
        result.config.clear();
        return result;
    };
    if (text.size() > MaxSize)
        return refuse(0, QStringLiteral("the configuration is larger than %1 bytes").arg(MaxSize));
    // Only the line end: OpenVPN takes tabs and other control characters as separators too.
    if (std::any_of(text.begin(), text.end(),
                    [](char c) { return (uchar(c) < 0x20 && c != '\n') || c == 0x7f; }))
        return refuse(0, QStringLiteral("the configuration holds control characters"));

    QList<QByteArray> lines = text.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    QSet<QByteArray> seen;
    for (int index = 0; index < lines.size(); ++index) {
        const int number = index + 1;
        const QByteArray& line = lines.at(index);
        const QList<QByteArray> words = line.split(' ');
        const QByteArray& directive = words.first();
        const QString name = QString::fromLatin1(directive.left(40));
        // Each directive once (mail routes aside): a second "remote" or "ca" is not what the
        // client writes.
        if (directive != "route" && seen.contains(directive))
            return refuse(number, QStringLiteral("\"%1\" appears twice").arg(name));
        seen.insert(directive);

        const bool endpoint = words.size() == 3 && IsHost(words.at(1)) && IsPort(words.at(2));
        const bool asWritten = FixedLines().contains(line)
            || ((directive == "remote" || directive == "socks-proxy" || directive == "http-proxy")
                && endpoint)
            || (directive == "route" && words.size() == 4 && IsIpv4(words.at(1))
                && words.at(2) == "255.255.255.255" && words.at(3) == "net_gateway");
        if (asWritten) {
            result.config += line + '\n';
        } else if (directive == "management" && words.size() == 3 && words.at(1) == "127.0.0.1"
                   && words.at(2) == QByteArray::number(ManagementPort)) {
            result.config += line + ' ' + Quoted(paths.managementPasswordFile) + '\n';
        } else if (directive == "http-proxy" && words.size() > 3 && IsHost(words.at(1))
                   && IsPort(words.at(2))) {
            const QByteArray proxy = words.at(0) + ' ' + words.at(1) + ' ' + words.at(2);
            if (line != proxy + ' ' + Quoted(paths.callerProxyAuthFile) + " basic")
                return refuse(number, QStringLiteral("the proxy credentials must be the client's own file"));
            result.usesProxyAuthFile = true;
            result.config += proxy + ' ' + Quoted(paths.proxyAuthFile) + " basic\n";
        } else if (IsKnownDirective(directive)) {
            return refuse(number, QStringLiteral("unexpected value for \"%1\"").arg(name));
        } else {
            return refuse(number, QStringLiteral("\"%1\" is not allowed").arg(name));
        }
    }
    for (const char* required : {"client", "management", "remote", "ca", "dev"}) {
        if (!seen.contains(required))
            return refuse(0, QStringLiteral("\"%1\" is missing").arg(QLatin1String(required)));
    }
    result.accepted = true;
    return result;
}
