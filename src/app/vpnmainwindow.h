#pragma once

#include "connection/workflowtimings.h"
#include "platform/accountkeystore.h"
#include "tunnel/openvpngeneric.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

class HkWindowButtonView;
class QAction;
class QMenu;
class QSequentialAnimationGroup;
class QState;
class QStateMachine;
class VPNAppContext;
class VPNConnectionIndicator;
class VPNInitializationView;
class VPNServerMarks;
class VPNSimpleDialog;
struct VPNServer;
namespace Ui {
class VPNMainWindow;
}

/**
 * The program's only main window: a small frameless window with its own chrome, a stack of
 * views (initialization, error, menu, main, sign-in), the connection indicator and the tray
 * icon with its menu. It owns the workflow: a state machine that runs the start-up chain (local
 * address, server list, anchor), waits in server selection and follows the tunnel controller
 * through connecting and connected, setting the widgets' properties in every state. Before the
 * chain runs the user's account key must be known; without one the sign-in view asks for it.
 */
class VPNMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Ticks of the countdown after a user disconnect or a failed address check.
    static constexpr int ReconnectCountdownStart = 16;

    // Values of the workflow's connectionPhase.
    enum ConnectionPhase
    {
        Initializing = 0,
        Connected = 1,
        Disconnected = 2,
        Connecting = 3
    };

    // Null collaborators are replaced by the real ones: the Linux tunnel controller and the
    // keyring store with its owner-only file under Config/.
    explicit VPNMainWindow(VPNAppContext& context, std::unique_ptr<OpenVpnGeneric> tunnel = {},
                           std::unique_ptr<AccountKeyStore> keyStore = {}, QWidget* parent = nullptr);
    ~VPNMainWindow() override;

    // Trimmed key, or empty when the key is empty or holds a control character.
    static QString AcceptableAccountKey(const QString& text);
    static QString AccountKeyFilePath(const VPNAppContext& context);

    // The border band of the window from which a press drags it (the window has no title bar).
    static bool IsInDragBand(const QPoint& position, const QSize& area);
    static QString ComposeTrayToolTip(bool serversOnMainScreen, bool connected, const QString& server,
                                      const QDateTime& connectedSince, const QString& localIp,
                                      const QString& newIp);
    // The whole text of a style sheet resource; empty when it cannot be read.
    static QString ReadStyleSheet(const QString& resourcePath);

    ConnectionPhase GetConnectionPhase() const { return m_connectionPhase; }
    void SetConnectionPhase(ConnectionPhase phase) { m_connectionPhase = phase; }
    QDateTime ConnectedSince() const { return m_connectedSince; }
    void SetConnectedSince(const QDateTime& since) { m_connectedSince = since; }

    QSystemTrayIcon* TrayIcon() const { return m_trayIcon; }
    QMenu* TrayMenu() const { return m_trayMenu; }
    VPNConnectionIndicator* ConnectionIndicator() const { return m_connectionIndicator; }
    VPNInitializationView* InitializationAnimation() const { return m_initializationView; }
    HkWindowButtonView* WindowButtons() const { return m_windowButtons; }
    VPNSimpleDialog* ConfirmationDialog() const;
    // The favorite and anchor marks of ServerListDropDown.
    VPNServerMarks& ServerMarks() const { return *m_serverMarks; }
    OpenVpnGeneric& Tunnel() const { return *m_tunnel; }
    // Null until the machine has been built (a missing network or a sign-in delays it).
    QStateMachine* StateMachine() const { return m_machine; }
    // The state the machine is in, by its object name ("ServerSelectState"); empty when none.
    QString CurrentStateName() const;

    const WorkflowTimings& Timings() const { return m_timings; }
    void SetTimings(const WorkflowTimings& timings);

    QString AccountKey() const { return m_accountKey; }
    // From the account check of the last sign-in (or the check of a stored key at start).
    QString AccountUserName() const { return m_accountUserName; }
    QString AccountEmail() const { return m_accountEmail; }
    bool IsSignedIn() const { return !m_accountKey.isEmpty(); }

    bool UserDisconnected() const { return m_userDisconnected; }
    bool DelayBeforeReconnect() const { return m_delayBeforeReconnect; }
    bool RemoteIpCheckFailed() const { return m_remoteIpCheckFailed; }
    int ReconnectCountdown() const { return m_reconnectCountdown; }
    bool RestartRequested() const { return m_restartRequested; }

    const QTimer& TimeConnectedTimer() const { return m_timeConnectedTimer; }
    const QTimer& ReconnectCountdownTimer() const { return m_delayBetweenReconnectsTimer; }
    const QTimer& AutoIpChangeTimer() const { return m_autoIpChangeTimer; }
    // The text of the last tray balloon ("CONNECTED", "DISCONNECTED").
    QString LastTrayMessage() const { return m_lastTrayMessage; }
    // True from a drop until its reason has been looked at.
    bool DisconnectReasonPending() const { return m_disconnectReasonTimer.isActive(); }
    // The texts shown after a drop; the restart link is part of the first three.
    static QString IpErrorText();
    static QString OpenVpnErrorText();
    static QString ConnectionErrorText();
    static QString ServerUnavailableText();
    // "h:mm:ss" with the hours unpadded and unlimited.
    static QString FormatTimeConnected(int hours, int minutes, int seconds);

