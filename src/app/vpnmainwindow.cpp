#include "vpnmainwindow.h"

#include "appcontext.h"
#include "applicationrestart.h"
#include "deployment.h"
#include "linux/keychainaccountkeystore.h"
#include "linux/openvpnlinux.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "tunnel/servicecontroller.h"
#include "ui_vpnmainwindow.h"
#include "vpnservermarks.h"
#include "widgets/hkwindowbuttonview.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpninitializationview.h"
#include "windowsnapshot.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QDesktopServices>
#include <QEasingCurve>
#include <QEventLoop>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QState>
#include <QStateMachine>
#include <QUrl>

#include <limits>

namespace {

constexpr int DragBandLeft = 40;
constexpr int DragBandTop = 40;
constexpr int DragBandRight = 29;
constexpr int DragBandBottom = 39;

// Path of the support ticket page on the service's web site.
const char SupportTicketPath[] = "/support/ticket";
// Path of the page on the service's web site where an account is opened.
const char SignUpPath[] = "/signup/";
// Path of the page on the service's web site that shows the address a visitor comes from.
const char VerifyIpPath[] = "/whatismyipaddress/";
// The moving block of the connecting view: from the left end of the screen to the right and back.
const QRect ConnectingBlockLeft(6, 118, 46, 19);
const QRect ConnectingBlockRight(504, 118, 46, 19);
constexpr int ConnectingSweepMs = 4000;
constexpr int ConnectingSweeps = 100;
constexpr int TrayMessageMs = 5000;
// Width of MainStatusLabel beside the buttons, and beside the time connected.
constexpr int StatusWidthWide = 289;
constexpr int StatusWidthConnected = 244;

} // namespace

VPNMainWindow::VPNMainWindow(VPNAppContext& context, std::unique_ptr<OpenVpnGeneric> tunnel,
                             std::unique_ptr<AccountKeyStore> keyStore, QWidget* parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_ui(std::make_unique<Ui::VPNMainWindow>())
    , m_tunnel(std::move(tunnel))
    , m_keyStore(std::move(keyStore))
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);

    m_windowButtons = new HkWindowButtonView(m_ui->centralWidget, QRect(480, 3, 120, 40), true);
    connect(m_windowButtons, &HkWindowButtonView::MinimizeClicked, this, &VPNMainWindow::OnMinimize);
    connect(m_windowButtons, &HkWindowButtonView::CloseClicked, this, &VPNMainWindow::OnClose);

    m_context.LoadSettings();

    setWindowTitle(m_context.ProductWord().toUpper());
    ApplyStyleSheets();
    m_ui->ConnectionProgressFrame->hide();
    m_ui->RestartButton->hide();
    m_ui->ChangeIPButton->hide();
    m_ui->TcpIndicatorLabel->hide();
    CreateContextActions();
    m_ui->ServerListDropDown->setItemDelegate(new VPNComboBoxHtmlDelegate(
        QColor(QStringLiteral("gray")), QColor(QStringLiteral("white")), QColor(QStringLiteral("yellow")),
        QColor(56, 137, 247), m_ui->ServerListDropDown));
    m_ui->ServerListDropDown->setIconSize(QSize(70, 25));

    m_initializationView = new VPNInitializationView(m_ui->InitializationView, QRect(10, 58, 525, 45));
    m_initializationView->SetText(tr("Initializing..."), 22);

    connect(m_ui->MenuButton, &QPushButton::clicked, this, &VPNMainWindow::OnMenuButtonPressed);
    connect(m_ui->RestartButton, &QPushButton::clicked, this, &VPNMainWindow::RestartApplication);
    connect(m_ui->ErrorExitButton, &QPushButton::clicked, this, &VPNMainWindow::OnExit);
    connect(m_ui->InitializationLabel, &QLabel::linkActivated, this, &VPNMainWindow::RestartApplication);

    connect(m_ui->CurrentView, &QStackedWidget::currentChanged, this,
            &VPNMainWindow::OnCurrentViewIndexChanged);
    m_ui->CurrentView->setCurrentWidget(m_ui->InitializationView);
    OnCurrentViewIndexChanged(m_ui->CurrentView->currentIndex());

    m_connectionIndicator
        = new VPNConnectionIndicator(m_ui->centralWidget, QRect(17, 144, 559, 28), Qt::white);
    m_connectionIndicator->hide();
    connect(m_connectionIndicator, &VPNConnectionIndicator::linkActivated, this,
            &VPNMainWindow::OnLinkActivated);

    CreateTray();

    m_ui->TestVersionFrameLeft->hide();
    m_ui->TestVersionFrameRight->hide();

    connect(&m_timeConnectedTimer, &QTimer::timeout, this, &VPNMainWindow::OnTimeConnectedTimer);
    connect(&m_delayBetweenReconnectsTimer, &QTimer::timeout, this,
            &VPNMainWindow::OnDelayBetweenReconnectsTimer);
    connect(&m_autoIpChangeTimer, &QTimer::timeout, this, &VPNMainWindow::ChangeIP);
    m_disconnectReasonTimer.setSingleShot(true);
    connect(&m_disconnectReasonTimer, &QTimer::timeout, this, &VPNMainWindow::GetDisconnectReason);
    m_changeIpCheckTimer.setSingleShot(true);
    connect(&m_changeIpCheckTimer, &QTimer::timeout, &m_context.IpManager(), &VPNIpManager::RequestRemoteIp);
    m_snapshotTimer.setSingleShot(true);
    connect(&m_snapshotTimer, &QTimer::timeout, this, &VPNMainWindow::SaveConnectedSnapshot);
    m_autoConnectTimer.setSingleShot(true);
    connect(&m_autoConnectTimer, &QTimer::timeout, this, &VPNMainWindow::AutoConnect);
    m_localIpAfterPtpTimer.setSingleShot(true);
    connect(&m_localIpAfterPtpTimer, &QTimer::timeout, &m_context.IpManager(), &VPNIpManager::RequestLocalIp);
    SetTimings(m_timings);

    if (!m_tunnel) {
        auto tunnel = std::make_unique<OpenVpnLinux>(
            m_context.Settings(), m_context.SystemServices(),
            OpenVpnLinux::CreateProcessController(m_context.SystemServices(), Deployment::OpenVpnBinary()));
        tunnel->SetCaSourceFile(Deployment::VpnCaFile());
        m_tunnel = std::move(tunnel);
    }
    m_tunnel->SetPtpServer(Deployment::PtpServer());
    m_tunnel->SetConfigFilePath(GetOpenVpnConfigPath(m_context.SystemServices()));
    ConnectWorkflowControls();

    connect(&m_context.IpManager(), &VPNIpManager::LocalIpCheckFinished, this,
            &VPNMainWindow::OnLocalIpCheckFinished);
    connect(&m_context.IpManager(), &VPNIpManager::RemoteIpCheckFinished, this,
            &VPNMainWindow::OnRemoteIpCheckFinished);
    connect(&m_context.Api(), &VPNApi::ServerListErrorOccured, this, &VPNMainWindow::InitialErrorOccurred);
    connect(m_ui->ServerListDropDown, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &VPNMainWindow::OnServerChanged);

    if (!m_keyStore)
        m_keyStore = std::make_unique<KeychainAccountKeyStore>(AccountKeyFilePath(m_context));
    connect(m_keyStore.get(), &AccountKeyStore::Loaded, this, [this](const QString& stored) {
        const QString key = AcceptableAccountKey(stored);
        if (key.isEmpty())
            ShowSignIn();
        else
            StartWithAccountKey(key, true);
    });
    connect(m_keyStore.get(), &AccountKeyStore::Stored, this, [](bool ok) {
        if (!ok)
            qDebug() << "The account key could not be stored; it is asked for again at the next start.";
    });
    connect(m_context.Api().UserInfoResponse(), &VPNApiResponse::Finished, this,
            &VPNMainWindow::OnUserInfoFinished);
    connect(m_ui->SignInButton, &QPushButton::clicked, this, &VPNMainWindow::OnSignInPressed);
    connect(m_ui->SignInKeyEdit, &QLineEdit::returnPressed, this, &VPNMainWindow::OnSignInPressed);
    connect(m_ui->SignUpLabel, &QLabel::linkActivated, this, &VPNMainWindow::OnLinkActivated);
    connect(m_ui->MenuSignOutButton, &QPushButton::clicked, this, &VPNMainWindow::OnSignOutPressed);
    m_ui->MenuSignOutButton->hide();
    SetSignUpText();

    LoadAccountKey();
}

