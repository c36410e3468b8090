#include "cornergrabber.h"
#include "fakemainwindow.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "resources.h"
#include "scenemouse.h"
#include "testhome.h"
#include "treemodel.h"
#include "workspacefixture.h"

#include <QDomDocument>
#include <QPainter>
#include <QSettings>
#include <QUndoStack>
#include <QtTest>

// Fence lines: hit shape, pen width, blinking, drawing, handles and their
// undo, dragging, the project-file form and copies.
class TestFenceLine : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void hitPolygonOfTwoPoints();
    void lineWidthFromSettings_data();
    void lineWidthFromSettings();
    void blinksWithEveryAlarmedStatus();
    void drawingWithoutControl();
    void controlReleaseFixesACorner();
    void handlesFollowThePoints();
    void handleDragIsUndone();
    void wholeLineDragIsUndone();
    void iconSelectsAndOpensParameters();
    void writesItsItem();
    void readsPointsOnly();
    void lineWithoutPointsIsHarmless();
    void copyStandsBesideTheSource();

private:
    GraphicsLine* lineWith(const QList<QPointF>& points);
    QImage render(GraphicsLine* line);

    std::unique_ptr<TestHome> m_home;
    std::unique_ptr<FakeMainWindow> m_window;
    std::unique_ptr<GraphicsScene> m_scene;
};

void TestFenceLine::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
}

void TestFenceLine::init()
{
    m_window = std::make_unique<FakeMainWindow>();
    m_scene = m_window->makeScene(QStringLiteral("Site"));
    m_window->setCurrentScene(m_scene.get());
    m_scene->setDesignMode(true);
}

void TestFenceLine::cleanup()
{
    m_scene.reset();
    m_window.reset();
}

GraphicsLine* TestFenceLine::lineWith(const QList<QPointF>& points)
{
    auto* line = new GraphicsLine;
    for (const QPointF& p : points)
        line->appendPoint(p);
    m_scene->insertItem(line);
    return line;
}

QImage TestFenceLine::render(GraphicsLine* line)
{
    QImage image(200, 100, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    line->paint(&painter, nullptr, nullptr);
    return image;
}

void TestFenceLine::hitPolygonOfTwoPoints()
{
    GraphicsLine* line = lineWith({{0, 0}, {100, 0}});
    const QPolygonF expected(QVector<QPointF>{{-5, -5}, {5, -5},  {5, 5},     {-5, 5},   {-5, -5}, {5, -5},
                             {-5, -5}, {95, -5}, {105, -5},  {105, 5},  {95, 5},  {95, -5},
                             {105, -5}, {95, -5}, {105, 5},  {5, 5},    {5, 5}});
    QCOMPARE(line->hitPolygon(), expected);
    QCOMPARE(line->polygon(), expected);
    QCOMPARE(line->icon()->pos(), QPointF(5, 2));
    // The band between the points picks the line; beside it nothing does.
    QVERIFY(line->contains(QPointF(50, 0)));
    QVERIFY(!line->contains(QPointF(50, 20)));
}

void TestFenceLine::lineWidthFromSettings_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("width");
    QTest::newRow("missing") << QVariant() << 2;
    QTest::newRow("five") << QVariant(5) << 5;
    QTest::newRow("not a number") << QVariant(QStringLiteral("wide")) << 2;
    QTest::newRow("negative") << QVariant(-3) << 2;
    QTest::newRow("wider than the tool offers") << QVariant(100000) << 2;
}

void TestFenceLine::lineWidthFromSettings()
{
    QFETCH(QVariant, stored);
    QFETCH(int, width);
    {
        QSettings settings(m_home->filePath(QStringLiteral("setting.ini")), QSettings::IniFormat);
        if (stored.isValid())
            settings.setValue(QStringLiteral("LineWidth"), stored);
        else
            settings.remove(QStringLiteral("LineWidth"));
    }
    GraphicsLine line;
    QCOMPARE(line.lineWidth(), width);
    line.setLineWidth(7);
    QCOMPARE(line.lineWidth(), 7);
}

