#pragma once

#include "appcontext.h"
#include "connection/accountsession.h"
#include "connection/connectioncontroller.h"
#include "deployment.h"
#include "e2esupport.h"
#include "linux/linuxsystemservices.h"
#include "memoryaccountkeystore.h"
#include "startup.h"
#include "temphome.h"
#include "tunnel/openvpngeneric.h"
#include "vpnmainwindow.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpngraphicstextitem.h"

#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>

#include <functional>

namespace E2e {

// How a test opens the window.
struct WindowSetup
{
    // The waits (tests shorten the ones that would take minutes).
    OpenVpnTimings tunnel;
    WorkflowTimings workflow;
    // The program's watch of the network and its kill switch.
    bool leakProtection = false;
    // Changes to the settings file before the start; the API client then takes its proxy.
    std::function<void(VPNSettings&)> settings;
};

// The main window with the real tunnel controller, the helper and OpenVPN of the service world,
// as the end-to-end tests of the window drive it: by clicks, reading what it shows.
class WorldWindow
{
public:
    // Opens the window on fresh settings and waits for the server selection.
    void Open(const WindowSetup& setup = {})
    {
        m_home = std::make_unique<TempHome>();
        auto services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
        services->SetExecutable(QCoreApplication::applicationFilePath());
        m_settingsPath = GetSettingsFilePath(*services);
        QVERIFY(WriteSettings(m_settingsPath, false));
        if (setup.settings) {
            VPNSettings settings;
            QVERIFY(SettingsFile::Read(m_settingsPath, settings));
            setup.settings(settings);
            QVERIFY(SettingsFile::Write(m_settingsPath, settings));
        }

        m_context = std::make_unique<VPNAppContext>(std::move(services));
        auto tunnel = CreateTunnel(*m_context);
        tunnel->SetTimings(setup.tunnel);
        // The key comes from NORVANE_ACCOUNT_KEY.
        m_context->CreateWorkflow(std::move(tunnel), std::make_unique<MemoryAccountKeyStore>(),
                                  Deployment::AccountKeyOverride());
        m_context->Connection().SetTimings(setup.workflow);
        if (setup.leakProtection)
            AddLeakProtection(*m_context);
        m_window = CreateMainWindow(*m_context);
        if (setup.settings)
            m_context->SetApiProxyFromSettings();
        m_window->show();
        m_context->Account().LoadAccountKey();
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ServerSelectState"), 60000);
    }

    // Closes the window; no OpenVPN of it may be left.
    void Close()
    {
        const bool opened = m_window != nullptr;
        m_window.reset();
        m_context.reset();
        if (opened)
            QCOMPARE(OpenVpnProcesses(), 0);
    }

    VPNMainWindow& Window() const { return *m_window; }
    VPNAppContext& Context() const { return *m_context; }
    QString SettingsPath() const { return m_settingsPath; }

    template<typename T = QWidget> T* Child(const char* name) const
    {
        return m_window->findChild<T*>(QLatin1String(name));
    }
    QString Text(const char* label) const { return Child<QLabel>(label)->text(); }
    QString State() const { return ConnectionController::StateName(m_context->Connection().CurrentState()); }
    // The message of the connection indicator (a drop's reason), as plain text.
    QString Indicator() const { return m_window->ConnectionIndicator()->MessageItem()->toPlainText(); }

    void Click(const char* button)
    {
        auto* target = Child<QPushButton>(button);
        QVERIFY2(target, button);
        const QString why = QStringLiteral("%1: hidden %2, enabled %3, view %4")
                                .arg(QLatin1String(button))
                                .arg(target->isHidden())
                                .arg(target->isEnabled())
                                .arg(Child<QStackedWidget>("CurrentView")->currentWidget()->objectName());
        QVERIFY2(target->isVisible() && target->isEnabled(), qPrintable(why));
        QTest::mouseClick(target, Qt::LeftButton);
    }

    // Presses CONNECT and waits for the connected view through the world's server.
    void ConnectAndCheck()
    {
        Click("ConnectButton");
        QTRY_COMPARE_WITH_TIMEOUT(State(), QStringLiteral("ConnectedState"), 60000);
        QCOMPARE(Text("MainStatusLabel"), QStringLiteral("YOU ARE SECURELY CONNECTED"));
        QCOMPARE(Text("MainLocalIPLabel"), QStringLiteral("192.0.2.2"));
        // The first exit address of the tunnel, or the one its last change gave.
        QVERIFY2(Text("MainNewIPLabel").startsWith(QLatin1String("203.0.113.")),
                 qPrintable(Text("MainNewIPLabel")));
        QCOMPARE(OpenVpnProcesses(), 1);
    }

private:
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<VPNAppContext> m_context;
    std::unique_ptr<VPNMainWindow> m_window;
    QString m_settingsPath;
};

} // namespace E2e
