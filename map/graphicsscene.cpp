#include "graphicsscene.h"

#include "addcommand.h"
#include "delitemcommand.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicshelperclass.h"
#include "graphicsline.h"
#include "graphicstextitem.h"
#include "itemxml.h"
#include "maphost.h"
#include "moveitemcommand.h"
#include "movelinecommand.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QGraphicsPixmapItem>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <QUndoGroup>
#include <QUndoStack>
#include <QVarLengthArray>

#include <algorithm>
#include <utility>

const QColor GraphicsScene::GridColor(200, 200, 255, 125);
const QString GraphicsScene::LogSubject = QStringLiteral("GraphicsItem");

namespace {

// The operator's input: its delivery walks the items Qt found for it.
bool isInputEvent(QEvent::Type type)
{
    switch (type) {
    case QEvent::GraphicsSceneMousePress:
    case QEvent::GraphicsSceneMouseMove:
    case QEvent::GraphicsSceneMouseRelease:
    case QEvent::GraphicsSceneMouseDoubleClick:
    case QEvent::GraphicsSceneContextMenu:
    case QEvent::GraphicsSceneHoverEnter:
    case QEvent::GraphicsSceneHoverMove:
    case QEvent::GraphicsSceneHoverLeave:
    case QEvent::GraphicsSceneDragEnter:
    case QEvent::GraphicsSceneDragMove:
    case QEvent::GraphicsSceneDragLeave:
    case QEvent::GraphicsSceneDrop:
    case QEvent::GraphicsSceneWheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        return true;
    default:
        return false;
    }
}

GraphicsScene::GatewayWizardHook& wizardHook()
{
    static GraphicsScene::GatewayWizardHook hook;
    return hook;
}

// How the operator knows the element `node` stands for, or the node under
// an element: "twsector1", "Gate of North gate of box1".
QString shownPlace(const Node* node)
{
    QStringList names;
    for (; node; node = node->parent()) {
        if (auto* element = dynamic_cast<GraphicsHelperClass*>(node->mapItem)) {
            names << element->objectName();
            break;
        }
        names << node->data(0).toString();
    }
    return names.join(QStringLiteral(" of "));
}

// Children of a workplace are kept in this order: by node type, highest
// first, a TW system counting as 0 (the order Node::sortChildren gives).
int siblingRank(int type)
{
    return type == Node::TWSystem ? 0 : type;
}

} // namespace

void GraphicsScene::setGatewayWizardHook(GatewayWizardHook hook)
{
    wizardHook() = std::move(hook);
}

QString currentAlarmCaption(const QGraphicsItem* item)
{
    MapHost* host = GraphicsScene::hostOf(item);
    return host ? host->alarmCaption() : QString();
}

GraphicsScene::GraphicsScene(const QString& workplaceName, MapHost* host, TreeModel* elementModel,
                             TreeModel* energizerModel, QObject* parent)
    : QGraphicsScene(parent)
    , m_host(host)
    , m_elementModel(elementModel)
    , m_energizerModel(energizerModel)
{
    setSceneRect(0, 0, InitialSceneSize, InitialSceneSize);
    createWorkplaceNode(workplaceName);
    m_undoStack = new QUndoStack(this);
    connect(this, &GraphicsScene::itemMoved, this, &GraphicsScene::holdItemsLater);
    connectToHost();
}

MapHost* GraphicsScene::hostOf(const QGraphicsItem* item)
{
    auto* scene = item ? qobject_cast<GraphicsScene*>(item->scene()) : nullptr;
    return scene ? scene->m_host : nullptr;
}

GraphicsScene::~GraphicsScene()
{
    // The commands point at items the base destructor is about to free.
    delete m_undoStack;
    m_undoStack = nullptr;
}

void GraphicsScene::connectToHost()
{
    if (!m_host)
        return;
    // The stack leaves the group by itself when it is destroyed.
    if (QUndoGroup* group = m_host->undoGroup())
        group->addStack(m_undoStack);
    MapHost* host = m_host;
    connect(this, &GraphicsScene::mousePos, this, [host](QPointF pos) { host->mousePos(pos); });
    connect(this, &GraphicsScene::textItemChanged, this, [host](QGraphicsItem* item) { host->textChanged(item); });
    connect(this, &GraphicsScene::itemMoved, this, [host](QGraphicsItem* item) { host->itemMoved(item); });
}

void GraphicsScene::reportEdited()
{
    if (m_host)
        m_host->mapEdited();
}

