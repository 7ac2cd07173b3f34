#pragma once

#include "widgets/vpngenericdialog.h"

#include <memory>

class InterfaceLanguage;
class QButtonGroup;
class SupportReport;
class VPNSimpleDialog;
namespace Ui {
class VPNHelpDialog;
}

/**
 * The help menu: Tools (send the support file), Language (choose the interface language),
 * About (version, the service and its provider) and Get Help (the local manual in the current
 * language and the service's support pages). The support run itself is the SupportReport's;
 * this dialog starts it, shows its progress and result, and refuses to close while it runs.
 */
class VPNHelpDialog : public VPNGenericDialog
{
    Q_OBJECT

public:
    // Where the Get Help links lead; manualDirectory ends with "/".
    struct Links
    {
        QString productWord;
        QString manualDirectory;
        QString webHost;
        QString supportEmail;
    };

    VPNHelpDialog(InterfaceLanguage& language, std::unique_ptr<SupportReport> report, Links links,
                  QWidget* parent = nullptr);
    ~VPNHelpDialog() override;

    void SetVersionText(const QString& text);
    SupportReport& Report() { return *m_report; }
    VPNSimpleDialog* Notice() const { return m_notice; }
    // The file URL of a manual page of the language table's row.
    QString ManualUrl(const char* page) const;

public slots:
    void OnApplyLanguagePressed();
    void OnLinkActivated(const QString& link);
    void OnSendFileToSupportPressed();
    void OnSupportTicketFinished(bool ok, const QString& link);
    void RetranslateUI();

signals:
    // The language file and translator changed; every window applies its texts again.
    void LanguageChanged();
    void SendFileToSupportProgress(int value);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    enum class SupportStatus
    {
        Idle,
        Working,
        Sent,
        Failed
    };

    void ShowSupportStatus();
    void FillLanguages();
    void FillPages();

    std::unique_ptr<Ui::VPNHelpDialog> m_ui;
    QWidget* m_form;
    InterfaceLanguage& m_language;
    std::unique_ptr<SupportReport> m_report;
    Links m_links;
    QButtonGroup* m_tabButtons;
    VPNSimpleDialog* m_notice;
    SupportStatus m_supportStatus = SupportStatus::Idle;
};
