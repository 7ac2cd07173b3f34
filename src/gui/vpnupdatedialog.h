#pragma once

#include "updater/updatecheckresult.h"
#include "widgets/vpngenericdialog.h"

#include <memory>

namespace Ui {
class VPNUpdateDialog;
}

/**
 * Shows the answer of an update check: a newer version with its release notes and links to
 * download it and to read more, "up to date", or why the check failed. The feed comes from
 * the network, so its texts are shown as plain text and only its checked https links open.
 * Unlike the other dialogs it does not hold up the main window.
 */
class VPNUpdateDialog : public VPNGenericDialog
{
    Q_OBJECT

public:
    explicit VPNUpdateDialog(QWidget* parent = nullptr);
    ~VPNUpdateDialog() override;

    // Says that a check the user asked for runs, until its result comes.
    void ShowChecking();
    // Fills the dialog with result and shows it (raised when already open).
    void ShowResult(const UpdateCheckResult& result);

public slots:
    void RetranslateUI();

private:
    void ShowTexts();
    void ShowCentered();
    void OnLinkActivated(const QString& link) const;

    std::unique_ptr<Ui::VPNUpdateDialog> m_ui;
    QWidget* m_form;
    UpdateCheckResult m_result;
    bool m_checking = false;
};
