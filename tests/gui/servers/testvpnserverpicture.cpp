#include "api/vpnapiserverlistresponse.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnserverpicture.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTest>

// The picture of a server list row: state icon name, load bucket, flag and their composition.
class TestVPNServerPicture final : public QObject
{
    Q_OBJECT

private:
    static VPNServer Server(const QString& name, bool anchored, bool favorite, bool preferable, int load)
    {
        VPNServer server;
        server.name = name;
        server.description = name;
        server.anchored = anchored;
        server.favorite = favorite;
        server.preferable = preferable;
        server.loadPercentage = load;
        return server;
    }

    // The simulator's catalog, read the way the client reads a server list reply.
    static QList<VPNServer> Catalog()
    {
        QFile file(qEnvironmentVariable("NORVANE_SOURCE_DIR")
                   + QStringLiteral("/servicesim/data/catalog.xml"));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QString catalog = QString::fromUtf8(file.readAll());
        catalog.remove(0, catalog.indexOf(QStringLiteral("<servers")));
        VPNApiServerListResponse response;
        response.Parse(
            QStringLiteral("<response><type>success</type><data>%1</data></response>").arg(catalog));
        return response.UdpServers() + response.TcpServers();
    }

private slots:
    void stateIconName_data()
    {
        QTest::addColumn<bool>("anchored");
        QTest::addColumn<bool>("favorite");
        QTest::addColumn<bool>("preferable");
        QTest::addColumn<int>("load");
        QTest::addColumn<QString>("file");
        QTest::newRow("no marks") << false << false << false << 0 << "FavoriteOff_percent_00.png";
        QTest::newRow("favorite") << false << true << false << 10 << "FavoriteOn_percent_00.png";
        QTest::newRow("fastest") << false << false << true << 10 << "Fastest_percent_00.png";
        QTest::newRow("favorite fastest") << false << true << true << 10 << "FavoriteFastest_percent_00.png";
        QTest::newRow("anchor") << true << false << false << 10 << "Anchor_percent_00.png";
        QTest::newRow("anchor favorite 70") << true << true << false << 70 << "AnchorFavorite_percent_65.png";
        QTest::newRow("anchor fastest") << true << false << true << 10 << "AnchorFastest_percent_00.png";
        QTest::newRow("all marks 80") << true << true << true << 80 << "AnchorFavoriteFastest_percent_65.png";
        QTest::newRow("load 20") << false << false << false << 20 << "FavoriteOff_percent_00.png";
        QTest::newRow("load 21") << false << false << false << 21 << "FavoriteOff_percent_20.png";
        QTest::newRow("load 35") << false << false << false << 35 << "FavoriteOff_percent_20.png";
        QTest::newRow("load 36") << false << false << false << 36 << "FavoriteOff_percent_35.png";
        QTest::newRow("load 50") << false << false << false << 50 << "FavoriteOff_percent_35.png";
        QTest::newRow("load 51") << false << false << false << 51 << "FavoriteOff_percent_50.png";
        QTest::newRow("load 65") << false << false << false << 65 << "FavoriteOff_percent_50.png";
        QTest::newRow("load 66") << false << false << false << 66 << "FavoriteOff_percent_65.png";
        QTest::newRow("load 80") << false << false << false << 80 << "FavoriteOff_percent_65.png";
        QTest::newRow("load 81") << false << false << false << 81 << "FavoriteOff_percent_80.png";
        // A broken negative load counts as very high, not as idle.
        QTest::newRow("load -5") << false << true << false << -5 << "FavoriteOn_percent_80.png";
    }

    void stateIconName()
    {
        QFETCH(bool, anchored);
        QFETCH(bool, favorite);
        QFETCH(bool, preferable);
        QFETCH(int, load);
        QFETCH(QString, file);
        const VPNServer server = Server(QStringLiteral("Japan Tokyo"), anchored, favorite, preferable, load);
        QCOMPARE(VPNServerPicture::StateIconPath(server),
                 QStringLiteral(":/servers/resources/servers/") + file);
        const QImage icon(VPNServerPicture::StateIconPath(server));
        QCOMPARE(icon.size(), QSize(70, 25));
    }

