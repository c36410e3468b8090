#include "cornergrabber.h"
#include "delitemcommand.h"
#include "fakemainwindow.h"
#include "graphicsbox.h"
#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "node.h"
#include "operatorclick.h"
#include "resources.h"
#include "scopedhook.h"
#include "treemodel.h"

#include <QAction>
#include <QApplication>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsTextItem>
#include <QGraphicsView>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QTextCursor>
#include <QUndoStack>
#include <QDomDocument>
#include <QtTest>

namespace {

// Exposes the grid painting for a test of its exact lines.
class GridScene : public GraphicsScene
{
public:
    using GraphicsScene::GraphicsScene;
    void paintGrid(QPainter* painter, const QRectF& rect) { drawBackground(painter, rect); }
};

// A map element of another type (the fence line's), to check that names are per type.
class OtherElement : public QGraphicsRectItem, public GraphicsHelperClass
{
public:
    OtherElement() : QGraphicsRectItem(0, 0, 10, 10) { m_item = this; }
    int type() const override { return GraphicsHelperClass::LineItemType; }
};

} // namespace

// The workspace scene: placement, names, the element tree, deletion, undo, grid.
class TestScene : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void placingATextBox();
    void placingABoxIsOneStep_data();
    void placingABoxIsOneStep();
    void uniqueNamesFillGaps();
    void gatewayPlacementRunsTheWizardHook();
    void buttonBoxSendsItsCommand();
    void deleteAndUndoGatewayBox();
    void deleteWhileEditingEditsTheText();
    void undoPutsALinkedTextBoxBackUnderItsSector();
    void gatewayAndItsLinkedTextBoxDeletedTogether_data();
    void gatewayAndItsLinkedTextBoxDeletedTogether();
    void undoAfterTheFormerParentIsGone();
    void deleteWithNothingSelected();
    void deleteItemActsOnlyInTheCurrentScene();
    void oneUndoHistoryFollowsTheCurrentTab();
    void undoAndRedoOfAnAddition();
    void moveAndResizeAreUndone();
    void releaseAfterADoubleClickPushesNoSecondMove();
    void releaseOnEmptySpaceSelectsTheWorkplace();
    void eventsTogetherTakeEffectInTheirOrder();
    void treeSelectionReachesTheMap();
    void modesAndDesignModeReachTheItems();
    void clearingTheMapEmptiesTheUndoStack();
    void freedElementLeavesNoPointerInItsNode();
    void clearedEnergizerModelLeavesNoRowOnTheBox();
    void gridLines();

private:
    // `turn`: the event loop turns after the event, as between an operator's
    // events; without, the next event comes before what this one brought.
    void mouse(QEvent::Type type, const QPointF& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier, bool turn = true);
    void click(const QPointF& pos);
    GraphicsBox* boxAt(const QPointF& pos) const;
    // A gateway box and a text box whose node hangs under one of the gateway's sectors.
    struct LinkedText {
        GraphicsBox* gateway = nullptr;
        GraphicsBox* text = nullptr;
        Node* sector = nullptr;
    };
    LinkedText placeGatewayWithLinkedText();

    std::unique_ptr<FakeMainWindow> m_window;
    std::unique_ptr<GraphicsScene> m_scene;
    QPointF m_downPos;
    QPointF m_lastPos;
};

void TestScene::initTestCase()
{
    initLumetraResources();
}

void TestScene::init()
{
    m_window = std::make_unique<FakeMainWindow>();
    m_scene = m_window->makeScene(QStringLiteral("Site"));
    m_window->setCurrentScene(m_scene.get());
    m_scene->setDesignMode(true);
}

void TestScene::cleanup()
{
    for (GraphicsBox* box : m_scene->gatewayBoxes())
        delete box->energizerNode();
    m_scene.reset();
    m_window.reset();
}

void TestScene::mouse(QEvent::Type type, const QPointF& pos, Qt::KeyboardModifiers modifiers, bool turn)
{
    if (type == QEvent::GraphicsSceneMousePress) {
        m_downPos = pos;
        m_lastPos = pos;
    }
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setScreenPos(pos.toPoint());
    event.setLastScenePos(m_lastPos);
    event.setLastScreenPos(m_lastPos.toPoint());
    event.setButtonDownScenePos(Qt::LeftButton, m_downPos);
    event.setButtonDownScreenPos(Qt::LeftButton, m_downPos.toPoint());
    event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    event.setModifiers(modifiers);
    QApplication::sendEvent(m_scene.get(), &event);
    if (turn)
        QCoreApplication::processEvents();
    m_lastPos = pos;
}

