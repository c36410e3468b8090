#include "graphicscircle.h"
#include "maplogging.h"

#include "graphicsline.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QDomDocument>
#include <QPainter>
#include <QtGlobal>

#include <cmath>

GraphicsCircle::GraphicsCircle(int kind)
    : AbstractGraphicsElement(kind)
{
    m_frameLeft = 0;
    m_frameTop = 0;
    m_item = this;
    {
        SiteLocker lock;
        m_node = new Node(objectName(), nullptr);
        m_node->mapItem = this;
        m_node->columns = {objectName()};
        m_node->type = Node::TWSector;
    }
    setStatus(SensorState::Inactive);
    m_blinkPhase = true;
    m_handles.resize(HandleCount);
    setZValue(PlacedZValue);
    setWidth(Size);
    setHeight(Size);
    adjustSize(0, 0);
    setAcceptHoverEvents(true);
    GraphicsHelperClass::setDesignMode(false);
}

void GraphicsCircle::adjustSize(int dx, int dy)
{
    prepareGeometryChange();
    m_width += dx;
    m_height += dy;
    m_frameRight = m_width - m_handleInsetX;
    m_frameBottom = m_height - m_handleInsetY;
    update();
}

QRectF GraphicsCircle::discRect() const
{
    return QRectF(m_frameLeft + DiscInset, m_frameTop + DiscInset, m_frameRight - m_frameLeft,
                  m_frameBottom - m_frameTop);
}

void GraphicsCircle::setStatus(int state)
{
    m_state = state;
    {
        SiteLocker lock;
        m_node->setData(1, state);
        if (m_node->deviceNode && Node::isAlive(m_node->deviceNode))
            m_node->deviceNode->setData(1, state);
    }
    // A ready sector shows steadily; every other state blinks.
    if (state == SensorState::Ready)
        m_blinkPhase = true;
    else
        m_blinkPhase = !m_blinkPhase;
    repaintOnLookChange();
}

GraphicsHelperClass::AlarmLook GraphicsCircle::alarmLook() const
{
    return {m_blinkPhase, m_state, discColor()};
}

QColor GraphicsCircle::discColor() const
{
    if (m_node && !m_node->enabled)
        return Qt::blue;
    return sensorStateInfo(m_state).color;
}

void GraphicsCircle::paint(QPainter* painter, const QStyleOptionGraphicsItem*, QWidget*)
{
    if (!m_blinkPhase)
        return;
    painter->setBrush(QBrush(discColor(), Qt::SolidPattern));
    painter->drawEllipse(discRect());
    painter->setBrush(Qt::NoBrush);
}

void GraphicsCircle::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    if (event)
        AbstractGraphicsElement::mouseReleaseEvent(event);
    // Taken onto a line or off it once the release has been delivered.
    afterDelivery([this] { attachToLineBeneath(); });
}

void GraphicsCircle::attachToLineBeneath()
{
    GraphicsLine* line = nullptr;
    for (QGraphicsItem* item : collidingItems(Qt::IntersectsItemShape)) {
        if (item->type() == GraphicsLine::Type) {
            line = static_cast<GraphicsLine*>(item);
            break;
        }
    }
    m_segmentIndex = 0;
    m_fraction = 0;
    // The circle stays where it was let go: a line that has been dragged
    // counts its own coordinates from its new place.
    const QPointF onMap = scenePos();
    setParentItem(line);
    setElementPos(line ? line->mapFromScene(onMap) : onMap);
    if (line)
        attachToSegment(line->points());
}

