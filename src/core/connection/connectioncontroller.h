#pragma once

#include "api/vpnserver.h"
#include "connection/workflowtimings.h"

#include <QDateTime>
#include <QObject>

class Clock;
class ISystemServices;
class OpenVpnGeneric;
class SettingsStore;
class Timer;
class TrafficBlock;
class VPNApi;
class VPNIpManager;
class VPNServerManager;

/**
 * The connection workflow, without a window. It runs the start-up chain (point-to-point
 * connection when configured, local address, server list, anchor), waits in server selection,
 * follows the tunnel through connecting, the address check and connected, and back after a
 * disconnect or a drop: the countdown before the next connection, the reason of a drop, the
 * point-to-point restore, the time connected and the IP change. Every wait is a state or a
 * timer with a deadline; the timers come from the clock it is given. With the kill switch on,
 * traffic is blocked outside the tunnel from CONNECT until the user disconnects, signs out or
 * exits, through drops and the countdown.
 *
 * States and what leaves them:
 *   Stopped            Initialize() with a key and a network
 *   PtpSettleState     the point-to-point tunnel is up or down, or ptpSettleLimitMs passed
 *   LocalIpState       the local address (ServersList) or its failure (InitialError)
 *   ServersListState   the server list (AnchorInfo) or its failure (InitialError)
 *   AnchorInfoState    the anchor answer (ServerSelect); leaving it shows the main view
 *   ServerSelectState  the tunnel starting (Connecting)
 *   ConnectingState    the tunnel up (AssignedIp), down (ServerSelect), Cancel (Disconnecting)
 *   AssignedIpState    a new public address (Connected), none (Disconnecting)
 *   ConnectedState     Disconnect, a failed address check or a network change (Disconnecting),
 *                      a drop
 *   DisconnectingState the tunnel's end, or disconnectLimitMs (ServerSelect)
 *   PtpRestoreState    after a drop in point-to-point mode, until that tunnel settles
 *   InitialErrorState  Retry() (LocalIp)
 * The view shows the state; the texts and flags below complete what it shows.
 */
class ConnectionController : public QObject
{
    Q_OBJECT

public:
    enum class State
    {
        Stopped,
        PtpSettleState,
        LocalIpState,
        ServersListState,
        AnchorInfoState,
        ServerSelectState,
        ConnectingState,
        AssignedIpState,
        ConnectedState,
        DisconnectingState,
        PtpRestoreState,
        InitialErrorState
    };
    Q_ENUM(State)

    // Ticks of the countdown after a user disconnect or a failed address check.
    static constexpr int ReconnectCountdownStart = 16;

    ConnectionController(OpenVpnGeneric& tunnel, VPNApi& api, VPNIpManager& ipManager,
                         VPNServerManager& catalog, SettingsStore& settings, const ISystemServices& system,
                         Clock& clock, QObject* parent = nullptr);
    ~ConnectionController() override;

    State CurrentState() const { return m_state; }
    static QString StateName(State state);
    const WorkflowTimings& Timings() const { return m_timings; }
    void SetTimings(const WorkflowTimings& timings);

    // The status line of the main view.
    QString StatusText() const;
    // "h:mm:ss" while connected, empty otherwise.
    QString TimeConnectedText() const;
    // Whether anything shows the time connected (the window is shown). While nothing does, its
    // tick and StatusChanged() each second stop, so a program left in the tray stays asleep;
    // shown again, the text is up to date at once.
    void SetTimeConnectedShown(bool shown);
    QString LocalIp() const { return m_localIp; }
    // The new public address, or "Changing..." while an IP change is under way.
    QString NewIpText() const;
    QDateTime ConnectedSince() const { return m_connectedSince; }
    // The server of the connection under way or up.
    QString ConnectedServerName() const { return m_connectedServer.name; }
    // False during the countdown after a disconnect and while point-to-point is restored.
    bool ConnectAllowed() const;
    // An attempt is under way and can be cancelled.
    bool CancelAllowed() const { return m_cancelAllowed; }
    bool ChangeIpOffered() const { return m_changeIpOffered; }
    bool IsChangingIp() const { return m_changingIp; }
    int ReconnectCountdown() const { return m_reconnectCountdown; }

    // The texts shown after a drop; the restart link is part of the first three.
    static QString IpErrorText();
    static QString OpenVpnErrorText();
    static QString ConnectionErrorText();
    static QString ServerUnavailableText();
    static QString NoNetworkText();
    static QString NetworkErrorText();
    static QString TrafficBlockErrorText();
    // "h:mm:ss" with the hours unpadded and unlimited.
    static QString FormatTimeConnected(int hours, int minutes, int seconds);

public slots:
    // What blocks traffic outside the tunnel when the settings ask for it; none: nothing blocks.
    void SetTrafficBlock(TrafficBlock* block);
    // The key every connection authenticates with; set before Initialize().
    void SetAccountKey(const QString& accountKey);
    // Starts the workflow once there is a key and a network; otherwise says what is missing.
    void Initialize();
    // The retry button of the error view: the step that failed again.
    void Retry();
    // The row chosen in the server list and its record (null for none).
    void SelectServer(int row, const VPNServer* server);

