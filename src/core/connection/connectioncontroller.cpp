#include "connection/connectioncontroller.h"

#include "api/vpnapi.h"
#include "connection/vpnipmanager.h"
#include "platform/clock.h"
#include "platform/isystemservices.h"
#include "platform/timer.h"
#include "platform/trafficblock.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsstore.h"
#include "tunnel/openvpngeneric.h"

#include <QDebug>
#include <QMetaEnum>

#include <limits>

ConnectionController::ConnectionController(OpenVpnGeneric& tunnel, VPNApi& api, VPNIpManager& ipManager,
                                           VPNServerManager& catalog, SettingsStore& settings,
                                           const ISystemServices& system, Clock& clock, QObject* parent)
    : QObject(parent)
    , m_tunnel(tunnel)
    , m_api(api)
    , m_ipManager(ipManager)
    , m_catalog(catalog)
    , m_settings(settings)
    , m_system(system)
    , m_clock(clock)
    , m_timeConnectedTimer(CreateTimer(false, &ConnectionController::OnTimeConnectedTimer))
    , m_delayBetweenReconnectsTimer(CreateTimer(false, &ConnectionController::OnDelayBetweenReconnectsTimer))
    , m_autoIpChangeTimer(CreateTimer(false, &ConnectionController::ChangeIP))
    , m_autoConnectTimer(CreateTimer(true, &ConnectionController::AutoConnect))
    , m_localIpAfterPtpTimer(CreateTimer(true, &ConnectionController::RequestLocalIp))
    , m_disconnectReasonTimer(CreateTimer(true, &ConnectionController::GetDisconnectReason))
    , m_changeIpCheckTimer(CreateTimer(true, &ConnectionController::RequestRemoteIp))
    , m_ptpSettleTimer(CreateTimer(true, &ConnectionController::OnPtpSettleLimit))
    , m_disconnectLimitTimer(CreateTimer(true, &ConnectionController::OnDisconnectLimit))
{
    connect(&m_ipManager, &VPNIpManager::LocalIpCheckFinished, this,
            &ConnectionController::OnLocalIpCheckFinished);
    connect(&m_ipManager, &VPNIpManager::RemoteIpCheckFinished, this,
            &ConnectionController::OnRemoteIpCheckFinished);
    connect(&m_api, &VPNApi::ServerListErrorOccured, this, &ConnectionController::OnInitialErrorOccurred);
    connect(&m_catalog, &VPNServerManager::ServersUpdated, this, &ConnectionController::OnServersUpdated);
    connect(&m_catalog, &VPNServerManager::AssignedServerUpdated, this,
            &ConnectionController::OnAssignedServerUpdated);

    connect(&m_tunnel, &OpenVpnGeneric::Connecting, this, &ConnectionController::OnTunnelConnecting);
    connect(&m_tunnel, &OpenVpnGeneric::Connected, this, &ConnectionController::OnTunnelConnected);
    connect(&m_tunnel, &OpenVpnGeneric::Disconnected, this, &ConnectionController::OnVPNChannelDropped);
    connect(&m_tunnel, &OpenVpnGeneric::ChangeIpMessageSent, this, &ConnectionController::OnChangeIpFinished);
    connect(&m_tunnel, &OpenVpnGeneric::ChangeIpMessageError, this,
            &ConnectionController::OnChangeIpFinished);
    connect(&m_tunnel, &OpenVpnGeneric::FatalErrorReported, this, &ConnectionController::OnTunnelFatalError);
    connect(&m_tunnel, &OpenVpnGeneric::ConnectedPtP, this, &ConnectionController::OnPtpSettled);
    connect(&m_tunnel, &OpenVpnGeneric::DisconnectedPtP, this, &ConnectionController::OnPtpSettled);
    SetTimings(m_timings);
}

ConnectionController::~ConnectionController() = default;

Timer* ConnectionController::CreateTimer(bool singleShot, void (ConnectionController::*slot)())
{
    Timer* timer = m_clock.CreateTimer(this);
    timer->SetSingleShot(singleShot);
    connect(timer, &Timer::Expired, this, slot);
    return timer;
}

void ConnectionController::SetTimings(const WorkflowTimings& timings)
{
    m_timings = timings;
    m_ipManager.SetRetryInterval(m_timings.ipRetryDelayMs);
}

