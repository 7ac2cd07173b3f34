#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

/**
 * What the kill switch lets out while it is on: loopback, the tunnel devices, the VPN server's
 * address and port, the API host's addresses, and what keeps the network itself alive (DHCP,
 * IPv6 neighbour discovery); everything else is refused. The values come from an unprivileged
 * caller, so each is parsed into an address, a port or one of two protocol words first, and only
 * what was parsed is written into the ruleset.
 */
class TrafficBlockRules
{
public:
    static constexpr char TableName[] = "norvane_block";
    static constexpr int MaxApiAddresses = 16;

    static std::optional<TrafficBlockRules> Parse(const QString& protocol, const QString& serverAddress,
                                                  uint serverPort, const QStringList& apiAddresses,
                                                  uint apiPort, QString& error);

    // The chains of the table, for NftTable::Replace().
    QByteArray Chains() const;
    // What is let out, for the log.
    QString Description() const;

private:
    TrafficBlockRules() = default;

    QByteArray m_protocol;
    QHostAddress m_server;
    quint16 m_serverPort = 0;
    QList<QHostAddress> m_api;
    quint16 m_apiPort = 0;
};
