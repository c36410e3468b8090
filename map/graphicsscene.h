#pragma once

#include "itemmoverecord.h"
#include "stepelement.h"

#include <QGraphicsScene>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVector>

#include <functional>

class AddCommand;
class GraphicsBox;
class GraphicsHelperClass;
class GraphicsLine;
class GraphicsTextItem;
class MapHost;
class Node;
class QGraphicsPixmapItem;
class QKeyEvent;
class QUndoStack;
class TreeModel;

// The editable site map of one workspace tab: places elements by insert mode,
// names them, hangs their nodes under the workspace's node, keeps an undo
// stack, keeps the map selection and the element tree in step, passes design
// mode on to the elements and draws the grid. GUI thread only.
//
// The scene is given its host and the trees it works on when it is made (see
// maphost.h for the host's side). Without a host it logs nothing and reports
// nothing; without an element model its nodes hang under no tree.
class GraphicsScene : public QGraphicsScene
{
    Q_OBJECT
public:
    enum Mode {
        SelectObject = 1,
        DrawLine = 2,
        DrawText = 3,
        AddGateway = 4,
        DrawButton = 5,
        AddTWSector = 6,
    };
    Q_ENUM(Mode)

    static constexpr int GridSize = 25;
    static constexpr int InitialSceneSize = 500;
    // The least rectangle of a map opened from a file or begun by File >
    // New, from the origin.
    static constexpr int LeastSceneSize = 200;
    static const QColor GridColor; // RGBA (200, 200, 255, 125)
    // Subject of the user-action log lines of placements and deletions.
    static const QString LogSubject;

    // Runs the gateway setup for a newly placed gateway box. The dialogs
    // install the wizard here; until then, and in tests, placing a gateway
    // box opens nothing.
    using GatewayWizardHook = std::function<void(GraphicsBox* box, QWidget* parent)>;
    static void setGatewayWizardHook(GatewayWizardHook hook);

    explicit GraphicsScene(const QString& workplaceName, MapHost* host = nullptr,
                           TreeModel* elementModel = nullptr, TreeModel* energizerModel = nullptr,
                           QObject* parent = nullptr);
    ~GraphicsScene() override;

    MapHost* host() const { return m_host; }
    TreeModel* elementModel() const { return m_elementModel; }
    TreeModel* energizerModel() const { return m_energizerModel; }
    // The host of the map `item` is on, null when it is on none or on a host-less map.
    static MapHost* hostOf(const QGraphicsItem* item);

    void createWorkplaceNode(const QString& name);
    Node* workplaceNode() const { return m_workplaceNode; }
    void setBackgroundItem(QGraphicsPixmapItem* item) { m_backgroundItem = item; }
    QGraphicsPixmapItem* backgroundItem() const { return m_backgroundItem; }
    void setBackgroundPixmap(const QPixmap& pixmap);
    void setBackgroundFile(const QString& fileName);
    QString backgroundFile() const { return m_backgroundFile; }

    void insertItem(QGraphicsItem* item);
    // Grows the scene's rectangle to hold every item, so that the whole site
    // can be scrolled into view; it never shrinks.
    void holdItems();
    // Has holdItems run once the event loop turns, and not before the press,
    // drag or drawing under way has ended: a rectangle growing under the
    // mouse moves the map in the view, and the item being dragged with it.
    // Called for every item that came, moved, was resized or reshaped.
    void holdItemsLater();
    // The TW sector circles riding on `line`, which came here from another
    // map, become this map's: they answer to it, and their nodes hang under
    // this workplace, so that a node goes where its circle went (and not
    // with the workplace the line left). Each follows the sensors of this
    // map's TW system that a reopen would give it (GraphicsCircle::
    // followSystemSensors); what one can no longer follow is returned, a
    // line each, for the operator.
    QStringList takeInRiders(QGraphicsItem* line);
    // Hangs the node of `item`, an element of this map, at the top of this
    // workplace (a TW sector under its TW system), where the type order puts it.
    void hangNode(QGraphicsItem* item);
    // Before this map goes with its workplace (its workspace deleted): every
    // node of this map, its elements' and its TW systems' sensors', comes
    // home under its workplace from wherever it hangs as a link (under
    // another map's sector, gate or TW sector), which drops the link as a
    // deletion of the element does; every node of another map that hangs
    // here goes home to its own. Returns the links dropped, a line each.
    QStringList takeNodesHome();
    // Names are unique on a map, counting the items its undo steps hold off
    // it: a step may bring one back.
    void setUniqueName(QGraphicsItem* item);
    bool isNameUsed(const QString& name) const;
    QList<GraphicsBox*> gatewayBoxes() const;

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    bool designMode() const { return m_designMode; }
    void setDesignMode(bool design);
    // Unselects every item and takes every element's handles off.
    void deselectAll();
    // An element of this map that the next deselectAll must reach: one
    // just inserted, or one that shows its handles.
    void noteToDeselect(GraphicsHelperClass* element);
    // A map element has come onto this map (see elements).
    void noteElement(GraphicsHelperClass* element);
    // Counts every element coming onto any map or leaving one (GUI thread):
    // a cache of a walk over the maps' items walks again only when it moved.
    static quint64 elementMoves() { return s_elementMoves; }
    static void noteElementMove() { ++s_elementMoves; }
    // Runs `step` once the input event this map is delivering has been
    // delivered, by a queued call; at once when it delivers none, after the
    // steps still waiting. While Qt delivers a mouse or key event it holds
    // the items it found (the filters it walks, the items under the mouse):
    // a selection, which frees and makes handles, a deletion, a popup or a
    // question must not run under it. Steps run in the order given.
    void afterDelivery(std::function<void()> step);
    // The same, while `element` still stands on this map when it is run.
    void afterDelivery(GraphicsHelperClass* element, std::function<void()> step);
    // The same for a step that selects `element`, dropped when a press that
    // selects anew has come before it runs: a plain click selects only what
    // it hits, not also what the clicks before it were still to select.
    void selectAfterDelivery(GraphicsHelperClass* element, std::function<void()> step);
    // `handle` was made or freed: counted when its map was then delivering
    // an input event, which no handle should see (a check the tests read).
    static void noteHandleChange(const QGraphicsItem* handle);
    static int handlesChangedInDelivery() { return s_handlesChangedInDelivery; }
    // Deletes the selected elements, or hands Delete to a caption being
    // edited; a deletion asked for while an event is delivered comes after it.
    void deleteSelectedItems(QKeyEvent* event);
    void recordItemMove(QGraphicsItem* item);
    // Removes every item and gives the rectangle its least size. The undo
    // stack is emptied first: its commands point at the items.
    void clearMap();

