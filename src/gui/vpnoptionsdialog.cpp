#include "vpnoptionsdialog.h"

#include "platform/startupentry.h"
#include "servers/vpncomboboxhtmldelegate.h"
#include "servers/vpnserverlistmodel.h"
#include "settings/settingsstore.h"
#include "ui_vpnoptionsdialog.h"
#include "vpnmainwindow.h"
#include "vpnservermarks.h"
#include "widgets/vpnsimpledialog.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDebug>
#include <QGuiApplication>
#include <QIntValidator>
#include <QScreen>
#include <QTabBar>

#include <utility>

namespace {

// The choices of the automatic IP change, in minutes.
constexpr int AutoIpIntervals[] = {1, 2, 5, 10, 15, 30, 60};
constexpr int MaxProxyPort = 65535;

} // namespace

VPNOptionsDialog::VPNOptionsDialog(SettingsStore& settings, VPNServerManager& catalog, VPNApi& api,
                                   std::unique_ptr<StartupEntry> startupEntry, QString productWord,
                                   QWidget* parent)
    : VPNGenericDialog(parent)
    , m_ui(std::make_unique<Ui::VPNOptionsDialog>())
    , m_settings(settings)
    , m_startupEntry(std::move(startupEntry))
    , m_productWord(std::move(productWord))
    , m_form(new QWidget(ContentFrame()))
    , m_tabButtons(new QButtonGroup(this))
    , m_favoriteAction(new QAction(this))
    , m_anchorAction(new QAction(this))
    , m_question(new VPNSimpleDialog(this))
{
    m_ui->setupUi(m_form);
    m_form->setStyleSheet(VPNMainWindow::ReadStyleSheet(
        QStringLiteral(":/stylesheets/resources/stylesheets/options_dialog.qss")));
    m_ui->OptionsTabWidget->tabBar()->hide();
    m_ui->ProxyPortEdit->setValidator(new QIntValidator(0, MaxProxyPort, m_ui->ProxyPortEdit));

    const QList<QAbstractButton*> tabButtons
        = {m_ui->StartUpTabButton, m_ui->EmailTabButton, m_ui->ServersTabButton, m_ui->AdvancedTabButton};
    for (int id = 0; id < tabButtons.size(); ++id)
        m_tabButtons->addButton(tabButtons.at(id), id);
    m_tabButtons->setExclusive(true);
    m_ui->StartUpTabButton->setChecked(true);
    connect(m_tabButtons, &QButtonGroup::idClicked, m_ui->OptionsTabWidget, &QTabWidget::setCurrentIndex);

    QComboBox* servers = m_ui->ServerListDropDown;
    VPNComboBoxHtmlDelegate::InstallOnServerList(servers);
    m_favoriteAction->setCheckable(true);
    m_anchorAction->setCheckable(true);
    servers->addAction(m_favoriteAction);
    servers->addAction(m_anchorAction);
    servers->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_serverMarks
        = new VPNServerMarks(settings, catalog, api, servers, m_favoriteAction, m_anchorAction, this);
    connect(m_favoriteAction, &QAction::triggered, m_serverMarks, &VPNServerMarks::OnFavoriteStateChanged);
    connect(m_anchorAction, &QAction::triggered, m_serverMarks, &VPNServerMarks::OnAnchorStateChanged);
    connect(m_serverMarks, &VPNServerMarks::ServersContextStateChanged, this,
            &VPNOptionsDialog::ServersContextStateChanged);

    connect(m_ui->EmailGroupBox, &QGroupBox::toggled, this, &VPNOptionsDialog::OnSMTPStateChanged);
    connect(m_ui->ServerAtOptionsRadioButton, &QRadioButton::toggled, this,
            &VPNOptionsDialog::OnServerPlaceChanged);
    connect(servers, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &VPNOptionsDialog::OnServerChanged);
    connect(m_ui->ChangeIPGroupBox, &QGroupBox::toggled, this, &VPNOptionsDialog::OnChangeIpStateChanged);
    connect(m_ui->AutoIpRadioButton, &QRadioButton::toggled, this, &VPNOptionsDialog::OnAutoChangeIpChanged);
    connect(m_ui->AutoIPButton, &QPushButton::clicked, this, &VPNOptionsDialog::OnAutoChangeIpApplyPressed);
    connect(m_ui->EnableTCPCheckBox, &QCheckBox::toggled, this, &VPNOptionsDialog::OnTCPServersStateChanged);
    connect(m_ui->ProxyComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &VPNOptionsDialog::OnProxyTypeChanged);
    connect(m_ui->ProxyAuthCheckBox, &QCheckBox::toggled, this, &VPNOptionsDialog::OnProxyAuthChanged);
    connect(m_ui->SaveOptionsButton, &QPushButton::clicked, this, &VPNOptionsDialog::OnSaveButtonPressed);
    connect(m_ui->CloseOptionsButton, &QPushButton::clicked, this, &VPNOptionsDialog::OnCloseButtonPressed);
    connect(m_ui->RestoreDefaultOptionsButton, &QPushButton::clicked, this,
            &VPNOptionsDialog::OnRestoreButtonPressed);

    RetranslateUI();
}

