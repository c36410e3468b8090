#include "graphicsline.h"

#include "apppaths.h"
#include "colortext.h"
#include "cornergrabber.h"
#include "graphicscircle.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "node.h"
#include "settingsfile.h"
#include "sitemutex.h"

#include <QDomDocument>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>

#include <cmath>

const QString GraphicsLine::LineWidthKey = QStringLiteral("LineWidth");
const QString GraphicsLine::IconResource = QStringLiteral(":/icons/lightning.png");
const QPointF GraphicsLine::IconOffset(5, 2);
const QPointF GraphicsLine::CircleOffset(5, 11);

GraphicsLine::GraphicsLine()
{
    m_item = this;
    // Above the map's picture from the start, not only once selected.
    setZValue(RestingZValue);

    m_icon.setPixmap(QPixmap(IconResource));
    m_icon.setZValue(IconZValue);
    m_icon.setFlag(ItemIsMovable, false);
    m_icon.setFlag(ItemIsSelectable, false);
    m_icon.setParentItem(this);

    {
        SiteLocker lock;
        m_node = new Node(objectName(), nullptr);
        m_node->mapItem = this;
        m_node->columns = {objectName(), QString()};
        m_node->type = Node::FenceLine;
    }

    setStatus(0, m_color);
    m_blinkPhase = true;
    setFlag(ItemIsSelectable);
    setFlag(ItemSendsGeometryChanges);
    m_pen.setWidth(configuredLineWidth());
    setAcceptHoverEvents(true);
    GraphicsHelperClass::setDesignMode(false);
}

GraphicsLine::~GraphicsLine()
{
    // The handles and the icon are child items owned here, not by the item
    // tree: take them off while the line is still whole.
    releaseHandles();
    m_icon.setParentItem(nullptr);
}

int GraphicsLine::configuredLineWidth()
{
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return SettingsFile::intValue(settings, LineWidthKey, DefaultLineWidth, 0, MaxLineWidth);
}

void GraphicsLine::setLineWidth(int width)
{
    m_pen.setWidth(qMax(0, width));
    update();
}

QColor GraphicsLine::colourOnMap(const QColor& colour) const
{
    return qobject_cast<GraphicsScene*>(scene()) ? colour : QColor(Qt::black);
}

void GraphicsLine::setStatus(int status, const QColor& colour)
{
    m_color = colourOnMap(colour);
    setAlarm(status);
}

void GraphicsLine::showSteadily(int status, const QColor& colour)
{
    m_color = colourOnMap(colour);
    m_alarmStatus = status;
    setBlinkPhase(true);
}

void GraphicsLine::setSelection(bool selected)
{
    if (selected) {
        createHandles();
        setZValue(SelectedZValue);
    } else {
        releaseHandles();
        setZValue(RestingZValue);
    }
    QGraphicsItem::setSelected(selected);
}

void GraphicsLine::createHandles()
{
    for (int i = 0; i < m_points.size(); ++i) {
        if (m_handles.size() < i + 1)
            m_handles.append(QSharedPointer<CornerGrabber>());
        if (!m_handles[i]) {
            m_handles[i] = QSharedPointer<CornerGrabber>::create(this, i);
            m_handles[i]->installSceneEventFilter(this);
        }
    }
    moveHandlesToPoints();
    noteHandlesShown();
}

QPointF GraphicsLine::handleCentreOffset() const
{
    const QRectF rect = m_handles.at(0)->boundingRect();
    return QPointF(std::trunc(rect.width() / 2), std::trunc(rect.height() / 2));
}

void GraphicsLine::moveHandlesToPoints()
{
    if (m_handles.size() < 2 || !m_handles.at(0) || !m_handles.at(1))
        return;
    const QPointF offset = handleCentreOffset();
    const int count = qMin(m_handles.size(), m_points.size());
    for (int i = 0; i < count; ++i) {
        if (m_handles.at(i))
            m_handles.at(i)->setPos(m_points.at(i) - offset);
    }
}

void GraphicsLine::setElementPos(const QPointF& pos)
{
    m_elementPos = pos;
    setPos(pos);
}

void GraphicsLine::setElementPos(qreal x, qreal y)
{
    setElementPos(QPointF(std::trunc(x), std::trunc(y)));
}

