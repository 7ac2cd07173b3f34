#include "vpnservermarks.h"

#include "api/vpnapi.h"
#include "servers/vpnserverlistmodel.h"
#include "servers/vpnservermanager.h"
#include "settings/settingsstore.h"
#include "widgets/vpnsimpledialog.h"

#include <QAction>
#include <QComboBox>
#include <QDebug>
#include <QScreen>

VPNServerMarks::VPNServerMarks(SettingsStore& settings, VPNServerManager& catalog, VPNApi& api,
                               QComboBox* serverList, QAction* favoriteAction, QAction* anchorAction,
                               QWidget* hostWindow)
    : QObject(hostWindow)
    , m_settings(settings)
    , m_catalog(catalog)
    , m_api(api)
    , m_serverList(serverList)
    , m_favoriteAction(favoriteAction)
    , m_anchorAction(anchorAction)
    , m_hostWindow(hostWindow)
    , m_dialog(new VPNSimpleDialog(hostWindow))
{ }

VPNServerMarks::~VPNServerMarks()
{
    // The host window may already have deleted it as its child.
    delete m_dialog.data();
}

VPNSimpleDialog* VPNServerMarks::Dialog() const
{
    return m_dialog;
}

QPoint VPNServerMarks::DialogPosition(const QRect& window, const QSize& dialog, int screenTop)
{
    const int x = window.x() + window.width() / 2 - dialog.width() / 2;
    const int above = window.y() - dialog.height();
    return {x, above < screenTop ? window.y() + window.height() : above};
}

VPNServerListModel* VPNServerMarks::Model() const
{
    return qobject_cast<VPNServerListModel*>(m_serverList->model());
}

const VPNServer* VPNServerMarks::CurrentServer() const
{
    const VPNServerListModel* model = Model();
    return model ? model->ServerAt(m_serverList->currentIndex()) : nullptr;
}

void VPNServerMarks::RefreshActions()
{
    const VPNServer* server = CurrentServer();
    m_favoriteAction->setChecked(server && server->favorite);
    m_anchorAction->setChecked(server && server->anchored);
}

void VPNServerMarks::OnFavoriteStateChanged(bool checked)
{
    const VPNServer* server = CurrentServer();
    if (!server) {
        // An empty list has nothing to mark.
        RefreshActions();
        return;
    }
    m_askedServer = *server;
    const QString name = server->name;
    if (!checked) {
        Ask(tr("You are removing your Favorite server.") + QLatin1Char('\n')
                + tr("Are you sure you want to proceed?"),
            &VPNServerMarks::OnConfirmFavoriteStateOffPressed,
            &VPNServerMarks::OnDeclineFavoriteStateChangePressed);
    } else if (m_catalog.FindFavoriteIndex() == -1) {
        Ask(tr("Your Favorite server has been set to:") + QLatin1Char('\n') + name,
            &VPNServerMarks::OnConfirmFavoriteStateOnPressed, nullptr);
    } else {
        Ask(tr("You are changing your Favorite server to:") + QLatin1Char('\n') + name + QLatin1Char('\n')
                + tr("Are you sure you want to proceed?"),
            &VPNServerMarks::OnConfirmFavoriteStateOnPressed,
            &VPNServerMarks::OnDeclineFavoriteStateChangePressed);
    }
}

void VPNServerMarks::OnAnchorStateChanged(bool checked)
{
    const VPNServer* server = CurrentServer();
    if (!server) {
        RefreshActions();
        return;
    }
    m_askedServer = *server;
    const QString name = server->name;
    VPNServer anchored;
    if (!checked) {
        Ask(tr("You are removing your Anchor IP Address. This means that you might not be able to get the "
               "same Anchor IP Address next time.")
                + QLatin1Char('\n') + tr("Are you sure you want to proceed?"),
            &VPNServerMarks::OnConfirmAnchorStateOffPressed,
            &VPNServerMarks::OnDeclineAnchorStateChangePressed);
    } else if (!m_catalog.GetAnchoredServer(anchored)) {
        Ask(tr("Your Anchor IP has been set to the following server location:") + QLatin1Char('\n') + name,
            &VPNServerMarks::OnConfirmAnchorStateOnPressed, nullptr);
    } else {
        Ask(tr("You are about to change your Anchor IP. Your new Anchor IP will be set to the following "
               "server "
               "location:")
                + QLatin1Char('\n') + name + QLatin1Char('\n') + tr("Are you sure you want to proceed?"),
            &VPNServerMarks::OnConfirmAnchorStateOnPressed,
            &VPNServerMarks::OnDeclineAnchorStateChangePressed);
    }
}