VPNMainWindow::~VPNMainWindow()
{
    // Stopping OpenVPN below runs a bounded nested event loop: nothing may call back into a
    // window that is being taken apart, neither the collaborators it owns nor the context's.
    for (QObject* sender :
         std::initializer_list<QObject*> {m_tunnel.get(), m_keyStore.get(), &m_context.Api(),
                                          &m_context.IpManager(), &m_context.ServerManager()}) {
        if (sender)
            sender->disconnect(this);
    }
    for (QTimer* timer :
         {&m_autoConnectTimer, &m_localIpAfterPtpTimer, &m_timeConnectedTimer, &m_delayBetweenReconnectsTimer,
          &m_autoIpChangeTimer, &m_disconnectReasonTimer, &m_changeIpCheckTimer, &m_snapshotTimer})
        timer->stop();
    StopConnectingAnimation();
    // The machine's property assignments point at the widgets: it goes first.
    delete m_machine;
    m_machine = nullptr;
    m_tunnel.reset();
    m_keyStore.reset();
}

void VPNMainWindow::SetTimings(const WorkflowTimings& timings)
{
    m_timings = timings;
    m_timeConnectedTimer.setInterval(m_timings.timeConnectedIntervalMs);
    m_delayBetweenReconnectsTimer.setInterval(m_timings.reconnectCountdownIntervalMs);
    m_disconnectReasonTimer.setInterval(m_timings.disconnectReasonDelayMs);
    m_changeIpCheckTimer.setInterval(m_timings.changeIpCheckDelayMs);
    m_snapshotTimer.setInterval(m_timings.connectedSnapshotDelayMs);
    m_context.IpManager().SetRetryInterval(m_timings.ipRetryDelayMs);
}

QString VPNMainWindow::CurrentStateName() const
{
    if (!m_machine)
        return QString();
    const auto states = m_machine->configuration();
    return states.isEmpty() ? QString() : (*states.begin())->objectName();
}

QString VPNMainWindow::AcceptableAccountKey(const QString& text)
{
    QString key = text.trimmed();
    for (const QChar c : key) {
        if (c.category() == QChar::Other_Control)
            return QString();
    }
    return key;
}

QString VPNMainWindow::AccountKeyFilePath(const VPNAppContext& context)
{
    return context.SystemServices().GetSettingsDirectory() + QStringLiteral("account.key");
}