    void Connect();
    void CancelConnect();
    void Disconnect();
    void ChangeIP();
    // The network under the tunnel changed (resume, another default route): a connection under way
    // is taken down at once as dropped, with the reason, rather than left to OpenVPN's keepalive.
    void OnNetworkChanged(const QString& reason);
    // Takes the tunnel down if it is up, then stops the workflow; SignOutFinished() follows.
    void SignOut();
    // Takes the tunnel down for good; ShutdownFinished() follows.
    void Shutdown();
    // The options were saved: the API client takes the proxy at once (a retry after a failed
    // start-up needs the corrected one); once start-up has ended also the server list (UDP or
    // TCP) and the IP change. False while start-up still runs.
    bool ApplyConfiguration();

signals:
    void StateChanged(ConnectionController::State state);
    // Status text, time connected, addresses or one of the flags changed.
    void StatusChanged();
    // The start-up chain began (the initialization view shows) or ended (the main view shows).
    void InitializationStarted();
    void InitializationFinished();
    // A step failed; the error view shows the text until Retry() or ErrorResolved().
    void ErrorOccurred(const QString& text);
    void ErrorResolved();
    void ConnectionEstablished();
    void ConnectionDropped();
    void DisconnectReasonFound(const QString& text, bool offerRestart);
    void SignOutFinished();
    void ShutdownFinished();

private:
    enum class Status
    {
        ClickConnect,
        Connecting,
        Connected,
        Countdown,
        RestoringPtp
    };
    enum class RetryStep
    {
        None,
        Initialize,
        RestartWorkflow,
        CheckNetworkPresence,
        // Back to the main view (an error shown for information).
        Dismiss
    };

    Timer* CreateTimer(bool singleShot, void (ConnectionController::*slot)());
    void Enter(State next);
    void StartChain();
    void ShowError(const QString& text, RetryStep retry);
    void SetStatus(Status status);
    bool IsConnectionUnderWay() const;
    bool IsStartingUp() const;

    // Entry actions and reactions, by the names of the workflow's steps.
    void ConnectToPtP();
    void OnPtpSettled();
    void OnPtpSettleLimit();
    void GetLocalIp();
    void RequestLocalIp();
    void OnLocalIpCheckFinished(bool isOK);
    void GetServersList();
    void OnServersUpdated();
    void GetAnchorInfo();
    void OnAssignedServerUpdated();
    void OnInitialErrorOccurred();
    void OnInitializationFinished();
    void AutoConnect();
    void OnVPNChannelConnecting();
    void OnTunnelConnecting();
    void OnTunnelConnected();
    void OnTunnelFatalError(const QString& text);
    void GetAssignedIp();
    void OnRemoteIpCheckFinished(bool isOK);
    void OnVPNChannelConnected();
    void OnTimeConnectedTimer();
    void OnVPNChannelDropped();
    void OnDisconnectLimit();
    void OnDelayBetweenReconnectsTimer();
    void GetDisconnectReason();
    void ShowDisconnectReason(const QString& logLine, const QString& text, bool offerRestart);
    void ApplyIPSettings();
    void OnChangeIpFinished();
    void RequestRemoteIp();
    void CheckNetworkPresence();
    void FinishSignOut();
    void StopTimers();
    void BlockTraffic();
    void UnblockTraffic();
    void OnTrafficBlockFailed(const QString& error);

    OpenVpnGeneric& m_tunnel;
    VPNApi& m_api;
    VPNIpManager& m_ipManager;
    VPNServerManager& m_catalog;
    SettingsStore& m_settings;
    const ISystemServices& m_system;
    Clock& m_clock;
    WorkflowTimings m_timings;
    TrafficBlock* m_trafficBlock = nullptr;

    Timer* m_timeConnectedTimer;
    Timer* m_delayBetweenReconnectsTimer;
    Timer* m_autoIpChangeTimer;
    Timer* m_autoConnectTimer;
    Timer* m_localIpAfterPtpTimer;
    Timer* m_disconnectReasonTimer;
    Timer* m_changeIpCheckTimer;
    Timer* m_ptpSettleTimer;
    Timer* m_disconnectLimitTimer;

    State m_state = State::Stopped;
    Status m_status = Status::ClickConnect;
    RetryStep m_retry = RetryStep::None;
    QString m_accountKey;
    int m_selectedRow = -1;
    VPNServer m_selectedServer;
    bool m_hasSelectedServer = false;
    VPNServer m_connectedServer;

    bool m_userDisconnected = false;
    bool m_delayBeforeReconnect = false;
    bool m_remoteIpCheckFailed = false;
    QString m_networkChange; // why the last connection was taken down, until its reason is shown
    bool m_cancelAllowed = false;
    bool m_changeIpOffered = false;
    bool m_changingIp = false;
    bool m_signOutPending = false;
    bool m_shutdownRequested = false;
    bool m_trafficBlocked = false;
    QString m_localIp;
    QString m_newIp;
    QDateTime m_connectedSince;
    int m_reconnectCountdown = 0;
    // The tunnel is up, so the time connected counts; its tick runs only while it is shown.
    bool m_timeCounting = false;
    bool m_timeConnectedShown = true;
};