public slots:
    // Builds and starts the workflow machine once the computer has a network connection.
    void Initialize();

    // Entry and exit actions of the start-up chain.
    void GetLocalIp();
    void GetServersList();
    void GetAnchorInfo();
    void OnInitializationFinished();
    void OnInitialErrorOccurred();
    void OnLocalIpCheckFinished(bool isOK);

    // Connecting, disconnecting and the reaction to a drop.
    void Connect();
    void CancelConnect();
    void Disconnect();
    void EnableCancelButton();
    void OnVPNChannelConnecting();
    void GetAssignedIp();
    void OnRemoteIpCheckFinished(bool isOK);
    void OnVPNChannelConnected();
    void OnTimeConnectedTimer();
    void OnVPNChannelDropped();
    void OnDelayBetweenReconnectsTimer();
    void GetDisconnectReason();
    // Waits (bounded) in a local event loop until the point-to-point connection has settled.
    void ConnectToPtP(bool isInitialConnect);
    void DisconnectFromPtP();
    void CheckNetworkPresence();

    // IP change.
    void ChangeIP();
    void OnChangeIpFinished();
    void ApplyIPSettings();
    void VerifyIP();

    // The server catalog in the server choice list.
    void InitializeServers();
    void OnServerChanged(int row);

    // The favorite and anchor context actions of the server choice list; VPNServerMarks holds
    // the logic, which the options dialog shares.
    void RefreshServerContextMenu();
    void OnFavoriteStateChanged(bool checked);
    void OnAnchorStateChanged(bool checked);
    void OnConfirmFavoriteStateOnPressed();
    void OnConfirmFavoriteStateOffPressed();
    void OnConfirmAnchorStateOnPressed();
    void OnConfirmAnchorStateOffPressed();
    void OnDeclineFavoriteStateChangePressed();
    void OnDeclineAnchorStateChangePressed();

    // Account key: the sign-in view, its check and the sign-out.
    void OnSignInPressed();
    void OnSignOutPressed();

    // Ends the program; RestartApplication() first asks for a new copy to be started.
    void OnExit();
    void Exit();
    void RestartApplication();

    void OnMinimize();
    void OnClose();
    void OnMenuButtonPressed();
    void OnCurrentViewIndexChanged(int index);
    void OnLinkActivated(const QString& link);
    void SystrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void RetranslateUI();
    void UpdateTrayToolTip();