void GraphicsScene::createWorkplaceNode(const QString& name)
{
    SiteLocker lock;
    auto* node = new Node(name, nullptr);
    node->type = Node::Workplace;
    node->setData(0, name);
    m_workplaceNode = node;

    Node* root = m_elementModel ? m_elementModel->rootNode() : nullptr;
    if (root)
        m_elementModel->insertNode(root, -1, node);
}

void GraphicsScene::setBackgroundPixmap(const QPixmap& pixmap)
{
    if (m_backgroundItem) {
        removeItem(m_backgroundItem);
        delete m_backgroundItem;
    }
    m_backgroundItem = new QGraphicsPixmapItem;
    insertItem(m_backgroundItem);
    m_backgroundItem->setZValue(0);
    m_backgroundItem->setPixmap(pixmap);
}

void GraphicsScene::setBackgroundFile(const QString& fileName)
{
    m_backgroundFile = fileName;
    setBackgroundPixmap(QPixmap(fileName));
}

void GraphicsScene::holdItems()
{
    m_holdPending = false;
    const QRectF before = sceneRect();
    QRectF grown = before.united(itemsBoundingRect());
    if (!std::exchange(m_holdAfterDrag, false) || (grown.left() >= before.left() && grown.top() >= before.top())) {
        setSceneRect(grown);
        return;
    }
    // Grown left or up, a map the view showed whole from its top left corner
    // would move right or down under the mouse that has just let an item go
    // there. The rectangle takes in what each view shows, so that it can be
    // scrolled back to show what it showed.
    QVarLengthArray<QPair<QGraphicsView*, QPointF>, 2> shown;
    for (QGraphicsView* view : views()) {
        if (!view->isVisible())
            continue;
        const QRectF visible = view->mapToScene(view->viewport()->rect()).boundingRect();
        grown = grown.united(visible);
        shown.append({view, visible.topLeft()});
    }
    setSceneRect(grown);
    for (const auto& [view, topLeft] : shown) {
        const QPoint moved = view->mapFromScene(topLeft);
        view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->value() + moved.x());
        view->verticalScrollBar()->setValue(view->verticalScrollBar()->value() + moved.y());
    }
}

// Once for a whole burst (a file's items, a paste, an undo step): an item
// is often placed or sized only after it came.
void GraphicsScene::holdItemsLater()
{
    m_holdPending = true;
    if (editInProgress() || std::exchange(m_holdPosted, true))
        return;
    QMetaObject::invokeMethod(this, &GraphicsScene::holdPendingItems, Qt::QueuedConnection);
}

void GraphicsScene::holdPendingItems()
{
    m_holdPosted = false;
    // A press came meanwhile: its release asks again.
    if (m_holdPending && !editInProgress())
        holdItems();
}

void GraphicsScene::insertItem(QGraphicsItem* item)
{
    itemSelected(nullptr);
    // A cut element pasted back onto its own map never left it: added
    // again, Qt would refuse it, and its icon would filter twice.
    const bool alreadyHere = item->scene() == this;
    const bool fromAnotherMap = item->scene() && !alreadyHere;
    if (!alreadyHere)
        addItem(item);
    // Cut from another map: a name this map already gives takes a new one.
    if (fromAnotherMap)
        keepNamesApart(item);
    holdItemsLater();
    auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
    if (helper)
        noteToDeselect(helper);
    // Like the rest of the map, an element coming back (an undone deletion)
    // comes unselected: the tree shows the workplace, not the element.
    if (helper && item->isSelected())
        helper->setItemSelected(false);
    switch (item->type()) {
    case GraphicsHelperClass::LineItemType:
        if (!helper)
            break;
        helper->setDesignMode(m_designMode);
        for (QGraphicsItem* child : item->childItems()) {
            if (child->type() != QGraphicsPixmapItem::Type)
                continue;
            if (!alreadyHere)
                child->installSceneEventFilter(item);
            child->setZValue(1000);
        }
        connect(helper, &GraphicsHelperClass::selected, this, &GraphicsScene::itemSelected, Qt::UniqueConnection);
        connect(helper, &GraphicsHelperClass::showParams, this, &GraphicsScene::showEnergParams,
                Qt::UniqueConnection);
        break;
    case GraphicsHelperClass::BoxItemType: {
        if (!helper)
            break;
        helper->setDesignMode(m_designMode);
        connect(helper, &GraphicsHelperClass::selected, this, &GraphicsScene::itemSelected, Qt::UniqueConnection);
        auto* box = static_cast<GraphicsBox*>(item);
        connect(box->captionItem(), &GraphicsTextItem::lostFocus, this, &GraphicsScene::textItemLostFocus,
                Qt::UniqueConnection);
        if (box->kind() == GraphicsBox::ImageBox && box->pictureItem())
            box->pictureItem()->setZValue(0);
        break;
    }
    case GraphicsHelperClass::CircleItemType:
        if (!helper)
            break;
        helper->setDesignMode(m_designMode);
        connect(helper, &GraphicsHelperClass::selected, this, &GraphicsScene::itemSelected, Qt::UniqueConnection);
        break;
    default:
        break;
    }
}

