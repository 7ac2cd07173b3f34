#include "logcapture.h"
#include "mainwindowfixture.h"
#include "vpnservermarks.h"
#include "widgets/vpnsimpledialog.h"

#include <QAction>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

const QString Chicago = QStringLiteral("USA Chicago No P2P");
const QString ChicagoIp = QStringLiteral("198.51.100.12");
const QString Miami = QStringLiteral("USA Miami No P2P");
const QString MiamiIp = QStringLiteral("198.51.100.13");
const QString AreYouSure = QStringLiteral("Are you sure you want to proceed?");

} // namespace

// The favorite and anchor marks of the main window's server list, against the in-process service
// simulator: which question each toggle asks, what YES, NO and OK change, where the question
// appears, and what reaches the settings file and the service.
class TestServerMarks final : public QObject, public MainWindowFixture
{
    Q_OBJECT

private:
    // A program start on a settings file with no marks, waited on until the list is shown.
    bool StartAndReachServerSelection(bool network = true)
    {
        if (!QFile::exists(SettingsPath()) && !WriteSettings())
            return false;
        Start(KnownKey(), network);
        return !network || ReachServerSelection();
    }

    QAction* FavoriteAction() const { return ServerList()->actions().at(0); }
    QAction* AnchorAction() const { return ServerList()->actions().at(1); }
    VPNSimpleDialog* Dialog() const { return m_window->ConfirmationDialog(); }
    QPushButton* Button(const char* name) const
    {
        return Dialog()->findChild<QPushButton*>(QLatin1String(name));
    }
    QString DialogText() const
    {
        return Dialog()->findChild<QLabel*>(QStringLiteral("MessageLabel"))->text();
    }
    // Presses a button of the open question and waits until its answer has been handled.
    bool Press(const char* name)
    {
        QPushButton* button = Button(name);
        if (!button || !button->isVisible())
            return false;
        QSignalSpy primary(Dialog(), &VPNSimpleDialog::PrimaryPressed);
        QSignalSpy secondary(Dialog(), &VPNSimpleDialog::SecondaryPressed);
        QTest::mouseClick(button, Qt::LeftButton);
        return QTest::qWaitFor([&] { return primary.size() + secondary.size() == 1; });
    }

    QStringList AnchorScripts() const
    {
        QStringList scripts;
        for (const HttpRequest& request : m_simulator->Requests()) {
            if (request.Path().contains("nchor"))
                scripts << QString::fromLatin1(request.Path());
        }
        return scripts;
    }

    QString AnchorCallField(const QString& field) const
    {
        for (const HttpRequest& request : m_simulator->Requests()) {
            if (request.Path() == "/3/doAnchorVpnNetworkAccountIp")
                return request.FormFields().value(field);
        }
        return QString();
    }

    bool AnchoredInCatalog(const QString& address) const
    {
        for (const auto* list :
             {&m_context->ServerManager().UdpServers(), &m_context->ServerManager().TcpServers()}) {
            for (const VPNServer& server : *list) {
                if (server.anchored != (server.address == address))
                    return false;
            }
        }
        return true;
    }

private slots:
    void initTestCase() { QVERIFY(Prepare()); }
    void init() { QVERIFY(Begin()); }
    void cleanup() { End(); }

    void dialogPosition_data()
    {
        QTest::addColumn<QRect>("window");
        QTest::addColumn<int>("screenTop");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("room above") << QRect(100, 300, 600, 250) << 0 << QPoint(176, 102);
        QTest::newRow("halves rounded down") << QRect(100, 300, 601, 250) << 0 << QPoint(176, 102);
        QTest::newRow("exactly at the top") << QRect(0, 198, 600, 250) << 0 << QPoint(76, 0);
        QTest::newRow("one pixel short: below") << QRect(0, 197, 600, 250) << 0 << QPoint(76, 447);
        QTest::newRow("top edge: below") << QRect(10, 0, 600, 250) << 0 << QPoint(86, 250);
        QTest::newRow("under a top panel: below") << QRect(0, 210, 600, 250) << 28 << QPoint(76, 460);
        QTest::newRow("screen above the primary") << QRect(0, -800, 600, 250) << -1080 << QPoint(76, -998);
    }