signals:
    void LocalIpUpdated();
    void RemoteIpUpdated();
    void RestartWorkflow();
    void InitialErrorOccurred();
    void BackToServerSelectState();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void ApplyStyleSheets();
    void CreateContextActions();
    void CreateTray();
    void SetActionTexts();
    void SetSignUpText();
    void ConnectWorkflowControls();
    // The record of the row chosen in the server list; null when there is none.
    const VPNServer* SelectedServer() const;
    void StartConnectingAnimation();
    void StopConnectingAnimation();
    void ShowTrayMessage(const QString& text);
    void ShowDisconnectReason(const QString& logLine, const QString& text, bool offerRestart);
    void SaveConnectedSnapshot();
    QState* AddState(const char* name);
    void BuildStateMachine();
    void AssignStateProperties();
    void ShowErrorView(const QString& text);

    // Account key.
    void LoadAccountKey();
    void StartWithAccountKey(const QString& key, bool checkAccount);
    void ShowSignIn(const QString& message = QString());
    void SetSignInBusy(bool busy);
    void CheckAccountKey(const QString& key);
    void OnUserInfoFinished();
    void FinishSignOut();
    void AutoConnect();

    VPNAppContext& m_context;
    std::unique_ptr<Ui::VPNMainWindow> m_ui;
    HkWindowButtonView* m_windowButtons = nullptr;
    VPNInitializationView* m_initializationView = nullptr;
    VPNConnectionIndicator* m_connectionIndicator = nullptr;
    VPNServerMarks* m_serverMarks = nullptr;

    QAction* m_statusVerifyAction = nullptr;
    QAction* m_showInOptionsAction = nullptr;
    QAction* m_favoriteAction = nullptr;
    QAction* m_anchorAction = nullptr;

    QMenu* m_trayMenu = nullptr;
    QSystemTrayIcon* m_trayIcon = nullptr;
    QAction* m_trayStatusAction = nullptr;
    QAction* m_trayConnectingAction = nullptr;
    QAction* m_trayConnectedAction = nullptr;
    QAction* m_trayServerAction = nullptr;
    QAction* m_trayIpAction = nullptr;
    QAction* m_trayVerifyAction = nullptr;
    QAction* m_trayChangeIpAction = nullptr;
    QAction* m_trayConnectAction = nullptr;
    QAction* m_trayDisconnectAction = nullptr;
    QAction* m_trayOpenAction = nullptr;
    QAction* m_trayQuitAction = nullptr;

    std::unique_ptr<OpenVpnGeneric> m_tunnel;
    std::unique_ptr<AccountKeyStore> m_keyStore;

    // The workflow machine and its states; the machine owns the states.
    QStateMachine* m_machine = nullptr;
    QState* m_localIpState = nullptr;
    QState* m_serversListState = nullptr;
    QState* m_anchorInfoState = nullptr;
    QState* m_serverSelectState = nullptr;
    QState* m_connectingState = nullptr;
    QState* m_assignedIpState = nullptr;
    QState* m_connectedState = nullptr;
    QState* m_initialErrorState = nullptr;

    WorkflowTimings m_timings;
    QTimer m_timeConnectedTimer;
    QTimer m_delayBetweenReconnectsTimer;
    QTimer m_autoIpChangeTimer;
    QTimer m_autoConnectTimer;
    QTimer m_localIpAfterPtpTimer;
    QTimer m_disconnectReasonTimer;
    QTimer m_changeIpCheckTimer;
    QTimer m_snapshotTimer;
    // The running connecting animation; it deletes itself when it stops.
    QPointer<QSequentialAnimationGroup> m_connectingAnimation;
    QString m_lastTrayMessage;

    // Workflow variables.
    ConnectionPhase m_connectionPhase = Initializing;
    bool m_userDisconnected = false;
    bool m_delayBeforeReconnect = false;
    bool m_remoteIpCheckFailed = false;
    bool m_restartRequested = false;
    QDateTime m_connectedSince;
    int m_reconnectCountdown = 0;
    int m_elapsedHours = 0;
    int m_elapsedMinutes = 0;
    int m_elapsedSeconds = 0;

    // The key the workflow uses; empty while signed out.
    QString m_accountKey;
    // The key of the sign-in under way; empty when none is.
    QString m_keyUnderCheck;
    // Account checks sent, oldest first: a sign-in, or the quiet check of a key already in use.
    struct AccountCheck
    {
        bool signIn = false;
        QString key;
    };
    QList<AccountCheck> m_accountChecks;
    QString m_accountUserName;
    QString m_accountEmail;
    bool m_signOutPending = false;

    // The view the menu toggle returns to.
    QPointer<QWidget> m_viewBeforeMenu;
    bool m_dragging = false;
    QPoint m_pressPosition;
    // Set once the program is ending; until then a close request only hides the window.
    bool m_exiting = false;
    // Set once OnExit() has asked the tunnel to go down; a second request waits for the same.
    bool m_exitRequested = false;
};
