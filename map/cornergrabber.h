#pragma once

#include <QColor>
#include <QGraphicsItem>
#include <QPen>
#include <QPointF>

class GraphicsHelperClass;

// The square handle a selected map element shows at each corner, edge middle
// or line point. It only paints itself and shows the resize cursor; its owner
// watches it through a scene event filter and does the dragging there.
class CornerGrabber : public QGraphicsItem
{
public:
    enum MouseState { Released = 0, Pressed = 1, Moving = 2 };

    static constexpr qreal Size = 6;

    CornerGrabber(QGraphicsItem* parent, int corner);
    ~CornerGrabber() override;

    QRectF boundingRect() const override;
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    void setMouseState(int state) { m_mouseState = state; }
    int mouseState() const { return m_mouseState; }
    int corner() const { return m_corner; }

    // Scene position where the current press on the handle began; set by the owner.
    QPointF dragPos() const { return m_dragPos; }
    void setDragPos(const QPointF& pos) { m_dragPos = pos; }

    QColor color() const { return m_color; }

    // Follows a mouse event that the owner filtered from this handle: the
    // mouse state and, at a press, the place where it began (`dragPos`, as
    // the owner measures it) and the scene's record of the owner's move.
    // False for any event other than a press, move or release, and for
    // every event while the owner is out of design mode, where no element
    // is edited: the event then goes on to what lies under the handle.
    bool followMouse(QEvent* event, GraphicsHelperClass* owner, const QPointF& dragPos);

    // The resize cursor shown over a handle of this index; false when the index has none.
    static bool cursorForCorner(int corner, Qt::CursorShape* shape);

protected:
    void hoverEnterEvent(QGraphicsSceneHoverEvent* event) override;
    void hoverLeaveEvent(QGraphicsSceneHoverEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

private:
    void releaseCursor();

    QPointF m_dragPos;
    QColor m_color = Qt::black;
    QPen m_pen;
    qreal m_width = Size;
    qreal m_height = Size;
    int m_corner = 0;
    int m_mouseState = Released;
    // The application cursor stack is shared: pop only what this handle pushed.
    bool m_cursorPushed = false;
};
