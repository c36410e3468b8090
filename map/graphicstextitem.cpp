#include "graphicstextitem.h"

#include "graphicsbox.h"
#include "node.h"
#include "sitemutex.h"

#include <QPainter>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

GraphicsTextItem::GraphicsTextItem(QGraphicsItem* parent)
    : QGraphicsTextItem(parent)
{
    setTextInteractionFlags(Qt::NoTextInteraction);
    setDefaultTextColor(Qt::black);
}

void GraphicsTextItem::setAlignment(int alignment)
{
    m_alignment = alignment;
    setTextWidth(m_clipRect.width());
    if (isEditing())
        return;
    QTextBlockFormat format;
    format.setAlignment(Qt::Alignment(alignment));
    QTextCursor cursor = textCursor();
    cursor.select(QTextCursor::Document);
    cursor.mergeBlockFormat(format);
    cursor.clearSelection();
    setTextCursor(cursor);
}

void GraphicsTextItem::applyAlignment()
{
    setAlignment(m_alignment);
}

void GraphicsTextItem::clearCursorSelection()
{
    QTextCursor cursor = textCursor();
    cursor.clearSelection();
    setTextCursor(cursor);
}

void GraphicsTextItem::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    setFlag(ItemIsSelectable, true);
    if (textInteractionFlags() == Qt::NoTextInteraction)
        setTextInteractionFlags(Qt::TextEditorInteraction);
    setSelected(true);
    QGraphicsTextItem::mouseDoubleClickEvent(event);
}

void GraphicsTextItem::focusOutEvent(QFocusEvent* event)
{
    setFlag(ItemIsSelectable, false);
    setTextInteractionFlags(Qt::NoTextInteraction);

    if (auto* box = dynamic_cast<GraphicsBox*>(parentItem())) {
        const QString text = toPlainText();
        box->setCaption(text);
        // Only a text box is named by its caption in the tree; a gateway's
        // label is its address and an image box's its name.
        if (box->kind() == GraphicsBox::TextBox && box->node()) {
            SiteLocker lock;
            box->node()->setData(0, text);
        }
    }
    emit lostFocus(this);

    applyAlignment();
    clearCursorSelection();
    QGraphicsTextItem::focusOutEvent(event);
}

QVariant GraphicsTextItem::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemSelectedHasChanged)
        emit selectedChange(this);
    return QGraphicsTextItem::itemChange(change, value);
}

void GraphicsTextItem::paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget)
{
    painter->setClipping(true);
    painter->setClipRect(m_clipRect, Qt::ReplaceClip);
    QGraphicsTextItem::paint(painter, option, widget);
}