QString ConnectionController::StateName(State state)
{
    return QString::fromLatin1(QMetaEnum::fromType<State>().valueToKey(int(state)));
}

// ---------------------------------------------------------------------------------------------
// Texts

QString ConnectionController::StatusText() const
{
    switch (m_status) {
    case Status::ClickConnect:
        return tr("CLICK CONNECT TO SECURE YOUR INTERNET");
    case Status::Connecting:
        return tr("Connecting...");
    case Status::Connected:
        return tr("YOU ARE SECURELY CONNECTED");
    case Status::RestoringPtp:
        return tr("Restoring Point-to-Point connection...");
    case Status::Countdown:
        break;
    }
    if (m_reconnectCountdown >= 7) {
        return QStringLiteral("%1 %2%").arg(
            tr("Secure Disconnection is in progress:"),
            QString::number((ReconnectCountdownStart + 1 - m_reconnectCountdown) * 10));
    }
    if (m_reconnectCountdown >= 5)
        return tr("Activity Log: None found");
    if (m_reconnectCountdown >= 3)
        return tr("Local IP Log: None found");
    return tr("Assigned IP: Cleared");
}

QString ConnectionController::TimeConnectedText() const
{
    if (m_state != State::ConnectedState)
        return QString();
    // From the start time, so a tick that comes late, early or not at all (nothing shows the
    // text) loses nothing; rounding keeps a tick a few milliseconds early on its second.
    const qint64 seconds = qMax<qint64>(0, (m_connectedSince.msecsTo(m_clock.Now()) + 500) / 1000);
    return FormatTimeConnected(int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
}

QString ConnectionController::NewIpText() const
{
    return m_changingIp ? tr("Changing...") : m_newIp;
}

bool ConnectionController::ConnectAllowed() const
{
    return !m_delayBetweenReconnectsTimer->IsActive() && m_state != State::PtpRestoreState;
}

QString ConnectionController::IpErrorText()
{
    return tr("IP ERROR OCCURRED. <a href=\"restartLink\" style=\"color: #0000AA;\"><b>RESTART</b></a> & TRY "
              "AGAIN OR EXIT & CONTACT SUPPORT.");
}

QString ConnectionController::OpenVpnErrorText()
{
    return tr(
        "AN OPENVPN ERROR OCCURRED. <a href=\"restartLink\" style=\"color: #0000AA;\"><b>RESTART</b></a> "
        "& TRY AGAIN OR EXIT & CONTACT SUPPORT.");
}

QString ConnectionController::ConnectionErrorText()
{
    return tr("AN ERROR OCCURRED. <a href=\"restartLink\" style=\"color: #0000AA;\"><b>RESTART</b></a> & TRY "
              "AGAIN OR EXIT & CONTACT SUPPORT.");
}

QString ConnectionController::ServerUnavailableText()
{
    return tr("THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER.");
}

QString ConnectionController::NoNetworkText()
{
    return tr("THERE IS NO ACTIVE INTERNET CONNECTION.\nCHECK YOUR INTERNET CONNECTION AND TRY AGAIN.");
}

QString ConnectionController::NetworkErrorText()
{
    return tr("NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT.");
}

QString ConnectionController::TrafficBlockErrorText()
{
    return tr("TRAFFIC CANNOT BE BLOCKED WHILE THE VPN IS DOWN.\nTURN OFF \"BLOCK TRAFFIC WHEN THE VPN IS "
              "DOWN\" IN OPTIONS OR CONTACT SUPPORT.");
}

QString ConnectionController::FormatTimeConnected(int hours, int minutes, int seconds)
{
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, zero).arg(seconds, 2, 10, zero);
}

void ConnectionController::SetStatus(Status status)
{
    m_status = status;
    emit StatusChanged();
}

bool ConnectionController::IsStartingUp() const
{
    return m_state == State::Stopped || m_state == State::PtpSettleState || m_state == State::LocalIpState
        || m_state == State::ServersListState || m_state == State::AnchorInfoState
        || m_state == State::InitialErrorState;
}

bool ConnectionController::IsConnectionUnderWay() const
{
    return m_state == State::ConnectingState || m_state == State::AssignedIpState
        || m_state == State::ConnectedState;
}

// ---------------------------------------------------------------------------------------------
// States

