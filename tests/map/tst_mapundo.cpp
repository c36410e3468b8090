#include "delitemcommand.h"
#include "fakemainwindow.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "messagecatcher.h"
#include "node.h"
#include "resources.h"
#include "scenemouse.h"
#include "treemodel.h"
#include "workspacefixture.h"

#include <QAction>
#include <QDomDocument>
#include <QUndoStack>
#include <QtTest>

// Undo and redo of adding and deleting fence lines and TW sector circles,
// with their nodes taken out of the element tree and put back where they hung.
class TestMapUndo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addingALineIsUndone();
    void deletedLineReturnsToItsSector();
    void deletedCircleKeepsItsActions();
    void deletedCircleReturnsOntoItsLine();
    void lineAndCircleDeletedTogether_data();
    void lineAndCircleDeletedTogether();
    void circleAndItsLineActionDeletedTogether_data();
    void circleAndItsLineActionDeletedTogether();
    void ridingCircleGoesAndComesBackWithItsNode_data();
    void ridingCircleGoesAndComesBackWithItsNode();
    void clearingTheMapDropsEveryStep();
    void elementHeldOffItsMapLeavesAnUndoneGateway();

private:
    GraphicsLine* drawLine(const QPointF& from, const QPointF& to);
    GraphicsCircle* placeCircle(const QPointF& at);
    void deleteOnly(QGraphicsItem* item);

    std::unique_ptr<FakeMainWindow> m_window;
    std::unique_ptr<GraphicsScene> m_scene;
    std::unique_ptr<Node> m_twRoot;
};

void TestMapUndo::initTestCase()
{
    initLumetraResources();
}

void TestMapUndo::init()
{
    m_window = std::make_unique<FakeMainWindow>();
    m_scene = m_window->makeScene(QStringLiteral("Site"));
    m_window->setCurrentScene(m_scene.get());
    m_scene->setDesignMode(true);
    m_twRoot = std::make_unique<Node>(QStringLiteral("TW"));
}

void TestMapUndo::cleanup()
{
    for (GraphicsBox* box : m_scene->gatewayBoxes())
        delete box->energizerNode();
    m_scene.reset();
    m_window.reset();
    m_twRoot.reset();
}

GraphicsLine* TestMapUndo::drawLine(const QPointF& from, const QPointF& to)
{
    SceneMouse mouse(m_scene.get());
    m_scene->setMode(GraphicsScene::DrawLine);
    mouse.press(from);
    mouse.move(to);
    mouse.release(to);
    for (QGraphicsItem* item : m_scene->items(to)) {
        if (item->type() == GraphicsLine::Type)
            return static_cast<GraphicsLine*>(item);
    }
    return nullptr;
}

GraphicsCircle* TestMapUndo::placeCircle(const QPointF& at)
{
    SceneMouse mouse(m_scene.get());
    m_scene->setMode(GraphicsScene::AddTWSector);
    mouse.click(at);
    for (QGraphicsItem* item : m_scene->items(at)) {
        if (item->type() == GraphicsCircle::Type)
            return static_cast<GraphicsCircle*>(item);
    }
    return nullptr;
}

void TestMapUndo::deleteOnly(QGraphicsItem* item)
{
    m_scene->deselectAll();
    m_scene->clearSelection();
    item->setSelected(true);
    m_scene->deleteSelectedItems(nullptr);
}

void TestMapUndo::addingALineIsUndone()
{
    GraphicsLine* line = drawLine({10, 10}, {90, 10});
    QVERIFY(line);
    QCOMPARE(m_scene->undoStack()->count(), 1);
    m_scene->undoStack()->undo();
    QVERIFY(!line->scene());
    QVERIFY(!line->node()->parent());
    QVERIFY(m_window->action(QStringLiteral("actRedo"))->isEnabled());
    m_scene->undoStack()->redo();
    QCOMPARE(line->scene(), m_scene.get());
    QCOMPARE(line->node()->parent(), m_scene->workplaceNode());
    QCOMPARE(line->pos(), QPointF(0, 0));
    QCOMPARE(line->points(), (QList<QPointF>{{10, 10}, {90, 10}}));
    QVERIFY(m_scene->selectedItems().isEmpty());
}

