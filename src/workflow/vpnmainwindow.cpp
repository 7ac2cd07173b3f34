#include "workflow/vpnmainwindow.h"

#include "app/appcontext.h"
#include "app/applicationrestart.h"
#include "app/deployment.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "ui_vpnmainwindow.h"
#include "widgets/hkwindowbuttonview.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpninitializationview.h"
#include "widgets/vpnsimpledialog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDebug>
#include <QDesktopServices>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QUrl>

namespace {

constexpr int DragBandLeft = 40;
constexpr int DragBandTop = 40;
constexpr int DragBandRight = 29;
constexpr int DragBandBottom = 39;

// Path of the support ticket page on the service's web site.
const char SupportTicketPath[] = "/support/ticket";

} // namespace

VPNMainWindow::VPNMainWindow(VPNAppContext& context, QWidget* parent)
    : QMainWindow(parent)
    , m_context(context)
    , m_ui(std::make_unique<Ui::VPNMainWindow>())
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

    m_confirmationDialog = new VPNSimpleDialog(this);

    m_ui->TestVersionFrameLeft->hide();
    m_ui->TestVersionFrameRight->hide();
}

VPNMainWindow::~VPNMainWindow() = default;

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

void VPNMainWindow::OnExit()
{
    Exit();
}

void VPNMainWindow::Exit()
{
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
