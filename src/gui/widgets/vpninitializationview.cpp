#include "widgets/vpninitializationview.h"

#include "widgets/vpngraphicsview.h"

#include <QGraphicsDropShadowEffect>
#include <QGraphicsScene>
#include <QGraphicsTextItem>
#include <QHideEvent>
#include <QPropertyAnimation>
#include <QShowEvent>
#include <QTextDocument>

VPNInitializationView::VPNInitializationView(QWidget* parent, const QRect& geometry)
    : QGraphicsView(parent)
{
    VPNGraphicsView::SetUpTransparentView(this);
    auto* scene = new QGraphicsScene(this);
    setScene(scene);
    setGeometry(geometry);
    scene->setSceneRect(0, 0, geometry.width(), geometry.height());

    m_text = scene->addText(QString());
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(22);
    m_text->setFont(font);
    m_text->setDefaultTextColor(Qt::white);
    m_text->setTextWidth(525);
    m_text->setPos(0, 0);
    m_text->setOpacity(0.8);
    auto* glow = new QGraphicsDropShadowEffect; // owned by the item
    glow->setOffset(0, 0);
    glow->setBlurRadius(10);
    glow->setColor(Qt::white);
    m_text->setGraphicsEffect(glow);

    m_pulse = new QPropertyAnimation(this, "opacity", this);
    m_pulse->setStartValue(0.4);
    m_pulse->setKeyValueAt(0.5, 0.8);
    m_pulse->setEndValue(0.4);
    m_pulse->setDuration(3000);
    m_pulse->setLoopCount(1000);
    m_pulse->setEasingCurve(QEasingCurve::InOutQuad);
}

void VPNInitializationView::SetText(const QString& text, int pixelSize)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    m_text->setFont(font);
    m_text->setHtml(QStringLiteral("<center>%1</center>").arg(text));
}

QString VPNInitializationView::Text() const
{
    return m_text->toPlainText();
}

void VPNInitializationView::StartAnimation()
{
    m_pulse->start();
}

void VPNInitializationView::StopAnimation()
{
    m_pulse->stop();
}

bool VPNInitializationView::IsAnimating() const
{
    return m_pulse->state() != QAbstractAnimation::Stopped;
}

void VPNInitializationView::showEvent(QShowEvent* event)
{
    if (m_pulse->state() == QAbstractAnimation::Paused)
        m_pulse->resume();
    QGraphicsView::showEvent(event);
}

void VPNInitializationView::hideEvent(QHideEvent* event)
{
    if (m_pulse->state() == QAbstractAnimation::Running)
        m_pulse->pause();
    QGraphicsView::hideEvent(event);
}

qreal VPNInitializationView::Opacity() const
{
    return m_text->opacity();
}

void VPNInitializationView::SetOpacity(qreal opacity)
{
    m_text->setOpacity(opacity);
}
