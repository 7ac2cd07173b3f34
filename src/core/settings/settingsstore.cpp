#include "settings/settingsstore.h"

#include "platform/isystemservices.h"
#include "settings/settingsfile.h"

#include <utility>

SettingsStore::SettingsStore(QString filePath)
    : m_filePath(std::move(filePath))
{ }

void SettingsStore::Load()
{
    SettingsFile::Read(m_filePath, m_settings);
}

bool SettingsStore::Save()
{
    MakeFileDirectory(m_filePath);
    const bool written = SettingsFile::Write(m_filePath, m_settings);
    SettingsFile::Read(m_filePath, m_settings);
    return written;
}
