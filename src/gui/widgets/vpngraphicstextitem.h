#pragma once

#include <QGraphicsTextItem>

/**
 * A text item for messages with links: it never paints a focus frame, and while only its links
 * are interactive it keeps presses from falling through to the items below.
 */
class VPNGraphicsTextItem : public QGraphicsTextItem
{
public:
    using QGraphicsTextItem::QGraphicsTextItem;

    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
};