    void flag_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("file");
        QTest::newRow("UK city") << "UK London No P2P"
                                 << "uk.png";
        // Prefixes are case-sensitive: "Ukraine" does not start with "UK" (and must not get the
        // British flag), while an upper-case "UKRAINE" does.
        QTest::newRow("Ukraine") << "Ukraine Kyiv"
                                 << "unknown.png";
        QTest::newRow("UKRAINE starts with UK") << "UKRAINE Kyiv"
                                                << "uk.png";
        QTest::newRow("Brasil") << "Brasil Rio de Janeiro"
                                << "brazil.png";
        QTest::newRow("Brazil") << "Brazil Sao Paulo No P2P"
                                << "brazil.png";
        QTest::newRow("USA") << "USA Miami No P2P"
                             << "usa.png";
        QTest::newRow("lower-case usa") << "usa Miami"
                                        << "unknown.png";
        QTest::newRow("two-word country") << "Hong Kong No P2P"
                                          << "hong_kong.png";
        QTest::newRow("underscore file") << "South Africa Johannesburg"
                                         << "south_africa.png";
        QTest::newRow("prefix of a longer name") << "Czech Republic Prague P2P"
                                                 << "czech.png";
        QTest::newRow("country not at the start") << "Frankfurt Germany"
                                                  << "unknown.png";
        QTest::newRow("empty") << ""
                               << "unknown.png";
    }

    void flag()
    {
        QFETCH(QString, name);
        QFETCH(QString, file);
        QCOMPARE(VPNServerPicture::FlagPath(name), QStringLiteral(":/flags/resources/servers/flags/") + file);
        QCOMPARE(QImage(VPNServerPicture::FlagPath(name)).size(), QSize(16, 25));
    }

    void everyCatalogServerHasItsOwnFlag()
    {
        const QList<VPNServer> servers = Catalog();
        QVERIFY(servers.size() >= 40);
        QSet<QString> flags;
        for (const VPNServer& server : servers) {
            const QString path = VPNServerPicture::FlagPath(server.name);
            QVERIFY2(!path.endsWith(QStringLiteral("/unknown.png")), qPrintable(server.name));
            QVERIFY2(!QImage(path).isNull(), qPrintable(path));
            flags.insert(path);
        }
        QCOMPARE(flags.size(), 34);
    }

    void pictureIsTheIconWithTheFlagOnItsRightEdge()
    {
        const VPNServer server = Server(QStringLiteral("Japan Tokyo"), true, false, true, 55);
        // Compared premultiplied, the way a pixmap holds them: converting a half-transparent
        // pixel back to straight alpha rounds differently on different processors' SIMD paths.
        const auto premultiplied = [](const QPixmap& pixmap) {
            return pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        };
        const QImage picture = premultiplied(VPNServerPicture::Compose(server));
        const QImage icon = premultiplied(QPixmap(VPNServerPicture::StateIconPath(server)));
        const QImage flag = premultiplied(QPixmap(VPNServerPicture::FlagPath(server.name)));
        QCOMPARE(picture.size(), QSize(70, 25));
        QCOMPARE(picture.copy(0, 0, 54, 25), icon.copy(0, 0, 54, 25));
        // The flag is opaque in its middle rows: there the picture shows the flag alone.
        QCOMPARE(picture.copy(54, 9, 16, 7), flag.copy(0, 9, 16, 7));
    }

    void modelDecorationIsThePicture()
    {
        const VPNServer favorite = Server(QStringLiteral("Israel Tel Aviv"), false, true, false, 90);
        VPNServerListModel model({favorite, Server(QStringLiteral("Spain Madrid"), false, false, false, 5)});
        const QVariant decoration = model.data(model.index(0), Qt::DecorationRole);
        QCOMPARE(decoration.userType(), QMetaType::QPixmap);
        QCOMPARE(decoration.value<QPixmap>().toImage(), VPNServerPicture::Compose(favorite).toImage());
        QVERIFY(decoration.value<QPixmap>().toImage()
                != model.data(model.index(1), Qt::DecorationRole).value<QPixmap>().toImage());
        QVERIFY(!model.data(model.index(2), Qt::DecorationRole).isValid());

        // A mark set on the model changes the picture of its row.
        model.SetAnchored(1, true);
        const VPNServer anchored = Server(QStringLiteral("Spain Madrid"), true, false, false, 5);
        QCOMPARE(model.data(model.index(1), Qt::DecorationRole).value<QPixmap>().toImage(),
                 VPNServerPicture::Compose(anchored).toImage());
    }
};

QTEST_MAIN(TestVPNServerPicture)
#include "testvpnserverpicture.moc"
