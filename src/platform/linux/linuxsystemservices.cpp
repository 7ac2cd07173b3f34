#include "linux/linuxsystemservices.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkInterface>
#include <QStandardPaths>
#include <QSysInfo>

#ifndef NORVANE_INSTALL_DATADIR
#define NORVANE_INSTALL_DATADIR "/usr/share/norvane"
#endif
#ifndef NORVANE_INSTALL_BINDIR
#define NORVANE_INSTALL_BINDIR "/usr/bin"
#endif

namespace {

// An installed program is never portable, even when its directory is writable (as it is for
// root): its files belong in the user's data folder, not among the system's programs.
bool IsInstallDirectory(const QString& directory)
{
    const QString clean = QDir::cleanPath(directory);
    return clean == QLatin1String(NORVANE_INSTALL_BINDIR) || clean == QLatin1String("/usr")
        || clean.startsWith(QLatin1String("/usr/")) || clean == QLatin1String("/bin")
        || clean == QLatin1String("/sbin");
}

} // namespace

LinuxSystemServices::LinuxSystemServices(const QString& productWord)
    : ISystemServices(productWord)
{ }

void LinuxSystemServices::SetExecutable(const QString& executablePath)
{
    const QFileInfo info(executablePath);
    m_executableDirectory = info.absolutePath();
    SetExecutableName(info.fileName());
    SetApplicationDirectory(ResolveWritableRoot(m_executableDirectory, ProductWord()));
}

QString LinuxSystemServices::ResolveWritableRoot(const QString& executableDirectory,
                                                 const QString& productWord)
{
    const QString home = qEnvironmentVariable("NORVANE_HOME");
    if (!home.isEmpty())
        return QDir(home).absolutePath();
    if (!executableDirectory.isEmpty() && QFileInfo(executableDirectory).isWritable()
        && !IsInstallDirectory(executableDirectory))
        return executableDirectory;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/')
        + productWord;
}

QString LinuxSystemServices::FindReadOnlyData(const QString& executableDirectory, const QString& name)
{
    QString local = executableDirectory + QLatin1Char('/') + name;
    if (!executableDirectory.isEmpty() && QFileInfo::exists(local))
        return local;
    return QStringLiteral(NORVANE_INSTALL_DATADIR "/") + name;
}

QString LinuxSystemServices::ReadOnlyDataDirectory(const QString& name) const
{
    return FindReadOnlyData(m_executableDirectory, name) + QLatin1Char('/');
}

QString LinuxSystemServices::GetTranslationsDirectory() const
{
    return ReadOnlyDataDirectory(QStringLiteral("tr"));
}

QString LinuxSystemServices::GetManualDirectory() const
{
    return ReadOnlyDataDirectory(QStringLiteral("Manual"));
}

bool LinuxSystemServices::HasIpv4DefaultRoute(const QByteArray& procNetRoute)
{
    // Columns: Iface Destination Gateway Flags ... Mask; a default route has destination
    // and mask 0 and the RTF_UP flag (0x1).
    const QList<QByteArray> lines = procNetRoute.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
        if (fields.size() < 8)
            continue;
        bool ok = false;
        const uint flags = fields.at(3).toUInt(&ok, 16);
        if (ok && fields.at(1) == "00000000" && fields.at(7) == "00000000" && (flags & 0x1)
            && fields.at(0) != "lo")
            return true;
    }
    return false;
}

bool LinuxSystemServices::HasIpv6DefaultRoute(const QByteArray& procNetIpv6Route)
{
    // Columns: destination, prefix length, source, source prefix, next hop, metric, refcount,
    // use, flags, device. ::/0 with RTF_UP, not a reject route (RTF_REJECT 0x200), not on lo.
    for (const QByteArray& line : procNetIpv6Route.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 10)
            continue;
        bool ok = false;
        const uint flags = fields.at(8).toUInt(&ok, 16);
        if (ok && fields.at(0) == QByteArray(32, '0') && fields.at(1) == "00" && (flags & 0x1)
            && !(flags & 0x200) && fields.at(9) != "lo")
            return true;
    }
    return false;
}

bool LinuxSystemServices::IsInternetConnected() const
{
    bool interfaceUp = false;
    const auto interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (flags.testFlag(QNetworkInterface::IsLoopBack) || !flags.testFlag(QNetworkInterface::IsUp)
            || !flags.testFlag(QNetworkInterface::IsRunning))
            continue;
        if (!iface.addressEntries().isEmpty()) {
            interfaceUp = true;
            break;
        }
    }
    if (!interfaceUp)
        return false;

    auto readProc = [](const char* path) {
        QFile file(QString::fromLatin1(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    return HasIpv4DefaultRoute(readProc("/proc/net/route"))
        || HasIpv6DefaultRoute(readProc("/proc/net/ipv6_route"));
}

QString LinuxSystemServices::GetOsName() const
{
    return QSysInfo::prettyProductName();
}
