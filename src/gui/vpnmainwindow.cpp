#include "vpnmainwindow.h"

#include "connection/accountsession.h"
#include "platform/startupentry.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsstore.h"
#include "ui_vpnmainwindow.h"
#include "updater/autoupdater.h"
#include "vpnhelpdialog.h"
#include "vpnoptionsdialog.h"
#include "vpnservermarks.h"
#include "vpntrayicon.h"
#include "vpnupdatedialog.h"
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
#include <QFile>
#include <QHideEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPropertyAnimation>
#include <QSequentialAnimationGroup>
#include <QShowEvent>
#include <QUrl>

#include <utility>

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
// From the connected view showing to the picture of it (the indicator fades in over 1 s).
constexpr int ConnectedSnapshotDelayMs = 1200;
// Width of MainStatusLabel beside the buttons, and beside the time connected.
constexpr int StatusWidthWide = 289;
constexpr int StatusWidthConnected = 244;

using State = ConnectionController::State;

} // namespace

VPNMainWindow::VPNMainWindow(ConnectionController& connection, AccountSession& account,
                             SettingsStore& settings, VPNServerManager& catalog, VPNApi& api,
                             std::unique_ptr<StartupEntry> startupEntry, Branding branding, QWidget* parent)
    : QMainWindow(parent)
    , m_connection(connection)
    , m_account(account)
    , m_settings(settings)
    , m_catalog(catalog)
    , m_branding(std::move(branding))
    , m_ui(std::make_unique<Ui::VPNMainWindow>())
{
    m_ui->setupUi(this);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);

    m_windowButtons = new HkWindowButtonView(m_ui->centralWidget, QRect(480, 3, 120, 40), true);
    connect(m_windowButtons, &HkWindowButtonView::MinimizeClicked, this, &VPNMainWindow::OnMinimize);
    connect(m_windowButtons, &HkWindowButtonView::CloseClicked, this, &VPNMainWindow::OnClose);

    setWindowTitle(m_branding.productWord.toUpper());
    ApplyStyleSheets();
    m_ui->ConnectionProgressFrame->hide();
    m_ui->RestartButton->hide();
    m_ui->ChangeIPButton->hide();
    m_ui->TcpIndicatorLabel->hide();
    CreateContextActions();
    m_serverMarks = new VPNServerMarks(m_settings, m_catalog, api, m_ui->ServerListDropDown, m_favoriteAction,
                                       m_anchorAction, this);
    connect(m_favoriteAction, &QAction::triggered, m_serverMarks, &VPNServerMarks::OnFavoriteStateChanged);
    connect(m_anchorAction, &QAction::triggered, m_serverMarks, &VPNServerMarks::OnAnchorStateChanged);
    VPNComboBoxHtmlDelegate::InstallOnServerList(m_ui->ServerListDropDown);
    connect(m_ui->ServerListDropDown, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &VPNMainWindow::OnServerChanged);

    m_initializationView = new VPNInitializationView(m_ui->InitializationView, QRect(10, 58, 525, 45));
    m_initializationView->SetText(tr("Initializing..."), 22);

    connect(m_ui->MenuButton, &QPushButton::clicked, this, &VPNMainWindow::OnMenuButtonPressed);
    connect(m_ui->RestartButton, &QPushButton::clicked, this, &VPNMainWindow::RestartApplication);
    connect(m_ui->ErrorExitButton, &QPushButton::clicked, this, &VPNMainWindow::OnExit);
    connect(m_ui->ErrorRetryButton, &QPushButton::clicked, this, &VPNMainWindow::OnErrorRetryPressed);
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

    m_tray = new VPNTrayIcon(m_branding.productWord, this);
    connect(m_tray, &VPNTrayIcon::OpenTriggered, this, &QWidget::showNormal);
    connect(m_tray, &VPNTrayIcon::QuitTriggered, this, &VPNMainWindow::OnExit);
    connect(m_tray, &VPNTrayIcon::Activated, this, &VPNMainWindow::SystrayIconActivated);
    SetActionTexts();

    m_optionsDialog = new VPNOptionsDialog(m_settings, m_catalog, api, std::move(startupEntry),
                                           m_branding.productWord, this);
    connect(m_optionsDialog, &VPNOptionsDialog::ConfigurationUpdated, this,
            &VPNMainWindow::ApplyConfiguration);
    connect(m_optionsDialog, &VPNOptionsDialog::ServersContextStateChanged, this,
            &VPNMainWindow::RefreshServerContextMenu);
    connect(m_optionsDialog, &VPNOptionsDialog::RestartRequested, this, &VPNMainWindow::RestartApplication);
    connect(m_serverMarks, &VPNServerMarks::ServersContextStateChanged, m_optionsDialog,
            &VPNOptionsDialog::RefreshServerContextMenu);
    connect(m_ui->MenuOptionsButton, &QPushButton::clicked, this, &VPNMainWindow::OnMenuOptionsPressed);
    connect(m_showInOptionsAction, &QAction::triggered, this, &VPNMainWindow::OnShowInOptionsContextPressed);
    m_updateDialog = new VPNUpdateDialog(this);
    connect(m_ui->MenuUpdateButton, &QPushButton::clicked, this, &VPNMainWindow::OnUpdateButtonPressed);

    m_ui->TestVersionFrameLeft->hide();
    m_ui->TestVersionFrameRight->hide();

    m_snapshotTimer.setSingleShot(true);
    m_snapshotTimer.setInterval(ConnectedSnapshotDelayMs);
    connect(&m_snapshotTimer, &QTimer::timeout, this, [this] {
        if (m_connection.CurrentState() == State::ConnectedState)
            WindowSnapshot::SaveIfRequested(*this, "connect");
    });

    WireConnection();
    WireAccount();
    Refresh();
}

