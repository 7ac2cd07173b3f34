#include "deployment.h"

#include "linux/linuxsystemservices.h"

#include <QCoreApplication>

namespace {

QString FromEnvironment(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name).trimmed();
    return value.isEmpty() ? fallback : value;
}

} // namespace

namespace Deployment {

QString ApiKey()
{
    return QStringLiteral("Tq3vWz8p");
}

QString ApiHost()
{
    return FromEnvironment("NORVANE_API_HOST", QStringLiteral("api.norvane.example"));
}

QString WebHost()
{
    return FromEnvironment("NORVANE_WEB_HOST", QStringLiteral("www.norvane.example"));
}

QString SupportEmail()
{
    return QStringLiteral("support@norvane.example");
}

QString LookupHost()
{
    return QStringLiteral("www.debian.org");
}

QString PtpServer()
{
    return FromEnvironment("NORVANE_PTP_SERVER", QStringLiteral("ptp.norvane.example"));
}

QString UpdateUrl()
{
    return FromEnvironment("NORVANE_UPDATE_URL",
                           QStringLiteral("https://www.norvane.example/updates/linux/appcast.xml"));
}

QString ExtraCaFile()
{
    return FromEnvironment("NORVANE_CA_FILE", QString());
}

QString VpnCaFile()
{
    QString fromEnvironment = FromEnvironment("NORVANE_VPN_CA", QString());
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    // Installed with the program (NORVANE_VPN_CA_FILE of the build), where the platform layer
    // finds its other read-only data.
    return LinuxSystemServices::FindReadOnlyData(QCoreApplication::applicationDirPath(),
                                                 QStringLiteral("tarnwick.crt"));
}

QString AccountKeyOverride()
{
    return FromEnvironment("NORVANE_ACCOUNT_KEY", QString());
}

} // namespace Deployment