void TestFenceLine::blinksWithEveryAlarmedStatus()
{
    GraphicsLine* line = lineWith({{10, 50}, {190, 50}});
    auto shown = [&]() { return render(line).pixelColor(100, 50) != QColor(Qt::white); };
    QVERIFY(shown());

    QList<bool> phases;
    for (int i = 0; i < 4; ++i) {
        line->setStatus(Node::Warning, Qt::red);
        phases.append(shown());
    }
    QCOMPARE(phases, (QList<bool>{false, true, false, true}));
    QCOMPARE(render(line).pixelColor(100, 50), QColor(Qt::red));

    line->setStatus(Node::Warning, Qt::red);
    line->setStatus(Node::OK, Qt::red);
    QVERIFY(shown());

    line->node()->enabled = false;
    for (int i = 0; i < 3; ++i) {
        line->setStatus(Node::Critical, Qt::red);
        QVERIFY(shown());
    }

    // Off the map a line is drawn black whatever it is given.
    GraphicsLine loose;
    loose.appendPoint({10, 50});
    loose.appendPoint({190, 50});
    loose.setStatus(Node::OK, Qt::red);
    QCOMPARE(loose.statusColor(), QColor(Qt::black));
}

void TestFenceLine::drawingWithoutControl()
{
    SceneMouse mouse(m_scene.get());
    m_scene->setMode(GraphicsScene::DrawLine);
    mouse.press({10, 10});
    mouse.move({40, 10});
    mouse.move({60, 10});
    mouse.release({60, 10});

    QList<GraphicsLine*> lines;
    for (QGraphicsItem* item : m_scene->items()) {
        if (item->type() == GraphicsLine::Type)
            lines.append(static_cast<GraphicsLine*>(item));
    }
    QCOMPARE(lines.size(), 1);
    GraphicsLine* line = lines.first();
    QCOMPARE(line->points(), (QList<QPointF>{{10, 10}, {60, 10}}));
    QCOMPARE(line->objectName(), QStringLiteral("fence1"));
    QCOMPARE(line->node()->data(0).toString(), QStringLiteral("fence1"));
    QCOMPARE(line->node()->parent(), m_scene->workplaceNode());
    QCOMPARE(m_scene->undoStack()->count(), 1);
    QCOMPARE(m_scene->undoStack()->text(0), QStringLiteral("Add"));
    QCOMPARE(m_scene->mode(), GraphicsScene::SelectObject);
    QVERIFY(m_window->m_log.contains(QStringLiteral("GraphicsItem|Item fence1 added")));
    QCOMPARE(m_window->currentTreeNode(), line->node());

    // The next line takes the next name.
    m_scene->setMode(GraphicsScene::DrawLine);
    mouse.press({10, 100});
    mouse.move({80, 100});
    mouse.release({80, 100});
    QVERIFY(m_scene->isNameUsed(QStringLiteral("fence2")));
}

void TestFenceLine::controlReleaseFixesACorner()
{
    SceneMouse mouse(m_scene.get());
    m_scene->setMode(GraphicsScene::DrawLine);
    mouse.press({10, 10});
    mouse.move({60, 10});
    mouse.release({60, 10}, Qt::ControlModifier);

    GraphicsLine* line = nullptr;
    for (QGraphicsItem* item : m_scene->items()) {
        if (item->type() == GraphicsLine::Type)
            line = static_cast<GraphicsLine*>(item);
    }
    QVERIFY(line);
    QCOMPARE(line->points().size(), 3);
    QCOMPARE(m_scene->undoStack()->count(), 0);
    QCOMPARE(m_scene->mode(), GraphicsScene::DrawLine);

    // Still drawing: the new end follows the mouse, the release finishes it.
    mouse.press({60, 10});
    mouse.move({60, 80});
    mouse.release({60, 80});
    QCOMPARE(line->points(), (QList<QPointF>{{10, 10}, {60, 10}, {60, 80}}));
    QCOMPARE(m_scene->undoStack()->count(), 1);
    QCOMPARE(m_scene->mode(), GraphicsScene::SelectObject);

    // Delete during a drawing leaves the line being drawn alone.
    m_scene->setMode(GraphicsScene::DrawLine);
    mouse.press({100, 100});
    mouse.move({150, 100});
    m_scene->deleteSelectedItems(nullptr);
    mouse.release({150, 100});
    QCOMPARE(m_scene->undoStack()->count(), 2);
    QVERIFY(m_scene->isNameUsed(QStringLiteral("fence2")));
}

