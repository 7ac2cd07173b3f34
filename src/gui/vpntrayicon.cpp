#include "vpntrayicon.h"

#include <QAction>
#include <QMenu>

#include <utility>

namespace {

constexpr int MessageMs = 5000;

} // namespace

VPNTrayIcon::VPNTrayIcon(QString productWord, QWidget* window)
    : QObject(window)
    , m_productWord(std::move(productWord))
    , m_menu(new QMenu(window))
    , m_icon(new QSystemTrayIcon(QIcon(QStringLiteral(":/global/resources/SystrayIconRed.png")), this))
{
    const auto addEntry = [this](const char* objectName) {
        QAction* action = m_menu->addAction(QString());
        action->setObjectName(QLatin1String(objectName));
        return action;
    };
    m_statusAction = addEntry("trayStatusAction");
    m_connectingAction = addEntry("trayConnectingAction");
    m_connectedAction = addEntry("trayConnectedAction");
    m_serverAction = addEntry("trayServerAction");
    m_ipAction = addEntry("trayIpAction");
    m_verifyAction = addEntry("trayVerifyAction");
    m_changeIpAction = addEntry("trayChangeIpAction");
    m_menu->addSeparator();
    m_connectAction = addEntry("trayConnectAction");
    m_disconnectAction = addEntry("trayDisconnectAction");
    m_menu->addSeparator();
    m_openAction = addEntry("trayOpenAction");
    m_quitAction = addEntry("trayQuitAction");
    // The lines that only inform cannot be chosen.
    for (QAction* info : {m_statusAction, m_connectingAction, m_connectedAction, m_serverAction, m_ipAction})
        info->setEnabled(false);
    SetTexts();
    ShowState(ConnectionController::State::Stopped, false);

    connect(m_connectAction, &QAction::triggered, this, &VPNTrayIcon::ConnectTriggered);
    connect(m_disconnectAction, &QAction::triggered, this, &VPNTrayIcon::DisconnectTriggered);
    connect(m_changeIpAction, &QAction::triggered, this, &VPNTrayIcon::ChangeIpTriggered);
    connect(m_verifyAction, &QAction::triggered, this, &VPNTrayIcon::VerifyTriggered);
    connect(m_openAction, &QAction::triggered, this, &VPNTrayIcon::OpenTriggered);
    connect(m_quitAction, &QAction::triggered, this, &VPNTrayIcon::QuitTriggered);

    m_icon->setContextMenu(m_menu);
    m_icon->setToolTip(tr("Disconnected"));
    connect(m_icon, &QSystemTrayIcon::activated, this, &VPNTrayIcon::Activated);
    m_icon->show();
}

void VPNTrayIcon::ShowState(ConnectionController::State state, bool connectAllowed)
{
    using State = ConnectionController::State;
    const bool connecting = state == State::ConnectingState || state == State::AssignedIpState;
    const bool connected = state == State::ConnectedState;
    const bool disconnecting = state == State::DisconnectingState;
    m_statusAction->setVisible(!connecting && !connected && !disconnecting);
    m_connectingAction->setVisible(connecting);
    for (QAction* detail : {m_connectedAction, m_serverAction, m_ipAction, m_verifyAction})
        detail->setVisible(connected || disconnecting);
    m_changeIpAction->setVisible(connected);
    m_connectAction->setEnabled(state == State::ServerSelectState && connectAllowed);
    m_disconnectAction->setEnabled(connected);
}

void VPNTrayIcon::ShowConnection(const QString& server, const QString& newIp)
{
    m_serverAction->setText(server);
    m_ipAction->setText(newIp);
}

void VPNTrayIcon::ShowConnected(bool connected)
{
    m_icon->setIcon(QIcon(connected ? QStringLiteral(":/global/resources/SystrayIconGreen.png")
                                    : QStringLiteral(":/global/resources/SystrayIconRed.png")));
    m_lastMessage = connected ? tr("CONNECTED") : tr("DISCONNECTED");
    m_icon->showMessage(QString(), m_lastMessage, QSystemTrayIcon::Information, MessageMs);
}

void VPNTrayIcon::SetTexts()
{
    const QString product = m_productWord.toUpper();
    m_statusAction->setText(tr("Disconnected"));
    m_connectingAction->setText(tr("Connecting..."));
    m_connectedAction->setText(tr("Connected"));
    m_verifyAction->setText(tr("Verify"));
    m_changeIpAction->setText(tr("Change New IP"));
    m_connectAction->setText(tr("&Connect"));
    m_disconnectAction->setText(tr("&Disconnect"));
    m_openAction->setText(tr("&Open %1").arg(product));
    m_quitAction->setText(tr("&Quit %1").arg(product));
}
