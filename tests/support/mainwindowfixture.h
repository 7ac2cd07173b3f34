#pragma once

#include "appcontext.h"
#include "connection/accountsession.h"
#include "fakesystemservices.h"
#include "memoryaccountkeystore.h"
#include "scriptedtunnel.h"
#include "servers/vpnserverlistmodel.h"
#include "settings/settingsfile.h"
#include "simulatorfixture.h"
#include "startup.h"
#include "temphome.h"
#include "vpnmainwindow.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QStackedWidget>

#include <functional>

/**
 * The main window and its workflow as a program start makes them, over a test's temporary home,
 * with a scripted tunnel, a key store of the test's choice and the in-process service simulator;
 * waits shortened.
 * A test class derives from it beside QObject and calls Prepare() once, Begin() and End() per test.
 */
class MainWindowFixture
{
protected:
    using SettingsEdit = std::function<void(VPNSettings&)>;
    using TimingsEdit = std::function<void(WorkflowTimings&)>;

    SimulatorFixture m_fixture;
    std::unique_ptr<ServiceSimulator> m_simulator;
    std::unique_ptr<TempHome> m_home;
    std::unique_ptr<VPNAppContext> m_context;
    FakeSystemServices* m_services = nullptr;
    ScriptedTunnel* m_tunnel = nullptr;
    std::unique_ptr<VPNMainWindow> m_window;

    bool Prepare()
    {
        qunsetenv("NORVANE_ACCOUNT_KEY");
        QString error;
        if (!m_fixture.Prepare(&error)) {
            qWarning("certificates: %s", qPrintable(error));
            return false;
        }
        qputenv("NORVANE_CA_FILE", m_fixture.CaPath().toUtf8());
        return true;
    }

    bool Begin()
    {
        m_simulator = m_fixture.Start();
        if (!m_simulator)
            return false;
        qputenv("NORVANE_API_HOST", m_simulator->HostAndPort().toUtf8());
        m_home = std::make_unique<TempHome>();
        return true;
    }

    void End()
    {
        m_window.reset();
        m_context.reset();
        m_home.reset();
        m_simulator.reset();
    }

    QString SettingsPath() const { return m_home->ConfigPath(QStringLiteral("norvane.xml")); }

    // A settings file with the servers on the main screen, as the test edits it.
    bool WriteSettings(const SettingsEdit& edit = {})
    {
        VPNSettings settings;
        settings.serversOnMainScreen = true;
        settings.autoLaunch = false;
        if (edit)
            edit(settings);
        QDir().mkpath(m_home->Path() + QStringLiteral("/Config"));
        return SettingsFile::Write(SettingsPath(), settings);
    }

    VPNSettings SettingsOnDisk() const
    {
        VPNSettings settings;
        SettingsFile::Read(SettingsPath(), settings);
        return settings;
    }

    static std::unique_ptr<AccountKeyStore> KnownKey()
    {
        return std::make_unique<MemoryAccountKeyStore>(SimulatorFixture::AccountKey());
    }

    // A new context and window (the key store defaults to the simulator's account). The tunnel
    // answers every disconnect as OpenVPN's exit would.
    void Start(std::unique_ptr<AccountKeyStore> keyStore = KnownKey(), bool network = true,
               const TimingsEdit& edit = {})
    {
        m_window.reset();
        m_context.reset();
        auto services = std::make_unique<FakeSystemServices>(m_home->Path());
        services->SetInternetConnected(network);
        m_services = services.get();
        m_context = std::make_unique<VPNAppContext>(std::move(services));
        auto tunnel = std::make_unique<ScriptedTunnel>(m_context->Settings(), m_context->SystemServices());
        m_tunnel = tunnel.get();
        OpenVpnTimings tunnelTimings;
        tunnelTimings.failureSignalDelayMs = 10;
        m_tunnel->SetTimings(tunnelTimings);
        m_tunnel->SetAnswerDisconnect(true);
        m_context->CreateWorkflow(std::move(tunnel), std::move(keyStore), QString());
        m_window = CreateMainWindow(*m_context);
        WorkflowTimings timings;
        timings.autoConnectDelayMs = 20;
        timings.ipRetryDelayMs = 10;
        timings.reconnectCountdownIntervalMs = 5;
        timings.disconnectReasonDelayMs = 5;
        timings.changeIpCheckDelayMs = 10;
        if (edit)
            edit(timings);
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
    VPNServerListModel* Model() const { return qobject_cast<VPNServerListModel*>(ServerList()->model()); }
    const VPNServer* CurrentRecord() const { return Model()->ServerAt(ServerList()->currentIndex()); }

    // The one protocol of every row in the list, or -1 when they differ or the list is empty.
    int ListProtocol() const
    {
        int protocol = -1;
        for (int row = 0; row < ServerList()->count(); ++row) {
            const int rowProtocol = Model()->ServerAt(row)->protocol;
            if (row > 0 && rowProtocol != protocol)
                return -1;
            protocol = rowProtocol;
        }
        return protocol;
    }

    void Select(const QString& name)
    {
        const int row = ServerList()->findText(name);
        QVERIFY2(row >= 0, qPrintable(name));
        ServerList()->setCurrentIndex(row);
    }
};
