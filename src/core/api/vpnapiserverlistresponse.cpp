#include "api/vpnapiserverlistresponse.h"

#include "support/dottedquad.h"

#include <QDebug>

namespace {

// Any text other than exactly "0" means yes; a missing attribute takes the given default.
bool FlagAttribute(const QDomElement& element, const QString& name, const QString& fallback)
{
    return element.attribute(name, fallback) != QLatin1String("0");
}

} // namespace

VPNApiServerListResponse::VPNApiServerListResponse(QObject* parent)
    : VPNApiResponse(false, parent)
{ }

void VPNApiServerListResponse::ParseData(const QDomElement& data)
{
    if (data.isNull())
        return;
    m_udpServers.clear();
    m_tcpServers.clear();

    const QDomElement servers = data.firstChildElement(QStringLiteral("servers"));
    if (servers.isNull())
        return;

    const QString serverTag = QStringLiteral("server");
    const QString portTag = QStringLiteral("port");
    for (QDomElement server = servers.firstChildElement(serverTag); !server.isNull();
         server = server.nextSiblingElement(serverTag)) {
        VPNServer record;
        record.description = server.attribute(QStringLiteral("description"));
        record.name = record.description;
        record.address = server.attribute(QStringLiteral("ip"));
        // The address goes into OpenVPN's configuration: anything but an IPv4 address is left out.
        if (!IsDottedQuad(record.address)) {
            qDebug() << "Server list: skipped" << record.description << "with address" << record.address;
            continue;
        }
        record.pointToPoint = FlagAttribute(server, QStringLiteral("is_p2p"), QStringLiteral("0"));
        record.loadPercentage
            = server.attribute(QStringLiteral("load_percentage"), QStringLiteral("0")).toInt();

        const QDomElement ports = server.firstChildElement(QStringLiteral("ports"));
        for (QDomElement port = ports.firstChildElement(portTag); !port.isNull();
             port = port.nextSiblingElement(portTag)) {
            VPNServer endpoint = record;
            endpoint.preferable = FlagAttribute(port, QStringLiteral("is_preferable"), QStringLiteral("0"));
            endpoint.available = FlagAttribute(port, QStringLiteral("available"), QStringLiteral("1"));
            const QString protocol = port.attribute(QStringLiteral("protocol"), QStringLiteral("TCP"));
            endpoint.protocol
                = protocol.toLower().contains(QLatin1String("tcp")) ? VPNServer::Tcp : VPNServer::Udp;
            bool isNumber = false;
            endpoint.port = int(port.text().toUInt(&isNumber));
            if (!isNumber || endpoint.port < 1 || endpoint.port > 65535) {
                qDebug() << "Server list: skipped" << record.description << "port" << port.text();
                continue;
            }
            if (m_udpServers.size() + m_tcpServers.size() >= MaxEndpoints) {
                qDebug() << "Server list: more than" << MaxEndpoints << "endpoints; the rest is left out.";
                return LogCounts();
            }

            if (m_udpServers.isEmpty() && m_tcpServers.isEmpty())
                qDebug() << "First server: " << endpoint.name;
            if (endpoint.protocol == VPNServer::Udp)
                m_udpServers.append(endpoint);
            else
                m_tcpServers.append(endpoint);
        }
    }
    LogCounts();
}

void VPNApiServerListResponse::LogCounts() const
{
    qDebug() << "Found " << m_udpServers.size() << " UDP servers.";
    qDebug() << "Found " << m_tcpServers.size() << " TCP servers.";
}