void GraphicsLine::appendPoint(const QPointF& point)
{
    m_points.append(point);
    if (m_handles.size() < m_points.size())
        m_handles.append(QSharedPointer<CornerGrabber>());
    updateShape();
}

void GraphicsLine::setLastPoint(const QPointF& pos)
{
    if (m_points.isEmpty())
        return;
    m_points.last() = pos;
    updateShape();
    moveHandlesToPoints();
}

void GraphicsLine::setPoints(const QList<QPointF>& points)
{
    m_points = points;
    while (m_handles.size() < m_points.size())
        m_handles.append(QSharedPointer<CornerGrabber>());
    updateShape();
    moveHandlesToPoints();
    moveAttachedCircles();
}

void GraphicsLine::updateShape()
{
    m_hitPolygon.clear();
    const qreal mx = m_shapeMarginX;
    const qreal my = m_shapeMarginY;
    // Out along the points through the upper-left corners of each point's
    // square, back through the lower-right ones: with the odd-even fill the
    // band between the two passes and the squares pick the line.
    for (const QPointF& p : qAsConst(m_points)) {
        const QPointF a(p.x() - mx, p.y() - my);
        const QPointF b(p.x() + mx, p.y() - my);
        const QPointF c(p.x() + mx, p.y() + my);
        const QPointF d(p.x() - mx, p.y() + my);
        m_hitPolygon << a << b << c << d << a << b << a;
    }
    for (int i = m_points.size() - 1; i >= 0; --i)
        m_hitPolygon << QPointF(m_points.at(i).x() + mx, m_points.at(i).y() + my);
    if (!m_points.isEmpty()) {
        m_hitPolygon << QPointF(m_points.first().x() + mx, m_points.first().y() + my);
        m_icon.setPos(m_points.first() + IconOffset);
    }
    setPolygon(m_hitPolygon);
    m_icon.setZValue(zValue() + IconZAbove);
    update(QRectF());
    noteGeometryChanged();
}

void GraphicsLine::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (!m_blinkPhase || m_points.isEmpty())
        return;
    m_pen.setStyle(Qt::SolidLine);
    m_pen.setColor(m_color);
    painter->setPen(m_pen);
    QPainterPath path;
    path.moveTo(m_points.first());
    for (const QPointF& p : qAsConst(m_points))
        path.lineTo(p);
    painter->drawPath(path);
}

bool GraphicsLine::sceneEventFilter(QGraphicsItem* watched, QEvent* event)
{
    // The scene selects the line once the press has been delivered: Qt is
    // still walking these filters and the items under the mouse, which the
    // selection's handles may be among.
    if (event && watched == &m_icon && event->type() == QEvent::GraphicsSceneMousePress)
        emit selected(this);

    auto* handle = dynamic_cast<CornerGrabber*>(watched);
    auto* mouse = dynamic_cast<QGraphicsSceneMouseEvent*>(event);
    if (!handle || !mouse)
        return false;

    if (!handle->followMouse(event, this, mouse->scenePos()))
        return false;
    if (handle->mouseState() == CornerGrabber::Moving) {
        // The scene position, not the event's handle position: Qt maps that
        // with the handle's place before the previous move was applied.
        moveGrabbedPoint(mouse->scenePos(), handle);
        if (QGraphicsScene* itemScene = scene())
            itemScene->update();
    }
    return true;
}

void GraphicsLine::moveGrabbedPoint(const QPointF& scenePos, CornerGrabber* handle)
{
    if (!handle)
        return;
    const QPointF point = mapFromScene(scenePos);
    int grabbed = -1;
    const int count = qMin(m_handles.size(), m_points.size());
    for (int i = 0; i < count; ++i) {
        if (m_handles.at(i).data() == handle) {
            m_points[i] = point;
            grabbed = i;
        }
    }
    updateShape();
    if (grabbed >= 0 && m_handles.at(0))
        handle->setPos(m_points.at(grabbed) - handleCentreOffset());
    moveAttachedCircles();
}

