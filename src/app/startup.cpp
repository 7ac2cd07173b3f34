#include "startup.h"

#include "appcontext.h"
#include "applicationrestart.h"
#include "connection/accountsession.h"
#include "connection/connectioncontroller.h"
#include "deployment.h"
#include "linux/helpertrafficblock.h"
#include "linux/keychainaccountkeystore.h"
#include "linux/linuxnetworkchangemonitor.h"
#include "linux/linuxnetworkdiagnostics.h"
#include "linux/linuxsystemservices.h"
#include "linux/openvpnlinux.h"
#include "linux/xdgautostartentry.h"
#include "qtlocalpeer.h"
#include "qtsingleapplication.h"
#include "support/desktopproxy.h"
#include "support/loghandler.h"
#include "support/supportreport.h"
#include "tunnel/servicecontroller.h"
#include "unixsignalwatcher.h"
#include "updater/appcastautoupdater.h"
#include "versioninfo.h"
#include "vpnhelpdialog.h"
#include "vpnmainwindow.h"

#include <QDBusConnection>
#include <QDateTime>
#include <QDebug>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kMessageTimeoutMs = 5000;

} // namespace

QString NorvaneApplicationId()
{
    return QStringLiteral("NorvaneApplication");
}

bool HasExitSwitch(const QStringList& args)
{
    return args.contains(QStringLiteral("/exit"), Qt::CaseSensitive);
}

namespace {

// "/exit" only asks a running instance to quit; whether it got there changes nothing and
// nothing is logged. It needs no window system, so it also works from a terminal without a
// display.
int SendExitToRunningInstance(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QtLocalPeer peer(NorvaneApplicationId());
    if (!peer.isClient())
        return 0;
    QObject::connect(&peer, &QtLocalPeer::messageDeliveryFinished, &app, &QCoreApplication::quit);
    peer.sendMessage(QStringLiteral("EXIT"), kMessageTimeoutMs);
    QCoreApplication::exec();
    return 0;
}

// A second start brings the running instance's window back and ends once the message was
// answered or timed out.
void ActivateRunningInstanceAndQuit(QtSingleApplication& app)
{
    QObject::connect(&app, &QtSingleApplication::messageDeliveryFinished, &app, &QCoreApplication::quit);
    app.sendMessage(QStringLiteral("Activate"), kMessageTimeoutMs);
}

// The rest of start-up, once this copy is the one that runs.
std::unique_ptr<VPNMainWindow> StartAsRunningInstance(QtSingleApplication& app, VPNAppContext& context)
{
    // 7. From here on every message goes to the log file.
    const QString logFilePath = GetLogFilePath(context.SystemServices());
    MakeFileDirectory(logFilePath);
    LogHandler::Install(logFilePath);

    // 8.
    qDebug() << context.ProductWord().toUpper() << " started.";
    qDebug() << "local: " << QDateTime::currentDateTime();
    qDebug() << "  utc: " << QDateTime::currentDateTime().toUTC();

    // 9.
    context.InstallTranslator();

    // 10.
    qDebug() << "Version: " << VersionInfo::Read();
    // OpenVPN runs in norvane-helper; a window running as root gains nothing and would parse
    // the service's replies and open the browser as root.
    if (::geteuid() == 0)
        qWarning() << "Running as root: the window should run as the desktop user; norvane-helper "
                      "runs OpenVPN with the rights it needs.";

    // 11. to 13. The workflow, then the window that shows it; the account key comes last, so the
    // window sees the sign-in or the start-up chain.
    context.CreateWorkflow(CreateTunnel(context),
                           std::make_unique<KeychainAccountKeyStore>(AccountKeyFilePath(context)),
                           Deployment::AccountKeyOverride());
    AddLeakProtection(context);
    auto window = CreateMainWindow(context);
    QObject::connect(&app, &QtSingleApplication::Exit, window.get(), &VPNMainWindow::OnExit);
    window->show();
    app.setActivationWindow(window.get(), true);
    context.Account().LoadAccountKey();

    // 14. The first check of the day runs in the background once the window shows.
    if (AutoUpdater* updater = context.Updater())
        updater->InitializeUpdater();
    return window;
}

} // namespace

QString AccountKeyFilePath(const VPNAppContext& context)
{
    return context.SystemServices().GetSettingsDirectory() + QStringLiteral("account.key");
}

std::unique_ptr<OpenVpnGeneric> CreateTunnel(VPNAppContext& context)
{
    const ISystemServices& services = context.SystemServices();
    auto tunnel = std::make_unique<OpenVpnLinux>(context.Settings(), services,
                                                 OpenVpnLinux::CreateHelperController(services));
    tunnel->SetCaSourceFile(Deployment::VpnCaFile());
    tunnel->SetPtpServer(Deployment::PtpServer());
    tunnel->SetDesktopProxy(DesktopProxy(QProcessEnvironment::systemEnvironment()));
    return tunnel;
}