QStringList GraphicsScene::takeInRiders(QGraphicsItem* line)
{
    QStringList lost;
    for (QGraphicsItem* child : line->childItems()) {
        if (child->type() != GraphicsCircle::Type)
            continue;
        auto* circle = static_cast<GraphicsCircle*>(child);
        connect(circle, &GraphicsHelperClass::selected, this, &GraphicsScene::itemSelected, Qt::UniqueConnection);
        Node* node = circle->node();
        if (!node || !m_workplaceNode || m_workplaceNode->isAncestorOf(node))
            continue;
        hangNode(child);
        for (int number : circle->followSystemSensors())
            lost.append(tr("TW sector %1 follows no sensor %2: none is free here").arg(circle->objectName()).arg(number));
    }
    return lost;
}

void GraphicsScene::setUniqueName(QGraphicsItem* item)
{
    auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
    QString pattern = QStringLiteral("field%1");
    switch (item->type()) {
    case GraphicsHelperClass::BoxItemType: pattern = QStringLiteral("box%1"); break;
    case GraphicsHelperClass::CircleItemType: pattern = QStringLiteral("twsector%1"); break;
    case GraphicsHelperClass::LineItemType: pattern = QStringLiteral("fence%1"); break;
    default: break;
    }
    QSet<QString> taken;
    for (GraphicsHelperClass* other : elements() + heldElements()) {
        if (other->item() != item && other->item()->type() == item->type())
            taken.insert(other->objectName());
    }
    int n = 1;
    while (taken.contains(pattern.arg(n)))
        ++n;
    if (helper)
        helper->setName(pattern.arg(n));
}

bool GraphicsScene::isNameUsed(const QString& name) const
{
    const QList<GraphicsHelperClass*> all = elements() + heldElements();
    return std::any_of(all.cbegin(), all.cend(),
                       [&name](const GraphicsHelperClass* element) { return element->objectName() == name; });
}

QList<GraphicsHelperClass*> GraphicsScene::heldElements() const
{
    QList<GraphicsHelperClass*> held;
    for (int i = 0; i < m_undoStack->count(); ++i) {
        const QUndoCommand* step = m_undoStack->command(i);
        QList<QGraphicsItem*> items;
        if (auto* add = dynamic_cast<const AddCommand*>(step))
            items = {add->heldItem()};
        else if (auto* deletion = dynamic_cast<const DelItemCommand*>(step))
            items = deletion->heldItems();
        for (QGraphicsItem* item : qAsConst(items)) {
            if (auto* element = dynamic_cast<GraphicsHelperClass*>(item))
                held.append(element);
        }
    }
    return held;
}

void GraphicsScene::keepNamesApart(QGraphicsItem* item)
{
    QList<QGraphicsItem*> moved{item};
    for (QGraphicsItem* child : item->childItems()) {
        if (child->type() == GraphicsHelperClass::CircleItemType)
            moved.append(child);
    }
    const QList<GraphicsHelperClass*> here = elements() + heldElements();
    for (QGraphicsItem* element : qAsConst(moved)) {
        auto* helper = dynamic_cast<GraphicsHelperClass*>(element);
        const bool clash = helper && std::any_of(here.cbegin(), here.cend(), [helper](const GraphicsHelperClass* other) {
            return other != helper && other->objectName() == helper->objectName();
        });
        if (clash)
            setUniqueName(element);
    }
}

QList<GraphicsBox*> GraphicsScene::gatewayBoxes() const
{
    QList<GraphicsBox*> boxes;
    for (GraphicsHelperClass* element : elements()) {
        if (element->item()->type() != GraphicsBox::Type)
            continue;
        auto* box = static_cast<GraphicsBox*>(element->item());
        if (box->kind() == GraphicsBox::GatewayBox)
            boxes.append(box);
    }
    if (boxes.size() < 2)
        return boxes;
    // Only the scene knows the stacking order: sorting every item is worth
    // it for the few maps with several gateways.
    boxes.clear();
    for (QGraphicsItem* item : items(Qt::DescendingOrder)) {
        if (item->type() != GraphicsBox::Type)
            continue;
        auto* box = static_cast<GraphicsBox*>(item);
        if (box->kind() == GraphicsBox::GatewayBox)
            boxes.append(box);
    }
    return boxes;
}

