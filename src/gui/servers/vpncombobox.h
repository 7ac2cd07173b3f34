#pragma once

#include <QComboBox>

// A combo box that shows a placeholder text while no item is current.
class VPNComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit VPNComboBox(QWidget* parent = nullptr);

    QString Placeholder() const { return m_placeholder; }
    void SetPlaceholder(const QString& text);

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_placeholder;
};
