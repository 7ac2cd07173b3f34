#pragma once

#include "platform/isystemservices.h"

/**
 * Platform services for tests: every directory lies under one root (a test's temporary home),
 * and the network presence is whatever the test says it is.
 */
class FakeSystemServices final : public ISystemServices
{
public:
    explicit FakeSystemServices(const QString& root, const QString& productWord = QStringLiteral("norvane"))
        : ISystemServices(productWord)
    {
        SetApplicationDirectory(root);
    }

    void SetInternetConnected(bool connected) { m_internetConnected = connected; }

    QString GetLogDirectory() const override { return ConfigDirectory(); }
    QString GetSettingsDirectory() const override { return ConfigDirectory(); }
    QString GetDataDirectory() const override { return ConfigDirectory(); }
    QString GetLocaleDirectory() const override { return ConfigDirectory(); }
    QString GetTranslationsDirectory() const override
    {
        return ApplicationDirectory() + QStringLiteral("/tr/");
    }
    QString GetOpenVpnConfigDirectory() const override { return ConfigDirectory(); }
    QString GetManualDirectory() const override
    {
        return ApplicationDirectory() + QStringLiteral("/Manual/");
    }

    bool IsInternetConnected() const override { return m_internetConnected; }
    bool IsVistaOrWindows7() const override { return false; }
    QString GetOsName() const override { return QStringLiteral("Test OS 1.0"); }

private:
    QString ConfigDirectory() const { return ApplicationDirectory() + QStringLiteral("/Config/"); }

    bool m_internetConnected = true;
};
