#include "appcontext.h"
#include "deployment.h"
#include "fakesystemservices.h"
#include "memoryaccountkeystore.h"
#include "scriptedtunnel.h"
#include "temphome.h"
#include "urlrecorder.h"
#include "vpnmainwindow.h"
#include "widgets/hkwindowbutton.h"
#include "widgets/hkwindowbuttonview.h"
#include "widgets/vpnconnectionindicator.h"

#include <QComboBox>
#include <QGraphicsPixmapItem>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

// The main window's own behaviour: views, menu toggle, dragging, tray and tool tip. The account
// key never arrives here, so the workflow does not start.
class TestVPNMainWindow final : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<VPNAppContext> m_context;
    std::unique_ptr<VPNMainWindow> m_window;

    template<typename T> T* Child(const char* name) const
    {
        T* child = m_window->findChild<T*>(QLatin1String(name));
        if (!child)
            qWarning() << "no child" << name;
        return child;
    }

    QStackedWidget* Views() const { return Child<QStackedWidget>("CurrentView"); }

private slots:
    void init()
    {
        m_home = std::make_unique<TempHome>();
        auto services = std::make_unique<FakeSystemServices>(m_home->Path());
        m_context = std::make_unique<VPNAppContext>(std::move(services));
        auto tunnel = std::make_unique<ScriptedTunnel>(m_context->Settings(), m_context->SystemServices());
        auto keyStore = std::make_unique<MemoryAccountKeyStore>();
        keyStore->SetHoldLoad(true);
        m_window = std::make_unique<VPNMainWindow>(*m_context, std::move(tunnel), std::move(keyStore));
        m_window->move(300, 300);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_window.reset();
        m_context.reset();
        m_home.reset();
    }

    void trayConnectEntriesPressTheWindowsButtons()
    {
        QSignalSpy connectClicked(Child<QPushButton>("ConnectButton"), &QPushButton::clicked);
        QSignalSpy disconnectClicked(Child<QPushButton>("DisconnectButton"), &QPushButton::clicked);
        for (const char* name : {"trayConnectAction", "trayDisconnectAction"}) {
            Child<QAction>(name)->setEnabled(true);
            Child<QAction>(name)->trigger();
        }
        QCOMPARE(connectClicked.count(), 1);
        QCOMPARE(disconnectClicked.count(), 1);
    }

    void menuButtonReturnsToTheViewShownBefore_data()
    {
        QTest::addColumn<QString>("startView");
        QTest::newRow("main view") << QStringLiteral("MainView");
        QTest::newRow("error view") << QStringLiteral("ErrorView");
    }

    void menuButtonReturnsToTheViewShownBefore()
    {
        QFETCH(QString, startView);
        QWidget* start = Child<QWidget>(startView.toLatin1().constData());
        auto* menuButton = Child<QPushButton>("MenuButton");
        Views()->setCurrentWidget(start);

        QTest::mouseClick(menuButton, Qt::LeftButton);
        QCOMPARE(Views()->currentWidget(), Child<QWidget>("MenuView"));
        QCOMPARE(menuButton->text(), QStringLiteral("BACK"));

        QTest::mouseClick(menuButton, Qt::LeftButton);
        QCOMPARE(Views()->currentWidget(), start);
        QCOMPARE(menuButton->text(), QStringLiteral("MENU"));
    }

    void dragsOnlyFromTheBorderBand_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<bool>("otherButton"); // pressed as well before the move
        QTest::addColumn<bool>("moves");
        QTest::newRow("left band") << QPoint(10, 100) << false << true;
        QTest::newRow("last column of the left band") << QPoint(39, 100) << false << true;
        QTest::newRow("top band") << QPoint(300, 20) << false << true;
        QTest::newRow("right band") << QPoint(570, 100) << false << true;
        QTest::newRow("bottom band") << QPoint(300, 180) << false << true;
        QTest::newRow("inside, near the left") << QPoint(40, 60) << false << false;
        QTest::newRow("inside, near the bottom") << QPoint(300, 163) << false << false;
        QTest::newRow("other button ends the drag") << QPoint(10, 100) << true << false;
    }

    void dragsOnlyFromTheBorderBand()
    {
        QFETCH(QPoint, press);
        QFETCH(bool, otherButton);
        QFETCH(bool, moves);
        const QPoint start = m_window->pos();
        QTest::mousePress(m_window.get(), Qt::LeftButton, {}, press);
        if (otherButton)
            QTest::mousePress(m_window.get(), Qt::RightButton, {}, press);
        QTest::mouseMove(m_window.get(), press + QPoint(25, 15));
        QTest::mouseRelease(m_window.get(), Qt::LeftButton, {}, press + QPoint(25, 15));
        if (moves)
            QTRY_COMPARE(m_window->pos(), start + QPoint(25, 15));
        else
            QCOMPARE(m_window->pos(), start);
        QCOMPARE(m_window->size(), QSize(596, 203));
    }

    void trayActivation_data()
    {
        QTest::addColumn<QString>("windowState");
        QTest::addColumn<int>("reason");
        QTest::addColumn<bool>("visibleAfter");
        QTest::addColumn<bool>("minimizedAfter");
        QTest::addColumn<bool>("menuAfter");
        const int left = QSystemTrayIcon::Trigger;
        const int twice = QSystemTrayIcon::DoubleClick;
        QTest::newRow("shown, left click hides") << "shown" << left << false << false << false;
        QTest::newRow("hidden, left click shows") << "hidden" << left << true << false << false;
        QTest::newRow("shown, double click hides") << "shown" << twice << false << false << false;
        QTest::newRow("hidden, double click shows") << "hidden" << twice << true << false << false;
        QTest::newRow("closed by its button, left click shows")
            << "close button" << left << true << false << false;
        QTest::newRow("closed by the desktop, double click shows")
            << "close()" << twice << true << false << false;
        QTest::newRow("minimized, left click ignored") << "minimized" << left << true << true << false;
        QTest::newRow("minimized, double click ignored") << "minimized" << twice << true << true << false;
        QTest::newRow("hidden, middle click ignored")
            << "hidden" << int(QSystemTrayIcon::MiddleClick) << false << false << false;
        QTest::newRow("shown, context click opens the menu")
            << "shown" << int(QSystemTrayIcon::Context) << true << false << true;
    }

    void trayActivation()
    {
        QFETCH(QString, windowState);
        QFETCH(int, reason);
        QFETCH(bool, visibleAfter);
        QFETCH(bool, minimizedAfter);
        QFETCH(bool, menuAfter);
        if (windowState == QLatin1String("hidden")) {
            m_window->hide();
        } else if (windowState == QLatin1String("minimized")) {
            m_window->setWindowState(Qt::WindowMinimized);
        } else if (windowState == QLatin1String("close()")) {
            QVERIFY(!m_window->close()); // the desktop's close request only hides
        } else if (windowState == QLatin1String("close button")) {
            HkWindowButtonView* bar = m_window->WindowButtons();
            const QGraphicsPixmapItem* item = bar->CloseButton()->NormalItem();
            QTest::mouseClick(bar->viewport(), Qt::LeftButton, {},
                              bar->mapFromScene(item->mapToScene(item->boundingRect().center())));
            QTRY_VERIFY(!m_window->isVisible());
        }
        QVERIFY(m_window->isVisible() == windowState.startsWith(QLatin1String("shown"))
                || windowState == QLatin1String("minimized"));
        m_window->SystrayIconActivated(QSystemTrayIcon::ActivationReason(reason));
        QCOMPARE(m_window->isVisible(), visibleAfter);
        QCOMPARE(m_window->isMinimized(), minimizedAfter);
        if (menuAfter)
            QTRY_VERIFY(m_window->TrayMenu()->isVisible());
        QCOMPARE(m_window->TrayMenu()->isVisible(), menuAfter);
        m_window->TrayMenu()->hide();
    }

    void minimizeHidesTheChromeUntilRestored()
    {
        m_window->OnMinimize();
        QVERIFY(m_window->isMinimized());
        QVERIFY(m_window->WindowButtons()->isHidden());
        m_window->showNormal();
        QTRY_VERIFY(!m_window->WindowButtons()->isHidden());
    }

    void trayToolTip_data()
    {
        QTest::addColumn<bool>("serversOnMainScreen");
        QTest::addColumn<int>("phase");
        QTest::addColumn<QString>("expected");
        QTest::newRow("list in options, connected") << false << int(VPNMainWindow::Connected) << "Connected";
        QTest::newRow("list in options, disconnected")
            << false << int(VPNMainWindow::Disconnected) << "Disconnected";
        QTest::newRow("list in options, connecting")
            << false << int(VPNMainWindow::Connecting) << "Disconnected";
        QTest::newRow("list on main, connected")
            << true << int(VPNMainWindow::Connected)
            << "Connected to: Germany - Frankfurt\nSince: 2024-03-05 21:07\nLocal IP: 203.0.113.24\n"
               "New IP: 198.51.100.73";
        QTest::newRow("list on main, disconnected")
            << true << int(VPNMainWindow::Disconnected) << "Disconnected from: Germany - Frankfurt";
    }

    void trayToolTip()
    {
        QFETCH(bool, serversOnMainScreen);
        QFETCH(int, phase);
        QFETCH(QString, expected);
        m_context->Settings().serversOnMainScreen = serversOnMainScreen;
        Child<QComboBox>("ServerListDropDown")->addItem(QStringLiteral("Germany - Frankfurt"));
        Child<QLabel>("MainLocalIPLabel")->setText(QStringLiteral("203.0.113.24"));
        Child<QLabel>("MainNewIPLabel")->setText(QStringLiteral("198.51.100.73"));
        m_window->SetConnectedSince(QDateTime(QDate(2024, 3, 5), QTime(21, 7, 42)));
        m_window->SetConnectionPhase(VPNMainWindow::ConnectionPhase(phase));
        m_window->UpdateTrayToolTip();
        QCOMPARE(m_window->TrayIcon()->toolTip(), expected);
    }

    void retranslateRestoresTextsAndKeepsTheConnectedStatus()
    {
        m_window->SetConnectionPhase(VPNMainWindow::Connected);
        Child<QLabel>("MainStatusLabel")->setText(QStringLiteral("something else"));
        auto* openAction = Child<QAction>("trayOpenAction");
        auto* serverAction = Child<QAction>("trayServerAction");
        openAction->setText(QStringLiteral("stale"));
        serverAction->setText(QStringLiteral("Germany - Frankfurt"));
        m_window->RetranslateUI();
        QCOMPARE(Child<QLabel>("MainStatusLabel")->text(), QStringLiteral("YOU ARE SECURELY CONNECTED"));
        QCOMPARE(openAction->text(), QStringLiteral("&Open NORVANE"));
        QCOMPARE(serverAction->text(), QStringLiteral("Germany - Frankfurt")); // a name, not a text
        QCOMPARE(m_window->TrayIcon()->toolTip(), QStringLiteral("Connected"));
    }

    void indicatorLinksOpenInTheBrowser_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("expectedHost");
        QTest::newRow("support link") << QStringLiteral("supportLink") << Deployment::WebHost();
        QTest::newRow("web address") << QStringLiteral("https://docs.norvane.example/faq")
                                     << QStringLiteral("docs.norvane.example");
    }

    void indicatorLinksOpenInTheBrowser()
    {
        QFETCH(QString, link);
        QFETCH(QString, expectedHost);
        UrlRecorder browser;
        emit m_window->ConnectionIndicator()->linkActivated(link);
        QCOMPARE(browser.urls.size(), 1);
        QCOMPARE(browser.urls.first().host(), expectedHost);
        QVERIFY(m_window->isVisible());
    }
};

QTEST_MAIN(TestVPNMainWindow)
#include "testvpnmainwindow.moc"
