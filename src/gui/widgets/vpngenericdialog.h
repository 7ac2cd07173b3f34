#pragma once

#include <QPoint>
#include <QWidget>

#include <memory>

class HkWindowButtonView;
class QFrame;
namespace Ui {
class VPNGenericDialog;
}

/**
 * The frameless, translucent, application-modal dialog frame every dialog of the program is
 * built on: painted frame, caption, a close button, and dragging by the caption strip.
 * Derived dialogs put their own form into ContentFrame().
 */
class VPNGenericDialog : public QWidget
{
    Q_OBJECT

public:
    explicit VPNGenericDialog(QWidget* parent = nullptr);
    ~VPNGenericDialog() override;

    static constexpr int CloseDelayMs = 50;
    // Presses below this height (widget coordinates) do not drag the dialog.
    static constexpr int CaptionStripHeight = 41;

    void SetCaption(const QString& caption);
    QString Caption() const;

public slots:
    // Closes the dialog a moment later, so the button's release is painted first.
    void CloseDialog();

protected:
    QFrame* ContentFrame() const;
    HkWindowButtonView* ButtonView() const { return m_buttonView; }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<Ui::VPNGenericDialog> m_ui;
    HkWindowButtonView* m_buttonView;
    bool m_dragging = false;
    QPoint m_pressPosition;
};
