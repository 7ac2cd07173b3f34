#pragma once

#include <QString>

/**
 * Where the program keeps its files, and the few questions it asks the operating system.
 *
 * Every directory getter returns a path ending in "/". The writable root (settings, log,
 * OpenVPN configuration) and the read-only data (translations, manual) may be different
 * directories; callers never assume they are the same.
 */
class ISystemServices
{
public:
    explicit ISystemServices(QString productWord);
    virtual ~ISystemServices();
    ISystemServices(const ISystemServices&) = delete;
    ISystemServices& operator=(const ISystemServices&) = delete;

    QString ProductWord() const { return m_productWord; }
    // The writable root under which Config/ lives, without a trailing separator.
    QString ApplicationDirectory() const { return m_applicationDirectory; }
    void SetApplicationDirectory(const QString& directory);
    // File name of the running executable; names the settings file.
    QString ExecutableName() const { return m_executableName; }
    void SetExecutableName(const QString& name) { m_executableName = name; }

    virtual QString GetLogDirectory() const = 0;
    virtual QString GetSettingsDirectory() const = 0;
    virtual QString GetDataDirectory() const = 0;
    virtual QString GetLocaleDirectory() const = 0;
    virtual QString GetTranslationsDirectory() const = 0;
    virtual QString GetOpenVpnConfigDirectory() const = 0;
    virtual QString GetManualDirectory() const = 0;

    /// True when a non-loopback interface is up with an address and a default route exists.
    /// Asked afresh on every call.
    virtual bool IsInternetConnected() const = 0;
    virtual bool IsVistaOrWindows7() const = 0;
    /// The operating system's name for the support ticket.
    virtual QString GetOsName() const = 0;

private:
    QString m_productWord;
    QString m_applicationDirectory;
    QString m_executableName;
};

QString GetLogFilePath(const ISystemServices& services);
QString GetSettingsFilePath(const ISystemServices& services);
QString GetLocaleConfigPath(const ISystemServices& services);
QString GetOpenVpnConfigPath(const ISystemServices& services);
// Creates the directory that will hold filePath, with all missing parents.
bool MakeFileDirectory(const QString& filePath);
