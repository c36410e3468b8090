#pragma once

#include "abstractgraphicselement.h"
#include "itemxml.h"

class Node;

// The map marker of a TW sector: a disc in the colour of the sector's sensor
// state class that blinks unless the sector is ready and shows blue while its
// node is disabled. Dropped onto a fence line it becomes the line's child item
// and rides along its segment when the line's points move. Its node (node
// type 17) holds the sector's actions as children.
class GraphicsCircle : public AbstractGraphicsElement
{
public:
    enum { Type = GraphicsHelperClass::CircleItemType };
    // The element kind of a circle placed on the map and of one read from a project file.
    enum Kind { FileKind = 16, PlacedKind = 17 };

    static constexpr qreal Size = 40;
    static constexpr int HandleCount = 4;
    // The disc is inset this far from the handle frame's top-left corner.
    static constexpr qreal DiscInset = 3;
    // A drop attaches the circle to the nearest segment that its test point
    // (its position, SegmentTestOffsetX to the right) lies closer to than
    // this, in map units, whatever the segment's length.
    static constexpr qreal SegmentReach = 35;
    static constexpr int SegmentTestOffsetX = 10;
    static constexpr qreal ReadZValue = 15;
    // Above the map's picture (GraphicsBox::PictureZValue) from the start.
    static constexpr qreal PlacedZValue = 1;

    explicit GraphicsCircle(int kind);

    int type() const override { return Type; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;
    void adjustSize(int dx, int dy) override;

    void setStatus(int state);
    int state() const { return m_state; }
    int segmentIndex() const { return m_segmentIndex; }
    float fraction() const { return m_fraction; }
    QRectF discRect() const;
    // The colour the disc is drawn in: its state class's, blue while disabled.
    QColor discColor() const;

    // The circle's "Item" element of the project file, and its reading under
    // the TW system `parent`. The actions are bound as `binding` says: at
    // once against the circle's own map, or by bindActions.
    QDomElement toXml(QDomDocument& document);
    void readXml(const QDomElement& element, Node* parent,
                 ItemXml::ActionBinding binding = ItemXml::ActionBinding::Now);
    // Hangs the actions `element` names under the circle's node, in the file's order.
    void bindActions(const QDomElement& element, Node* parent, const ItemXml::ReferenceIndex& index);
    // The file names a sensor by its number alone, which a reading looks up
    // in the TW system of the circle's map. Come onto another map, the
    // circle follows what a reopen would give it: each sensor of another
    // system goes back under its own, and in its place the circle follows
    // the sensor of that number of the system it now hangs under, where
    // that one is free (in no sector). Returns the numbers of the sensors
    // it no longer follows.
    QList<int> followSystemSensors();
    // The twin of the TW system whose sensor `twin` is the element-tree twin
    // of; null when there is none. Under the site lock.
    static Node* systemTwinOf(const Node* twin);

    // The release ends a drag; then the circle attaches itself to the first
    // fence line it overlaps, or leaves its line. Called without an event
    // after a circle is read from a project file.
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;

protected:
    // The disc draws by its sensor state and its node's enabled flag.
    AlarmLook alarmLook() const override;

private:
    void attachToLineBeneath();
    void attachToSegment(const QList<QPointF>& points);
    Node* readActionTarget(int type, const QString& reference, Node* parent,
                           const ItemXml::ReferenceIndex& index) const;
    // The element-tree twin of sensor `number` (counted from 1) of the TW
    // system whose twin is `systemTwin`; null where there is none. Under the site lock.
    static Node* sensorTwin(const Node* systemTwin, int number);

    int m_segmentIndex = -1;
    float m_fraction = -1.0f;
    int m_state = 0;
};