// The fraction is where the line would set the circle (its position plus
// GraphicsLine::CircleOffset) along the segment: moved points then bring
// the circle back to where it stands, however long the segment.
void GraphicsCircle::attachToSegment(const QList<QPointF>& points)
{
    const QPointF probe = pos() + QPointF(SegmentTestOffsetX, 0);
    const QPointF anchor = pos() + GraphicsLine::CircleOffset;
    qreal nearest = SegmentReach;
    for (int i = 0; i + 1 < points.size(); ++i) {
        const QPointF p1 = points.at(i);
        const QPointF along = points.at(i + 1) - p1;
        const qreal squared = QPointF::dotProduct(along, along);
        // A segment of no length has no fraction: the circle sits at its end.
        const auto fractionOf = [&](const QPointF& p) {
            return squared > 0 ? qBound(0.0, QPointF::dotProduct(p - p1, along) / squared, 1.0) : 0.0;
        };
        const qreal distance = QLineF(probe, p1 + fractionOf(probe) * along).length();
        // On a tie the later segment wins.
        if (distance >= SegmentReach || distance > nearest)
            continue;
        nearest = distance;
        m_segmentIndex = i;
        m_fraction = float(fractionOf(anchor));
    }
}

QDomElement GraphicsCircle::toXml(QDomDocument& document)
{
    QDomElement item = document.createElement(QStringLiteral("Item"));
    SiteLocker lock;
    item.setAttribute(QStringLiteral("itemType"), QStringLiteral("TWSector"));
    ItemXml::setTextAttribute(item, QStringLiteral("name"), m_node->data(0).toString());
    // Where the map shows it, also on a line that has been dragged: a file
    // read places the circle on the map before taking it onto its line.
    const QPointF onMap = scenePos();
    item.setAttribute(QStringLiteral("x"), int(std::trunc(onMap.x())));
    item.setAttribute(QStringLiteral("y"), int(std::trunc(onMap.y())));
    item.setAttribute(QStringLiteral("width"), double(m_width));
    item.setAttribute(QStringLiteral("height"), double(m_height));
    for (Node* child : qAsConst(m_node->children)) {
        QDomElement action = document.createElement(QStringLiteral("Action"));
        action.setAttribute(QStringLiteral("actRefObjType"), child->type);
        switch (child->type) {
        case Node::SoundAlarm:
            ItemXml::setTextAttribute(action, QStringLiteral("actRefObj"), child->data(2).toString());
            break;
        case Node::TextLabel:
        case Node::FenceLine:
            // A line is named like a text box, so that it can be found again on reading.
            ItemXml::setTextAttribute(action, QStringLiteral("actRefObj"), child->data(1).toString());
            break;
        case Node::TWSensor:
            if (child->deviceNode && Node::isAlive(child->deviceNode))
                action.setAttribute(QStringLiteral("actRefObj"), child->deviceNode->number());
            break;
        default:
            break;
        }
        action.setAttribute(QStringLiteral("StateEnable"), child->enabled ? 1 : 0);
        item.appendChild(action);
    }
    return item;
}

void GraphicsCircle::readXml(const QDomElement& element, Node* parent, ItemXml::ActionBinding binding)
{
    if (parent)
        ItemXml::placeNode(m_node, parent, -1);

    ItemXml::readName(element, this);
    setElementPos(ItemXml::positionAttribute(element, QStringLiteral("x")),
                  ItemXml::positionAttribute(element, QStringLiteral("y")));
    setWidth(ItemXml::sizeAttribute(element, QStringLiteral("width"), Size));
    setHeight(ItemXml::sizeAttribute(element, QStringLiteral("height"), Size));
    setZValue(ReadZValue);
    if (binding == ItemXml::ActionBinding::Now)
        bindActions(element, parent, ItemXml::ReferenceIndex({qobject_cast<GraphicsScene*>(scene())}));
}

void GraphicsCircle::bindActions(const QDomElement& element, Node* parent, const ItemXml::ReferenceIndex& index)
{
    const QString name = objectName();
    // In the file's order, so that a project read and saved again is the same.
    int row = 0;
    for (const QDomElement& action : ItemXml::childElements(element)) {
        const int type = ItemXml::intAttribute(action, QStringLiteral("actRefObjType"));
        const QString reference = action.attribute(QStringLiteral("actRefObj"));
        Node* target = readActionTarget(type, reference, parent, index);
        if (!target)
            continue;
        ItemXml::setActionEnabled(target, ItemXml::flagAttribute(action, QStringLiteral("StateEnable"),
                                                                 QStringLiteral("1")));
        if (ItemXml::placeNode(target, m_node, row)) {
            ++row;
        } else {
            qCWarning(lcMap, "TW sector %s: action \"%s\" cannot hang under it, skipped", qUtf8Printable(name),
                     qUtf8Printable(reference));
            if (!target->parent())
                delete target;
        }
    }
}

