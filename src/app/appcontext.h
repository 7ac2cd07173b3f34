#pragma once

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
    VPNSettings& Settings() { return m_settings; }
    QTranslator& Translator() { return m_translator; }

    // Applies the settings file on top of the record; failures are logged and leave it as it was.
    void LoadSettings();
    // Writes the record and reads it straight back, so memory equals what the next start sees.
    bool SaveSettings();

    // Loads the translation of the language chosen in locale.config into the process-wide
    // translator and installs it; without a translation the built-in English texts show.
    void InstallTranslator();
    // The language code on the first line of the language file; "en" when there is none.
    static QString ReadLocale(const QString& path);
    bool LoadTranslation(const QString& path);

private:
    QString m_productWord;
    std::unique_ptr<ISystemServices> m_systemServices;
    VPNSettings m_settings;
    QTranslator m_translator;
};
