#pragma once

#include "api/vpnapi.h"
#include "platform/isystemservices.h"
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

    // Applies the settings file on top of the record; failures are logged and leave it as it was.
    void LoadSettings();
    // Writes the record and reads it straight back, so memory equals what the next start sees.
    bool SaveSettings();
    // Reloads the settings file, then lets the API client take its proxy from the record.
    void SetApiProxyFromSettings();

private:
    QString m_productWord;
    std::unique_ptr<ISystemServices> m_systemServices;
    VPNApi m_api;
    VPNSettings m_settings;
    QTranslator m_translator;
};
