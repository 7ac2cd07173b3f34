#include "linux/keychainaccountkeystore.h"
#include "logcapture.h"
#include "mainwindowfixture.h"

#include <QAction>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QState>
#include <QStateMachine>
#include <QTest>

// The workflow of the main window against the in-process service simulator: the start-up chain,
// its errors and retries, the properties of each state, the server list and the sign-in.
class TestWorkflow final : public QObject, public MainWindowFixture
{
    Q_OBJECT

private:
    QString KeyFilePath() const { return m_home->ConfigPath(QStringLiteral("account.key")); }

    std::unique_ptr<AccountKeyStore> FileKeyStore() const
    {
        auto store = std::make_unique<KeychainAccountKeyStore>(KeyFilePath());
        store->SetKeyringEnabled(false);
        return store;
    }

    void SignIn(const QString& key)
    {
        Child<QLineEdit>("SignInKeyEdit")->setText(key);
        Child<QPushButton>("SignInButton")->click();
    }

    // Each word of `expected` names an object: "Name" is shown, "!Name" hidden, "Name.enabled"
    // enabled, "!Name.enabled" disabled, "Name.property=N" has that number.
    void CheckProperties(const char* state, const QString& expected)
    {
        QCOMPARE(State(), QLatin1String(state));
        for (QString word : expected.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const bool negated = word.startsWith(QLatin1Char('!'));
            if (negated)
                word.remove(0, 1);
            const QString name = word.section(QLatin1Char('.'), 0, 0);
            const QString property = word.section(QLatin1Char('.'), 1).section(QLatin1Char('='), 0, 0);
            const QString number = word.section(QLatin1Char('='), 1);
            QObject* target = m_window->findChild<QObject*>(name);
            QVERIFY2(target, qPrintable(name));
            QVariant actual;
            if (auto* widget = qobject_cast<QWidget*>(target); widget && property.isEmpty())
                actual = !widget->isHidden(); // the page holding it may not be the one shown
            else
                actual = target->property(property.isEmpty() ? "visible" : qPrintable(property));
            const QVariant wanted = number.isEmpty() ? QVariant(!negated) : QVariant(number.toInt());
            QVERIFY2(actual == wanted,
                     qPrintable(
                         QStringLiteral("%1: %2 is %3").arg(QLatin1String(state), word, actual.toString())));
        }
    }

private slots:
    void initTestCase() { QVERIFY(Prepare()); }
    void init() { QVERIFY(Begin()); }
    void cleanup() { End(); }

    // The designed waits, as a window left alone runs with them.
    void designedIntervals()
    {
        Start(std::make_unique<MemoryAccountKeyStore>(), false);
        VPNMainWindow window(*m_context, std::make_unique<ScriptedTunnel>(m_context->Settings(), *m_services),
                             std::make_unique<MemoryAccountKeyStore>());
        QCOMPARE(window.Timings().autoConnectDelayMs, 500);
        QCOMPARE(m_context->IpManager().RetryInterval(), 1000);
        // 16 ticks of one second: the next connection waits 16 s after a user disconnect.
        QCOMPARE(VPNMainWindow::ReconnectCountdownStart * window.Timings().reconnectCountdownIntervalMs,
                 16000);
        QCOMPARE(window.Timings().autoIpChangeMinuteMs, 60000);
        QCOMPARE(window.Timings().changeIpCheckDelayMs, 3000);
    }

    void fullStartUpShowsTheDefaultServer_data()
    {
        QTest::addColumn<QString>("lastUsed");
        QTest::addColumn<QString>("favorite");
        QTest::addColumn<bool>("fastest");
        QTest::addColumn<QString>("selected");
        QTest::newRow("no hints: first row") << ""
                                             << "" << false << "Germany Frankfurt P2P";
        QTest::newRow("last used") << "USA Miami No P2P"
                                   << "" << false << "USA Miami No P2P";
        QTest::newRow("unavailable last used skipped") << "Romania Bucharest P2P"
                                                       << "" << false << "Germany Frankfurt P2P";
        QTest::newRow("favorite before last used") << "USA Miami No P2P"
                                                   << "198.51.100.12" << false << "USA Chicago No P2P";
        QTest::newRow("fastest before favorite") << "USA Miami No P2P"
                                                 << "198.51.100.12" << true << "Germany Frankfurt P2P";
    }

