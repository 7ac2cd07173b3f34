#include "appcontext.h"
#include "connection/accountsession.h"
#include "dialoganswer.h"
#include "fakesystemservices.h"
#include "memoryaccountkeystore.h"
#include "scriptedtunnel.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "servers/vpnserverlistmodel.h"
#include "settings/settingsfile.h"
#include "simulatorfixture.h"
#include "startup.h"
#include "temphome.h"
#include "urlrecorder.h"
#include "versioninfo.h"
#include "vpnmainwindow.h"
#include "vpnoptionsdialog.h"
#include "vpnupdatedialog.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpnsimpledialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QTextDocumentFragment>

namespace {

const QString ExitAddress = QStringLiteral("203.0.113.77");
// A tunnel address on loopback, so that nothing the test starts leaves the machine.
const QString ConnectedLine
    = QStringLiteral(">STATE:1796580774,CONNECTED,SUCCESS,127.0.0.5,198.51.100.1,1194,,\n");
const QString Chicago = QStringLiteral("USA Chicago No P2P");
const QString Miami = QStringLiteral("USA Miami No P2P");
const QString MiamiIp = QStringLiteral("198.51.100.13");

} // namespace

// The real window and workflow as a program start makes them, over a temporary home, the
// in-process service simulator and a scripted tunnel, with the waits shortened: that the view
// follows the controller and hands it the user's presses. What the workflow does in each state is
// the connection controller's own test.
class TestMainWindow final : public QObject
{
    Q_OBJECT

private:
    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<VPNAppContext> m_context;
    ScriptedTunnel* m_tunnel = nullptr;
    std::unique_ptr<VPNMainWindow> m_window;

    // A program start over a settings file with the servers on the main screen; the key store
    // holds the simulator's account unless the test gives another.
    void Start(std::unique_ptr<AccountKeyStore> keyStore
               = std::make_unique<MemoryAccountKeyStore>(SimulatorFixture::AccountKey()))
    {
        VPNSettings settings;
        settings.serversOnMainScreen = true;
        const QString settingsPath = m_home->ConfigPath(QStringLiteral("norvane.xml"));
        QVERIFY(MakeFileDirectory(settingsPath) && SettingsFile::Write(settingsPath, settings));
        m_context = std::make_unique<VPNAppContext>(std::make_unique<FakeSystemServices>(m_home->Path()));
        auto tunnel = std::make_unique<ScriptedTunnel>(m_context->Settings(), m_context->SystemServices());
        m_tunnel = tunnel.get();
        m_tunnel->SetAnswerDisconnect(true);
        m_context->CreateWorkflow(std::move(tunnel), std::move(keyStore), QString());
        m_context->SetUpdater(CreateUpdater(*m_context));
        m_window = CreateMainWindow(*m_context);
        WorkflowTimings timings;
        timings.autoConnectDelayMs = 20;
        timings.ipRetryDelayMs = 10;
        timings.reconnectCountdownIntervalMs = 5;
        timings.disconnectReasonDelayMs = 5;
        timings.changeIpCheckDelayMs = 10;
        m_context->Connection().SetTimings(timings);
        m_window->show();
        m_context->Account().LoadAccountKey();
    }
    bool ReachServerSelection() const
    {
        return QTest::qWaitFor([this] { return State() == QLatin1String("ServerSelectState"); }, 15000);
    }

    template<typename T = QWidget> T* Child(const char* name) const
    {
        T* child = m_window->findChild<T*>(QLatin1String(name));
        if (!child)
            qWarning() << "no child" << name;
        return child;
    }
    QString Text(const char* label) const { return Child<QLabel>(label)->text(); }
    QString State() const { return ConnectionController::StateName(m_context->Connection().CurrentState()); }
    QString ViewName() const { return Child<QStackedWidget>("CurrentView")->currentWidget()->objectName(); }
    QComboBox* ServerList() const { return Child<QComboBox>("ServerListDropDown"); }
    const VPNServer* CurrentRecord() const
    {
        return qobject_cast<VPNServerListModel*>(ServerList()->model())
            ->ServerAt(ServerList()->currentIndex());
    }
    void Select(const QString& name) const { ServerList()->setCurrentIndex(ServerList()->findText(name)); }
    QAction* TrayEntry(const char* name) const { return Child<QAction>(name); }
    bool Shown(const char* name) const { return !Child(name)->isHidden(); }