void TestScene::click(const QPointF& pos)
{
    mouse(QEvent::GraphicsSceneMousePress, pos);
    mouse(QEvent::GraphicsSceneMouseRelease, pos);
}

GraphicsBox* TestScene::boxAt(const QPointF& pos) const
{
    for (QGraphicsItem* item : m_scene->items(pos)) {
        if (item->type() == GraphicsBox::Type)
            return static_cast<GraphicsBox*>(item);
    }
    return nullptr;
}

void TestScene::placingATextBox()
{
    QAction* save = m_window->action(QStringLiteral("actSave"));
    QAction* select = m_window->action(QStringLiteral("actSelectObject"));
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(100.6, 120.2));

    GraphicsBox* box = boxAt(QPointF(150, 150));
    QVERIFY(box);
    QCOMPARE(box->kind(), int(GraphicsBox::TextBox));
    QCOMPARE(box->pos(), QPointF(100.6, 120.2));
    QCOMPARE(box->objectName(), QStringLiteral("box1"));
    QCOMPARE(box->caption(), QStringLiteral("text goes here"));
    QCOMPARE(box->node()->data(0).toString(), QStringLiteral("text goes here"));
    QCOMPARE(box->node()->data(1).toString(), QStringLiteral("box1"));
    QCOMPARE(box->node()->parent(), m_scene->workplaceNode());
    QCOMPARE(m_scene->workplaceNode()->parent(), m_window->elementTreeRoot());
    QCOMPARE(m_scene->mode(), GraphicsScene::SelectObject);
    QVERIFY(save->isEnabled());
    QVERIFY(select->isChecked());
    QCOMPARE(m_window->m_log, QStringList{QStringLiteral("GraphicsItem|Item box1 added")});
    QCOMPARE(m_scene->undoStack()->count(), 1);
    QCOMPARE(m_scene->undoStack()->text(0), QStringLiteral("Add"));
    QVERIFY(m_window->action(QStringLiteral("actUndo"))->isEnabled());
    QVERIFY(!m_window->action(QStringLiteral("actRedo"))->isEnabled());
    // The release on the new box selects it and its tree row.
    QCOMPARE(m_window->currentTreeNode(), box->node());
    QVERIFY(box->isSelected());
}

void TestScene::placingABoxIsOneStep_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("text box") << int(GraphicsScene::DrawText);
    QTest::newRow("button box") << int(GraphicsScene::DrawButton);
}

void TestScene::placingABoxIsOneStep()
{
    QFETCH(int, mode);
    // The press that places a box goes on to the box; a hand that slips
    // before the release drags it along.
    m_scene->setMode(GraphicsScene::Mode(mode));
    mouse(QEvent::GraphicsSceneMousePress, QPointF(100, 100));
    mouse(QEvent::GraphicsSceneMouseMove, QPointF(103, 102));
    mouse(QEvent::GraphicsSceneMouseRelease, QPointF(103, 102));
    GraphicsBox* box = boxAt(QPointF(150, 150));
    QVERIFY(box);
    QCOMPARE(box->pos(), QPointF(103, 102));
    QCOMPARE(m_scene->undoStack()->count(), 1);

    m_scene->undoStack()->undo();
    QVERIFY(!box->scene());
    m_scene->undoStack()->redo();
    QCOMPARE(box->scene(), m_scene.get());
    QCOMPARE(box->pos(), QPointF(103, 102));
}

