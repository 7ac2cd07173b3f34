#include "vpnhelpdialog.h"

#include "support/interfacelanguage.h"
#include "support/supportreport.h"
#include "ui_vpnhelpdialog.h"
#include "widgets/vpnsimpledialog.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDebug>
#include <QDesktopServices>
#include <QUrl>

#include <utility>

namespace {

// Paths of the service's knowledge base and ticket pages on its web site.
const char KnowledgebasePath[] = "/knowledgebase/";
const char SupportTicketPath[] = "/support/ticket";
// Links on the dark dialog: the default blue would not be readable. The colour is added here,
// so the translatable texts carry none.
QString WithReadableLinks(QString html)
{
    return html.replace(QLatin1String("<a "), QLatin1String("<a style=\"color: #7AAAD2;\" "));
}

} // namespace

VPNHelpDialog::VPNHelpDialog(InterfaceLanguage& language, std::unique_ptr<SupportReport> report, Links links,
                             QWidget* parent)
    : VPNGenericDialog(parent)
    , m_ui(std::make_unique<Ui::VPNHelpDialog>())
    , m_form(new QWidget(ContentFrame()))
    , m_language(language)
    , m_report(std::move(report))
    , m_links(std::move(links))
    , m_tabButtons(new QButtonGroup(this))
    , m_notice(new VPNSimpleDialog(this))
{
    m_ui->setupUi(m_form);

    const QList<QAbstractButton*> tabs
        = {m_ui->ToolsTabButton, m_ui->LanguageTabButton, m_ui->AboutTabButton, m_ui->HelpTabButton};
    for (int id = 0; id < tabs.size(); ++id)
        m_tabButtons->addButton(tabs.at(id), id);
    m_tabButtons->setExclusive(true);
    m_ui->ToolsTabButton->setChecked(true);
    m_ui->HelpTabWidget->setCurrentIndex(0);
    connect(m_tabButtons, &QButtonGroup::idClicked, m_ui->HelpTabWidget, &QStackedWidget::setCurrentIndex);

    connect(m_ui->CloseHelpButton, &QPushButton::clicked, this, &VPNGenericDialog::CloseDialog);
    connect(m_ui->ApplyLanguageButton, &QPushButton::clicked, this, &VPNHelpDialog::OnApplyLanguagePressed);
    for (QLabel* label :
         {m_ui->AboutCompanyLabel, m_ui->HelpStartedLabel, m_ui->HelpTroublesLabel, m_ui->HelpSupportLabel})
        connect(label, &QLabel::linkActivated, this, &VPNHelpDialog::OnLinkActivated);

    connect(m_ui->SupportSendButton, &QPushButton::clicked, this, &VPNHelpDialog::OnSendFileToSupportPressed);
    connect(m_report.get(), &SupportReport::ProgressChanged, this, &VPNHelpDialog::SendFileToSupportProgress);
    connect(this, &VPNHelpDialog::SendFileToSupportProgress, m_ui->SupportFileProgressBar,
            &QProgressBar::setValue);
    connect(m_report.get(), &SupportReport::Finished, this, &VPNHelpDialog::OnSupportTicketFinished);

    RetranslateUI();
}

VPNHelpDialog::~VPNHelpDialog() = default;

void VPNHelpDialog::SetVersionText(const QString& text)
{
    m_ui->VersionLabel->setText(text);
}

QString VPNHelpDialog::ManualUrl(const char* page) const
{
    return QUrl::fromLocalFile(m_links.manualDirectory + QLatin1String(page)).toString(QUrl::FullyEncoded);
}

void VPNHelpDialog::RetranslateUI()
{
    m_ui->retranslateUi(m_form);
    SetCaption(tr("Help Menu"));
    const QString product = m_links.productWord.toUpper();
    for (QLabel* label : {m_ui->SupportBottomLabel, m_ui->LanguageTopCaptionLabel, m_ui->LanguageBottomLabel})
        label->setText(label->text().arg(product));
    FillLanguages();
    FillPages();
    ShowSupportStatus();
}

void VPNHelpDialog::FillLanguages()
{
    VPNComboBox* box = m_ui->LanguageComboBox;
    box->clear();
    for (const InterfaceLanguage::Entry& entry : InterfaceLanguage::Table)
        box->addItem(tr(entry.name), QString::fromLatin1(entry.code));
    box->setCurrentIndex(m_language.CurrentRow());
    m_ui->LanguageTopLabel->setText(box->currentText());
    // Nothing is chosen until the user picks a language, so Apply alone changes nothing.
    box->SetPlaceholder(tr("Change Language"));
    box->setCurrentIndex(-1);
}

