#include "platform/isystemservices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <utility>

ISystemServices::ISystemServices(QString productWord)
    : m_productWord(std::move(productWord))
    , m_executableName(m_productWord)
{ }

ISystemServices::~ISystemServices() = default;

void ISystemServices::SetApplicationDirectory(const QString& directory)
{
    m_applicationDirectory = directory;
    while (m_applicationDirectory.size() > 1 && m_applicationDirectory.endsWith(QLatin1Char('/')))
        m_applicationDirectory.chop(1);
}

QString GetLogFilePath(const ISystemServices& services)
{
    return services.GetLogDirectory() + services.ProductWord() + QStringLiteral("_log.log");
}

QString GetSettingsFilePath(const ISystemServices& services)
{
    return services.GetSettingsDirectory() + services.ExecutableName() + QStringLiteral(".xml");
}

QString GetLocaleConfigPath(const ISystemServices& services)
{
    return services.GetLocaleDirectory() + QStringLiteral("locale.config");
}

QString GetOpenVpnConfigPath(const ISystemServices& services)
{
    return services.GetOpenVpnConfigDirectory() + QStringLiteral("conn.ovpn");
}

bool MakeFileDirectory(const QString& filePath)
{
    // The program's folders hold the settings, the log and the tunnel's configuration: each one
    // made here is the user's alone, and the file's own folder is closed if an earlier version
    // left it open to others.
    constexpr QFileDevice::Permissions OwnerOnly
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    const QString directory = QFileInfo(filePath).absolutePath();
    QString path;
    for (const QString& part : directory.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/') + part;
        if (!QFileInfo(path).isDir() && !QDir().mkdir(path, OwnerOnly))
            return false;
    }
    const QFileInfo folder(directory);
    if (folder.permissions()
        & ~(OwnerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser))
        QFile::setPermissions(directory, OwnerOnly);
    return folder.isDir();
}