void ConnectionController::Enter(State next)
{
    const State previous = m_state;
    m_state = next;
    // Leaving the anchor step ends start-up, whichever way it is left.
    if (previous == State::AnchorInfoState && next != State::AnchorInfoState)
        OnInitializationFinished();
    if (previous == State::DisconnectingState)
        m_disconnectLimitTimer->Stop();

    switch (next) {
    case State::PtpSettleState:
        ConnectToPtP();
        break;
    case State::LocalIpState:
        GetLocalIp();
        break;
    case State::ServersListState:
        GetServersList();
        break;
    case State::AnchorInfoState:
        GetAnchorInfo();
        break;
    case State::ConnectingState:
        OnVPNChannelConnecting();
        break;
    case State::AssignedIpState:
        GetAssignedIp();
        break;
    case State::ConnectedState:
        OnVPNChannelConnected();
        break;
    case State::DisconnectingState:
        m_disconnectLimitTimer->Start(m_timings.disconnectLimitMs);
        break;
    case State::PtpRestoreState:
        SetStatus(Status::RestoringPtp);
        ConnectToPtP();
        break;
    case State::InitialErrorState:
        if (m_settings.Settings().pointToPointEnabled)
            m_tunnel.DisconnectPtPServer();
        ShowError(NetworkErrorText(), RetryStep::RestartWorkflow);
        break;
    case State::Stopped:
    case State::ServerSelectState:
        break;
    }
    emit StateChanged(next);
}

void ConnectionController::SetAccountKey(const QString& accountKey)
{
    m_accountKey = accountKey;
}

void ConnectionController::Initialize()
{
    if (m_accountKey.isEmpty())
        return;
    if (!m_system.IsInternetConnected()) {
        ShowError(NoNetworkText(), RetryStep::Initialize);
        return;
    }
    // The workflow starts once; it runs until the program ends or the user signs out.
    if (m_state != State::Stopped)
        return;
    StartChain();
}

void ConnectionController::StartChain()
{
    emit InitializationStarted();
    Enter(m_settings.Settings().pointToPointEnabled ? State::PtpSettleState : State::LocalIpState);
}

void ConnectionController::ShowError(const QString& text, RetryStep retry)
{
    m_retry = retry;
    emit ErrorOccurred(text);
}

void ConnectionController::Retry()
{
    const RetryStep retry = std::exchange(m_retry, RetryStep::None);
    switch (retry) {
    case RetryStep::Initialize:
        Initialize();
        break;
    case RetryStep::RestartWorkflow:
        if (m_state == State::InitialErrorState || m_state == State::ServersListState
            || m_state == State::AnchorInfoState || m_state == State::ServerSelectState)
            StartChain();
        break;
    case RetryStep::CheckNetworkPresence:
        CheckNetworkPresence();
        break;
    case RetryStep::Dismiss:
        emit ErrorResolved();
        break;
    case RetryStep::None:
        break;
    }
}

void ConnectionController::ConnectToPtP()
{
    // The outcome is not examined: the workflow goes on once the connection has settled either
    // way, or when the tunnel controller has not said anything within the limit.
    m_ptpSettleTimer->Start(m_timings.ptpSettleLimitMs);
    m_tunnel.ConnectPtPServer();
}

void ConnectionController::OnPtpSettled()
{
    if (m_state != State::PtpSettleState && m_state != State::PtpRestoreState)
        return;
    m_ptpSettleTimer->Stop();
    if (m_state == State::PtpSettleState) {
        Enter(State::LocalIpState);
        return;
    }
    SetStatus(Status::ClickConnect);
    Enter(State::ServerSelectState);
}

void ConnectionController::OnPtpSettleLimit()
{
    qDebug() << "The point-to-point connection did not settle in time. Going on.";
    OnPtpSettled();
}

void ConnectionController::GetLocalIp()
{
    qDebug() << "Get local ip.";
    if (m_settings.Settings().pointToPointEnabled)
        m_localIpAfterPtpTimer->Start(m_timings.localIpAfterPtpDelayMs);
    else
        RequestLocalIp();
}

void ConnectionController::RequestLocalIp()
{
    if (m_state == State::LocalIpState)
        m_ipManager.RequestLocalIp();
}

void ConnectionController::OnLocalIpCheckFinished(bool isOK)
{
    if (m_state != State::LocalIpState)
        return;
    if (isOK)
        Enter(State::ServersListState);
    else
        Enter(State::InitialErrorState);
}

