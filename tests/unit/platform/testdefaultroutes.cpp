#include "linux/defaultroutes.h"

#include <QTest>

#include <cstring>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

namespace {

// One route message as the kernel sends it: header, rtmsg, and the output device when given.
QByteArray RouteMessage(quint16 type, unsigned char family, unsigned char prefixLength, unsigned char table,
                        int device, int metric = 0)
{
    QByteArray message(int(NLMSG_SPACE(sizeof(rtmsg)) + RTA_SPACE(sizeof(int)) * 2), '\0');
    auto* header = reinterpret_cast<nlmsghdr*>(message.data());
    header->nlmsg_len = quint32(message.size());
    header->nlmsg_type = type;
    auto* route = static_cast<rtmsg*>(NLMSG_DATA(header));
    route->rtm_family = family;
    route->rtm_dst_len = prefixLength;
    route->rtm_table = table;
    auto* attribute = RTM_RTA(route);
    attribute->rta_type = RTA_OIF;
    attribute->rta_len = RTA_LENGTH(sizeof(int));
    std::memcpy(RTA_DATA(attribute), &device, sizeof(int));
    attribute = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(attribute) + RTA_SPACE(sizeof(int)));
    attribute->rta_type = RTA_PRIORITY;
    attribute->rta_len = RTA_LENGTH(sizeof(int));
    std::memcpy(RTA_DATA(attribute), &metric, sizeof(int));
    return message;
}

} // namespace

const QByteArray Eth0Default = RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 2);

// Which kernel route messages count as a change of the network under the tunnel: the tunnel's
// own routes must not end the tunnel they belong to, nor a network manager refreshing a route.
class TestDefaultRoutes final : public QObject
{
    Q_OBJECT

private slots:
    void countsOnlyAChangeOfTheRealDefaultRoutes_data()
    {
        QTest::addColumn<QByteArray>("datagram"); // after the listing: eth0's default route
        QTest::addColumn<bool>("changes");
        // clang-format off
        QTest::newRow("the same route again (a refresh)") << Eth0Default << false;
        QTest::newRow("another gateway's metric") << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 2, 7) << true;
        QTest::newRow("default route removed") << RouteMessage(RTM_DELROUTE, AF_INET, 0, RT_TABLE_MAIN, 2) << true;
        QTest::newRow("another device") << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 3) << true;
        QTest::newRow("IPv6 default route") << RouteMessage(RTM_NEWROUTE, AF_INET6, 0, RT_TABLE_MAIN, 2) << true;
        QTest::newRow("removing one that was never there") << RouteMessage(RTM_DELROUTE, AF_INET, 0, RT_TABLE_MAIN, 3) << false;
        QTest::newRow("redirect-gateway def1's half") << RouteMessage(RTM_NEWROUTE, AF_INET, 1, RT_TABLE_MAIN, 7) << false;
        QTest::newRow("host route to the VPN server") << RouteMessage(RTM_NEWROUTE, AF_INET, 32, RT_TABLE_MAIN, 2) << false;
        QTest::newRow("default route through the tunnel") << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 7) << false;
        QTest::newRow("local table") << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_LOCAL, 3) << false;
        QTest::newRow("the tunnel's routes then a real change") << RouteMessage(RTM_NEWROUTE, AF_INET, 1, RT_TABLE_MAIN, 7) + RouteMessage(RTM_DELROUTE, AF_INET, 0, RT_TABLE_MAIN, 2) << true;
        QTest::newRow("a cut message") << RouteMessage(RTM_NEWROUTE, AF_INET, 0, RT_TABLE_MAIN, 3).left(12) << false;
        QTest::newRow("an address, not a route") << RouteMessage(RTM_NEWADDR, AF_INET, 0, RT_TABLE_MAIN, 3) << false;
        // clang-format on
    }
    void countsOnlyAChangeOfTheRealDefaultRoutes()
    {
        QFETCH(QByteArray, datagram);
        DefaultRoutes routes(
            [](int index) { return index == 7 ? QStringLiteral("tun0") : QStringLiteral("eth0"); });
        QVERIFY(routes.Update(Eth0Default));
        QTEST(routes.Update(datagram), "changes");
    }
};

QTEST_GUILESS_MAIN(TestDefaultRoutes)
#include "testdefaultroutes.moc"
