#include "widgets/vpnsimpledialog.h"

#include "ui_vpnsimpledialog.h"
#include "widgets/hkwindowbuttonview.h"

#include <QCloseEvent>
#include <QFrame>
#include <QTimer>

VPNSimpleDialog::VPNSimpleDialog(QWidget* parent)
    : VPNGenericDialog(parent)
    , m_ui(std::make_unique<Ui::VPNSimpleDialog>())
{
    auto* form = new QWidget(ContentFrame());
    m_ui->setupUi(form);
    resize(448, 198);
    ButtonView()->move(ButtonView()->pos() - QPoint(78, 0));
    SetCaption(tr("Warning"));

    connect(m_ui->PrimaryButton, &QPushButton::clicked, this, &VPNSimpleDialog::OnPrimaryPressed);
    connect(m_ui->SecondaryButton, &QPushButton::clicked, this, &VPNGenericDialog::CloseDialog);
    connect(ButtonView(), &HkWindowButtonView::CloseClicked, this, &VPNGenericDialog::CloseDialog);
}

VPNSimpleDialog::~VPNSimpleDialog() = default;

void VPNSimpleDialog::SetMessage(const QString& message, const QString& primaryText,
                                 const QString& secondaryText, int buttonMode)
{
    m_ui->MessageLabel->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    m_ui->MessageLabel->setText(message);
    m_ui->PrimaryButton->setText(primaryText);
    m_ui->SecondaryButton->setText(secondaryText);
    m_ui->PrimaryButton->setVisible(buttonMode != SecondaryOnly);
    m_ui->SecondaryButton->setVisible(buttonMode != PrimaryOnly);
}

void VPNSimpleDialog::OnPrimaryPressed()
{
    m_primaryPressed = true;
    CloseDialog();
}

void VPNSimpleDialog::showEvent(QShowEvent* event)
{
    m_primaryPressed = false;
    m_reportPending = true;
    SetCaption(tr("Warning"));
    VPNGenericDialog::showEvent(event);
}

void VPNSimpleDialog::closeEvent(QCloseEvent* event)
{
    VPNGenericDialog::closeEvent(event);
    // A delayed close arriving after another one (both buttons pressed within the delay, or
    // close() on a hidden dialog) must not report the same showing twice.
    if (!m_reportPending)
        return;
    m_reportPending = false;
    // The answer is fixed now: a new showing within the delay must not change it.
    const bool primary = m_primaryPressed;
    QTimer::singleShot(CloseDelayMs, this, [this, primary] {
        if (primary)
            emit PrimaryPressed();
        else
            emit SecondaryPressed();
    });
}
