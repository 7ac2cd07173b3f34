#include "app/appcontext.h"

#include "app/deployment.h"
#include "app/versioninfo.h"
#include "settings/settingsfile.h"

VPNAppContext::VPNAppContext(std::unique_ptr<ISystemServices> systemServices)
    : m_productWord(systemServices->ProductWord())
    , m_systemServices(std::move(systemServices))
    , m_api(Deployment::ApiHost(), Deployment::ApiKey())
{
    m_api.Queue().SetExtraCaFile(Deployment::ExtraCaFile());
    m_api.SetSystemDescription(VersionInfo::Read(), m_systemServices->GetOsName());
}

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

void VPNAppContext::SetApiProxyFromSettings()
{
    LoadSettings();
    m_api.SetProxyFromSettings(m_settings);
}