void TestFenceLine::handlesFollowThePoints()
{
    GraphicsLine* line = lineWith({{10, 10}, {60, 40}, {120, 10}});
    line->setSelection(true);
    QCOMPARE(line->zValue(), 3.0);
    QCOMPARE(line->handles().size(), 3);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(line->handles().at(i));
        QCOMPARE(line->handles().at(i)->boundingRect(), QRectF(0, 0, 6, 6));
        QCOMPARE(line->handles().at(i)->pos(), line->points().at(i) - QPointF(3, 3));
    }
    line->setSelection(false);
    QCOMPARE(line->zValue(), 2.0);
    for (const auto& handle : line->handles())
        QVERIFY(!handle);
    QVERIFY(!line->isSelected());
}

void TestFenceLine::handleDragIsUndone()
{
    GraphicsLine* line = lineWith({{10, 10}, {60, 40}, {120, 10}});
    auto* circle = new GraphicsCircle(GraphicsCircle::PlacedKind);
    m_scene->insertItem(circle);
    circle->setElementPos(80, 20);
    circle->mouseReleaseEvent(nullptr);
    QCOMPARE(circle->parentItem(), static_cast<QGraphicsItem*>(line));
    QCOMPARE(circle->segmentIndex(), 1);
    const float fraction = circle->fraction();

    line->setSelection(true);
    SceneMouse mouse(m_scene.get());
    mouse.press({60, 40});
    mouse.move({60, 50});
    mouse.move({60, 60});
    mouse.release({60, 60});

    const QList<QPointF> moved{{10, 10}, {60, 60}, {120, 10}};
    QCOMPARE(line->points(), moved);
    QCOMPARE(line->handles().at(1)->pos(), QPointF(57, 57));
    QCOMPARE(m_scene->undoStack()->count(), 1);
    // The circle rides along: same fraction of the moved segment.
    const QLineF segment(moved.at(1), moved.at(2));
    const QPointF target = segment.pointAt(qreal(fraction));
    QCOMPARE(circle->pos(), QPointF(std::round(target.x() - 5), std::round(target.y() - 11)));

    const bool selectedBefore = line->isSelected();
    m_scene->undoStack()->undo();
    QCOMPARE(line->points(), (QList<QPointF>{{10, 10}, {60, 40}, {120, 10}}));
    QCOMPARE(line->handles().at(1)->pos(), QPointF(57, 37));
    QCOMPARE(line->isSelected(), selectedBefore);
    m_scene->undoStack()->redo();
    QCOMPARE(line->points(), moved);
    QCOMPARE(line->isSelected(), selectedBefore);
}

void TestFenceLine::wholeLineDragIsUndone()
{
    GraphicsLine* line = lineWith({{10, 10}, {110, 10}});
    line->setSelection(true);
    SceneMouse mouse(m_scene.get());
    mouse.drag({50, 10}, {70, 40});
    QCOMPARE(line->pos(), QPointF(20, 30));
    QCOMPARE(line->elementPos(), QPointF(20, 30));
    QCOMPARE(m_scene->undoStack()->count(), 1);
    m_scene->undoStack()->undo();
    QCOMPARE(line->pos(), QPointF(0, 0));
    m_scene->undoStack()->redo();
    QCOMPARE(line->pos(), QPointF(20, 30));

    // A press and release without a move is no step.
    mouse.click({60, 40});
    QCOMPARE(m_scene->undoStack()->count(), 1);
}