VPNOptionsDialog::~VPNOptionsDialog() = default;

VPNSimpleDialog* VPNOptionsDialog::MarksDialog() const
{
    return m_serverMarks->Dialog();
}

void VPNOptionsDialog::RetranslateUI()
{
    m_ui->retranslateUi(m_form);
    SetCaption(tr("Options Menu"));
    m_ui->SMTPBottomLabel->setText(
        tr("Lets your e-mail program send mail through your Internet Service Provider's server while %1 "
           "is connected. Leave the field empty when your provider uses SSL SMTP; otherwise enter its "
           "SMTP server. Receiving mail is not affected.")
            .arg(m_productWord.toUpper()));
    m_ui->ForcedIPLabel->setText(
        tr("Adds a \"Change IP\" button to the main screen of your %1 software to allow "
           "you to Change IP instantly in one click.")
            .arg(m_productWord.toUpper()));
    m_favoriteAction->setText(tr("&Favorite"));
    m_anchorAction->setText(tr("&Anchor IP"));

    VPNComboBox* intervals = m_ui->AutoIPTimeComboBox;
    intervals->SetPlaceholder(tr("Change"));
    intervals->clear();
    for (const int minutes : AutoIpIntervals)
        intervals->addItem(minutes == 1 ? tr("1 minute") : tr("%1 minutes").arg(minutes), minutes);
    intervals->setCurrentIndex(-1);
    ShowPendingInterval();
}

void VPNOptionsDialog::ShowPendingInterval()
{
    m_ui->AutoIPTopLabel->setText(tr("Every: %1 minute(s)").arg(m_pendingInterval));
    m_ui->AutoIPBottomLabel->setText(
        tr("Changes IP automatically every %1 minute(s).").arg(m_pendingInterval));
}

void VPNOptionsDialog::SetCurrentTabIndex(int index)
{
    const int tab = index >= EmailTab && index <= AdvancedTab ? index : StartUpTab;
    m_tabButtons->button(tab)->click();
}

void VPNOptionsDialog::UpdateServersModel(VPNServerListModel* model, int row)
{
    m_ui->ServerListDropDown->setModel(model);
    m_ui->ServerListDropDown->setCurrentIndex(row);
    RefreshServerContextMenu();
}

void VPNOptionsDialog::RefreshServerContextMenu()
{
    m_serverMarks->RefreshActions();
}

void VPNOptionsDialog::OnServerChanged(int /*row*/)
{
    m_serverMarks->RefreshActions();
}

void VPNOptionsDialog::SetServersInteractionEnabled(bool enabled)
{
    m_serversBlocked = !enabled;
    if (enabled) {
        m_ui->ServerListDropDown->removeEventFilter(this);
    } else {
        m_ui->ServerListDropDown->hidePopup();
        m_ui->ServerListDropDown->installEventFilter(this);
    }
}

bool VPNOptionsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui->ServerListDropDown && m_serversBlocked) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ContextMenu:
        // The wheel turns a combo box's rows as well.
        case QEvent::Wheel:
            return true;
        default:
            break;
        }
    }
    return VPNGenericDialog::eventFilter(watched, event);
}

void VPNOptionsDialog::ShowCentredOn(const QRect& window)
{
    if (!isVisible()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(window.center());
        if (const QScreen* screen = QGuiApplication::screenAt(window.center())) {
            const QRect available = screen->availableGeometry();
            frame.moveLeft(
                qBound(available.left(), frame.left(), qMax(available.left(), available.right() - width())));
            frame.moveTop(
                qBound(available.top(), frame.top(), qMax(available.top(), available.bottom() - height())));
        }
        move(frame.topLeft());
    }
    show();
}

