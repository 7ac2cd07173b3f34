#include "tunnel/openvpngeneric.h"

#include "platform/isystemservices.h"
#include "settings/vpnsettings.h"
#include "support/logmask.h"
#include "support/privatefile.h"
#include "tunnel/managementline.h"
#include "tunnel/openvpnconfig.h"
#include "tunnel/openvpnmgmt.h"

#include <QDebug>
#include <QFile>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <utility>

QString OpenVpnGeneric::PtpCredential()
{
    return QStringLiteral("7c2a41e8-5d93-4b06-9f1e-3a8b6d20c457");
}

OpenVpnGeneric::OpenVpnGeneric(VPNSettings& settings, const ISystemServices& services, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_services(services)
    , m_configFilePath(GetOpenVpnConfigPath(services))
    , m_managementPort(OpenVpnMgmt::DefaultPort)
{
    m_failureSignalTimer.setSingleShot(true);
    connect(&m_failureSignalTimer, &QTimer::timeout, this, &OpenVpnGeneric::DisconnectedSignal);
    m_endDeadline.setSingleShot(true);
    connect(&m_endDeadline, &QTimer::timeout, this, &OpenVpnGeneric::OnEndDeadlinePassed);
    m_attemptLimit.setSingleShot(true);
    connect(&m_attemptLimit, &QTimer::timeout, this, &OpenVpnGeneric::OnAttemptLimitPassed);
    connect(this, &OpenVpnGeneric::ConfigGenerated, this, &OpenVpnGeneric::DoConnect);
}

OpenVpnGeneric::~OpenVpnGeneric() = default;

void OpenVpnGeneric::SetManagement(std::unique_ptr<OpenVpnMgmt> management)
{
    m_management = std::move(management);
    if (m_management)
        m_management->SetPort(m_managementPort);
}

void OpenVpnGeneric::SetManagementPort(quint16 port)
{
    m_managementPort = port;
    if (m_management)
        m_management->SetPort(port);
}

void OpenVpnGeneric::SetCredentials(const QString& userName, const QString& password)
{
    m_userName = userName;
    m_password = password;
}

void OpenVpnGeneric::ClearTunnelFlags()
{
    m_connected = false;
    m_connecting = false;
    m_managementActive = false;
}

void OpenVpnGeneric::BeginAttempt()
{
    m_failureSignalTimer.stop();
    m_endDeadline.stop();
    m_attemptEnded = false;
    m_serverReachable = true;
    m_serviceOk = true;
    m_connected = false;
    m_connecting = false;
    m_tunnelOpen = true;
    m_attemptLimit.start(m_timings.connectAttemptLimitMs);
}

void OpenVpnGeneric::ConnectToServer(const QString& serverAddress, int port, const QString& protocol)
{
    m_ptpMode = false;
    BeginAttempt();
    m_serverAddress = serverAddress;
    m_protocol = protocol;
    if (protocol == QLatin1String("TCP") && m_settings.tcpPort == 80) {
        qDebug() << "TCP port changed to 80, according to Options.";
        m_port = 80;
    } else {
        m_port = port;
    }
    emit Connecting();
    GenerateConfig();
}

void OpenVpnGeneric::DisconnectFromServer()
{
    qDebug() << "Disconnecting from server.";
    m_attemptLimit.stop();
    if (QFile::exists(ProxyAuthFilePath()))
        QFile::remove(ProxyAuthFilePath());
    DoDisconnect();
}

void OpenVpnGeneric::DisconnectOnExit()
{
    if (m_exitPending)
        return;
    m_attemptLimit.stop();
    if (m_connected || m_connecting || m_tunnelOpen) {
        m_exitPending = true;
        DoDisconnect();
        // Either the tunnel already reported its end (and the exit is complete), or its end is
        // awaited and DisconnectedSignal() completes the exit.
        if (!m_exitPending || m_endDeadline.isActive())
            return;
        m_exitPending = false;
    }
    emit DisconnectedOnExit();
}

void OpenVpnGeneric::AwaitReportedEnd()
{
    if (!m_endDeadline.isActive())
        m_endDeadline.start(m_timings.disconnectWaitMs);
}

void OpenVpnGeneric::OnEndDeadlinePassed()
{
    // OpenVPN neither reported its exit nor closed the management connection in time: the
    // tunnel is taken as down so the workflow is not left waiting for a signal that never comes.
    qDebug() << "OpenVPN did not report its end in time. Taking the tunnel as down.";
    ClearTunnelFlags();
    if (m_management)
        m_management->Disconnect();
    DisconnectedSignal();
}

void OpenVpnGeneric::ReportEndNow()
{
    if (!m_tunnelOpen)
        return;
    ClearTunnelFlags();
    DisconnectedSignal();
}

void OpenVpnGeneric::ReportServiceEnded(const QString& reason)
{
    // After a reported end (EXITING, a closed management connection) the process's own end
    // is old news.
    if (!m_tunnelOpen)
        return;
    qDebug() << reason.toLatin1().constData() << "- disconnecting.";
    m_serviceOk = false;
    ClearTunnelFlags();
    if (m_management)
        m_management->Disconnect();
    DisconnectFromServer();
}

void OpenVpnGeneric::OnAttemptLimitPassed()
{
    qDebug() << "The connection attempt did not complete within" << m_timings.connectAttemptLimitMs / 1000
             << "s. Stopping OpenVPN.";
    // With a management session OpenVPN runs and the server does not complete the connection;
    // without one OpenVPN itself never came up.
    if (m_managementActive)
        m_serverReachable = false;
    else
        m_serviceOk = false;
    m_attemptEnded = true;
    DisconnectFromServer();
}

void OpenVpnGeneric::ConnectPtPServer()
{
    qDebug() << "Connecting to PtP server.";
    m_ptpMode = true;
    m_userName = PtpCredential();
    m_password = PtpCredential();
    BeginAttempt();
    m_serverAddress = m_ptpServer;
    m_port = 443;
    m_protocol = QStringLiteral("TCP");
    emit ConnectingPtP();
    GenerateConfig();
}

void OpenVpnGeneric::DisconnectPtPServer()
{
    qDebug() << "Disconnecting from PtP server.";
    m_attemptLimit.stop();
    DoDisconnect();
}

void OpenVpnGeneric::ReportStartFailure()
{
    m_serviceOk = false;
    m_failureSignalTimer.start(m_timings.failureSignalDelayMs);
}

void OpenVpnGeneric::CancelPendingLookup()
{
    m_lookupId = -1;
}

void OpenVpnGeneric::GenerateConfig()
{
    OpenVpnConfig::Endpoint endpoint;
    endpoint.address = m_serverAddress;
    endpoint.port = m_port;
    endpoint.protocol = m_protocol;
    if (m_management)
        endpoint.managementPort = m_managementPort;
    endpoint.proxyAuthFilePath = ProxyAuthFilePath();
    endpoint.routeMethodExe = m_services.IsVistaOrWindows7();
    if (m_settings.proxyType == VPNSettings::Autodetect && m_protocol != QLatin1String("UDP")) {
        QUrl server;
        server.setScheme(QStringLiteral("https"));
        server.setHost(m_serverAddress);
        server.setPort(m_port);
        endpoint.desktopProxy = m_desktopProxy.For(server);
        qDebug() << "Desktop proxy for the tunnel:" << endpoint.desktopProxy.type()
                 << endpoint.desktopProxy.hostName() << endpoint.desktopProxy.port();
    }
    const OpenVpnConfig config = OpenVpnConfig::Build(m_settings, endpoint);
    m_firstHopAddress = config.firstHopAddress;
    m_firstHopPort = config.firstHopPort;
    if (!config.valid) {
        qDebug() << "Can't generate config file. A server or proxy setting holds characters that are not "
                    "allowed there.";
        ReportStartFailure();
        return;
    }
    MakeFileDirectory(m_configFilePath);
    if (!config.proxyCredentials.isEmpty()
        && !PrivateFile::Write(endpoint.proxyAuthFilePath, config.proxyCredentials))
        qDebug() << "Can't write the proxy credentials file.";
    QString error;
    if (!PrivateFile::Write(m_configFilePath, config.text, &error)) {
        qDebug() << "Can't generate config file. Error writing to file.";
        ReportStartFailure();
        return;
    }
    if (!m_settings.smtpEnabled || m_ptpMode) {
        emit ConfigGenerated();
        return;
    }
    qDebug() << "Lookup IP address for host: " << m_settings.smtpAddress;
    m_lookupId = QHostInfo::lookupHost(m_settings.smtpAddress, this, [this](const QHostInfo& host) {
        // A lookup of an abandoned attempt must not start OpenVPN any more.
        if (host.lookupId() != m_lookupId)
            return;
        m_lookupId = -1;
        SetRoutesToSMTP(host);
    });
}

void OpenVpnGeneric::SetRoutesToSMTP(const QHostInfo& host)
{
    if (host.error() != QHostInfo::NoError) {
        qDebug() << "SMTP address lookup failed: " << host.errorString();
        emit ConfigGenerated();
        return;
    }
    qDebug() << "SMTP address lookup successfull.";
    QFile file(m_configFilePath);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append))
        file.write(OpenVpnConfig::MailRouteLines(host.addresses()));
    emit ConfigGenerated();
}

