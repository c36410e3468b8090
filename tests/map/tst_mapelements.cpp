#include "cornergrabber.h"
#include "fakemainwindow.h"
#include "graphicsbox.h"
#include "graphicsimage.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "node.h"
#include "resources.h"

#include <QGraphicsSceneHoverEvent>
#include <QGraphicsTextItem>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>
#include <QStyleOptionGraphicsItem>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

// Handles, the caption item and the resizable element base.
class TestMapElements : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void handlePaintsBlackAndRedWhileHovered();
    void handleCursorByIndex_data();
    void handleCursorByIndex();
    void handleDestroyedWhileHoveredRestoresCursor();
    void resizeThroughHandle_data();
    void resizeThroughHandle();
    void elementPositionIsTruncated();
    void selectionMakesAndRemovesEightHandles();
    void blinkPhaseRules();
    void alignmentWaitsForEditingToEnd();
    void captionIsClippedToTheBox();
    void imageItemType();
    void iconsAreCompiledIn_data();
    void iconsAreCompiledIn();

private:
    QImage renderItem(QGraphicsItem* item, const QSize& size);
    void sendMouse(QGraphicsItem* target, QEvent::Type type, const QPointF& scenePos);

    std::unique_ptr<FakeMainWindow> m_window;
    std::unique_ptr<GraphicsScene> m_scene;
};

void TestMapElements::initTestCase()
{
    initLumetraResources();
}

void TestMapElements::init()
{
    m_window = std::make_unique<FakeMainWindow>();
    m_scene = m_window->makeScene(QStringLiteral("Site"));
    m_scene->setDesignMode(true); // the map is edited in design mode
    m_window->setCurrentScene(m_scene.get());
}

void TestMapElements::cleanup()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
    m_scene.reset();
    m_window.reset();
}

QImage TestMapElements::renderItem(QGraphicsItem* item, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionGraphicsItem option;
    item->paint(&painter, &option, nullptr);
    return image;
}