    void dialogPosition()
    {
        QFETCH(QRect, window);
        QFETCH(int, screenTop);
        QFETCH(QPoint, expected);
        QCOMPARE(VPNServerMarks::DialogPosition(window, QSize(448, 198), screenTop), expected);
    }

    void eachToggleAsksItsQuestion_data()
    {
        QTest::addColumn<bool>("anchorAction");
        QTest::addColumn<bool>("markedBefore"); // the current record carries the mark
        QTest::addColumn<bool>("otherMarked"); // another server carries it
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("question"); // YES/NO rather than OK only

        QTest::newRow("favorite, none yet")
            << false << false << false << QStringLiteral("Your Favorite server has been set to:\n") + Chicago
            << false;
        QTest::newRow("favorite, changing") << false << false << true
                                            << QStringLiteral("You are changing your Favorite server to:\n")
                + Chicago + QLatin1Char('\n') + AreYouSure
                                            << true;
        QTest::newRow("favorite, removing")
            << false << true << false
            << QStringLiteral("You are removing your Favorite server.\n") + AreYouSure << true;
        QTest::newRow("anchor, none yet")
            << true << false << false
            << QStringLiteral("Your Anchor IP has been set to the following server location:\n") + Chicago
            << false;
        QTest::newRow("anchor, changing")
            << true << false << true
            << QStringLiteral("You are about to change your Anchor IP. Your new Anchor IP will be set to the "
                              "following server location:\n")
                + Chicago + QLatin1Char('\n') + AreYouSure
            << true;
        QTest::newRow("anchor, removing")
            << true << true << false
            << QStringLiteral(
                   "You are removing your Anchor IP Address. This means that you might not be able to "
                   "get the same Anchor IP Address next time.\n")
                + AreYouSure
            << true;
    }

    // The question each toggle asks, and that NO (or closing the question) changes nothing.
    void eachToggleAsksItsQuestion()
    {
        QFETCH(bool, anchorAction);
        QFETCH(bool, markedBefore);
        QFETCH(bool, otherMarked);
        QFETCH(QString, text);
        QFETCH(bool, question);

        const QString marked = markedBefore ? ChicagoIp : otherMarked ? MiamiIp : QString();
        QVERIFY(WriteSettings([&](VPNSettings& s) {
            if (!anchorAction)
                s.favoriteServer = marked;
        }));
        if (anchorAction && !marked.isEmpty())
            m_simulator->SetAnchor(SimulatorFixture::AccountKey(), marked);
        QVERIFY(StartAndReachServerSelection());
        Select(Chicago);
        QAction* action = anchorAction ? AnchorAction() : FavoriteAction();
        QCOMPARE(action->isChecked(), markedBefore);
        const VPNServer before = *CurrentRecord();
        const QByteArray settingsBefore = SettingsFile::Serialize(SettingsOnDisk());
        m_simulator->ClearRequests();

        action->trigger();
        QVERIFY(Dialog()->isVisible());
        QCOMPARE(DialogText(), text);
        QCOMPARE(Button("PrimaryButton")->isVisible(), question);
        QVERIFY(Button("SecondaryButton")->isVisible());
        QCOMPARE(Button("SecondaryButton")->text(), question ? QStringLiteral("NO") : QStringLiteral("OK"));
        if (!question)
            return; // a notice cannot be declined: the confirmations are tested below
        QCOMPARE(Button("PrimaryButton")->text(), QStringLiteral("YES"));

        // NO, and the close button that answers the same, change nothing.
        for (const bool closeButton : {false, true}) {
            if (closeButton) {
                action->trigger();
                QVERIFY(Dialog()->isVisible());
                QSignalSpy secondary(Dialog(), &VPNSimpleDialog::SecondaryPressed);
                Dialog()->CloseDialog();
                QVERIFY(secondary.wait());
            } else {
                QVERIFY(Press("SecondaryButton"));
            }
            QVERIFY(!Dialog()->isVisible());
            QCOMPARE(action->isChecked(), markedBefore);
            QCOMPARE(*CurrentRecord(), before);
            QCOMPARE(SettingsFile::Serialize(SettingsOnDisk()), settingsBefore);
            QCOMPARE(AnchorScripts(), QStringList());
        }
    }

