#include "resolvconf.h"

#include <QFile>
#include <QSaveFile>

#include <utility>

namespace {

constexpr qsizetype MaxSize = qsizetype(64) * 1024;
const QByteArray Header = "# Written by norvane-helper while the VPN is connected; the previous content "
                          "comes back when it disconnects.\n";

bool WriteInPlace(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) == content.size()
        && file.flush();
}

} // namespace

ResolvConf::ResolvConf(QString path, QString backupPath)
    : m_path(std::move(path))
    , m_backupPath(std::move(backupPath))
{ }

QByteArray ResolvConf::Compose(const QStringList& servers, const QStringList& domains)
{
    QByteArray content = Header;
    for (const QString& server : servers)
        content += "nameserver " + server.toLatin1() + '\n';
    if (!domains.isEmpty())
        content += "search " + domains.join(QLatin1Char(' ')).toLatin1() + '\n';
    return content;
}

bool ResolvConf::HasBackup() const
{
    return QFile::exists(m_backupPath);
}

bool ResolvConf::Apply(const QStringList& servers, const QStringList& domains, QString& error)
{
    // A second apply (a reconnect inside the same OpenVPN run) keeps the first backup: the current
    // content is then our own.
    if (!HasBackup()) {
        QFile current(m_path);
        if (!current.open(QIODevice::ReadOnly) || current.size() > MaxSize) {
            error = QStringLiteral("%1 cannot be read").arg(m_path);
            return false;
        }
        QSaveFile backup(m_backupPath);
        if (!backup.open(QIODevice::WriteOnly) || !backup.setPermissions(QFile::ReadOwner | QFile::WriteOwner)
            || backup.write(current.readAll()) < 0 || !backup.commit()) {
            error = QStringLiteral("the backup %1 cannot be written").arg(m_backupPath);
            return false;
        }
    }
    if (!WriteInPlace(m_path, Compose(servers, domains))) {
        error = QStringLiteral("%1 cannot be written").arg(m_path);
        QString ignored;
        Restore(ignored);
        return false;
    }
    return true;
}

bool ResolvConf::Restore(QString& error)
{
    QFile backup(m_backupPath);
    if (!backup.exists())
        return true;
    if (!backup.open(QIODevice::ReadOnly)) {
        error = QStringLiteral("the backup %1 cannot be read").arg(m_backupPath);
        return false;
    }
    const QByteArray content = backup.readAll();
    backup.close();
    // Another tool (a network manager on a new network) wrote the file since: its content is
    // newer than the backup and stays.
    QFile current(m_path);
    if (!current.open(QIODevice::ReadOnly) || !current.read(Header.size()).startsWith(Header)) {
        qInfo("%s was rewritten by another program; the backup is dropped", qPrintable(m_path));
        backup.remove();
        return true;
    }
    current.close();
    if (!WriteInPlace(m_path, content)) {
        error = QStringLiteral("%1 cannot be written").arg(m_path);
        return false;
    }
    backup.remove();
    return true;
}
