#include "../worldwindow.h"
#include "logcapture.h"
#include "testfiles.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QRandomGenerator>
#include <QTcpSocket>
#include <QTest>

#include <net/if.h>

// The (first, second) structures of an array argument, as in a(iay) or a(sb).
template<typename First, typename Second> QList<std::pair<First, Second>> Pairs(const QVariant& argument)
{
    QList<std::pair<First, Second>> pairs;
    const auto list = argument.value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        std::pair<First, Second> pair;
        list.beginStructure();
        list >> pair.first >> pair.second;
        list.endStructure();
        pairs << pair;
    }
    list.endArray();
    return pairs;
}

// Stands in for systemd-resolved on the world's bus: answers every call and keeps it as text,
// "Method link [family:address ...] [domain(routing) ...]".
class ResolvedStandIn final : public QDBusVirtualObject
{
public:
    QStringList calls;

    QString introspect(const QString&) const override { return QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        QStringList call {message.member()};
        const QVariantList arguments = message.arguments();
        if (!arguments.isEmpty())
            call << QString::number(arguments.constFirst().toInt());
        if (message.member() == QLatin1String("SetLinkDNS")) {
            for (const auto& [family, address] : Pairs<int, QByteArray>(arguments.value(1)))
                call << QStringLiteral("%1:%2").arg(family).arg(QString::fromLatin1(address.toHex()));
        } else if (message.member() == QLatin1String("SetLinkDomains")) {
            for (const auto& [name, routing] : Pairs<QString, bool>(arguments.value(1)))
                call << name + (routing ? QStringLiteral("(routing)") : QString());
        } else if (arguments.size() > 1) {
            call << arguments.at(1).toString();
        }
        calls << call.join(QLatin1Char(' '));
        return connection.send(message.createReply());
    }
};

// The window with the real helper and OpenVPN in the service world, checked for what leaks past
// the tunnel: which of the world's recording DNS servers a lookup reaches before, while and after
// connected, whether IPv6 gets out beside the tunnel, and that the client namespace's addresses,
// routes, firewall and resolv.conf are as they were after a disconnect and after a drop; and a
// change of the namespace's default route ends the tunnel at once, with the reason. With the kill
// switch on, nothing gets out beside the tunnel after a drop until the user disconnects.
class TestLeaksWorld final : public QObject
{
    Q_OBJECT

private:
    E2e::WorldWindow m_world;
    QString m_before;

    static QByteArray DnsLog(const char* name)
    {
        return ReadFile(E2e::WorldDir() + QStringLiteral("/dns-%1.log").arg(QLatin1String(name)));
    }
    static QByteArray UniqueName(const char* prefix)
    {
        return prefix + QByteArray::number(QRandomGenerator::global()->generate(), 16) + ".norvane.test";
    }
    // A lookup through the system's resolver (resolv.conf), in a process of its own so nothing
    // is cached from an earlier one.
    static void Resolve(const QByteArray& name)
    {
        QProcess getent;
        getent.start(QStringLiteral("getent"), {QStringLiteral("ahostsv4"), QString::fromLatin1(name)});
        QVERIFY(getent.waitForFinished(30000));
    }
    // A DNS query over TCP straight to the local resolver (by default its IPv6 address), outside
    // any tunnel; true when the resolver answered it.
    static bool ReachesOverTcp(const QByteArray& name,
                               const QString& resolver = QStringLiteral("2001:db8::1"))
    {
        QByteArray query = QByteArray::fromHex("4e5601000001000000000000"); // id, recursion, 1 question
        for (const QByteArray& label : name.split('.'))
            query += char(label.size()) + label;
        query += QByteArray::fromHex("0000010001"); // root, type A, class IN
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(resolver), 53);
        if (!socket.waitForConnected(10000))
            return false;
        QByteArray length(2, '\0'); // TCP's length prefix
        length[0] = char(query.size() >> 8);
        length[1] = char(query.size() & 0xff);
        socket.write(length + query);
        return socket.waitForReadyRead(10000) && socket.bytesAvailable() > 2;
    }
    // Which resolver got a fresh name: "local", "pushed", "both" or "none".
    static QString ResolverReached(const char* prefix)
    {
        const QByteArray name = UniqueName(prefix);
        Resolve(name);
        // dnsmasq writes its log right after it answers: a name not there yet is given a moment.
        for (int attempt = 0;
             attempt < 20 && !DnsLog("local").contains(name) && !DnsLog("pushed").contains(name); ++attempt)
            QTest::qWait(100);
        const bool local = DnsLog("local").contains(name);
        const bool pushed = DnsLog("pushed").contains(name);
        return local && pushed ? QStringLiteral("both")
            : local            ? QStringLiteral("local")
            : pushed           ? QStringLiteral("pushed")
                               : QStringLiteral("none");
    }

