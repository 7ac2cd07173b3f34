#pragma once

#include <QGraphicsView>

/**
 * A transparent, frameless graphics view with its own scene whose origin is the view's centre;
 * the base of the status graphics.
 */
class VPNGraphicsView : public QGraphicsView
{
public:
    VPNGraphicsView(QWidget* parent, const QRect& geometry);

    // Applies the transparent, frameless, scroll-bar-less look shared by the status graphics.
    static void SetUpTransparentView(QGraphicsView* view);
};
