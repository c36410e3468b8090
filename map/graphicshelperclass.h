#pragma once

#include <QColor>
#include <QDomElement>
#include <QObject>
#include <QPen>
#include <QSharedPointer>
#include <QVector>

#include <functional>

class CornerGrabber;
class Node;
class QDomDocument;
class QGraphicsItem;

// The part every map element (fence line, box, TW sector circle) shares: the
// link to its node in the element tree, its name, its alarm display state
// (status and blink phase), its design flag and its handles. The scene and
// the main window reach it from a QGraphicsItem* by dynamic_cast.
class GraphicsHelperClass : public QObject
{
    Q_OBJECT
public:
    // QGraphicsItem::type() of the map item classes.
    enum ItemType {
        TextItemType = 10000,
        LineItemType = 10001,
        BoxItemType = 10002,
        ImageItemType = 10003,
        CircleItemType = 10004,
    };

    explicit GraphicsHelperClass(QObject* parent = nullptr);
    ~GraphicsHelperClass() override;

    void setName(const QString& name);
    // Stores the alarm status and turns the blink phase (see the .cpp).
    // This and the other setters of what the item shows for its alarm
    // repaint the item only when its look changes: a map at rest costs no
    // paint, and the one-second tick no longer repaints the whole map.
    void setAlarm(int status);
    void setDesignMode(bool design);
    void setItemSelected(bool selected);
    // The element's "Item" element of the project file; null for classes that have none.
    QDomElement toXml(QDomDocument& document);
    int itemType() const;
    void setPenWidth(int width);

    QGraphicsItem* item() const { return m_item; }
    Node* node() const { return m_node; }
    // A gateway box's row in the energizer model while that row exists. The
    // row and the element node are paired both ways, and whatever frees the
    // row (the model's clear, the node's destructor) breaks the pairing
    // first, so a broken pairing means the row is gone.
    Node* energizerNode() const;
    bool blinkPhase() const { return m_blinkPhase; }
    // Sets the phase without turning it: a printout holds every item on.
    void setBlinkPhase(bool on);
    int alarmStatus() const { return m_alarmStatus; }
    bool designMode() const { return m_designMode; }
    QColor color() const { return m_color; }
    void setColor(const QColor& color);
    QColor penColor() const { return m_penColor; }
    QPen pen() const { return m_pen; }
    const QVector<QSharedPointer<CornerGrabber>>& handles() const { return m_handles; }

signals:
    void selected(QGraphicsItem* item);
    void showParams(QGraphicsItem* item);

public slots:
    void buttonToggle(bool checked);

protected:
    // What the item draws for its alarm.
    struct AlarmLook
    {
        bool phase = true;
        int status = 0;
        QColor color = Qt::black;
        bool operator==(const AlarmLook& other) const
        {
            return phase == other.phase && status == other.status && color == other.color;
        }
    };
    // The phase, the alarm status and the colour; a class that draws by
    // others gives those.
    virtual AlarmLook alarmLook() const;
    // Repaints the item when its look differs from the one last asked for.
    void repaintOnLookChange();
    // What the item shows of its phase besides its painting (a text box's
    // caption), brought along when the phase is set from outside.
    virtual void followBlinkPhase() {}

    // Runs `step` once the input event the element's map is delivering has
    // been delivered (GraphicsScene::afterDelivery), while the element is
    // still on that map; at once off a map.
    void afterDelivery(std::function<void()> step);
    // The element's own click selects it: its handles, and its row in the
    // element tree through `selected` (GraphicsScene::selectAfterDelivery).
    void selectAfterDelivery();

    // Removes every shown handle; the slots stay.
    void releaseHandles();
    // Tells the element's map that handles are shown, so that a deselection
    // finds them without looking at every item.
    void noteHandlesShown();
    // Tells the element's map that the element was resized or reshaped, so
    // that its rectangle takes it in.
    void noteGeometryChanged();

    QGraphicsItem* m_item = nullptr;
    QVector<QSharedPointer<CornerGrabber>> m_handles;
    QColor m_color = Qt::black;
    QColor m_penColor = Qt::black;
    QPen m_pen;
    Node* m_node = nullptr;
    Node* m_energizerNode = nullptr;
    bool m_blinkPhase = true;
    int m_alarmStatus = 0;
    bool m_designMode = false;

private:
    AlarmLook m_shownLook;
};
