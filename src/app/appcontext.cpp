#include "appcontext.h"

#include "deployment.h"
#include "settings/settingsfile.h"
#include "versioninfo.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QTextStream>

VPNAppContext::VPNAppContext(std::unique_ptr<ISystemServices> systemServices)
    : m_productWord(systemServices->ProductWord())
    , m_systemServices(std::move(systemServices))
    , m_api(Deployment::ApiHost(), Deployment::ApiKey())
    , m_serverManager(m_settings)
    , m_ipManager(m_api)
{
    QObject::connect(&m_api, &VPNApi::ServerListsReceived, &m_serverManager,
                     &VPNServerManager::SetServerLists);
    QObject::connect(&m_api, &VPNApi::AssignedAddressReceived, &m_serverManager,
                     &VPNServerManager::SetAssignedAddress);
    QObject::connect(&m_api, &VPNApi::AssignedAddressCleared, &m_serverManager,
                     &VPNServerManager::ClearAssignedAddress);
    QObject::connect(&m_api, &VPNApi::RequestEntityIpReceived, &m_ipManager, &VPNIpManager::SetGenericIp);
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

VPNServerListModel& VPNAppContext::RebuildServerModel()
{
    auto model = std::make_unique<VPNServerListModel>(m_serverManager.RebuildCurrentList());
    std::swap(model, m_serverListModel);
    // Views still show the old model until they are handed the new one; let it go afterwards.
    if (model)
        model.release()->deleteLater();
    return *m_serverListModel;
}

QString VPNAppContext::ReadLocale(const QString& path)
{
    qDebug() << "Locale file: " << path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QStringLiteral("en");
    QTextStream stream(&file);
    stream.setEncoding(QStringConverter::System);
    QString code = stream.readLine();
    qDebug() << "Read locale : (" << code << ")";
    return code;
}

bool VPNAppContext::LoadTranslation(const QString& path)
{
    qDebug() << "Loading translation from: " << path;
    return m_translator.load(path);
}

void VPNAppContext::InstallTranslator()
{
    const QString code = ReadLocale(GetLocaleConfigPath(*m_systemServices));
    // A failed load leaves the translator empty; it is only in the application while it holds
    // a translation.
    QCoreApplication::removeTranslator(&m_translator);
    if (LoadTranslation(GetLanguageFilePath(*m_systemServices, code)))
        QCoreApplication::installTranslator(&m_translator);
}
