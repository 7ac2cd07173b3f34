#include "vpnupdatedialog.h"

#include "ui_vpnupdatedialog.h"

#include <QDesktopServices>

namespace {

// The links name what they open, never the address, so a click opens only the result's own URLs.
const QString kDownloadLink = QStringLiteral("download");
const QString kNotesLink = QStringLiteral("notes");

QString Anchor(const QString& key, const QString& text)
{
    // The palette's link colour is dark blue, unreadable on the dialog's dark face.
    return QStringLiteral("<a href=\"%1\" style=\"color: #7fd0ff;\">%2</a>").arg(key, text.toHtmlEscaped());
}

} // namespace

VPNUpdateDialog::VPNUpdateDialog(QWidget* parent)
    : VPNGenericDialog(parent)
    , m_ui(std::make_unique<Ui::VPNUpdateDialog>())
    , m_form(new QWidget(ContentFrame()))
{
    m_ui->setupUi(m_form);
    // A check the program made by itself must not hold up the window it shows over.
    setWindowModality(Qt::NonModal);
    resize(526, 420);
    SetCaption(tr("Update"));
    connect(m_ui->CloseButton, &QPushButton::clicked, this, &VPNGenericDialog::CloseDialog);
    connect(m_ui->LinksLabel, &QLabel::linkActivated, this, &VPNUpdateDialog::OnLinkActivated);
}

VPNUpdateDialog::~VPNUpdateDialog() = default;

void VPNUpdateDialog::ShowChecking()
{
    m_checking = true;
    ShowTexts();
    ShowCentered();
}

void VPNUpdateDialog::ShowResult(const UpdateCheckResult& result)
{
    m_checking = false;
    m_result = result;
    ShowTexts();
    ShowCentered();
}

void VPNUpdateDialog::ShowCentered()
{
    if (!isVisible() && parentWidget())
        move(parentWidget()->window()->frameGeometry().center() - rect().center());
    show();
    raise();
}

void VPNUpdateDialog::RetranslateUI()
{
    m_ui->retranslateUi(m_form);
    SetCaption(tr("Update"));
    ShowTexts();
}

void VPNUpdateDialog::ShowTexts()
{
    using Outcome = UpdateCheckResult::Outcome;
    QString heading;
    QString details;
    QStringList links;
    if (m_checking) {
        heading = tr("Checking for updates...");
    } else if (m_result.outcome == Outcome::NewerVersion) {
        heading = tr("Version %1 is available. You have version %2.")
                      .arg(m_result.version, m_result.runningVersion);
        details = m_result.title + QStringLiteral("\n\n") + m_result.releaseNotes;
        if (m_result.downloadUrl.isValid())
            links << Anchor(kDownloadLink, tr("Download version %1").arg(m_result.version));
        if (m_result.releaseNotesLink.isValid())
            links << Anchor(kNotesLink, tr("Release notes"));
    } else if (m_result.outcome == Outcome::UpToDate) {
        heading = tr("You have the newest version (%1).").arg(m_result.runningVersion);
    } else {
        heading = tr("The update check failed. Please try again later.");
        details = m_result.error;
    }
    m_ui->HeadingLabel->setText(heading);
    m_ui->DetailsText->setPlainText(details.trimmed());
    m_ui->DetailsText->setVisible(!details.trimmed().isEmpty());
    m_ui->LinksLabel->setText(links.join(QStringLiteral(" &nbsp; ")));
    // Encoded, so that no part of the address can pass for markup in the tool tip.
    m_ui->LinksLabel->setToolTip(m_result.downloadUrl.toString(QUrl::FullyEncoded));
    m_ui->LinksLabel->setVisible(!links.isEmpty());
}

void VPNUpdateDialog::OnLinkActivated(const QString& link) const
{
    // The links exist only while a newer version shows.
    if (m_checking || m_result.outcome != UpdateCheckResult::Outcome::NewerVersion)
        return;
    const QUrl url = link == kDownloadLink ? m_result.downloadUrl
        : link == kNotesLink               ? m_result.releaseNotesLink
                                           : QUrl();
    if (url.scheme() == QLatin1String("https"))
        QDesktopServices::openUrl(url);
}
