#pragma once

#include <QGraphicsTextItem>

// The caption of a box: edited in place after a double click, keeps its
// alignment, and is painted only inside the box's inner rectangle. When
// editing ends the text goes back into the box and the box's node.
class GraphicsTextItem : public QGraphicsTextItem
{
    Q_OBJECT
public:
    enum { Type = 10000 };

    explicit GraphicsTextItem(QGraphicsItem* parent = nullptr);

    int type() const override { return Type; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    void setClipRect(const QRectF& rect) { m_clipRect = rect; }
    QRectF clipRect() const { return m_clipRect; }

    int alignment() const { return m_alignment; }
    // Takes effect at once, or when editing ends if the text is being edited.
    void setAlignment(int alignment);
    void applyAlignment();
    bool isEditing() const { return textInteractionFlags() != Qt::NoTextInteraction; }

signals:
    void lostFocus(GraphicsTextItem* item);
    void selectedChange(QGraphicsItem* item);

protected:
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    void clearCursorSelection();

    QRectF m_clipRect;
    int m_alignment = Qt::AlignLeft;
};
