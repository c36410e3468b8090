#include "cornergrabber.h"
#include "fakemainwindow.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "resources.h"
#include "scenemouse.h"
#include "treemodel.h"
#include "workspacefixture.h"

#include <QDomDocument>
#include <QPainter>
#include <QUndoStack>
#include <QtTest>

// TW sector circles: geometry, state colours and blinking, placement under
// the TW system, the drop onto a fence line and the ride along it, and the
// project-file form with its actions.
class TestTwCircle : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void geometryAndHandles();
    void stateBlinksUnlessReady();
    void disabledSectorIsBlue();
    void placedUnderTheTwSystem();
    void dropOntoALine_data();
    void dropOntoALine();
    void ridesAlongItsSegment_data();
    void ridesAlongItsSegment();
    void ridesToTheEndOfAnEmptySegment();
    void writesItsItem();
    void readsActionsInFileOrder();
    void readingSkipsWhatDoesNotResolve();

private:
    GraphicsLine* lineWith(const QList<QPointF>& points);
    QColor discPixel(GraphicsCircle* circle);

    std::unique_ptr<WorkspaceFixture::Site> m_site;
    GraphicsScene* m_scene = nullptr;
};

void TestTwCircle::initTestCase()
{
    initLumetraResources();
}

void TestTwCircle::init()
{
    m_site = std::make_unique<WorkspaceFixture::Site>();
    m_scene = m_site->scene.get();
}

void TestTwCircle::cleanup()
{
    m_site.reset();
}

GraphicsLine* TestTwCircle::lineWith(const QList<QPointF>& points)
{
    auto* line = new GraphicsLine;
    for (const QPointF& p : points)
        line->appendPoint(p);
    m_scene->insertItem(line);
    return line;
}

