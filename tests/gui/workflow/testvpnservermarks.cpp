#include "dialoganswer.h"
#include "fakeapi.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsfile.h"
#include "settings/settingsstore.h"
#include "vpnservermarks.h"
#include "widgets/vpnsimpledialog.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Chicago = QStringLiteral("USA Chicago No P2P");
const QString ChicagoIp = QStringLiteral("198.51.100.12");
const QString Miami = QStringLiteral("USA Miami No P2P");
const QString MiamiIp = QStringLiteral("198.51.100.13");

VPNServer Endpoint(const QString& name, const QString& address)
{
    VPNServer server;
    server.name = name;
    server.description = name;
    server.address = address;
    return server;
}

// The marks of a list of Chicago and Miami in a window of its own, wired as the main window and
// the options dialog wire them, over a settings file in a temporary folder and a service that
// records the calls.
struct MarksHost
{
    QTemporaryDir dir;
    SettingsStore settings {dir.filePath(QStringLiteral("norvane.xml"))};
    VPNServerManager catalog {settings.Settings()};
    FakeApi api;
    QWidget window;
    QComboBox* list = new QComboBox(&window);
    QAction* favorite = new QAction(&window);
    QAction* anchor = new QAction(&window);
    VPNServerMarks* marks = new VPNServerMarks(settings, catalog, api, list, favorite, anchor, &window);

    MarksHost()
    {
        favorite->setCheckable(true);
        anchor->setCheckable(true);
        QObject::connect(favorite, &QAction::triggered, marks, &VPNServerMarks::OnFavoriteStateChanged);
        QObject::connect(anchor, &QAction::triggered, marks, &VPNServerMarks::OnAnchorStateChanged);
        window.setGeometry(40, 0, 300, 100);
        catalog.SetServerLists({Endpoint(Chicago, ChicagoIp), Endpoint(Miami, MiamiIp)}, {});
    }

    // Shows the catalog's list with the named server current, as a window does.
    void ShowList(const QString& current)
    {
        list->setModel(new VPNServerListModel(catalog.RebuildCurrentList(), list));
        list->setCurrentIndex(list->findText(current));
        marks->RefreshActions();
    }

    const VPNServerListModel* Model() const { return qobject_cast<VPNServerListModel*>(list->model()); }
};

} // namespace

