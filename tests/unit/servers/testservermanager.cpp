#include "servers/vpnserverlistmodel.h"
#include "servers/vpnservermanager.h"
#include "settings/vpnsettings.h"

#include <QSignalSpy>
#include <QTest>

namespace {

VPNServer Endpoint(const QString& name, const QString& address, int protocol = VPNServer::Udp,
                   bool available = true, bool preferable = false)
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
            {Endpoint(QStringLiteral("Germany 1"), QStringLiteral("192.0.2.1"))},
            {Endpoint(QStringLiteral("Germany 1"), QStringLiteral("192.0.2.1"), VPNServer::Tcp),
             Endpoint(QStringLiteral("France 1"), QStringLiteral("192.0.2.2"), VPNServer::Tcp)});
        QVERIFY(manager.CurrentServers().isEmpty());
        QCOMPARE(manager.RebuildCurrentList().size(), 1);
        manager.SetListType(VPNServerManager::TcpList);
        manager.SetListType(VPNServerManager::TcpList);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(manager.RebuildCurrentList().size(), 2);
    }

    // The row selected at first: the fastest (an available, preferable one), else an available
    // favorite, else the available last used one, else row 0.
    void defaultSelection()
    {
        const struct
        {
            const char* rule;
            bool fastest;
            QString favorite;
            QString lastUsed;
            bool denmarkPreferable;
            int expected;
        } rows[] = {
            {"fastest wins", true, QStringLiteral("192.0.2.2"), QStringLiteral("Estonia"), true, 3},
            {"fastest without one available: last used", true, QString(), QStringLiteral("Estonia"), false,
             4},
            {"fastest off: favorite", false, QStringLiteral("192.0.2.2"), QStringLiteral("Estonia"), true, 1},
            {"unavailable favorite skipped", false, QStringLiteral("192.0.2.3"), QStringLiteral("Estonia"),
             true, 4},
            {"unavailable last used skipped", false, QString(), QStringLiteral("Canada"), true, 0},
            {"nothing matches: row 0", false, QString(), QString(), true, 0},
        };
        for (const auto& row : rows) {
            VPNSettings settings;
            settings.fastestServer = row.fastest;
            settings.favoriteServer = row.favorite;
            settings.lastUsedServer = row.lastUsed;
            VPNServerManager manager(settings);
            QCOMPARE(manager.GetDefaultServerIndex(), 0); // before any list arrives
            // Austria is preferable but unavailable, Canada unavailable.
            manager.SetServerLists(
                {Endpoint(QStringLiteral("Austria"), QStringLiteral("192.0.2.1"), VPNServer::Udp, false,
                          true),
                 Endpoint(QStringLiteral("Belgium"), QStringLiteral("192.0.2.2")),
                 Endpoint(QStringLiteral("Canada"), QStringLiteral("192.0.2.3"), VPNServer::Udp, false),
                 Endpoint(QStringLiteral("Denmark"), QStringLiteral("192.0.2.4"), VPNServer::Udp, true,
                          row.denmarkPreferable),
                 Endpoint(QStringLiteral("Estonia"), QStringLiteral("192.0.2.5"))},
                {});
            manager.UpdateFavoritesFromSettings();
            manager.RebuildCurrentList();
            QVERIFY2(manager.GetDefaultServerIndex() == row.expected, row.rule);
        }
    }

    // The manager marks every endpoint of the favorite's address; the model keeps each mark on
    // one row and ignores rows it does not have. Setting and clearing the anchor on the manager,
    // across both lists, is shown by the server marks test against the simulator.
    void favoriteOnManagerAndModel()
    {
        VPNSettings settings;
        settings.favoriteServer = QStringLiteral("192.0.2.7");
        VPNServerManager manager(settings);
        VPNServer second = Endpoint(QStringLiteral("Italy"), QStringLiteral("192.0.2.7"));
        second.port = 53;
        manager.SetServerLists({Endpoint(QStringLiteral("Italy"), QStringLiteral("192.0.2.7")), second,
                                Endpoint(QStringLiteral("Spain"), QStringLiteral("192.0.2.8"))},
                               {});
        manager.UpdateFavoritesFromSettings();
        VPNServerListModel model(manager.RebuildCurrentList());
        const auto marks = [&model] {
            QString text;
            for (const VPNServer& server : model.Servers())
                text += server.favorite ? QLatin1Char('F')
                    : server.anchored   ? QLatin1Char('A')
                                        : QLatin1Char('-');
            return text;
        };
        QCOMPARE(marks(), QStringLiteral("FF-"));
        QSignalSpy dataChanged(&model, &QAbstractItemModel::dataChanged);
        model.SetFavorite(2, true);
        QCOMPARE(dataChanged.count(), 3); // rows 0 and 1 cleared, row 2 set
        model.SetAnchored(0, true);
        model.SetAnchored(1, true);
        model.SetAnchored(7, true);
        model.SetFavorite(-1, false);
        QCOMPARE(marks(), QStringLiteral("-AF"));
    }
};

QTEST_GUILESS_MAIN(TestServerManager)
#include "testservermanager.moc"
