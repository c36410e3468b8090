#include "abstractgraphicselement.h"

#include "cornergrabber.h"
#include "graphicsscene.h"

#include <QGraphicsSceneMouseEvent>

#include <cmath>

namespace {

struct HandleSigns {
    int x;
    int y;
};

// How dragging each handle changes the size: +1 grows toward smaller
// coordinates (left or top edge), -1 toward larger ones, 0 not at all.
HandleSigns handleSigns(int corner)
{
    static const HandleSigns signs[8] = {
        {+1, +1}, {-1, +1}, {-1, -1}, {+1, -1}, {0, -1}, {0, +1}, {+1, 0}, {-1, 0},
    };
    if (corner < 0 || corner > 7)
        return {0, 0};
    return signs[corner];
}

qreal truncated(qreal value)
{
    return std::trunc(value);
}

} // namespace

AbstractGraphicsElement::AbstractGraphicsElement(ElementKind kind)
    : m_kind(kind)
{
    m_item = this;
    m_pen.setWidth(1);
    m_pen.setColor(m_penColor);
    setFlags(ItemIsSelectable | ItemIsMovable | ItemSendsGeometryChanges);
}

AbstractGraphicsElement::~AbstractGraphicsElement()
{
    // The handles are child items held by shared pointers: take them off
    // while this item is still whole, so they are freed exactly once.
    releaseHandles();
}

QRectF AbstractGraphicsElement::boundingRect() const
{
    return QRectF(0, 0, m_width, m_height);
}

void AbstractGraphicsElement::setWidth(qreal w)
{
    prepareGeometryChange();
    m_width = w;
    adjustSize(0, 0);
    noteGeometryChanged();
}

void AbstractGraphicsElement::setHeight(qreal h)
{
    prepareGeometryChange();
    m_height = h;
    adjustSize(0, 0);
    noteGeometryChanged();
}

void AbstractGraphicsElement::setElementPos(const QPointF& pos)
{
    m_elementPos = pos;
    setPos(pos);
}

void AbstractGraphicsElement::setElementPos(qreal x, qreal y)
{
    setElementPos(QPointF(truncated(x), truncated(y)));
}

void AbstractGraphicsElement::setBackgroundColor(const QColor& color)
{
    m_backgroundColor = color;
    update();
}

void AbstractGraphicsElement::setSelection(bool selected)
{
    if (selected)
        createHandles();
    else
        removeHandles();
    QGraphicsItem::setSelected(selected);
}

void AbstractGraphicsElement::createHandles()
{
    m_penColor = m_color;
    for (int i = 0; i < m_handles.size(); ++i) {
        if (m_handles[i])
            continue;
        m_handles[i] = QSharedPointer<CornerGrabber>::create(this, i);
        m_handles[i]->installSceneEventFilter(this);
    }
    if (m_handles.size() > 3)
        placeHandles();
    noteHandlesShown();
}

void AbstractGraphicsElement::placeHandles()
{
    if (m_handles.size() < 4)
        return;
    for (int i = 0; i < 4; ++i) {
        if (!m_handles[i])
            return;
    }
    const qreal midX = (m_frameLeft + m_frameRight) / 2;
    const qreal midY = (m_frameTop + m_frameBottom) / 2;
    const QPointF places[8] = {
        {m_frameLeft, m_frameTop},  {m_frameRight, m_frameTop}, {m_frameRight, m_frameBottom},
        {m_frameLeft, m_frameBottom}, {midX, m_frameBottom},    {midX, m_frameTop},
        {m_frameLeft, midY},        {m_frameRight, midY},
    };
    const int count = m_handles.size() > 4 ? qMin(m_handles.size(), 8) : 4;
    for (int i = 0; i < count; ++i) {
        if (m_handles[i])
            m_handles[i]->setPos(places[i]);
    }
}

void AbstractGraphicsElement::removeHandles()
{
    releaseHandles();
}

bool AbstractGraphicsElement::sceneEventFilter(QGraphicsItem* watched, QEvent* event)
{
    auto* handle = dynamic_cast<CornerGrabber*>(watched);
    if (!handle || !event)
        return false;
    auto* mouse = dynamic_cast<QGraphicsSceneMouseEvent*>(event);
    if (!mouse)
        return false;

    if (!handle->followMouse(event, this, mouse->pos()))
        return false;
    if (handle->mouseState() != CornerGrabber::Moving)
        return true;

    const HandleSigns signs = handleSigns(handle->corner());
    const QPointF drag = handle->dragPos();
    const QPointF p = mouse->pos();
    const qreal ex = truncated(drag.x() - p.x());
    const qreal ey = truncated(drag.y() - p.y());
    qreal newWidth = truncated(m_width + signs.x * ex);
    if (newWidth < MinimumSize)
        newWidth = MinimumSize;
    qreal newHeight = truncated(m_height + signs.y * ey);
    if (newHeight < MinimumSize)
        newHeight = MinimumSize;
    const int dw = int(truncated(newWidth - m_width));
    const int dh = int(truncated(newHeight - m_height));

    prepareGeometryChange();
    adjustSize(dw, dh);
    noteGeometryChanged();

    // The side opposite the dragged handle stays where it is.
    QPointF shift;
    switch (handle->corner()) {
    case 0: shift = QPointF(-dw, -dh); break;
    case 1:
    case 5: shift = QPointF(0, -dh); break;
    case 3:
    case 6: shift = QPointF(-dw, 0); break;
    default: break;
    }
    if (!shift.isNull())
        setElementPos(pos().x() + shift.x(), pos().y() + shift.y());

    if (m_handles.size() > 3)
        placeHandles();
    update(QRectF());
    return true;
}

void AbstractGraphicsElement::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsItem::mousePressEvent(event);
    event->accept();
    m_pressPos = event->pos();
    // Qt moves every selected item together; an element moved along with
    // another one must start its own drag from where it really is.
    m_elementPos = pos();
}

void AbstractGraphicsElement::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsItem::mouseMoveEvent(event);
    // The base handler has moved the element by the drag so far. Take the
    // place from it rather than from the event's item position, which Qt maps
    // with a scene transform that lags behind a move not yet repainted.
    setElementPos(pos());
}

void AbstractGraphicsElement::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsItem::mouseReleaseEvent(event);
    event->accept();
    setFlag(ItemIsSelectable, true);
    selectAfterDelivery();
}

QVariant AbstractGraphicsElement::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemPositionChange) {
        if (auto* graphicsScene = qobject_cast<GraphicsScene*>(scene()))
            graphicsScene->recordItemMove(this);
    }
    if (change == ItemSceneHasChanged) {
        GraphicsScene::noteElementMove();
        if (auto* graphicsScene = qobject_cast<GraphicsScene*>(scene()))
            graphicsScene->noteElement(this);
    }
    return QGraphicsItem::itemChange(change, value);
}
