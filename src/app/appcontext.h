#pragma once

#include "api/vpnapi.h"
#include "connection/vpnipmanager.h"
#include "platform/isystemservices.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnservermanager.h"
#include "settings/vpnsettings.h"

#include <QTranslator>

#include <memory>

/**
 * The process-wide owner of the long-lived service objects that the windows and the workflow
 * share. Exactly one is created at start-up and passed down by reference; members are torn
 * down in reverse order of declaration.
 */
class VPNAppContext
{
public:
    explicit VPNAppContext(std::unique_ptr<ISystemServices> systemServices);
    ~VPNAppContext();
    VPNAppContext(const VPNAppContext&) = delete;
    VPNAppContext& operator=(const VPNAppContext&) = delete;

    QString ProductWord() const { return m_productWord; }
    ISystemServices& SystemServices() { return *m_systemServices; }
    const ISystemServices& SystemServices() const { return *m_systemServices; }
    VPNApi& Api() { return m_api; }
    VPNSettings& Settings() { return m_settings; }
    QTranslator& Translator() { return m_translator; }
    VPNServerManager& ServerManager() { return m_serverManager; }
    VPNIpManager& IpManager() { return m_ipManager; }
    // Null until the first RebuildServerModel().
    VPNServerListModel* ServerListModel() const { return m_serverListModel.get(); }

    // Applies the settings file on top of the record; failures are logged and leave it as it was.
    void LoadSettings();
    // Writes the record and reads it straight back, so memory equals what the next start sees.
    bool SaveSettings();
    // Reloads the settings file, then lets the API client take its proxy from the record.
    void SetApiProxyFromSettings();
    // Replaces the server list model with one over the catalog's freshly rebuilt visible list.
    VPNServerListModel& RebuildServerModel();

    // Loads the translation of the language chosen in locale.config into the process-wide
    // translator and installs it; without a translation the built-in English texts show.
    void InstallTranslator();
    // The language code on the first line of the language file; "en" when there is none.
    static QString ReadLocale(const QString& path);
    bool LoadTranslation(const QString& path);

private:
    QString m_productWord;
    std::unique_ptr<ISystemServices> m_systemServices;
    VPNApi m_api;
    VPNSettings m_settings;
    QTranslator m_translator;
    VPNServerManager m_serverManager;
    VPNIpManager m_ipManager;
    std::unique_ptr<VPNServerListModel> m_serverListModel;
};