quint64 GraphicsScene::s_elementMoves = 0;
int GraphicsScene::s_handlesChangedInDelivery = 0;

void GraphicsScene::noteHandleChange(const QGraphicsItem* handle)
{
    auto* scene = handle ? qobject_cast<GraphicsScene*>(handle->scene()) : nullptr;
    if (scene && scene->isDelivering())
        ++s_handlesChangedInDelivery;
}

void GraphicsScene::afterDelivery(std::function<void()> step)
{
    if (isDelivering()) {
        m_deferredSteps.append(std::move(step));
        postDeferredSteps();
        return;
    }
    runDeferredSteps();
    step();
}

void GraphicsScene::afterDelivery(GraphicsHelperClass* element, std::function<void()> step)
{
    QPointer<GraphicsHelperClass> guard(element);
    afterDelivery([this, guard, step = std::move(step)] {
        if (guard && guard->item()->scene() == this)
            step();
    });
}

void GraphicsScene::selectAfterDelivery(GraphicsHelperClass* element, std::function<void()> step)
{
    afterDelivery(element, [this, press = m_selectingPresses, step = std::move(step)] {
        if (press == m_selectingPresses)
            step();
    });
}

void GraphicsScene::postDeferredSteps()
{
    if (!std::exchange(m_stepsPosted, true))
        QMetaObject::invokeMethod(this, &GraphicsScene::runDeferredSteps, Qt::QueuedConnection);
}

void GraphicsScene::runDeferredSteps()
{
    m_stepsPosted = false;
    // A step that opens a dialog turns the event loop: what comes meanwhile
    // waits behind it, and a delivery under way posts its steps again.
    if (m_runningSteps || isDelivering())
        return;
    m_runningSteps = true;
    while (!m_deferredSteps.isEmpty() && !isDelivering())
        m_deferredSteps.takeFirst()();
    m_runningSteps = false;
}

void GraphicsScene::noteElement(GraphicsHelperClass* element)
{
    m_elements.append(element);
}

QList<GraphicsHelperClass*> GraphicsScene::elements() const
{
    // Asked for once per workspace and more while a project opens: the
    // notes are rewritten only when some went or were doubled.
    QList<GraphicsHelperClass*> onMap;
    onMap.reserve(m_elements.size());
    QSet<GraphicsHelperClass*> seen;
    seen.reserve(m_elements.size());
    for (const QPointer<GraphicsHelperClass>& element : qAsConst(m_elements)) {
        if (!element || !element->item() || element->item()->scene() != this || seen.contains(element))
            continue;
        seen.insert(element);
        onMap.append(element);
    }
    if (onMap.size() != m_elements.size()) {
        QVector<QPointer<GraphicsHelperClass>> kept;
        kept.reserve(onMap.size());
        for (GraphicsHelperClass* element : qAsConst(onMap))
            kept.append(element);
        m_elements = kept;
    }
    return onMap;
}

void GraphicsScene::noteToDeselect(GraphicsHelperClass* element)
{
    if (!m_toDeselect.contains(element))
        m_toDeselect.append(element);
}

void GraphicsScene::setMode(Mode mode)
{
    m_mode = mode;
    const bool editable = mode < DrawLine;
    for (GraphicsHelperClass* element : elements()) {
        element->item()->setFlag(QGraphicsItem::ItemIsSelectable, editable);
        element->item()->setFlag(QGraphicsItem::ItemIsMovable, editable);
    }
}

void GraphicsScene::setDesignMode(bool design)
{
    // What the clicks before asked for is done in the mode they were made in.
    runDeferredSteps();
    m_designMode = design;
    // Outside design mode nothing stays selected with its handles: a
    // button box, which stays enabled for its button, would go on taking
    // them, and Delete on whatever was left selected.
    if (!design)
        deselectAll();
    for (GraphicsHelperClass* element : elements())
        element->setDesignMode(design);
}

