// Renders the main window in each of its views and states, the open server list, a favorite
// question, the connection indicator's states, the message dialog, the options dialog's and the help
// dialog's tabs and the main window in French and German offscreen into PNG files,
// plus previews of the tray icons at panel sizes and of the server list pictures. Usage:
// norvane-screenshots <output directory>. tools/screenshots.sh runs it.

#include "api/vpnapiserverlistresponse.h"
#include "appcontext.h"
#include "connection/accountsession.h"
#include "linux/keychainaccountkeystore.h"
#include "linux/linuxsystemservices.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnserverpicture.h"
#include "startup.h"
#include "support/interfacelanguage.h"
#include "tunnel/openvpngeneric.h"
#include "vpnhelpdialog.h"
#include "vpnmainwindow.h"
#include "vpnoptionsdialog.h"
#include "vpnupdatedialog.h"
#include "widgets/vpnconnectionindicator.h"
#include "widgets/vpnsimpledialog.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QListView>
#include <QLoggingCategory>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>

namespace {

QTextStream& Err()
{
    static QTextStream stream(stderr);
    return stream;
}

// Lets animations and deferred layout run; this is a tool, not product code.
void Settle(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Puts a translucent window on a neutral desktop-like backdrop so its shape and shadow show.
QImage OnBackdrop(const QPixmap& window)
{
    const int pad = 24;
    QImage image(window.width() + 2 * pad, window.height() + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient backdrop(0, 0, image.width(), image.height());
    backdrop.setColorAt(0, QColor(0x3a, 0x44, 0x52));
    backdrop.setColorAt(1, QColor(0x25, 0x2c, 0x36));
    painter.fillRect(image.rect(), backdrop);
    painter.drawPixmap(pad, pad, window);
    return image;
}

// Puts the window and its open popup, both top-level windows, on one backdrop, each where the
// screen has it.
QImage WithPopup(QWidget* window, QWidget* popup)
{
    const QRect windowRect = window->frameGeometry();
    const QRect popupRect = popup->frameGeometry();
    const QRect both = windowRect.united(popupRect);
    const int pad = 24;
    QImage image(both.width() + 2 * pad, both.height() + 2 * pad, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient backdrop(0, 0, image.width(), image.height());
    backdrop.setColorAt(0, QColor(0x3a, 0x44, 0x52));
    backdrop.setColorAt(1, QColor(0x25, 0x2c, 0x36));
    painter.fillRect(image.rect(), backdrop);
    const QPoint origin = both.topLeft() - QPoint(pad, pad);
    painter.drawPixmap(windowRect.topLeft() - origin, window->grab());
    painter.drawPixmap(popupRect.topLeft() - origin, popup->grab());
    return image;
}

// The service simulator's catalog, read the way the client reads a getServerList reply.
QList<VPNServer> CatalogUdpServers()
{
    QFile file(QStringLiteral(NORVANE_CATALOG_FILE));
    if (!file.open(QIODevice::ReadOnly)) {
        Err() << "cannot read " << file.fileName() << '\n';
        return {};
    }
    QString catalog = QString::fromUtf8(file.readAll());
    catalog.remove(0, catalog.indexOf(QStringLiteral("<servers")));
    VPNApiServerListResponse response;
    response.Parse(QStringLiteral("<response><type>success</type><data>%1</data></response>").arg(catalog));
    QList<VPNServer> servers = response.UdpServers();
    // A favorite and an anchored address, as a user who has set them sees the list.
    for (VPNServer& server : servers) {
        server.favorite = server.address == QLatin1String("198.51.100.11");
        server.anchored = server.address == QLatin1String("198.51.100.1");
    }
    return servers;
}

// Every state icon with its load buckets, then every flag, magnified twice on the list's
// colours (plain row and selected row).
QImage ServerPicturePreview(const QList<VPNServer>& catalog)
{
    const QColor rows[] = {QColor(0x0f, 0x1d, 0x31), QColor(0x17, 0x52, 0x4f)};
    const int zoom = 2;
    QList<QString> flagNames;
    for (const VPNServer& server : catalog) {
        const QString flag = VPNServerPicture::FlagPath(server.name);
        if (!flagNames.contains(flag))
            flagNames.append(flag);
    }
    flagNames.append(VPNServerPicture::FlagPath(QString()));
    const int iconColumns = 6;
    const int width = (iconColumns * 74 + 4) * 2;
    const int flagRows = (static_cast<int>(flagNames.size()) + 24) / 25;
    const int height = 8 * 29 + 4 + flagRows * 29 + 4;
    QImage sheet(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&sheet);
    for (int half = 0; half < 2; ++half)
        painter.fillRect(half * width / 2, 0, width / 2, height, rows[half]);
    for (int half = 0; half < 2; ++half) {
        const int left = half * width / 2 + 4;
        for (int state = 0; state < 8; ++state) {
            VPNServer server;
            server.anchored = state & 4;
            server.favorite = state & 2;
            server.preferable = state & 1;
            int column = 0;
            for (int load : {10, 30, 45, 60, 75, 90}) {
                server.loadPercentage = load;
                painter.drawImage(QPoint(left + column++ * 74, 4 + state * 29),
                                  QImage(VPNServerPicture::StateIconPath(server)));
            }
        }
        for (int i = 0; i < flagNames.size(); ++i)
            painter.drawImage(QPoint(left + (i % 25) * 17, 8 * 29 + 8 + (i / 25) * 29),
                              QImage(flagNames.at(i)));
    }
    painter.end();
    return sheet.scaled(sheet.size() * zoom);
}

class Shooter
{
public:
    explicit Shooter(const QDir& output)
        : m_output(output)
    { }

    bool Save(const QString& name, QWidget* widget)
    {
        widget->repaint();
        const QString path = m_output.filePath(name + QStringLiteral(".png"));
        if (!OnBackdrop(widget->grab()).save(path)) {
            Err() << "cannot write " << path << '\n';
            m_ok = false;
        }
        return m_ok;
    }

    bool SaveImage(const QString& name, const QImage& image)
    {
        const QString path = m_output.filePath(name + QStringLiteral(".png"));
        if (!image.save(path)) {
            Err() << "cannot write " << path << '\n';
            m_ok = false;
        }
        return m_ok;
    }

    bool Ok() const { return m_ok; }

private:
    QDir m_output;
    bool m_ok = true;
};

template<typename T> T* Child(QWidget* window, const char* name)
{
    T* child = window->findChild<T*>(QLatin1String(name));
    if (!child)
        Err() << "no widget " << name << '\n';
    return child;
}

// The widget states the workflow sets in its states, applied the same way: by properties.
void ShowServerSelect(QWidget* w)
{
    Child<QStackedWidget>(w, "CurrentView")->setCurrentWidget(Child<QWidget>(w, "MainView"));
    Child<QPushButton>(w, "ConnectButton")->setVisible(true);
    Child<QPushButton>(w, "CancelConnectButton")->setVisible(false);
    Child<QPushButton>(w, "DisconnectButton")->setVisible(false);
    Child<QWidget>(w, "ConnectionProgressFrame")->setVisible(false);
    Child<QWidget>(w, "MainIPFrame")->setVisible(false);
    Child<QWidget>(w, "ChangeIPButton")->setVisible(false);
    Child<QWidget>(w, "MainStatusTimeLabel")->setVisible(false);
    Child<QWidget>(w, "ServerListDropDown")->setVisible(true);
    Child<QWidget>(w, "MainStatusLabel")->setMaximumWidth(289);
    Child<QLabel>(w, "MainStatusLabel")
        ->setText(
            QCoreApplication::translate("ConnectionController", "CLICK CONNECT TO SECURE YOUR INTERNET"));
    Child<QWidget>(w, "PTPIndicatorLabel")->setVisible(false);
    Child<QWidget>(w, "TcpIndicatorLabel")->setVisible(false);
}

void ShowConnecting(QWidget* w)
{
    ShowServerSelect(w);
    Child<QWidget>(w, "MenuButton")->setEnabled(false);
    Child<QPushButton>(w, "ConnectButton")->setVisible(false);
    Child<QPushButton>(w, "CancelConnectButton")->setVisible(true);
    Child<QWidget>(w, "ServerListDropDown")->setVisible(false);
    QWidget* progress = Child<QWidget>(w, "ConnectionProgressFrame");
    progress->setVisible(true);
    progress->setGeometry(180, 118, 46, 19);
    Child<QLabel>(w, "MainStatusLabel")->setText(QStringLiteral("Connecting..."));
}

void ShowConnectedState(QWidget* w)
{
    ShowServerSelect(w);
    Child<QWidget>(w, "MenuButton")->setEnabled(true);
    Child<QPushButton>(w, "ConnectButton")->setVisible(false);
    Child<QPushButton>(w, "DisconnectButton")->setVisible(true);
    Child<QWidget>(w, "ServerListDropDown")->setVisible(false);
    Child<QWidget>(w, "MainIPFrame")->setVisible(true);
    Child<QWidget>(w, "ChangeIPButton")->setVisible(true);
    Child<QWidget>(w, "MainStatusTimeLabel")->setVisible(true);
    Child<QWidget>(w, "MainStatusLabel")->setMaximumWidth(244);
    Child<QLabel>(w, "MainStatusLabel")
        ->setText(QCoreApplication::translate("ConnectionController", "YOU ARE SECURELY CONNECTED"));
    Child<QLabel>(w, "MainStatusTimeLabel")->setText(QStringLiteral("0:12:07"));
    Child<QLabel>(w, "MainLocalIPLabel")->setText(QStringLiteral("203.0.113.24"));
    Child<QLabel>(w, "MainNewIPLabel")->setText(QStringLiteral("198.51.100.73"));
    Child<QWidget>(w, "TcpIndicatorLabel")->setVisible(true);
}

// The tray icons as a panel shows them: 16 and 22 px on light and dark panels, at real size
// (bottom row) and magnified four times with nearest-neighbour scaling (top row).
QImage TrayPreview()
{
    const QImage icons[] = {QImage(QStringLiteral(":/global/resources/SystrayIconRed.png")),
                            QImage(QStringLiteral(":/global/resources/SystrayIconGreen.png"))};
    const QColor panels[] = {QColor(0xf2, 0xf2, 0xf2), QColor(0xc8, 0xc8, 0xc8), QColor(0x2b, 0x2b, 0x2b),
                             QColor(0x10, 0x10, 0x10)};
    const int panelWidth = 4 + (16 + 4) * 2 + (22 + 4) * 2;
    const int panelHeight = 30;
    const int zoom = 4;
    QImage strip(panelWidth * 4, panelHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&strip);
    int x = 0;
    for (const QColor& panel : panels) {
        painter.fillRect(x, 0, panelWidth, panelHeight, panel);
        int iconX = x + 4;
        for (int size : {16, 22}) {
            for (const QImage& icon : icons) {
                painter.drawImage(QPoint(iconX, (panelHeight - size) / 2),
                                  icon.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
                iconX += size + 4;
            }
        }
        x += panelWidth;
    }
    painter.end();

    QImage preview(strip.width() * zoom, strip.height() * (zoom + 1) + 8,
                   QImage::Format_ARGB32_Premultiplied);
    preview.fill(QColor(0x80, 0x80, 0x80));
    QPainter out(&preview);
    out.drawImage(QPoint(0, 0), strip.scaled(strip.size() * zoom));
    out.drawImage(QPoint(0, strip.height() * zoom + 8), strip);
    return preview;
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The catalog reply is logged in full by the client; the tool's output stays readable.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QTemporaryDir home;
    qputenv("NORVANE_HOME", home.path().toUtf8());
    // Where the language file goes, as start-up makes it for the log.
    QDir(home.path()).mkpath(QStringLiteral("Config"));
    // The options dialog writes the start-at-login entry; it goes to the temporary home too.
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("xdg-config")).toUtf8());
    QApplication app(argc, argv);
    if (argc != 2) {
        Err() << "usage: norvane-screenshots <output directory>\n";
        return 2;
    }
    const QString outputPath = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputPath);
    Shooter shooter {QDir(outputPath)};

    auto services = std::make_unique<LinuxSystemServices>(QStringLiteral("norvane"));
    services->SetExecutable(QCoreApplication::applicationFilePath());
    VPNAppContext context(std::move(services));
    // No keyring and an empty home: the window asks for the account key and stays offline.
    auto keyStore = std::make_unique<KeychainAccountKeyStore>(AccountKeyFilePath(context));
    keyStore->SetKeyringEnabled(false);
    context.CreateWorkflow(CreateTunnel(context), std::move(keyStore), QString());
    const std::unique_ptr<VPNMainWindow> windowOwner = CreateMainWindow(context);
    VPNMainWindow& window = *windowOwner;
    window.show();
    context.Account().LoadAccountKey();
    Settle(50);
    shooter.Save(QStringLiteral("main-sign-in"), &window);

    auto* views = Child<QStackedWidget>(&window, "CurrentView");
    views->setCurrentWidget(Child<QWidget>(&window, "InitializationView"));
    shooter.Save(QStringLiteral("main-initialization"), &window);
    auto* errorLabel = Child<QLabel>(&window, "ErrorLabel");
    views->setCurrentWidget(Child<QWidget>(&window, "ErrorView"));
    errorLabel->setText(QStringLiteral("NETWORK ERROR. TRY AGAIN OR EXIT AND CONTACT SUPPORT."));
    shooter.Save(QStringLiteral("main-error"), &window);
    errorLabel->setText(QStringLiteral(
        "THERE IS NO ACTIVE INTERNET CONNECTION.\nCHECK YOUR INTERNET CONNECTION AND TRY AGAIN."));
    shooter.Save(QStringLiteral("main-error-no-network"), &window);
    errorLabel->setText(QStringLiteral(
        "THE CONNECTION COULD NOT BE SET UP BECAUSE THE SERVICE DID NOT ANSWER IN TIME. CHECK YOUR FIREWALL "
        "AND "
        "PROXY SETTINGS, THEN TRY AGAIN, OR EXIT AND CONTACT SUPPORT WITH THE REPORT FROM THE HELP MENU."));
    shooter.Save(QStringLiteral("main-error-long"), &window);

    auto* servers = Child<QComboBox>(&window, "ServerListDropDown");
    const QList<VPNServer> catalog = CatalogUdpServers();
    VPNServerListModel model(catalog);
    servers->setModel(&model);
    // The row chosen when the list is shown: the favorite.
    for (int row = 0; row < catalog.size(); ++row) {
        if (catalog.at(row).favorite)
            servers->setCurrentIndex(row);
    }
    ShowServerSelect(&window);
    shooter.Save(QStringLiteral("main-ready"), &window);

    servers->showPopup();
    Settle(300);
    QWidget* popup = servers->view()->window();
    popup->repaint();
    shooter.SaveImage(QStringLiteral("main-server-list"), WithPopup(&window, popup));
    servers->hidePopup();
    Settle(50);
    shooter.SaveImage(QStringLiteral("server-pictures"), ServerPicturePreview(catalog));

    // The question a new favorite asks, over the window, from the catalog as the workflow loads it.
    context.ServerManager().SetServerLists(catalog, {});
    context.Settings().SetFavorite(QStringLiteral("198.51.100.11"));
    context.ServerManager().SetAssignedAddress(QStringLiteral("198.51.100.1"));
    window.InitializeServers();
    servers->setCurrentIndex(servers->findText(QStringLiteral("USA Miami No P2P")));
    window.move(window.x(), window.ConfirmationDialog()->height() + 10);
    Settle(50);
    servers->actions().at(0)->trigger();
    Settle(100);
    VPNSimpleDialog* question = window.ConfirmationDialog();
    question->repaint();
    shooter.SaveImage(QStringLiteral("main-favorite-question"), WithPopup(&window, question));
    question->CloseDialog();
    Settle(3 * VPNSimpleDialog::CloseDelayMs);
    servers->setModel(&model);
    servers->setCurrentIndex(servers->findText(QStringLiteral("USA Los Angeles P2P")));

    Child<QPushButton>(&window, "MenuButton")->click();
    shooter.Save(QStringLiteral("main-menu"), &window);
    Child<QPushButton>(&window, "MenuButton")->click();

    VPNConnectionIndicator* indicator = window.ConnectionIndicator();
    indicator->show();
    ShowConnecting(&window);
    shooter.Save(QStringLiteral("main-connecting"), &window);

    ShowConnectedState(&window);
    indicator->ShowConnected();
    Settle(VPNConnectionIndicator::FadeDurationMs + 100);
    shooter.Save(QStringLiteral("main-connected"), &window);

    ShowServerSelect(&window);
    indicator->ShowDisconnected();
    Settle(VPNConnectionIndicator::FadeDurationMs + 100);
    shooter.Save(QStringLiteral("main-disconnected"), &window);

    indicator->ShowMessage(
        QStringLiteral("AN ERROR OCCURRED. <a href=\"restartLink\">RESTART</a> & TRY AGAIN OR "
                       "EXIT & CONTACT SUPPORT."));
    Child<QWidget>(&window, "RestartButton")->setVisible(true);
    Settle(VPNConnectionIndicator::FadeDurationMs + 100);
    shooter.Save(QStringLiteral("main-message"), &window);
    Child<QWidget>(&window, "RestartButton")->setVisible(false);

    indicator->ShowMessage(QStringLiteral(
        "THIS SERVER IS UNAVAILABLE. TRY AGAIN LATER OR TRY ANOTHER SERVER. IF THE PROBLEM STAYS, "
        "SEND A REPORT FROM THE HELP MENU AND <a href=\"supportLink\">CONTACT SUPPORT</a>."));
    Settle(VPNConnectionIndicator::FadeDurationMs + 100);
    shooter.Save(QStringLiteral("main-message-long"), &window);

    // The options dialog on each tab, with the options a user might have set.
    VPNSettings& settings = context.Settings();
    settings.smtpEnabled = true;
    settings.smtpAddress = QStringLiteral("smtp.mail.example");
    settings.autoIpChangeMinutes = 15;
    settings.tcpServersEnabled = true;
    settings.SetProxy(VPNSettings::Http, QStringLiteral("proxy.example"), QStringLiteral("3128"));
    settings.SetProxyAuthentication(true, QStringLiteral("ann"), QStringLiteral("secret"));
    settings.currentServerIndex = 2;
    VPNOptionsDialog* options = window.OptionsDialog();
    options->ShowCentredOn(window.frameGeometry());
    const char* tabs[] = {"options-start-up", "options-email", "options-servers", "options-advanced"};
    for (int tab = VPNOptionsDialog::StartUpTab; tab <= VPNOptionsDialog::AdvancedTab; ++tab) {
        options->SetCurrentTabIndex(tab);
        Settle(50);
        shooter.Save(QString::fromLatin1(tabs[tab]), options);
    }
    options->hide();

    const struct
    {
        const char* name;
        int mode;
    } dialogs[] = {{"dialog-primary-only", VPNSimpleDialog::PrimaryOnly},
                   {"dialog-secondary-only", VPNSimpleDialog::SecondaryOnly},
                   {"dialog-both-buttons", VPNSimpleDialog::BothButtons}};
    for (const auto& spec : dialogs) {
        VPNSimpleDialog dialog;
        dialog.SetMessage(
            QStringLiteral("Make <b>Germany - Frankfurt</b> your favorite server? It will be chosen "
                           "first the next time you connect."),
            QStringLiteral("YES"), QStringLiteral("NO"), spec.mode);
        dialog.show();
        Settle(50);
        shooter.Save(QString::fromLatin1(spec.name), &dialog);
        dialog.hide();
    }

    // The update dialog with a newer version, as the Update button or the daily check shows it.
    UpdateCheckResult newer;
    newer.outcome = UpdateCheckResult::Outcome::NewerVersion;
    newer.runningVersion = QStringLiteral("0.1.0");
    newer.version = QStringLiteral("0.2.0");
    newer.title = QStringLiteral("Norvane 0.2.0");
    newer.releaseNotes
        = QStringLiteral("What is new\n- Faster connects after a drop\n- Fixes & translations");
    newer.downloadUrl = QUrl(QStringLiteral("https://www.norvane.example/downloads/norvane_0.2.0_amd64.deb"));
    newer.releaseNotesLink = QUrl(QStringLiteral("https://www.norvane.example/releases/0.2.0"));
    VPNUpdateDialog update;
    update.ShowResult(newer);
    Settle(50);
    shooter.Save(QStringLiteral("update-newer"), &update);
    update.hide();

    shooter.SaveImage(QStringLiteral("tray-icons"), TrayPreview());

    // The help dialog's tabs, over the window as the menu's Help button opens it; the Tools tab
    // also as a run shows it.
    VPNHelpDialog* help = window.HelpDialog();
    const auto saveHelpTabs = [&](const QString& suffix) {
        Child<QPushButton>(&window, "MenuHelpButton")->click();
        Settle(50);
        for (const char* tab : {"Tools", "Language", "About", "Help"}) {
            Child<QAbstractButton>(help, (QByteArray(tab) + "TabButton").constData())->click();
            shooter.Save(QStringLiteral("help-%1%2").arg(QString::fromLatin1(tab).toLower(), suffix), help);
        }
    };
    Child<QPushButton>(&window, "MenuButton")->click();
    saveHelpTabs(QString());
    Child<QAbstractButton>(help, "ToolsTabButton")->click();
    Child<QWidget>(help, "SupportSendButton")->hide();
    Child<QProgressBar>(help, "SupportFileProgressBar")->setValue(42);
    Child<QWidget>(help, "SupportFileProgressBar")->show();
    Child<QWidget>(help, "SupportTopLabel")->show();
    shooter.Save(QStringLiteral("help-tools-sending"), help);
    help->hide();

    // French and German, applied from the help dialog's Language tab as a user does.
    for (int row : {1, 2}) {
        const QString suffix = QStringLiteral("-") + QLatin1String(InterfaceLanguage::Table[row].code);
        Child<QComboBox>(help, "LanguageComboBox")->setCurrentIndex(row);
        Child<QPushButton>(help, "ApplyLanguageButton")->click();
        saveHelpTabs(suffix);
        help->hide();
        shooter.Save(QStringLiteral("main-menu") + suffix, &window);
        Child<QPushButton>(&window, "MenuButton")->click();
        ShowServerSelect(&window);
        indicator->hide();
        shooter.Save(QStringLiteral("main-ready") + suffix, &window);
        ShowConnectedState(&window);
        indicator->show();
        indicator->ShowConnected();
        Settle(VPNConnectionIndicator::FadeDurationMs + 100);
        shooter.Save(QStringLiteral("main-connected") + suffix, &window);
        Child<QPushButton>(&window, "MenuButton")->click();
    }
    return shooter.Ok() ? 0 : 1;
}