void ConnectionController::GetServersList()
{
    qDebug() << "Get servers list.";
    m_api.GetServerList(QStringLiteral("autodetect"));
}

void ConnectionController::OnServersUpdated()
{
    if (m_state == State::ServersListState)
        Enter(State::AnchorInfoState);
}

void ConnectionController::GetAnchorInfo()
{
    qDebug() << "Get anchor info.";
    m_api.GetVpnNetworkAccountIpAnchor();
}

void ConnectionController::OnAssignedServerUpdated()
{
    if (m_state == State::AnchorInfoState)
        Enter(State::ServerSelectState);
}

void ConnectionController::OnInitialErrorOccurred()
{
    if (m_state == State::PtpSettleState || m_state == State::LocalIpState
        || m_state == State::ServersListState || m_state == State::AnchorInfoState)
        Enter(State::InitialErrorState);
}

void ConnectionController::OnInitializationFinished()
{
    VPNSettings& settings = m_settings.Settings();
    // TCP only lasts beyond a run when the user asked for it at start-up too.
    if (settings.tcpServersEnabled && !settings.tcpOnStartup) {
        settings.tcpServersEnabled = false;
        settings.tcpPort = 443;
        m_settings.Save();
    }
    m_catalog.SetListType(settings.tcpServersEnabled ? VPNServerManager::TcpList : VPNServerManager::UdpList);
    emit InitializationFinished();
    if (settings.autoConnect)
        m_autoConnectTimer->Start(m_timings.autoConnectDelayMs);
}

void ConnectionController::AutoConnect()
{
    // Start-up may have ended in the error view after all (the anchor step is left on an error
    // too): only connect where the user could.
    if (m_state != State::ServerSelectState)
        return;
    qDebug() << "Auto-connect.";
    Connect();
}

void ConnectionController::SelectServer(int row, const VPNServer* server)
{
    m_selectedRow = row;
    m_hasSelectedServer = server != nullptr;
    m_selectedServer = server ? *server : VPNServer();
    m_settings.Settings().currentServerIndex = row;
}

// ---------------------------------------------------------------------------------------------
// Connect, disconnect and reconnect

void ConnectionController::Connect()
{
    // Only a press the user could make counts: not during the countdown or the point-to-point
    // restore, and only from server selection.
    if (m_state != State::ServerSelectState || !ConnectAllowed())
        return;
    const VPNSettings& settings = m_settings.Settings();
    if (settings.pointToPointEnabled)
        m_tunnel.DisconnectPtPServer();

    if (!m_system.IsInternetConnected()) {
        ShowError(NoNetworkText(), RetryStep::CheckNetworkPresence);
        return;
    }

    m_userDisconnected = false;
    m_delayBeforeReconnect = false;
    m_networkChange.clear();
    m_tunnel.SetCredentials(m_accountKey, m_accountKey);

    if (!m_hasSelectedServer) {
        qDebug() << "No server selected. Not connecting.";
        return;
    }
    const VPNServer& server = m_selectedServer;
    const QString protocol
        = server.protocol == VPNServer::Tcp ? QStringLiteral("TCP") : QStringLiteral("UDP");
    qDebug() << QStringLiteral("Connecting to: %1 (%2) Port %3 Protocol %4")
                    .arg(server.name, server.address, QString::number(server.port), protocol);
    m_connectedServer = server;
    m_tunnel.ConnectToServer(server.address, server.port, protocol);
    // After the configuration is written: it says where OpenVPN's packets go (server or proxy).
    if (m_settings.Settings().blockTrafficWhenDown)
        BlockTraffic();
}

void ConnectionController::OnTunnelConnecting()
{
    if (m_state == State::ServerSelectState)
        Enter(State::ConnectingState);
}

void ConnectionController::OnVPNChannelConnecting()
{
    // Every moment of an attempt can be cancelled: the tunnel controller ends it at any stage.
    m_cancelAllowed = true;
    SetStatus(Status::Connecting);
}

void ConnectionController::OnTunnelFatalError(const QString& text)
{
    // OpenVPN's own words, shown as they are (escaped: the error view takes rich text); the
    // attempt's end and its reason follow from the tunnel.
    ShowError(QStringLiteral("<p>%1</p>").arg((QStringLiteral("OpenVPN: ") + text).toHtmlEscaped()),
              RetryStep::Dismiss);
}

