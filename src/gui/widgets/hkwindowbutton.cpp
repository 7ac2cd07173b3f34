#include "widgets/hkwindowbutton.h"

#include <QBrush>
#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QPen>
#include <QTimer>

HkWindowButton::HkWindowButton(QObject* parent, const QPixmap& normal, const QPixmap& hover,
                               const QPixmap& pressed, unsigned margin, const QColor& glowColor,
                               QGraphicsItem* parentItem, QGraphicsScene* scene)
    : QObject(parent)
    , QGraphicsItemGroup(parentItem)
    , m_offsetX(margin * 0.5)
    , m_offsetY(margin * 0.5)
    , m_width(normal.width())
    , m_height(normal.height())
    , m_glow(new QGraphicsRectItem(m_offsetX - 1, m_offsetY - 1, m_width + 2, m_height + 2))
    , m_normal(new QGraphicsPixmapItem(normal))
    , m_hover(new QGraphicsPixmapItem(hover))
    , m_pressed(new QGraphicsPixmapItem(pressed))
{
    m_glow->setPen(Qt::NoPen);
    m_glow->setBrush(glowColor);
    auto* blur = new QGraphicsBlurEffect; // owned by the item
    blur->setBlurRadius(0);
    m_glow->setGraphicsEffect(blur);
    m_glow->setOpacity(0);

    for (QGraphicsPixmapItem* image : {m_normal, m_hover, m_pressed}) {
        image->setPos(m_offsetX, m_offsetY);
        image->setTransformationMode(Qt::SmoothTransformation);
    }
    m_hover->setOpacity(0);
    m_pressed->setOpacity(0);

    // Group children are owned and deleted by the group.
    addToGroup(m_glow);
    addToGroup(m_normal);
    addToGroup(m_hover);
    addToGroup(m_pressed);

    setHandlesChildEvents(false);
    setAcceptHoverEvents(true);
    m_normal->setAcceptHoverEvents(true);
    m_normal->setAcceptedMouseButtons(Qt::LeftButton);
    // The images above the normal one must not take the mouse away from it.
    m_hover->setAcceptedMouseButtons(Qt::NoButton);
    m_pressed->setAcceptedMouseButtons(Qt::NoButton);
    m_glow->setAcceptedMouseButtons(Qt::NoButton);

    // The filter can only be installed once the items share a scene.
    if (scene && !parentItem)
        scene->addItem(this);
    if (this->scene())
        m_normal->installSceneEventFilter(this);
}

qreal HkWindowButton::HoverOpacity() const
{
    return m_hover->opacity();
}

qreal HkWindowButton::PressedOpacity() const
{
    return m_pressed->opacity();
}

qreal HkWindowButton::GlowOpacity() const
{
    return m_glow->opacity();
}

bool HkWindowButton::sceneEventFilter(QGraphicsItem* watched, QEvent* event)
{
    if (watched != m_normal)
        return false;
    switch (event->type()) {
    case QEvent::GraphicsSceneHoverEnter:
        m_hover->setOpacity(1.0);
        m_glow->setOpacity(0.8);
        return true;
    case QEvent::GraphicsSceneHoverLeave:
        m_hover->setOpacity(0);
        m_pressed->setOpacity(0);
        m_glow->setOpacity(0);
        return true;
    case QEvent::GraphicsSceneMousePress:
        m_pressed->setOpacity(1.0);
        event->accept();
        return true;
    case QEvent::GraphicsSceneMouseRelease: {
        m_pressed->setOpacity(0);
        // A release away from the button cancels the click, as with any push button.
        const auto* release = static_cast<QGraphicsSceneMouseEvent*>(event);
        if (m_normal->contains(release->pos()))
            QTimer::singleShot(ClickDelayMs, this, &HkWindowButton::Clicked);
        return true;
    }
    default:
        return false;
    }
}
