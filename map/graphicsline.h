#pragma once

#include "graphicshelperclass.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsPolygonItem>
#include <QList>
#include <QPointF>
#include <QPolygonF>

class CornerGrabber;

// A fence line on the site map: a polyline drawn in its fence sector's status
// colour that blinks while the sector is alarmed, with a lightning icon at its
// first point and, while selected, one handle per point to reshape it. TW
// sector circles dropped onto it become its child items and follow their
// segment when points move. Its node in the element tree has node type 3.
class GraphicsLine : public QGraphicsPolygonItem, public GraphicsHelperClass
{
public:
    enum { Type = GraphicsHelperClass::LineItemType };

    // Half-width of the band around each point in which the line can be picked.
    static constexpr int ShapeMargin = 5;
    static constexpr int DefaultLineWidth = 2;
    // The widest the line width tool offers.
    static constexpr int MaxLineWidth = 20;
    static const QString LineWidthKey;   // "LineWidth" in setting.ini
    static const QString IconResource;   // the lightning icon
    static const QPointF IconOffset;     // from the first point: (5, 2)
    static constexpr qreal IconZValue = 1000;
    // The icon stays this far above the line.
    static constexpr qreal IconZAbove = 2;
    static constexpr qreal RestingZValue = 2;
    static constexpr qreal SelectedZValue = 3;
    // An attached circle's position is this far up and left of its point on the segment.
    static const QPointF CircleOffset;   // (5, 11)
    // Offset of a pasted copy from its original: one grid step, so that the
    // copy can be seen and picked apart from it.
    static constexpr qreal CloneOffset = 25;

    GraphicsLine();
    ~GraphicsLine() override;

    int type() const override { return Type; }
    void paint(QPainter* painter, const QStyleOptionGraphicsItem* option, QWidget* widget) override;

    void setLineWidth(int width);
    int lineWidth() const { return m_pen.width(); }
    void setStatus(int status, const QColor& colour);
    // The status in its colour without blinking, in the on phase.
    void showSteadily(int status, const QColor& colour);
    QColor statusColor() const { return m_color; }
    void setSelection(bool selected);

    QPointF elementPos() const { return m_elementPos; }
    void setElementPos(const QPointF& pos);
    void setElementPos(qreal x, qreal y);

    const QList<QPointF>& points() const { return m_points; }
    // Appends a point with an empty handle slot (the scene, while drawing).
    void appendPoint(const QPointF& point);
    void setLastPoint(const QPointF& pos);
    // Puts a saved list of points back (undo), with the handles and attached circles.
    void setPoints(const QList<QPointF>& points);
    void updateShape();
    QPolygonF hitPolygon() const { return m_hitPolygon; }
    QGraphicsPixmapItem* icon() { return &m_icon; }

    QDomElement toXml(QDomDocument& document);
    void readXml(const QDomElement& element);
    GraphicsLine* clone() const;

    // The "LineWidth" setting: 2 when missing or not a whole number from 0 to MaxLineWidth.
    static int configuredLineWidth();

protected:
    bool sceneEventFilter(QGraphicsItem* watched, QEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    QVariant itemChange(GraphicsItemChange change, const QVariant& value) override;

private:
    // A status colour shows only on a workspace map; elsewhere the line is black.
    QColor colourOnMap(const QColor& colour) const;
    void createHandles();
    void moveHandlesToPoints();
    void moveGrabbedPoint(const QPointF& scenePos, CornerGrabber* handle);
    void moveAttachedCircles();
    QPointF handleCentreOffset() const;

    QGraphicsPixmapItem m_icon;
    QPointF m_elementPos;
    QPointF m_pressPos;
    // Where a drag of the whole line began, in the scene, and where the line stood then.
    QPointF m_pressScenePos;
    QPointF m_dragStartPos;
    int m_shapeMarginX = ShapeMargin;
    int m_shapeMarginY = ShapeMargin;
    QList<QPointF> m_points;
    QPolygonF m_hitPolygon;
};
