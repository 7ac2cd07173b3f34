#include "platform/isystemservices.h"

#include <QDir>
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
    const QString directory = QFileInfo(filePath).absolutePath();
    return QDir().mkpath(directory) && QFileInfo(directory).isDir();
}