void TestMapUndo::deletedLineReturnsToItsSector()
{
    auto* gateway = new GraphicsBox(GraphicsBox::GatewayBox);
    m_scene->insertItem(gateway);
    m_scene->sceneModeChanged(gateway, GraphicsScene::SelectObject);
    Node* sector = gateway->node()->child(1)->child(0);
    auto* alarm = new Node(QStringLiteral("alarm"), sector);
    alarm->type = Node::TextLabel;

    GraphicsLine* line = drawLine({10, 200}, {90, 200});
    m_window->elementModel()->insertNode(sector, 1, line->node());
    QCOMPARE(sector->children.indexOf(line->node()), 1);

    deleteOnly(line);
    QVERIFY(!line->scene());
    QVERIFY(!sector->children.contains(line->node()));
    QVERIFY(m_window->m_log.contains(QStringLiteral("GraphicsItem|Item fence1 deleted")));
    m_scene->undoStack()->undo();
    QCOMPARE(line->scene(), m_scene.get());
    QCOMPARE(line->node()->parent(), sector);
    QCOMPARE(sector->children.indexOf(line->node()), 1);
    m_scene->undoStack()->redo();
    QVERIFY(!sector->children.contains(line->node()));
    m_scene->undoStack()->undo();
    QCOMPARE(line->node()->parent(), sector);
}

void TestMapUndo::deletedCircleKeepsItsActions()
{
    const WorkspaceFixture::TwSystem tw = WorkspaceFixture::addTwSystem(m_scene.get(), m_twRoot.get(), 3);
    GraphicsCircle* circle = placeCircle({200, 200});
    QVERIFY(circle);
    Node* node = circle->node();
    QCOMPARE(node->parent(), tw.elementSystem);
    Node* first = tw.elementSensors.at(0);
    Node* second = tw.elementSensors.at(2);
    m_window->elementModel()->insertNode(node, 0, second);
    m_window->elementModel()->insertNode(node, 0, first);
    const int row = tw.elementSystem->children.indexOf(node);

    deleteOnly(circle);
    QVERIFY(!circle->scene());
    QVERIFY(!tw.elementSystem->children.contains(node));
    // The actions stay in the tree, at the top of the sector's former parent.
    QCOMPARE(first->parent(), tw.elementSystem);
    QCOMPARE(second->parent(), tw.elementSystem);
    QCOMPARE(tw.elementSystem->children.indexOf(first), 1);
    QCOMPARE(tw.elementSystem->children.indexOf(second), 0);

    m_scene->undoStack()->undo();
    QCOMPARE(circle->scene(), m_scene.get());
    QCOMPARE(node->parent(), tw.elementSystem);
    QCOMPARE(tw.elementSystem->children.indexOf(node), row);
    QCOMPARE(node->children, (QList<Node*>{first, second}));
    QVERIFY(WorkspaceFixture::treeIsSound(m_window->elementTreeRoot()));

    // An action moved elsewhere while the sector was deleted stays there.
    m_scene->undoStack()->redo();
    m_window->elementModel()->insertNode(m_scene->workplaceNode(), 0, second);
    m_scene->undoStack()->undo();
    QCOMPARE(node->children, (QList<Node*>{first}));
    QCOMPARE(second->parent(), m_scene->workplaceNode());
}

