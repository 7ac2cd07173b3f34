#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

/**
 * The fallback where systemd-resolved does not run: writes the pushed servers into resolv.conf in
 * place (the file may be a bind mount or a link another tool owns, so it is never replaced) after
 * keeping its previous content in a root-owned backup beside the helper's runtime folders. The
 * backup is what Restore() writes back unless another program rewrote the file meanwhile; a
 * backup found at start means an earlier helper ended without restoring, and is restored then.
 */
class ResolvConf
{
public:
    ResolvConf(QString path, QString backupPath);

    // The file's content while the tunnel runs.
    static QByteArray Compose(const QStringList& servers, const QStringList& domains);

    // Keeps the current content (unless a backup is already held) and writes the servers.
    bool Apply(const QStringList& servers, const QStringList& domains, QString& error);
    // Writes the backup back and removes it; true also when there was nothing to restore. A file
    // another program rewrote in the meantime is left as it is.
    bool Restore(QString& error);
    bool HasBackup() const;

private:
    QString m_path;
    QString m_backupPath;
};