void OpenVpnGeneric::ConnectedSignal()
{
    m_attemptLimit.stop();
    if (m_ptpMode)
        emit ConnectedPtP();
    else
        emit Connected();
}

void OpenVpnGeneric::DisconnectedSignal()
{
    m_endDeadline.stop();
    m_attemptLimit.stop();
    m_failureSignalTimer.stop();
    m_tunnelOpen = false;
    if (m_ptpMode)
        emit DisconnectedPtP();
    else
        emit Disconnected();
    if (std::exchange(m_exitPending, false))
        emit DisconnectedOnExit();
}

void OpenVpnGeneric::ProcessManagementOutput(const QString& message)
{
    const QStringList lines = message.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        ProcessManagementLine(line);
    }
}

void OpenVpnGeneric::ProcessManagementLine(const QString& line)
{
    const ManagementLine parsed = ManagementLine::Parse(line);
    switch (parsed.kind) {
    case ManagementLine::Kind::PasswordNeeded:
        if (OpenVpnMgmt::HasControlCharacter(m_userName) || OpenVpnMgmt::HasControlCharacter(m_password)) {
            qDebug() << "The credentials contain a control character and are not sent. Stopping OpenVPN.";
            StopService();
            return;
        }
        m_management->SendUsername(m_userName);
        m_management->SendPassword(m_password);
        return;
    case ManagementLine::Kind::PasswordOtherRealm:
        // The account key answers 'Auth' only; proxy credentials go through their own file.
        qDebug() << "OpenVPN asks for the credentials of" << parsed.text
                 << "which are not given. Stopping OpenVPN.";
        m_serviceOk = false;
        m_attemptEnded = true;
        StopService();
        return;
    case ManagementLine::Kind::ConnectFailed:
        // A tunnel set up with errors, or without an address the program can use, may not
        // carry the traffic: it is not taken as connected.
        qDebug() << "OpenVPN connected without success (" << parsed.text << "). Disconnecting.";
        m_serviceOk = false;
        m_attemptEnded = true;
        StopService();
        return;
    case ManagementLine::Kind::Fatal:
        qDebug() << "OpenVPN fatal error:" << parsed.text;
        m_serviceOk = false;
        emit FatalErrorReported(parsed.text);
        return;
    case ManagementLine::Kind::Connected:
        ParseConnectedState(line);
        m_connected = true;
        m_connecting = false;
        ConnectedSignal();
        return;
    case ManagementLine::Kind::Exiting:
        ClearTunnelFlags();
        m_management->Disconnect();
        if (parsed.authFailure) {
            qDebug() << "Server returns auth-failure. Disconnecting.";
            StopService();
        }
        DisconnectedSignal();
        return;
    case ManagementLine::Kind::TlsError:
        qDebug() << "Server returns tls-error. Disconnecting.";
        m_serverReachable = false;
        m_attemptEnded = true;
        StopService();
        return;
    case ManagementLine::Kind::Reconnecting:
        if (!m_connected)
            return;
        // The established tunnel is gone (no pings from the server, a reset connection).
        // OpenVPN would try again on its own for ever while the window still shows the
        // connection; ending it here lets the drop reach the workflow as the server's.
        qDebug() << "Server connection lost. Disconnecting.";
        m_connected = false;
        m_attemptEnded = true;
        StopService();
        return;
    case ManagementLine::Kind::Hold:
        if (m_attemptEnded) {
            qDebug() << "Hold not released: this attempt has ended.";
            return;
        }
        m_management->SendReleaseHold();
        m_managementActive = true;
        return;
    case ManagementLine::Kind::Other:
        return;
    }
}

