#include "api/vpnapiserverlistresponse.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnserverpicture.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTest>

// The picture of a server list row: state icon, load bucket, flag and their composition.
class TestVPNServerPicture final : public QObject
{
    Q_OBJECT

private:
    static VPNServer Server(const QString& name, bool anchored, bool favorite, bool preferable, int load)
    {
        VPNServer server;
        server.name = name;
        server.anchored = anchored;
        server.favorite = favorite;
        server.preferable = preferable;
        server.loadPercentage = load;
        return server;
    }

    // Compared premultiplied, the way a pixmap holds them: converting a half-transparent pixel
    // back to straight alpha rounds differently on different processors' SIMD paths.
    static QImage Premultiplied(const QPixmap& pixmap)
    {
        return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    }

private slots:
    void stateIcon_data()
    {
        QTest::addColumn<bool>("anchored");
        QTest::addColumn<bool>("favorite");
        QTest::addColumn<bool>("preferable");
        QTest::addColumn<int>("load");
        QTest::addColumn<QString>("file");
        // Each mark combination once, and the loads on both sides of every bucket edge.
        QTest::newRow("no marks, 0") << false << false << false << 0 << "FavoriteOff_percent_00";
        QTest::newRow("favorite, 20") << false << true << false << 20 << "FavoriteOn_percent_00";
        QTest::newRow("fastest, 21") << false << false << true << 21 << "Fastest_percent_20";
        QTest::newRow("favorite fastest, 35") << false << true << true << 35 << "FavoriteFastest_percent_20";
        QTest::newRow("anchor, 36") << true << false << false << 36 << "Anchor_percent_35";
        QTest::newRow("anchor fastest, 50") << true << false << true << 50 << "AnchorFastest_percent_35";
        QTest::newRow("anchor favorite, 51") << true << true << false << 51 << "AnchorFavorite_percent_50";
        QTest::newRow("all marks, 65") << true << true << true << 65 << "AnchorFavoriteFastest_percent_50";
        QTest::newRow("66") << false << false << false << 66 << "FavoriteOff_percent_65";
        QTest::newRow("80") << false << false << false << 80 << "FavoriteOff_percent_65";
        QTest::newRow("81") << false << false << false << 81 << "FavoriteOff_percent_80";
        // A broken negative load counts as very high, not as idle.
        QTest::newRow("-5") << false << true << false << -5 << "FavoriteOn_percent_80";
    }

    void stateIcon()
    {
        QFETCH(bool, anchored);
        QFETCH(bool, favorite);
        QFETCH(bool, preferable);
        QFETCH(int, load);
        QFETCH(QString, file);
        const VPNServer server = Server(QStringLiteral("Japan Tokyo"), anchored, favorite, preferable, load);
        QCOMPARE(VPNServerPicture::StateIconPath(server),
                 QStringLiteral(":/servers/resources/servers/") + file + QStringLiteral(".png"));
        QCOMPARE(QImage(VPNServerPicture::StateIconPath(server)).size(), QSize(70, 25));
    }

    // Every catalog server has a flag of its own, found by the country its name begins with.
    void flags()
    {
        // The simulator's catalog, read the way the client reads a server list reply.
        QFile file(qEnvironmentVariable("NORVANE_SOURCE_DIR")
                   + QStringLiteral("/servicesim/data/catalog.xml"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString catalog = QString::fromUtf8(file.readAll());
        catalog.remove(0, catalog.indexOf(QStringLiteral("<servers")));
        VPNApiServerListResponse response;
        response.Parse(
            QStringLiteral("<response><type>success</type><data>%1</data></response>").arg(catalog));
        const QList<VPNServer> servers = response.UdpServers() + response.TcpServers();
        QVERIFY(servers.size() >= 40);
        QSet<QString> flags;
        for (const VPNServer& server : servers) {
            const QString path = VPNServerPicture::FlagPath(server.name);
            QVERIFY2(!path.endsWith(QStringLiteral("/unknown.png")), qPrintable(server.name));
            QVERIFY2(QImage(path).size() == QSize(16, 25), qPrintable(path));
            flags.insert(path);
        }
        QCOMPARE(flags.size(), 34);

        const auto flag = [](const char* name) { return VPNServerPicture::FlagPath(QLatin1String(name)); };
        const QString unknown = flag("");
        QCOMPARE(QImage(unknown).size(), QSize(16, 25));
        QCOMPARE(flag("Ukraine Kyiv"), unknown); // case-sensitive: not "UK"
        QCOMPARE(flag("Frankfurt Germany"), unknown); // the country must come first
        QCOMPARE(flag("Brasil Rio"), flag("Brazil Sao Paulo"));
    }

    // The model's decoration is the state icon of the row's current marks with the flag on its
    // right-hand edge.
    void decorationIsTheIconWithTheFlag()
    {
        VPNServerListModel model({Server(QStringLiteral("Japan Tokyo"), false, false, true, 55),
                                  Server(QStringLiteral("Spain Madrid"), false, true, false, 5)});
        model.SetAnchored(0, true);
        const VPNServer& server = *model.ServerAt(0);
        const QImage picture = Premultiplied(model.data(model.index(0), Qt::DecorationRole).value<QPixmap>());
        const QImage icon = Premultiplied(QPixmap(VPNServerPicture::StateIconPath(server)));
        const QImage flag = Premultiplied(QPixmap(VPNServerPicture::FlagPath(server.name)));
        QCOMPARE(picture.size(), QSize(70, 25));
        QCOMPARE(picture.copy(0, 0, 54, 25), icon.copy(0, 0, 54, 25));
        // The flag is opaque in its middle rows: there the picture shows the flag alone.
        QCOMPARE(picture.copy(54, 9, 16, 7), flag.copy(0, 9, 16, 7));
        QCOMPARE(Premultiplied(model.data(model.index(1), Qt::DecorationRole).value<QPixmap>()),
                 Premultiplied(VPNServerPicture::Compose(*model.ServerAt(1))));
        QVERIFY(!model.data(model.index(2), Qt::DecorationRole).isValid());
    }
};

QTEST_MAIN(TestVPNServerPicture)
#include "testvpnserverpicture.moc"