QString VPNMainWindow::ReadStyleSheet(const QString& resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        qWarning() << "Cannot read style sheet" << resourcePath;
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

void VPNMainWindow::ApplyStyleSheets()
{
    const QString base = QStringLiteral(":/stylesheets/resources/stylesheets/");
    m_ui->MainWindowFrame->setStyleSheet(ReadStyleSheet(base + QStringLiteral("default.qss")));
    m_ui->MainView->setStyleSheet(ReadStyleSheet(base + QStringLiteral("main_view.qss")));
    m_ui->MenuView->setStyleSheet(ReadStyleSheet(base + QStringLiteral("menu_view.qss")));
    m_ui->ErrorView->setStyleSheet(ReadStyleSheet(base + QStringLiteral("error_view.qss")));
    m_ui->InitializationView->setStyleSheet(ReadStyleSheet(base + QStringLiteral("initialization_view.qss")));
    m_ui->SignInView->setStyleSheet(ReadStyleSheet(base + QStringLiteral("sign_in_view.qss")));
}

void VPNMainWindow::CreateContextActions()
{
    m_statusVerifyAction = new QAction(this);
    m_ui->MainStatusLabel->addAction(m_statusVerifyAction);
    // The status label offers its menu only while connected.
    m_ui->MainStatusLabel->setContextMenuPolicy(Qt::NoContextMenu);

    m_showInOptionsAction = new QAction(this);
    m_ui->TcpIndicatorLabel->addAction(m_showInOptionsAction);
    m_ui->TcpIndicatorLabel->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_ui->PTPIndicatorLabel->addAction(m_showInOptionsAction);
    m_ui->PTPIndicatorLabel->setContextMenuPolicy(Qt::ActionsContextMenu);

    m_favoriteAction = new QAction(this);
    m_favoriteAction->setCheckable(true);
    m_anchorAction = new QAction(this);
    m_anchorAction->setCheckable(true);
    m_ui->ServerListDropDown->addAction(m_favoriteAction);
    m_ui->ServerListDropDown->addAction(m_anchorAction);
    m_ui->ServerListDropDown->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_serverMarks
        = new VPNServerMarks(m_context, m_ui->ServerListDropDown, m_favoriteAction, m_anchorAction, this);
    connect(m_favoriteAction, &QAction::triggered, this, &VPNMainWindow::OnFavoriteStateChanged);
    connect(m_anchorAction, &QAction::triggered, this, &VPNMainWindow::OnAnchorStateChanged);
    // The options dialog's list refreshes its actions from ServersContextStateChanged() once that
    // dialog exists.
}

void VPNMainWindow::CreateTray()
{
    m_trayMenu = new QMenu(this);
    const auto addEntry = [this](const char* objectName) {
        QAction* action = m_trayMenu->addAction(QString());
        action->setObjectName(QLatin1String(objectName));
        return action;
    };
    m_trayStatusAction = addEntry("trayStatusAction");
    m_trayConnectingAction = addEntry("trayConnectingAction");
    m_trayConnectedAction = addEntry("trayConnectedAction");
    m_trayServerAction = addEntry("trayServerAction");
    m_trayIpAction = addEntry("trayIpAction");
    m_trayVerifyAction = addEntry("trayVerifyAction");
    m_trayChangeIpAction = addEntry("trayChangeIpAction");
    m_trayMenu->addSeparator();
    m_trayConnectAction = addEntry("trayConnectAction");
    m_trayDisconnectAction = addEntry("trayDisconnectAction");
    m_trayMenu->addSeparator();
    m_trayOpenAction = addEntry("trayOpenAction");
    m_trayQuitAction = addEntry("trayQuitAction");

    m_trayStatusAction->setEnabled(false);
    for (QAction* info :
         {m_trayConnectingAction, m_trayConnectedAction, m_trayServerAction, m_trayIpAction}) {
        info->setVisible(false);
        info->setEnabled(false);
    }
    m_trayVerifyAction->setVisible(false);
    m_trayChangeIpAction->setVisible(false);
    m_trayConnectAction->setEnabled(false);
    m_trayDisconnectAction->setEnabled(false);
    SetActionTexts();

    // The tray entries act through the window's buttons, so they follow the same path.
    connect(m_trayConnectAction, &QAction::triggered, m_ui->ConnectButton, &QPushButton::clicked);
    connect(m_trayDisconnectAction, &QAction::triggered, m_ui->DisconnectButton, &QPushButton::clicked);
    connect(m_trayOpenAction, &QAction::triggered, this, &QWidget::showNormal);
    connect(m_trayQuitAction, &QAction::triggered, this, &VPNMainWindow::OnExit);

    m_trayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/global/resources/SystrayIconRed.png")), this);
    m_trayIcon->setContextMenu(m_trayMenu);
    m_trayIcon->setToolTip(tr("Disconnected"));
    connect(m_trayIcon, &QSystemTrayIcon::activated, this, &VPNMainWindow::SystrayIconActivated);
    m_trayIcon->show();
}

void VPNMainWindow::SetActionTexts()
{
    const QString product = m_context.ProductWord().toUpper();
    m_statusVerifyAction->setText(tr("Verify"));
    m_showInOptionsAction->setText(tr("Show in Options"));
    m_favoriteAction->setText(tr("&Favorite"));
    m_anchorAction->setText(tr("&Anchor IP"));

    m_trayStatusAction->setText(tr("Disconnected"));
    m_trayConnectingAction->setText(tr("Connecting..."));
    m_trayConnectedAction->setText(tr("Connected"));
    m_trayVerifyAction->setText(tr("Verify"));
    m_trayChangeIpAction->setText(tr("Change New IP"));
    m_trayConnectAction->setText(tr("&Connect"));
    m_trayDisconnectAction->setText(tr("&Disconnect"));
    m_trayOpenAction->setText(tr("&Open %1").arg(product));
    m_trayQuitAction->setText(tr("&Quit %1").arg(product));
}

void VPNMainWindow::SetSignUpText()
{
    const QString url = QStringLiteral("https://") + Deployment::WebHost() + QLatin1String(SignUpPath);
    m_ui->SignUpLabel->setText(
        tr("No account yet? ")
        + QStringLiteral("<a href=\"%1\"><span style=\"font-weight:700; color:#7AAAD2; "
                         "text-decoration:none;\">%2</span></a>")
              .arg(url.toHtmlEscaped(), tr("Sign up &gt;&gt;")));
}

void VPNMainWindow::OnExit()
{
    // The tray entry, the single-instance message and the restart can all ask at once; the
    // tunnel is taken down once.
    if (m_exitRequested)
        return;
    m_exitRequested = true;
    qDebug() << "Exit requested. Taking the tunnel down first.";
    m_autoConnectTimer.stop();
    m_autoIpChangeTimer.stop();
    m_changeIpCheckTimer.stop();
    m_delayBetweenReconnectsTimer.stop();
    m_disconnectReasonTimer.stop();
    // The window no longer reacts to the tunnel's end; the controller's own wiring (and the
    // wait inside its disconnect) stays in place.
    disconnect(m_tunnel.get(), nullptr, this, nullptr);
    connect(m_tunnel.get(), &OpenVpnGeneric::DisconnectedOnExit, this, &VPNMainWindow::Exit);
    m_tunnel->DisconnectOnExit();
}

void VPNMainWindow::Exit()
{
    qDebug() << "The tunnel is down. Closing.";
    if (m_restartRequested) {
        qDebug() << "Restarting the application.";
        ApplicationRestart::StartNewCopy();
    }
    m_exiting = true;
    m_trayIcon->hide();
    close();
    QCoreApplication::quit();
}

void VPNMainWindow::RestartApplication()
{
    m_restartRequested = true;
    OnExit();
}

void VPNMainWindow::OnMinimize()
{
    m_windowButtons->hide();
    repaint();
    showMinimized();
}

void VPNMainWindow::OnClose()
{
    hide();
}

void VPNMainWindow::OnMenuButtonPressed()
{
    QStackedWidget* views = m_ui->CurrentView;
    if (views->currentWidget() == m_ui->MenuView) {
        views->setCurrentWidget(m_viewBeforeMenu ? m_viewBeforeMenu.data() : m_ui->MainView);
    } else {
        m_viewBeforeMenu = views->currentWidget();
        views->setCurrentWidget(m_ui->MenuView);
    }
}

void VPNMainWindow::OnCurrentViewIndexChanged(int index)
{
    if (m_ui->CurrentView->widget(index) == m_ui->MenuView) {
        m_ui->MenuButton->setText(tr("BACK"));
        m_ui->MenuButton->setIcon(QIcon(QStringLiteral(":/main/resources/main/MenuArrowLeft.png")));
    } else {
        m_ui->MenuButton->setText(tr("MENU"));
        m_ui->MenuButton->setIcon(QIcon(QStringLiteral(":/main/resources/main/MenuArrowRight.png")));
    }
}

void VPNMainWindow::OnLinkActivated(const QString& link)
{
    if (link == QLatin1String("restartLink")) {
        RestartApplication();
    } else if (link == QLatin1String("supportLink")) {
        QDesktopServices::openUrl(
            QUrl(QStringLiteral("https://") + Deployment::WebHost() + QLatin1String(SupportTicketPath)));
    } else {
        QDesktopServices::openUrl(QUrl(link));
    }
}

void VPNMainWindow::SystrayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        // Some tray hosts already open the icon's context menu themselves.
        if (!m_trayMenu->isVisible()) {
            m_trayMenu->activateWindow();
            m_trayMenu->popup(QCursor::pos());
        }
        break;
    case QSystemTrayIcon::DoubleClick:
    case QSystemTrayIcon::Trigger:
        if (isMinimized())
            break;
        if (isVisible()) {
            hide();
        } else {
            show();
            activateWindow();
            raise();
        }
        break;
    default:
        break;
    }
}

QString VPNMainWindow::ComposeTrayToolTip(bool serversOnMainScreen, bool connected, const QString& server,
                                          const QDateTime& connectedSince, const QString& localIp,
                                          const QString& newIp)
{
    if (!serversOnMainScreen)
        return connected ? tr("Connected") : tr("Disconnected");
    if (!connected)
        return tr("Disconnected from: ") + server;
    return QStringLiteral("%1\n%2\n%3\n%4")
        .arg(tr("Connected to: ") + server,
             tr("Since: ") + connectedSince.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
             tr("Local IP: ") + localIp, tr("New IP: ") + newIp);
}

void VPNMainWindow::UpdateTrayToolTip()
{
    // While connected the IP labels show the IP manager's local and new address.
    m_trayIcon->setToolTip(ComposeTrayToolTip(m_context.Settings().serversOnMainScreen,
                                              m_connectionPhase == Connected,
                                              m_ui->ServerListDropDown->currentText(), m_connectedSince,
                                              m_ui->MainLocalIPLabel->text(), m_ui->MainNewIPLabel->text()));
}

void VPNMainWindow::RetranslateUI()
{
    m_ui->retranslateUi(this);
    setWindowTitle(m_context.ProductWord().toUpper());
    // The language is changed from the help dialog, which is reached through the menu view.
    m_ui->MenuButton->setText(tr("BACK"));
    if (m_connectionPhase == Connected)
        m_ui->MainStatusLabel->setText(tr("YOU ARE SECURELY CONNECTED"));
    m_initializationView->SetText(tr("Initializing..."), 22);
    SetActionTexts();
    SetSignUpText();
    UpdateTrayToolTip();
}

bool VPNMainWindow::IsInDragBand(const QPoint& position, const QSize& area)
{
    return position.x() < DragBandLeft || position.y() < DragBandTop
        || position.x() >= area.width() - DragBandRight || position.y() >= area.height() - DragBandBottom;
}

void VPNMainWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressPosition = event->position().toPoint();
        m_dragging = IsInDragBand(m_pressPosition, m_ui->centralWidget->size());
    } else {
        m_dragging = false;
    }
    QMainWindow::mousePressEvent(event);
}

void VPNMainWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        move(event->globalPosition().toPoint() - m_pressPosition);
    QMainWindow::mouseMoveEvent(event);
}

void VPNMainWindow::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QMainWindow::mouseReleaseEvent(event);
}

void VPNMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && !isMinimized()) {
        m_windowButtons->show();
        repaint();
    }
    QMainWindow::changeEvent(event);
}

void VPNMainWindow::closeEvent(QCloseEvent* event)
{
    // A close from the desktop (a keyboard shortcut, the task bar) hides the window like its
    // own close button; the program goes on in the tray until it is told to exit.
    if (!m_exiting) {
        event->ignore();
        OnClose();
        return;
    }
    QMainWindow::closeEvent(event);
}

// ---------------------------------------------------------------------------------------------
// Workflow machine

void VPNMainWindow::Initialize()
{
    if (!IsSignedIn()) {
        ShowSignIn();
        return;
    }
    if (!m_context.SystemServices().IsInternetConnected()) {
        ShowErrorView(
            tr("THERE IS NO ACTIVE INTERNET CONNECTION.\nCHECK YOUR INTERNET CONNECTION AND TRY AGAIN."));
        disconnect(m_ui->ErrorRetryButton, &QPushButton::clicked, nullptr, nullptr);
        connect(m_ui->ErrorRetryButton, &QPushButton::clicked, this, &VPNMainWindow::Initialize);
        return;
    }
    // The machine is built once; it runs until the window goes (or the user signs out).
    if (m_machine)
        return;
    BuildStateMachine();
    m_machine->start();
}

QState* VPNMainWindow::AddState(const char* name)
{
    auto* state = new QState(m_machine);
    state->setObjectName(QLatin1String(name));
    return state;
}

void VPNMainWindow::BuildStateMachine()
{
    m_machine = new QStateMachine(this);
    m_localIpState = AddState("LocalIpState");
    m_serversListState = AddState("ServersListState");
    m_anchorInfoState = AddState("AnchorInfoState");
    m_serverSelectState = AddState("ServerSelectState");
    m_connectingState = AddState("ConnectingState");
    m_assignedIpState = AddState("AssignedIpState");
    m_connectedState = AddState("ConnectedState");
    m_initialErrorState = AddState("InitialErrorState");
    AssignStateProperties();

    connect(m_localIpState, &QState::entered, this, &VPNMainWindow::GetLocalIp);
    connect(m_serversListState, &QState::entered, this, &VPNMainWindow::GetServersList);
    connect(m_anchorInfoState, &QState::entered, this, &VPNMainWindow::GetAnchorInfo);
    connect(m_anchorInfoState, &QState::exited, this, &VPNMainWindow::OnInitializationFinished);
    connect(m_connectingState, &QState::entered, this, &VPNMainWindow::OnVPNChannelConnecting);
    connect(m_assignedIpState, &QState::entered, this, &VPNMainWindow::GetAssignedIp);
    connect(m_connectedState, &QState::entered, this, &VPNMainWindow::OnVPNChannelConnected);
    connect(m_initialErrorState, &QState::entered, this, &VPNMainWindow::OnInitialErrorOccurred);
    // Entering server selection enables the tray's connect entry; a countdown running from the
    // drop that led here keeps it disabled until its end.
    connect(m_serverSelectState, &QState::entered, this, [this] {
        if (m_delayBetweenReconnectsTimer.isActive())
            m_trayConnectAction->setEnabled(false);
    });

    VPNServerManager* catalog = &m_context.ServerManager();
    OpenVpnGeneric* tunnel = m_tunnel.get();
    for (QState* chain : {m_localIpState, m_serversListState, m_anchorInfoState})
        chain->addTransition(this, &VPNMainWindow::InitialErrorOccurred, m_initialErrorState);
    m_localIpState->addTransition(this, &VPNMainWindow::LocalIpUpdated, m_serversListState);
    m_serversListState->addTransition(catalog, &VPNServerManager::ServersUpdated, m_anchorInfoState);
    m_anchorInfoState->addTransition(catalog, &VPNServerManager::AssignedServerUpdated, m_serverSelectState);
    m_serverSelectState->addTransition(tunnel, &OpenVpnGeneric::Connecting, m_connectingState);
    m_connectingState->addTransition(tunnel, &OpenVpnGeneric::Connected, m_assignedIpState);
    m_connectingState->addTransition(this, &VPNMainWindow::BackToServerSelectState, m_serverSelectState);
    m_assignedIpState->addTransition(this, &VPNMainWindow::RemoteIpUpdated, m_connectedState);
    m_assignedIpState->addTransition(this, &VPNMainWindow::BackToServerSelectState, m_serverSelectState);
    m_connectedState->addTransition(this, &VPNMainWindow::BackToServerSelectState, m_serverSelectState);
    for (QState* restartable :
         {m_initialErrorState, m_serversListState, m_anchorInfoState, m_serverSelectState})
        restartable->addTransition(this, &VPNMainWindow::RestartWorkflow, m_localIpState);

    m_machine->setInitialState(m_localIpState);
}

void VPNMainWindow::AssignStateProperties()
{
    // Columns: LocalIpState, ServerSelectState, ConnectingState, AssignedIpState, ConnectedState.
    // An invalid value leaves the property alone in that state.
    const QVariant none;
    const struct
    {
        QObject* target;
        const char* property;
        QVariant values[5];
    } rows[] = {
        {m_ui->MenuButton, "enabled", {true, true, false, none, true}},
        {m_ui->ConnectButton, "visible", {none, true, false, none, false}},
        {m_ui->CancelConnectButton, "visible", {none, false, true, none, false}},
        {m_ui->CancelConnectButton, "enabled", {none, none, none, false, none}},
        {m_ui->DisconnectButton, "visible", {none, false, false, none, true}},
        {m_ui->ConnectionProgressFrame, "visible", {none, false, true, none, false}},
        {m_ui->MainIPFrame, "visible", {none, false, false, none, none}},
        {m_ui->ChangeIPButton, "visible", {none, false, false, none, none}},
        {m_ui->MainStatusTimeLabel, "visible", {none, false, false, none, true}},
        {m_ui->MainStatusLabel,
         "maximumWidth",
         {none, StatusWidthWide, StatusWidthWide, none, StatusWidthConnected}},
        {m_trayStatusAction, "visible", {true, true, false, none, false}},
        {m_trayStatusAction, "enabled", {false, none, none, none, none}},
        {m_trayConnectingAction, "visible", {false, false, true, none, false}},
        {m_trayConnectedAction, "visible", {false, false, false, none, true}},
        {m_trayServerAction, "visible", {false, false, false, none, true}},
        {m_trayIpAction, "visible", {false, false, false, none, true}},
        {m_trayChangeIpAction, "visible", {false, false, false, none, true}},
        {m_trayVerifyAction, "visible", {false, false, false, none, true}},
        {m_trayConnectAction, "enabled", {false, true, false, none, false}},
        {m_trayDisconnectAction, "enabled", {false, false, false, none, true}},
    };
    QState* const states[]
        = {m_localIpState, m_serverSelectState, m_connectingState, m_assignedIpState, m_connectedState};
    for (const auto& row : rows) {
        for (int column = 0; column < 5; ++column) {
            if (row.values[column].isValid())
                states[column]->assignProperty(row.target, row.property, row.values[column]);
        }
    }
}

void VPNMainWindow::ShowErrorView(const QString& text)
{
    m_initializationView->StopAnimation();
    m_ui->ErrorLabel->setText(text);
    m_ui->CurrentView->setCurrentWidget(m_ui->ErrorView);
}

