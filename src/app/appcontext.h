#pragma once

#include "api/vpnapi.h"
#include "connection/vpnipmanager.h"
#include "platform/clock.h"
#include "platform/isystemservices.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsstore.h"
#include "support/interfacelanguage.h"
#include "updater/autoupdater.h"

#include <memory>

class AccountKeyStore;
class AccountSession;
class ConnectionController;
class NetworkChangeMonitor;
class OpenVpnGeneric;
class TrafficBlock;

/**
 * The process-wide owner of the long-lived objects: the platform services, the service API, the
 * settings, the server catalog, the IP manager and the update check, and once CreateWorkflow() has run the
 * tunnel controller, the account session and the connection controller, wired to each other. Exactly one is
 * created at start-up; it hands each object the few others it uses. Members are torn down in reverse order of
 * declaration.
 */
class VPNAppContext
{
public:
    // A null clock means the system clock.
    explicit VPNAppContext(std::unique_ptr<ISystemServices> systemServices,
                           std::unique_ptr<Clock> clock = {});
    ~VPNAppContext();
    VPNAppContext(const VPNAppContext&) = delete;
    VPNAppContext& operator=(const VPNAppContext&) = delete;

    QString ProductWord() const { return m_productWord; }
    ISystemServices& SystemServices() { return *m_systemServices; }
    const ISystemServices& SystemServices() const { return *m_systemServices; }
    Clock& SystemClock() { return *m_clock; }
    VPNApi& Api() { return m_api; }
    VPNSettings& Settings() { return m_settingsStore.Settings(); }
    SettingsStore& Store() { return m_settingsStore; }
    QTranslator& Translator() { return m_language.Translator(); }
    InterfaceLanguage& Language() { return m_language; }
    VPNServerManager& ServerManager() { return m_serverManager; }
    VPNIpManager& IpManager() { return m_ipManager; }
    // The update check; null until start-up sets one, which replaces any earlier one.
    AutoUpdater* Updater() { return m_updater.get(); }
    void SetUpdater(std::unique_ptr<AutoUpdater> updater) { m_updater = std::move(updater); }

    // Builds the workflow on the given tunnel controller and key store; keyFromEnvironment, when
    // usable, signs in without asking. The account session then loads the key.
    void CreateWorkflow(std::unique_ptr<OpenVpnGeneric> tunnel, std::unique_ptr<AccountKeyStore> keyStore,
                        const QString& keyFromEnvironment);
    OpenVpnGeneric& Tunnel() { return *m_tunnel; }
    AccountSession& Account() { return *m_account; }
    ConnectionController& Connection() { return *m_connection; }
    // Lets the workflow (built first) take the tunnel as dropped when the network changes.
    void WatchNetworkChanges(std::unique_ptr<NetworkChangeMonitor> monitor);
    // Lets the workflow block traffic outside the tunnel when the settings ask for it.
    void BlockTrafficWith(std::unique_ptr<TrafficBlock> block);

    // Applies the settings file on top of the record; failures are logged and leave it as it was.
    void LoadSettings();
    // Writes the record and reads it straight back, so memory equals what the next start sees.
    bool SaveSettings();
    // Reloads the settings file, then lets the API client take its proxy from the record.
    void SetApiProxyFromSettings();

    // Loads the translation of the language chosen in locale.config into the process-wide
    // translator and installs it; without a translation the built-in English texts show.
    void InstallTranslator() { m_language.InstallTranslator(); }

private:
    QString m_productWord;
    std::unique_ptr<ISystemServices> m_systemServices;
    std::unique_ptr<Clock> m_clock;
    VPNApi m_api;
    SettingsStore m_settingsStore;
    InterfaceLanguage m_language;
    VPNServerManager m_serverManager;
    VPNIpManager m_ipManager;
    // After the API client: it fetches through the client's request queue.
    std::unique_ptr<AutoUpdater> m_updater;
    std::unique_ptr<OpenVpnGeneric> m_tunnel;
    std::unique_ptr<AccountKeyStore> m_keyStore;
    std::unique_ptr<AccountSession> m_account;
    // Before the workflow: it outlives the controller that holds it.
    std::unique_ptr<TrafficBlock> m_trafficBlock;
    std::unique_ptr<ConnectionController> m_connection;
    std::unique_ptr<NetworkChangeMonitor> m_networkMonitor;
};