    void fullStartUpShowsTheDefaultServer()
    {
        QFETCH(QString, lastUsed);
        QFETCH(QString, favorite);
        QFETCH(bool, fastest);
        QFETCH(QString, selected);
        QVERIFY(WriteSettings([&](VPNSettings& s) {
            s.lastUsedServer = lastUsed;
            s.favoriteServer = favorite;
            s.fastestServer = fastest;
        }));
        LogCapture log;
        Start();
        QVERIFY(ReachServerSelection());

        QCOMPARE(ViewName(), QStringLiteral("MainView"));
        QCOMPARE(m_window->GetConnectionPhase(), VPNMainWindow::Disconnected);
        const QStringList messages = log.Messages();
        const auto localIp = messages.indexOf(QStringLiteral("Get local ip."));
        const auto servers = messages.indexOf(QStringLiteral("Get servers list."));
        const auto anchor = messages.indexOf(QStringLiteral("Get anchor info."));
        QVERIFY(localIp >= 0 && servers > localIp && anchor > servers);
        const auto request
            = std::find_if(m_simulator->Requests().cbegin(), m_simulator->Requests().cend(),
                           [](const HttpRequest& r) { return r.Path() == "/3/getServerList"; });
        QVERIFY(request->body.contains("serial=" + SimulatorFixture::AccountKey().toUtf8()));

        // The UDP list, and nothing else, with the default row selected.
        QVERIFY(!ServerList()->isHidden());
        QCOMPARE(ServerList()->count(), m_context->ServerManager().UdpServers().size());
        QCOMPARE(ListProtocol(), int(VPNServer::Udp));
        QCOMPARE(ServerList()->currentText(), selected);
        QCOMPARE(m_context->Settings().currentServerIndex, ServerList()->currentIndex());
        QCOMPARE(m_window->TrayIcon()->toolTip(), QStringLiteral("Disconnected from: ") + selected);
        QVERIFY(Child("TcpIndicatorLabel")->isHidden());
        QVERIFY(Child("PTPIndicatorLabel")->isHidden());
        // Unavailable endpoints are there but cannot be chosen.
        const int bucharest = ServerList()->findText(QStringLiteral("Romania Bucharest P2P"));
        QVERIFY(bucharest >= 0);
        QCOMPARE(ServerList()->model()->flags(ServerList()->model()->index(bucharest, 0)), Qt::NoItemFlags);

        // Another choice is stored and named in the tool tip.
        Select(QStringLiteral("USA Miami No P2P"));
        QCOMPARE(m_context->Settings().currentServerIndex, ServerList()->currentIndex());
        QCOMPARE(m_window->TrayIcon()->toolTip(), QStringLiteral("Disconnected from: USA Miami No P2P"));
    }

    void tcpOnlyLastsWhenAskedForAtStartUp_data()
    {
        QTest::addColumn<bool>("tcpEnabled");
        QTest::addColumn<bool>("tcpOnStartup");
        QTest::addColumn<bool>("tcpAfter");
        QTest::addColumn<int>("portAfter");
        QTest::newRow("tcp without start-up flag") << true << false << false << 443;
        QTest::newRow("tcp with start-up flag") << true << true << true << 80;
        QTest::newRow("udp") << false << false << false << 80;
    }