VPNMainWindow::~VPNMainWindow()
{
    // Nothing may call back into a window that is being taken apart.
    m_connection.disconnect(this);
    m_account.disconnect(this);
    m_catalog.disconnect(this);
    StopConnectingAnimation();
}

void VPNMainWindow::WireConnection()
{
    connect(m_ui->ConnectButton, &QPushButton::clicked, &m_connection, &ConnectionController::Connect);
    connect(m_ui->CancelConnectButton, &QPushButton::clicked, &m_connection,
            &ConnectionController::CancelConnect);
    connect(m_ui->DisconnectButton, &QPushButton::clicked, &m_connection, &ConnectionController::Disconnect);
    connect(m_ui->ChangeIPButton, &QPushButton::clicked, &m_connection, &ConnectionController::ChangeIP);
    connect(m_tray, &VPNTrayIcon::ConnectTriggered, &m_connection, &ConnectionController::Connect);
    connect(m_tray, &VPNTrayIcon::DisconnectTriggered, &m_connection, &ConnectionController::Disconnect);
    connect(m_tray, &VPNTrayIcon::ChangeIpTriggered, &m_connection, &ConnectionController::ChangeIP);
    connect(m_statusVerifyAction, &QAction::triggered, this, &VPNMainWindow::VerifyIP);
    connect(m_tray, &VPNTrayIcon::VerifyTriggered, this, &VPNMainWindow::VerifyIP);

    connect(&m_connection, &ConnectionController::StateChanged, this, &VPNMainWindow::Refresh);
    connect(&m_connection, &ConnectionController::StatusChanged, this, &VPNMainWindow::Refresh);
    connect(&m_connection, &ConnectionController::InitializationStarted, this,
            &VPNMainWindow::OnInitializationStarted);
    connect(&m_connection, &ConnectionController::InitializationFinished, this,
            &VPNMainWindow::OnInitializationFinished);
    connect(&m_connection, &ConnectionController::ErrorOccurred, this,
            [this](const QString& text) { ShowErrorView(text, &m_connection); });
    connect(&m_connection, &ConnectionController::ErrorResolved, this,
            [this] { m_ui->CurrentView->setCurrentWidget(m_ui->MainView); });
    connect(&m_connection, &ConnectionController::ConnectionEstablished, this,
            &VPNMainWindow::OnConnectionEstablished);
    connect(&m_connection, &ConnectionController::ConnectionDropped, this,
            &VPNMainWindow::OnConnectionDropped);
    connect(&m_connection, &ConnectionController::DisconnectReasonFound, this,
            &VPNMainWindow::OnDisconnectReasonFound);
    connect(&m_connection, &ConnectionController::ShutdownFinished, this, &VPNMainWindow::Exit);
    connect(&m_catalog, &VPNServerManager::ListSettingsChanged, this, &VPNMainWindow::InitializeServers);
}

