#pragma once

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>
#include <QSystemTrayIcon>

#include <memory>

class HkWindowButtonView;
class QAction;
class QMenu;
class VPNAppContext;
class VPNConnectionIndicator;
class VPNInitializationView;
class VPNSimpleDialog;
namespace Ui {
class VPNMainWindow;
}

/**
 * The program's only main window: a small frameless window with its own chrome, a stack of
 * views (initialization, error, menu, main), the connection indicator and the tray icon with
 * its menu. The workflow drives the widgets through their properties; this class owns the
 * window's own behaviour (moving, minimising, hiding to the tray, the menu toggle, the tray
 * tool tip, re-translation).
 */
class VPNMainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // Values of the workflow's connectionPhase.
    enum ConnectionPhase
    {
        Initializing = 0,
        Connected = 1,
        Disconnected = 2,
        Connecting = 3
    };

    explicit VPNMainWindow(VPNAppContext& context, QWidget* parent = nullptr);
    ~VPNMainWindow() override;

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
    VPNSimpleDialog* ConfirmationDialog() const { return m_confirmationDialog; }

public slots:
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

    VPNAppContext& m_context;
    std::unique_ptr<Ui::VPNMainWindow> m_ui;
    HkWindowButtonView* m_windowButtons = nullptr;
    VPNInitializationView* m_initializationView = nullptr;
    VPNConnectionIndicator* m_connectionIndicator = nullptr;
    VPNSimpleDialog* m_confirmationDialog = nullptr;

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

    // Workflow variables the window's own behaviour reads.
    ConnectionPhase m_connectionPhase = Initializing;
    QDateTime m_connectedSince;
    bool m_restartRequested = false;

    // The view the menu toggle returns to.
    QPointer<QWidget> m_viewBeforeMenu;
    bool m_dragging = false;
    QPoint m_pressPosition;
    // Set once the program is ending; until then a close request only hides the window.
    bool m_exiting = false;
};