void TestScene::uniqueNamesFillGaps()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    m_scene->setMode(GraphicsScene::DrawButton);
    click(QPointF(10, 200));
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 400));
    QCOMPARE(boxAt(QPointF(50, 50))->objectName(), QStringLiteral("box1"));
    QCOMPARE(boxAt(QPointF(50, 250))->objectName(), QStringLiteral("box2"));
    QCOMPARE(boxAt(QPointF(50, 450))->objectName(), QStringLiteral("box3"));

    m_scene->clearSelection();
    boxAt(QPointF(50, 250))->setSelected(true);
    m_scene->deleteSelectedItems(nullptr);
    // Held by the deletion, which Undo may reverse; free once the step is gone.
    QVERIFY(m_scene->isNameUsed(QStringLiteral("box2")));
    m_scene->undoStack()->clear();
    QVERIFY(!m_scene->isNameUsed(QStringLiteral("box2")));
    QVERIFY(m_scene->isNameUsed(QStringLiteral("box3")));
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(300, 10));
    QCOMPARE(boxAt(QPointF(350, 50))->objectName(), QStringLiteral("box2"));
    // An element of another type named box4 does not keep a box from that name.
    auto* other = new OtherElement;
    other->setName(QStringLiteral("box4"));
    other->setPos(480, 480);
    m_scene->insertItem(other);
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(300, 300));
    QCOMPARE(boxAt(QPointF(350, 350))->objectName(), QStringLiteral("box4"));
    auto* second = new OtherElement;
    m_scene->setUniqueName(second);
    QCOMPARE(second->objectName(), QStringLiteral("fence1"));
    delete second;
}

void TestScene::gatewayPlacementRunsTheWizardHook()
{
    QList<GraphicsBox*> wizardBoxes;
    QList<QWidget*> parents;
    const ScopedHook wizard(&GraphicsScene::setGatewayWizardHook, [&](GraphicsBox* box, QWidget* parent) {
        wizardBoxes.append(box);
        parents.append(parent);
    });
    m_scene->setMode(GraphicsScene::AddGateway);
    click(QPointF(20, 20));
    GraphicsBox* box = boxAt(QPointF(100, 100));
    QVERIFY(box);
    QCOMPARE(box->kind(), int(GraphicsBox::GatewayBox));
    QTRY_COMPARE(wizardBoxes.size(), 1);
    QCOMPARE(wizardBoxes.first(), box);
    QCOMPARE(parents.first(), static_cast<QWidget*>(m_window.get()));
    QVERIFY(m_window->m_log.isEmpty());
    QCOMPARE(m_scene->gatewayBoxes(), QList<GraphicsBox*>{box});
    // Its devices hang under the workplace with it.
    QCOMPARE(box->node()->parent(), m_scene->workplaceNode());
    QCOMPARE(box->node()->childCount(), 63);
}

void TestScene::buttonBoxSendsItsCommand()
{
    m_scene->setMode(GraphicsScene::DrawButton);
    click(QPointF(20, 20));
    GraphicsBox* box = boxAt(QPointF(100, 60));
    QVERIFY(box && box->actionButton());
    QCOMPARE(box->kind(), int(GraphicsBox::ButtonBox));
    Node& target = *new Node(QStringLiteral("Energ2"), m_scene->workplaceNode()); // a device on the site
    box->setActionTarget(&target);
    box->setActionCommand(7);

    // In design mode the label stands in for the button: nothing can be sent.
    QVERIFY(!box->actionButton()->isEnabled());
    m_scene->deselectAll();
    m_scene->setDesignMode(false);
    QGraphicsItem* proxy = m_scene->itemAt(QPointF(120, 60), QTransform());
    QVERIFY(proxy);
    QCOMPARE(proxy->parentItem(), static_cast<QGraphicsItem*>(box));
    QVERIFY(proxy->isEnabled());
    // A real click through a view, as the operator makes it.
    QGraphicsView view(m_scene.get());
    view.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view.resize(600, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(operatorClick(view.viewport(), view.mapFromScene(QPointF(120, 60))));
    QTRY_COMPARE(m_window->m_commands.size(), 1);
    // Outside design mode the box itself cannot be picked up.
    QVERIFY(!box->isSelected());
    QCOMPARE(m_window->m_commands.first().target, &target);
    QCOMPARE(m_window->m_commands.first().command, 7);
    // A new button toggles, sends its state and is saved as toggling.
    QCOMPARE(m_window->m_commands.first().value, QVariant(true));
    QDomDocument document;
    QCOMPARE(box->toXml(document).attribute(QStringLiteral("ButtonCheckable")), QStringLiteral("1"));
    box->setActionTarget(nullptr);
}

void TestScene::deleteAndUndoGatewayBox()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(300, 300));
    m_scene->setMode(GraphicsScene::AddGateway);
    click(QPointF(10, 10));
    GraphicsBox* gateway = boxAt(QPointF(100, 100));
    QVERIFY(gateway);
    Node* workplace = m_scene->workplaceNode();
    Node* energizerRoot = m_window->energizerModel()->rootNode();
    m_window->energizerModel()->insertNode(energizerRoot, -1, gateway->energizerNode());
    m_window->energizerModel()->insertNode(energizerRoot, 0, new Node(QStringLiteral("other")));
    m_window->m_log.clear();

    m_scene->clearSelection();
    gateway->setItemSelected(true);
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(m_scene.get(), &del);
    QCoreApplication::processEvents();

    QCOMPARE(m_scene->undoStack()->count(), 3);
    QCOMPARE(m_scene->undoStack()->text(2), QStringLiteral("Delete"));
    QCOMPARE(m_window->m_log, QStringList{QStringLiteral("GraphicsItem|Item box2 deleted")});
    QVERIFY(!gateway->scene());
    QVERIFY(!workplace->children.contains(gateway->node()));
    QVERIFY(!energizerRoot->children.contains(gateway->energizerNode()));
    QCOMPARE(m_window->currentTreeNode(), workplace);
    QVERIFY(m_window->action(QStringLiteral("actSave"))->isEnabled());

    m_scene->undoStack()->undo();
    QCOMPARE(gateway->scene(), m_scene.get());
    // Back unselected and without handles, as the tree shows the workplace: Delete deletes nothing.
    QVERIFY(!gateway->isSelected() && !gateway->handles().at(0));
    QApplication::sendEvent(m_scene.get(), &del);
    QCoreApplication::processEvents();
    QCOMPARE(m_scene->undoStack()->index(), 2);
    QCOMPARE(workplace->child(0), gateway->node());
    QCOMPARE(energizerRoot->child(0), gateway->energizerNode());
    QCOMPARE(gateway->node()->childCount(), 63);
    QVERIFY(m_window->elementModel()->nodeIndex(gateway->node()).isValid());

    m_scene->undoStack()->redo();
    QVERIFY(!gateway->scene());
    QVERIFY(!workplace->children.contains(gateway->node()));
    m_scene->undoStack()->undo();
    QCOMPARE(gateway->scene(), m_scene.get());
}