QColor TestTwCircle::discPixel(GraphicsCircle* circle)
{
    QImage image(60, 60, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    circle->paint(&painter, nullptr, nullptr);
    painter.end();
    const QPointF centre = circle->discRect().center();
    return image.pixelColor(centre.toPoint());
}

void TestTwCircle::geometryAndHandles()
{
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    m_scene->insertItem(circle);
    QCOMPARE(circle->boundingRect(), QRectF(0, 0, 40, 40));
    QCOMPARE(circle->discRect(), QRectF(3, 3, 20, 20));
    QCOMPARE(circle->node()->type, int(Node::TWSector));
    QCOMPARE(circle->node()->mapItem, static_cast<QGraphicsItem*>(circle));
    QCOMPARE(circle->segmentIndex(), -1);
    QCOMPARE(circle->fraction(), -1.0f);

    circle->setItemSelected(true);
    QCOMPARE(circle->handles().size(), 4);
    const QList<QPointF> corners{{0, 0}, {20, 0}, {20, 20}, {0, 20}};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(circle->handles().at(i)->pos(), corners.at(i));

    circle->setWidth(60);
    circle->setHeight(50);
    circle->setItemSelected(false);
    circle->setItemSelected(true);
    QCOMPARE(circle->discRect(), QRectF(3, 3, 40, 30));
    const QList<QPointF> resized{{0, 0}, {40, 0}, {40, 30}, {0, 30}};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(circle->handles().at(i)->pos(), resized.at(i));
    circle->setItemSelected(false);
    for (const auto& handle : circle->handles())
        QVERIFY(!handle);
}

void TestTwCircle::stateBlinksUnlessReady()
{
    GraphicsCircle circle(GraphicsCircle::PlacedKind);
    Node paired(QStringLiteral("sector"));
    paired.columns = {QString(), QString()};
    circle.node()->deviceNode = &paired;

    const QColor ready = sensorStateInfo(SensorState::Ready).color;
    circle.setStatus(SensorState::Ready);
    QCOMPARE(discPixel(&circle), ready);
    circle.setStatus(SensorState::Ready);
    QCOMPARE(discPixel(&circle), ready);
    QCOMPARE(paired.data(1).toInt(), SensorState::Ready);

    const QColor alarm = sensorStateInfo(SensorState::Alarm).color;
    QList<bool> drawn;
    for (int i = 0; i < 4; ++i) {
        circle.setStatus(SensorState::Alarm);
        drawn.append(discPixel(&circle) == alarm);
    }
    QCOMPARE(drawn, (QList<bool>{false, true, false, true}));
    QCOMPARE(paired.data(1).toInt(), SensorState::Alarm);
    // Off phase: nothing at all is drawn.
    circle.setStatus(SensorState::Alarm);
    QCOMPARE(discPixel(&circle), QColor(Qt::white));
    circle.node()->deviceNode = nullptr;
}

void TestTwCircle::disabledSectorIsBlue()
{
    GraphicsCircle circle(GraphicsCircle::PlacedKind);
    circle.setStatus(SensorState::Ready);
    circle.node()->enabled = false;
    QCOMPARE(discPixel(&circle), QColor(Qt::blue));
}

void TestTwCircle::placedUnderTheTwSystem()
{
    const WorkspaceFixture::TwSystem& tw = m_site->tw;
    SceneMouse mouse(m_scene);
    m_scene->setMode(GraphicsScene::AddTWSector);
    mouse.click({100, 100});

    GraphicsCircle* circle = nullptr;
    for (QGraphicsItem* item : m_scene->items()) {
        if (item->type() == GraphicsCircle::Type)
            circle = static_cast<GraphicsCircle*>(item);
    }
    QVERIFY(circle);
    QCOMPARE(circle->objectName(), QStringLiteral("twsector1"));
    QCOMPARE(circle->node()->data(0).toString(), QStringLiteral("twsector1"));
    QCOMPARE(circle->kind(), int(GraphicsCircle::PlacedKind));
    QCOMPARE(circle->pos(), QPointF(100, 100));
    QCOMPARE(circle->node()->parent(), tw.elementSystem);
    QCOMPARE(m_scene->undoStack()->count(), 1);
    QCOMPARE(m_scene->mode(), GraphicsScene::SelectObject);
    QVERIFY(m_site->window->m_log.contains(QStringLiteral("GraphicsItem|Item twsector1 added")));

    // A moved circle gets no undo step.
    mouse.drag({110, 110}, {150, 130});
    QCOMPARE(circle->pos(), QPointF(140, 120));
    QCOMPARE(m_scene->undoStack()->count(), 1);

    // A sensor put into the sector is no part of its placing: it stays on
    // the site while the placing is undone.
    Node* sensor = tw.elementSensors.at(2);
    QVERIFY(m_scene->elementModel()->moveNode(circle->node(), sensor));
    m_scene->undoStack()->undo();
    QVERIFY(!circle->scene());
    QCOMPARE(sensor->parent(), tw.elementSystem);
    m_scene->undoStack()->redo();
    QCOMPARE(circle->scene(), m_scene);
    QCOMPARE(sensor->parent(), circle->node());
}

void TestTwCircle::dropOntoALine_data()
{
    QTest::addColumn<QLineF>("drawn");
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<bool>("attached");
    QTest::addColumn<int>("segment");
    QTest::addColumn<float>("fraction");
    // Where the circle stands once the line's last point has moved.
    QTest::addColumn<QPointF>("kept");
    QTest::addColumn<QPointF>("lineDraggedBy");
    const QLineF shortOne(0, 0, 100, 0);
    QTest::newRow("on the segment") << shortOne << QPointF(45, -11) << true << 0 << 0.5f << QPointF(45, -11) << QPointF();
    // Touches the band, 40 units from the segment: on none, it goes to the line's start.
    QTest::newRow("beside the segment") << shortOne << QPointF(45, -40) << true << 0 << 0.0f << QPointF(-5, -11) << QPointF();
    QTest::newRow("empty space") << shortOne << QPointF(300, 300) << false << 0 << 0.0f << QPointF(300, 300) << QPointF();
    QTest::newRow("on a long segment") << QLineF(40, 300, 600, 300) << QPointF(437, 289) << true << 0 << 402 / 560.0f << QPointF(437, 289) << QPointF();
    QTest::newRow("on a long slope") << QLineF(0, 0, 400, 300) << QPointF(179, 127) << true << 0 << 0.46f << QPointF(179, 127) << QPointF();
    QTest::newRow("on a dragged line") << shortOne << QPointF(245, 139) << true << 0 << 0.5f << QPointF(245, 139) << QPointF(200, 150);
}

void TestTwCircle::dropOntoALine()
{
    QFETCH(QLineF, drawn);
    QFETCH(QPointF, at);
    QFETCH(bool, attached);
    QFETCH(int, segment);
    QFETCH(float, fraction);
    QFETCH(QPointF, kept);
    QFETCH(QPointF, lineDraggedBy);
    GraphicsLine* line = lineWith({drawn.p1(), drawn.p2(), drawn.p2() + QPointF(0, 50)});
    SceneMouse mouse(m_scene);
    if (!lineDraggedBy.isNull())
        mouse.drag(drawn.center(), drawn.center() + lineDraggedBy);
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    m_scene->insertItem(circle);
    circle->setElementPos(at);
    circle->mouseReleaseEvent(nullptr);
    QCOMPARE(circle->parentItem(), attached ? static_cast<QGraphicsItem*>(line) : nullptr);
    QCOMPARE(circle->segmentIndex(), segment);
    QCOMPARE(circle->fraction(), fraction);
    QCOMPARE(circle->scenePos(), at);
    QDomDocument document;
    QCOMPARE(circle->toXml(document).attribute("y").toInt(), int(at.y()));
    line->setPoints({drawn.p1(), drawn.p2(), drawn.p2() + QPointF(70, 50)});
    QCOMPARE(circle->scenePos(), kept);

    // Dragged off onto empty map space it leaves the line.
    const QPointF grab = circle->mapToScene(QPointF(13, 13));
    mouse.drag(grab, grab + QPointF(0, 150));
    QCOMPARE(circle->parentItem(), nullptr);
    QCOMPARE(circle->pos(), kept + QPointF(0, 150));
    QCOMPARE(circle->segmentIndex(), 0);
}

void TestTwCircle::ridesAlongItsSegment_data()
{
    QTest::addColumn<QPointF>("at");
    QTest::addColumn<int>("segment");
    QTest::addColumn<float>("fraction");
    // Where the circle stands once the shared corner moved from (100, 0) to (200, 0): its anchor, 5 right
    // and 11 down, at its fraction of the segment.
    QTest::addColumn<QPointF>("rode");
    // Anchor (90, 51): 0.51 of segment 1, then 0.51 of the way from (200, 0) to (100, 100), (149, 51).
    QTest::newRow("along segment 1") << QPointF(85, 40) << 1 << 0.51f << QPointF(144, 40);
    // Probe (110, -10), as near both segments, at their corner: the later wins. Anchor (105, 1) at 0.01, then (199, 1).
    QTest::newRow("tie at the corner") << QPointF(100, -10) << 1 << 0.01f << QPointF(194, -10);
    // Probe (113, -11), past the end of segment 0 and before the start of segment 1: nearest at the corner of
    // both, the later wins; anchor (108, 0) is taken to its start, which rides to (200, 0).
    QTest::newRow("past the corner") << QPointF(103, -11) << 1 << 0.0f << QPointF(195, -11);
}

void TestTwCircle::ridesAlongItsSegment()
{
    QFETCH(QPointF, at);
    QFETCH(int, segment);
    QFETCH(float, fraction);
    QFETCH(QPointF, rode);
    GraphicsLine* line = lineWith({{0, 0}, {100, 0}, {100, 100}});
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    m_scene->insertItem(circle);
    circle->setElementPos(at);
    circle->mouseReleaseEvent(nullptr);
    QCOMPARE(circle->segmentIndex(), segment);
    QCOMPARE(circle->fraction(), fraction);

    // Drag the shared corner to (200, 0), by its handle's left edge, clear of the circle: the circle keeps its fraction.
    line->setSelection(true);
    SceneMouse mouse(m_scene);
    mouse.press({98, 0});
    mouse.move({150, 0});
    mouse.move({200, 0});
    mouse.release({200, 0});
    QCOMPARE(line->points().at(1), QPointF(200, 0));
    QCOMPARE(circle->pos(), rode);
    QCOMPARE(circle->fraction(), fraction);
}

void TestTwCircle::ridesToTheEndOfAnEmptySegment()
{
    GraphicsLine* line = lineWith({{0, 0}, {100, 0}, {100, 50}});
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    m_scene->insertItem(circle);
    circle->setElementPos(85, 10);
    circle->mouseReleaseEvent(nullptr);
    QCOMPARE(circle->segmentIndex(), 1);
    // Both ends of segment 1 on one spot: the circle goes to its end.
    line->setPoints({{0, 0}, {100, 50}, {100, 50}});
    QCOMPARE(circle->pos(), QPointF(95, 39));
    // A line that loses the segment leaves the circle where it is.
    line->setPoints({{0, 0}, {10, 10}});
    QCOMPARE(circle->pos(), QPointF(95, 39));
}

void TestTwCircle::writesItsItem()
{
    const WorkspaceFixture::TwSystem& tw = m_site->tw;
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    m_scene->insertItem(circle);
    circle->setName(QStringLiteral("twsector1"));
    circle->setElementPos(QPointF(12.8, 7.2));
    Node* sensor = tw.elementSensors.at(2);
    sensor->insertInto(circle->node(), 0);
    QDomDocument document;
    QCOMPARE(WorkspaceFixture::canonical(circle->toXml(document)),
             WorkspaceFixture::canonical(QStringLiteral(
                 "<Item itemType=\"TWSector\" name=\"twsector1\" x=\"12\" y=\"7\" width=\"40\" height=\"40\">"
                 "<Action actRefObjType=\"16\" actRefObj=\"3\" StateEnable=\"1\"/></Item>")));

    // A sensor that lost its partner is written without a reference; a line by its name.
    sensor->deviceNode->deviceNode = nullptr;
    sensor->deviceNode = nullptr;
    sensor->enabled = false;
    auto* line = new GraphicsLine;
    line->setName(QStringLiteral("fence9"));
    line->node()->insertInto(circle->node(), 0);
    QCOMPARE(WorkspaceFixture::canonical(circle->toXml(document)),
             WorkspaceFixture::canonical(QStringLiteral(
                 "<Item itemType=\"TWSector\" name=\"twsector1\" x=\"12\" y=\"7\" width=\"40\" height=\"40\">"
                 "<Action actRefObjType=\"3\" actRefObj=\"fence9\" StateEnable=\"1\"/>"
                 "<Action actRefObjType=\"16\" StateEnable=\"0\"/></Item>")));
    line->node()->setParent(nullptr);
    delete line->node();
    delete line;
}

void TestTwCircle::readsActionsInFileOrder()
{
    const WorkspaceFixture::TwSystem& tw = m_site->tw;
    Node* sound = m_site->sounds.first();
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral(
        "<Item itemType=\"TWSector\" name=\"west\" x=\"30\" y=\"bad\">"
        "<Action actRefObjType=\"16\" actRefObj=\"2\" StateEnable=\"0\"/>"
        "<!-- comment -->"
        "<Action actRefObjType=\"7\" actRefObj=\"siren.wav\"/>"
        "<Action actRefObjType=\"16\" actRefObj=\"3\"/>"
        "</Item>")));
    auto* circle = new GraphicsCircle(GraphicsCircle::FileKind);
    m_scene->insertItem(circle);
    circle->readXml(document.documentElement(), tw.elementSystem);

    QCOMPARE(circle->kind(), int(GraphicsCircle::FileKind));
    QCOMPARE(circle->objectName(), QStringLiteral("west"));
    QCOMPARE(circle->node()->data(0).toString(), QStringLiteral("west"));
    QCOMPARE(circle->node()->parent(), tw.elementSystem);
    QCOMPARE(circle->pos(), QPointF(30, 0));
    QCOMPARE(circle->width(), 40.0);
    QCOMPARE(circle->height(), 40.0);
    QCOMPARE(circle->zValue(), 15.0);

    Node* node = circle->node();
    QCOMPARE(node->childCount(), 3);
    QCOMPARE(node->child(0), tw.elementSensors.at(1));
    QCOMPARE(node->child(1)->type, int(Node::SoundAlarm));
    QCOMPARE(node->child(1)->childCount(), 0);
    QCOMPARE(node->child(2), tw.elementSensors.at(2));
    QVERIFY(!tw.elementSensors.at(1)->enabled);
    QVERIFY(!tw.modelSensors.at(1)->enabled);
    // The sound alarm keeps its own child and lists the copy.
    QCOMPARE(sound->children, (QList<Node*>{sound->child(0), node->child(1)}));
    QVERIFY(WorkspaceFixture::treeIsSound(m_site->window->elementTreeRoot()));

    // Written again, the actions come out as they were read.
    const QDomElement written = circle->toXml(document);
    QStringList references;
    for (QDomElement a = written.firstChildElement(); !a.isNull(); a = a.nextSiblingElement())
        references.append(a.attribute(QStringLiteral("actRefObj")));
    QCOMPARE(references, (QStringList{QStringLiteral("2"), QStringLiteral("siren.wav"), QStringLiteral("3")}));
}

