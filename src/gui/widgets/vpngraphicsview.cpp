#include "widgets/vpngraphicsview.h"

#include <QGraphicsScene>

VPNGraphicsView::VPNGraphicsView(QWidget* parent, const QRect& geometry)
    : QGraphicsView(parent)
{
    SetUpTransparentView(this);
    auto* scene = new QGraphicsScene(this);
    setScene(scene);
    setGeometry(geometry);
    scene->setSceneRect(-geometry.width() / 2.0, -geometry.height() / 2.0, geometry.width(),
                        geometry.height());
}

void VPNGraphicsView::SetUpTransparentView(QGraphicsView* view)
{
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    view->setLineWidth(0);
    view->setFrameShape(QFrame::NoFrame);
    view->setStyleSheet(QStringLiteral("background:transparent"));
}
