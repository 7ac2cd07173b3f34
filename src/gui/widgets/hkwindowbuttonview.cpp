#include "widgets/hkwindowbuttonview.h"

#include "widgets/hkwindowbutton.h"

#include <QGraphicsScene>
#include <QPixmap>

namespace {
constexpr unsigned ButtonMargin = 10;
}

HkWindowButtonView::HkWindowButtonView(QWidget* parent, const QRect& geometry, bool withMinimize)
    : QGraphicsView(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setRenderHints(QPainter::SmoothPixmapTransform | QPainter::Antialiasing);
    setLineWidth(0);
    setFrameShape(QFrame::NoFrame);
    setStyleSheet(QStringLiteral("background:transparent"));

    auto* scene = new QGraphicsScene(this);
    setScene(scene);
    setGeometry(geometry);
    const QRectF sceneRect(-geometry.width() / 2.0, -geometry.height() / 2.0, geometry.width(),
                           geometry.height());
    scene->setSceneRect(sceneRect);

    qreal shift = 0;
    if (withMinimize) {
        const QPixmap normal(QStringLiteral(":/global/resources/FormMinimize.png"));
        m_minimize = new HkWindowButton(this, normal,
                                        QPixmap(QStringLiteral(":/global/resources/FormMinimizeOver.png")),
                                        QPixmap(QStringLiteral(":/global/resources/FormMinimizePressed.png")),
                                        ButtonMargin, QColor(0, 222, 255), nullptr, scene);
        m_minimize->setPos(sceneRect.left(), sceneRect.top());
        connect(m_minimize, &HkWindowButton::Clicked, this, &HkWindowButtonView::MinimizeClicked);
        shift = normal.width();
    }
    m_close = new HkWindowButton(this, QPixmap(QStringLiteral(":/global/resources/FormClose.png")),
                                 QPixmap(QStringLiteral(":/global/resources/FormCloseOver.png")),
                                 QPixmap(QStringLiteral(":/global/resources/FormClosePressed.png")),
                                 ButtonMargin, QColor(207, 47, 47), nullptr, scene);
    m_close->setPos(sceneRect.left() + shift, sceneRect.top());
    connect(m_close, &HkWindowButton::Clicked, this, &HkWindowButtonView::CloseClicked);
}
