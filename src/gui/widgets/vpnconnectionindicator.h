#pragma once

#include "widgets/vpngraphicsview.h"

#include <QColor>

class QGraphicsPixmapItem;
class VPNGraphicsTextItem;

/**
 * The status strip under the main screen: a green rail (connected), a red rail (disconnected)
 * or a message box whose text may hold links. Each change fades in over one second.
 */
class VPNConnectionIndicator : public VPNGraphicsView
{
    Q_OBJECT
    Q_PROPERTY(qreal greenOpacity READ GreenOpacity WRITE SetGreenOpacity)
    Q_PROPERTY(qreal redOpacity READ RedOpacity WRITE SetRedOpacity)
    Q_PROPERTY(qreal errorOpacity READ ErrorOpacity WRITE SetErrorOpacity)

public:
    VPNConnectionIndicator(QWidget* parent, const QRect& geometry, const QColor& textColor);

    static constexpr int FadeDurationMs = 1000;
    static constexpr int MessagePixelSize = 11;
    static constexpr int MinimumMessagePixelSize = 8;

    void ShowConnected();
    void ShowDisconnected();
    void ShowMessage(const QString& text);

    qreal GreenOpacity() const;
    void SetGreenOpacity(qreal opacity);
    qreal RedOpacity() const;
    void SetRedOpacity(qreal opacity);
    qreal ErrorOpacity() const;
    void SetErrorOpacity(qreal opacity);

    VPNGraphicsTextItem* MessageItem() const { return m_message; }

signals:
    void linkActivated(const QString& link);

public slots:
    void OnLinkActivated(const QString& link);

private:
    void Fade(const QByteArray& property, qreal from, qreal to);
    void FitMessageToBox();

    QGraphicsPixmapItem* m_connected;
    QGraphicsPixmapItem* m_disconnected;
    QGraphicsPixmapItem* m_messageBox;
    VPNGraphicsTextItem* m_message;
    QColor m_textColor;
};