    void SignIn(const QString& key)
    {
        Child<QLineEdit>("SignInKeyEdit")->setText(key);
        QTest::keyClick(Child<QLineEdit>("SignInKeyEdit"), Qt::Key_Return);
    }

private slots:
    void initTestCase()
    {
        qputenv("NORVANE_WEB_HOST", "www.norvane.example");
        qunsetenv("NORVANE_ACCOUNT_KEY");
        QString error;
        QVERIFY2(m_fixture.Prepare(&error), qPrintable(error));
        qputenv("NORVANE_CA_FILE", m_fixture.CaPath().toUtf8());
    }
    void init()
    {
        m_simulator = m_fixture.Start();
        QVERIFY(m_simulator);
        qputenv("NORVANE_API_HOST", m_simulator->HostAndPort().toUtf8());
        qputenv("NORVANE_UPDATE_URL",
                "https://" + m_simulator->HostAndPort().toUtf8() + ServiceSimulator::AppcastPath);
        m_home = std::make_unique<TempHome>();
    }
    void cleanup()
    {
        m_window.reset();
        m_context.reset();
        m_home.reset();
        m_simulator.reset();
    }

    void connectDisconnectAndDrop()
    {
        Start();
        QVERIFY(ReachServerSelection());
        QCOMPARE(ViewName(), QStringLiteral("MainView"));
        QVERIFY(ServerList()->count() > 1);
        QVERIFY(Shown("ServerListDropDown"));
        QVERIFY(TrayEntry("trayConnectAction")->isEnabled());
        QVERIFY(m_context->Api().Queue().IsProxyEnabled());
        const VPNServer server = *CurrentRecord();

        // The tray entry and the button reach the same workflow.
        TrayEntry("trayConnectAction")->trigger();
        QCOMPARE(State(), QStringLiteral("ConnectingState"));
        QCOMPARE(m_tunnel->ServerAddress(), server.address);
        QVERIFY(Shown("CancelConnectButton") && !Shown("ConnectButton") && !Shown("ServerListDropDown"));
        QVERIFY(Child("CancelConnectButton")->isEnabled());
        QCOMPARE(TrayEntry("trayServerAction")->text(), server.name);

        m_simulator->MapExitAddress(QStringLiteral("127.0.0.1"), ExitAddress);
        m_tunnel->ProcessManagementOutput(ConnectedLine);
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ConnectedState"), 15000);
        QVERIFY(!m_context->Api().Queue().IsProxyEnabled());
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("YOU ARE SECURELY CONNECTED"));
        QCOMPARE(Text("MainStatusTimeLabel"), QStringLiteral("0:00:00"));
        QCOMPARE(Text("MainLocalIPLabel"), QStringLiteral("127.0.0.1"));
        QCOMPARE(Text("MainNewIPLabel"), ExitAddress);
        QVERIFY(Shown("DisconnectButton") && Shown("MainIPFrame") && !Shown("CancelConnectButton"));
        QVERIFY(TrayEntry("trayDisconnectAction")->isEnabled()
                && !TrayEntry("trayConnectAction")->isEnabled());
        QCOMPARE(m_window->LastTrayMessage(), QStringLiteral("CONNECTED"));
        QCOMPARE(m_window->TrayIcon()->toolTip().section(QLatin1Char('\n'), 3),
                 QStringLiteral("New IP: ") + ExitAddress);
        QCOMPARE(Child("MainStatusLabel")->contextMenuPolicy(), Qt::ActionsContextMenu);

        // A user disconnect: the countdown keeps CONNECT and its tray entry closed to its end.
        Child<QPushButton>("DisconnectButton")->click();
        QTRY_COMPARE(State(), QStringLiteral("ServerSelectState"));
        QVERIFY(!Child("ConnectButton")->isEnabled() && !TrayEntry("trayConnectAction")->isEnabled());
        QVERIFY(m_context->Api().Queue().IsProxyEnabled());
        QCOMPARE(m_window->LastTrayMessage(), QStringLiteral("DISCONNECTED"));
        QTRY_VERIFY_WITH_TIMEOUT(Child("ConnectButton")->isEnabled(), 5000);
        QVERIFY(TrayEntry("trayConnectAction")->isEnabled());
        QVERIFY(!Shown("RestartButton"));

