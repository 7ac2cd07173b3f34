#pragma once

#include "platform/startupentry.h"

#include <QString>

/**
 * The start-at-login entry of freedesktop.org desktops: a desktop entry file in the user's
 * autostart folder that runs the program's executable. Written atomically when enabled and
 * removed when disabled.
 */
class XdgAutostartEntry final : public StartupEntry
{
public:
    // productWord names the file (lower case) and the entry (upper case).
    XdgAutostartEntry(QString directory, QString executablePath, const QString& productWord);

    // $XDG_CONFIG_HOME/autostart, ~/.config/autostart when that is not set.
    static QString DefaultDirectory();
    // One argument of an Exec line as the file holds it: quoted when it has a reserved
    // character, then escaped as a string value, so a reader gets the argument back unchanged.
    static QString ExecArgument(const QString& argument);

    QString FilePath() const { return m_filePath; }
    bool Synchronize(bool enabled) override;

private:
    QByteArray EntryText() const;

    QString m_directory;
    QString m_filePath;
    QString m_executablePath;
    QString m_name;
};
