#include "servers/vpncombobox.h"

#include <QAbstractItemView>
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

void VPNComboBox::showPopup()
{
    // The popup chooses between scroll arrows and a scroll bar once, when it is created, and
    // that can be before a style sheet asking for a plain drop-down list applies. Follow the
    // style as it is when the list opens, so a long list can be scrolled with a bar.
    QStyleOptionComboBox option;
    initStyleOption(&option);
    if (!style()->styleHint(QStyle::SH_ComboBox_Popup, &option, this))
        view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QComboBox::showPopup();
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
