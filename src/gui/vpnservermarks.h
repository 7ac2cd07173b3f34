#pragma once

#include "api/vpnserver.h"

#include <QObject>
#include <QPointer>
#include <QRect>

class QAction;
class QComboBox;
class SettingsStore;
class VPNApi;
class VPNServerListModel;
class VPNServerManager;
class VPNSimpleDialog;

/**
 * The favorite and anchor marks of one server choice list: its two checkable context actions,
 * the confirmation dialog they open, and what a confirmation changes (the list model, the
 * settings file, the server catalog and, for the anchor, the service). The main window and the
 * options dialog each have one for their own list, so both behave the same.
 *
 * The favorite is local (settings field favoriteServer); the anchor is set on the service, which
 * answers the anchor call with the anchored address that then re-marks the catalog.
 */
class VPNServerMarks : public QObject
{
    Q_OBJECT

public:
    // The dialog is a child window of hostWindow and is placed next to it; the actions must be
    // checkable. Connecting the actions' triggered(bool) is left to the owner.
    VPNServerMarks(SettingsStore& settings, VPNServerManager& catalog, VPNApi& api, QComboBox* serverList,
                   QAction* favoriteAction, QAction* anchorAction, QWidget* hostWindow);
    ~VPNServerMarks() override;

    VPNSimpleDialog* Dialog() const;

    // Top-left of the dialog: centred over the window, right above it, or right below it when
    // above would start over the top of the screen (screenTop).
    static QPoint DialogPosition(const QRect& window, const QSize& dialog, int screenTop = 0);

public slots:
    // Sets the actions' checked states from the marks of the list's current record.
    void RefreshActions();

    void OnFavoriteStateChanged(bool checked);
    void OnAnchorStateChanged(bool checked);
    void OnConfirmFavoriteStateOnPressed();
    void OnConfirmFavoriteStateOffPressed();
    void OnConfirmAnchorStateOnPressed();
    void OnConfirmAnchorStateOffPressed();
    void OnDeclineFavoriteStateChangePressed();
    void OnDeclineAnchorStateChangePressed();

signals:
    // After every confirmed change, for the other window's server list to show it.
    void ServersContextStateChanged();

private:
    using Slot = void (VPNServerMarks::*)();
    // A question with YES (confirm) and NO (decline), or with decline null, a notice with OK.
    void Ask(const QString& text, Slot confirm, Slot decline);
    VPNServerListModel* Model() const;
    // The record at the list's current row; null when the list is empty.
    const VPNServer* CurrentServer() const;
    // The row of the server the question was about: the current row while it still holds that
    // server; after the list was rebuilt under the dialog, its row in the new list, or -1.
    int RowOfAskedServer() const;

    SettingsStore& m_settings;
    VPNServerManager& m_catalog;
    VPNApi& m_api;
    QComboBox* m_serverList;
    QAction* m_favoriteAction;
    QAction* m_anchorAction;
    QWidget* m_hostWindow;
    QPointer<VPNSimpleDialog> m_dialog;
    // The record the open question is about, as it was when asked.
    VPNServer m_askedServer;
};
