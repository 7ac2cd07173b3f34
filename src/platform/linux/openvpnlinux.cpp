#include "linux/openvpnlinux.h"

#include "linux/helperservicecontroller.h"
#include "platform/isystemservices.h"
#include "tunnel/openvpnmgmt.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

OpenVpnLinux::OpenVpnLinux(VPNSettings& settings, const ISystemServices& services,
                           std::unique_ptr<ServiceController> serviceController, QObject* parent)
    : OpenVpnGeneric(settings, services, parent)
    , m_serviceController(std::move(serviceController))
{
    SetManagement(std::make_unique<OpenVpnMgmt>());
    connect(Management(), &OpenVpnMgmt::MessageReceived, this, &OpenVpnLinux::ProcessManagementOutput);
    connect(Management(), &OpenVpnMgmt::SocketErrorOccurred, this, &OpenVpnLinux::OnManagementSocketError);
    connect(m_serviceController.get(), &ServiceController::EndedUnexpectedly, this,
            &OpenVpnLinux::ReportServiceEnded);
    connect(m_serviceController.get(), &ServiceController::StopFinished, this, &OpenVpnLinux::OnStopFinished);
    connect(m_serviceController.get(), &ServiceController::StartFailed, this, &OpenVpnLinux::OnStartFailed);
    connect(&m_serviceCheckTimer, &QTimer::timeout, this, &OpenVpnLinux::CheckService);
    connect(this, &OpenVpnLinux::timerFinished, this, &OpenVpnLinux::OnServiceCheckFinished);
    m_managementConnectTimer.setSingleShot(true);
    connect(&m_managementConnectTimer, &QTimer::timeout, this, &OpenVpnLinux::ConnectManagement);
}

OpenVpnLinux::~OpenVpnLinux()
{
    // Nothing OpenVPN or the service says from here on reaches a controller being destroyed.
    Management()->disconnect(this);
    m_serviceController->disconnect(this);
    CancelPendingStart();
    QFile::remove(ProxyAuthFilePath());
    // The program's exit waits for the tunnel's end before it gets here; an OpenVPN still
    // running now is asked to end and left to restore the routes on its own, so nothing waits.
    if (m_serviceController->IsRunning())
        StopService();
}

std::unique_ptr<ServiceController> OpenVpnLinux::CreateHelperController(const ISystemServices& services)
{
    return std::make_unique<HelperServiceController>(services.GetOpenVpnConfigDirectory(),
                                                     services.GetLogDirectory() + services.ProductWord()
                                                         + QStringLiteral("_openvpn.log"));
}

bool OpenVpnLinux::CopyCaFile()
{
    const QString target = QFileInfo(ConfigFilePath()).absolutePath() + QStringLiteral("/tarnwick.crt");
    if (QFileInfo(m_caSourceFile).absoluteFilePath() == QFileInfo(target).absoluteFilePath())
        return QFileInfo::exists(target);
    QFile::remove(target);
    if (QFile::copy(m_caSourceFile, target))
        return true;
    qDebug() << "Can't copy the VPN CA certificate from" << m_caSourceFile;
    return false;
}

void OpenVpnLinux::DoConnect()
{
    if (!m_serviceController->IsInstalled()) {
        qDebug() << "OpenVPN service error: service not installed.";
        ReportStartFailure();
        return;
    }
    if (!CopyCaFile()) {
        qDebug() << "OpenVPN service error: service can't be started.";
        ReportStartFailure();
        return;
    }
    if (m_serviceController->IsRunning()) {
        qDebug() << "OpenVPNService is already running. Trying to stop it.";
        m_startAfterStop = true;
        StopService();
        return;
    }
    StartService();
}

void OpenVpnLinux::StartService()
{
    SetEndAsked(false);
    if (!m_serviceController->Start()) {
        qDebug() << "OpenVPN service error: service can't be started.";
        ReportStartFailure();
        return;
    }
    qDebug() << "Starting OpenVPN service...";
    m_serviceStarted = false;
    m_serviceCheckCount = 0;
    m_serviceCheckTimer.start(Timings().serviceCheckIntervalMs);
}

void OpenVpnLinux::CheckService()
{
    ++m_serviceCheckCount;
    if (m_serviceController->IsRunning()) {
        m_serviceCheckTimer.stop();
        m_serviceStarted = true;
        emit timerFinished();
        return;
    }
    if (m_serviceCheckCount < Timings().serviceCheckLimit) {
        qDebug() << "OpenVPN service still not running, next check in 1 sec.";
        return;
    }
    m_serviceCheckTimer.stop();
    m_serviceStarted = false;
    emit timerFinished();
}

void OpenVpnLinux::OnServiceCheckFinished()
{
    if (!m_serviceStarted) {
        qDebug() << "OpenVPN service error: service can't be started.";
        ReportStartFailure();
        return;
    }
    qDebug() << "OpenVPNService started successfully.";
    SetConnecting(true);
    qDebug() << "Connecting management interface.";
    m_managementConnectTimer.start(Timings().managementConnectDelayMs);
}

void OpenVpnLinux::OnStartFailed(const QString& reason)
{
    // Only the start under way can fail; a late answer to a cancelled one changes nothing.
    if (!m_serviceCheckTimer.isActive())
        return;
    m_serviceCheckTimer.stop();
    qDebug() << "OpenVPN service error: service can't be started." << reason;
    ReportStartFailure();
}

void OpenVpnLinux::ConnectManagement()
{
    Management()->SetPassword(m_serviceController->ManagementPassword());
    Management()->Connect();
}

void OpenVpnLinux::StopService()
{
    SetEndAsked(true);
    m_serviceController->Stop();
}

void OpenVpnLinux::OnStopFinished(bool stopped)
{
    qDebug() << "Result of stopping service:" << stopped;
    if (!m_startAfterStop)
        return;
    m_startAfterStop = false;
    if (m_serviceController->IsRunning()) {
        qDebug() << "OpenVPN service error: service can't be started.";
        ReportStartFailure();
        return;
    }
    StartService();
}

void OpenVpnLinux::CancelPendingStart()
{
    CancelPendingLookup();
    m_startAfterStop = false;
    m_managementConnectTimer.stop();
    if (m_serviceCheckTimer.isActive()) {
        m_serviceCheckTimer.stop();
        SetConnecting(false);
    }
}

void OpenVpnLinux::DoDisconnect()
{
    CancelPendingStart();
    StopService();
    // Only an OpenVPN whose management session is up can report its end; before that there is
    // no tunnel to wait for.
    if (IsManagementActive())
        AwaitReportedEnd();
    else
        ReportEndNow();
}

void OpenVpnLinux::OnManagementSocketError()
{
    if (IsConnecting() && !IsManagementActive()) {
        // OpenVPN may open its management port a little after it started: the connection is
        // tried again until the attempt's limit, or until OpenVPN is reported ended.
        qDebug() << "The management interface cannot be reached yet. Trying again.";
        m_managementConnectTimer.start(Timings().managementConnectDelayMs);
        return;
    }
    OpenVpnGeneric::OnManagementSocketError();
}
