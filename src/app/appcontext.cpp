#include "app/appcontext.h"

#include "settings/settingsfile.h"

VPNAppContext::VPNAppContext(std::unique_ptr<ISystemServices> systemServices)
    : m_productWord(systemServices->ProductWord())
    , m_systemServices(std::move(systemServices))
{ }

VPNAppContext::~VPNAppContext() = default;

void VPNAppContext::LoadSettings()
{
    SettingsFile::Read(GetSettingsFilePath(*m_systemServices), m_settings);
}

bool VPNAppContext::SaveSettings()
{
    const QString path = GetSettingsFilePath(*m_systemServices);
    MakeFileDirectory(path);
    const bool written = SettingsFile::Write(path, m_settings);
    SettingsFile::Read(path, m_settings);
    return written;
}