void AddLeakProtection(VPNAppContext& context)
{
    context.WatchNetworkChanges(std::make_unique<LinuxNetworkChangeMonitor>(QDBusConnection::systemBus()));
    context.BlockTrafficWith(std::make_unique<HelperTrafficBlock>(Deployment::ApiHost()));
}

std::unique_ptr<AutoUpdater> CreateUpdater(VPNAppContext& context)
{
    return std::make_unique<AppcastAutoUpdater>(
        QUrl(Deployment::UpdateUrl()), VersionInfo::Read(), context.Api().Queue(), context.SystemClock(),
        context.SystemServices().GetSettingsDirectory() + QStringLiteral("lastupdatecheck.txt"));
}

std::unique_ptr<VPNHelpDialog> CreateHelpDialog(VPNAppContext& context)
{
    const ISystemServices& services = context.SystemServices();
    auto report = std::make_unique<SupportReport>(
        context.Api(), context.Settings(), std::make_unique<LinuxNetworkDiagnostics>(), context.SystemClock(),
        GetLogFilePath(services), Deployment::LookupHost());
    auto dialog = std::make_unique<VPNHelpDialog>(
        context.Language(), std::move(report),
        VPNHelpDialog::Links {context.ProductWord(), services.GetManualDirectory(), Deployment::WebHost(),
                              Deployment::SupportEmail()});
    dialog->SetVersionText(VersionInfo::Read());
    return dialog;
}

std::unique_ptr<VPNMainWindow> CreateMainWindow(VPNAppContext& context)
{
    // The window shows the settings as the file has them now.
    context.LoadSettings();
    auto window = std::make_unique<VPNMainWindow>(
        context.Connection(), context.Account(), context.Store(), context.ServerManager(), context.Api(),
        std::make_unique<XdgAutostartEntry>(XdgAutostartEntry::DefaultDirectory(),
                                            QCoreApplication::applicationFilePath(), context.ProductWord()),
        VPNMainWindow::Branding {context.ProductWord(), Deployment::WebHost()});
    QObject::connect(window.get(), &VPNMainWindow::RestartRequested,
                     [] { ApplicationRestart::StartNewCopy(); });
    window->SetHelpDialog(CreateHelpDialog(context).release());
    window->SetUpdater(context.Updater());
    return window;
}

int RunNorvane(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    if (HasExitSwitch(arguments))
        return SendExitToRunningInstance(argc, argv);

    // 1. The application object; Qt takes its own options out of the arguments.
    QtSingleApplication app(NorvaneApplicationId(), argc, argv);
    // Wayland desktops find the window's name and icon through the installed desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("norvane"));
    const bool restarted = ApplicationRestart::TakeMarker();
    // SIGTERM, SIGINT and SIGHUP end the program like "/exit": the tunnel goes down first.
    UnixSignalWatcher terminationSignals({SIGTERM, SIGINT, SIGHUP});

    // 2. Platform services: where the program's files live.
    auto systemServices = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
    systemServices->SetExecutable(QCoreApplication::applicationFilePath());
    VPNAppContext context(std::move(systemServices));

    // 3. The updater, then the settings.
    context.SetUpdater(CreateUpdater(context));
    context.LoadSettings();

    // 4. The API client reloads the settings and takes its proxy from them.
    context.SetApiProxyFromSettings();

    // 5. "/exit" was handled before the application object existed.

    // 6. A second start hands over to the running instance. A restarted copy first gives the
    // old instance time to end, so that the restart does not just re-activate it; start-up
    // goes on from the answer, inside the event loop.
    std::unique_ptr<VPNMainWindow> window;
    if (!app.isRunning()) {
        window = StartAsRunningInstance(app, context);
    } else if (restarted) {
        QObject::connect(&app, &QtSingleApplication::runningInstanceWaitFinished, &app,
                         [&app, &context, &window](bool ended) {
                             if (ended)
                                 window = StartAsRunningInstance(app, context);
                             else
                                 ActivateRunningInstanceAndQuit(app);
                         });
        app.waitForRunningInstanceToEnd(ApplicationRestart::WaitForOldInstanceMs);
    } else {
        ActivateRunningInstanceAndQuit(app);
    }

    // A termination signal received since start-up is handled once the loop runs.
    QObject::connect(&terminationSignals, &UnixSignalWatcher::SignalReceived, &app, [&window](int number) {
        qDebug() << "Signal" << number << "received. Exiting.";
        if (window)
            window->OnExit();
        else
            QCoreApplication::quit();
    });

    // 15.
    const int result = QApplication::exec();

    // 16. Nothing logged during teardown reaches the file.
    LogHandler::SetEnabled(false);
    window.reset();
    return result;
}
