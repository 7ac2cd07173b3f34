#pragma once

#include "connection/connectioncontroller.h"

#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>

#include <memory>

class AccountSession;
class AutoUpdater;
class HkWindowButtonView;
class QAction;
class QMenu;
class QSequentialAnimationGroup;
class SettingsStore;
class StartupEntry;
class VPNApi;
class VPNConnectionIndicator;
class VPNHelpDialog;
class VPNInitializationView;
class VPNOptionsDialog;
class VPNServerListModel;
class VPNServerManager;
class VPNServerMarks;
class VPNSimpleDialog;
class VPNTrayIcon;
class VPNUpdateDialog;
namespace Ui {
class VPNMainWindow;
}

/**
 * The program's only main window: a small frameless window with its own chrome, a stack of
 * views (initialization, error, menu, main, sign-in), the connection indicator and the tray icon. It is a
 * view of the connection controller and the account session: it shows their state and texts and hands the
 * user's presses to them; the workflow lives there.
 */
class VPNMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // The product's name and web site, for titles and links.
    struct Branding
    {
        QString productWord;
        QString webHost;
    };

    // startupEntry: the start-at-login entry the options dialog keeps in step.
    VPNMainWindow(ConnectionController& connection, AccountSession& account, SettingsStore& settings,
                  VPNServerManager& catalog, VPNApi& api, std::unique_ptr<StartupEntry> startupEntry,
                  Branding branding, QWidget* parent = nullptr);
    ~VPNMainWindow() override;

    // The border band of the window from which a press drags it (the window has no title bar).
    static bool IsInDragBand(const QPoint& position, const QSize& area);
    static QString ComposeTrayToolTip(bool serversOnMainScreen, bool connected, const QString& server,
                                      const QDateTime& connectedSince, const QString& localIp,
                                      const QString& newIp);
    // The whole text of a style sheet resource; empty when it cannot be read.
    static QString ReadStyleSheet(const QString& resourcePath);

    QSystemTrayIcon* TrayIcon() const;
    QMenu* TrayMenu() const;
    VPNConnectionIndicator* ConnectionIndicator() const { return m_connectionIndicator; }
    VPNSimpleDialog* ConfirmationDialog() const;
    // The help menu, opened by the menu view's Help button; the window takes it over as a child.
    // A language applied there makes the window apply its texts again.
    void SetHelpDialog(VPNHelpDialog* dialog);
    VPNHelpDialog* HelpDialog() const { return m_helpDialog; }
    VPNOptionsDialog* OptionsDialog() const { return m_optionsDialog; }
    // The update check the menu view's Update button runs; its answers show in the update dialog.
    void SetUpdater(AutoUpdater* updater);
    VPNUpdateDialog* UpdateDialog() const { return m_updateDialog; }
    // The text of the last tray balloon ("CONNECTED", "DISCONNECTED").
    QString LastTrayMessage() const;

public slots:
    // Rebuilds the server list from the catalog and selects the default row.
    void InitializeServers();
    void OnServerChanged(int row);

    // Ends the program once the tunnel is down; RestartApplication() first asks for a new copy.
    void OnExit();
    void RestartApplication();

    void OnMinimize();
    void OnClose();
    void OnMenuButtonPressed();
    void OnLinkActivated(const QString& link);
    void SystrayIconActivated(QSystemTrayIcon::ActivationReason reason);
    void RetranslateUI();
    void VerifyIP();

    void OnMenuOptionsPressed();
    void OnUpdateButtonPressed();
    // Opens the options on the tab of the TCP and point-to-point options.
    void OnShowInOptionsContextPressed();
    // After the options were saved: the controller applies them, the window shows them.
    void ApplyConfiguration();
    void RefreshServerContextMenu();

signals:
    // The user asked for a restart; emitted just before the program quits.
    void RestartRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void ApplyStyleSheets();
    void CreateContextActions();
    void SetActionTexts();
    void SetSignUpText();
    void WireConnection();
    void WireAccount();

    void Refresh();
    // What the controller's state and flags mean for the widgets and tray entries.
    void ApplyState();
    void ShowTexts();
    void UpdateTrayToolTip();
    void StartConnectingAnimation();
    void StopConnectingAnimation();
    void ShowErrorView(const QString& text, QObject* retryWith);
    void ShowSignIn();
    void OnInitializationStarted();
    void OnInitializationFinished();
    void OnConnectionEstablished();
    void OnConnectionDropped();
    void OnDisconnectReasonFound(const QString& text, bool offerRestart);
    void OnErrorRetryPressed();
    void OnCurrentViewIndexChanged(int index);
    void Exit();
    QString WebPage(const char* path) const;

    ConnectionController& m_connection;
    AccountSession& m_account;
    SettingsStore& m_settings;
    VPNServerManager& m_catalog;
    Branding m_branding;
    std::unique_ptr<Ui::VPNMainWindow> m_ui;
    std::unique_ptr<VPNServerListModel> m_serverModel;
    HkWindowButtonView* m_windowButtons = nullptr;
    VPNInitializationView* m_initializationView = nullptr;
    VPNConnectionIndicator* m_connectionIndicator = nullptr;
    VPNServerMarks* m_serverMarks = nullptr;
    VPNOptionsDialog* m_optionsDialog = nullptr;

    QAction* m_statusVerifyAction = nullptr;
    QAction* m_showInOptionsAction = nullptr;
    QAction* m_favoriteAction = nullptr;
    QAction* m_anchorAction = nullptr;

    VPNTrayIcon* m_tray = nullptr;
    VPNHelpDialog* m_helpDialog = nullptr;
    QPointer<AutoUpdater> m_updater;
    VPNUpdateDialog* m_updateDialog = nullptr;

    // The running connecting animation; it deletes itself when it stops.
    QPointer<QSequentialAnimationGroup> m_connectingAnimation;
    QTimer m_snapshotTimer;
    // Whose retry the error view's button runs: the controller's or the account session's.
    QPointer<QObject> m_errorRetry;
    // The view the menu toggle returns to.
    QPointer<QWidget> m_viewBeforeMenu;
    bool m_dragging = false;
    QPoint m_pressPosition;
    // Set once the program is ending; until then a close request only hides the window.
    bool m_exiting = false;
    bool m_restartRequested = false;
};