private slots:
    void initTestCase()
    {
        E2E_SKIP_OUTSIDE_THE_WORLD();
        E2e::WindowSetup setup;
        setup.leakProtection = true;
        m_world.Open(setup);
        m_before = E2e::NetworkSnapshot();
        QVERIFY2(m_before.contains(QLatin1String("nameserver 192.0.2.1")), qPrintable(m_before));
    }

    void cleanupTestCase()
    {
        m_world.Close();
        if (!m_before.isEmpty())
            // The helper undoes DNS and the IPv6 block once it has seen OpenVPN end.
            QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(m_before, E2e::NetworkSnapshot()), QString(),
                                      5000);
    }

    void lookupsAndIpv6StayInsideTheTunnel()
    {
        QCOMPARE(ResolverReached("before-"), QStringLiteral("local"));
        const QByteArray v6Before = UniqueName("v6-before-");
        QVERIFY(ReachesOverTcp(v6Before));
        QTRY_VERIFY(DnsLog("local").contains(v6Before + " from 2001:db8::2"));

        LogCapture log;
        m_world.ConnectAndCheck();
        QTRY_VERIFY_WITH_TIMEOUT(
            log.Contains(QStringLiteral("DNS servers 198.18.0.1 applied through resolv.conf")), 10000);
        QCOMPARE(ResolverReached("during-"), QStringLiteral("pushed"));
        const QByteArray v6 = UniqueName("v6-during-");
        QVERIFY(!ReachesOverTcp(v6));
        QVERIFY(!DnsLog("local").contains(v6));
        QVERIFY(E2e::NetworkSnapshot().contains(QLatin1String("table inet norvane_ipv6")));

        m_world.Click("DisconnectButton");
        QTRY_COMPARE_WITH_TIMEOUT(m_world.State(), QStringLiteral("ServerSelectState"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        // The helper undoes DNS and the IPv6 block once it has seen OpenVPN end.
        QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(m_before, E2e::NetworkSnapshot()), QString(), 5000);
        QCOMPARE(ResolverReached("after-"), QStringLiteral("local"));
        QVERIFY(ReachesOverTcp(UniqueName("v6-after-")));
        QTRY_VERIFY_WITH_TIMEOUT(log.Contains(QStringLiteral("Delay between reconnects finished.")), 30000);
    }

    void droppedTunnelLeavesNothingBehind()
    {
        LogCapture log;
        m_world.ConnectAndCheck();
        QTRY_VERIFY_WITH_TIMEOUT(
            E2e::NetworkSnapshot() != m_before
                && E2e::NetworkSnapshot().contains(QLatin1String("nameserver 198.18.0.1")),
            10000);
        QVERIFY(E2e::World(QStringLiteral("stop-server"), {QStringLiteral("udp")}));
        QTRY_VERIFY_WITH_TIMEOUT(
            log.Contains(QStringLiteral("Disconnect reason: server dropped connection.")), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        QVERIFY(E2e::World(QStringLiteral("start-server"), {QStringLiteral("udp")}));
        // The helper undoes DNS and the IPv6 block once it has seen OpenVPN end.
        QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(m_before, E2e::NetworkSnapshot()), QString(), 5000);
    }

    void killSwitchKeepsEverythingInsideUntilTheUserDisconnects()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_world.Context().Connection().ConnectAllowed(), 30000);
        m_world.Context().Settings().blockTrafficWhenDown = true;
        LogCapture log;
        m_world.ConnectAndCheck();
        QVERIFY(E2e::NetworkSnapshot().contains(QLatin1String("table inet norvane_block")));
        QCOMPARE(ResolverReached("blocked-up-"), QStringLiteral("pushed"));

        QVERIFY(E2e::World(QStringLiteral("stop-server"), {QStringLiteral("udp")}));
        QTRY_VERIFY_WITH_TIMEOUT(
            log.Contains(QStringLiteral("Disconnect reason: server dropped connection.")), 60000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        // The tunnel is gone and the system's resolver is back: nothing of it leaves.
        QTRY_VERIFY_WITH_TIMEOUT(E2e::NetworkSnapshot().contains(QLatin1String("nameserver 192.0.2.1")),
                                 5000);
        QCOMPARE(ResolverReached("blocked-down-"), QStringLiteral("none"));
        const QByteArray direct = UniqueName("blocked-direct-");
        QVERIFY(!ReachesOverTcp(direct, QStringLiteral("192.0.2.1")));
        QVERIFY(!ReachesOverTcp(direct));
        QVERIFY(!DnsLog("local").contains(direct));

        // Reconnecting goes through the block; the user's disconnect ends it.
        QVERIFY(E2e::World(QStringLiteral("start-server"), {QStringLiteral("udp")}));
        QTRY_VERIFY_WITH_TIMEOUT(m_world.Context().Connection().ConnectAllowed(), 30000);
        m_world.ConnectAndCheck();
        m_world.Click("DisconnectButton");
        QTRY_COMPARE_WITH_TIMEOUT(m_world.State(), QStringLiteral("ServerSelectState"), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(m_before, E2e::NetworkSnapshot()), QString(), 5000);
        QCOMPARE(ResolverReached("unblocked-"), QStringLiteral("local"));
        m_world.Context().Settings().blockTrafficWhenDown = false;
    }

    // Where systemd-resolved runs the helper gives it the pushed DNS per link and leaves
    // resolv.conf alone; the link is reverted when the tunnel ends.
    void resolvedGetsThePushedDnsWhereItRuns()
    {
        QTRY_VERIFY_WITH_TIMEOUT(m_world.Context().Connection().ConnectAllowed(), 30000);
        ResolvedStandIn resolved;
        QDBusConnection bus
            = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("resolved"));
        QVERIFY(bus.registerVirtualObject(QStringLiteral("/org/freedesktop/resolve1"), &resolved));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.resolve1")));
        LogCapture log;
        m_world.ConnectAndCheck();
        QTRY_VERIFY_WITH_TIMEOUT(
            log.Contains(QStringLiteral("DNS servers 198.18.0.1 applied through systemd-resolved")), 10000);
        const QString link = QString::number(::if_nametoindex("tun0"));
        QCOMPARE(resolved.calls,
                 QStringList({QStringLiteral("SetLinkDNS %1 2:c6120001").arg(link),
                              QStringLiteral("SetLinkDomains %1 norvane.test ~.(routing)").arg(link),
                              QStringLiteral("SetLinkDefaultRoute %1 true").arg(link)}));
        QVERIFY(E2e::NetworkSnapshot().contains(QLatin1String("nameserver 192.0.2.1")));
        m_world.Click("DisconnectButton");
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(resolved.calls.size(), 4, 5000);
        QCOMPARE(resolved.calls.last(), QStringLiteral("RevertLink %1").arg(link));
        QDBusConnection::disconnectFromBus(QStringLiteral("resolved"));
        QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(m_before, E2e::NetworkSnapshot()), QString(), 5000);
    }

    // What the window hears of the network: another gateway on the same network replaces the
    // default route (the tunnel's own routes stay), or logind says the machine woke up.
    void networkChangeDropsTheTunnel_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("reason");
        QTest::newRow("default route")
            << QStringLiteral("route") << QStringLiteral("the default route changed");
        QTest::newRow("resume") << QStringLiteral("resume")
                                << QStringLiteral("the computer resumed from suspend");
    }
    void networkChangeDropsTheTunnel()
    {
        QFETCH(QString, change);
        QFETCH(QString, reason);
        QTRY_VERIFY_WITH_TIMEOUT(m_world.Context().Connection().ConnectAllowed(), 30000);
        LogCapture log;
        m_world.ConnectAndCheck();
        const auto ip = [](const char* arguments) {
            return QProcess::execute(QStringLiteral("ip"),
                                     QString::fromLatin1(arguments).split(QLatin1Char(' ')));
        };
        QDBusConnection logind
            = QDBusConnection::connectToBus(QDBusConnection::SystemBus, QStringLiteral("logind"));
        if (change == QLatin1String("route")) {
            QCOMPARE(ip("route replace default via 192.0.2.1 metric 7"), 0);
        } else {
            QVERIFY(logind.registerService(QStringLiteral("org.freedesktop.login1")));
            for (const bool sleeping : {true, false}) {
                QDBusMessage signal = QDBusMessage::createSignal(
                    QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"));
                signal << sleeping;
                QVERIFY(logind.send(signal));
            }
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            log.Contains(QStringLiteral("Disconnect reason: network changed (%1).").arg(reason)), 5000);
        QCOMPARE(m_world.State(), QStringLiteral("ServerSelectState"));
        QCOMPARE(m_world.Context().Connection().ReconnectCountdown() > 0, true);
        if (change == QLatin1String("route"))
            QCOMPARE(ip("route del default metric 7"), 0);
        QDBusConnection::disconnectFromBus(QStringLiteral("logind"));
        QTRY_COMPARE_WITH_TIMEOUT(E2e::OpenVpnProcesses(), 0, 20000);
        // The helper undoes DNS and the IPv6 block once it has seen OpenVPN end.
        QTRY_COMPARE_WITH_TIMEOUT(E2e::SnapshotDifference(m_before, E2e::NetworkSnapshot()), QString(), 5000);
    }
};

QTEST_MAIN(TestLeaksWorld)
#include "testleaksworld.moc"