void VPNServerMarks::Ask(const QString& text, Slot confirm, Slot decline)
{
    // The dialog is reused: the previous question's answers must not reach this one's slots.
    disconnect(m_dialog, nullptr, this, nullptr);
    if (decline) {
        m_dialog->SetMessage(text, tr("YES"), tr("NO"), VPNSimpleDialog::BothButtons);
        connect(m_dialog, &VPNSimpleDialog::PrimaryPressed, this, confirm);
        connect(m_dialog, &VPNSimpleDialog::SecondaryPressed, this, decline);
    } else {
        // A notice: its only button, and any other way of closing it, confirms.
        m_dialog->SetMessage(text, QString(), tr("OK"), VPNSimpleDialog::SecondaryOnly);
        connect(m_dialog, &VPNSimpleDialog::SecondaryPressed, this, confirm);
    }

    const QRect window = m_hostWindow->frameGeometry();
    const QScreen* screen = m_hostWindow->screen();
    const int screenTop = screen ? screen->availableGeometry().top() : 0;
    m_dialog->move(DialogPosition(window, m_dialog->size(), screenTop));
    m_dialog->show();
}

int VPNServerMarks::RowOfAskedServer() const
{
    const VPNServerListModel* model = Model();
    if (!model)
        return -1;
    const int current = m_serverList->currentIndex();
    const VPNServer* server = model->ServerAt(current);
    if (server && server->address == m_askedServer.address)
        return current;
    const QList<VPNServer>& servers = model->Servers();
    for (int row = 0; row < servers.size(); ++row) {
        if (servers.at(row).address == m_askedServer.address)
            return row;
    }
    return -1;
}

void VPNServerMarks::OnConfirmFavoriteStateOnPressed()
{
    if (VPNServerListModel* model = Model())
        model->SetFavorite(RowOfAskedServer(), true);
    m_settings.Settings().SetFavorite(m_askedServer.address);
    m_settings.Save();
    m_catalog.SetFavorite(m_askedServer.address);
    qDebug() << "Set favorite state TRUE for " << m_askedServer.name;
    RefreshActions();
    emit ServersContextStateChanged();
}

void VPNServerMarks::OnConfirmFavoriteStateOffPressed()
{
    if (VPNServerListModel* model = Model())
        model->SetFavorite(RowOfAskedServer(), false);
    m_settings.Settings().ClearFavorite();
    m_settings.Save();
    m_catalog.ClearFavorites();
    qDebug() << "Set favorite state FALSE for " << m_askedServer.name;
    RefreshActions();
    emit ServersContextStateChanged();
}

void VPNServerMarks::OnConfirmAnchorStateOnPressed()
{
    if (VPNServerListModel* model = Model())
        model->SetAnchored(RowOfAskedServer(), true);
    qDebug() << "Set anchor state ON for " << m_askedServer.name << " (" << m_askedServer.address << ")";
    m_api.DoAnchorVpnNetworkAccountIp(m_askedServer.address);
    RefreshActions();
    emit ServersContextStateChanged();
}

void VPNServerMarks::OnConfirmAnchorStateOffPressed()
{
    if (VPNServerListModel* model = Model())
        model->SetAnchored(RowOfAskedServer(), false);
    qDebug() << "Set anchor state FALSE for " << m_askedServer.name << " (" << m_askedServer.address << ")";
    m_api.DoUnanchorVpnNetworkAccountIp();
    RefreshActions();
    emit ServersContextStateChanged();
}

void VPNServerMarks::OnDeclineFavoriteStateChangePressed()
{
    // The action goes back to what the record says, which is what it showed before the toggle.
    RefreshActions();
}

void VPNServerMarks::OnDeclineAnchorStateChangePressed()
{
    RefreshActions();
}