void GraphicsScene::deselectAll()
{
    // The selected items, and the elements that may show handles or a
    // selected look while unselected: those inserted or given handles since
    // the last pass. A walk over every item made each insertion cost as
    // much as the whole map.
    for (QGraphicsItem* item : selectedItems()) {
        if (auto* helper = dynamic_cast<GraphicsHelperClass*>(item))
            helper->setItemSelected(false);
        else
            item->setSelected(false);
    }
    for (const QPointer<GraphicsHelperClass>& element : std::exchange(m_toDeselect, {})) {
        if (element && element->item() && element->item()->scene() == this)
            element->setItemSelected(false);
    }
}

bool GraphicsScene::isCaptionBeingEdited(QGraphicsItem* item) const
{
    if (item->type() == GraphicsTextItem::Type)
        return static_cast<GraphicsTextItem*>(item)->isEditing();
    if (item->type() != GraphicsBox::Type)
        return false;
    auto* box = static_cast<GraphicsBox*>(item);
    return box->captionItem()->textInteractionFlags() == Qt::TextEditorInteraction;
}

bool GraphicsScene::isCaptionBeingEdited() const
{
    const QList<QGraphicsItem*> selected = selectedItems();
    return std::any_of(selected.cbegin(), selected.cend(),
                       [this](QGraphicsItem* item) { return isCaptionBeingEdited(item); });
}

void GraphicsScene::deleteSelectedItems(QKeyEvent* event)
{
    // While a caption is being edited, Delete belongs to the text.
    if (isCaptionBeingEdited()) {
        if (event)
            QGraphicsScene::keyPressEvent(event);
        return;
    }
    // Delete pressed on the map deletes once the key has been delivered,
    // what is selected then: the clicks before it have taken effect.
    afterDelivery([this] {
        if (!isCaptionBeingEdited())
            deleteSelectedElements();
    });
}

void GraphicsScene::deleteSelectedElements()
{
    const QList<QGraphicsItem*> selected = selectedItems();
    // Only whole map elements are deleted; the line being drawn stays until it is finished.
    QList<QGraphicsItem*> elements;
    for (QGraphicsItem* item : selected) {
        if (item != m_lineBeingDrawn && dynamic_cast<GraphicsHelperClass*>(item))
            elements.append(item);
    }
    if (!elements.isEmpty()) {
        auto* deletion = new DelItemCommand(this, elements);
        QStringList names;
        for (QGraphicsItem* item : deletion->items())
            names.append(dynamic_cast<GraphicsHelperClass*>(item)->objectName());
        m_undoStack->push(deletion);
        for (const QString& name : qAsConst(names)) {
            if (m_host)
                m_host->writeUserActionLog(LogSubject, tr("Item %1 deleted").arg(name));
        }
        reportEdited();
    } else {
        // Nothing deleted, the workplace current all the same; a deletion's step makes it so itself.
        itemSelected(nullptr);
    }
}

void GraphicsScene::recordItemMove(QGraphicsItem* item)
{
    if (m_mouseDown) {
        bool known = false;
        for (const MoveUnderWay& moved : qAsConst(m_movedItems))
            known = known || moved.record.item == item;
        if (!known) {
            ItemMoveRecord record;
            record.item = item;
            record.oldPos = item->pos();
            if (auto* element = dynamic_cast<AbstractGraphicsElement*>(item)) {
                if (item->type() == GraphicsBox::Type) {
                    record.oldWidth = element->width();
                    record.oldHeight = element->height();
                }
            }
            if (item->type() == GraphicsLine::Type)
                record.oldPoints = static_cast<GraphicsLine*>(item)->points();
            m_movedItems.append({record, StepElement(item, this)});
        }
    }
    emit itemMoved(item);
}

void GraphicsScene::clearMap()
{
    m_undoStack->clear();
    m_movedItems.clear();
    m_lineBeingDrawn = nullptr;
    m_backgroundItem = nullptr;
    clear();
    setSceneRect(0, 0, LeastSceneSize, LeastSceneSize);
}

void GraphicsScene::textItemLostFocus(GraphicsTextItem* textItem)
{
    emit textItemChanged(textItem->parentItem());
}

void GraphicsScene::deleteItem()
{
    if (m_designMode && m_host && m_host->currentScene() == this)
        deleteSelectedItems(nullptr);
}

void GraphicsScene::showEnergParams(QGraphicsItem* item)
{
    if (auto* element = dynamic_cast<GraphicsHelperClass*>(item)) {
        afterDelivery(element, [this, element] {
            if (m_host)
                m_host->showPopupParams(element->item());
        });
    }
}