void TestScene::deleteWhileEditingEditsTheText()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    GraphicsBox* box = boxAt(QPointF(50, 50));
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_scene.get(), &activate);

    QGraphicsSceneMouseEvent dbl(QEvent::GraphicsSceneMouseDoubleClick);
    dbl.setScenePos(QPointF(60, 50));
    dbl.setButton(Qt::LeftButton);
    dbl.setButtons(Qt::LeftButton);
    m_scene->sendEvent(box, &dbl);
    QCOMPARE(int(box->captionItem()->textInteractionFlags()), 19);
    box->setSelected(true);
    QCOMPARE(m_scene->focusItem(), static_cast<QGraphicsItem*>(box->captionItem()->editor()));
    QTextCursor cursor = box->captionItem()->textCursor();
    cursor.setPosition(0);
    box->captionItem()->setTextCursor(cursor);

    const int steps = m_scene->undoStack()->count();
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(m_scene.get(), &del);
    QCOMPARE(box->scene(), m_scene.get());
    QCOMPARE(m_scene->undoStack()->count(), steps);
    QCOMPARE(box->captionItem()->toPlainText(), QStringLiteral("ext goes here"));
    // The delete action while editing leaves the box alone as well.
    m_window->action(QStringLiteral("actDelete"))->trigger();
    QCOMPARE(box->scene(), m_scene.get());
    QCOMPARE(m_scene->undoStack()->count(), steps);
}

TestScene::LinkedText TestScene::placeGatewayWithLinkedText()
{
    m_scene->setMode(GraphicsScene::AddGateway);
    click(QPointF(10, 10));
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(300, 300));
    GraphicsBox* gateway = boxAt(QPointF(100, 100));
    GraphicsBox* text = boxAt(QPointF(350, 350));
    Node* sector = gateway->node()->child(2)->child(0);
    m_window->elementModel()->insertNode(sector, 0, text->node());
    return {gateway, text, sector};
}

void TestScene::undoPutsALinkedTextBoxBackUnderItsSector()
{
    const LinkedText placed = placeGatewayWithLinkedText();
    GraphicsBox* gateway = placed.gateway;
    GraphicsBox* text = placed.text;
    Node* sector = placed.sector;
    QCOMPARE(text->node()->parent(), sector);

    m_scene->deselectAll();
    text->setItemSelected(true);
    m_scene->deleteSelectedItems(nullptr);
    QVERIFY(!sector->children.contains(text->node()));
    m_scene->undoStack()->undo();
    // The sector keeps showing the box's alarm, and the next save keeps the link.
    QCOMPARE(text->node()->parent(), sector);
    QCOMPARE(sector->child(0), text->node());
    QCOMPARE(gateway->findActionOwners(text->node()), QList<Node*>{sector});
}