void ConnectionController::OnTunnelConnected()
{
    if (m_state == State::ConnectingState)
        Enter(State::AssignedIpState);
}

void ConnectionController::CancelConnect()
{
    if (m_state != State::ConnectingState && m_state != State::AssignedIpState)
        return;
    m_userDisconnected = true;
    // The state comes first: the tunnel may report its end before DisconnectFromServer returns.
    Enter(State::DisconnectingState);
    m_tunnel.DisconnectFromServer();
}

void ConnectionController::Disconnect()
{
    if (m_state != State::ConnectedState)
        return;
    m_userDisconnected = true;
    m_delayBeforeReconnect = true;
    Enter(State::DisconnectingState);
    m_tunnel.DisconnectFromServer();
}

void ConnectionController::OnNetworkChanged(const QString& reason)
{
    if (!IsConnectionUnderWay() || !m_networkChange.isEmpty())
        return;
    qDebug() << "Network change:" << reason.toLatin1().constData() << "- the tunnel is taken as dropped.";
    m_networkChange = reason;
    m_delayBeforeReconnect = true;
    Enter(State::DisconnectingState);
    m_tunnel.DisconnectFromServer();
}

void ConnectionController::GetAssignedIp()
{
    m_cancelAllowed = false;
    // The tunnel carries the traffic now: a proxy configured for the real network would sit
    // outside it.
    m_api.SetProxyEnabled(false);
    qDebug() << "Get remote ip.";
    m_ipManager.RequestRemoteIp();
}

void ConnectionController::RequestRemoteIp()
{
    m_ipManager.RequestRemoteIp();
}

void ConnectionController::OnRemoteIpCheckFinished(bool isOK)
{
    m_changingIp = false;
    if (isOK) {
        m_newIp = m_ipManager.RemoteIp();
        emit StatusChanged();
        if (m_state == State::AssignedIpState)
            Enter(State::ConnectedState);
        return;
    }
    emit StatusChanged();
    if (IsConnectionUnderWay()) {
        // The traffic does not go through the tunnel: take it down and say so.
        m_remoteIpCheckFailed = true;
        m_delayBeforeReconnect = true;
        Enter(State::DisconnectingState);
        m_tunnel.DisconnectFromServer();
    }
}

void ConnectionController::OnVPNChannelConnected()
{
    m_connectedSince = m_clock.Now();
    m_localIp = m_ipManager.LocalIp();
    m_settings.Settings().lastUsedServer = m_connectedServer.name;
    if (!m_settings.Save())
        qDebug() << "Can't save the last used server.";

    m_timeCounting = true;
    if (m_timeConnectedShown)
        m_timeConnectedTimer->Start(m_timings.timeConnectedIntervalMs);
    SetStatus(Status::Connected);
    ApplyIPSettings();
    qDebug() << "Shown:" << StatusText() << "local IP" << m_localIp << "new IP" << NewIpText();
    emit ConnectionEstablished();
}

void ConnectionController::OnTimeConnectedTimer()
{
    emit StatusChanged();
}

void ConnectionController::SetTimeConnectedShown(bool shown)
{
    if (shown == m_timeConnectedShown)
        return;
    m_timeConnectedShown = shown;
    if (!shown) {
        m_timeConnectedTimer->Stop();
    } else if (m_timeCounting) {
        m_timeConnectedTimer->Start(m_timings.timeConnectedIntervalMs);
        emit StatusChanged();
    }
}

void ConnectionController::OnVPNChannelDropped()
{
    // After a sign-out or before start-up nothing was connected to drop.
    if (m_state == State::Stopped)
        return;
    m_timeCounting = false;
    m_timeConnectedTimer->Stop();
    m_autoIpChangeTimer->Stop();
    m_changeIpCheckTimer->Stop();
    m_changingIp = false;
    m_status = Status::ClickConnect;
    // Asked for: traffic flows again. A drop keeps the block through the countdown.
    if (m_userDisconnected)
        UnblockTraffic();

    if (!m_settings.Settings().pointToPointEnabled) {
        m_api.SetProxyEnabled(true);
        if (m_delayBeforeReconnect) {
            m_reconnectCountdown = ReconnectCountdownStart;
            m_delayBetweenReconnectsTimer->Start(m_timings.reconnectCountdownIntervalMs);
            m_status = Status::Countdown;
        }
    }
    if (m_state == State::ConnectingState || m_state == State::AssignedIpState
        || m_state == State::ConnectedState || m_state == State::DisconnectingState)
        Enter(State::ServerSelectState);
    emit ConnectionDropped();
    emit StatusChanged();
    m_disconnectReasonTimer->Start(m_timings.disconnectReasonDelayMs);

    if (m_signOutPending)
        FinishSignOut();
}