void VPNMainWindow::GetLocalIp()
{
    m_connectionPhase = Initializing;
    m_connectionIndicator->hide();
    m_ui->CurrentView->setCurrentWidget(m_ui->InitializationView);
    m_initializationView->StartAnimation();
    const bool pointToPoint = m_context.Settings().pointToPointEnabled;
    if (pointToPoint)
        ConnectToPtP(true);
    qDebug() << "Get local ip.";
    if (pointToPoint)
        m_localIpAfterPtpTimer.start(m_timings.localIpAfterPtpDelayMs);
    else
        m_context.IpManager().RequestLocalIp();
}

void VPNMainWindow::OnLocalIpCheckFinished(bool isOK)
{
    if (isOK)
        emit LocalIpUpdated();
    else
        emit InitialErrorOccurred();
}

void VPNMainWindow::GetServersList()
{
    qDebug() << "Get servers list.";
    m_context.Api().GetServerList(QStringLiteral("autodetect"));
}

void VPNMainWindow::GetAnchorInfo()
{
    qDebug() << "Get anchor info.";
    m_context.Api().GetVpnNetworkAccountIpAnchor();
}

void VPNMainWindow::OnInitializationFinished()
{
    m_connectionPhase = Disconnected;
    VPNSettings& settings = m_context.Settings();

    // TCP only lasts beyond a run when the user asked for it at start-up too.
    if (settings.tcpServersEnabled && !settings.tcpOnStartup) {
        settings.tcpServersEnabled = false;
        settings.tcpPort = 443;
        m_context.SaveSettings();
    }
    m_context.ServerManager().SetListType(settings.tcpServersEnabled ? VPNServerManager::TcpList
                                                                     : VPNServerManager::UdpList);

    m_ui->TcpIndicatorLabel->setVisible(settings.tcpServersEnabled);
    m_ui->PTPIndicatorLabel->setVisible(settings.pointToPointEnabled);

    InitializeServers();
    connect(&m_context.ServerManager(), &VPNServerManager::ListSettingsChanged, this,
            &VPNMainWindow::InitializeServers, Qt::UniqueConnection);

    m_ui->ServerListDropDown->setVisible(settings.serversOnMainScreen);
    if (settings.serversOnMainScreen)
        m_trayIcon->setToolTip(tr("Disconnected from: ") + m_ui->ServerListDropDown->currentText());

    m_initializationView->StopAnimation();
    m_ui->CurrentView->setCurrentWidget(m_ui->MainView);

    if (settings.autoConnect)
        m_autoConnectTimer.start(m_timings.autoConnectDelayMs);
}

void VPNMainWindow::AutoConnect()
{
    // The chain may have ended in the error view after all (the anchor step is left on an error
    // too): only press CONNECT where the user could.
    if (!m_machine || !m_machine->configuration().contains(m_serverSelectState))
        return;
    qDebug() << "Auto-connect.";
    m_ui->ConnectButton->click();
}

void VPNMainWindow::OnInitialErrorOccurred()
{
    if (m_context.Settings().pointToPointEnabled)
        m_tunnel->DisconnectPtPServer();
    ShowErrorView(tr("NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT."));
    disconnect(m_ui->ErrorRetryButton, &QPushButton::clicked, nullptr, nullptr);
    connect(m_ui->ErrorRetryButton, &QPushButton::clicked, this, &VPNMainWindow::RestartWorkflow);
}

// ---------------------------------------------------------------------------------------------
// Server catalog

void VPNMainWindow::InitializeServers()
{
    VPNServerManager& catalog = m_context.ServerManager();
    catalog.UpdateFavoritesFromSettings();
    VPNServerListModel& model = m_context.RebuildServerModel();
    m_ui->ServerListDropDown->setModel(&model);
    m_ui->ServerListDropDown->setCurrentIndex(catalog.GetDefaultServerIndex());
    // The options dialog's server list takes the same model once that dialog exists.
}

void VPNMainWindow::OnServerChanged(int row)
{
    Q_UNUSED(row) // the same as the list's current row, which the marks read
    RefreshServerContextMenu();
    m_context.Settings().currentServerIndex = m_ui->ServerListDropDown->currentIndex();
    if (m_connectionPhase != Initializing)
        UpdateTrayToolTip();
}

VPNSimpleDialog* VPNMainWindow::ConfirmationDialog() const
{
    return m_serverMarks->Dialog();
}

void VPNMainWindow::RefreshServerContextMenu()
{
    m_serverMarks->RefreshActions();
}

void VPNMainWindow::OnFavoriteStateChanged(bool checked)
{
    m_serverMarks->OnFavoriteStateChanged(checked);
}

void VPNMainWindow::OnAnchorStateChanged(bool checked)
{
    m_serverMarks->OnAnchorStateChanged(checked);
}

void VPNMainWindow::OnConfirmFavoriteStateOnPressed()
{
    m_serverMarks->OnConfirmFavoriteStateOnPressed();
}

void VPNMainWindow::OnConfirmFavoriteStateOffPressed()
{
    m_serverMarks->OnConfirmFavoriteStateOffPressed();
}

void VPNMainWindow::OnConfirmAnchorStateOnPressed()
{
    m_serverMarks->OnConfirmAnchorStateOnPressed();
}

void VPNMainWindow::OnConfirmAnchorStateOffPressed()
{
    m_serverMarks->OnConfirmAnchorStateOffPressed();
}

void VPNMainWindow::OnDeclineFavoriteStateChangePressed()
{
    m_serverMarks->OnDeclineFavoriteStateChangePressed();
}

void VPNMainWindow::OnDeclineAnchorStateChangePressed()
{
    m_serverMarks->OnDeclineAnchorStateChangePressed();
}

// ---------------------------------------------------------------------------------------------
// Account key

void VPNMainWindow::LoadAccountKey()
{
    const QString fromEnvironment = Deployment::AccountKeyOverride();
    const QString key = AcceptableAccountKey(fromEnvironment);
    if (!key.isEmpty()) {
        qDebug() << "Using the account key given in the environment.";
        StartWithAccountKey(key, true);
        return;
    }
    if (!fromEnvironment.isEmpty())
        qDebug() << "The account key given in the environment is not usable.";
    m_keyStore->Load();
}

void VPNMainWindow::StartWithAccountKey(const QString& key, bool checkAccount)
{
    m_accountKey = key;
    // Every account-scoped call from here on, the server list first, carries it.
    m_context.Api().SetAccountKey(key);
    m_ui->MenuSignOutButton->show();
    Initialize();
    if (checkAccount) {
        // Only for the user name and e-mail of the support ticket; the workflow does not wait.
        m_accountChecks.append({false, key});
        m_context.Api().GetUserInfo();
    }
}

void VPNMainWindow::ShowSignIn(const QString& message)
{
    m_initializationView->StopAnimation();
    m_ui->MenuSignOutButton->hide();
    m_ui->SignInMessageLabel->setText(message.isEmpty() ? tr("ENTER YOUR ACCOUNT KEY TO SIGN IN.") : message);
    SetSignInBusy(false);
    m_ui->CurrentView->setCurrentWidget(m_ui->SignInView);
    m_ui->SignInKeyEdit->setFocus();
}

void VPNMainWindow::SetSignInBusy(bool busy)
{
    m_ui->SignInKeyEdit->setEnabled(!busy);
    m_ui->SignInButton->setEnabled(!busy);
}