void TestMapUndo::deletedCircleReturnsOntoItsLine()
{
    GraphicsLine* line = drawLine({0, 300}, {200, 300});
    GraphicsCircle* circle = placeCircle({300, 100});
    circle->setElementPos(60, 300);
    circle->mouseReleaseEvent(nullptr);
    QCOMPARE(circle->parentItem(), static_cast<QGraphicsItem*>(line));

    deleteOnly(circle);
    QVERIFY(!circle->scene());
    QVERIFY(!line->childItems().contains(circle));
    m_scene->undoStack()->undo();
    QCOMPARE(circle->scene(), m_scene.get());
    QCOMPARE(circle->parentItem(), static_cast<QGraphicsItem*>(line));
    QCOMPARE(circle->pos(), QPointF(60, 300));

    // Without a TW system the circle's node goes back where it hung: the workplace.
    QCOMPARE(circle->node()->parent(), m_scene->workplaceNode());
}

void TestMapUndo::lineAndCircleDeletedTogether_data()
{
    QTest::addColumn<bool>("circleFirst");
    QTest::newRow("circle first") << true;
    QTest::newRow("line first") << false;
}

void TestMapUndo::lineAndCircleDeletedTogether()
{
    QFETCH(bool, circleFirst);
    GraphicsLine* line = drawLine({0, 300}, {200, 300});
    GraphicsCircle* circle = placeCircle({300, 100});
    circle->setElementPos(60, 300);
    circle->mouseReleaseEvent(nullptr);
    const QList<QGraphicsItem*> items = circleFirst ? QList<QGraphicsItem*>{circle, line}
                                                    : QList<QGraphicsItem*>{line, circle};
    MessageCatcher catcher;
    m_scene->undoStack()->push(new DelItemCommand(m_scene.get(), items));
    QVERIFY(!line->scene());
    QVERIFY(!circle->scene());
    m_scene->undoStack()->undo();
    QCOMPARE(line->scene(), m_scene.get());
    QCOMPARE(circle->parentItem(), static_cast<QGraphicsItem*>(line));
    m_scene->undoStack()->redo();
    m_scene->undoStack()->undo();
    QCOMPARE(circle->parentItem(), static_cast<QGraphicsItem*>(line));
    // Nothing was removed from or added to the scene twice.
    QVERIFY(catcher.messages().filter(QStringLiteral("QGraphicsScene")).isEmpty());
}

void TestMapUndo::circleAndItsLineActionDeletedTogether_data()
{
    QTest::addColumn<bool>("circleFirst");
    QTest::newRow("circle first") << true;
    QTest::newRow("line first") << false;
}

void TestMapUndo::circleAndItsLineActionDeletedTogether()
{
    QFETCH(bool, circleFirst);
    const WorkspaceFixture::TwSystem tw = WorkspaceFixture::addTwSystem(m_scene.get(), m_twRoot.get(), 2);
    GraphicsLine* line = drawLine({0, 300}, {200, 300});
    GraphicsCircle* circle = placeCircle({300, 100});
    Node* sector = circle->node();
    Node* sensor = tw.elementSensors.at(0);
    m_window->elementModel()->insertNode(sector, 0, sensor);
    m_window->elementModel()->insertNode(sector, 1, line->node());
    const QList<Node*> actions{sensor, line->node()};
    const QList<QGraphicsItem*> items = circleFirst ? QList<QGraphicsItem*>{circle, line}
                                                    : QList<QGraphicsItem*>{line, circle};

    m_scene->undoStack()->push(new DelItemCommand(m_scene.get(), items));
    QVERIFY(!tw.elementSystem->children.contains(sector));
    QVERIFY(!tw.elementSystem->children.contains(line->node()));

    // Undone, the sector comes back with every action it had, the line's too.
    for (int round = 0; round < 2; ++round) {
        m_scene->undoStack()->undo();
        QCOMPARE(sector->parent(), tw.elementSystem);
        QCOMPARE(sector->children, actions);
        QCOMPARE(line->node()->parent(), sector);
        QVERIFY(WorkspaceFixture::treeIsSound(m_window->elementTreeRoot()));
        m_scene->undoStack()->redo();
    }
}

void TestMapUndo::ridingCircleGoesAndComesBackWithItsNode_data()
{
    QTest::addColumn<int>("step");  // 0 deletes the line, 1 undoes the line's Add, 2 the circle's
    for (int step : {0, 1, 2})
        QTest::addRow("step %d", step) << step;
}