void TestScene::gatewayAndItsLinkedTextBoxDeletedTogether_data()
{
    QTest::addColumn<bool>("gatewayFirst");
    QTest::newRow("gateway first") << true;
    QTest::newRow("text box first") << false;
}

void TestScene::gatewayAndItsLinkedTextBoxDeletedTogether()
{
    QFETCH(bool, gatewayFirst);
    const LinkedText placed = placeGatewayWithLinkedText();
    GraphicsBox* gateway = placed.gateway;
    GraphicsBox* text = placed.text;
    Node* sector = placed.sector;
    const QList<QGraphicsItem*> items = gatewayFirst ? QList<QGraphicsItem*>{gateway, text}
                                                     : QList<QGraphicsItem*>{text, gateway};

    m_scene->undoStack()->push(new DelItemCommand(m_scene.get(), items));
    QVERIFY(!m_scene->workplaceNode()->children.contains(gateway->node()));
    for (int round = 0; round < 2; ++round) {
        m_scene->undoStack()->undo();
        QCOMPARE(gateway->node()->parent(), m_scene->workplaceNode());
        QCOMPARE(text->node()->parent(), sector);
        QCOMPARE(gateway->findActionOwners(text->node()), QList<Node*>{sector});
        m_scene->undoStack()->redo();
    }
}

void TestScene::undoAfterTheFormerParentIsGone()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(300, 300));
    GraphicsBox* text = boxAt(QPointF(350, 350));
    Node* workplace = m_scene->workplaceNode();
    auto* holder = new Node(QStringLiteral("holder"));
    m_window->elementModel()->insertNode(workplace, 0, holder);
    m_window->elementModel()->insertNode(holder, 0, text->node());

    m_scene->deselectAll();
    text->setItemSelected(true);
    m_scene->deleteSelectedItems(nullptr);
    // The node the box hung under is removed from the tree, and freed, meanwhile.
    QVERIFY(m_window->elementModel()->removeRows(workplace->children.indexOf(holder), 1,
                                                 m_window->elementModel()->nodeIndex(workplace)));
    m_scene->undoStack()->undo();
    QCOMPARE(text->scene(), m_scene.get());
    QCOMPARE(text->node()->parent(), workplace);
    QCOMPARE(workplace->child(0), text->node());
}

void TestScene::deleteWithNothingSelected()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    m_scene->deselectAll();
    m_window->action(QStringLiteral("actSave"))->setEnabled(false);
    m_window->m_log.clear();
    m_window->action(QStringLiteral("actDelete"))->trigger();
    QCOMPARE(m_scene->undoStack()->count(), 1);
    QVERIFY(m_window->m_log.isEmpty());
    // Nothing deleted, nothing to save.
    QVERIFY(!m_window->action(QStringLiteral("actSave"))->isEnabled());
}

void TestScene::deleteItemActsOnlyInTheCurrentScene()
{
    std::unique_ptr<GraphicsScene> other = m_window->makeScene(QStringLiteral("Other"));
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    GraphicsBox* box = boxAt(QPointF(50, 50));
    box->setItemSelected(true);
    m_window->setCurrentScene(other.get());
    m_scene->deleteItem();
    m_window->action(QStringLiteral("actDelete"))->trigger();
    QCOMPARE(box->scene(), m_scene.get());
    m_window->setCurrentScene(m_scene.get());
    m_window->action(QStringLiteral("actDelete"))->trigger();
    QVERIFY(!box->scene());
}

void TestScene::oneUndoHistoryFollowsTheCurrentTab()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    QAction* undo = m_window->action(QStringLiteral("actUndo"));
    // A second workspace made later must not take the actions from the current one.
    std::unique_ptr<GraphicsScene> other = m_window->makeScene(QStringLiteral("Other"));
    QVERIFY(undo->isEnabled());
    m_window->setCurrentScene(other.get());
    QVERIFY(!undo->isEnabled());
    m_window->setCurrentScene(m_scene.get());
    undo->trigger();
    QVERIFY(!boxAt(QPointF(50, 50)));
    QVERIFY(m_window->action(QStringLiteral("actRedo"))->isEnabled());
    // The map reaches its host through the seam, whatever the widgets are called.
    for (QObject* child : m_window->findChildren<QObject*>())
        child->setObjectName(QString());
    m_window->m_log.clear();
    click(QPointF(300, 300));
    QCOMPARE(m_window->currentTreeNode(), m_scene->workplaceNode());
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(200, 200));
    QCOMPARE(m_window->currentTreeNode(), boxAt(QPointF(250, 250))->node());
}

