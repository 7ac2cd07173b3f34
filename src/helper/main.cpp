// norvane-helper: the root service that runs OpenVPN for the Norvane window. See README.md.
#include "helperservice.h"
#include "tunnelprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString DefaultRuntimeRoot()
{
    // Set by systemd from the unit's RuntimeDirectory=.
    const QString fromSystemd = qEnvironmentVariable("RUNTIME_DIRECTORY").section(QLatin1Char(':'), 0, 0);
    return fromSystemd.isEmpty() ? QStringLiteral("/run/norvane-helper") : fromSystemd;
}

QString DefaultOpenVpn()
{
    const QString found = QStandardPaths::findExecutable(
        QStringLiteral("openvpn"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found.isEmpty() ? QStringLiteral("/usr/sbin/openvpn") : found;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("norvane-helper"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs OpenVPN for the Norvane window on the D-Bus system bus (%1).")
            .arg(QLatin1String(HelperService::ServiceName)));
    parser.addHelpOption();
    const QCommandLineOption openvpn(QStringLiteral("openvpn"), QStringLiteral("The OpenVPN program."),
                                     QStringLiteral("path"), DefaultOpenVpn());
    const QCommandLineOption runtime(QStringLiteral("runtime-dir"),
                                     QStringLiteral("The root-owned folder the tunnels run from."),
                                     QStringLiteral("path"), DefaultRuntimeRoot());
    parser.addOptions({openvpn, runtime});
    parser.process(app);

    if (::geteuid() != 0)
        qWarning("norvane-helper is not running as root: OpenVPN will not be able to create its device.");
    const QString runtimeRoot = QDir(parser.value(runtime)).absolutePath();
    ::umask(077);
    if (!QDir().mkpath(runtimeRoot) || ::chmod(QFile::encodeName(runtimeRoot).constData(), 0700) != 0) {
        qCritical("Cannot create the runtime folder %s", qPrintable(runtimeRoot));
        return 1;
    }
    TunnelProcess::EndLeftovers(runtimeRoot);

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCritical("Cannot reach the system bus: %s", qPrintable(bus.lastError().message()));
        return 1;
    }
    HelperService service(bus, parser.value(openvpn), runtimeRoot);
    if (!bus.registerObject(QLatin1String(HelperService::ObjectPath), &service,
                            QDBusConnection::ExportAllSlots)
        || !bus.registerService(QLatin1String(HelperService::ServiceName))) {
        qCritical("Cannot offer %s on the system bus: %s", HelperService::ServiceName,
                  qPrintable(bus.lastError().message()));
        return 1;
    }
    qInfo("norvane-helper ready on the system bus; OpenVPN %s, runtime folder %s",
          qPrintable(parser.value(openvpn)), qPrintable(runtimeRoot));
    return QCoreApplication::exec();
}