void OpenVpnGeneric::OnManagementSocketError()
{
    if (!m_managementActive && !m_connected)
        return;
    qDebug() << "Socket error occurs. Disconnecting.";
    // OpenVPN ends its management session only when it exits, and announces that first: a session
    // that ends unasked means OpenVPN itself went (killed or crashed), whether or not the
    // service's word on the process's end has arrived yet.
    if (!m_endAsked)
        m_serviceOk = false;
    ClearTunnelFlags();
    DisconnectFromServer();
    // DisconnectFromServer may have reported the end already.
    if (m_tunnelOpen)
        DisconnectedSignal();
}

void OpenVpnGeneric::ParseConnectedState(const QString& message)
{
    m_internalServerIp = ManagementLine::Parse(message).tunnelAddress;
    m_firstIpInRange = ManagementLine::FirstAddressInRange(m_internalServerIp);
    qDebug() << "Internal server IP: " << m_internalServerIp;
    qDebug() << "First IP in the range: " << m_firstIpInRange;
}

void OpenVpnGeneric::ChangeIp()
{
    qDebug() << "Connecting through TCP Socket to: " << m_firstIpInRange;
    m_changeIpSocket = std::make_unique<QTcpSocket>();
    QTcpSocket* socket = m_changeIpSocket.get();
    socket->setProxy(QNetworkProxy::NoProxy);
    auto* timeout = new QTimer(socket);
    timeout->setSingleShot(true);
    connect(socket, &QTcpSocket::connected, this, [this, timeout] {
        timeout->stop();
        OnChangeIpConnected();
    });
    connect(socket, &QTcpSocket::errorOccurred, this, [this, socket, timeout] {
        // Errors after the message went out (the server closing) are not a failed change.
        if (!timeout->isActive())
            return;
        timeout->stop();
        OnChangeIpFailed(socket->errorString());
    });
    connect(timeout, &QTimer::timeout, this, [this, socket] {
        socket->abort();
        OnChangeIpFailed(QStringLiteral("Connection timed out"));
    });
    timeout->start(m_timings.changeIpConnectTimeoutMs);
    socket->connectToHost(m_firstIpInRange, m_changeIpPort, QIODevice::ReadWrite);
}

void OpenVpnGeneric::OnChangeIpConnected()
{
    const QString message = QStringLiteral("%1_%2").arg(m_userName, m_internalServerIp);
    qDebug() << "Connected. Sending message for IP change: " << LogMask::MaskSecret(message, m_userName);
    m_changeIpSocket->write(message.toUtf8() + '\n');
    m_changeIpSocket->disconnectFromHost();
    emit ChangeIpMessageSent();
}

void OpenVpnGeneric::OnChangeIpFailed(const QString& errorText)
{
    qDebug() << "Error occurs while changing IP: " << errorText;
    emit ChangeIpMessageError();
}
