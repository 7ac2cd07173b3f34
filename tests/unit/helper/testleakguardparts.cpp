#include "leakguard.h"
#include "nfttable.h"
#include "resolvconf.h"
#include "testfiles.h"
#include "trafficblockrules.h"
#include "tunneloutputreader.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray Stamp = "2026-12-07 04:00:00 ";

} // namespace

// What the helper takes from OpenVPN's output and the server's push (which ends up in the system's
// resolver configuration), and how it changes and restores that configuration and its firewall table.
class TestLeakGuardParts final : public QObject
{
    Q_OBJECT

private slots:
    void readsThePushedDns_data()
    {
        QTest::addColumn<QList<QByteArray>>("lines");
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<QStringList>("domains");
        QTest::addColumn<QString>("device");
        const auto push = [](const QByteArray& options) {
            return Stamp + "PUSH: Received control message: 'PUSH_REPLY," + options + "'";
        };
        QTest::newRow("servers and a domain") << QList<
            QByteArray> {Stamp + "TUN/TAP device tun3 opened",
                         push("redirect-gateway def1,dhcp-option DNS 198.18.0.1,route-gateway "
                              "198.18.0.1,dhcp-option DNS6 2001:db8::53,dhcp-option DOMAIN corp.example,"
                              "ping 4,ifconfig 198.18.0.2 255.255.252.0,peer-id 0")}
                                              << QStringList {QStringLiteral("198.18.0.1"),
                                                              QStringLiteral("2001:db8::53")}
                                              << QStringList {QStringLiteral("corp.example")}
                                              << QStringLiteral("tun3");
        QTest::newRow("no DNS pushed") << QList<QByteArray> {push("route-gateway 198.18.0.1,ping 4")}
                                       << QStringList() << QStringList() << QString();
        QTest::newRow("a reply in two parts")
            << QList<QByteArray> {push("dhcp-option DNS 10.0.0.1,push-continuation 2"),
                                  push("dhcp-option DNS 10.0.0.2,push-continuation 1")}
            << QStringList {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")} << QStringList()
            << QString();
        QTest::newRow("a new reply replaces the last")
            << QList<QByteArray> {push("dhcp-option DNS 10.0.0.1"), push("dhcp-option DNS 10.0.0.2")}
            << QStringList {QStringLiteral("10.0.0.2")} << QStringList() << QString();
        QTest::newRow("a restart forgets the reply")
            << QList<QByteArray> {push("dhcp-option DNS 10.0.0.1"),
                                  Stamp + "SIGUSR1[soft,ping-restart] received, process restarting"}
            << QStringList() << QStringList() << QString();
        QTest::newRow("what is not an address or a domain stays out")
            << QList<QByteArray> {push(
                   "dhcp-option DNS 10.0.0.1\nnameserver 6.6.6.6,dhcp-option DNS 999.1.1.1,"
                   "dhcp-option DNS 2001:db8::1,dhcp-option DNS6 10.0.0.9,"
                   "dhcp-option DOMAIN a b,dhcp-option DOMAIN x;options,"
                   "dhcp-option DOMAIN -bad.example,dhcp-option DNS 10.0.0.3,"
                   "dhcp-option DNS 10.0.0.3,dhcp-option DOMAIN-SEARCH ok.example")}
            << QStringList {QStringLiteral("2001:db8::1"), QStringLiteral("10.0.0.3")}
            << QStringList {QStringLiteral("ok.example")} << QString();
        QTest::newRow("a device name that is not one")
            << QList<QByteArray> {Stamp + "TUN/TAP device tun0;rm opened"} << QStringList() << QStringList()
            << QString();
    }
    void readsThePushedDns()
    {
        QFETCH(QList<QByteArray>, lines);
        TunnelOutputReader reader;
        for (const QByteArray& line : lines)
            reader.Feed(line);
        QTEST(reader.DnsServers(), "servers");
        QTEST(reader.Domains(), "domains");
        QTEST(reader.Device(), "device");
    }

    void reportsCompletionAndRestart()
    {
        TunnelOutputReader reader;
        QCOMPARE(reader.Feed(Stamp + "Initialization Sequence Completed"),
                 TunnelOutputReader::Event::Completed);
        QCOMPARE(reader.Feed(Stamp + "Restart pause, 5 second(s)"), TunnelOutputReader::Event::Restarting);
        QCOMPARE(reader.Feed(Stamp + "MANAGEMENT: >STATE:1765080000,CONNECTED,SUCCESS"),
                 TunnelOutputReader::Event::None);
    }

    // What cannot be applied is said, so the window's log (and a support report) has it.
    void reportsWhatItCannotApply()
    {
        const QTemporaryDir dir;
        LeakGuard guard(QDBusConnection(QStringLiteral("none")),
                        {dir.filePath(QStringLiteral("resolv.conf")), dir.filePath(QStringLiteral("backup")),
                         dir.filePath(QStringLiteral("no-nft"))});
        QSignalSpy ipv6(&guard, &LeakGuard::Ipv6BlockFailed);
        QSignalSpy dns(&guard, &LeakGuard::DnsApplied);
        guard.Feed(QString::fromLatin1(Stamp + "Initialization Sequence Completed\n"));
        QCOMPARE(ipv6.size(), 1);
        QVERIFY(ipv6.at(0).at(0).toString().contains(QLatin1String("could not be run")));
        QCOMPARE(dns.size(), 1);
        QCOMPARE(dns.at(0).at(0).toString(), QString());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("resolv.conf"))));
    }

    void rewritesAndRestoresResolvConf_data()
    {
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<QStringList>("domains");
        QTest::addColumn<QByteArray>("written"); // after the comment line
        QTest::newRow("one server") << QStringList {QStringLiteral("198.18.0.1")} << QStringList()
                                    << QByteArray("nameserver 198.18.0.1\n");
        QTest::newRow("servers and domains")
            << QStringList {QStringLiteral("10.0.0.1"), QStringLiteral("2001:db8::53")}
            << QStringList {QStringLiteral("a.example"), QStringLiteral("b.example")}
            << QByteArray("nameserver 10.0.0.1\nnameserver 2001:db8::53\nsearch a.example b.example\n");
    }
    void rewritesAndRestoresResolvConf()
    {
        QFETCH(QStringList, servers);
        QFETCH(QStringList, domains);
        QFETCH(QByteArray, written);
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("resolv.conf"));
        const QString link = dir.filePath(QStringLiteral("link.conf"));
        const QString backup = dir.filePath(QStringLiteral("backup"));
        const QByteArray original = "# the café's\nnameserver 192.0.2.1\noptions edns0\n";
        QVERIFY(WriteFile(path, original));
        // Written through a link, as into a bind mount: the file itself stays where it is.
        QVERIFY(QFile::link(path, link));
        ResolvConf conf(link, backup);
        QString error;
        QVERIFY2(conf.Apply(servers, domains, error), qPrintable(error));
        QVERIFY(ReadFile(path).endsWith(written));
        QVERIFY(ReadFile(path).startsWith('#'));
        QVERIFY(QFileInfo(link).isSymLink());
        // Only root reads the backup: nothing for group or others.
        QCOMPARE(int(QFile::permissions(backup) & 0x0077), 0);
        // A second apply (a reconnect) keeps the first backup.
        QVERIFY(conf.Apply({QStringLiteral("10.9.9.9")}, {}, error));
        // A new helper finds the backup of one that was killed, and restores it.
        ResolvConf nextRun(link, backup);
        QVERIFY(nextRun.HasBackup());
        QVERIFY(nextRun.Restore(error));
        QCOMPARE(ReadFile(path), original);
        QVERIFY(!QFile::exists(backup));
        QVERIFY(nextRun.Restore(error));
        QCOMPARE(ReadFile(path), original);
    }

    void keepsWhatAnotherProgramWroteMeanwhile()
    {
        const QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("resolv.conf"));
        ResolvConf conf(path, dir.filePath(QStringLiteral("backup")));
        QVERIFY(WriteFile(path, "nameserver 192.0.2.1\n"));
        QString error;
        QVERIFY(conf.Apply({QStringLiteral("10.0.0.1")}, {}, error));
        QVERIFY(WriteFile(path, "# the hotel's network\nnameserver 192.0.2.77\n"));
        QVERIFY(conf.Restore(error));
        QCOMPARE(ReadFile(path), QByteArray("# the hotel's network\nnameserver 192.0.2.77\n"));
        QVERIFY(!conf.HasBackup());
    }

    void keepsResolvConfWhenItCannotBeRead()
    {
        const QTemporaryDir dir;
        ResolvConf conf(dir.filePath(QStringLiteral("missing")), dir.filePath(QStringLiteral("backup")));
        QString error;
        QVERIFY(!conf.Apply({QStringLiteral("10.0.0.1")}, {}, error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!conf.HasBackup());
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("missing"))));
    }

    void ipv6BlockLetsOutOnlyTheTunnel_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QByteArrayList>("accepted");
        QTest::newRow("tunnel known") << QStringLiteral("tun0") << QByteArrayList {"\"lo\"", "\"tun0\""};
        QTest::newRow("tunnel not yet known") << QString() << QByteArrayList {"\"lo\""};
    }
    void ipv6BlockLetsOutOnlyTheTunnel()
    {
        QFETCH(QString, device);
        QFETCH(QByteArrayList, accepted);
        const QByteArray chains = NftTable::Ipv6BlockChains(device);
        QCOMPARE(chains.count("accept\n"), accepted.size());
        for (const QByteArray& name : accepted)
            QVERIFY(chains.contains("meta nfproto ipv6 oifname " + name + " accept\n"));
        // The refusal comes after every exception, and only for IPv6.
        QVERIFY(chains.lastIndexOf("accept\n") < chains.indexOf("meta nfproto ipv6 reject"));
        QCOMPARE(chains.count("reject"), 1);
        QVERIFY(chains.contains("hook output"));
    }

    // The caller is unprivileged: only what parses as an address, a port or a protocol word reaches
    // the ruleset.
    void trafficBlockLetsOutOnlyWhatItWasGiven_data()
    {
        // protocol|server|server port|API port|API addresses...
        QTest::addColumn<QStringList>("request");
        const auto Request
            = [](const char* fields) { return QString::fromLatin1(fields).split(QLatin1Char('|')); };
        QTest::addColumn<QByteArrayList>("accepted"); // null: refused
        const QByteArrayList always {"oifname \"lo\"", "oifname \"tun*\"", "udp sport 68 udp dport 67",
                                     "udp sport 546 udp dport 547"};
        QTest::newRow("udp server, API on both families")
            << Request("udp|198.51.100.1|1194|443|203.0.113.10|2001:db8::5")
            << always
                + QByteArrayList {"ip daddr 198.51.100.1 udp dport 1194",
                                  "ip daddr 203.0.113.10 tcp dport 443",
                                  "ip6 daddr 2001:db8::5 tcp dport 443"};
        QTest::newRow("TCP through a proxy, IPv4 written as IPv6, no API address known")
            << Request("TCP|::ffff:192.0.2.80|3128|8443")
            << always + QByteArrayList {"ip daddr 192.0.2.80 tcp dport 3128"};
        const QByteArrayList refused;
        QTest::newRow("other protocol") << Request("icmp|198.51.100.1|1194|443") << refused;
        QTest::newRow("rules in the address")
            << Request("udp|198.51.100.1 udp dport 1 accept\n|1194|443") << refused;
        QTest::newRow("a network, not an address") << Request("udp|10.0.0.0/8|1194|443") << refused;
        QTest::newRow("an address with a scope") << Request("udp|fe80::1%eth0|1194|443") << refused;
        QTest::newRow("a name") << Request("udp|198.51.100.1|1194|443|api.example") << refused;
        QTest::newRow("port 0") << Request("udp|198.51.100.1|0|443") << refused;
        QTest::newRow("port above 65535") << Request("udp|198.51.100.1|1194|65536") << refused;
        QStringList many = Request("udp|198.51.100.1|1194|443");
        for (int i = 0; i <= TrafficBlockRules::MaxApiAddresses; ++i)
            many << QStringLiteral("203.0.113.%1").arg(i);
        QTest::newRow("too many API addresses") << many << refused;
    }
    void trafficBlockLetsOutOnlyWhatItWasGiven()
    {
        QFETCH(QStringList, request);
        QFETCH(QByteArrayList, accepted);
        QString error;
        const auto rules = TrafficBlockRules::Parse(request[0], request[1], request[2].toUInt(),
                                                    request.mid(4), request[3].toUInt(), error);
        QCOMPARE(rules.has_value(), !accepted.isEmpty());
        QCOMPARE(error.isEmpty(), rules.has_value());
        if (!rules)
            return;
        const QByteArray chains = rules->Chains();
        // Every accepting rule is one given, and the refusal of everything else comes last.
        QCOMPARE(chains.count(" accept\n"), accepted.size() + 1); // and neighbour discovery
        for (const QByteArray& rule : accepted)
            QVERIFY2(chains.contains("    " + rule + " accept\n"), rule.constData());
        QVERIFY(chains.endsWith("    reject with icmpx type admin-prohibited\n  }\n"));
        QVERIFY(chains.contains("policy accept;"));
    }

    void runsNftAndReportsItsFailure_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::newRow("nft succeeds") << 0;
        QTest::newRow("nft fails") << 1;
    }
    void runsNftAndReportsItsFailure()
    {
        QFETCH(int, exitCode);
        const QTemporaryDir dir;
        const QString input = dir.filePath(QStringLiteral("input"));
        const QString nft = dir.filePath(QStringLiteral("nft"));
        // Stands in for nft: keeps the ruleset it was given and says why it refuses.
        QVERIFY(WriteFile(nft,
                          QStringLiteral("#!/bin/sh\n[ \"$*\" = '-f -' ] || exit 9\ncat > '%1'\n"
                                         "echo 'Error: no such table' >&2\nexit %2\n")
                              .arg(input)
                              .arg(exitCode)
                              .toUtf8()));
        QVERIFY(QFile::setPermissions(nft, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const NftTable table(nft, QStringLiteral("norvane_test"));
        QString error;
        QCOMPARE(table.Replace(NftTable::Ipv6BlockChains(QStringLiteral("tun0")), error), exitCode == 0);
        QCOMPARE(ReadFile(input),
                 "table inet norvane_test\ndelete table inet norvane_test\ntable inet norvane_test {\n"
                     + NftTable::Ipv6BlockChains(QStringLiteral("tun0")) + "}\n");
        QCOMPARE(error.contains(QLatin1String("no such table")), exitCode != 0);
        error.clear();
        QCOMPARE(table.Remove(error), exitCode == 0);
        QCOMPARE(ReadFile(input), QByteArray("table inet norvane_test\ndelete table inet norvane_test\n"));
        QVERIFY(!NftTable(dir.filePath(QStringLiteral("absent")), QStringLiteral("t")).Remove(error));
    }
};

QTEST_GUILESS_MAIN(TestLeakGuardParts)
#include "testleakguardparts.moc"