void GraphicsScene::hangNode(QGraphicsItem* item)
{
    auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
    Node* node = helper ? helper->node() : nullptr;
    if (!node || !m_workplaceNode)
        return;
    SiteLocker lock;
    Node* parent = m_workplaceNode;
    if (item->type() == GraphicsHelperClass::CircleItemType) {
        for (Node* child : qAsConst(m_workplaceNode->children)) {
            if (child->type == Node::TWSystem)
                parent = child;
        }
    }
    // Insert where the type order puts it, so the views hear one insertion
    // and no rows move under them.
    int row = 0;
    while (row < parent->childCount() && siblingRank(parent->child(row)->type) >= siblingRank(node->type))
        ++row;
    if (m_elementModel && m_elementModel->contains(parent)) {
        m_elementModel->insertNode(parent, row, node);
        m_elementModel->refreshNode(node);
    } else {
        node->insertInto(parent, row);
    }
}

QStringList GraphicsScene::takeNodesHome()
{
    QStringList dropped;
    if (!m_workplaceNode)
        return dropped;
    SiteLocker lock;
    QList<Node*> own;
    for (QGraphicsItem* item : items()) {
        auto* element = dynamic_cast<GraphicsHelperClass*>(item);
        if (element && element->node())
            own.append(element->node());
    }
    for (Node* child : qAsConst(m_workplaceNode->children)) {
        Node* system = child->type == Node::TWSystem ? child->deviceNode : nullptr;
        if (!system || !Node::isAlive(system))
            continue;
        for (Node* sensor : qAsConst(system->children)) {
            if (sensor->deviceNode && Node::isAlive(sensor->deviceNode))
                own.append(sensor->deviceNode);
        }
    }
    // Away: hung somewhere that is neither this workplace nor under another of this map's nodes.
    const QSet<Node*> ownSet(own.cbegin(), own.cend());
    QList<Node*> away;
    for (Node* node : qAsConst(own)) {
        const Node* above = node->parent();
        while (above && above != m_workplaceNode && !ownSet.contains(const_cast<Node*>(above)))
            above = above->parent();
        if (node->parent() && !above)
            away.append(node);
    }
    for (Node* node : qAsConst(away)) {
        const QString name = node->mapItem ? shownPlace(node) : node->data(0).toString();
        dropped.append(tr("%1 from %2").arg(name, shownPlace(node->parent())));
        if (node->mapItem) {
            hangNode(node->mapItem);
        } else if (Node* system = GraphicsCircle::systemTwinOf(node)) {
            ItemXml::placeNode(node, system, 0);
        }
    }
    sendHomeFrom(m_workplaceNode);
    return dropped;
}

void GraphicsScene::sendHomeFrom(Node* node)
{
    for (Node* child : QList<Node*>(node->children)) {
        auto* map = child->mapItem ? qobject_cast<GraphicsScene*>(child->mapItem->scene()) : nullptr;
        Node* system = child->type == Node::TWSensor ? GraphicsCircle::systemTwinOf(child) : nullptr;
        if (child->mapItem && map != this) {
            if (map) {
                map->hangNode(child->mapItem);
            } else {
                // Off every map: the undo step that holds its element frees it.
                if (m_elementModel)
                    m_elementModel->takeNode(child);
                child->setParent(nullptr);
            }
        } else if (system && !m_workplaceNode->isAncestorOf(system)) {
            ItemXml::placeNode(child, system, 0);
        } else {
            sendHomeFrom(child);
        }
    }
}

void GraphicsScene::sceneModeChanged(QGraphicsItem* item, GraphicsScene::Mode mode)
{
    reportEdited();
    if (m_host)
        m_host->insertModeFinished();
    if (mode != SelectObject) {
        QGuiApplication::restoreOverrideCursor();
        return;
    }
    hangNode(item);

    if (item->type() == GraphicsBox::Type) {
        auto* box = static_cast<GraphicsBox*>(item);
        if (box->kind() == GraphicsBox::GatewayBox) {
            // The wizard is modal: run it after the press that placed the box
            // has been handled, and only if the box is still on this map.
            QPointer<GraphicsBox> placed(box);
            QMetaObject::invokeMethod(this, [this, placed]() {
                if (!placed || placed->scene() != this || !wizardHook())
                    return;
                wizardHook()(placed, m_host ? m_host->hostWindow() : nullptr);
            }, Qt::QueuedConnection);
            return;
        }
    }
    auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
    if (m_host)
        m_host->writeUserActionLog(LogSubject, tr("Item %1 added").arg(helper ? helper->objectName() : QString()));
    QGuiApplication::restoreOverrideCursor();
}

