#pragma once

#include <QGraphicsView>

class HkWindowButton;

/**
 * The transparent bar that carries the window's chrome buttons: minimize (optional) and close,
 * side by side from the left. The scene origin is the view's centre.
 */
class HkWindowButtonView : public QGraphicsView
{
    Q_OBJECT

public:
    HkWindowButtonView(QWidget* parent, const QRect& geometry, bool withMinimize);

    HkWindowButton* MinimizeButton() const { return m_minimize; }
    HkWindowButton* CloseButton() const { return m_close; }

signals:
    void MinimizeClicked();
    void CloseClicked();

private:
    HkWindowButton* m_minimize = nullptr;
    HkWindowButton* m_close = nullptr;
};