void TestFenceLine::iconSelectsAndOpensParameters()
{
    GraphicsLine* line = lineWith({{10, 10}, {110, 10}});
    m_scene->setUniqueName(line);
    m_scene->sceneModeChanged(line, GraphicsScene::SelectObject);
    SceneMouse mouse(m_scene.get());
    const QPointF onIcon = line->icon()->mapToScene(line->icon()->boundingRect().center());
    mouse.click(QPointF(300, 300));
    QCOMPARE(m_window->currentTreeNode(), m_scene->workplaceNode());
    mouse.press(onIcon);
    QCOMPARE(m_window->currentTreeNode(), line->node());
    mouse.release(onIcon);
    mouse.doubleClick(onIcon);
    QCOMPARE(m_window->m_popups, (QList<QGraphicsItem*>{line}));

    // Outside design mode the line takes no clicks but its icon still opens the parameters.
    m_scene->setDesignMode(false);
    QVERIFY(!line->isEnabled());
    QVERIFY(line->icon()->isEnabled());
}

void TestFenceLine::writesItsItem()
{
    GraphicsLine line;
    line.setName(QStringLiteral("fence1"));
    line.setElementPos(QPointF(-0.6, 3.9));
    line.appendPoint({10.7, 20.2});
    line.appendPoint({100, 20});
    QDomDocument document;
    QCOMPARE(WorkspaceFixture::canonical(line.toXml(document)),
             WorkspaceFixture::canonical(QStringLiteral(
                 "<Item itemType=\"line\" name=\"fence1\" x=\"0\" y=\"3\" borderColor=\"rgba(0,0,0,255)\">"
                 "<Point x=\"10\" y=\"20\"/><Point x=\"100\" y=\"20\"/></Item>")));
}

void TestFenceLine::readsPointsOnly()
{
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral(
        "<Item itemType=\"line\" name=\"north\" x=\"4\" y=\"bad\" borderColor=\"rgba(255,0,0,255)\">"
        "<Point x=\"10\" y=\"20\"/><!-- a note --><Other x=\"1\" y=\"1\"/><Point x=\"100\" y=\"q\"/></Item>")));
    GraphicsLine line;
    line.readXml(document.documentElement());
    QCOMPARE(line.objectName(), QStringLiteral("north"));
    QCOMPARE(line.node()->data(0).toString(), QStringLiteral("north"));
    QCOMPARE(line.node()->data(1).toString(), QStringLiteral("north"));
    QCOMPARE(line.pos(), QPointF(4, 0));
    QCOMPARE(line.zValue(), 2.0);
    QCOMPARE(line.points(), (QList<QPointF>{{10, 20}, {100, 0}}));
    QCOMPARE(line.hitPolygon().size(), 17);
    QCOMPARE(line.statusColor(), QColor(Qt::black));
}

void TestFenceLine::lineWithoutPointsIsHarmless()
{
    QDomDocument document;
    QVERIFY(document.setContent(QStringLiteral("<Item itemType=\"line\" name=\"empty\"/>")));
    auto* line = new GraphicsLine;
    line->readXml(document.documentElement());
    m_scene->insertItem(line);
    QVERIFY(line->hitPolygon().isEmpty());
    line->setSelection(true);
    QVERIFY(line->handles().isEmpty());
    QImage image = render(line);
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));

    // One point: no handles are placed, nothing is drawn but nothing fails.
    line->appendPoint({20, 20});
    line->setSelection(true);
    QCOMPARE(line->handles().size(), 1);
    QCOMPARE(line->handles().at(0)->pos(), QPointF(0, 0));
    render(line);
}

void TestFenceLine::copyStandsBesideTheSource()
{
    GraphicsLine* line = lineWith({{10, 10}, {110, 10}});
    line->setElementPos(QPointF(20.7, 30.2));
    line->setStatus(Node::OK, Qt::green);
    std::unique_ptr<GraphicsLine> copy(line->clone());
    QCOMPARE(copy->pos(), QPointF(45, 55));
    QCOMPARE(copy->points(), line->points());
    QCOMPARE(copy->statusColor(), QColor(Qt::green));
    QVERIFY(copy->objectName().isEmpty());
    QVERIFY(!copy->scene());
    // Selectable all along its length.
    QVERIFY(copy->contains(QPointF(60, 10)));
}

QTEST_MAIN(TestFenceLine)
#include "tst_fenceline.moc"