void VPNMainWindow::OnSignInPressed()
{
    // Return in the key field while a check is under way, or a stray call once signed in.
    if (IsSignedIn() || !m_ui->SignInButton->isEnabled())
        return;
    const QString text = m_ui->SignInKeyEdit->text();
    if (text.trimmed().isEmpty()) {
        m_ui->SignInMessageLabel->setText(tr("ENTER YOUR ACCOUNT KEY."));
        return;
    }
    const QString key = AcceptableAccountKey(text);
    if (key.isEmpty()) {
        m_ui->SignInMessageLabel->setText(tr("THE ACCOUNT KEY CONTAINS CHARACTERS THAT ARE NOT ALLOWED."));
        return;
    }
    CheckAccountKey(key);
}

void VPNMainWindow::CheckAccountKey(const QString& key)
{
    m_keyUnderCheck = key;
    SetSignInBusy(true);
    m_ui->SignInMessageLabel->setText(tr("CHECKING YOUR ACCOUNT KEY..."));
    qDebug() << "Checking the account key.";
    m_context.Api().SetAccountKey(key);
    m_accountChecks.append({true, key});
    m_context.Api().GetUserInfo();
}

void VPNMainWindow::OnUserInfoFinished()
{
    // Someone else's request (none today), or one that a sign-out made stale.
    if (m_accountChecks.isEmpty())
        return;
    const AccountCheck check = m_accountChecks.takeFirst();
    const VPNApiGetUserInfoResponse* response = m_context.Api().UserInfoResponse();

    if (!check.signIn) {
        if (check.key != m_accountKey)
            return;
        if (response->IsSuccess()) {
            m_accountUserName = response->UserName();
            m_accountEmail = response->Email();
        } else {
            qDebug() << "Account information not available:" << response->CodeText() << response->Message();
        }
        return;
    }
    if (check.key != m_keyUnderCheck)
        return;

    if (response->IsSuccess()) {
        qDebug() << "Account key accepted.";
        m_accountUserName = response->UserName();
        m_accountEmail = response->Email();
        m_keyUnderCheck.clear();
        m_keyStore->Store(check.key);
        StartWithAccountKey(check.key, false);
        return;
    }

    m_context.Api().SetAccountKey(QString());
    if (response->ErrorCode() == VPNApiResponse::ApiErrorCode::NetworkError) {
        qDebug() << "Account key check failed: network error.";
        ShowErrorView(tr("NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT."));
        disconnect(m_ui->ErrorRetryButton, &QPushButton::clicked, nullptr, nullptr);
        connect(m_ui->ErrorRetryButton, &QPushButton::clicked, this, [this] {
            const QString key = m_keyUnderCheck;
            ShowSignIn();
            CheckAccountKey(key);
        });
        return;
    }

    qDebug() << "Account key refused:" << response->CodeText() << response->Message();
    m_keyUnderCheck.clear();
    ShowSignIn(response->ErrorCode() == VPNApiResponse::ApiErrorCode::ApiWrongId
                   ? tr("THIS ACCOUNT KEY IS NOT KNOWN. CHECK IT AND TRY AGAIN.")
                   : tr("THE SERVICE DID NOT ACCEPT THE SIGN-IN. TRY AGAIN OR CONTACT SUPPORT."));
}

void VPNMainWindow::OnSignOutPressed()
{
    if (m_signOutPending || !IsSignedIn())
        return;
    qDebug() << "Signing out.";
    if (m_connectionPhase == Connecting || m_connectionPhase == Connected) {
        // The tunnel runs on this account: take it down and sign out once it is down.
        m_signOutPending = true;
        m_userDisconnected = true;
        m_ui->MenuSignOutButton->setEnabled(false);
        connect(m_tunnel.get(), &OpenVpnGeneric::Disconnected, this, &VPNMainWindow::FinishSignOut,
                Qt::SingleShotConnection);
        m_tunnel->DisconnectFromServer();
        return;
    }
    FinishSignOut();
}

void VPNMainWindow::FinishSignOut()
{
    m_signOutPending = false;
    m_ui->MenuSignOutButton->setEnabled(true);
    m_autoConnectTimer.stop();
    m_localIpAfterPtpTimer.stop();
    // The next sign-in starts a fresh machine from the local address; answers still under way
    // for this one reach nothing.
    if (m_machine) {
        // Its states must not act on the way out (leaving the anchor step shows the main view).
        const auto states = m_machine->findChildren<QState*>();
        for (QState* state : states)
            disconnect(state, nullptr, this, nullptr);
        m_machine->stop();
        m_machine->deleteLater();
        m_machine = nullptr;
    }
    m_connectionPhase = Initializing;
    m_accountKey.clear();
    m_keyUnderCheck.clear();
    m_accountUserName.clear();
    m_accountEmail.clear();
    m_context.Api().SetAccountKey(QString());
    m_keyStore->Forget();
    m_connectionIndicator->hide();
    m_ui->SignInKeyEdit->clear();
    ShowSignIn();
}

// ---------------------------------------------------------------------------------------------
// Connect, disconnect and reconnect

void VPNMainWindow::ConnectWorkflowControls()
{
    connect(m_ui->ConnectButton, &QPushButton::clicked, this, &VPNMainWindow::Connect);
    connect(m_ui->CancelConnectButton, &QPushButton::clicked, this, &VPNMainWindow::CancelConnect);
    connect(m_ui->DisconnectButton, &QPushButton::clicked, this, &VPNMainWindow::Disconnect);
    connect(m_ui->ChangeIPButton, &QPushButton::clicked, this, &VPNMainWindow::ChangeIP);
    connect(m_statusVerifyAction, &QAction::triggered, this, &VPNMainWindow::VerifyIP);
    connect(m_trayVerifyAction, &QAction::triggered, this, &VPNMainWindow::VerifyIP);
    connect(m_trayChangeIpAction, &QAction::triggered, this, &VPNMainWindow::ChangeIP);

    OpenVpnGeneric* tunnel = m_tunnel.get();
    connect(tunnel, &OpenVpnGeneric::Disconnected, this, &VPNMainWindow::OnVPNChannelDropped);
    connect(tunnel, &OpenVpnGeneric::ChangeIpMessageSent, this, &VPNMainWindow::OnChangeIpFinished);
    connect(tunnel, &OpenVpnGeneric::ChangeIpMessageError, this, &VPNMainWindow::OnChangeIpFinished);
    connect(tunnel, &OpenVpnGeneric::CanCancelConnecting, this, &VPNMainWindow::EnableCancelButton);
}

const VPNServer* VPNMainWindow::SelectedServer() const
{
    const auto* model = qobject_cast<VPNServerListModel*>(m_ui->ServerListDropDown->model());
    return model ? model->ServerAt(m_context.Settings().currentServerIndex) : nullptr;
}

QString VPNMainWindow::IpErrorText()
{
    return tr("IP ERROR OCCURRED. <a href=\"restartLink\" style=\"color: #7AAAD2;\"><b>RESTART</b></a> & TRY "
              "AGAIN OR EXIT & CONTACT SUPPORT.");
}

QString VPNMainWindow::OpenVpnErrorText()
{
    return tr(
        "AN OPENVPN ERROR OCCURRED. <a href=\"restartLink\" style=\"color: #7AAAD2;\"><b>RESTART</b></a> "
        "& TRY AGAIN OR EXIT & CONTACT SUPPORT.");
}

QString VPNMainWindow::ConnectionErrorText()
{
    return tr("AN ERROR OCCURRED. <a href=\"restartLink\" style=\"color: #7AAAD2;\"><b>RESTART</b></a> & TRY "
              "AGAIN OR EXIT & CONTACT SUPPORT.");
}

QString VPNMainWindow::ServerUnavailableText()
{
    return tr("THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER.");
}

