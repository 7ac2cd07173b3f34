#include "trafficblockrules.h"

namespace {

// One plain address: no prefix, no scope (a scope would be written into the ruleset as it came),
// an IPv4 address written as IPv6 taken as the IPv4 address it is.
std::optional<QHostAddress> PlainAddress(const QString& text)
{
    QHostAddress address;
    if (text.size() > 45 || !address.setAddress(text) || !address.scopeId().isEmpty())
        return std::nullopt;
    bool isIpv4 = false;
    const quint32 ipv4 = address.toIPv4Address(&isIpv4);
    if (isIpv4)
        return QHostAddress(ipv4);
    return QHostAddress(address.toIPv6Address());
}

std::optional<quint16> Port(uint value)
{
    if (value == 0 || value > 65535)
        return std::nullopt;
    return quint16(value);
}

QByteArray Match(const QHostAddress& address, const QByteArray& protocol, quint16 port)
{
    const QByteArray family = address.protocol() == QAbstractSocket::IPv4Protocol ? "ip" : "ip6";
    return "    " + family + " daddr " + address.toString().toLatin1() + ' ' + protocol + " dport "
        + QByteArray::number(port) + " accept\n";
}

} // namespace

std::optional<TrafficBlockRules> TrafficBlockRules::Parse(const QString& protocol,
                                                          const QString& serverAddress, uint serverPort,
                                                          const QStringList& apiAddresses, uint apiPort,
                                                          QString& error)
{
    TrafficBlockRules rules;
    const QString word = protocol.toLower();
    if (word != QLatin1String("udp") && word != QLatin1String("tcp")) {
        error = QStringLiteral("unknown protocol");
        return std::nullopt;
    }
    rules.m_protocol = word.toLatin1();
    const auto server = PlainAddress(serverAddress);
    const auto port = Port(serverPort);
    const auto api = Port(apiPort);
    if (!server || !port || !api) {
        error = QStringLiteral("not an address and port");
        return std::nullopt;
    }
    rules.m_server = *server;
    rules.m_serverPort = *port;
    rules.m_apiPort = *api;
    if (apiAddresses.size() > MaxApiAddresses) {
        error = QStringLiteral("too many addresses");
        return std::nullopt;
    }
    for (const QString& text : apiAddresses) {
        const auto address = PlainAddress(text);
        if (!address) {
            error = QStringLiteral("not an address");
            return std::nullopt;
        }
        rules.m_api << *address;
    }
    return rules;
}

QByteArray TrafficBlockRules::Chains() const
{
    QByteArray chains = "  chain output {\n"
                        "    type filter hook output priority filter; policy accept;\n"
                        "    oifname \"lo\" accept\n"
                        // Any tunnel device: the next connection's may get another number.
                        "    oifname \"tun*\" accept\n";
    chains += Match(m_server, m_protocol, m_serverPort);
    for (const QHostAddress& address : m_api)
        chains += Match(address, "tcp", m_apiPort);
    // Without these the machine loses its address or its neighbours while the block lasts.
    chains += "    udp sport 68 udp dport 67 accept\n"
              "    udp sport 546 udp dport 547 accept\n"
              "    icmpv6 type { nd-router-solicit, nd-neighbor-solicit, nd-neighbor-advert } accept\n"
              // Refused rather than dropped: programs learn at once instead of waiting.
              "    reject with icmpx type admin-prohibited\n"
              "  }\n";
    return chains;
}

QString TrafficBlockRules::Description() const
{
    QStringList api;
    for (const QHostAddress& address : m_api)
        api << address.toString();
    return QStringLiteral("tunnel, loopback, %1 %2 port %3, API %4 port %5")
        .arg(QString::fromLatin1(m_protocol), m_server.toString())
        .arg(m_serverPort)
        .arg(api.isEmpty() ? QStringLiteral("(none)") : api.join(QLatin1Char(' ')))
        .arg(m_apiPort);
}
