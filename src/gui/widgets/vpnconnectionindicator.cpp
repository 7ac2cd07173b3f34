#include "widgets/vpnconnectionindicator.h"

#include "widgets/vpngraphicstextitem.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QPropertyAnimation>
#include <QRegularExpression>
#include <QTextDocument>

namespace {

// Messages may colour their links for a light background; on the dark box the style sheet's
// colour is the readable one, so a colour a link carries itself is dropped.
QString WithoutLinkColours(QString text)
{
    static const QRegularExpression linkColour(
        QStringLiteral("(<a\\b[^>]*\\bstyle=\"[^\"]*?)\\bcolor:\\s*#[0-9A-Fa-f]{3,6};?\\s*"));
    return text.replace(linkColour, QStringLiteral("\\1"));
}

} // namespace

VPNConnectionIndicator::VPNConnectionIndicator(QWidget* parent, const QRect& geometry,
                                               const QColor& textColor)
    : VPNGraphicsView(parent, geometry)
    , m_textColor(textColor)
{
    const QRectF area = scene()->sceneRect();
    m_connected = scene()->addPixmap(QPixmap(QStringLiteral(":/global/resources/IndicatorConnected.png")));
    m_connected->setPos(area.left(), area.top() + 7);
    m_disconnected
        = scene()->addPixmap(QPixmap(QStringLiteral(":/global/resources/IndicatorDisconnected.png")));
    m_disconnected->setPos(area.left(), area.top() + 7);
    m_messageBox = scene()->addPixmap(QPixmap(QStringLiteral(":/global/resources/IndicatorEmpty.png")));
    m_messageBox->setPos(area.left() + 7, area.top());

    m_message = new VPNGraphicsTextItem(m_messageBox); // owned by the message box item
    m_message->setPos(0, 0);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(MessagePixelSize);
    m_message->setFont(font);
    m_message->setDefaultTextColor(m_textColor);
    m_message->setTextWidth(area.width() - 14);
    // Links keep the strip's light text readable on the dark box.
    m_message->document()->setDefaultStyleSheet(QStringLiteral("a { color: #7fe3d6; font-weight: bold; }"));
    m_message->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
    connect(m_message, &QGraphicsTextItem::linkActivated, this, &VPNConnectionIndicator::OnLinkActivated);

    m_connected->setOpacity(0);
    m_disconnected->setOpacity(0);
    m_messageBox->setOpacity(0);
}

void VPNConnectionIndicator::ShowDisconnected()
{
    m_messageBox->setOpacity(0);
    Fade("greenOpacity", m_connected->opacity(), 0);
    Fade("redOpacity", 0, 1);
}

void VPNConnectionIndicator::ShowConnected()
{
    m_disconnected->setOpacity(0);
    m_messageBox->setOpacity(0);
    Fade("greenOpacity", 0, 1);
}

void VPNConnectionIndicator::ShowMessage(const QString& text)
{
    m_connected->setOpacity(0);
    m_disconnected->setOpacity(0);
    m_messageBox->setOpacity(0);
    m_message->setHtml(QStringLiteral("<center>") + WithoutLinkColours(text) + QStringLiteral("</center>"));
    FitMessageToBox();
    Fade("errorOpacity", 0, 1);
}

void VPNConnectionIndicator::FitMessageToBox()
{
    // Long (for example translated) messages would wrap out of the one-line box: step the size
    // down until the text fits, and keep the smallest size if even that is not enough.
    const qreal boxHeight = m_messageBox->boundingRect().height();
    QFont font = m_message->font();
    for (int pixelSize = MessagePixelSize; pixelSize >= MinimumMessagePixelSize; --pixelSize) {
        font.setPixelSize(pixelSize);
        m_message->setFont(font);
        const qreal margin = m_message->document()->documentMargin();
        if (m_message->document()->size().height() - 2 * margin <= boxHeight - 4)
            break;
    }
    // Centre the text vertically in the box.
    const qreal textHeight = m_message->boundingRect().height();
    m_message->setPos(0, qRound((boxHeight - textHeight) / 2));
}

void VPNConnectionIndicator::OnLinkActivated(const QString& link)
{
    emit linkActivated(link);
    // Dropping and restoring the interaction clears the link's focus and hover look.
    m_message->setTextInteractionFlags(Qt::NoTextInteraction);
    m_message->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
}

void VPNConnectionIndicator::Fade(const QByteArray& property, qreal from, qreal to)
{
    auto* animation = new QPropertyAnimation(this, property, this);
    animation->setDuration(FadeDurationMs);
    animation->setEasingCurve(QEasingCurve::InOutCubic);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

qreal VPNConnectionIndicator::GreenOpacity() const
{
    return m_connected->opacity();
}

void VPNConnectionIndicator::SetGreenOpacity(qreal opacity)
{
    m_connected->setOpacity(opacity);
}

qreal VPNConnectionIndicator::RedOpacity() const
{
    return m_disconnected->opacity();
}

void VPNConnectionIndicator::SetRedOpacity(qreal opacity)
{
    m_disconnected->setOpacity(opacity);
}

qreal VPNConnectionIndicator::ErrorOpacity() const
{
    return m_messageBox->opacity();
}

void VPNConnectionIndicator::SetErrorOpacity(qreal opacity)
{
    m_messageBox->setOpacity(opacity);
}