void TestScene::undoAndRedoOfAnAddition()
{
    m_scene->setMode(GraphicsScene::AddGateway);
    click(QPointF(40, 30));
    GraphicsBox* box = boxAt(QPointF(100, 70));
    Node* node = box->node();
    Node* row = box->energizerNode();
    m_window->energizerModel()->insertNode(m_window->energizerModel()->rootNode(), -1, row);
    Node* device = node->child(0);

    // Undo takes the gateway's nodes out of both trees, redo puts them back.
    m_scene->undoStack()->undo();
    QVERIFY(!box->scene());
    QVERIFY(!m_window->elementModel()->contains(device));
    QVERIFY(!m_window->energizerModel()->contains(row));
    QVERIFY(m_window->action(QStringLiteral("actRedo"))->isEnabled());
    m_scene->undoStack()->redo();
    QCOMPARE(box->scene(), m_scene.get());
    QCOMPARE(box->pos(), QPointF(40, 30));
    QCOMPARE(node->parent(), m_scene->workplaceNode());
    QCOMPARE(m_window->energizerModel()->rootNode()->children, QList<Node*>{row});
    QVERIFY(m_scene->selectedItems().isEmpty());

    // Undone and then dropped by a new step: the command frees what it held.
    m_scene->undoStack()->undo();
    QPointer<GraphicsHelperClass> gone(box);
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(300, 300));
    QVERIFY(!gone);
    QVERIFY(!Node::isAlive(node) && !Node::isAlive(row) && !Node::isAlive(device));
}

void TestScene::moveAndResizeAreUndone()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(100, 100));
    GraphicsBox* box = boxAt(QPointF(150, 150));
    m_window->m_itemMovedCount = 0;

    mouse(QEvent::GraphicsSceneMousePress, QPointF(150, 150));
    mouse(QEvent::GraphicsSceneMouseMove, QPointF(170, 160));
    mouse(QEvent::GraphicsSceneMouseMove, QPointF(190, 175));
    mouse(QEvent::GraphicsSceneMouseRelease, QPointF(190, 175));
    QCOMPARE(box->pos(), QPointF(140, 125));
    QCOMPARE(box->elementPos(), QPointF(140, 125));
    QVERIFY(m_window->m_itemMovedCount > 0);
    QCOMPARE(m_scene->undoStack()->count(), 2);

    // Resize through the bottom-right handle.
    QGraphicsItem* handle = box->handles().at(2).data();
    const QPointF grab = handle->scenePos() + QPointF(3, 3);
    mouse(QEvent::GraphicsSceneMousePress, grab);
    mouse(QEvent::GraphicsSceneMouseMove, grab + QPointF(30, 20));
    mouse(QEvent::GraphicsSceneMouseRelease, grab + QPointF(30, 20));
    QCOMPARE(box->width(), 230.0);
    QCOMPARE(box->height(), 100.0);
    QCOMPARE(m_scene->undoStack()->count(), 3);

    m_scene->undoStack()->undo();
    QCOMPARE(box->width(), 200.0);
    QCOMPARE(box->height(), 80.0);
    QCOMPARE(box->pos(), QPointF(140, 125));
    m_scene->undoStack()->undo();
    QCOMPARE(box->pos(), QPointF(100, 100));
    QVERIFY(box->isSelected());
    QCOMPARE(box->handles().at(0)->parentItem(), static_cast<QGraphicsItem*>(box));
    m_scene->undoStack()->redo();
    QCOMPARE(box->pos(), QPointF(140, 125));
}