    void favoriteIsKeptByAddressAcrossListsAndRuns()
    {
        QVERIFY(StartAndReachServerSelection());
        Select(Miami);
        m_simulator->ClearRequests();
        LogCapture log;
        FavoriteAction()->trigger();
        QVERIFY(Press("SecondaryButton")); // OK
        QVERIFY(FavoriteAction()->isChecked());
        QVERIFY(CurrentRecord()->favorite);
        QCOMPARE(SettingsOnDisk().favoriteServer, MiamiIp);
        QVERIFY(log.Messages().contains(QStringLiteral("Set favorite state TRUE for  \"USA Miami No P2P\"")));
        QCOMPARE(AnchorScripts(), QStringList()); // the favorite stays on this computer

        // The TCP list, rebuilt, selects the TCP endpoint of the same server.
        m_context->ServerManager().SetListType(VPNServerManager::TcpList);
        QCOMPARE(Model()->ServerAt(0)->protocol, int(VPNServer::Tcp));
        QCOMPARE(ServerList()->currentText(), Miami);
        QVERIFY(CurrentRecord()->favorite);
        QVERIFY(FavoriteAction()->isChecked());

        // Changing it asks first and leaves one favorite.
        Select(Chicago);
        FavoriteAction()->trigger();
        QVERIFY(Press("PrimaryButton")); // YES
        QCOMPARE(SettingsOnDisk().favoriteServer, ChicagoIp);
        int favorites = 0;
        for (const VPNServer& server : Model()->Servers())
            favorites += server.favorite ? 1 : 0;
        QCOMPARE(favorites, 1);

        // The next start selects it.
        QVERIFY(StartAndReachServerSelection());
        QCOMPARE(ServerList()->currentText(), Chicago);
        FavoriteAction()->trigger();
        QVERIFY(Press("PrimaryButton"));
        QVERIFY(!CurrentRecord()->favorite);
        QCOMPARE(SettingsOnDisk().favoriteServer, QString());
        QVERIFY(!FavoriteAction()->isChecked());
    }

    void anchorIsSetOnTheServiceThenRead()
    {
        QVERIFY(StartAndReachServerSelection());
        Select(Chicago);
        m_simulator->ClearRequests();
        QSignalSpy assigned(&m_context->ServerManager(), &VPNServerManager::AssignedServerUpdated);
        LogCapture log;

        AnchorAction()->trigger();
        QVERIFY(Press("SecondaryButton")); // OK
        // The list shows the mark at once; the catalog follows the service's answer.
        QVERIFY(CurrentRecord()->anchored);
        QVERIFY(log.Messages().contains(
            QStringLiteral("Set anchor state ON for  \"USA Chicago No P2P\"  ( \"198.51.100.12\" )")));
        QVERIFY(assigned.wait());
        QCOMPARE(AnchorScripts(),
                 QStringList({QStringLiteral("/3/doAnchorVpnNetworkAccountIp"),
                              QStringLiteral("/3/getVpnNetworkAccountIpAnchor")}));
        QCOMPARE(AnchorCallField(QStringLiteral("server_ip")), ChicagoIp);
        QCOMPARE(m_simulator->Anchor(SimulatorFixture::AccountKey()), ChicagoIp);
        QVERIFY(AnchoredInCatalog(ChicagoIp));
        m_context->ServerManager().SetListType(VPNServerManager::TcpList);
        Select(Chicago);
        QVERIFY(AnchorAction()->isChecked());

        // Removing it.
        m_simulator->ClearRequests();
        assigned.clear();
        AnchorAction()->trigger();
        QVERIFY(Press("PrimaryButton")); // YES
        QVERIFY(!CurrentRecord()->anchored);
        QVERIFY(assigned.wait());
        QCOMPARE(AnchorScripts(), QStringList(QStringLiteral("/3/doUnanchorVpnNetworkAccountIp")));
        QCOMPARE(m_simulator->Anchor(SimulatorFixture::AccountKey()), QString());
        QVERIFY(AnchoredInCatalog(QString()));
    }

