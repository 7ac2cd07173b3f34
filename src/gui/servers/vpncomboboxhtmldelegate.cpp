#include "servers/vpncomboboxhtmldelegate.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QComboBox>
#include <QPainter>
#include <QTextDocument>

namespace {

QString BaseStyleTag(const QColor& color)
{
    return QStringLiteral("<font style=\"font-size: 13px; color: %1; font-family: Arial\">")
        .arg(color.name());
}

// The text, escaped for rich text, with the first occurrence of marker in a colour tag that
// opens one character before it and closes two characters after its end; empty when marker
// does not occur. Both positions are clamped to the text, so a marker at the very start or end
// of a name neither indexes before the text nor pads it with spaces.
QString ColourMarker(const QString& text, const QString& marker, const QColor& color)
{
    const qsizetype at = text.indexOf(marker);
    if (at < 0)
        return QString();
    const qsizetype openAt = qMax<qsizetype>(0, at - 1);
    const qsizetype closeAt = qMin(text.size(), at + marker.size() + 2);
    return text.left(openAt).toHtmlEscaped() + QStringLiteral("<font color=\"%1\">").arg(color.name())
        + text.mid(openAt, closeAt - openAt).toHtmlEscaped() + QStringLiteral("</font>")
        + text.mid(closeAt).toHtmlEscaped();
}

} // namespace

void VPNComboBoxHtmlDelegate::InstallOnServerList(QComboBox* list)
{
    list->setItemDelegate(
        new VPNComboBoxHtmlDelegate(QColor(QStringLiteral("gray")), QColor(QStringLiteral("white")),
                                    QColor(QStringLiteral("yellow")), QColor(56, 137, 247), list));
    list->setIconSize(QSize(70, 25));
}

VPNComboBoxHtmlDelegate::VPNComboBoxHtmlDelegate(const QColor& disabledTextColor,
                                                 const QColor& normalTextColor,
                                                 const QColor& pointToPointColor,
                                                 const QColor& noPointToPointColor, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_disabledTextColor(disabledTextColor)
    , m_normalTextColor(normalTextColor)
    , m_pointToPointColor(pointToPointColor)
    , m_noPointToPointColor(noPointToPointColor)
{ }

QString VPNComboBoxHtmlDelegate::RowMarkup(const QString& text, bool available) const
{
    // The base-style tag is left open on purpose: the document closes it. Names come from the
    // service and are text, never markup.
    if (!available)
        return BaseStyleTag(m_disabledTextColor) + text.toHtmlEscaped();
    // "No P2P" contains "P2P": only the longer marker is coloured then.
    QString marked = ColourMarker(text, QStringLiteral("No P2P"), m_noPointToPointColor);
    if (marked.isEmpty())
        marked = ColourMarker(text, QStringLiteral("P2P"), m_pointToPointColor);
    if (marked.isEmpty())
        marked = text.toHtmlEscaped();
    return BaseStyleTag(m_normalTextColor) + marked;
}

void VPNComboBoxHtmlDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    const bool available = index.model() && index.model()->flags(index) != Qt::NoItemFlags;

    QTextDocument document;
    document.setHtml(RowMarkup(item.text, available));

    // The style draws background, selection, icon and focus; the text comes from the document.
    item.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

    QAbstractTextDocumentLayout::PaintContext context;
    if (item.state & QStyle::State_Selected) {
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            context.palette.setColor(group, QPalette::Window, QColor(50, 50, 50));
    }

    const QRect textRect = style->subElementRect(QStyle::SE_ItemViewItemText, &item, item.widget);
    painter->save();
    painter->translate(textRect.topLeft());
    painter->setClipRect(textRect.translated(-textRect.topLeft()));
    document.documentLayout()->draw(painter, context);
    painter->restore();
}
