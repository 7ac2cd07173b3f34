#include "api/vpnapiserverlistresponse.h"

#include <QTest>

namespace {

QString Reply(const QString& data)
{
    return QStringLiteral("<response><type>success</type>%1</response>").arg(data);
}

QString OneServer(const QString& serverAttributes, const QString& portElement)
{
    return Reply(QStringLiteral("<data><servers><server description=\"Italy Milan P2P\" ip=\"192.0.2.40\" %1>"
                                "<ports>%2</ports></server></servers></data>")
                     .arg(serverAttributes, portElement));
}

} // namespace

class TestVPNApiServerListResponse final : public QObject
{
    Q_OBJECT
private slots:
    void attributes_data()
    {
        QTest::addColumn<QString>("serverAttributes");
        QTest::addColumn<QString>("port");
        QTest::addColumn<int>("protocol");
        QTest::addColumn<int>("portNumber");
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("preferable");
        QTest::addColumn<bool>("pointToPoint");
        QTest::addColumn<int>("load");

        QTest::newRow("all defaults") << QString() << QStringLiteral("<port>443</port>")
                                      << int(VPNServer::Tcp) << 443 << true << false << false << 0;
        QTest::newRow("UDP") << QString() << QStringLiteral("<port protocol=\"UDP\">1194</port>")
                             << int(VPNServer::Udp) << 1194 << true << false << false << 0;
        QTest::newRow("empty protocol is UDP")
            << QString() << QStringLiteral("<port protocol=\"\">1194</port>") << int(VPNServer::Udp) << 1194
            << true << false << false << 0;
        QTest::newRow("protocol contains tcp")
            << QString() << QStringLiteral("<port protocol=\"tcp-client\">80</port>") << int(VPNServer::Tcp)
            << 80 << true << false << false << 0;
        QTest::newRow("available false text is available")
            << QString() << QStringLiteral("<port available=\"false\" is_preferable=\"0\">1</port>")
            << int(VPNServer::Tcp) << 1 << true << false << false << 0;
        QTest::newRow("available 0, preferable 1")
            << QString() << QStringLiteral("<port available=\"0\" is_preferable=\"1\">2</port>")
            << int(VPNServer::Tcp) << 2 << false << true << false << 0;
        QTest::newRow("empty is_p2p counts")
            << QStringLiteral("is_p2p=\"\" load_percentage=\"-5\"") << QStringLiteral("<port>3</port>")
            << int(VPNServer::Tcp) << 3 << true << false << true << -5;
        QTest::newRow("is_p2p 0, load not a number")
            << QStringLiteral("is_p2p=\"0\" load_percentage=\"abc\"") << QStringLiteral("<port>x</port>")
            << int(VPNServer::Tcp) << 0 << true << false << false << 0;
    }

    void attributes()
    {
        QFETCH(QString, serverAttributes);
        QFETCH(QString, port);
        VPNApiServerListResponse response;
        response.Parse(OneServer(serverAttributes, port));
        QFETCH(int, protocol);
        const QList<VPNServer>& list
            = protocol == VPNServer::Udp ? response.UdpServers() : response.TcpServers();
        QCOMPARE(response.UdpServers().size() + response.TcpServers().size(), 1);
        QCOMPARE(list.size(), 1);
        const VPNServer& server = list.first();
        QCOMPARE(server.description, QStringLiteral("Italy Milan P2P"));
        QCOMPARE(server.name, server.description);
        QCOMPARE(server.address, QStringLiteral("192.0.2.40"));
        QCOMPARE(server.protocol, protocol);
        QTEST(server.port, "portNumber");
        QTEST(server.available, "available");
        QTEST(server.preferable, "preferable");
        QTEST(server.pointToPoint, "pointToPoint");
        QTEST(server.loadPercentage, "load");
    }

    void flattensInDocumentOrder()
    {
        VPNApiServerListResponse response;
        response.Parse(Reply(QStringLiteral(
            "<data><servers>"
            "<server description=\"A\" ip=\"192.0.2.1\"><ports><port protocol=\"UDP\">1194</port>"
            "<note/><port protocol=\"UDP\">53</port><port protocol=\"TCP\">443</port></ports>"
            "<ports><port protocol=\"UDP\">9</port></ports></server>"
            "<other/>"
            "<server description=\"B\" ip=\"192.0.2.2\"/>"
            "<server description=\"C\" ip=\"192.0.2.3\"><ports><port "
            "protocol=\"TCP\">80</port></ports></server>"
            "</servers><servers><server "
            "description=\"D\"><ports><port>1</port></ports></server></servers></data>")));
        QCOMPARE(response.UdpServers().size(), 2);
        QCOMPARE(response.UdpServers().at(0).port, 1194);
        QCOMPARE(response.UdpServers().at(1).port, 53);
        QCOMPARE(response.TcpServers().size(), 2);
        QCOMPARE(response.TcpServers().at(0).description, QStringLiteral("A"));
        QCOMPARE(response.TcpServers().at(1).description, QStringLiteral("C"));
    }

    // A reply's lists replace the last reply's, also when they are empty.
    void emptyDataClearsTheLists()
    {
        VPNApiServerListResponse response;
        response.Parse(OneServer(QString(), QStringLiteral("<port protocol=\"UDP\">1194</port>")));
        QCOMPARE(response.UdpServers().size(), 1);
        response.Parse(Reply(QStringLiteral("<data/>")));
        QVERIFY(response.UdpServers().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestVPNApiServerListResponse)
#include "testvpnapiserverlistresponse.moc"
