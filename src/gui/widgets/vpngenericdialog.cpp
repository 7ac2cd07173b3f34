#include "widgets/vpngenericdialog.h"

#include "ui_vpngenericdialog.h"
#include "widgets/hkwindowbuttonview.h"

#include <QMouseEvent>
#include <QTimer>

VPNGenericDialog::VPNGenericDialog(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
    , m_ui(std::make_unique<Ui::VPNGenericDialog>())
{
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowModality(Qt::ApplicationModal);
    m_ui->setupUi(this);
    m_buttonView = new HkWindowButtonView(this, QRect(460, 10, 120, 40), false);
    connect(m_buttonView, &HkWindowButtonView::CloseClicked, this, &VPNGenericDialog::CloseDialog);
}

VPNGenericDialog::~VPNGenericDialog() = default;

void VPNGenericDialog::SetCaption(const QString& caption)
{
    m_ui->DialogCaption->setText(caption);
}

QString VPNGenericDialog::Caption() const
{
    return m_ui->DialogCaption->text();
}

void VPNGenericDialog::CloseDialog()
{
    QTimer::singleShot(CloseDelayMs, this, &QWidget::close);
}

QFrame* VPNGenericDialog::ContentFrame() const
{
    return m_ui->ContentFrame;
}

void VPNGenericDialog::mousePressEvent(QMouseEvent* event)
{
    m_dragging = true;
    m_pressPosition = event->position().toPoint();
    QWidget::mousePressEvent(event);
}

void VPNGenericDialog::mouseReleaseEvent(QMouseEvent* event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

void VPNGenericDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && m_pressPosition.y() < CaptionStripHeight)
        move(event->globalPosition().toPoint() - m_pressPosition);
    QWidget::mouseMoveEvent(event);
}