void VPNHelpDialog::FillPages()
{
    const InterfaceLanguage::Entry& pages = InterfaceLanguage::Table[m_language.CurrentRow()];
    const QString web = QStringLiteral("https://") + m_links.webHost;
    const QString product = m_links.productWord.toUpper();
    m_ui->HelpStartedLabel->setText(WithReadableLinks(
        tr("Choose a server location and press CONNECT. When the status indicator turns solid green, your "
           "connection is secure. Closing the window puts the program in the tray, where it keeps "
           "running.<br><a href=\"%1\">Get Started Guide</a>")
            .arg(ManualUrl(pages.gettingStartedPage).toHtmlEscaped())));
    m_ui->HelpTroublesLabel->setText(WithReadableLinks(
        tr("When something does not work as expected, the <a href=\"%1\">Basic Troubleshooting Guide</a> "
           "lists the usual causes and what to do.")
            .arg(ManualUrl(pages.troubleshootingPage).toHtmlEscaped())));
    m_ui->HelpSupportLabel->setText(WithReadableLinks(
        tr("For anything else, the manual and our support team are there to help.<p align=\"center\"><a "
           "href=\"%1\">User Manual</a> | <a href=\"%2\">Knowledgebase</a> | <a href=\"%3\">Online "
           "Support</a> | "
           "<a href=\"%4\">Email Support</a></p>")
            .arg(ManualUrl(pages.manualPage).toHtmlEscaped(),
                 (web + QLatin1String(KnowledgebasePath)).toHtmlEscaped(),
                 (web + QLatin1String(SupportTicketPath)).toHtmlEscaped(),
                 (QStringLiteral("mailto:") + m_links.supportEmail).toHtmlEscaped())));
    m_ui->AboutProductLabel->setText(
        tr("%1 is a subscription VPN service. It puts your computer's internet traffic through an encrypted "
           "tunnel to one of its servers, so that the networks on the way cannot read it and web sites see "
           "the "
           "server's IP address instead of yours.")
            .arg(product));
    m_ui->AboutCompanyLabel->setText(WithReadableLinks(
        tr("%1 is built and run by a small team that operates its own VPN servers. More about us and the "
           "service: <a href=\"%2\">%3</a>")
            .arg(product, web.toHtmlEscaped(), m_links.webHost.toHtmlEscaped())));
}

void VPNHelpDialog::ShowSupportStatus()
{
    switch (m_supportStatus) {
    case SupportStatus::Idle:
    case SupportStatus::Working:
        m_ui->SupportTopLabel->setText(tr("Please wait... The Support File is being generated and sent."));
        break;
    case SupportStatus::Sent:
        m_ui->SupportTopLabel->setText(tr("Support File has been sent."));
        break;
    case SupportStatus::Failed:
        m_ui->SupportTopLabel->setText(tr("Support File error has occurred, please contact support."));
        break;
    }
}

void VPNHelpDialog::OnApplyLanguagePressed()
{
    const int row = m_ui->LanguageComboBox->currentIndex();
    if (row < 0)
        return;
    m_language.Apply(row);
    RetranslateUI();
    emit LanguageChanged();
}

void VPNHelpDialog::OnLinkActivated(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}

void VPNHelpDialog::OnSendFileToSupportPressed()
{
    m_ui->SupportSendButton->hide();
    m_ui->SupportFileProgressBar->setValue(0);
    m_ui->SupportFileProgressBar->show();
    m_supportStatus = SupportStatus::Working;
    ShowSupportStatus();
    m_ui->SupportTopLabel->show();
    m_report->Start();
}

void VPNHelpDialog::OnSupportTicketFinished(bool ok, const QString& link)
{
    m_supportStatus = ok ? SupportStatus::Sent : SupportStatus::Failed;
    ShowSupportStatus();
    if (!ok)
        return;
    // The service names the ticket page; only a web page is handed to the desktop.
    const QUrl url = QUrl::fromEncoded(link.toUtf8());
    if (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"))
        QDesktopServices::openUrl(url);
    else
        qWarning() << "Support ticket link is not a web page:" << link;
}

void VPNHelpDialog::closeEvent(QCloseEvent* event)
{
    if (m_report->IsRunning()) {
        event->ignore();
        m_notice->SetMessage(
            tr("Generation of Support File is in progress. Please wait until it's finished."), QString(),
            tr("OK"), VPNSimpleDialog::SecondaryOnly);
        m_notice->move(geometry().center() - m_notice->rect().center());
        m_notice->show();
        return;
    }
    VPNGenericDialog::closeEvent(event);
}

void VPNHelpDialog::showEvent(QShowEvent* event)
{
    // A run goes on while the dialog is hidden with the main window; its progress stays.
    if (!m_report->IsRunning()) {
        m_supportStatus = SupportStatus::Idle;
        m_ui->SupportTopLabel->hide();
        m_ui->SupportFileProgressBar->hide();
        m_ui->SupportSendButton->show();
    }
    VPNGenericDialog::showEvent(event);
}