void TestScene::releaseAfterADoubleClickPushesNoSecondMove()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(100, 100));
    GraphicsBox* box = boxAt(QPointF(150, 150));
    QVERIFY(box);

    // A click that nudges the box, then the second click of a double click:
    // a view sends press, release, double click, release.
    mouse(QEvent::GraphicsSceneMousePress, QPointF(150, 150));
    mouse(QEvent::GraphicsSceneMouseMove, QPointF(152, 151));
    mouse(QEvent::GraphicsSceneMouseRelease, QPointF(152, 151));
    QCOMPARE(box->pos(), QPointF(102, 101));
    QCOMPARE(m_scene->undoStack()->count(), 2);
    mouse(QEvent::GraphicsSceneMouseDoubleClick, QPointF(152, 151));
    mouse(QEvent::GraphicsSceneMouseRelease, QPointF(152, 151));
    QCOMPARE(m_scene->undoStack()->count(), 2);

    // One undo step takes the nudge back.
    m_scene->undoStack()->undo();
    QCOMPARE(box->pos(), QPointF(100, 100));
}

void TestScene::releaseOnEmptySpaceSelectsTheWorkplace()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    GraphicsBox* box = boxAt(QPointF(50, 50));
    QVERIFY(box->isSelected());
    QCOMPARE(m_window->currentTreeNode(), box->node());
    click(QPointF(450, 450));
    QVERIFY(m_scene->selectedItems().isEmpty());
    QCOMPARE(box->handles().at(0), QSharedPointer<CornerGrabber>());
    QCOMPARE(m_window->currentTreeNode(), m_scene->workplaceNode());
}

// What events arriving before the event loop turns bring comes once they are
// delivered, in their order; what was asked for an element that has left the
// map meanwhile is dropped.
void TestScene::eventsTogetherTakeEffectInTheirOrder()
{
    GraphicsBox* boxes[3];
    for (int i = 0; i < 3; ++i) {
        m_scene->setMode(GraphicsScene::DrawText);
        click(QPointF(10, 10 + 150 * i));
        boxes[i] = boxAt(QPointF(50, 50 + 150 * i));
    }
    const auto clickTogether = [this](QPointF at) {
        mouse(QEvent::GraphicsSceneMousePress, at, {}, false);
        mouse(QEvent::GraphicsSceneMouseRelease, at, {}, false);
    };
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
    // Two clicks, then a move whose delivery turns the event loop: the second
    // box alone is selected, and the tree ends on it.
    connect(m_scene.get(), &GraphicsScene::mousePos, this, [] { QCoreApplication::processEvents(); });
    clickTogether(QPointF(50, 50));
    clickTogether(QPointF(50, 200));
    mouse(QEvent::GraphicsSceneMouseMove, QPointF(300, 300));
    QVERIFY(m_scene->selectedItems() == QList<QGraphicsItem*>{boxes[1]} && m_window->currentTreeNode() == boxes[1]->node());
    // A click, then Undo of the third box: the workplace current, nothing shows handles.
    clickTogether(QPointF(50, 50));
    m_window->action(QStringLiteral("actUndo"))->trigger();
    QCoreApplication::processEvents();
    QVERIFY(!boxes[0]->handles().at(0) && m_window->currentTreeNode() == m_scene->workplaceNode());
    // A press, Delete, the release: the box deleted takes no handles off the map.
    mouse(QEvent::GraphicsSceneMousePress, QPointF(50, 200), {}, false);
    QApplication::sendEvent(m_scene.get(), &del);
    mouse(QEvent::GraphicsSceneMouseRelease, QPointF(50, 200));
    QVERIFY(!boxes[1]->scene() && !boxes[1]->handles().at(0) && m_window->currentTreeNode() == m_scene->workplaceNode());
    // A click, then out of design mode: no handle stays.
    clickTogether(QPointF(50, 50));
    m_scene->setDesignMode(false);
    QCoreApplication::processEvents();
    QVERIFY(!boxes[0]->handles().at(0));
    m_scene->setDesignMode(true);
    // A double click, then Delete: the caption is edited, the box stays.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_scene.get(), &activate);
    clickTogether(QPointF(50, 50));
    mouse(QEvent::GraphicsSceneMouseDoubleClick, QPointF(50, 50), {}, false);
    mouse(QEvent::GraphicsSceneMouseRelease, QPointF(50, 50), {}, false);
    QApplication::sendEvent(m_scene.get(), &del);
    QCoreApplication::processEvents();
    QVERIFY(boxes[0]->scene() && boxes[0]->captionItem()->isEditing());
}