void ConnectionController::OnDisconnectLimit()
{
    qDebug() << "The tunnel did not report its end in time. Taking it as down.";
    OnVPNChannelDropped();
}

void ConnectionController::OnDelayBetweenReconnectsTimer()
{
    --m_reconnectCountdown;
    if (m_reconnectCountdown <= 0) {
        qDebug() << "Delay between reconnects finished.";
        m_delayBetweenReconnectsTimer->Stop();
        m_delayBeforeReconnect = false;
        SetStatus(Status::ClickConnect);
        return;
    }
    emit StatusChanged();
}

void ConnectionController::ShowDisconnectReason(const QString& logLine, const QString& text,
                                                bool offerRestart)
{
    qDebug() << logLine.toLatin1().constData();
    emit DisconnectReasonFound(text, offerRestart);
}

void ConnectionController::GetDisconnectReason()
{
    if (m_userDisconnected) {
        // Asked for: nothing to explain.
    } else if (!m_networkChange.isEmpty()) {
        ShowDisconnectReason(QStringLiteral("Disconnect reason: network changed (%1).").arg(m_networkChange),
                             ConnectionErrorText(), true);
        m_networkChange.clear();
    } else if (m_remoteIpCheckFailed) {
        m_remoteIpCheckFailed = false;
        ShowDisconnectReason(QStringLiteral("Disconnect reason: remote IP check returns error."),
                             IpErrorText(), true);
    } else if (!m_tunnel.ServiceOk()) {
        ShowDisconnectReason(QStringLiteral("Disconnect reason: openvpn service problem."),
                             OpenVpnErrorText(), true);
    } else if (m_tunnel.ServerReachable()) {
        ShowDisconnectReason(QStringLiteral("Disconnect reason: server dropped connection."),
                             ConnectionErrorText(), true);
    } else {
        ShowDisconnectReason(QStringLiteral("Disconnect reason: server unavailable."),
                             ServerUnavailableText(), false);
    }
    if (m_settings.Settings().pointToPointEnabled && m_state == State::ServerSelectState)
        Enter(State::PtpRestoreState);
}

void ConnectionController::CheckNetworkPresence()
{
    if (m_system.IsInternetConnected())
        emit ErrorResolved();
    else
        m_retry = RetryStep::CheckNetworkPresence;
}

// ---------------------------------------------------------------------------------------------
// IP change

void ConnectionController::ChangeIP()
{
    // Only a tunnel can carry the request (the timer and the entries exist only while connected).
    if (m_state != State::ConnectedState)
        return;
    m_changingIp = true;
    emit StatusChanged();
    m_tunnel.ChangeIp();
}

void ConnectionController::OnChangeIpFinished()
{
    // Sent or not, the address is checked: the old one still counts while it is not the local one.
    if (m_state == State::ConnectedState)
        m_changeIpCheckTimer->Start(m_timings.changeIpCheckDelayMs);
}

void ConnectionController::ApplyIPSettings()
{
    if (m_state != State::ConnectedState)
        return;
    const VPNSettings& settings = m_settings.Settings();
    // The account's address is anchored to this server: it cannot change.
    m_changeIpOffered = false;
    if (!m_connectedServer.anchored) {
        m_changeIpOffered = settings.forcedIpChangeEnabled && settings.serversOnMainScreen;
        m_autoIpChangeTimer->Stop();
        if (settings.autoIpChangeMinutes < 1) {
            qDebug() << "AutoIPChange disabled";
        } else {
            qDebug() << "AutoIPChange every " << settings.autoIpChangeMinutes << " minutes";
            // A timer counts at most about 24 days; a longer setting waits that long.
            const qint64 interval = qint64(settings.autoIpChangeMinutes) * m_timings.autoIpChangeMinuteMs;
            m_autoIpChangeTimer->Start(int(qMin<qint64>(interval, std::numeric_limits<int>::max())));
        }
    }
    emit StatusChanged();
}