void TestMapUndo::ridingCircleGoesAndComesBackWithItsNode()
{
    QFETCH(int, step);
    const WorkspaceFixture::TwSystem tw = WorkspaceFixture::addTwSystem(m_scene.get(), m_twRoot.get(), 1);
    GraphicsCircle* circle = step == 1 ? placeCircle({300, 100}) : nullptr;
    GraphicsLine* line = drawLine({0, 300}, {200, 300});
    circle = circle ? circle : placeCircle({300, 100});
    circle->setElementPos(60, 300);
    circle->mouseReleaseEvent(nullptr);
    Node* node = circle->node();
    const auto onMapInTreeAndFile = [&](bool onMap) {
        QDomDocument file;
        file.appendChild(WorkspaceFixture::writeWorkspace(file, m_scene.get()));
        return (circle->scene() == m_scene.get()) == onMap && (node->parent() == tw.elementSystem) == onMap
            && file.toString().contains(QStringLiteral("TWSector")) == onMap && circle->scenePos() == QPointF(60, 300);
    };
    step == 0 ? deleteOnly(line) : m_scene->undoStack()->undo();
    QVERIFY(onMapInTreeAndFile(step == 1));
    QCOMPARE(m_window->m_log.contains(QStringLiteral("GraphicsItem|Item twsector1 deleted")), step == 0);
    step == 0 ? m_scene->undoStack()->undo() : m_scene->undoStack()->redo();
    QVERIFY(onMapInTreeAndFile(true) && circle->parentItem() == line && circle->pos() == QPointF(60, 300));
    step == 0 ? m_scene->undoStack()->redo() : m_scene->undoStack()->undo();
    m_scene->undoStack()->clear();
    QCOMPARE(Node::isAlive(node), step == 1);
}

void TestMapUndo::clearingTheMapDropsEveryStep()
{
    GraphicsLine* line = drawLine({10, 10}, {90, 10});
    placeCircle({200, 200});
    line->setSelection(true);
    SceneMouse mouse(m_scene.get());
    mouse.drag({50, 10}, {50, 60});
    deleteOnly(line);
    QVERIFY(m_scene->undoStack()->count() >= 4);
    Node* node = line->node();

    m_scene->clearMap();
    QCOMPARE(m_scene->undoStack()->count(), 0);
    QVERIFY(!m_window->action(QStringLiteral("actUndo"))->isEnabled());
    m_scene->undoStack()->undo();
    m_scene->undoStack()->redo();
    QVERIFY(m_scene->items().isEmpty());
    // The deleted line went with the step that held it, its node too.
    QVERIFY(!Node::isAlive(node));

    // Drawing goes on normally afterwards.
    QVERIFY(drawLine({10, 10}, {90, 10}));
    QCOMPARE(m_scene->undoStack()->count(), 1);
}

// A line hung under a gateway's sector, off its map as another step would hold
// it, leaves with the gateway's undone placing and is not freed with its nodes.
void TestMapUndo::elementHeldOffItsMapLeavesAnUndoneGateway()
{
    m_scene->setMode(GraphicsScene::AddGateway);
    SceneMouse(m_scene.get()).click({20, 20});
    Node* sector = m_scene->gatewayBoxes().value(0)->node()->child(1)->child(0);
    std::unique_ptr<GraphicsLine> line(new GraphicsLine);
    m_window->elementModel()->insertNode(sector, 0, line->node());
    for (int step : {0, 1, 0}) {
        m_scene->undoStack()->setIndex(step);
        QCOMPARE(line->node()->parent(), step ? sector : m_scene->workplaceNode());
    }
    m_scene->undoStack()->clear();
    QVERIFY(Node::isAlive(line->node()) && line->node()->parent() == m_scene->workplaceNode());
}

QTEST_MAIN(TestMapUndo)
#include "tst_mapundo.moc"