void TestScene::treeSelectionReachesTheMap()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 300));
    GraphicsBox* first = boxAt(QPointF(50, 50));
    GraphicsBox* second = boxAt(QPointF(50, 350));
    m_scene->deselectAll();
    first->setItemSelected(true);
    QVERIFY(first->isSelected());
    QVERIFY(!second->isSelected());
    m_scene->deselectAll();
    QVERIFY(!first->isSelected());
    QVERIFY(!first->handles().at(0));
}

void TestScene::modesAndDesignModeReachTheItems()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    GraphicsBox* box = boxAt(QPointF(50, 50));
    m_scene->setMode(GraphicsScene::DrawButton);
    QVERIFY(!(box->flags() & QGraphicsItem::ItemIsSelectable));
    QVERIFY(!(box->flags() & QGraphicsItem::ItemIsMovable));
    m_scene->setMode(GraphicsScene::SelectObject);
    QVERIFY(box->flags() & QGraphicsItem::ItemIsSelectable);
    QVERIFY(box->flags() & QGraphicsItem::ItemIsMovable);
    m_scene->setDesignMode(false);
    QVERIFY(!box->isEnabled());
    QVERIFY(!box->designMode());
    m_scene->setDesignMode(true);
    QVERIFY(box->isEnabled());
}

void TestScene::clearingTheMapEmptiesTheUndoStack()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    boxAt(QPointF(50, 50))->setItemSelected(true);
    m_scene->deleteSelectedItems(nullptr);
    QCOMPARE(m_scene->undoStack()->count(), 2);
    m_scene->clearMap();
    QCOMPARE(m_scene->undoStack()->count(), 0);
    QVERIFY(!m_window->action(QStringLiteral("actUndo"))->isEnabled());
    QVERIFY(m_scene->items().isEmpty());
    QVERIFY(!m_scene->backgroundItem());
}

void TestScene::freedElementLeavesNoPointerInItsNode()
{
    m_scene->setMode(GraphicsScene::DrawText);
    click(QPointF(10, 10));
    GraphicsBox* box = boxAt(QPointF(50, 50));
    Node* node = box->node();
    QCOMPARE(node->mapItem, static_cast<QGraphicsItem*>(box));
    m_scene->clearMap();
    QVERIFY(Node::isAlive(node));
    QCOMPARE(node->mapItem, nullptr);
}

void TestScene::clearedEnergizerModelLeavesNoRowOnTheBox()
{
    m_scene->setMode(GraphicsScene::AddGateway);
    click(QPointF(10, 10));
    GraphicsBox* box = boxAt(QPointF(50, 50));
    TreeModel* energizers = m_window->energizerModel();
    QVERIFY(energizers->insertNode(energizers->rootNode(), -1, box->energizerNode()));
    energizers->clear();
    QVERIFY(!box->energizerNode());
    box->setIP(QStringLiteral("10.0.0.1"));
    box->setWorkspaceName(QStringLiteral("North"));
    QCOMPARE(box->node()->data(0).toString(), QStringLiteral("10.0.0.1"));
}

void TestScene::gridLines()
{
    GridScene scene(QStringLiteral("Grid"));
    QImage image(200, 200, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.translate(50, 50);
    scene.paintGrid(&painter, QRectF(-30, 12, 100, 100));
    painter.end();
    auto isGrid = [&image](int x, int y) {
        const QColor c = image.pixelColor(x, y);
        return c != QColor(Qt::white) && c.blue() == 255 && c.red() < 240 && c.red() == c.green();
    };
    // Vertical lines at x = -25, 0, 25, 50 from y = 12 to 112.
    for (int x : {-25, 0, 25, 50})
        QVERIFY2(isGrid(50 + x, 50 + 60), qPrintable(QString::number(x)));
    QVERIFY(!isGrid(50 - 30, 50 + 60));
    QVERIFY(!isGrid(50 - 50, 50 + 60));
    QVERIFY(!isGrid(50 + 75, 50 + 60));
    QVERIFY(!isGrid(50 - 25, 50 + 5)); // above the rectangle
    // Horizontal lines at y = 0, 25, 50, 75, 100 from x = -30 to 70.
    for (int y : {0, 25, 50, 75, 100})
        QVERIFY2(isGrid(50 + 10, 50 + y), qPrintable(QString::number(y)));
    QVERIFY(!isGrid(50 + 10, 50 - 25));
    QVERIFY(!isGrid(50 + 10, 50 + 125));
    QVERIFY(!isGrid(50 + 10, 50 + 12));
}

QTEST_MAIN(TestScene)
#include "tst_scene.moc"
