#include "widgets/vpngraphicstextitem.h"

#include <QGraphicsSceneMouseEvent>
#include <QStyle>
#include <QStyleOptionGraphicsItem>

void VPNGraphicsTextItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    QStyleOptionGraphicsItem unfocused(*option);
    unfocused.state &= ~QStyle::State_HasFocus;
    QGraphicsTextItem::paint(painter, &unfocused, widget);
}

void VPNGraphicsTextItem::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    if (textInteractionFlags() == Qt::LinksAccessibleByMouse)
        event->accept();
    else
        event->ignore();
}
