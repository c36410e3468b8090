#include "cornergrabber.h"

#include "graphicshelperclass.h"
#include "graphicsscene.h"

#include <QGraphicsSceneMouseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QPainter>

CornerGrabber::CornerGrabber(QGraphicsItem* parent, int corner)
    : QGraphicsItem(parent)
    , m_corner(corner)
{
    m_pen.setWidth(2);
    m_pen.setColor(m_color);
    setAcceptHoverEvents(true);
    GraphicsScene::noteHandleChange(this);
}

CornerGrabber::~CornerGrabber()
{
    // A handle removed while the mouse is over it must not leave its cursor behind.
    releaseCursor();
    GraphicsScene::noteHandleChange(this);
}

QRectF CornerGrabber::boundingRect() const
{
    return QRectF(0, 0, m_width, m_height);
}

void CornerGrabber::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    m_pen.setCapStyle(Qt::SquareCap);
    m_pen.setStyle(Qt::SolidLine);
    painter->setPen(m_pen);
    painter->fillRect(boundingRect(), QBrush(m_color, Qt::SolidPattern));
}

bool CornerGrabber::cursorForCorner(int corner, Qt::CursorShape* shape)
{
    switch (corner) {
    case 0:
    case 2:
        *shape = Qt::SizeFDiagCursor;
        return true;
    case 1:
    case 3:
        *shape = Qt::SizeBDiagCursor;
        return true;
    case 4:
    case 5:
        *shape = Qt::SizeVerCursor;
        return true;
    case 6:
    case 7:
        *shape = Qt::SizeHorCursor;
        return true;
    default:
        return false;
    }
}

void CornerGrabber::hoverEnterEvent(QGraphicsSceneHoverEvent*)
{
    m_color = Qt::red;
    Qt::CursorShape shape;
    if (!m_cursorPushed && cursorForCorner(m_corner, &shape)) {
        QGuiApplication::setOverrideCursor(QCursor(shape));
        m_cursorPushed = true;
    }
    update(boundingRect());
}

void CornerGrabber::hoverLeaveEvent(QGraphicsSceneHoverEvent*)
{
    m_color = Qt::black;
    releaseCursor();
    update(boundingRect());
}

void CornerGrabber::releaseCursor()
{
    if (!m_cursorPushed)
        return;
    m_cursorPushed = false;
    if (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void CornerGrabber::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    event->setAccepted(false);
}

void CornerGrabber::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    event->setAccepted(false);
}

void CornerGrabber::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    event->setAccepted(true);
}

bool CornerGrabber::followMouse(QEvent* event, GraphicsHelperClass* owner, const QPointF& dragPos)
{
    if (!owner->designMode()) {
        m_mouseState = Released;
        return false;
    }
    switch (event->type()) {
    case QEvent::GraphicsSceneMousePress:
        m_mouseState = Pressed;
        m_dragPos = dragPos;
        if (auto* graphicsScene = qobject_cast<GraphicsScene*>(owner->item()->scene()))
            graphicsScene->recordItemMove(owner->item());
        return true;
    case QEvent::GraphicsSceneMouseRelease:
        m_mouseState = Released;
        return true;
    case QEvent::GraphicsSceneMouseMove:
        m_mouseState = Moving;
        return true;
    default:
        return false;
    }
}
