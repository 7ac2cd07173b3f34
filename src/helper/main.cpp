// norvane-helper: the root service that runs OpenVPN for the Norvane window. See README.md.
#include "helperservice.h"
#include "leakguard.h"
#include "tunnelprocess.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <csignal>
#include <sys/socket.h>
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

// systemd stops the helper with SIGTERM: it ends through the event loop, so the service's
// destructor stops OpenVPN and restores DNS and the firewall before the process goes.
int g_signalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

bool QuitOnTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return false;
    auto* notifier
        = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, QCoreApplication::instance(),
                     &QCoreApplication::quit);
    struct sigaction action
    {
    };
    action.sa_handler = OnTerminationSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

QString DefaultNft()
{
    const QString found = QStandardPaths::findExecutable(
        QStringLiteral("nft"), {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return found.isEmpty() ? QStringLiteral("/usr/sbin/nft") : found;
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
    const QCommandLineOption resolvConf(
        QStringLiteral("resolv-conf"),
        QStringLiteral("The resolver configuration used without systemd-resolved."), QStringLiteral("path"),
        QStringLiteral("/etc/resolv.conf"));
    const QCommandLineOption nft(QStringLiteral("nft"), QStringLiteral("The nftables program."),
                                 QStringLiteral("path"), DefaultNft());
    parser.addOptions({openvpn, runtime, resolvConf, nft});
    parser.process(app);

    if (!QuitOnTerminationSignals())
        qWarning("Termination signals cannot be caught; a stop will not restore DNS and the firewall until "
                 "the next start.");
    if (::geteuid() != 0)
        qWarning("norvane-helper is not running as root: OpenVPN will not be able to create its device.");
    const QString runtimeRoot = QDir(parser.value(runtime)).absolutePath();
    ::umask(077);
    if (!QDir().mkpath(runtimeRoot) || ::chmod(QFile::encodeName(runtimeRoot).constData(), 0700) != 0) {
        qCritical("Cannot create the runtime folder %s", qPrintable(runtimeRoot));
        return 1;
    }
    TunnelProcess::EndLeftovers(runtimeRoot);
    // The backup sits beside the users' folders, where no user's run removes it.
    const LeakGuard::Paths leakPaths {parser.value(resolvConf),
                                      runtimeRoot + QStringLiteral("/resolv.conf.backup"), parser.value(nft)};
    LeakGuard::UndoLeftovers(leakPaths);

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCritical("Cannot reach the system bus: %s", qPrintable(bus.lastError().message()));
        return 1;
    }
    HelperService service(bus, parser.value(openvpn), runtimeRoot, leakPaths);
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