void TestMapElements::sendMouse(QGraphicsItem* target, QEvent::Type type, const QPointF& scenePos)
{
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(scenePos);
    event.setPos(target->mapFromScene(scenePos));
    event.setButton(Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    m_scene->sendEvent(target, &event);
}

void TestMapElements::handlePaintsBlackAndRedWhileHovered()
{
    QGraphicsRectItem owner;
    m_scene->addItem(&owner);
    auto* handle = new CornerGrabber(&owner, 0);
    QCOMPARE(handle->boundingRect(), QRectF(0, 0, 6, 6));
    QCOMPARE(renderItem(handle, QSize(8, 8)).pixelColor(3, 3), QColor(Qt::black));

    QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
    m_scene->sendEvent(handle, &enter);
    QCOMPARE(renderItem(handle, QSize(8, 8)).pixelColor(3, 3), QColor(Qt::red));
    QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
    m_scene->sendEvent(handle, &leave);
    QCOMPARE(renderItem(handle, QSize(8, 8)).pixelColor(3, 3), QColor(Qt::black));
    m_scene->removeItem(&owner);
}

void TestMapElements::handleCursorByIndex_data()
{
    QTest::addColumn<int>("corner");
    QTest::addColumn<int>("shape"); // -1: no cursor
    QTest::newRow("0 top left") << 0 << int(Qt::SizeFDiagCursor);
    QTest::newRow("1 top right") << 1 << int(Qt::SizeBDiagCursor);
    QTest::newRow("2 bottom right") << 2 << int(Qt::SizeFDiagCursor);
    QTest::newRow("3 bottom left") << 3 << int(Qt::SizeBDiagCursor);
    QTest::newRow("4 bottom middle") << 4 << int(Qt::SizeVerCursor);
    QTest::newRow("5 top middle") << 5 << int(Qt::SizeVerCursor);
    QTest::newRow("6 left middle") << 6 << int(Qt::SizeHorCursor);
    QTest::newRow("7 right middle") << 7 << int(Qt::SizeHorCursor);
    QTest::newRow("9 line point") << 9 << -1;
}

void TestMapElements::handleCursorByIndex()
{
    QFETCH(int, corner);
    QFETCH(int, shape);
    // Someone else's cursor underneath must survive the handle's hover.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    QGraphicsRectItem owner;
    m_scene->addItem(&owner);
    auto* handle = new CornerGrabber(&owner, corner);

    QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
    m_scene->sendEvent(handle, &enter);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(int(QGuiApplication::overrideCursor()->shape()), shape == -1 ? int(Qt::WaitCursor) : shape);

    QGraphicsSceneHoverEvent leave(QEvent::GraphicsSceneHoverLeave);
    m_scene->sendEvent(handle, &leave);
    QVERIFY(QGuiApplication::overrideCursor());
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    m_scene->removeItem(&owner);
}

void TestMapElements::handleDestroyedWhileHoveredRestoresCursor()
{
    auto* owner = new QGraphicsRectItem;
    m_scene->addItem(owner);
    auto* handle = new CornerGrabber(owner, 2);
    QGraphicsSceneHoverEvent enter(QEvent::GraphicsSceneHoverEnter);
    m_scene->sendEvent(handle, &enter);
    QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::SizeFDiagCursor);
    delete owner;
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestMapElements::resizeThroughHandle_data()
{
    QTest::addColumn<int>("corner");
    QTest::addColumn<QPointF>("drag");
    QTest::addColumn<QSizeF>("size");
    QTest::addColumn<QPointF>("pos");
    // Element of 100 x 60 at (200, 200).
    QTest::newRow("bottom right grows") << 2 << QPointF(30, 20) << QSizeF(130, 80) << QPointF(200, 200);
    QTest::newRow("top left grows and moves") << 0 << QPointF(-10, -5) << QSizeF(110, 65) << QPointF(190, 195);
    QTest::newRow("bottom left stops at minimum") << 3 << QPointF(88, 0) << QSizeF(40, 60) << QPointF(260, 200);
    QTest::newRow("bottom middle sideways") << 4 << QPointF(50, 0) << QSizeF(100, 60) << QPointF(200, 200);
    QTest::newRow("top right") << 1 << QPointF(15, 10) << QSizeF(115, 50) << QPointF(200, 210);
    QTest::newRow("top middle") << 5 << QPointF(0, -10) << QSizeF(100, 70) << QPointF(200, 190);
    QTest::newRow("left middle") << 6 << QPointF(-20, 7) << QSizeF(120, 60) << QPointF(180, 200);
    QTest::newRow("right middle below minimum") << 7 << QPointF(-90, 0) << QSizeF(40, 60) << QPointF(200, 200);
    QTest::newRow("bottom right fractions cut") << 2 << QPointF(10.7, -30.6) << QSizeF(110, 40) << QPointF(200, 200);
}

void TestMapElements::resizeThroughHandle()
{
    QFETCH(int, corner);
    QFETCH(QPointF, drag);
    QFETCH(QSizeF, size);
    QFETCH(QPointF, pos);

    auto* box = new GraphicsBox(GraphicsBox::TextBox);
    m_scene->insertItem(box);
    box->setWidth(100);
    box->setHeight(60);
    box->setElementPos(200, 200);
    box->setSelection(true);
    CornerGrabber* handle = box->handles().at(corner).data();
    QVERIFY(handle);

    const QPointF start = handle->scenePos() + QPointF(3, 3);
    sendMouse(handle, QEvent::GraphicsSceneMousePress, start);
    QCOMPARE(handle->mouseState(), int(CornerGrabber::Pressed));
    sendMouse(handle, QEvent::GraphicsSceneMouseMove, start + drag);
    sendMouse(handle, QEvent::GraphicsSceneMouseRelease, start + drag);
    QCOMPARE(handle->mouseState(), int(CornerGrabber::Released));

    QCOMPARE(QSizeF(box->width(), box->height()), size);
    QCOMPARE(box->boundingRect(), QRectF(QPointF(0, 0), size));
    QCOMPARE(box->pos(), pos);
    QCOMPARE(box->elementPos(), pos);
    // The handles follow the new frame.
    QCOMPARE(box->handles().at(2)->pos(), QPointF(size.width() - 20, size.height() - 20));
}

void TestMapElements::elementPositionIsTruncated()
{
    GraphicsBox box(GraphicsBox::TextBox);
    QCOMPARE(box.boundingRect(), QRectF(0, 0, 200, 80));
    box.setElementPos(10.9, -3.7);
    QCOMPARE(box.pos(), QPointF(10, -3));
    QCOMPARE(box.elementPos(), QPointF(10, -3));
    delete box.node();
}

void TestMapElements::selectionMakesAndRemovesEightHandles()
{
    auto* box = new GraphicsBox(GraphicsBox::TextBox);
    m_scene->insertItem(box);
    auto handleChildren = [box]() {
        int count = 0;
        for (QGraphicsItem* child : box->childItems())
            count += dynamic_cast<CornerGrabber*>(child) ? 1 : 0;
        return count;
    };
    box->setItemSelected(true);
    QCOMPARE(handleChildren(), 8);
    QVERIFY(box->isSelected());
    // 200 x 80: frame (20, 20) to (180, 60).
    const QPointF expected[8] = {{20, 20}, {180, 20}, {180, 60}, {20, 60}, {100, 60}, {100, 20}, {20, 40}, {180, 40}};
    for (int i = 0; i < 8; ++i)
        QCOMPARE(box->handles().at(i)->pos(), expected[i]);
    box->setItemSelected(false);
    QCOMPARE(handleChildren(), 0);
    QVERIFY(!box->isSelected());
    QCOMPARE(box->handles().size(), 8);
}

void TestMapElements::blinkPhaseRules()
{
    GraphicsBox box(GraphicsBox::TextBox);
    QVERIFY(box.blinkPhase());
    box.setAlarm(2);
    QVERIFY(!box.blinkPhase());
    box.setAlarm(2);
    QVERIFY(box.blinkPhase());
    box.setAlarm(2);
    box.setAlarm(0);
    QVERIFY(box.blinkPhase());
    QCOMPARE(box.alarmStatus(), 0);
    box.node()->enabled = false;
    box.setAlarm(2);
    QVERIFY(box.blinkPhase());
    QCOMPARE(box.alarmStatus(), 2);
    delete box.node();
}

void TestMapElements::alignmentWaitsForEditingToEnd()
{
    auto* box = new GraphicsBox(GraphicsBox::TextBox);
    m_scene->insertItem(box);
    box->setCaption(QStringLiteral("first line\nsecond line"));
    GraphicsTextItem* caption = box->captionItem();

    caption->setTextInteractionFlags(Qt::TextEditorInteraction);
    caption->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    for (QTextBlock block = caption->editor()->document()->begin(); block.isValid(); block = block.next())
        QCOMPARE(int(block.blockFormat().alignment()), int(Qt::AlignLeft));

    QFocusEvent focusOut(QEvent::FocusOut);
    m_scene->sendEvent(caption, &focusOut);
    QCOMPARE(caption->textInteractionFlags(), Qt::NoTextInteraction);
    QVERIFY(!caption->editor());
    // The next editing starts from the text as it is shown: every line centred.
    caption->setTextInteractionFlags(Qt::TextEditorInteraction);
    int blocks = 0;
    for (QTextBlock block = caption->editor()->document()->begin(); block.isValid(); block = block.next(), ++blocks)
        QCOMPARE(int(block.blockFormat().alignment()), 132);
    QCOMPARE(blocks, 2);
}

void TestMapElements::captionIsClippedToTheBox()
{
    auto* box = new GraphicsBox(GraphicsBox::TextBox);
    m_scene->insertItem(box);
    box->setWidth(100);
    box->setHeight(60);
    box->setCaption(QString(60, QLatin1Char('W')));
    box->captionItem()->setFont(QFont(QStringLiteral("DejaVu Sans"), 20));
    QImage image(300, 200, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    m_scene->render(&painter, QRectF(0, 0, 300, 200), QRectF(0, 0, 300, 200));
    painter.end();
    bool inked = false;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            const QColor c = image.pixelColor(x, y);
            const bool dark = c.red() < 100 && c.green() < 100 && c.blue() < 100;
            const bool insideBody = x >= 23 && x <= 83 && y >= 23 && y <= 43;
            if (dark && x > 84)
                QFAIL(qPrintable(QStringLiteral("ink outside the box at %1,%2").arg(x).arg(y)));
            if (dark && y > 44)
                QFAIL(qPrintable(QStringLiteral("ink below the box at %1,%2").arg(x).arg(y)));
            inked = inked || (dark && insideBody);
        }
    }
    QVERIFY(inked);
}

