#pragma once

#include "widgets/vpngenericdialog.h"

#include <memory>

class QAction;
class QButtonGroup;
class SettingsStore;
class StartupEntry;
class VPNApi;
class VPNServerListModel;
class VPNServerManager;
class VPNServerMarks;
class VPNSimpleDialog;
namespace Ui {
class VPNOptionsDialog;
}

/**
 * The "Options Menu": four tabs that edit the settings record (start-up, e-mail routes, server
 * place and IP change, TCP, point-to-point and proxy). Every showing loads the record into the
 * controls; only SAVE writes them back, and a close that would lose changes asks first. The
 * start-at-login entry follows the auto-launch option when the dialog opens and after each
 * SAVE. Questions are the message dialog shown without a nested event loop: their answers
 * arrive as signals.
 */
class VPNOptionsDialog : public VPNGenericDialog
{
    Q_OBJECT

public:
    enum Tab
    {
        StartUpTab = 0,
        EmailTab = 1,
        ServersTab = 2,
        AdvancedTab = 3
    };

    VPNOptionsDialog(SettingsStore& settings, VPNServerManager& catalog, VPNApi& api,
                     std::unique_ptr<StartupEntry> startupEntry, QString productWord,
                     QWidget* parent = nullptr);
    ~VPNOptionsDialog() override;

    // Centres the dialog on the given window rectangle, inside the screen, and shows it; one
    // already shown keeps its place and its edits.
    void ShowCentredOn(const QRect& window);
    // The dialog that asks this dialog's questions (saving, defaults, restart).
    VPNSimpleDialog* QuestionDialog() const { return m_question; }
    // The dialog that confirms favorite and anchor changes of this dialog's server list.
    VPNSimpleDialog* MarksDialog() const;

public slots:
    // The shared server list model (owned by the main window) and the row to select.
    void UpdateServersModel(VPNServerListModel* model, int row);
    void RefreshServerContextMenu();
    void RetranslateUI();
    // 1 Email, 2 Servers && IPs, 3 Advanced, anything else Start Up.
    void SetCurrentTabIndex(int index);
    // False keeps the server choice from changing (while a tunnel is connected).
    void SetServersInteractionEnabled(bool enabled);
    // Puts the controls (not the record) to the defaults; SAVE then stores them.
    void RestoreDefaultOptions();

signals:
    // SAVE has written the settings.
    void ConfigurationUpdated();
    // A favorite or anchor change was confirmed in this dialog.
    void ServersContextStateChanged();
    // The user agreed to restart the program for a point-to-point change.
    void RestartRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private slots:
    void OnSaveButtonPressed();
    void OnCloseButtonPressed();
    void OnRestoreButtonPressed();
    void OnSMTPStateChanged(bool checked);
    void OnServerPlaceChanged(bool keepInOptions);
    void OnServerChanged(int row);
    void OnChangeIpStateChanged(bool checked);
    void OnAutoChangeIpChanged(bool checked);
    void OnAutoChangeIpApplyPressed();
    void OnTCPServersStateChanged(bool checked);
    void OnProxyTypeChanged(int row);
    void OnProxyAuthChanged(bool checked);
    void OnPtPRestartDeclined();
    void OnCloseWithoutSavingPressed();

private:
    using Slot = void (VPNOptionsDialog::*)();
    void LoadControls();
    void SynchronizeStartupEntry();
    void ShowPendingInterval();
    bool HasUnsavedChanges() const;
    // A question with a primary and a secondary answer, centred on this dialog; a null slot
    // means that answer only closes the question. An empty primary text shows one button.
    void Ask(const QString& text, const QString& primary, Slot onPrimary, const QString& secondary,
             Slot onSecondary);

    std::unique_ptr<Ui::VPNOptionsDialog> m_ui;
    SettingsStore& m_settings;
    std::unique_ptr<StartupEntry> m_startupEntry;
    QString m_productWord;
    QWidget* m_form;
    QButtonGroup* m_tabButtons;
    QAction* m_favoriteAction;
    QAction* m_anchorAction;
    VPNServerMarks* m_serverMarks;
    VPNSimpleDialog* m_question;
    // The automatic IP change interval in minutes being edited (0 = off).
    int m_pendingInterval = 0;
    // Set by SAVE and by CLOSE WITHOUT SAVING; while clear, a close with changes asks first.
    bool m_closeAllowed = false;
    bool m_ptpAtShow = false;
    bool m_serversBlocked = false;
};