void GraphicsScene::itemSelected(QGraphicsItem* item)
{
    auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
    if (item && !helper)
        return;
    // The tree's row brings the element's handles, and unselecting frees
    // the others': after the event under way.
    if (helper) {
        selectAfterDelivery(helper, [this, helper] {
            if (helper->node() && m_host)
                m_host->showElementNode(helper->node());
        });
        return;
    }
    afterDelivery([this] {
        deselectAll();
        if (m_workplaceNode && m_host)
            m_host->showElementNode(m_workplaceNode);
    });
}

void GraphicsScene::placeBox(int kind, const QPointF& pos)
{
    auto* box = new GraphicsBox(kind);
    box->setElementPos(pos);
    m_placingStep = new AddCommand(box, this);
    m_undoStack->push(m_placingStep);
    // Named once the push has dropped the steps that were undone, and the
    // items they held with them: their names are free again.
    setUniqueName(box);
    if (kind == GraphicsBox::ButtonBox)
        box->addActionButton();
    box->setDesignMode(m_designMode);
    sceneModeChanged(box, SelectObject);
    setMode(SelectObject);
}

void GraphicsScene::placeCircle(const QPointF& pos)
{
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    circle->setElementPos(pos);
    m_undoStack->push(new AddCommand(circle, this));
    setUniqueName(circle);
    circle->setDesignMode(m_designMode);
    sceneModeChanged(circle, SelectObject);
    setMode(SelectObject);
}

void GraphicsScene::startOrExtendLine(const QPointF& pos)
{
    m_startPoint = pos;
    if (m_lineBeingDrawn)
        return;
    // The first point and the end that follows the mouse.
    auto* line = new GraphicsLine;
    line->setElementPos(QPointF(0, 0));
    line->appendPoint(m_startPoint);
    line->appendPoint(m_startPoint);
    m_lineBeingDrawn = line;
    insertItem(line);
    // Its handles come with the selection, after the press.
    afterDelivery(line, [line] { line->setItemSelected(true); });
}

void GraphicsScene::finishLine()
{
    GraphicsLine* line = m_lineBeingDrawn;
    m_undoStack->push(new AddCommand(line, this));
    setUniqueName(line);
    sceneModeChanged(line, SelectObject);
    setMode(SelectObject);
}

void GraphicsScene::mousePressEvent(QGraphicsSceneMouseEvent* event)
{
    // Counted before Qt hands the press on, so that what it selects is this
    // press's. Ctrl adds to the selection; a press that extends the line
    // being drawn goes on with it.
    if (!(event->modifiers() & Qt::ControlModifier) && !m_lineBeingDrawn)
        ++m_selectingPresses;
    m_movedItems.clear();
    m_placingStep = nullptr;
    m_mouseDown = true;
    switch (m_mode) {
    case DrawLine:
        startOrExtendLine(event->scenePos());
        break;
    case AddTWSector:
        placeCircle(event->scenePos());
        break;
    case DrawText:
        placeBox(GraphicsBox::TextBox, event->scenePos());
        break;
    case AddGateway:
        placeBox(GraphicsBox::GatewayBox, event->scenePos());
        break;
    case DrawButton:
        placeBox(GraphicsBox::ButtonBox, event->scenePos());
        break;
    default:
        break;
    }
    QGraphicsScene::mousePressEvent(event);
}

void GraphicsScene::mouseMoveEvent(QGraphicsSceneMouseEvent* event)
{
    emit mousePos(event->scenePos());
    if (m_mode == DrawLine && m_lineBeingDrawn) {
        m_lineBeingDrawn->setLastPoint(m_lineBeingDrawn->mapFromScene(event->scenePos()));
        return;
    }
    QGraphicsScene::mouseMoveEvent(event);
}

AddCommand* GraphicsScene::placingStep() const
{
    const int last = m_undoStack->index() - 1;
    if (!m_placingStep || last < 0 || m_undoStack->command(last) != m_placingStep)
        return nullptr;
    return m_placingStep;
}