void VPNMainWindow::WireAccount()
{
    connect(m_ui->SignInButton, &QPushButton::clicked, this,
            [this] { m_account.SignIn(m_ui->SignInKeyEdit->text()); });
    connect(m_ui->SignInKeyEdit, &QLineEdit::returnPressed, m_ui->SignInButton, &QPushButton::click);
    connect(m_ui->SignUpLabel, &QLabel::linkActivated, this, &VPNMainWindow::OnLinkActivated);
    connect(m_ui->MenuSignOutButton, &QPushButton::clicked, &m_connection, &ConnectionController::SignOut);
    m_ui->MenuSignOutButton->hide();
    SetSignUpText();

    connect(&m_account, &AccountSession::SignInRequired, this, &VPNMainWindow::ShowSignIn);
    connect(&m_account, &AccountSession::SignInMessageChanged, this, [this] {
        m_ui->SignInMessageLabel->setText(m_account.SignInMessage());
        m_ui->SignInKeyEdit->setEnabled(!m_account.IsChecking());
        m_ui->SignInButton->setEnabled(!m_account.IsChecking());
    });
    connect(&m_account, &AccountSession::SignedIn, this, [this] { m_ui->MenuSignOutButton->show(); });
    connect(&m_account, &AccountSession::SignedOut, this, [this] {
        m_connectionIndicator->hide();
        m_ui->SignInKeyEdit->clear();
    });
    connect(&m_account, &AccountSession::ErrorOccurred, this,
            [this](const QString& text) { ShowErrorView(text, &m_account); });
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
}

void VPNMainWindow::SetActionTexts()
{
    m_statusVerifyAction->setText(tr("Verify"));
    m_showInOptionsAction->setText(tr("Show in Options"));
    m_favoriteAction->setText(tr("&Favorite"));
    m_anchorAction->setText(tr("&Anchor IP"));

    m_tray->SetTexts();
}

void VPNMainWindow::SetSignUpText()
{
    const QString url = WebPage(SignUpPath);
    m_ui->SignUpLabel->setText(
        tr("No account yet? ")
        + QStringLiteral("<a href=\"%1\"><span style=\"font-weight:700; color:#7AAAD2; "
                         "text-decoration:none;\">%2</span></a>")
              .arg(url.toHtmlEscaped(), tr("Sign up &gt;&gt;")));
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
        QDesktopServices::openUrl(QUrl(WebPage(SupportTicketPath)));
    } else {
        QDesktopServices::openUrl(QUrl(link));
    }
}