// ---------------------------------------------------------------------------------------------
// The record into the controls

void VPNOptionsDialog::showEvent(QShowEvent* event)
{
    // The desktop showing the window again (another workspace) is no new opening.
    if (!event->spontaneous()) {
        LoadControls();
        SynchronizeStartupEntry();
        m_ptpAtShow = m_ui->EnablePTPCheckBox->isChecked();
        m_closeAllowed = false;
        m_ui->ServerListDropDown->setCurrentIndex(m_settings.Settings().currentServerIndex);
    }
    VPNGenericDialog::showEvent(event);
}

void VPNOptionsDialog::LoadControls()
{
    const VPNSettings& s = m_settings.Settings();
    m_ui->AutoConnectCheckBox->setChecked(s.autoConnect);
    m_ui->AutoLaunchCheckBox->setChecked(s.autoLaunch);
    m_ui->FastestServerCheckBox->setChecked(s.fastestServer);
    m_ui->EnableTcpOnStartupCheckBox->setChecked(s.tcpOnStartup);
    m_ui->EnableTcpOnStartupCheckBox->setEnabled(s.tcpServersEnabled);
    m_ui->BlockTrafficCheckBox->setChecked(s.blockTrafficWhenDown);

    m_ui->SMTPAddressEdit->setText(s.smtpAddress);
    m_ui->EmailGroupBox->setChecked(s.smtpEnabled);

    m_ui->ServerAtOptionsRadioButton->setChecked(!s.serversOnMainScreen);
    m_ui->ServerAtMainRadioButton->setChecked(s.serversOnMainScreen);
    m_ui->ServerListDropDown->setEnabled(!s.serversOnMainScreen);
    m_ui->ServerTopLabel->setEnabled(!s.serversOnMainScreen);

    // The reactions run as the controls change; the state they leave depends on what the
    // controls showed before, so the dependent states are set from the record afterwards.
    m_ui->ChangeIPGroupBox->setChecked(s.forcedIpChangeEnabled || s.autoIpChangeMinutes > 0);
    if (s.forcedIpChangeEnabled)
        m_ui->ForcedIpRadioButton->setChecked(true);
    if (s.autoIpChangeMinutes > 0)
        m_ui->AutoIpRadioButton->setChecked(true);
    if (m_ui->ChangeIPGroupBox->isChecked()) {
        m_ui->ForcedIpRadioButton->setEnabled(s.serversOnMainScreen);
        const bool automatic = m_ui->AutoIpRadioButton->isChecked();
        for (QWidget* control :
             QWidgetList {m_ui->AutoIPTopLabel, m_ui->AutoIPTimeComboBox, m_ui->AutoIPButton})
            control->setEnabled(automatic);
    } else {
        m_ui->ForcedIpRadioButton->setChecked(true);
    }
    m_ui->AutoIPTimeComboBox->setCurrentIndex(-1);
    m_pendingInterval = qMax(0, s.autoIpChangeMinutes);
    ShowPendingInterval();

    m_ui->EnableTCPCheckBox->setChecked(s.tcpServersEnabled);
    m_ui->TCPPort443RadioButton->setEnabled(s.tcpServersEnabled);
    m_ui->TCPPort80RadioButton->setEnabled(s.tcpServersEnabled);
    (s.tcpPort == 80 ? m_ui->TCPPort80RadioButton : m_ui->TCPPort443RadioButton)->setChecked(true);
    m_ui->EnablePTPCheckBox->setChecked(s.pointToPointEnabled);

    const int proxyRow = qBound(int(VPNSettings::NoProxy), int(s.proxyType), int(VPNSettings::Autodetect));
    m_ui->ProxyComboBox->setCurrentIndex(proxyRow);
    OnProxyTypeChanged(proxyRow);
    m_ui->ProxyAddressEdit->setText(s.proxyAddress);
    m_ui->ProxyPortEdit->setText(s.proxyPort);
    m_ui->ProxyAuthCheckBox->setChecked(s.proxyAuthEnabled);
    OnProxyAuthChanged(s.proxyAuthEnabled);
    m_ui->ProxyLoginEdit->setText(s.proxyUser);
    m_ui->ProxyPasswordEdit->setText(s.proxyPassword);
}

void VPNOptionsDialog::SynchronizeStartupEntry()
{
    if (!m_startupEntry->Synchronize(m_ui->AutoLaunchCheckBox->isChecked()))
        qDebug() << "The start-at-login entry does not follow the auto-launch option.";
}