    void tcpOnlyLastsWhenAskedForAtStartUp()
    {
        QFETCH(bool, tcpEnabled);
        QFETCH(bool, tcpOnStartup);
        QFETCH(bool, tcpAfter);
        QFETCH(int, portAfter);
        QVERIFY(WriteSettings([&](VPNSettings& s) {
            s.tcpServersEnabled = tcpEnabled;
            s.tcpOnStartup = tcpOnStartup;
            s.tcpPort = 80;
        }));
        Start();
        QVERIFY(ReachServerSelection());
        QCOMPARE(SettingsOnDisk().tcpServersEnabled, tcpAfter);
        QCOMPARE(SettingsOnDisk().tcpPort, portAfter);
        QCOMPARE(!Child("TcpIndicatorLabel")->isHidden(), tcpAfter);
        QCOMPARE(ListProtocol(), int(tcpAfter ? VPNServer::Tcp : VPNServer::Udp));
    }

    void startUpErrorsOfferARetry_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("localIpLogsAfterRetry");
        const QString networkError = QStringLiteral("NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT.");
        QTest::newRow("local address not found") << "local ip" << networkError << 2;
        QTest::newRow("server list refused") << "server list" << networkError << 2;
        QTest::newRow("no network")
            << "no network"
            << "THERE IS NO ACTIVE INTERNET CONNECTION.\nCHECK YOUR INTERNET CONNECTION AND TRY AGAIN." << 1;
    }

    void startUpErrorsOfferARetry()
    {
        QFETCH(QString, failure);
        QFETCH(QString, text);
        QFETCH(int, localIpLogsAfterRetry);
        LogCapture log;
        const QString unknownKey = QStringLiteral("Nw4unknown");
        if (failure == QLatin1String("local ip"))
            m_simulator->SetHttpError(503);
        Start(failure == QLatin1String("server list") ? std::make_unique<MemoryAccountKeyStore>(unknownKey)
                                                      : KnownKey(),
              failure != QLatin1String("no network"));

        QTRY_COMPARE_WITH_TIMEOUT(ViewName(), QStringLiteral("ErrorView"), 15000);
        QCOMPARE(Text("ErrorLabel"), text);
        if (failure == QLatin1String("no network"))
            QVERIFY(!m_window->StateMachine());
        else
            QCOMPARE(State(), QStringLiteral("InitialErrorState"));
        if (failure == QLatin1String("local ip"))
            QVERIFY(log.Contains(QStringLiteral("Second attempt to request local IP failed.")));

        // The cause goes away; the retry button runs the chain again from the local address.
        m_simulator->SetHttpError(0);
        m_simulator->AddAccount({unknownKey, QStringLiteral("bo"), QStringLiteral("bo@example.org")});
        m_services->SetInternetConnected(true);
        Child<QPushButton>("ErrorRetryButton")->click();
        QVERIFY(ReachServerSelection());
        QCOMPARE(ViewName(), QStringLiteral("MainView"));
        QCOMPARE(int(log.Messages().count(QStringLiteral("Get local ip."))), localIpLogsAfterRetry);
    }

    void autoConnectPressesConnectOnceTheMainViewShows_data()
    {
        QTest::addColumn<bool>("afterRetry");
        QTest::newRow("first start") << false;
        QTest::newRow("after a retry from the error view") << true;
    }

    void autoConnectPressesConnectOnceTheMainViewShows()
    {
        QFETCH(bool, afterRetry);
        QVERIFY(WriteSettings([](VPNSettings& s) { s.autoConnect = true; }));
        if (afterRetry)
            m_simulator->SetHttpError(503);
        Start();
        QSignalSpy clicks(Child<QPushButton>("ConnectButton"), &QPushButton::clicked);
        int clicksWhenMainViewShown = -1;
        connect(Child<QStackedWidget>("CurrentView"), &QStackedWidget::currentChanged, this, [&] {
            if (ViewName() == QLatin1String("MainView") && clicksWhenMainViewShown < 0)
                clicksWhenMainViewShown = int(clicks.count());
        });
        if (afterRetry) {
            QTRY_COMPARE_WITH_TIMEOUT(ViewName(), QStringLiteral("ErrorView"), 15000);
            m_simulator->SetHttpError(0);
            Child<QPushButton>("ErrorRetryButton")->click();
        }
        QVERIFY(clicks.wait(15000));
        QCOMPARE(clicksWhenMainViewShown, 0);
        QCOMPARE(clicks.count(), 1);
        // The press starts a connection to the selected server.
        QTRY_COMPARE(State(), QStringLiteral("ConnectingState"));
        QCOMPARE(m_tunnel->CallCount(QStringLiteral("DoConnect")), 1);
    }

    void autoConnectWaitsOutAnErrorAtTheAnchorStep()
    {
        QVERIFY(WriteSettings([](VPNSettings& s) { s.autoConnect = true; }));
        Start();
        QTRY_VERIFY(m_window->StateMachine());
        auto* anchorState = m_window->StateMachine()->findChild<QState*>(QStringLiteral("AnchorInfoState"));
        QVERIFY(anchorState);
        connect(anchorState, &QState::entered, m_window.get(), &VPNMainWindow::InitialErrorOccurred,
                Qt::QueuedConnection);
        QSignalSpy clicks(Child<QPushButton>("ConnectButton"), &QPushButton::clicked);
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("InitialErrorState"), 15000);
        QCOMPARE(ViewName(), QStringLiteral("ErrorView"));
        // Many times the auto-connect delay: CONNECT stays unpressed behind the error view.
        QVERIFY(!clicks.wait(300));
    }

    void statesSetTheirProperties()
    {
        const QString tray
            = QStringLiteral("!trayServerAction !trayIpAction !trayChangeIpAction !trayVerifyAction ");
        m_simulator->SetResponseDelay(300);
        Start();
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("LocalIpState"), 15000);
        QCOMPARE(ViewName(), QStringLiteral("InitializationView"));
        CheckProperties("LocalIpState",
                        tray
                            + QStringLiteral("MenuButton.enabled trayStatusAction !trayStatusAction.enabled "
                                             "!trayConnectingAction !trayConnectedAction "
                                             "!trayConnectAction.enabled !trayDisconnectAction.enabled"));
        m_simulator->SetResponseDelay(0);
        QVERIFY(ReachServerSelection());

        const QString serverSelect = tray
            + QStringLiteral("MenuButton.enabled ConnectButton !CancelConnectButton !DisconnectButton "
                             "!ConnectionProgressFrame !MainIPFrame !ChangeIPButton !MainStatusTimeLabel "
                             "MainStatusLabel.maximumWidth=289 trayStatusAction !trayConnectingAction "
                             "!trayConnectedAction trayConnectAction.enabled !trayDisconnectAction.enabled");
        CheckProperties("ServerSelectState", serverSelect);
        // Signals without a transition here change nothing.
        emit m_window->BackToServerSelectState();
        m_tunnel->ReportConnected();
        QCoreApplication::processEvents();
        CheckProperties("ServerSelectState", serverSelect);

        m_tunnel->ReportConnecting();
        QTRY_COMPARE(State(), QStringLiteral("ConnectingState"));
        QCOMPARE(m_window->GetConnectionPhase(), VPNMainWindow::Connecting);
        CheckProperties("ConnectingState",
                        tray
                            + QStringLiteral("!MenuButton.enabled !ConnectButton CancelConnectButton "
                                             "!DisconnectButton ConnectionProgressFrame !MainIPFrame "
                                             "!ChangeIPButton !MainStatusTimeLabel "
                                             "MainStatusLabel.maximumWidth=289 !trayStatusAction "
                                             "trayConnectingAction !trayConnectedAction "
                                             "!trayConnectAction.enabled !trayDisconnectAction.enabled"));

        Child<QPushButton>("CancelConnectButton")->setEnabled(true);
        m_tunnel->ReportConnected();
        QTRY_COMPARE(State(), QStringLiteral("AssignedIpState"));
        CheckProperties("AssignedIpState",
                        QStringLiteral("!CancelConnectButton.enabled CancelConnectButton"));

        emit m_window->RemoteIpUpdated();
        QTRY_COMPARE(State(), QStringLiteral("ConnectedState"));
        QCOMPARE(m_window->GetConnectionPhase(), VPNMainWindow::Connected);
        CheckProperties(
            "ConnectedState",
            QStringLiteral("MenuButton.enabled !ConnectButton !CancelConnectButton DisconnectButton "
                           "!ConnectionProgressFrame MainStatusTimeLabel "
                           "MainStatusLabel.maximumWidth=244 !trayStatusAction "
                           "!trayConnectingAction trayConnectedAction trayServerAction "
                           "trayIpAction trayChangeIpAction trayVerifyAction "
                           "!trayConnectAction.enabled trayDisconnectAction.enabled"));

        emit m_window->BackToServerSelectState();
        QTRY_COMPARE(State(), QStringLiteral("ServerSelectState"));
        CheckProperties("ServerSelectState", serverSelect);
    }

    void signInFailures_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("httpError");
        QTest::addColumn<QString>("view");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("asksTheService");
        const QString signIn = QStringLiteral("SignInView");
        QTest::newRow("empty") << "   " << 0 << signIn << "ENTER YOUR ACCOUNT KEY." << false;
        QTest::newRow("control character")
            << "k3y\tAbc9x" << 0 << signIn << "THE ACCOUNT KEY CONTAINS CHARACTERS THAT ARE NOT ALLOWED."
            << false;
        QTest::newRow("unknown to the service")
            << "Nw4unknown" << 0 << signIn << "THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN."
            << true;
        QTest::newRow("network failure: retry")
            << SimulatorFixture::AccountKey() << 502 << "ErrorView"
            << "NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT." << true;
    }

    void signInFailures()
    {
        QFETCH(QString, typed);
        QFETCH(int, httpError);
        QFETCH(QString, view);
        QFETCH(QString, message);
        QFETCH(bool, asksTheService);
        Start(FileKeyStore());
        QTRY_COMPARE(ViewName(), QStringLiteral("SignInView"));
        QVERIFY(Child("MenuSignOutButton")->isHidden());
        m_simulator->SetHttpError(httpError);
        SignIn(typed);
        if (asksTheService)
            QTRY_VERIFY_WITH_TIMEOUT(
                httpError ? ViewName() == view : Child<QPushButton>("SignInButton")->isEnabled(), 15000);
        QCOMPARE(ViewName(), view);
        QCOMPARE(Text(httpError ? "ErrorLabel" : "SignInMessageLabel"), message);
        QCOMPARE(m_simulator->Requests().size(), asksTheService ? 1 : 0);
        QVERIFY(!m_window->StateMachine());
        QVERIFY(!m_window->IsSignedIn());
        QVERIFY(!QFile::exists(KeyFilePath()));
        if (!httpError) {
            QVERIFY(m_context->Api().AccountKey().isEmpty());
            QCOMPARE(Child<QLineEdit>("SignInKeyEdit")->text(), typed); // left for the user to correct
            return;
        }
        m_simulator->SetHttpError(0);
        Child<QPushButton>("ErrorRetryButton")->click();
        QVERIFY(ReachServerSelection());
        QCOMPARE(m_window->AccountKey(), SimulatorFixture::AccountKey());
    }

    void signInLastsUntilSignOut_data()
    {
        QTest::addColumn<bool>("connected");
        QTest::newRow("not connected") << false;
        QTest::newRow("connected: disconnects first") << true;
    }

    void signInLastsUntilSignOut()
    {
        QFETCH(bool, connected);
        Start(FileKeyStore());
        QTRY_COMPARE(ViewName(), QStringLiteral("SignInView"));
        Child<QLineEdit>("SignInKeyEdit")->setText(QStringLiteral("  ") + SimulatorFixture::AccountKey());
        QTest::keyClick(Child<QLineEdit>("SignInKeyEdit"), Qt::Key_Return);
        QVERIFY(ReachServerSelection());
        QCOMPARE(m_window->AccountUserName(), QStringLiteral("ann"));
        QCOMPARE(m_window->AccountEmail(), QStringLiteral("ann@example.org"));
        QVERIFY(!Child("MenuSignOutButton")->isHidden());
        QCOMPARE(m_simulator->Requests().first().Path(), QByteArrayLiteral("/3/getUserInfo"));
        QTRY_VERIFY(QFile::exists(KeyFilePath()));
        QFile keyFile(KeyFilePath());
        QCOMPARE(keyFile.permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QVERIFY(keyFile.open(QIODevice::ReadOnly));
        QCOMPARE(keyFile.readAll(), SimulatorFixture::AccountKey().toUtf8());

        // The next start goes straight to the chain with the stored key.
        int signInShown = 0;
        Start(FileKeyStore());
        connect(Child<QStackedWidget>("CurrentView"), &QStackedWidget::currentChanged, this,
                [&] { signInShown += ViewName() == QLatin1String("SignInView") ? 1 : 0; });
        QVERIFY(ReachServerSelection());
        QCOMPARE(signInShown, 0);
        QCOMPARE(m_window->AccountKey(), SimulatorFixture::AccountKey());
        // The user's name and e-mail are fetched again for the support ticket.
        QTRY_COMPARE(m_window->AccountEmail(), QStringLiteral("ann@example.org"));
        if (connected) {
            m_tunnel->ReportConnecting();
            m_tunnel->ReportConnected();
            emit m_window->RemoteIpUpdated();
            QTRY_COMPARE(State(), QStringLiteral("ConnectedState"));
        }

        Child<QPushButton>("MenuButton")->click();
        QCOMPARE(ViewName(), QStringLiteral("MenuView"));
        Child<QPushButton>("MenuSignOutButton")->click();
        if (connected) {
            // Not signed out until the tunnel reports itself down.
            QCOMPARE(m_tunnel->Calls(), QStringList {QStringLiteral("DoDisconnect")});
            QCOMPARE(ViewName(), QStringLiteral("MenuView"));
            QVERIFY(m_window->IsSignedIn());
        } else {
            QVERIFY(m_tunnel->Calls().isEmpty());
        }
        QTRY_COMPARE(ViewName(), QStringLiteral("SignInView"));
        QVERIFY(!m_window->IsSignedIn());
        QVERIFY(m_context->Api().AccountKey().isEmpty());
        QVERIFY(Child<QLineEdit>("SignInKeyEdit")->text().isEmpty());
        QTRY_VERIFY(!QFile::exists(KeyFilePath()));

        // Signing in again runs a fresh chain.
        SignIn(SimulatorFixture::AccountKey());
        QVERIFY(ReachServerSelection());
        QCOMPARE(ViewName(), QStringLiteral("MainView"));
    }

    void signOutDuringStartUpStaysSignedOut()
    {
        QVERIFY(WriteSettings([](VPNSettings& s) { s.autoConnect = true; }));
        m_simulator->SetResponseDelay(200);
        Start();
        // Signed out with the anchor step under way, the step leaving which shows the main view.
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("AnchorInfoState"), 15000);
        QSignalSpy serversArrived(&m_context->ServerManager(), &VPNServerManager::AssignedServerUpdated);
        QSignalSpy clicks(Child<QPushButton>("ConnectButton"), &QPushButton::clicked);
        Child<QPushButton>("MenuSignOutButton")->click();
        QCOMPARE(ViewName(), QStringLiteral("SignInView"));

        // The answer already under way arrives and moves nothing.
        QVERIFY(serversArrived.wait(15000));
        QCoreApplication::processEvents();
        QCOMPARE(ViewName(), QStringLiteral("SignInView"));
        QVERIFY(!m_window->StateMachine());
        QCOMPARE(clicks.count(), 0);
    }
};

QTEST_MAIN(TestWorkflow)
#include "testworkflow.moc"
