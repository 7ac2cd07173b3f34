#include "servers/vpnserverlistmodel.h"
#include "servers/vpnservermanager.h"
#include "settings/vpnsettings.h"

#include <QSignalSpy>
#include <QTest>

namespace {

VPNServer Endpoint(const QString& name, const QString& address, int protocol, bool available = true,
                   bool preferable = false)
{
    VPNServer server;
    server.description = name;
    server.name = name;
    server.address = address;
    server.protocol = protocol;
    server.port = protocol == VPNServer::Udp ? 1194 : 443;
    server.available = available;
    server.preferable = preferable;
    return server;
}

} // namespace

class TestServerManager final : public QObject
{
    Q_OBJECT

private slots:
    // The visible list is rebuilt on request from the chosen transport's list; a change of
    // transport is announced only when it changes what a rebuild shows.
    void listTypeChoosesTransport()
    {
        VPNSettings settings;
        VPNServerManager manager(settings);
        QSignalSpy changed(&manager, &VPNServerManager::ListSettingsChanged);
        manager.SetListType(VPNServerManager::TcpList);
        manager.SetListType(VPNServerManager::UdpList);
        QCOMPARE(changed.count(), 0); // the catalog is empty

        manager.SetServerLists(
            {Endpoint(QStringLiteral("Germany 1"), QStringLiteral("192.0.2.1"), VPNServer::Udp)},
            {Endpoint(QStringLiteral("Germany 1"), QStringLiteral("192.0.2.1"), VPNServer::Tcp),
             Endpoint(QStringLiteral("France 1"), QStringLiteral("192.0.2.2"), VPNServer::Tcp)});
        QVERIFY(manager.CurrentServers().isEmpty());
        QCOMPARE(manager.RebuildCurrentList().size(), 1);
        manager.SetListType(VPNServerManager::TcpList);
        manager.SetListType(VPNServerManager::TcpList);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(manager.RebuildCurrentList().size(), 2);
    }

    void defaultSelection_data()
    {
        QTest::addColumn<bool>("fastest");
        QTest::addColumn<QString>("favorite");
        QTest::addColumn<QString>("lastUsed");
        QTest::addColumn<bool>("denmarkPreferable");
        QTest::addColumn<int>("expected");

        // Rows: 0 Austria (preferable, unavailable), 1 Belgium, 2 Canada (unavailable),
        // 3 Denmark (preferable as the row says), 4 Estonia.
        QTest::newRow("fastest wins") << true << "192.0.2.2"
                                      << "Estonia" << true << 3;
        QTest::newRow("fastest without one available: last used") << true << ""
                                                                  << "Estonia" << false << 4;
        QTest::newRow("fastest off: favorite") << false << "192.0.2.2"
                                               << "Estonia" << true << 1;
        QTest::newRow("unavailable favorite skipped") << false << "192.0.2.3"
                                                      << "Estonia" << true << 4;
        QTest::newRow("unavailable last used skipped") << false << ""
                                                       << "Canada" << true << 0;
        QTest::newRow("nothing matches: row 0") << false << ""
                                                << "" << true << 0;
    }

    void defaultSelection()
    {
        QFETCH(bool, fastest);
        QFETCH(QString, favorite);
        QFETCH(QString, lastUsed);
        QFETCH(bool, denmarkPreferable);
        QFETCH(int, expected);

        VPNSettings settings;
        settings.fastestServer = fastest;
        settings.favoriteServer = favorite;
        settings.lastUsedServer = lastUsed;
        VPNServerManager manager(settings);
        QCOMPARE(manager.GetDefaultServerIndex(), 0); // before any list arrives
        manager.SetServerLists(
            {Endpoint(QStringLiteral("Austria"), QStringLiteral("192.0.2.1"), VPNServer::Udp, false, true),
             Endpoint(QStringLiteral("Belgium"), QStringLiteral("192.0.2.2"), VPNServer::Udp),
             Endpoint(QStringLiteral("Canada"), QStringLiteral("192.0.2.3"), VPNServer::Udp, false),
             Endpoint(QStringLiteral("Denmark"), QStringLiteral("192.0.2.4"), VPNServer::Udp, true,
                      denmarkPreferable),
             Endpoint(QStringLiteral("Estonia"), QStringLiteral("192.0.2.5"), VPNServer::Udp)},
            {});
        manager.UpdateFavoritesFromSettings();
        manager.RebuildCurrentList();
        QCOMPARE(manager.GetDefaultServerIndex(), expected);
    }

    // Setting and clearing the anchor on the manager, across both lists, is shown by the server
    // marks test against the simulator.
    void favoriteOnManagerAndModel()
    {
        VPNSettings settings;
        settings.favoriteServer = QStringLiteral("192.0.2.7");
        VPNServerManager manager(settings);
        // Two endpoints of one server (two UDP ports) share the address.
        VPNServer second = Endpoint(QStringLiteral("Italy"), QStringLiteral("192.0.2.7"), VPNServer::Udp);
        second.port = 53;
        manager.SetServerLists(
            {Endpoint(QStringLiteral("Italy"), QStringLiteral("192.0.2.7"), VPNServer::Udp), second,
             Endpoint(QStringLiteral("Spain"), QStringLiteral("192.0.2.8"), VPNServer::Udp)},
            {});
        manager.UpdateFavoritesFromSettings();
        const QList<VPNServer> current = manager.RebuildCurrentList();
        QVERIFY(current.at(0).favorite && current.at(1).favorite && !current.at(2).favorite);

        // The model's marks stay on one row even where the manager marks two.
        VPNServerListModel model(current);
        QSignalSpy dataChanged(&model, &QAbstractItemModel::dataChanged);
        model.SetFavorite(2, true);
        QCOMPARE(dataChanged.count(), 3); // rows 0 and 1 cleared, row 2 set
        QCOMPARE(model.Servers().at(0).favorite, false);
        QCOMPARE(model.Servers().at(1).favorite, false);
        QCOMPARE(model.Servers().at(2).favorite, true);
        model.SetAnchored(0, true);
        model.SetAnchored(1, true);
        QVERIFY(!model.Servers().at(0).anchored && model.Servers().at(1).anchored);
        model.SetAnchored(7, true);
        model.SetFavorite(-1, false);
        QCOMPARE(model.Servers().at(2).favorite, true);
        // The manager's own copy is untouched by the model.
        QVERIFY(manager.CurrentServers().at(0).favorite);
    }
};

QTEST_GUILESS_MAIN(TestServerManager)
#include "testservermanager.moc"