        // A drop of an established tunnel names the server and offers the restart.
        TrayEntry("trayConnectAction")->trigger();
        m_tunnel->ProcessManagementOutput(ConnectedLine);
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ConnectedState"), 15000);
        m_tunnel->ReportDisconnected();
        QTRY_VERIFY(Shown("RestartButton"));
        QVERIFY(m_window->ConnectionIndicator()->isVisible());
        QCOMPARE(Text("MainStatusTimeLabel"), QString());
        QCOMPARE(Child("MainStatusLabel")->contextMenuPolicy(), Qt::NoContextMenu);
    }

    void signInAndOut()
    {
        Start(std::make_unique<MemoryAccountKeyStore>());
        QTRY_COMPARE(ViewName(), QStringLiteral("SignInView"));
        QVERIFY(!Shown("MenuSignOutButton"));
        SignIn(QStringLiteral("NOT-A-KNOWN-KEY"));
        QTRY_COMPARE_WITH_TIMEOUT(Text("SignInMessageLabel"),
                                  QStringLiteral("THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN."),
                                  15000);
        QVERIFY(Child("SignInButton")->isEnabled());

        m_simulator->SetHttpError(500);
        SignIn(SimulatorFixture::AccountKey());
        QTRY_COMPARE_WITH_TIMEOUT(ViewName(), QStringLiteral("ErrorView"), 15000);
        QCOMPARE(Text("ErrorLabel"), QStringLiteral("NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT."));
        m_simulator->SetHttpError(0);
        Child<QPushButton>("ErrorRetryButton")->click();
        QVERIFY(ReachServerSelection());
        QVERIFY(Shown("MenuSignOutButton"));
        QCOMPARE(m_context->Account().Email(), QStringLiteral("ann@example.org"));

        // The menu toggle returns to the view shown before it.
        auto* menuButton = Child<QPushButton>("MenuButton");
        menuButton->click();
        QCOMPARE(ViewName(), QStringLiteral("MenuView"));
        QCOMPARE(menuButton->text(), QStringLiteral("BACK"));
        menuButton->click();
        QCOMPARE(ViewName(), QStringLiteral("MainView"));
        QCOMPARE(menuButton->text(), QStringLiteral("MENU"));
        menuButton->click();
        Child<QPushButton>("MenuSignOutButton")->click();
        QCOMPARE(ViewName(), QStringLiteral("SignInView"));
        QVERIFY(Child<QLineEdit>("SignInKeyEdit")->text().isEmpty());
        QVERIFY(m_context->Api().AccountKey().isEmpty());
        QCOMPARE(State(), QStringLiteral("Stopped"));
    }

    void dragsOnlyFromTheBorderBand()
    {
        const QSize window(596, 203);
        for (const QPoint band : {QPoint(39, 100), QPoint(300, 20), QPoint(570, 100), QPoint(300, 180)})
            QVERIFY(VPNMainWindow::IsInDragBand(band, window));
        for (const QPoint inside : {QPoint(40, 60), QPoint(300, 163)})
            QVERIFY(!VPNMainWindow::IsInDragBand(inside, window));
    }

    void trayActivation_data()
    {
        QTest::addColumn<QString>("windowState");
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("visibleAfter");
        QTest::addColumn<bool>("menuAfter");
        const int left = QSystemTrayIcon::Trigger;
        // clang-format off
        QTest::newRow("shown, left click hides") << "shown" << left << false << false;
        QTest::newRow("hidden, double click shows") << "hidden" << int(QSystemTrayIcon::DoubleClick) << true << false;
        QTest::newRow("closed by the desktop, left click shows") << "close()" << left << true << false;
        QTest::newRow("minimized, left click ignored") << "minimized" << left << true << false;
        QTest::newRow("hidden, middle click ignored") << "hidden" << int(QSystemTrayIcon::MiddleClick) << false << false;
        QTest::newRow("context click opens the menu") << "shown" << int(QSystemTrayIcon::Context) << true << true;
        // clang-format on
    }

    void trayActivation()
    {
        QFETCH(QString, windowState);
        QFETCH(int, reason);
        QFETCH(bool, visibleAfter);
        QFETCH(bool, menuAfter);
        Start(std::make_unique<MemoryAccountKeyStore>());
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        if (windowState == QLatin1String("hidden"))
            m_window->hide();
        else if (windowState == QLatin1String("minimized"))
            m_window->setWindowState(Qt::WindowMinimized);
        else if (windowState == QLatin1String("close()"))
            QVERIFY(!m_window->close()); // the desktop's close request only hides
        m_window->SystrayIconActivated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(m_window->isVisible(), visibleAfter);
        QCOMPARE(m_window->isMinimized(), windowState == QLatin1String("minimized"));
        if (menuAfter)
            QTRY_VERIFY(m_window->TrayMenu()->isVisible());
        QCOMPARE(m_window->TrayMenu()->isVisible(), menuAfter);
        m_window->TrayMenu()->hide();
    }

    void trayToolTip_data()
    {
        QTest::addColumn<bool>("serversOnMainScreen");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("list in options, connected") << false << true << "Connected";
        QTest::newRow("list in options, disconnected") << false << false << "Disconnected";
        QTest::newRow("list on main, connected") << true << true << "Connected to: Germany - Frankfurt\nSince: 2024-03-05 21:07\nLocal IP: 203.0.113.24\nNew IP: 198.51.100.73";
        QTest::newRow("list on main, disconnected") << true << false << "Disconnected from: Germany - Frankfurt";
        // clang-format on
    }

    void trayToolTip()
    {
        QFETCH(bool, serversOnMainScreen);
        QFETCH(bool, connected);
        QFETCH(QString, expected);
        QCOMPARE(VPNMainWindow::ComposeTrayToolTip(
                     serversOnMainScreen, connected, QStringLiteral("Germany - Frankfurt"),
                     QDateTime(QDate(2024, 3, 5), QTime(21, 7, 42)), QStringLiteral("203.0.113.24"),
                     QStringLiteral("198.51.100.73")),
                 expected);
    }

    // Through the main window and the real service simulator: the window wires its list to the
    // marks, the catalog follows the service's answer to every anchor call, refused or not, and
    // the list rebuilt from the catalog shows both marks.
    void mainWindowMarksFollowTheService()
    {
        m_simulator->SetAnchor(SimulatorFixture::AccountKey(), MiamiIp);
        Start();
        QVERIFY(ReachServerSelection());
        // The list draws its rows' markers in colour.
        QVERIFY(qobject_cast<VPNComboBoxHtmlDelegate*>(ServerList()->itemDelegate()));
        QAction* favorite = ServerList()->actions().at(0);
        QAction* anchor = ServerList()->actions().at(1);
        VPNSimpleDialog* dialog = m_window->ConfirmationDialog();
        QSignalSpy assigned(&m_context->ServerManager(), &VPNServerManager::AssignedServerUpdated);
        const auto sent = [this] {
            QStringList paths;
            for (const HttpRequest& request : m_simulator->Requests())
                paths << QString::fromLatin1(request.Path());
            return paths;
        };
        Select(Miami);
        favorite->trigger();
        QVERIFY(Press(dialog, "SecondaryButton")); // OK

        // The service no longer knows Chicago and refuses to anchor there.
        QVERIFY(m_simulator->SetCatalog(
            QByteArrayLiteral("<servers><server description=\"USA Miami No P2P\" ip=\"198.51.100.13\" "
                              "is_p2p=\"0\" load_percentage=\"3\"><ports><port protocol=\"UDP\">1194"
                              "</port></ports></server></servers>")));
        Select(Chicago);
        m_simulator->ClearRequests();
        anchor->trigger();
        QVERIFY(Press(dialog, "PrimaryButton")); // YES, change it
        QVERIFY(assigned.wait());
        QCOMPARE(sent(),
                 QStringList({QStringLiteral("/3/doAnchorVpnNetworkAccountIp"),
                              QStringLiteral("/3/getVpnNetworkAccountIpAnchor")}));

        // The TCP list, rebuilt from the catalog, selects the favorite's TCP endpoint.
        m_context->ServerManager().SetListType(VPNServerManager::TcpList);
        QCOMPARE(ServerList()->currentText(), Miami);
        QCOMPARE(CurrentRecord()->protocol, int(VPNServer::Tcp));
        QVERIFY(favorite->isChecked());
        QVERIFY(anchor->isChecked());
        Select(Chicago);
        QVERIFY(!favorite->isChecked());
        QVERIFY(!anchor->isChecked());

        Select(Miami);
        m_simulator->ClearRequests();
        anchor->trigger();
        QVERIFY(Press(dialog, "PrimaryButton")); // YES, remove it
        QVERIFY(assigned.wait());
        QCOMPARE(sent(), QStringList(QStringLiteral("/3/doUnanchorVpnNetworkAccountIp")));
        m_context->ServerManager().SetListType(VPNServerManager::UdpList);
        QCOMPARE(ServerList()->currentText(), Miami);
        QVERIFY(!anchor->isChecked());
    }

    // The options dialog from the menu and from the indicators' Show in Options, what its SAVE
    // changes in the window and the workflow, its server list held while connected, and its
    // restart question reaching the program's restart.
    void optionsDialogHooks()
    {
        Start();
        QVERIFY(ReachServerSelection());
        VPNOptionsDialog* options = m_window->OptionsDialog();
        const auto control
            = [options](const char* name) { return options->findChild<QWidget*>(QLatin1String(name)); };
        const auto press = [&](const char* name) { qobject_cast<QAbstractButton*>(control(name))->click(); };
        auto* optionsList = qobject_cast<QComboBox*>(control("ServerListDropDown"));
        QCOMPARE(optionsList->model(), ServerList()->model());

        // The server list moves into the options, where Miami is chosen.
        Child<QPushButton>("MenuButton")->click();
        Child<QPushButton>("MenuOptionsButton")->click();
        QCOMPARE(optionsList->currentIndex(), ServerList()->currentIndex());
        press("ServerAtOptionsRadioButton");
        optionsList->setCurrentIndex(optionsList->findText(Miami));
        press("SaveOptionsButton");
        QTRY_VERIFY(!options->isVisible());
        QCOMPARE(ServerList()->currentText(), Miami);
        QVERIFY(!Shown("ServerListDropDown"));

        // From the TCP indicator: the Advanced tab; TCP servers through an HTTP proxy.
        Child("TcpIndicatorLabel")->actions().at(0)->trigger();
        QCOMPARE(qobject_cast<QTabWidget*>(control("OptionsTabWidget"))->currentIndex(),
                 int(VPNOptionsDialog::AdvancedTab));
        press("EnableTCPCheckBox");
        qobject_cast<QComboBox*>(control("ProxyComboBox"))->setCurrentIndex(VPNSettings::Http);
        QTest::keyClicks(control("ProxyAddressEdit"), QStringLiteral("proxy.lan"));
        QTest::keyClicks(control("ProxyPortEdit"), QStringLiteral("3128"));
        press("SaveOptionsButton");
        QTRY_VERIFY(!options->isVisible());
        QVERIFY(Shown("TcpIndicatorLabel"));
        QCOMPARE(CurrentRecord()->protocol, int(VPNServer::Tcp));
        QCOMPARE(m_context->Api().Queue().Proxy().hostName(), QStringLiteral("proxy.lan"));

        // While connected the dialog's list cannot change; after the drop it can.
        m_simulator->MapExitAddress(QStringLiteral("127.0.0.1"), ExitAddress);
        TrayEntry("trayConnectAction")->trigger();
        m_tunnel->ProcessManagementOutput(ConnectedLine);
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ConnectedState"), 15000);
        m_window->OnMenuOptionsPressed();
        const int row = optionsList->currentIndex();
        QTest::keyClick(optionsList, Qt::Key_Down);
        QCOMPARE(optionsList->currentIndex(), row);
        m_tunnel->ReportDisconnected();
        QTRY_COMPARE(State(), QStringLiteral("ServerSelectState"));
        QTest::keyClick(optionsList, Qt::Key_Down);
        QCOMPARE(optionsList->currentIndex(), row + 1);

        // Point-to-point changed: YES restarts the program, once the tunnel is down.
        QObject::disconnect(m_window.get(), &VPNMainWindow::RestartRequested, nullptr, nullptr);
        QSignalSpy restart(m_window.get(), &VPNMainWindow::RestartRequested);
        press("EnablePTPCheckBox");
        press("SaveOptionsButton");
        QVERIFY(QTest::qWaitFor([options] { return options->QuestionDialog()->isVisible(); }));
        QVERIFY(Press(options->QuestionDialog(), "PrimaryButton"));
        QTRY_COMPARE(restart.count(), 1);
    }

    // The menu's Update button checks now; the update dialog shows the answer, with the feed's
    // texts as plain text (markup in them stays text) and links to the release's own addresses.
    void updateButtonChecksNow_data()
    {
        QTest::addColumn<QByteArray>("feed"); // empty: the running version offered
        QTest::addColumn<QString>("heading"); // %1: the running version
        QTest::addColumn<QString>("details");
        QTest::addColumn<QString>("links");
        const QByteArray newer
            = "<rss xmlns:s=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel><item>"
              "<title>Norvane &lt;b>99&lt;/b></title><description>&lt;p>Faster&lt;/p></description>"
              "<s:releaseNotesLink>https://www.norvane.example/notes</s:releaseNotesLink>"
              "<enclosure url=\"https://dl.example/n.deb\" s:version=\"99\" "
              "s:shortVersionString=\"99&lt;i>b&lt;/i>\"/></item></channel></rss>";
        // clang-format off
        QTest::newRow("newer") << newer << QStringLiteral("Version 99<i>b</i> is available. You have version %1.") << QStringLiteral("Norvane <b>99</b>\n\nFaster") << QStringLiteral("Download version 99<i>b</i> Release notes");
        QTest::newRow("up to date") << QByteArray() << QStringLiteral("You have the newest version (%1).") << QString() << QString();
        QTest::newRow("failed") << QByteArray("<rss>") << QStringLiteral("The update check failed. Please try again later.") << QStringLiteral("the update feed is not valid XML (line 1, column 5): Premature end of document.") << QString();
        // clang-format on
    }
    void updateButtonChecksNow()
    {
        QFETCH(QByteArray, feed);
        QFETCH(QString, heading);
        QFETCH(QString, details);
        QFETCH(QString, links);
        feed.isEmpty() ? m_simulator->SetOfferedVersion(VersionInfo::Read()) : m_simulator->SetAppcast(feed);
        Start(std::make_unique<MemoryAccountKeyStore>());
        Child<QPushButton>("MenuUpdateButton")->click();
        VPNUpdateDialog* dialog = m_window->UpdateDialog();
        auto* headingLabel = dialog->findChild<QLabel*>(QStringLiteral("HeadingLabel"));
        QCOMPARE(headingLabel->text(), QStringLiteral("Checking for updates..."));
        QTRY_COMPARE_WITH_TIMEOUT(headingLabel->text(), heading.arg(VersionInfo::Read()), 15000);
        QVERIFY(dialog->isVisible() && dialog->windowModality() == Qt::NonModal);
        QCOMPARE(headingLabel->textFormat(), Qt::PlainText);
        auto* detailsText = dialog->findChild<QPlainTextEdit*>(QStringLiteral("DetailsText"));
        QCOMPARE(detailsText->isVisible() ? detailsText->toPlainText() : QString(), details);
        auto* linksLabel = dialog->findChild<QLabel*>(QStringLiteral("LinksLabel"));
        QCOMPARE(linksLabel->isVisible()
                     ? QTextDocumentFragment::fromHtml(linksLabel->text()).toPlainText().simplified()
                     : QString(),
                 links);
        UrlRecorder browser;
        for (const char* link : {"download", "notes", "https://elsewhere.example/"})
            emit linksLabel->linkActivated(QLatin1String(link));
        const QList<QUrl> release = {QUrl(QStringLiteral("https://dl.example/n.deb")),
                                     QUrl(QStringLiteral("https://www.norvane.example/notes"))};
        QCOMPARE(browser.urls, links.isEmpty() ? QList<QUrl>() : release);
    }

    void linksOpenInTheBrowser_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("expected");
        // clang-format off
        QTest::newRow("support link") << "supportLink" << "https://www.norvane.example/support/ticket";
        QTest::newRow("web address") << "https://docs.norvane.example/faq" << "https://docs.norvane.example/faq";
        QTest::newRow("verify") << "" << "https://www.norvane.example/whatismyipaddress/";
        // clang-format on
    }

    void linksOpenInTheBrowser()
    {
        QFETCH(QString, link);
        QFETCH(QString, expected);
        Start(std::make_unique<MemoryAccountKeyStore>());
        UrlRecorder browser;
        if (link.isEmpty())
            TrayEntry("trayVerifyAction")->trigger();
        else
            emit m_window->ConnectionIndicator()->linkActivated(link);
        QCOMPARE(browser.urls.size(), 1);
        QCOMPARE(browser.urls.first().toString(), expected);
    }
};

QTEST_MAIN(TestMainWindow)
#include "testmainwindow.moc"
