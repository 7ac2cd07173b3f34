#include "linux/linuxnetworkchangemonitor.h"

#include <QTest>

#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace {

// One route message as the kernel sends it: header, rtmsg, and the output device when given.
QByteArray RouteMessage(quint16 type, unsigned char family, unsigned char prefixLength, unsigned char table,
                        int device)
{
    QByteArray message(int(NLMSG_SPACE(sizeof(rtmsg)) + (device > 0 ? RTA_SPACE(sizeof(int)) : 0)), '\0');
    auto* header = reinterpret_cast<nlmsghdr*>(message.data());
    header->nlmsg_len = quint32(message.size());
    header->nlmsg_type = type;
    auto* route = static_cast<rtmsg*>(NLMSG_DATA(header));
    route->rtm_family = family;
    route->rtm_dst_len = prefixLength;
    route->rtm_table = table;
    if (device > 0) {
        auto* attribute = RTM_RTA(route);
        attribute->rta_type = RTA_OIF;
        attribute->rta_len = RTA_LENGTH(sizeof(int));
        std::memcpy(RTA_DATA(attribute), &device, sizeof(int));
    }
    return message;
}

} // namespace

// Which kernel route messages count as a change of the network under the tunnel: the tunnel's
// own routes must not end the tunnel they belong to.
class TestLinuxNetworkChangeMonitor final : public QObject
{
    Q_OBJECT

private slots:
    void countsOnlyTheRealDefaultRoute_data()
    {
        QTest::addColumn<QByteArray>("datagram");
        QTest::addColumn<bool>("changes");
        QTest::newRow("default route replaced")
            << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 2) << true;
        QTest::newRow("default route removed")
            << RouteMessage(RTM_DELROUTE, AF_INET, 0, RT_TABLE_MAIN, 2) << true;
        QTest::newRow("IPv6 default route")
            << RouteMessage(RTM_NEWROUTE, AF_INET6, 0, RT_TABLE_MAIN, 2) << true;
        QTest::newRow("redirect-gateway def1's half")
            << RouteMessage(RTM_NEWROUTE, AF_INET, 1, RT_TABLE_MAIN, 7) << false;
        QTest::newRow("host route to the VPN server")
            << RouteMessage(RTM_NEWROUTE, AF_INET, 32, RT_TABLE_MAIN, 2) << false;
        QTest::newRow("default route through the tunnel")
            << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 7) << false;
        QTest::newRow("local table") << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_LOCAL, 2) << false;
        QTest::newRow("the tunnel's routes then a real change")
            << RouteMessage(RTM_NEWROUTE, AF_INET, 1, RT_TABLE_MAIN, 7)
                + RouteMessage(RTM_DELROUTE, AF_INET, 0, RT_TABLE_MAIN, 2)
            << true;
        QTest::newRow("a cut message")
            << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 2).left(12) << false;
        QTest::newRow("an address, not a route")
            << RouteMessage(RTM_NEWADDR, AF_INET, 0, RT_TABLE_MAIN, 2) << false;
    }
    void countsOnlyTheRealDefaultRoute()
    {
        QFETCH(QByteArray, datagram);
        const auto names
            = [](int index) { return index == 7 ? QStringLiteral("tun0") : QStringLiteral("eth0"); };
        QTEST(LinuxNetworkChangeMonitor::ChangesDefaultRoute(datagram, names), "changes");
    }
};

QTEST_GUILESS_MAIN(TestLinuxNetworkChangeMonitor)
#include "testlinuxnetworkchangemonitor.moc"
