#include "servers/vpncombobox.h"

#include <QPainter>
#include <QStyleOptionComboBox>

VPNComboBox::VPNComboBox(QWidget* parent)
    : QComboBox(parent)
{ }

void VPNComboBox::SetPlaceholder(const QString& text)
{
    if (m_placeholder == text)
        return;
    m_placeholder = text;
    update();
}

void VPNComboBox::paintEvent(QPaintEvent* event)
{
    QComboBox::paintEvent(event);
    if (currentIndex() != -1 || m_placeholder.isEmpty())
        return;
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const QRect field
        = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    QPainter painter(this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(field, Qt::AlignLeft | Qt::AlignVCenter, m_placeholder);
}
