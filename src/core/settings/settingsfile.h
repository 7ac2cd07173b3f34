#pragma once

#include "settings/vpnsettings.h"

class QByteArray;
class QString;

// Reads and writes the settings XML file. Reading applies the file on top of the record
// passed in (absent elements keep or reset fields as the format defines); writing replaces
// the file atomically and owner-only, since it may hold the proxy password.
class SettingsFile
{
public:
    static bool Read(const QString& path, VPNSettings& settings);
    static bool Write(const QString& path, const VPNSettings& settings);

    // The document form, separated from the file for the tests and the read-back.
    static QByteArray Serialize(const VPNSettings& settings);
    static bool Parse(const QByteArray& content, VPNSettings& settings);
};