// The favorite and anchor marks of a server list: which question each toggle asks, what YES,
// NO and OK change (list, settings file, catalog, service), and where the question appears.
class TestServerMarks final : public QObject
{
    Q_OBJECT

private slots:
    void dialogPosition_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<int>("screenTop");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("room above") << QRect(100, 300, 600, 250) << 0 << QPoint(176, 102);
        QTest::newRow("halves rounded down") << QRect(100, 300, 601, 250) << 0 << QPoint(176, 102);
        QTest::newRow("exactly at the top") << QRect(0, 198, 600, 250) << 0 << QPoint(76, 0);
        QTest::newRow("one pixel short: below") << QRect(0, 197, 600, 250) << 0 << QPoint(76, 447);
        QTest::newRow("under a top panel: below") << QRect(0, 210, 600, 250) << 28 << QPoint(76, 460);
    }

    void dialogPosition()
    {
        QFETCH(QRect, window);
        QFETCH(int, screenTop);
        QFETCH(QPoint, expected);
        QCOMPARE(VPNServerMarks::DialogPosition(window, QSize(448, 198), screenTop), expected);
    }

    void toggleAsksThenAnswerApplies_data()
    {
        QTest::addColumn<bool>("anchorAction");
        QTest::addColumn<int>("marked"); // the server with the mark before: none, Chicago or Miami
        QTest::addColumn<QString>("phrase"); // tells this question from the other two
        QTest::addColumn<bool>("yes"); // YES pressed rather than NO (or OK, for a notice)
        // A new list, in another order and with Miami current, replaces the old one while the
        // question is open: the answer still concerns Chicago.
        QTest::addColumn<bool>("replaced");
        const QString setTo = QStringLiteral("has been set to");
        const QString changing = QStringLiteral("chang");
        const QString removing = QStringLiteral("You are removing");
        QTest::newRow("favorite, none yet: OK") << false << -1 << setTo << false << false;
        QTest::newRow("favorite, changing: YES") << false << 1 << changing << true << false;
        QTest::newRow("favorite, changing: NO") << false << 1 << changing << false << false;
        QTest::newRow("favorite, removing: YES") << false << 0 << removing << true << false;
        QTest::newRow("favorite, removing: NO") << false << 0 << removing << false << false;
        QTest::newRow("favorite, list replaced") << false << -1 << setTo << false << true;
        QTest::newRow("anchor, none yet: OK") << true << -1 << setTo << false << false;
        QTest::newRow("anchor, changing: YES") << true << 1 << changing << true << false;
        QTest::newRow("anchor, changing: NO") << true << 1 << changing << false << false;
        QTest::newRow("anchor, removing: YES") << true << 0 << removing << true << false;
        QTest::newRow("anchor, removing: NO") << true << 0 << removing << false << false;
        QTest::newRow("anchor, list replaced") << true << -1 << setTo << false << true;
    }

    // Chicago's action is toggled in a window at the top of the screen.
    void toggleAsksThenAnswerApplies()
    {
        QFETCH(bool, anchorAction);
        QFETCH(int, marked);
        QFETCH(QString, phrase);
        QFETCH(bool, yes);
        QFETCH(bool, replaced);
        const QStringList addresses {ChicagoIp, MiamiIp};
        MarksHost host;
        if (anchorAction)
            host.catalog.SetAssignedAddress(addresses.value(marked));
        else
            host.settings.Settings().SetFavorite(addresses.value(marked));
        QVERIFY(host.settings.Save());
        host.catalog.UpdateFavoritesFromSettings();
        host.ShowList(Chicago);
        QAction* action = anchorAction ? host.anchor : host.favorite;
        QCOMPARE(action->isChecked(), marked == 0);
        QSignalSpy changed(host.marks, &VPNServerMarks::ServersContextStateChanged);

        action->trigger();
        VPNSimpleDialog* dialog = host.marks->Dialog();
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("MessageLabel"))->text().contains(phrase));
        QVERIFY(qAbs(dialog->geometry().center().x() - host.window.geometry().center().x()) <= 1);
        QCOMPARE(dialog->geometry().top(), host.window.geometry().bottom() + 1);
        // A first mark is a notice with OK alone: it cannot be declined.
        const bool notice = marked == -1;
        QCOMPARE(dialog->findChild<QPushButton*>(QStringLiteral("PrimaryButton"))->isVisible(), !notice);
        if (replaced) {
            host.catalog.SetServerLists({Endpoint(Miami, MiamiIp), Endpoint(Chicago, ChicagoIp)}, {});
            host.ShowList(Miami);
        }
        QVERIFY(Press(dialog, yes ? "PrimaryButton" : "SecondaryButton"));

        const bool changes = yes || notice;
        const int after = !changes ? marked : marked == 0 ? -1 : 0; // the server with the mark
        const auto rowOf = [replaced](int server) { return replaced && server >= 0 ? 1 - server : server; };
        const auto mark = anchorAction ? &VPNServer::anchored : &VPNServer::favorite;
        for (int row : {0, 1})
            QCOMPARE(host.Model()->ServerAt(row)->*mark, row == rowOf(after));
        QCOMPARE(action->isChecked(), rowOf(after) == 0);
        QCOMPARE(changed.count(), changes ? 1 : 0);
        // The favorite lives in the settings file and the catalog, the anchor on the service.
        SettingsStore onDisk(host.settings.FilePath());
        onDisk.Load();
        const int favorite = anchorAction ? -1 : after;
        QCOMPARE(onDisk.Settings().favoriteServer, addresses.value(favorite));
        QCOMPARE(host.catalog.FindFavoriteIndex(), rowOf(favorite));
        const QString call = after == 0 ? QStringLiteral("DoAnchorVpnNetworkAccountIp ") + ChicagoIp
                                        : QStringLiteral("DoUnanchorVpnNetworkAccountIp");
        QCOMPARE(host.api.TakeCalls(), anchorAction && changes ? QStringList(call) : QStringList());
    }

    void noServerNoQuestion()
    {
        MarksHost host; // the list has no server model yet
        for (QAction* action : {host.favorite, host.anchor}) {
            action->trigger();
            QVERIFY(!host.marks->Dialog()->isVisible());
            QVERIFY(!action->isChecked());
        }
    }
};

QTEST_MAIN(TestServerMarks)
#include "testvpnservermarks.moc"