    QUndoStack* undoStack() const { return m_undoStack; }
    void setSoundAlarmList(QList<Node*>* list) { m_soundAlarms = list; }
    QList<Node*>* soundAlarmList() const { return m_soundAlarms; }

signals:
    void mousePos(QPointF pos);
    void textItemChanged(QGraphicsItem* item);
    void itemMoved(QGraphicsItem* item);

public slots:
    void textItemLostFocus(GraphicsTextItem* textItem);
    void deleteItem();
    void sceneModeChanged(QGraphicsItem* item, GraphicsScene::Mode mode);
    // These two act once the event under way has been delivered
    // (afterDelivery): the popup, and the tree's row of `item` (the
    // workplace's, everything unselected, for none).
    void showEnergParams(QGraphicsItem* item);
    void itemSelected(QGraphicsItem* item);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseMoveEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent* event) override;
    void mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event) override;
    void drawBackground(QPainter* painter, const QRectF& rect) override;

private:
    void connectToHost();
    bool isDelivering() const { return m_delivering > 0; }
    void postDeferredSteps();
    void runDeferredSteps();
    void reportEdited();
    void placeBox(int kind, const QPointF& pos);
    void placeCircle(const QPointF& pos);
    void startOrExtendLine(const QPointF& pos);
    void finishLine();
    bool isCaptionBeingEdited(QGraphicsItem* item) const;
    // A selected box's caption is being edited.
    bool isCaptionBeingEdited() const;
    void deleteSelectedElements();
    void finishMoves();
    void holdPendingItems();
    // A press held or a line being drawn: the map stays put under the mouse.
    bool editInProgress() const { return m_mouseDown || m_lineBeingDrawn; }
    // The step that placed a box with the press now held, while it is the last step.
    AddCommand* placingStep() const;
    // The map elements on this map, in no set order: found without sorting
    // every item, which also made Qt index a map that is not shown.
    QList<GraphicsHelperClass*> elements() const;
    // The map elements this map's undo steps hold off it.
    QList<GraphicsHelperClass*> heldElements() const;
    // Renames `item`, come from another map, and the circles riding on it
    // where this map already gives their names.
    void keepNamesApart(QGraphicsItem* item);
    // The nodes of other maps under `node`, taken home (takeNodesHome).
    void sendHomeFrom(Node* node);

    MapHost* const m_host;
    TreeModel* const m_elementModel;
    TreeModel* const m_energizerModel;
    QUndoStack* m_undoStack = nullptr;
    bool m_designMode = false;
    Mode m_mode = SelectObject;
    QPointF m_startPoint;
    GraphicsLine* m_lineBeingDrawn = nullptr;
    Node* m_workplaceNode = nullptr;
    QGraphicsPixmapItem* m_backgroundItem = nullptr;
    QString m_backgroundFile;
    QList<Node*>* m_soundAlarms = nullptr;
    bool m_mouseDown = false;
    // Items changed since the rectangle last took them in.
    bool m_holdPending = false;
    // A turn of the event loop is to look at them.
    bool m_holdPosted = false;
    // They moved under the mouse: the views keep showing what they showed.
    bool m_holdAfterDrag = false;
    // An element moved since the press, and whether it still stands here:
    // a Delete pressed during the drag takes it off.
    struct MoveUnderWay {
        ItemMoveRecord record;
        StepElement element;
    };
    QList<MoveUnderWay> m_movedItems;
    AddCommand* m_placingStep = nullptr;
    // The elements the next deselectAll must reach besides the selected ones.
    QList<QPointer<GraphicsHelperClass>> m_toDeselect;
    // Every element noted coming onto this map; elements() drops those gone.
    mutable QVector<QPointer<GraphicsHelperClass>> m_elements;
    static quint64 s_elementMoves;
    // Input events being delivered, nested ones counted.
    int m_delivering = 0;
    QList<std::function<void()>> m_deferredSteps;
    bool m_stepsPosted = false;
    bool m_runningSteps = false;
    // Presses that select anew: no Ctrl held, no line being drawn.
    quint64 m_selectingPresses = 0;
    static int s_handlesChangedInDelivery;
};

// The alarm caption that the boxes of `item`'s map show while they blink
// (the host window's setting); empty off a hosted map.
QString currentAlarmCaption(const QGraphicsItem* item);
