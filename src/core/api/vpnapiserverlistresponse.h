#pragma once

#include "api/vpnapiresponse.h"
#include "api/vpnserver.h"

// The getServerList payload, flattened into one list of UDP and one of TCP endpoints, each in
// document order. A reply without data keeps the previous lists. Servers whose address is not
// an IPv4 address and ports outside 1..65535 are left out (and logged), and so is everything
// after the first MaxEndpoints endpoints.
class VPNApiServerListResponse : public VPNApiResponse
{
    Q_OBJECT
public:
    static constexpr qsizetype MaxEndpoints = 2000;

    explicit VPNApiServerListResponse(QObject* parent = nullptr);

    const QList<VPNServer>& UdpServers() const { return m_udpServers; }
    const QList<VPNServer>& TcpServers() const { return m_tcpServers; }

protected:
    void ParseData(const QDomElement& data) override;

private:
    void LogCounts() const;

    QList<VPNServer> m_udpServers;
    QList<VPNServer> m_tcpServers;
};
