#pragma once

#include "platform/isystemservices.h"

// The Linux platform layer. The writable root is $NORVANE_HOME, else the executable's
// directory when it is writable and not an install location (portable), else
// ~/.local/share/norvane. Read-only data
// (tr/, Manual/, tarnwick.crt) is found next to the executable first, then in the installed
// share folder.
class LinuxSystemServices final : public ISystemServices
{
public:
    explicit LinuxSystemServices(const QString& productWord);

    // Fills the directories from the running executable's location.
    void SetExecutable(const QString& executablePath);
    static QString ResolveWritableRoot(const QString& executableDirectory, const QString& productWord);
    // Path of the read-only file or folder name: beside the executable when it is there (a build
    // tree, an unpacked archive), else in the installed share folder (/usr/share/norvane).
    static QString FindReadOnlyData(const QString& executableDirectory, const QString& name);

    QString GetLogDirectory() const override { return ConfigDirectory(); }
    QString GetSettingsDirectory() const override { return ConfigDirectory(); }
    QString GetDataDirectory() const override { return ConfigDirectory(); }
    QString GetLocaleDirectory() const override { return ConfigDirectory(); }
    QString GetTranslationsDirectory() const override;
    QString GetOpenVpnConfigDirectory() const override { return ConfigDirectory(); }
    QString GetManualDirectory() const override;

    bool IsInternetConnected() const override;
    bool IsVistaOrWindows7() const override { return false; }
    QString GetOsName() const override;

    // Parsers of the kernel's routing tables, separated from the files for the tests.
    static bool HasIpv4DefaultRoute(const QByteArray& procNetRoute);
    static bool HasIpv6DefaultRoute(const QByteArray& procNetIpv6Route);

private:
    QString ConfigDirectory() const { return ApplicationDirectory() + QStringLiteral("/Config/"); }
    QString ReadOnlyDataDirectory(const QString& name) const;

    QString m_executableDirectory;
};
