#pragma once

#include "settings/vpnsettings.h"

#include <QString>

/**
 * The settings record together with the file it lives in. Whoever changes a setting that must
 * outlast the run saves through here, so the record in memory is always what the next start
 * reads.
 */
class SettingsStore
{
public:
    explicit SettingsStore(QString filePath);

    VPNSettings& Settings() { return m_settings; }
    const VPNSettings& Settings() const { return m_settings; }
    QString FilePath() const { return m_filePath; }

    // Applies the file on top of the record; failures are logged and leave it as it was.
    void Load();
    // Writes the record and reads it straight back; false when the file could not be written.
    bool Save();

private:
    QString m_filePath;
    VPNSettings m_settings;
};
