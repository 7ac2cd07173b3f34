#pragma once

#include "widgets/vpngenericdialog.h"

#include <memory>

namespace Ui {
class VPNSimpleDialog;
}

/**
 * A short message with up to two buttons. Each close reports exactly one of PrimaryPressed()
 * (the primary button) or SecondaryPressed() (anything else: secondary button, close button,
 * other closes), 50 ms after the dialog has gone.
 */
class VPNSimpleDialog : public VPNGenericDialog
{
    Q_OBJECT

public:
    enum ButtonMode
    {
        PrimaryOnly = 0,
        SecondaryOnly = 1,
        BothButtons = 2
    };

    explicit VPNSimpleDialog(QWidget* parent = nullptr);
    ~VPNSimpleDialog() override;

    // Any mode other than PrimaryOnly and SecondaryOnly shows both buttons.
    void SetMessage(const QString& message, const QString& primaryText, const QString& secondaryText,
                    int buttonMode);

signals:
    void PrimaryPressed();
    void SecondaryPressed();

public slots:
    void OnPrimaryPressed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::VPNSimpleDialog> m_ui;
    bool m_primaryPressed = false;
    // Set while shown and not yet reported, so repeated closes report only once.
    bool m_reportPending = false;
};
