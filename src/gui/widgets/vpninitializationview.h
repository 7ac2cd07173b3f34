#pragma once

#include <QGraphicsView>

class QGraphicsTextItem;
class QPropertyAnimation;

/**
 * The glowing start-up text ("Initializing...") that pulses while the client gets ready. The
 * pulse is configured at construction and started and stopped by the window; while the view is
 * hidden (another view, the window in the tray) the pulse pauses, so it wakes nothing.
 */
class VPNInitializationView : public QGraphicsView
{
    Q_OBJECT
    Q_PROPERTY(qreal opacity READ Opacity WRITE SetOpacity)

public:
    VPNInitializationView(QWidget* parent, const QRect& geometry);

    void SetText(const QString& text, int pixelSize);
    QString Text() const;
    void StartAnimation();
    void StopAnimation();
    // Started and not stopped, whether paused while hidden or not.
    bool IsAnimating() const;

    qreal Opacity() const;
    void SetOpacity(qreal opacity);

    const QPropertyAnimation* PulseAnimation() const { return m_pulse; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QGraphicsTextItem* m_text;
    QPropertyAnimation* m_pulse;
};
