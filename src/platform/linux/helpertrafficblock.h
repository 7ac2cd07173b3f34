#pragma once

#include "platform/trafficblock.h"

#include <QDBusConnection>
#include <QStringList>

/**
 * The kill switch through norvane-helper, which keeps an nftables table that lets traffic out
 * only through the tunnel, to the VPN server (or the proxy OpenVPN goes through) and to the API
 * host. Names are resolved here, while the resolver can still be reached: the API host at start
 * and again with each new block, the server when it is given by name. The block belongs to this
 * program's bus connection, so the helper removes it when the program ends in any way; a helper
 * that restarted has forgotten it and is asked again.
 */
class HelperTrafficBlock final : public TrafficBlock
{
    Q_OBJECT

public:
    // apiHost as the API client has it: a name or an address, with ":port" when not 443.
    explicit HelperTrafficBlock(const QString& apiHost, QDBusConnection bus = QDBusConnection::systemBus(),
                                QObject* parent = nullptr);
    ~HelperTrafficBlock() override;

    void Block(const QString& serverAddress, int port, const QString& protocol) override;
    void Unblock() override;

private:
    void LookUpApiHost();
    void Send();

    QDBusConnection m_bus;
    QString m_apiHost;
    quint16 m_apiPort = 443;
    QStringList m_apiAddresses;
    bool m_wanted = false;
    QString m_server;
    QString m_serverAddress; // the server's name resolved
    int m_port = 0;
    QString m_protocol;
    int m_serverLookup = -1;
};
