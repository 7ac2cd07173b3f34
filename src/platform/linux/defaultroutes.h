#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

#include <functional>

/**
 * The machine's real default routes as the kernel reports them over netlink, kept as a set so
 * that only a change counts: network managers re-add the same route to refresh its lifetime (the
 * IPv6 one on every router advertisement), which is no new network. The routes a tunnel adds
 * (redirect-gateway def1's halves, the host route to the server) are not default routes, and a
 * default route through a tunnel device belongs to the tunnel.
 */
class DefaultRoutes
{
public:
    using InterfaceName = std::function<QString(int index)>;

    explicit DefaultRoutes(InterfaceName interfaceName);

    // Reads the route messages of one datagram; true when the set of default routes changed.
    bool Update(const QByteArray& datagram);
    qsizetype Count() const { return m_routes.size(); }

private:
    InterfaceName m_interfaceName;
    QSet<QByteArray> m_routes; // family, table, metric, device and gateway of each
};