void TestTwCircle::readingSkipsWhatDoesNotResolve()
{
    const WorkspaceFixture::TwSystem& tw = m_site->tw;
    auto* box = new GraphicsLine;
    box->setName(QStringLiteral("fence3"));
    m_scene->insertItem(box);
    m_scene->sceneModeChanged(box, GraphicsScene::SelectObject);

    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral(
        "<Item itemType=\"TWSector\" name=\"east\" width=\"55.7\" height=\"x\">"
        "<Action actRefObjType=\"16\" actRefObj=\"0\"/>"
        "<Action actRefObjType=\"16\" actRefObj=\"5\"/>"
        "<Action actRefObjType=\"16\" actRefObj=\"two\"/>"
        "<Action actRefObjType=\"16\" actRefObj=\"-2147483648\"/>" // no overflow (sanitizer builds)
        "<Action actRefObjType=\"7\" actRefObj=\"horn.wav\"/>"
        "<Action actRefObjType=\"2\" actRefObj=\"fence3\"/>"
        "<Action actRefObjType=\"3\" actRefObj=\"\"/>"
        "<Action actRefObjType=\"15\" actRefObj=\"10.0.0.7\"/>"
        "<Action actRefObjType=\"3\" actRefObj=\"fence3\"/>"
        "</Item>")));
    auto* circle = new GraphicsCircle(GraphicsCircle::FileKind);
    m_scene->insertItem(circle);
    circle->readXml(document.documentElement(), tw.elementSystem);
    QCOMPARE(circle->width(), 55.0);
    QCOMPARE(circle->height(), 0.0);
    // Only the line named by its own type resolves; the rest are skipped.
    QCOMPARE(circle->node()->children, (QList<Node*>{box->node()}));
    QVERIFY(WorkspaceFixture::treeIsSound(m_site->window->elementTreeRoot()));

    // An action naming the circle's own TW system (an ancestor) is skipped, not looped.
    tw.elementSystem->columns = {QStringLiteral("10.0.0.7"), QStringLiteral("tw7")};
    QVERIFY(document.setContent(QStringLiteral(
        "<Item itemType=\"TWSector\" name=\"north\"><Action actRefObjType=\"15\" actRefObj=\"tw7\"/></Item>")));
    auto* other = new GraphicsCircle(GraphicsCircle::FileKind);
    m_scene->insertItem(other);
    other->readXml(document.documentElement(), tw.elementSystem);
    QCOMPARE(other->node()->childCount(), 0);
    QCOMPARE(tw.elementSystem->parent(), m_scene->workplaceNode());
    QVERIFY(WorkspaceFixture::treeIsSound(m_site->window->elementTreeRoot()));
}

QTEST_MAIN(TestTwCircle)
#include "tst_twcircle.moc"