void GraphicsScene::finishMoves()
{
    // The press that placed a box goes on to it, and a slip of the hand
    // before the release drags it along: that is still one step, placing
    // the box where it was let go.
    AddCommand* placing = placingStep();
    m_placingStep = nullptr;
    for (MoveUnderWay& moved : m_movedItems) {
        // Deleted during the drag: the deletion is the step, and the item,
        // off the map, takes no handles.
        if (!moved.element.isOnMap())
            continue;
        ItemMoveRecord& record = moved.record;
        if (placing && record.item == placing->item()) {
            placing->setPlacedAt(record.item->pos());
            continue;
        }
        if (record.item->type() == GraphicsLine::Type) {
            auto* line = static_cast<GraphicsLine*>(record.item);
            record.newPoints = line->points();
            record.newPos = line->pos();
            if (record.newPos != record.oldPos || record.newPoints != record.oldPoints)
                m_undoStack->push(new MoveLineCommand(record));
            continue;
        }
        if (record.item->type() != GraphicsBox::Type)
            continue;
        auto* box = static_cast<GraphicsBox*>(record.item);
        record.newWidth = box->width();
        record.newHeight = box->height();
        record.newPos = box->pos();
        // A press on a handle without a drag changes nothing: no undo step for it.
        if (record.newPos == record.oldPos && record.newWidth == record.oldWidth
            && record.newHeight == record.oldHeight)
            continue;
        m_undoStack->push(new MoveItemCommand(record));
    }
}

void GraphicsScene::mouseReleaseEvent(QGraphicsSceneMouseEvent* event)
{
    // Control held: the corner is fixed and the drawing goes on.
    if (m_lineBeingDrawn && event->modifiers() == Qt::ControlModifier) {
        m_lineBeingDrawn->appendPoint(m_lineBeingDrawn->mapFromScene(event->scenePos()));
        QGraphicsScene::mouseReleaseEvent(event);
        return;
    }
    GraphicsLine* finishedLine = m_lineBeingDrawn;
    if (finishedLine)
        finishLine();
    if (m_mode == SelectObject && event->modifiers() != Qt::ControlModifier) {
        const QList<QGraphicsItem*> hit =
            items(event->scenePos(), Qt::IntersectsItemShape, Qt::DescendingOrder);
        if (hit.isEmpty()) {
            QGuiApplication::restoreOverrideCursor();
            clearSelection();
            itemSelected(nullptr);
        }
    }
    if (finishedLine) {
        emit finishedLine->selected(finishedLine);
        m_lineBeingDrawn = nullptr;
    } else if (m_mouseDown) {
        // Only the release of a press finishes its moves: the release that
        // follows a double click has no press of its own, and pushing the
        // records again would leave an undo step that does nothing.
        finishMoves();
    }
    QGraphicsScene::mouseReleaseEvent(event);
    m_mouseDown = false;
    if (m_holdPending) {
        m_holdAfterDrag = true;
        holdItemsLater();
    }
}

void GraphicsScene::mouseDoubleClickEvent(QGraphicsSceneMouseEvent* event)
{
    QGraphicsItem* top = itemAt(event->scenePos(), QTransform());
    // The popup opens once the double click has been delivered (showEnergParams).
    if (top && top->type() == QGraphicsPixmapItem::Type && top->parentItem()
        && top->parentItem()->type() == GraphicsHelperClass::LineItemType) {
        if (auto* line = dynamic_cast<GraphicsHelperClass*>(top->parentItem()))
            emit line->showParams(top->parentItem());
    }
    QGraphicsScene::mouseDoubleClickEvent(event);
}

bool GraphicsScene::event(QEvent* event)
{
    if (!isInputEvent(event->type()))
        return QGraphicsScene::event(event);
    ++m_delivering;
    const bool handled = QGraphicsScene::event(event);
    if (--m_delivering == 0 && !m_deferredSteps.isEmpty())
        postDeferredSteps();
    return handled;
}

void GraphicsScene::keyPressEvent(QKeyEvent* event)
{
    // As the Edit menu's Delete: outside design mode the map is not edited,
    // whatever is selected.
    if (event->key() == Qt::Key_Delete && m_designMode)
        deleteSelectedItems(event);
    else
        QGraphicsScene::keyPressEvent(event);
}

void GraphicsScene::drawBackground(QPainter* painter, const QRectF& rect)
{
    painter->setPen(GridColor);
    QVarLengthArray<QLineF, 100> lines;
    const qreal left = int(rect.left()) / GridSize * GridSize;
    const qreal top = int(rect.top()) / GridSize * GridSize;
    for (qreal x = left; x < rect.right(); x += GridSize)
        lines.append(QLineF(x, rect.top(), x, rect.bottom()));
    for (qreal y = top; y < rect.bottom(); y += GridSize)
        lines.append(QLineF(rect.left(), y, rect.right(), y));
    painter->drawLines(lines.data(), lines.size());
}