// ---------------------------------------------------------------------------------------------
// Reactions of the controls

void VPNOptionsDialog::OnSMTPStateChanged(bool checked)
{
    if (!checked)
        m_ui->SMTPAddressEdit->clear();
}

void VPNOptionsDialog::OnServerPlaceChanged(bool keepInOptions)
{
    m_ui->ServerListDropDown->setEnabled(keepInOptions);
    m_ui->ServerTopLabel->setEnabled(keepInOptions);
    // A forced change needs the list on the main screen, where its button is. An unchecked
    // group keeps its controls disabled; checking it sets them (OnChangeIpStateChanged).
    if (!m_ui->ChangeIPGroupBox->isChecked())
        return;
    if (!keepInOptions)
        m_ui->ForcedIpRadioButton->setEnabled(true);
    else if (m_ui->ForcedIpRadioButton->isChecked())
        m_ui->ChangeIPGroupBox->setChecked(false);
    else
        m_ui->ForcedIpRadioButton->setEnabled(false);
}

void VPNOptionsDialog::OnChangeIpStateChanged(bool checked)
{
    if (!checked) {
        // Off: the automatic change goes off with the radio button it hangs on.
        m_ui->ForcedIpRadioButton->setChecked(true);
    } else if (m_ui->ServerAtOptionsRadioButton->isChecked()) {
        m_ui->ForcedIpRadioButton->setEnabled(false);
        m_ui->AutoIpRadioButton->setChecked(true);
    } else {
        m_ui->ForcedIpRadioButton->setEnabled(true);
        m_ui->ForcedIpRadioButton->setChecked(true);
    }
}

void VPNOptionsDialog::OnAutoChangeIpChanged(bool checked)
{
    m_ui->AutoIPTopLabel->setEnabled(checked);
    m_ui->AutoIPTimeComboBox->setEnabled(checked);
    m_ui->AutoIPButton->setEnabled(checked);
    m_pendingInterval = checked ? 1 : 0;
    if (!checked)
        m_ui->AutoIPTimeComboBox->setCurrentIndex(-1);
    ShowPendingInterval();
}

void VPNOptionsDialog::OnAutoChangeIpApplyPressed()
{
    QComboBox* intervals = m_ui->AutoIPTimeComboBox;
    if (intervals->currentIndex() < 0)
        return;
    m_pendingInterval = intervals->currentData().toInt();
    intervals->setCurrentIndex(-1);
    ShowPendingInterval();
}

void VPNOptionsDialog::OnTCPServersStateChanged(bool checked)
{
    m_ui->EnableTcpOnStartupCheckBox->setEnabled(checked);
    m_ui->TCPPort443RadioButton->setEnabled(checked);
    m_ui->TCPPort80RadioButton->setEnabled(checked);
    if (!checked) {
        m_ui->EnableTcpOnStartupCheckBox->setChecked(false);
        m_ui->TCPPort443RadioButton->setChecked(true);
    }
}

void VPNOptionsDialog::OnProxyTypeChanged(int row)
{
    const bool server = row != VPNSettings::NoProxy && row != VPNSettings::Autodetect;
    const bool authentication = row == VPNSettings::Http || row == VPNSettings::Https;
    if (!server) {
        m_ui->ProxyAddressEdit->clear();
        m_ui->ProxyPortEdit->clear();
    }
    if (!authentication)
        m_ui->ProxyAuthCheckBox->setChecked(false);
    for (QWidget* control : QWidgetList {m_ui->ProxyAddressEdit, m_ui->ProxyAddressLabel, m_ui->ProxyPortEdit,
                                         m_ui->ProxyPortLabel})
        control->setEnabled(server);
    m_ui->ProxyAuthCheckBox->setEnabled(authentication);
    m_ui->ProxyAuthLabel->setEnabled(authentication);
}

void VPNOptionsDialog::OnProxyAuthChanged(bool checked)
{
    for (QWidget* control : QWidgetList {m_ui->ProxyLoginEdit, m_ui->ProxyLoginLabel, m_ui->ProxyPasswordEdit,
                                         m_ui->ProxyPasswordLabel})
        control->setEnabled(checked);
    if (!checked) {
        m_ui->ProxyLoginEdit->clear();
        m_ui->ProxyPasswordEdit->clear();
    }
}