QString VPNMainWindow::FormatTimeConnected(int hours, int minutes, int seconds)
{
    const QChar zero(QLatin1Char('0'));
    return QStringLiteral("%1:%2:%3").arg(hours).arg(minutes, 2, 10, zero).arg(seconds, 2, 10, zero);
}

void VPNMainWindow::ShowTrayMessage(const QString& text)
{
    m_lastTrayMessage = text;
    m_trayIcon->showMessage(QString(), text, QSystemTrayIcon::Information, TrayMessageMs);
}

void VPNMainWindow::Connect()
{
    // The tray entry reaches here through the button's signal, also while the button is
    // disabled (countdown, point-to-point restore); only a press the user could make counts.
    if (!m_ui->ConnectButton->isEnabled() || !m_machine
        || !m_machine->configuration().contains(m_serverSelectState))
        return;
    m_connectionIndicator->hide();
    m_ui->RestartButton->hide();
    const VPNSettings& settings = m_context.Settings();
    if (settings.pointToPointEnabled)
        m_tunnel->DisconnectPtPServer();

    if (!m_context.SystemServices().IsInternetConnected()) {
        ShowErrorView(
            tr("THERE IS NO ACTIVE INTERNET CONNECTION.\nCHECK YOUR INTERNET CONNECTION AND TRY AGAIN."));
        disconnect(m_ui->ErrorRetryButton, &QPushButton::clicked, nullptr, nullptr);
        connect(m_ui->ErrorRetryButton, &QPushButton::clicked, this, &VPNMainWindow::CheckNetworkPresence);
        return;
    }

    m_userDisconnected = false;
    m_delayBeforeReconnect = false;
    m_tunnel->SetCredentials(m_accountKey, m_accountKey);

    const VPNServer* server = SelectedServer();
    if (!server) {
        qDebug() << "No server selected. Not connecting.";
        return;
    }
    const QString protocol
        = server->protocol == VPNServer::Tcp ? QStringLiteral("TCP") : QStringLiteral("UDP");
    qDebug() << QStringLiteral("Connecting to: %1 (%2) Port %3 Protocol %4")
                    .arg(server->name, server->address, QString::number(server->port), protocol);
    m_trayServerAction->setText(server->name);
    m_tunnel->ConnectToServer(server->address, server->port, protocol);
}