    void failedAnchorCallStillReadsTheAnchor()
    {
        m_simulator->SetAnchor(SimulatorFixture::AccountKey(), MiamiIp);
        QVERIFY(StartAndReachServerSelection());
        QVERIFY(AnchoredInCatalog(MiamiIp));
        // The service no longer knows Chicago, so it refuses to anchor there.
        QVERIFY(m_simulator->SetCatalog(
            QByteArrayLiteral("<servers><server description=\"USA Miami No P2P\" "
                              "ip=\"198.51.100.13\" is_p2p=\"0\" load_percentage=\"3\">"
                              "<ports><port protocol=\"UDP\">1194</port></ports>"
                              "</server></servers>")));
        Select(Chicago);
        m_simulator->ClearRequests();
        QSignalSpy assigned(&m_context->ServerManager(), &VPNServerManager::AssignedServerUpdated);

        AnchorAction()->trigger();
        QVERIFY(Press("PrimaryButton")); // YES: changing the anchor
        QVERIFY(assigned.wait());
        QCOMPARE(AnchorScripts(),
                 QStringList({QStringLiteral("/3/doAnchorVpnNetworkAccountIp"),
                              QStringLiteral("/3/getVpnNetworkAccountIpAnchor")}));
        QCOMPARE(m_simulator->Anchor(SimulatorFixture::AccountKey()), MiamiIp);
        QVERIFY(AnchoredInCatalog(MiamiIp));
        // The list's own mark lasts until it is rebuilt from the catalog.
        m_window->InitializeServers();
        Select(Chicago);
        QVERIFY(!AnchorAction()->isChecked());
        Select(Miami);
        QVERIFY(AnchorAction()->isChecked());
    }

    void dialogSitsAboveOrBelowTheWindow_data()
    {
        QTest::addColumn<int>("windowY");
        QTest::addColumn<bool>("below");
        QTest::newRow("room above") << 300 << false;
        QTest::newRow("top edge") << 0 << true;
    }

    void dialogSitsAboveOrBelowTheWindow()
    {
        QFETCH(int, windowY);
        QFETCH(bool, below);
        QVERIFY(StartAndReachServerSelection());
        const int screenTop = m_window->screen()->availableGeometry().top();
        m_window->move(40, screenTop + windowY);
        QTRY_COMPARE(m_window->frameGeometry().top(), screenTop + windowY);

        FavoriteAction()->trigger();
        const QRect window = m_window->frameGeometry();
        const QRect dialog = Dialog()->frameGeometry();
        QVERIFY(qAbs(dialog.center().x() - window.center().x()) <= 1);
        if (below)
            QCOMPARE(dialog.top(), window.bottom() + 1);
        else
            QCOMPARE(dialog.bottom() + 1, window.top());
    }

    // The list can be rebuilt from the catalog while a question is open; the answer still
    // concerns the server that was asked about.
    void answerConcernsTheServerAskedAbout()
    {
        QVERIFY(StartAndReachServerSelection());
        Select(Miami);
        FavoriteAction()->trigger();
        m_context->ServerManager().SetListType(VPNServerManager::TcpList);
        QVERIFY(ServerList()->currentText() != Miami);
        QVERIFY(Press("SecondaryButton")); // OK
        QCOMPARE(SettingsOnDisk().favoriteServer, MiamiIp);
        const int miami = ServerList()->findText(Miami);
        QVERIFY(Model()->ServerAt(miami)->favorite);
        QVERIFY(!CurrentRecord()->favorite);
        QVERIFY(!FavoriteAction()->isChecked());
    }

    void emptyListAsksNothing()
    {
        QVERIFY(StartAndReachServerSelection(false));
        FavoriteAction()->trigger();
        AnchorAction()->trigger();
        QVERIFY(!Dialog()->isVisible());
        QVERIFY(!FavoriteAction()->isChecked());
        QVERIFY(!AnchorAction()->isChecked());
    }
};

QTEST_MAIN(TestServerMarks)
#include "testvpnservermarks.moc"