void VPNMainWindow::SystrayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    switch (reason) {
    case QSystemTrayIcon::Context:
        // Some tray hosts already open the icon's context menu themselves.
        if (!m_tray->Menu()->isVisible()) {
            m_tray->Menu()->activateWindow();
            m_tray->Menu()->popup(QCursor::pos());
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

void VPNMainWindow::SetHelpDialog(VPNHelpDialog* dialog)
{
    m_helpDialog = dialog;
    dialog->setParent(this, dialog->windowFlags());
    connect(m_ui->MenuHelpButton, &QPushButton::clicked, this, [this] {
        m_helpDialog->move(frameGeometry().center() - m_helpDialog->rect().center());
        m_helpDialog->show();
        m_helpDialog->raise();
    });
    connect(dialog, &VPNHelpDialog::LanguageChanged, this, &VPNMainWindow::RetranslateUI);
}

void VPNMainWindow::RetranslateUI()
{
    m_ui->retranslateUi(this);
    setWindowTitle(m_branding.productWord.toUpper());
    // The language is changed from the help dialog, which is reached through the menu view.
    m_ui->MenuButton->setText(tr("BACK"));
    m_initializationView->SetText(tr("Initializing..."), 22);
    SetActionTexts();
    SetSignUpText();
    ShowTexts();
    m_optionsDialog->RetranslateUI();
    m_updateDialog->RetranslateUI();
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

// Hidden in the tray, nothing shows the time connected or the connecting sweep: their ticks
// would only wake the program.
void VPNMainWindow::showEvent(QShowEvent* event)
{
    m_connection.SetTimeConnectedShown(true);
    if (m_connectingAnimation && m_connectingAnimation->state() == QAbstractAnimation::Paused)
        m_connectingAnimation->resume();
    QMainWindow::showEvent(event);
}

void VPNMainWindow::hideEvent(QHideEvent* event)
{
    m_connection.SetTimeConnectedShown(false);
    if (m_connectingAnimation && m_connectingAnimation->state() == QAbstractAnimation::Running)
        m_connectingAnimation->pause();
    QMainWindow::hideEvent(event);
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
// The controller's state on the widgets

void VPNMainWindow::ApplyState()
{
    // Columns: start-up (and its error), ServerSelect, PtpRestore, Connecting, AssignedIp,
    // Connected, Disconnecting. Rows that also depend on the controller's flags follow the table.
    enum Column
    {
        StartUp,
        Select,
        Restore,
        Connecting,
        AssignedIp,
        Connected,
        Disconnecting,
        Columns
    };
    const struct
    {
        QObject* target;
        const char* property;
        bool values[Columns];
    } rows[] = {
        {m_ui->MenuButton, "enabled", {true, true, false, false, false, true, false}},
        {m_ui->ConnectButton, "visible", {true, true, true, false, false, false, false}},
        {m_ui->CancelConnectButton, "visible", {false, false, false, true, true, false, false}},
        {m_ui->DisconnectButton, "visible", {false, false, false, false, false, true, true}},
        {m_ui->DisconnectButton, "enabled", {false, false, false, false, false, true, false}},
        {m_ui->ConnectionProgressFrame, "visible", {false, false, false, true, true, false, false}},
        {m_ui->MainStatusTimeLabel, "visible", {false, false, false, false, false, true, true}},
    };
    const State state = m_connection.CurrentState();
    Column column = StartUp;
    switch (state) {
    case State::ServerSelectState:
        column = Select;
        break;
    case State::PtpRestoreState:
        column = Restore;
        break;
    case State::ConnectingState:
        column = Connecting;
        break;
    case State::AssignedIpState:
        column = AssignedIp;
        break;
    case State::ConnectedState:
        column = Connected;
        break;
    case State::DisconnectingState:
        column = Disconnecting;
        break;
    default:
        break;
    }
    for (const auto& row : rows)
        row.target->setProperty(row.property, row.values[column]);

    const bool onMainScreen = m_settings.Settings().serversOnMainScreen;
    const bool connected = column == Connected;
    m_ui->ConnectButton->setEnabled(m_connection.ConnectAllowed());
    m_tray->ShowState(state, m_connection.ConnectAllowed());
    m_ui->CancelConnectButton->setEnabled(column == Connecting && m_connection.CancelAllowed());
    m_ui->MainIPFrame->setVisible(connected && onMainScreen);
    m_ui->ChangeIPButton->setVisible(connected && m_connection.ChangeIpOffered());
    m_ui->ChangeIPButton->setEnabled(!m_connection.IsChangingIp());
    m_ui->ServerListDropDown->setVisible(onMainScreen && (column == Select || column == Restore));
    m_ui->MainStatusLabel->setMaximumWidth(connected ? StatusWidthConnected : StatusWidthWide);
    // The status label offers its menu only while connected.
    m_ui->MainStatusLabel->setContextMenuPolicy(connected ? Qt::ActionsContextMenu : Qt::NoContextMenu);

    if (column == Connecting || column == AssignedIp) {
        if (!m_connectingAnimation)
            StartConnectingAnimation();
    } else {
        StopConnectingAnimation();
    }
    if (state == State::PtpSettleState)
        m_initializationView->SetText(tr("Creating Point-to-Point Connection. Please wait..."), 18);
    else if (state == State::LocalIpState)
        m_initializationView->SetText(tr("Initializing..."), 22);
}

void VPNMainWindow::Refresh()
{
    ApplyState();
    ShowTexts();
}

void VPNMainWindow::ShowTexts()
{
    m_ui->MainStatusLabel->setText(m_connection.StatusText());
    m_ui->MainStatusTimeLabel->setText(m_connection.TimeConnectedText());
    m_ui->MainLocalIPLabel->setText(m_connection.LocalIp());
    m_ui->MainNewIPLabel->setText(m_connection.NewIpText());
    m_tray->ShowConnection(m_connection.ConnectedServerName(), m_connection.NewIpText());
    UpdateTrayToolTip();
}

void VPNMainWindow::UpdateTrayToolTip()
{
    const State state = m_connection.CurrentState();
    // Before start-up has shown the list there is no server to name.
    if (state == State::Stopped || state == State::PtpSettleState || state == State::LocalIpState
        || state == State::ServersListState || state == State::AnchorInfoState)
        return;
    m_tray->SetToolTip(
        ComposeTrayToolTip(m_settings.Settings().serversOnMainScreen, state == State::ConnectedState,
                           m_ui->ServerListDropDown->currentText(), m_connection.ConnectedSince(),
                           m_connection.LocalIp(), m_connection.NewIpText()));
}

void VPNMainWindow::ShowErrorView(const QString& text, QObject* retryWith)
{
    m_errorRetry = retryWith;
    m_initializationView->StopAnimation();
    m_ui->ErrorLabel->setText(text);
    m_ui->CurrentView->setCurrentWidget(m_ui->ErrorView);
}

void VPNMainWindow::OnErrorRetryPressed()
{
    if (m_errorRetry == &m_account)
        m_account.Retry();
    else
        m_connection.Retry();
}

void VPNMainWindow::ShowSignIn()
{
    m_initializationView->StopAnimation();
    m_ui->MenuSignOutButton->hide();
    m_ui->SignInMessageLabel->setText(m_account.SignInMessage());
    m_ui->SignInKeyEdit->setEnabled(!m_account.IsChecking());
    m_ui->SignInButton->setEnabled(!m_account.IsChecking());
    m_ui->CurrentView->setCurrentWidget(m_ui->SignInView);
    m_ui->SignInKeyEdit->setFocus();
}

void VPNMainWindow::OnInitializationStarted()
{
    m_connectionIndicator->hide();
    m_ui->CurrentView->setCurrentWidget(m_ui->InitializationView);
    m_initializationView->StartAnimation();
}

void VPNMainWindow::OnInitializationFinished()
{
    const VPNSettings& settings = m_settings.Settings();
    m_ui->TcpIndicatorLabel->setVisible(settings.tcpServersEnabled);
    m_ui->PTPIndicatorLabel->setVisible(settings.pointToPointEnabled);
    InitializeServers();
    if (settings.serversOnMainScreen)
        m_tray->SetToolTip(tr("Disconnected from: ") + m_ui->ServerListDropDown->currentText());
    m_initializationView->StopAnimation();
    m_ui->CurrentView->setCurrentWidget(m_ui->MainView);
}

void VPNMainWindow::InitializeServers()
{
    m_catalog.UpdateFavoritesFromSettings();
    auto model = std::make_unique<VPNServerListModel>(m_catalog.RebuildCurrentList());
    // A change of a row's marks (the anchor answer) is a change of the selected record too.
    connect(model.get(), &QAbstractItemModel::dataChanged, this,
            [this] { OnServerChanged(m_ui->ServerListDropDown->currentIndex()); });
    m_ui->ServerListDropDown->setModel(model.get());
    m_optionsDialog->UpdateServersModel(model.get(), m_catalog.GetDefaultServerIndex());
    // The list still showed the old model until now; let it go afterwards.
    if (m_serverModel)
        m_serverModel.release()->deleteLater();
    m_serverModel = std::move(model);
    m_ui->ServerListDropDown->setCurrentIndex(m_catalog.GetDefaultServerIndex());
    OnServerChanged(m_ui->ServerListDropDown->currentIndex());
}

void VPNMainWindow::OnServerChanged(int row)
{
    m_serverMarks->RefreshActions();
    m_connection.SelectServer(row, m_serverModel ? m_serverModel->ServerAt(row) : nullptr);
    UpdateTrayToolTip();
}

QSystemTrayIcon* VPNMainWindow::TrayIcon() const
{
    return m_tray->Icon();
}

QMenu* VPNMainWindow::TrayMenu() const
{
    return m_tray->Menu();
}

QString VPNMainWindow::LastTrayMessage() const
{
    return m_tray->LastMessage();
}

VPNSimpleDialog* VPNMainWindow::ConfirmationDialog() const
{
    return m_serverMarks->Dialog();
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

void VPNMainWindow::OnConnectionEstablished()
{
    m_tray->ShowConnected(true);
    m_connectionIndicator->show();
    m_connectionIndicator->ShowConnected();
    m_optionsDialog->SetServersInteractionEnabled(false);
    m_snapshotTimer.start();
}

void VPNMainWindow::OnConnectionDropped()
{
    m_tray->ShowConnected(false);
    m_ui->RestartButton->hide();
    m_connectionIndicator->show();
    m_connectionIndicator->ShowDisconnected();
    m_optionsDialog->SetServersInteractionEnabled(true);
}

void VPNMainWindow::OnDisconnectReasonFound(const QString& text, bool offerRestart)
{
    m_connectionIndicator->show();
    m_connectionIndicator->ShowMessage(text);
    if (offerRestart)
        m_ui->RestartButton->show();
}

QString VPNMainWindow::WebPage(const char* path) const
{
    return QStringLiteral("https://") + m_branding.webHost + QLatin1String(path);
}

void VPNMainWindow::VerifyIP()
{
    QDesktopServices::openUrl(QUrl(WebPage(VerifyIpPath)));
}

void VPNMainWindow::OnMenuOptionsPressed()
{
    m_optionsDialog->ShowCentredOn(frameGeometry());
}

void VPNMainWindow::SetUpdater(AutoUpdater* updater)
{
    if (m_updater)
        disconnect(m_updater, nullptr, m_updateDialog, nullptr);
    m_updater = updater;
    if (updater)
        connect(updater, &AutoUpdater::ResultAvailable, m_updateDialog, &VPNUpdateDialog::ShowResult);
}

void VPNMainWindow::OnUpdateButtonPressed()
{
    if (!m_updater)
        return;
    m_updateDialog->ShowChecking();
    m_updater->CheckForUpdates();
}

void VPNMainWindow::OnShowInOptionsContextPressed()
{
    m_optionsDialog->SetCurrentTabIndex(VPNOptionsDialog::AdvancedTab);
    m_optionsDialog->ShowCentredOn(frameGeometry());
}

void VPNMainWindow::ApplyConfiguration()
{
    if (!m_connection.ApplyConfiguration())
        return;
    const VPNSettings& settings = m_settings.Settings();
    m_ui->TcpIndicatorLabel->setVisible(settings.tcpServersEnabled);
    // The row chosen in the dialog; a switch between the UDP and TCP lists has rebuilt the list,
    // which put its own default row there.
    m_ui->ServerListDropDown->setCurrentIndex(settings.currentServerIndex);
    Refresh();
}

void VPNMainWindow::RefreshServerContextMenu()
{
    m_serverMarks->RefreshActions();
}

void VPNMainWindow::OnExit()
{
    m_connection.Shutdown();
}

void VPNMainWindow::Exit()
{
    qDebug() << "The tunnel is down. Closing.";
    if (m_restartRequested) {
        qDebug() << "Restarting the application.";
        emit RestartRequested();
    }
    m_exiting = true;
    m_tray->Hide();
    close();
    QCoreApplication::quit();
}

void VPNMainWindow::RestartApplication()
{
    m_restartRequested = true;
    OnExit();
}