void GraphicsLine::moveAttachedCircles()
{
    for (QGraphicsItem* child : childItems()) {
        if (child->type() != GraphicsCircle::Type)
            continue;
        auto* circle = static_cast<GraphicsCircle*>(child);
        const int j = circle->segmentIndex();
        // A circle whose segment the line no longer has stays where it is.
        if (j < 0 || j + 1 >= m_points.size())
            continue;
        const QPointF p1 = m_points.at(j);
        const QPointF p2 = m_points.at(j + 1);
        const QLineF segment(p1, p2);
        QPointF target = p2;
        if (!qFuzzyCompare(p1.x(), p2.x()) || !qFuzzyCompare(p1.y(), p2.y())) {
            const QLineF unit = segment.unitVector();
            const QPointF direction = unit.p2() - unit.p1();
            target = p1 + direction * segment.length() * qreal(circle->fraction());
        }
        // Rounded: the float fraction may land a hair short of the whole
        // number the circle stood at, which cutting would take a unit off.
        circle->setElementPos(std::round(target.x() - CircleOffset.x()), std::round(target.y() - CircleOffset.y()));
    }
}

void GraphicsLine::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    event->accept();
    m_pressPos = event->pos();
    m_pressScenePos = event->scenePos();
    // Qt may have moved the line along with other selected items: start from where it is.
    m_elementPos = pos();
    m_dragStartPos = m_elementPos;
}

void GraphicsLine::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    // Measured in the scene: the item's own coordinates move with the drag.
    m_elementPos = m_dragStartPos + (event->scenePos() - m_pressScenePos);
    setPos(m_elementPos);
}

void GraphicsLine::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    event->accept();
    setPos(m_elementPos);
    selectAfterDelivery();
}

QVariant GraphicsLine::itemChange(GraphicsItemChange change, const QVariant& value)
{
    if (change == ItemPositionChange) {
        if (auto* graphicsScene = qobject_cast<GraphicsScene*>(scene()))
            graphicsScene->recordItemMove(this);
    }
    if (change == ItemSceneHasChanged) {
        if (auto* graphicsScene = qobject_cast<GraphicsScene*>(scene()))
            graphicsScene->noteElement(this);
    }
    return QGraphicsPolygonItem::itemChange(change, value);
}

QDomElement GraphicsLine::toXml(QDomDocument& document)
{
    QDomElement item = document.createElement(QStringLiteral("Item"));
    item.setAttribute(QStringLiteral("itemType"), QStringLiteral("line"));
    ItemXml::setTextAttribute(item, QStringLiteral("name"), objectName());
    item.setAttribute(QStringLiteral("x"), int(std::trunc(pos().x())));
    item.setAttribute(QStringLiteral("y"), int(std::trunc(pos().y())));
    item.setAttribute(QStringLiteral("borderColor"), colorToText(m_color));
    for (const QPointF& p : qAsConst(m_points)) {
        QDomElement point = document.createElement(QStringLiteral("Point"));
        point.setAttribute(QStringLiteral("x"), int(std::trunc(p.x())));
        point.setAttribute(QStringLiteral("y"), int(std::trunc(p.y())));
        item.appendChild(point);
    }
    return item;
}

void GraphicsLine::readXml(const QDomElement& element)
{
    ItemXml::readName(element, this);
    setElementPos(ItemXml::positionAttribute(element, QStringLiteral("x")),
                  ItemXml::positionAttribute(element, QStringLiteral("y")));
    setZValue(RestingZValue);

    // Only "Point" elements are points: a comment or anything else in a
    // hand-edited file must not bend the fence to the origin.
    QList<QPointF> points;
    for (const QDomElement& child : ItemXml::childElements(element)) {
        if (child.tagName() != QLatin1String("Point"))
            continue;
        points.append(QPointF(ItemXml::positionAttribute(child, QStringLiteral("x")),
                              ItemXml::positionAttribute(child, QStringLiteral("y"))));
    }
    releaseHandles();
    m_handles.clear();
    m_points = points;
    m_handles.resize(m_points.size());
    updateShape();
}

GraphicsLine* GraphicsLine::clone() const
{
    auto* copy = new GraphicsLine;
    copy->m_color = m_color;
    copy->setElementPos(std::trunc(pos().x()) + CloneOffset, std::trunc(pos().y()) + CloneOffset);
    copy->m_points = m_points;
    copy->m_handles.resize(m_points.size());
    copy->updateShape();
    return copy;
}