bool ConnectionController::ApplyConfiguration()
{
    const VPNSettings& settings = m_settings.Settings();
    // While the tunnel is up the requests go direct; the proxy is kept for after it.
    m_api.SetProxyFromSettings(settings);
    if (IsStartingUp())
        return false;
    m_catalog.SetListType(settings.tcpServersEnabled ? VPNServerManager::TcpList : VPNServerManager::UdpList);
    ApplyIPSettings();
    // Turned off: traffic flows at once. Turned on while a connection is under way: it starts now.
    if (!settings.blockTrafficWhenDown)
        UnblockTraffic();
    else if (IsConnectionUnderWay() && !m_trafficBlocked)
        BlockTraffic();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Sign-out and exit

void ConnectionController::SignOut()
{
    if (m_signOutPending)
        return;
    qDebug() << "Signing out.";
    if (IsConnectionUnderWay()) {
        // The tunnel runs on this account: take it down and sign out once it is down.
        m_signOutPending = true;
        m_userDisconnected = true;
        Enter(State::DisconnectingState);
        m_tunnel.DisconnectFromServer();
        return;
    }
    if (m_state == State::DisconnectingState) {
        m_signOutPending = true;
        return;
    }
    FinishSignOut();
}

void ConnectionController::FinishSignOut()
{
    m_signOutPending = false;
    StopTimers();
    UnblockTraffic();
    if (m_state == State::PtpSettleState || m_state == State::PtpRestoreState)
        m_tunnel.DisconnectPtPServer();
    // The next sign-in starts afresh from the local address; answers still under way for this
    // run find the workflow stopped and are dropped.
    m_state = State::Stopped;
    m_status = Status::ClickConnect;
    m_retry = RetryStep::None;
    m_accountKey.clear();
    emit StateChanged(m_state);
    emit SignOutFinished();
}

void ConnectionController::StopTimers()
{
    m_timeCounting = false;
    for (Timer* timer : {m_timeConnectedTimer, m_delayBetweenReconnectsTimer, m_autoIpChangeTimer,
                         m_autoConnectTimer, m_localIpAfterPtpTimer, m_disconnectReasonTimer,
                         m_changeIpCheckTimer, m_ptpSettleTimer, m_disconnectLimitTimer})
        timer->Stop();
}

void ConnectionController::SetTrafficBlock(TrafficBlock* block)
{
    if (m_trafficBlock)
        disconnect(m_trafficBlock, nullptr, this, nullptr);
    m_trafficBlock = block;
    if (m_trafficBlock)
        connect(m_trafficBlock, &TrafficBlock::BlockFailed, this,
                &ConnectionController::OnTrafficBlockFailed);
}

void ConnectionController::BlockTraffic()
{
    if (!m_trafficBlock)
        return;
    m_trafficBlocked = true;
    const bool written = !m_tunnel.FirstHopAddress().isEmpty();
    m_trafficBlock->Block(written ? m_tunnel.FirstHopAddress() : m_connectedServer.address,
                          written ? m_tunnel.FirstHopPort() : m_connectedServer.port,
                          m_connectedServer.protocol == VPNServer::Tcp ? QStringLiteral("TCP")
                                                                       : QStringLiteral("UDP"));
}

void ConnectionController::UnblockTraffic()
{
    if (!m_trafficBlock || !std::exchange(m_trafficBlocked, false))
        return;
    m_trafficBlock->Unblock();
}

void ConnectionController::OnTrafficBlockFailed(const QString& error)
{
    qDebug() << "Traffic cannot be blocked outside the tunnel:" << error;
    if (m_trafficBlocked)
        ShowError(TrafficBlockErrorText(), RetryStep::Dismiss);
}

void ConnectionController::Shutdown()
{
    // The tray entry, the single-instance message and a restart can all ask at once; the tunnel
    // is taken down once.
    if (m_shutdownRequested)
        return;
    m_shutdownRequested = true;
    qDebug() << "Exit requested. Taking the tunnel down first.";
    StopTimers();
    // Also when the exit cannot wait for the answer: the block goes with this program's bus
    // connection.
    UnblockTraffic();
    // The workflow no longer reacts to the tunnel's end; only the exit waits for it.
    disconnect(&m_tunnel, nullptr, this, nullptr);
    connect(&m_tunnel, &OpenVpnGeneric::DisconnectedOnExit, this, &ConnectionController::ShutdownFinished,
            Qt::SingleShotConnection);
    m_tunnel.DisconnectOnExit();
}