void VPNOptionsDialog::RestoreDefaultOptions()
{
    m_ui->AutoConnectCheckBox->setChecked(false);
    m_ui->AutoLaunchCheckBox->setChecked(true);
    m_ui->FastestServerCheckBox->setChecked(false);
    m_ui->EnableTcpOnStartupCheckBox->setChecked(false);
    m_ui->BlockTrafficCheckBox->setChecked(false);
    m_ui->SMTPAddressEdit->clear();
    m_ui->EmailGroupBox->setChecked(false);
    m_ui->ServerAtOptionsRadioButton->setChecked(true);
    m_ui->ChangeIPGroupBox->setChecked(false);
    OnChangeIpStateChanged(false);
    m_ui->EnableTCPCheckBox->setChecked(false);
    OnTCPServersStateChanged(false);
    m_ui->EnablePTPCheckBox->setChecked(false);
    m_ui->ProxyComboBox->setCurrentIndex(VPNSettings::NoProxy);
    OnProxyTypeChanged(VPNSettings::NoProxy);
}

// ---------------------------------------------------------------------------------------------
// SAVE, CLOSE, RESTORE DEFAULT and the questions

void VPNOptionsDialog::OnSaveButtonPressed()
{
    VPNSettings& s = m_settings.Settings();
    s.currentServerIndex = m_ui->ServerListDropDown->currentIndex();
    s.autoConnect = m_ui->AutoConnectCheckBox->isChecked();
    s.autoLaunch = m_ui->AutoLaunchCheckBox->isChecked();
    s.fastestServer = m_ui->FastestServerCheckBox->isChecked();
    s.tcpOnStartup = m_ui->EnableTcpOnStartupCheckBox->isChecked();
    s.smtpEnabled = m_ui->EmailGroupBox->isChecked();
    s.smtpAddress = m_ui->SMTPAddressEdit->text();
    s.serversOnMainScreen = m_ui->ServerAtMainRadioButton->isChecked();
    s.forcedIpChangeEnabled = m_ui->ChangeIPGroupBox->isChecked() && m_ui->ForcedIpRadioButton->isChecked();
    s.autoIpChangeMinutes = m_pendingInterval;
    s.tcpServersEnabled = m_ui->EnableTCPCheckBox->isChecked();
    s.tcpPort = m_ui->TCPPort80RadioButton->isChecked() ? 80 : 443;
    s.pointToPointEnabled = m_ui->EnablePTPCheckBox->isChecked();
    s.blockTrafficWhenDown = m_ui->BlockTrafficCheckBox->isChecked();

    // A proxy without its address or a port is no proxy; the desktop's has neither. The port's
    // validator lets a number above 65535 stand while typing: that is no port either.
    if (m_ui->ProxyComboBox->currentIndex() != VPNSettings::Autodetect
        && (m_ui->ProxyAddressEdit->text().isEmpty() || !m_ui->ProxyPortEdit->hasAcceptableInput()))
        m_ui->ProxyComboBox->setCurrentIndex(VPNSettings::NoProxy);
    s.SetProxy(VPNSettings::ProxyType(m_ui->ProxyComboBox->currentIndex()), m_ui->ProxyAddressEdit->text(),
               m_ui->ProxyPortEdit->text());
    s.SetProxyAuthentication(m_ui->ProxyAuthCheckBox->isChecked(), m_ui->ProxyLoginEdit->text(),
                             m_ui->ProxyPasswordEdit->text());

    const bool saved = m_settings.Save();
    SynchronizeStartupEntry();
    emit ConfigurationUpdated();
    if (!saved) {
        // Closing now would look like success; the dialog stays with the user's changes.
        Ask(tr("Your options could not be saved to %1.\nCheck that the folder can be written to and "
               "press SAVE again.")
                .arg(m_settings.FilePath()),
            QString(), nullptr, tr("OK"), nullptr);
        return;
    }
    m_closeAllowed = true;
    if (m_ui->EnablePTPCheckBox->isChecked() == m_ptpAtShow) {
        CloseDialog();
        return;
    }
    Ask(tr("To apply \"Point-to-Point\" changes, please restart %1 application.\nDo you want to restart %1 "
           "now?\n(Note: If you are currently connected, the connection will be closed.)")
            .arg(m_productWord.toUpper()),
        tr("YES"), &VPNOptionsDialog::RestartRequested, tr("NO"), &VPNOptionsDialog::OnPtPRestartDeclined);
}

