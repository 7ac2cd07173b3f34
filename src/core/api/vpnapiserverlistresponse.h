#pragma once

#include "api/vpnapiresponse.h"
#include "api/vpnserver.h"

// The getServerList payload, flattened into one list of UDP and one of TCP endpoints, each in
// document order. A reply without data keeps the previous lists.
class VPNApiServerListResponse : public VPNApiResponse
{
    Q_OBJECT
public:
    explicit VPNApiServerListResponse(QObject* parent = nullptr);

    const QList<VPNServer>& UdpServers() const { return m_udpServers; }
    const QList<VPNServer>& TcpServers() const { return m_tcpServers; }

protected:
    void ParseData(const QDomElement& data) override;

private:
    QList<VPNServer> m_udpServers;
    QList<VPNServer> m_tcpServers;
};
