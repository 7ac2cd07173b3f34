#pragma once

#include "connection/connectioncontroller.h"

#include <QObject>
#include <QSystemTrayIcon>

class QAction;
class QMenu;
class QWidget;

/**
 * The program's icon in the system tray and its menu: what the connection is doing, the server
 * and the new address while connected, and the entries that connect, disconnect, change or verify
 * the address, open the window and quit. Which entries show follows the connection controller's
 * state; what they do is the owner's, through the signals.
 */
class VPNTrayIcon : public QObject
{
    Q_OBJECT

public:
    // The menu is a child of window (a menu needs a widget parent).
    VPNTrayIcon(QString productWord, QWidget* window);

    QSystemTrayIcon* Icon() const { return m_icon; }
    QMenu* Menu() const { return m_menu; }
    // The text of the last balloon ("CONNECTED", "DISCONNECTED").
    QString LastMessage() const { return m_lastMessage; }

    void ShowState(ConnectionController::State state, bool connectAllowed);
    void ShowConnection(const QString& server, const QString& newIp);
    // The icon's colour and a balloon saying so.
    void ShowConnected(bool connected);
    void SetToolTip(const QString& text) { m_icon->setToolTip(text); }
    void SetTexts();
    void Hide() { m_icon->hide(); }

signals:
    void ConnectTriggered();
    void DisconnectTriggered();
    void ChangeIpTriggered();
    void VerifyTriggered();
    void OpenTriggered();
    void QuitTriggered();
    void Activated(QSystemTrayIcon::ActivationReason reason);

private:
    QString m_productWord;
    QMenu* m_menu;
    QSystemTrayIcon* m_icon;
    QAction* m_statusAction;
    QAction* m_connectingAction;
    QAction* m_connectedAction;
    QAction* m_serverAction;
    QAction* m_ipAction;
    QAction* m_verifyAction;
    QAction* m_changeIpAction;
    QAction* m_connectAction;
    QAction* m_disconnectAction;
    QAction* m_openAction;
    QAction* m_quitAction;
    QString m_lastMessage;
};