void TestMapElements::imageItemType()
{
    GraphicsImage image;
    QCOMPARE(image.type(), 10003);
    QVERIFY(image.flags() & QGraphicsItem::ItemIsSelectable);
    QVERIFY(image.flags() & QGraphicsItem::ItemSendsGeometryChanges);
    QVERIFY(image.pixmap().isNull());
}

void TestMapElements::iconsAreCompiledIn_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("minimumSide");
    for (const char* name : {"lightning", "lightbulb", "lightbulb_off"})
        QTest::newRow(name) << QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)) << 16;
    for (const char* name : {"logoBrenik", "logoEnergizer", "logoOsprel"})
        QTest::newRow(name) << QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)) << 120;
    // The cursor shapes of the property panel, all but "Blank".
    for (const char* name : {"arrow", "uparrow", "cross", "wait", "ibeam", "sizev", "sizeh", "sizef", "sizeb",
                             "sizeall", "vsplit", "hsplit", "hand", "forbidden", "openhand", "closedhand",
                             "whatsthis", "busy"})
        QTest::newRow(name) << QStringLiteral(":/propertybrowser/images/cursor-%1.png").arg(QLatin1String(name))
                            << 32;
}

void TestMapElements::iconsAreCompiledIn()
{
    QFETCH(QString, path);
    QFETCH(int, minimumSide);
    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QVERIFY(qMin(image.width(), image.height()) >= minimumSide);
    QVERIFY(image.hasAlphaChannel());
}

QTEST_MAIN(TestMapElements)
#include "tst_mapelements.moc"