void VPNOptionsDialog::OnPtPRestartDeclined()
{
    // The other saved changes stay; point-to-point returns to what it was when the dialog opened.
    m_settings.Settings().pointToPointEnabled = m_ptpAtShow;
    m_settings.Save();
    CloseDialog();
}

void VPNOptionsDialog::OnCloseButtonPressed()
{
    CloseDialog();
}

void VPNOptionsDialog::OnCloseWithoutSavingPressed()
{
    m_closeAllowed = true;
    CloseDialog();
}

void VPNOptionsDialog::OnRestoreButtonPressed()
{
    Ask(tr("Are you sure you want to reset program settings back to the default settings?"), tr("YES"),
        &VPNOptionsDialog::RestoreDefaultOptions, tr("NO"), nullptr);
}

void VPNOptionsDialog::closeEvent(QCloseEvent* event)
{
    if (!m_closeAllowed && HasUnsavedChanges()) {
        event->ignore();
        Ask(tr("You are navigating away from this menu without saving your changes.\nWould you like to save "
               "changes or close Options menu without saving?"),
            tr("SAVE"), &VPNOptionsDialog::OnSaveButtonPressed, tr("CLOSE WITHOUT SAVING"),
            &VPNOptionsDialog::OnCloseWithoutSavingPressed);
        return;
    }
    VPNGenericDialog::closeEvent(event);
}

bool VPNOptionsDialog::HasUnsavedChanges() const
{
    const VPNSettings& s = m_settings.Settings();
    const QString smtpAddress = m_ui->SMTPAddressEdit->text();
    // Turning the e-mail option on or off changes something only where there is an address:
    // the one typed, or the saved one that turning it off clears.
    const bool emailChanged = m_ui->EmailGroupBox->isChecked() == s.smtpEnabled
        ? smtpAddress != s.smtpAddress
        : !smtpAddress.isEmpty() || !s.smtpAddress.isEmpty();
    const bool forced = m_ui->ChangeIPGroupBox->isChecked() && m_ui->ForcedIpRadioButton->isChecked();
    const int port = m_ui->TCPPort80RadioButton->isChecked() ? 80 : 443;
    return m_ui->AutoConnectCheckBox->isChecked() != s.autoConnect
        || m_ui->AutoLaunchCheckBox->isChecked() != s.autoLaunch
        || m_ui->FastestServerCheckBox->isChecked() != s.fastestServer
        || m_ui->EnableTcpOnStartupCheckBox->isChecked() != s.tcpOnStartup || emailChanged
        || m_ui->ServerAtMainRadioButton->isChecked() != s.serversOnMainScreen
        || forced != s.forcedIpChangeEnabled || m_pendingInterval != s.autoIpChangeMinutes
        || m_ui->EnableTCPCheckBox->isChecked() != s.tcpServersEnabled || port != s.tcpPort
        || m_ui->EnablePTPCheckBox->isChecked() != s.pointToPointEnabled
        || m_ui->BlockTrafficCheckBox->isChecked() != s.blockTrafficWhenDown
        || m_ui->ProxyComboBox->currentIndex() != s.proxyType
        || m_ui->ProxyAddressEdit->text() != s.proxyAddress || m_ui->ProxyPortEdit->text() != s.proxyPort
        || m_ui->ProxyAuthCheckBox->isChecked() != s.proxyAuthEnabled
        || m_ui->ProxyLoginEdit->text() != s.proxyUser || m_ui->ProxyPasswordEdit->text() != s.proxyPassword;
}

void VPNOptionsDialog::Ask(const QString& text, const QString& primary, Slot onPrimary,
                           const QString& secondary, Slot onSecondary)
{
    // One dialog for every question: the previous question's answers must not reach this one.
    disconnect(m_question, nullptr, this, nullptr);
    m_question->SetMessage(text, primary, secondary,
                           primary.isEmpty() ? VPNSimpleDialog::SecondaryOnly : VPNSimpleDialog::BothButtons);
    if (onPrimary)
        connect(m_question, &VPNSimpleDialog::PrimaryPressed, this, onPrimary);
    if (onSecondary)
        connect(m_question, &VPNSimpleDialog::SecondaryPressed, this, onSecondary);
    QRect frame(QPoint(), m_question->size());
    frame.moveCenter(frameGeometry().center());
    m_question->move(frame.topLeft());
    m_question->show();
}