// Null, with a diagnostic line, when the action names nothing that can hang under the circle.
Node* GraphicsCircle::readActionTarget(int type, const QString& reference, Node* parent,
                                       const ItemXml::ReferenceIndex& index) const
{
    Node* target = nullptr;
    bool ambiguous = false;
    switch (type) {
    case Node::SoundAlarm: {
        auto* graphicsScene = qobject_cast<GraphicsScene*>(scene());
        target = ItemXml::soundAlarmCopy(graphicsScene ? graphicsScene->soundAlarmList() : nullptr, reference);
        break;
    }
    case Node::TWSensor: {
        bool ok = false;
        const int number = reference.toInt(&ok);
        // Sensors count from 1; checked before the row is worked out so that
        // no number in the file can overflow it.
        if (!ok || number < 1 || !parent)
            break;
        SiteLocker lock;
        Node* twin = sensorTwin(parent, number);
        if (twin && !twin->isAncestorOf(m_node))
            target = twin;
        break;
    }
    default: {
        const auto found = index.bind(qobject_cast<GraphicsScene*>(scene()), reference,
                                      ItemXml::actionTarget(type, m_node),
                                      QStringLiteral("TW sector %1: an action").arg(objectName()));
        target = found.node;
        ambiguous = found.count > 1;
        break;
    }
    }
    if (!target && !ambiguous)
        qCWarning(lcMap, "TW sector %s: action of type %d \"%s\" not found, skipped", qUtf8Printable(objectName()),
                 type, qUtf8Printable(reference));
    return target;
}

Node* GraphicsCircle::sensorTwin(const Node* systemTwin, int number)
{
    Node* system = systemTwin ? systemTwin->deviceNode : nullptr;
    Node* sensor = (system && Node::isAlive(system) && number >= 1) ? system->child(number - 1) : nullptr;
    Node* twin = sensor ? sensor->deviceNode : nullptr;
    return twin && Node::isAlive(twin) && twin->type == Node::TWSensor ? twin : nullptr;
}

Node* GraphicsCircle::systemTwinOf(const Node* twin)
{
    Node* sensor = twin->deviceNode && Node::isAlive(twin->deviceNode) ? twin->deviceNode : nullptr;
    Node* system = sensor ? sensor->parent() : nullptr;
    return system && system->deviceNode && Node::isAlive(system->deviceNode) ? system->deviceNode : nullptr;
}

QList<int> GraphicsCircle::followSystemSensors()
{
    auto* map = qobject_cast<GraphicsScene*>(scene());
    TreeModel* model = map ? map->elementModel() : nullptr;
    Node* systemTwin = m_node->parent();
    QList<int> lost;
    SiteLocker lock;
    for (Node* followed : QList<Node*>(m_node->children)) {
        if (followed->type != Node::TWSensor)
            continue;
        Node* home = systemTwinOf(followed);
        if (home == systemTwin)
            continue;
        const int row = int(m_node->children.indexOf(followed));
        if (!home) {
            // Its system is gone: it aimed at nothing, and the file names nothing for it.
            if (model)
                model->takeNode(followed);
            followed->setParent(nullptr);
            delete followed;
            continue;
        }
        // Back where a sensor in no sector hangs.
        ItemXml::placeNode(followed, home, 0);
        // Free: in no sector, as a system's sensors are until one is put into one.
        const int number = followed->deviceNode->number();
        Node* twin = sensorTwin(systemTwin, number);
        if (!twin || twin->parent() != systemTwin || !ItemXml::placeNode(twin, m_node, row))
            lost.append(number);
    }
    return lost;
}
