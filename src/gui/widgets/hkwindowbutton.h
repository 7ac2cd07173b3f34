#pragma once

#include <QColor>
#include <QGraphicsItemGroup>
#include <QObject>
#include <QPixmap>

class QGraphicsPixmapItem;
class QGraphicsRectItem;
class QGraphicsScene;

/**
 * One window chrome button (minimize or close) drawn as a group of graphics items: a glow
 * rectangle behind three stacked images (normal, hover, pressed) whose opacities follow the
 * mouse. Clicked() comes 80 ms after the release, so the release is painted before the
 * handler runs.
 */
class HkWindowButton : public QObject, public QGraphicsItemGroup
{
    Q_OBJECT

public:
    HkWindowButton(QObject* parent, const QPixmap& normal, const QPixmap& hover, const QPixmap& pressed,
                   unsigned margin, const QColor& glowColor, QGraphicsItem* parentItem,
                   QGraphicsScene* scene);

    static constexpr int ClickDelayMs = 80;

    // Size of the normal image; the group is that plus the margin.
    int ImageWidth() const { return m_width; }
    int ImageHeight() const { return m_height; }
    qreal HoverOpacity() const;
    qreal PressedOpacity() const;
    qreal GlowOpacity() const;
    // The item that receives the mouse (the normal image); tests aim their events at it.
    QGraphicsPixmapItem* NormalItem() const { return m_normal; }

signals:
    void Clicked();

protected:
    bool sceneEventFilter(QGraphicsItem* watched, QEvent* event) override;

private:
    qreal m_offsetX;
    qreal m_offsetY;
    int m_width;
    int m_height;
    QGraphicsRectItem* m_glow;
    QGraphicsPixmapItem* m_normal;
    QGraphicsPixmapItem* m_hover;
    QGraphicsPixmapItem* m_pressed;
};
