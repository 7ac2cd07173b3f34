#include "appcontext.h"

#include "connection/accountsession.h"
#include "connection/connectioncontroller.h"
#include "deployment.h"
#include "platform/accountkeystore.h"
#include "platform/networkchangemonitor.h"
#include "platform/trafficblock.h"
#include "support/systemclock.h"
#include "tunnel/openvpngeneric.h"
#include "versioninfo.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QProcessEnvironment>
#include <QTextStream>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

VPNAppContext::VPNAppContext(std::unique_ptr<ISystemServices> systemServices, std::unique_ptr<Clock> clock)
    : m_productWord(systemServices->ProductWord())
    , m_systemServices(std::move(systemServices))
    , m_clock(clock ? std::move(clock) : std::make_unique<::SystemClock>())
    , m_api(Deployment::ApiHost(), Deployment::ApiKey())
    , m_settingsStore(GetSettingsFilePath(*m_systemServices))
    , m_language(GetLocaleConfigPath(*m_systemServices), m_systemServices->GetTranslationsDirectory())
    , m_serverManager(m_settingsStore.Settings())
    , m_ipManager(m_api, *m_clock)
{
#if defined(__GLIBC__)
    // Every thread that allocates (network, D-Bus, the API's worker) would otherwise get a heap
    // of its own that keeps, for the rest of the run, the most it ever held; they share one.
    mallopt(M_ARENA_MAX, 1);
#endif
    QObject::connect(&m_api, &VPNApi::ServerListsReceived, &m_serverManager,
                     &VPNServerManager::SetServerLists);
    QObject::connect(&m_api, &VPNApi::AssignedAddressReceived, &m_serverManager,
                     &VPNServerManager::SetAssignedAddress);
    QObject::connect(&m_api, &VPNApi::AssignedAddressCleared, &m_serverManager,
                     &VPNServerManager::ClearAssignedAddress);
    QObject::connect(&m_api, &VPNApi::RequestEntityIpReceived, &m_ipManager, &VPNIpManager::SetGenericIp);
    m_api.Queue().SetExtraCaFile(Deployment::ExtraCaFile());
    m_api.Queue().SetDesktopProxy(DesktopProxy(QProcessEnvironment::systemEnvironment()));
    m_api.SetSystemDescription(VersionInfo::Read(), m_systemServices->GetOsName());
}

VPNAppContext::~VPNAppContext() = default;

void VPNAppContext::CreateWorkflow(std::unique_ptr<OpenVpnGeneric> tunnel,
                                   std::unique_ptr<AccountKeyStore> keyStore,
                                   const QString& keyFromEnvironment)
{
    m_tunnel = std::move(tunnel);
    m_tunnel->SetConfigFilePath(GetOpenVpnConfigPath(*m_systemServices));
    m_keyStore = std::move(keyStore);
    m_account = std::make_unique<AccountSession>(m_api, *m_keyStore, keyFromEnvironment);
    m_connection = std::make_unique<ConnectionController>(*m_tunnel, m_api, m_ipManager, m_serverManager,
                                                          m_settingsStore, *m_systemServices, *m_clock);
    ConnectionController* connection = m_connection.get();
    AccountSession* account = m_account.get();
    QObject::connect(account, &AccountSession::SignedIn, connection, [connection](const QString& key) {
        connection->SetAccountKey(key);
        connection->Initialize();
    });
    QObject::connect(connection, &ConnectionController::SignOutFinished, account, &AccountSession::SignOut);
#if defined(__GLIBC__)
    // Start-up and a disconnect free megabytes (replies, lists replaced, the tunnel's work) that
    // the allocator would keep mapped while the program sits idle.
    QObject::connect(connection, &ConnectionController::StateChanged, connection,
                     [](ConnectionController::State state) {
                         if (state == ConnectionController::State::ServerSelectState
                             || state == ConnectionController::State::ConnectedState)
                             malloc_trim(0);
                     });
#endif
}

void VPNAppContext::WatchNetworkChanges(std::unique_ptr<NetworkChangeMonitor> monitor)
{
    m_networkMonitor = std::move(monitor);
    QObject::connect(m_networkMonitor.get(), &NetworkChangeMonitor::NetworkChanged, m_connection.get(),
                     &ConnectionController::OnNetworkChanged);
}

void VPNAppContext::BlockTrafficWith(std::unique_ptr<TrafficBlock> block)
{
    m_trafficBlock = std::move(block);
    m_connection->SetTrafficBlock(m_trafficBlock.get());
}

void VPNAppContext::LoadSettings()
{
    m_settingsStore.Load();
}

bool VPNAppContext::SaveSettings()
{
    return m_settingsStore.Save();
}

void VPNAppContext::SetApiProxyFromSettings()
{
    LoadSettings();
    m_api.SetProxyFromSettings(Settings());
}