void VPNMainWindow::StartConnectingAnimation()
{
    StopConnectingAnimation();
    auto* group = new QSequentialAnimationGroup(this);
    const auto sweep = [group, this](const QRect& from, const QRect& to) {
        auto* animation = new QPropertyAnimation(m_ui->ConnectionProgressFrame, "geometry", group);
        animation->setStartValue(from);
        animation->setEndValue(to);
        animation->setDuration(ConnectingSweepMs);
        animation->setEasingCurve(QEasingCurve::InOutQuad);
        group->addAnimation(animation);
    };
    sweep(ConnectingBlockLeft, ConnectingBlockRight);
    sweep(ConnectingBlockRight, ConnectingBlockLeft);
    group->setLoopCount(ConnectingSweeps);
    m_connectingAnimation = group;
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void VPNMainWindow::StopConnectingAnimation()
{
    if (m_connectingAnimation)
        m_connectingAnimation->stop();
}

void VPNMainWindow::OnVPNChannelConnecting()
{
    StartConnectingAnimation();
    m_connectionPhase = Connecting;
    m_ui->MainStatusLabel->setText(tr("Connecting..."));
    m_ui->ServerListDropDown->hide();
    m_ui->CancelConnectButton->setEnabled(false);
}

void VPNMainWindow::EnableCancelButton()
{
    m_ui->CancelConnectButton->setEnabled(true);
}

void VPNMainWindow::CancelConnect()
{
    StopConnectingAnimation();
    m_userDisconnected = true;
    m_tunnel->DisconnectFromServer();
}

void VPNMainWindow::Disconnect()
{
    m_userDisconnected = true;
    m_delayBeforeReconnect = true;
    m_tunnel->DisconnectFromServer();
}

void VPNMainWindow::GetAssignedIp()
{
    // The tunnel carries the traffic now: a proxy configured for the real network would sit
    // outside it.
    m_context.Api().SetProxyEnabled(false);
    qDebug() << "Get remote ip.";
    m_context.IpManager().RequestRemoteIp();
}

void VPNMainWindow::OnRemoteIpCheckFinished(bool isOK)
{
    m_ui->ChangeIPButton->setEnabled(true);
    if (isOK) {
        const QString newIp = m_context.IpManager().RemoteIp();
        m_ui->MainNewIPLabel->setText(newIp);
        m_trayIpAction->setText(newIp);
        emit RemoteIpUpdated();
        return;
    }
    if (m_connectionPhase == Connecting || m_connectionPhase == Connected) {
        // The traffic does not go through the tunnel: take it down and say so.
        m_remoteIpCheckFailed = true;
        m_delayBeforeReconnect = true;
        m_tunnel->DisconnectFromServer();
    }
}

void VPNMainWindow::OnVPNChannelConnected()
{
    StopConnectingAnimation();
    m_trayIcon->setIcon(QIcon(QStringLiteral(":/global/resources/SystrayIconGreen.png")));
    ShowTrayMessage(tr("CONNECTED"));
    m_connectionIndicator->show();
    m_connectionIndicator->ShowConnected();
    m_ui->MainStatusLabel->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_connectionPhase = Connected;
    m_connectedSince = QDateTime::currentDateTime();
    // The tool tip is built from the address labels, so they are filled first.
    m_ui->MainLocalIPLabel->setText(m_context.IpManager().LocalIp());
    UpdateTrayToolTip();

    if (const VPNServer* server = SelectedServer()) {
        m_context.Settings().lastUsedServer = server->name;
        if (!m_context.SaveSettings())
            qDebug() << "Can't save the last used server.";
    }

    m_elapsedHours = 0;
    m_elapsedMinutes = 0;
    m_elapsedSeconds = 0;
    m_timeConnectedTimer.start();
    m_ui->MainStatusLabel->setText(tr("YOU ARE SECURELY CONNECTED"));
    m_ui->MainStatusTimeLabel->setText(FormatTimeConnected(0, 0, 0));
    ApplyIPSettings();

    qDebug() << "Shown:" << m_ui->MainStatusLabel->text() << "local IP" << m_ui->MainLocalIPLabel->text()
             << "new IP" << m_ui->MainNewIPLabel->text();
    m_snapshotTimer.start();
}

void VPNMainWindow::SaveConnectedSnapshot()
{
    if (m_connectionPhase == Connected)
        WindowSnapshot::SaveIfRequested(*this, "connect");
}

void VPNMainWindow::OnTimeConnectedTimer()
{
    if (++m_elapsedSeconds == 60) {
        m_elapsedSeconds = 0;
        if (++m_elapsedMinutes == 60) {
            m_elapsedMinutes = 0;
            ++m_elapsedHours;
        }
    }
    m_ui->MainStatusTimeLabel->setText(
        FormatTimeConnected(m_elapsedHours, m_elapsedMinutes, m_elapsedSeconds));
}

void VPNMainWindow::OnVPNChannelDropped()
{
    StopConnectingAnimation();
    m_trayIcon->setIcon(QIcon(QStringLiteral(":/global/resources/SystrayIconRed.png")));
    ShowTrayMessage(tr("DISCONNECTED"));
    m_connectionIndicator->show();
    m_connectionIndicator->ShowDisconnected();
    m_ui->MainStatusLabel->setContextMenuPolicy(Qt::NoContextMenu);
    m_connectionPhase = Disconnected;
    UpdateTrayToolTip();

    m_timeConnectedTimer.stop();
    m_ui->MainStatusLabel->setText(tr("CLICK CONNECT TO SECURE YOUR INTERNET"));
    m_ui->MainStatusTimeLabel->setText(QString());
    m_autoIpChangeTimer.stop();
    m_changeIpCheckTimer.stop();

    const VPNSettings& settings = m_context.Settings();
    if (settings.serversOnMainScreen)
        m_ui->ServerListDropDown->show();
    if (!settings.pointToPointEnabled) {
        m_context.Api().SetProxyEnabled(true);
        if (m_delayBeforeReconnect) {
            m_ui->ConnectButton->setEnabled(false);
            m_trayConnectAction->setEnabled(false);
            m_reconnectCountdown = ReconnectCountdownStart;
            m_delayBetweenReconnectsTimer.start();
            m_ui->MainStatusLabel->setText(QStringLiteral("%1 %2%").arg(
                tr("Secure Disconnection is in progress:"),
                QString::number((ReconnectCountdownStart + 1 - m_reconnectCountdown) * 10)));
        }
    }

    emit BackToServerSelectState();
    m_disconnectReasonTimer.start();
}

void VPNMainWindow::OnDelayBetweenReconnectsTimer()
{
    --m_reconnectCountdown;
    if (m_reconnectCountdown <= 0) {
        qDebug() << "Delay between reconnects finished.";
        m_delayBetweenReconnectsTimer.stop();
        m_delayBeforeReconnect = false;
        m_ui->ConnectButton->setEnabled(true);
        m_trayConnectAction->setEnabled(true);
        m_ui->MainStatusLabel->setText(tr("CLICK CONNECT TO SECURE YOUR INTERNET"));
        return;
    }
    m_trayConnectAction->setEnabled(false);
    if (m_reconnectCountdown >= 7) {
        m_ui->MainStatusLabel->setText(QStringLiteral("%1 %2%").arg(
            tr("Secure Disconnection is in progress:"),
            QString::number((ReconnectCountdownStart + 1 - m_reconnectCountdown) * 10)));
    } else if (m_reconnectCountdown >= 5) {
        m_ui->MainStatusLabel->setText(tr("Activity Log: None found"));
    } else if (m_reconnectCountdown >= 3) {
        m_ui->MainStatusLabel->setText(tr("Local IP Log: None found"));
    } else {
        m_ui->MainStatusLabel->setText(tr("Assigned IP: Cleared"));
    }
}

void VPNMainWindow::ShowDisconnectReason(const QString& logLine, const QString& text, bool offerRestart)
{
    qDebug() << logLine.toLatin1().constData();
    m_connectionIndicator->show();
    m_connectionIndicator->ShowMessage(text);
    if (offerRestart)
        m_ui->RestartButton->show();
}

void VPNMainWindow::GetDisconnectReason()
{
    if (m_userDisconnected) {
        // Asked for: nothing to explain.
    } else if (m_remoteIpCheckFailed) {
        m_remoteIpCheckFailed = false;
        ShowDisconnectReason(QStringLiteral("Disconnect reason: remote IP check returns error."),
                             IpErrorText(), true);
    } else if (!m_tunnel->ServiceOk()) {
        ShowDisconnectReason(QStringLiteral("Disconnect reason: openvpn service problem."),
                             OpenVpnErrorText(), true);
    } else if (m_tunnel->ServerReachable()) {
        ShowDisconnectReason(QStringLiteral("Disconnect reason: server dropped connection."),
                             ConnectionErrorText(), true);
    } else {
        ShowDisconnectReason(QStringLiteral("Disconnect reason: server unavailable."),
                             ServerUnavailableText(), false);
    }
    if (m_context.Settings().pointToPointEnabled)
        ConnectToPtP(false);
}

void VPNMainWindow::ConnectToPtP(bool isInitialConnect)
{
    if (isInitialConnect) {
        m_initializationView->SetText(tr("Creating Point-to-Point Connection. Please wait..."), 18);
    } else {
        m_ui->MainStatusLabel->setText(tr("Restoring Point-to-Point connection..."));
        m_ui->ConnectButton->setEnabled(false);
        m_ui->MenuButton->setEnabled(false);
    }

    // The outcome is not examined: the workflow goes on once the connection has settled
    // either way, or when the controller has not said anything within the limit.
    QEventLoop loop;
    bool settled = false;
    const auto settle = [&loop, &settled] {
        settled = true;
        loop.quit();
    };
    const QMetaObject::Connection up = connect(m_tunnel.get(), &OpenVpnGeneric::ConnectedPtP, &loop, settle);
    const QMetaObject::Connection down
        = connect(m_tunnel.get(), &OpenVpnGeneric::DisconnectedPtP, &loop, settle);
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_tunnel->ConnectPtPServer();
    if (!settled) {
        limit.start(m_timings.ptpSettleLimitMs);
        loop.exec();
    }
    disconnect(up);
    disconnect(down);
    if (!settled)
        qDebug() << "The point-to-point connection did not settle in time. Going on.";

    if (isInitialConnect) {
        m_initializationView->SetText(tr("Initializing..."), 22);
    } else {
        m_ui->MainStatusLabel->setText(tr("CLICK CONNECT TO SECURE YOUR INTERNET"));
        m_ui->ConnectButton->setEnabled(true);
        m_ui->MenuButton->setEnabled(true);
    }
}

void VPNMainWindow::DisconnectFromPtP()
{
    m_tunnel->DisconnectPtPServer();
}

void VPNMainWindow::CheckNetworkPresence()
{
    if (m_context.SystemServices().IsInternetConnected())
        m_ui->CurrentView->setCurrentWidget(m_ui->MainView);
}

// ---------------------------------------------------------------------------------------------
// IP change

void VPNMainWindow::ChangeIP()
{
    // Only a tunnel can carry the request (the timer and the entries exist only while connected).
    if (m_connectionPhase != Connected)
        return;
    m_ui->MainNewIPLabel->setText(tr("Changing..."));
    m_ui->ChangeIPButton->setEnabled(false);
    m_tunnel->ChangeIp();
}

void VPNMainWindow::OnChangeIpFinished()
{
    // Sent or not, the address is checked: the old one still counts while it is not the local one.
    m_changeIpCheckTimer.start();
}

void VPNMainWindow::ApplyIPSettings()
{
    if (m_connectionPhase != Connected)
        return;
    const VPNSettings& settings = m_context.Settings();
    const VPNServer* server = SelectedServer();
    // The account's address is anchored to this server: it cannot change.
    if (!server || !server->anchored) {
        const bool offered = settings.forcedIpChangeEnabled && settings.serversOnMainScreen;
        m_ui->ChangeIPButton->setVisible(offered);
        if (offered)
            m_ui->ChangeIPButton->setEnabled(true);
        m_autoIpChangeTimer.stop();
        if (settings.autoIpChangeMinutes < 1) {
            qDebug() << "AutoIPChange disabled";
        } else {
            qDebug() << "AutoIPChange every " << settings.autoIpChangeMinutes << " minutes";
            // A timer counts at most about 24 days; a longer setting waits that long.
            const qint64 interval = qint64(settings.autoIpChangeMinutes) * m_timings.autoIpChangeMinuteMs;
            m_autoIpChangeTimer.setInterval(int(qMin<qint64>(interval, std::numeric_limits<int>::max())));
            m_autoIpChangeTimer.start();
        }
    }
    m_ui->MainIPFrame->setVisible(settings.serversOnMainScreen);
}

void VPNMainWindow::VerifyIP()
{
    QDesktopServices::openUrl(
        QUrl(QStringLiteral("https://") + Deployment::WebHost() + QLatin1String(VerifyIpPath)));
}
