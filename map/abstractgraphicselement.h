#pragma once

#include "graphicshelperclass.h"

#include <QGraphicsItem>

// The base of the rectangular map elements (boxes and TW sector circles):
// width and height from the origin, a stored element position, dragging,
// selection with square handles and resizing by a handle down to 40 x 40.
class AbstractGraphicsElement : public QGraphicsItem, public GraphicsHelperClass
{
public:
    using ElementKind = int;

    static constexpr qreal MinimumSize = 40;
    static constexpr qreal DefaultWidth = 200;
    static constexpr qreal DefaultHeight = 80;
    static constexpr int HandleInset = 20;

    explicit AbstractGraphicsElement(ElementKind kind);
    ~AbstractGraphicsElement() override;

    QRectF boundingRect() const override;

    ElementKind kind() const { return m_kind; }
    qreal width() const { return m_width; }
    qreal height() const { return m_height; }
    void setWidth(qreal w);
    void setHeight(qreal h);

    QPointF elementPos() const { return m_elementPos; }
    virtual void setElementPos(const QPointF& pos);
    virtual void setElementPos(qreal x, qreal y);
    // Grows the size by (dx, dy), brings the handle frame in line and repaints.
    virtual void adjustSize(int dx, int dy) = 0;

    // Shows the handles and selects the element, or removes them and unselects it.
    void setSelection(bool selected);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);

    qreal frameLeft() const { return m_frameLeft; }
    qreal frameTop() const { return m_frameTop; }
    qreal frameRight() const { return m_frameRight; }
    qreal frameBottom() const { return m_frameBottom; }

protected:
    bool sceneEventFilter(QGraphicsItem* watched, QEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

    void createHandles();
    void placeHandles();
    void removeHandles();

    ElementKind m_kind;
    QPointF m_elementPos;
    QPointF m_pressPos;
    int m_handleInsetX = HandleInset;
    int m_handleInsetY = HandleInset;
    qreal m_width = DefaultWidth;
    qreal m_height = DefaultHeight;
    qreal m_frameRight = DefaultWidth - HandleInset;
    qreal m_frameBottom = DefaultHeight - HandleInset;
    qreal m_frameLeft = HandleInset;
    qreal m_frameTop = HandleInset;
    QColor m_backgroundColor = Qt::white;
};
