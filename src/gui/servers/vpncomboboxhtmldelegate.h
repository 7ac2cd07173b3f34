#pragma once

#include <QColor>
#include <QStyledItemDelegate>

class QComboBox;

// Draws a server list row's text as rich text: the point-to-point markers of a server name
// ("P2P", "No P2P") stand out in their own colours and an unavailable endpoint (a row the
// model gives no flags) is greyed out as a whole.
class VPNComboBoxHtmlDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    VPNComboBoxHtmlDelegate(const QColor& disabledTextColor, const QColor& normalTextColor,
                            const QColor& pointToPointColor, const QColor& noPointToPointColor,
                            QObject* parent = nullptr);

    // The delegate and icon size of a server choice list (the main window's and the options
    // dialog's look the same).
    static void InstallOnServerList(QComboBox* list);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

    // The HTML a row's text is drawn from.
    QString RowMarkup(const QString& text, bool available) const;

    QColor DisabledTextColor() const { return m_disabledTextColor; }
    QColor NormalTextColor() const { return m_normalTextColor; }
    QColor PointToPointColor() const { return m_pointToPointColor; }
    QColor NoPointToPointColor() const { return m_noPointToPointColor; }

private:
    QColor m_disabledTextColor;
    QColor m_normalTextColor;
    QColor m_pointToPointColor;
    QColor m_noPointToPointColor;
};
