#include "fakemainwindow.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "node.h"
#include "operatorclick.h"
#include "resources.h"
#include "treemodel.h"

#include <QClipboard>
#include <QGraphicsPixmapItem>
#include <QGraphicsProxyWidget>
#include <QGraphicsSceneMouseEvent>
#include <QGraphicsView>
#include <QLabel>
#include <QPainter>
#include <QPicture>
#include <QPushButton>
#include <QStyleOptionGraphicsItem>
#include <QtTest>

// The four kinds of box: the gateway's site-model subtree, logos, the text
// box's alarm display, caption editing, the button box and the image box.
class TestBoxes : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void gatewayBuildsItsDeviceNodes();
    void gatewayAddressAndWorkspaceReachEveryRow();
    void logoByMakeAndIndex_data();
    void logoByMakeAndIndex();
    void keypadPaintsPanelsAndLogo();
    void textBoxAlarmAlternates();
    void failureShowsWhiteButKeepsTheColour();
    void statusLeavesEditedCaptionAlone();
    void hiddenBorderIsTransparent();
    void captionEditedInPlace_data();
    void captionEditedInPlace();
    void longCaptionPaintsAtOnce();
    void buttonSendsCommandOutsideDesignMode();
    void buttonShowsLabelInDesignMode();
    void cloneCopiesWhatItShould();
    void imageBoxScalesWithinBounds();
    void absurdSizesPaintSafely();
    void findActionOwnersListsSectors();

private:
    GraphicsBox* placedBox(int kind);
    QImage render(GraphicsBox* box);
    void doubleClick(GraphicsBox* box);

    std::unique_ptr<FakeMainWindow> m_window;
    std::unique_ptr<GraphicsScene> m_scene;
};

void TestBoxes::initTestCase()
{
    initLumetraResources();
}

void TestBoxes::init()
{
    m_window = std::make_unique<FakeMainWindow>();
    m_scene = m_window->makeScene(QStringLiteral("Site"));
    m_scene->setDesignMode(true); // the map is edited in design mode
    m_window->setCurrentScene(m_scene.get());
}

void TestBoxes::cleanup()
{
    m_scene.reset();
    m_window.reset();
}

GraphicsBox* TestBoxes::placedBox(int kind)
{
    auto* box = new GraphicsBox(kind);
    m_scene->setUniqueName(box);
    m_scene->insertItem(box);
    if (kind == GraphicsBox::ButtonBox)
        box->addActionButton();
    m_scene->sceneModeChanged(box, GraphicsScene::SelectObject);
    return box;
}

QImage TestBoxes::render(GraphicsBox* box)
{
    QImage image(QSize(int(box->width()), int(box->height())), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QStyleOptionGraphicsItem option;
    box->paint(&painter, &option, nullptr);
    return image;
}

void TestBoxes::doubleClick(GraphicsBox* box)
{
    QGraphicsSceneMouseEvent event(QEvent::GraphicsSceneMouseDoubleClick);
    event.setButton(Qt::LeftButton);
    event.setButtons(Qt::LeftButton);
    event.setScenePos(box->mapToScene(QPointF(60, 40)));
    event.setPos(QPointF(60, 40));
    m_scene->sendEvent(box, &event);
}

void TestBoxes::gatewayBuildsItsDeviceNodes()
{
    GraphicsBox* box = placedBox(GraphicsBox::GatewayBox);
    QCOMPARE(box->width(), 250.0);
    QCOMPARE(box->height(), 150.0);
    Node* node = box->node();
    QCOMPARE(node->type, 1);
    QCOMPARE(node->mapItem, static_cast<QGraphicsItem*>(box));
    // Naming a gateway box touches only column 1: its label stays the address.
    QCOMPARE(node->data(0).toString(), QStringLiteral("192.168.100.100"));
    QCOMPARE(node->data(1).toString(), QStringLiteral("box1"));
    QCOMPARE(box->objectName(), QStringLiteral("box1"));

    Node* model = box->energizerNode();
    QVERIFY(model);
    QCOMPARE(model->type, 1);
    QCOMPARE(model->columnCount(), 12);
    QCOMPARE(model->data(0).toString(), QStringLiteral("192.168.100.100"));
    QCOMPARE(model->data(10).toString(), QStringLiteral("workspace"));
    QCOMPARE(int(model->outputArea[0]), 0);
    QCOMPARE(int(model->outputArea[1]), 0);
    QCOMPARE(int(model->outputArea[2]), 5);
    QCOMPARE(int(model->outputArea[3]), 0);
    QCOMPARE(model->deviceNode, node);
    QCOMPARE(node->deviceNode, model);

    QCOMPARE(node->childCount(), 63);
    QCOMPARE(model->childCount(), 63);
    for (int row = 0; row < 63; ++row) {
        const int n = row + 1;
        const bool energizer = n <= 32;
        Node* device = node->child(row);
        Node* status = model->child(row);
        const QString name = energizer ? QStringLiteral("Energ%1").arg(n) : QStringLiteral("IOCard%1").arg(n);
        QCOMPARE(device->data(0).toString(), name);
        QCOMPARE(device->type, energizer ? 10 : 11);
        QCOMPARE(status->type, 8);
        QCOMPARE(status->data(0).toString(), name);
        QCOMPARE(device->deviceNode, status);
        QCOMPARE(status->deviceNode, device);
        for (const Node* n2 : {device, status}) {
            QCOMPARE(int(n2->record[0]), n);
            for (int i = 1; i < 32; ++i)
                QCOMPARE(int(n2->record[i]), 0);
            QCOMPARE(int(n2->outputArea[0]), n);
            QCOMPARE(int(n2->outputArea[1]), 0);
            QCOMPARE(int(n2->outputArea[2]), energizer ? 5 : 7);
            // The device's column 1 is its name, the row's its status.
            QCOMPARE(n2->data(1).toString(), n2 == device ? name : QStringLiteral("3"));
            QCOMPARE(n2->data(2).toInt(), 3);
            QCOMPARE(n2->data(4).toInt(), 3);
            QCOMPARE(n2->data(8).toInt(), 0);
            QCOMPARE(n2->data(10).toString(), QStringLiteral("workspace"));
            QCOMPARE(n2->data(11).toString(), QStringLiteral("192.168.100.100"));
        }
        QCOMPARE(status->durationClock.isNull(), !energizer);
        if (energizer) {
            QCOMPARE(device->childCount(), 3);
            QCOMPARE(device->child(0)->data(0).toString(), QStringLiteral("Sector1"));
            QCOMPARE(device->child(0)->type, 12);
            QCOMPARE(device->child(1)->data(0).toString(), QStringLiteral("Sector2"));
            QCOMPARE(device->child(1)->type, 12);
            QCOMPARE(device->child(2)->data(0).toString(), QStringLiteral("Gate"));
            QCOMPARE(device->child(2)->type, 13);
        } else {
            QCOMPARE(device->childCount(), 0);
        }
    }
    delete model;
}

void TestBoxes::gatewayAddressAndWorkspaceReachEveryRow()
{
    GraphicsBox* box = placedBox(GraphicsBox::GatewayBox);
    box->setIP(QStringLiteral("10.0.0.9"));
    box->setWorkspaceName(QStringLiteral("North"));
    QCOMPARE(box->ip(), QStringLiteral("10.0.0.9"));
    QCOMPARE(box->node()->data(0).toString(), QStringLiteral("10.0.0.9"));
    Node* model = box->energizerNode();
    QCOMPARE(model->data(0).toString(), QStringLiteral("10.0.0.9"));
    QCOMPARE(model->data(10).toString(), QStringLiteral("North"));
    for (Node* row : model->children) {
        QCOMPARE(row->data(11).toString(), QStringLiteral("10.0.0.9"));
        QCOMPARE(row->data(10).toString(), QStringLiteral("North"));
    }
    delete model;
}

void TestBoxes::logoByMakeAndIndex_data()
{
    QTest::addColumn<QString>("make");
    QTest::addColumn<int>("index"); // -2: use setLogo with make
    QTest::addColumn<QString>("resource");
    QTest::addColumn<int>("logoIndex");
    QTest::newRow("Energizer") << "Energizer" << -2 << ":/icons/logoEnergizer.png" << 1;
    QTest::newRow("Osprel") << "Osprel" << -2 << ":/icons/logoOsprel.png" << 2;
    QTest::newRow("wrong case keeps pixmap") << "energizer" << -2 << ":/icons/logoBrenik.png" << -1;
    QTest::newRow("index 1") << QString() << 1 << ":/icons/logoEnergizer.png" << 1;
    QTest::newRow("index 3 ignored") << QString() << 3 << ":/icons/logoBrenik.png" << 0;
    QTest::newRow("index -1 ignored") << QString() << -1 << ":/icons/logoBrenik.png" << 0;
}

void TestBoxes::logoByMakeAndIndex()
{
    QFETCH(QString, make);
    QFETCH(int, index);
    QFETCH(QString, resource);
    QFETCH(int, logoIndex);
    GraphicsBox box(GraphicsBox::GatewayBox);
    QCOMPARE(box.logoIndex(), 0);
    if (index == -2)
        box.setLogo(make);
    else
        box.setLogoByIndex(index);
    const QImage expected = QPixmap(resource).toImage();
    QVERIFY(!expected.isNull());
    QCOMPARE(box.logoPixmap().toImage(), expected);
    QCOMPARE(box.logoIndex(), logoIndex);
    delete box.energizerNode();
    delete box.node();
}

void TestBoxes::keypadPaintsPanelsAndLogo()
{
    GraphicsBox* box = placedBox(GraphicsBox::GatewayBox);
    const QImage image = render(box);
    // u = 130 / 7; panels from y = 6u, u + 3 high, thirds of the body from x = 23.
    QCOMPARE(image.pixelColor(40, 122), QColor(131, 224, 94));
    QCOMPARE(image.pixelColor(110, 122), QColor(Qt::red));
    QCOMPARE(image.pixelColor(228, 122), QColor(232, 183, 98));
    // The logo is fitted into 120 x 75 and drawn at (92, 23).
    const QPixmap scaled = QPixmap(QStringLiteral(":/icons/logoBrenik.png"))
                               .scaled(120, 75, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(scaled.size(), QSize(120, 75));
    QImage logo(scaled.size(), QImage::Format_ARGB32);
    logo.fill(Qt::white);
    QPainter(&logo).drawPixmap(0, 0, scaled);
    for (const QPoint& p : {QPoint(10, 37), QPoint(60, 37), QPoint(2, 2), QPoint(100, 60)})
        QCOMPARE(image.pixelColor(92 + p.x(), 23 + p.y()).rgb(), logo.pixelColor(p).rgb());
    // The body is white and framed in black.
    QCOMPARE(image.pixelColor(60, 100), QColor(Qt::white));
    QCOMPARE(image.pixelColor(23, 70), QColor(Qt::black));
    delete box->energizerNode();
}

void TestBoxes::textBoxAlarmAlternates()
{
    GraphicsBox* box = placedBox(GraphicsBox::TextBox);
    box->setBackgroundColor(QColor(0, 0, 255));
    box->setCaption(QStringLiteral("Gate north"));
    const QPoint body(170, 55);
    QCOMPARE(render(box).pixelColor(body), QColor(0, 0, 255));

    QStringList captions;
    QList<QColor> fills;
    for (int tick = 0; tick < 4; ++tick) {
        box->setStatus(2);
        captions.append(box->captionItem()->toPlainText());
        fills.append(render(box).pixelColor(body));
    }
    const QStringList expectedCaptions = {"Gate north", "ALARM", "Gate north", "ALARM"};
    QCOMPARE(captions, expectedCaptions);
    const QList<QColor> expectedFills = {QColor(0, 0, 255), QColor(255, 0, 0), QColor(0, 0, 255), QColor(255, 0, 0)};
    QCOMPARE(fills, expectedFills);

    box->setStatus(0);
    QCOMPARE(box->captionItem()->toPlainText(), QStringLiteral("Gate north"));
    QCOMPARE(render(box).pixelColor(body), QColor(0, 0, 255));
}

void TestBoxes::failureShowsWhiteButKeepsTheColour()
{
    GraphicsBox* box = placedBox(GraphicsBox::TextBox);
    box->setBackgroundColor(QColor(10, 200, 10));
    const QPoint body(170, 55);
    box->setStatus(4);
    // the first alarm tick turns to the phase in which the box shows its own fill
    QVERIFY(!box->blinkPhase());
    QCOMPARE(render(box).pixelColor(body), QColor(Qt::white));
    QCOMPARE(box->backgroundColor(), QColor(10, 200, 10));
    box->setStatus(0);
    QCOMPARE(render(box).pixelColor(body), QColor(10, 200, 10));
}

void TestBoxes::statusLeavesEditedCaptionAlone()
{
    GraphicsBox* box = placedBox(GraphicsBox::TextBox);
    doubleClick(box);
    QCOMPARE(int(box->captionItem()->textInteractionFlags()), 19);
    box->captionItem()->setPlainText(QStringLiteral("half typed"));
    box->setStatus(2);
    box->setStatus(2);
    box->setStatus(0);
    QCOMPARE(box->captionItem()->toPlainText(), QStringLiteral("half typed"));
    // While editing, the body keeps its own colour.
    box->setStatus(2);
    QCOMPARE(render(box).pixelColor(170, 55), QColor(Qt::white));
}

void TestBoxes::hiddenBorderIsTransparent()
{
    GraphicsBox* box = placedBox(GraphicsBox::TextBox);
    box->setBackgroundColor(QColor(0, 128, 0));
    QCOMPARE(render(box).pixelColor(23, 40), QColor(Qt::black));
    box->setBorderVisible(false);
    QImage image(200, 80, QImage::Format_ARGB32);
    image.fill(QColor(255, 0, 255));
    QPainter painter(&image);
    QStyleOptionGraphicsItem option;
    box->paint(&painter, &option, nullptr);
    painter.end();
    // The frame line is drawn, fully transparent: what is under it shows.
    const QColor edge = image.pixelColor(23, 40);
    QVERIFY(edge == QColor(0, 128, 0) || edge == QColor(255, 0, 255));
    QVERIFY(edge != QColor(Qt::black));
}

void TestBoxes::captionEditedInPlace_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("column0");
    QTest::newRow("text box renames its node") << int(GraphicsBox::TextBox) << "Fence west";
    QTest::newRow("gateway keeps its address") << int(GraphicsBox::GatewayBox) << "192.168.100.100";
}

void TestBoxes::captionEditedInPlace()
{
    QFETCH(int, kind);
    QFETCH(QString, column0);
    GraphicsBox* box = placedBox(kind);
    doubleClick(box);
    GraphicsTextItem* caption = box->captionItem();
    QCOMPARE(int(caption->textInteractionFlags()), 19);
    QVERIFY(caption->isSelected());
    caption->setPlainText(QStringLiteral("Fence west"));

    QFocusEvent focusOut(QEvent::FocusOut);
    m_scene->sendEvent(caption, &focusOut);
    QCOMPARE(caption->textInteractionFlags(), Qt::NoTextInteraction);
    QVERIFY(!(caption->flags() & QGraphicsItem::ItemIsSelectable));
    QCOMPARE(box->caption(), QStringLiteral("Fence west"));
    QCOMPARE(box->node()->data(0).toString(), column0);
    QCOMPARE(m_window->m_textChanged, QList<QGraphicsItem*>{box});
    if (box->energizerNode())
        delete box->energizerNode();
}

// One long word pasted into a caption being edited took minutes to lay out:
// the caption keeps within the longest. One laid out only as far as its box
// shows it shows as the whole one, also once its box grows.
void TestBoxes::longCaptionPaintsAtOnce()
{
    GraphicsBox* box = placedBox(GraphicsBox::TextBox);
    QGraphicsView view(m_scene.get());
    view.resize(600, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QString word(1 << 20, QLatin1Char('w'));
    QApplication::clipboard()->setText(word);
    QVERIFY(operatorDoubleClick(view.viewport(), view.mapFromScene(box->mapToScene(60, 40))));
    QVERIFY(operatorKey(view.viewport(), Qt::Key_A, Qt::ControlModifier) && operatorKey(view.viewport(), Qt::Key_V, Qt::ControlModifier));
    QVERIFY(operatorClick(view.viewport(), view.viewport()->rect().bottomRight() - QPoint(5, 5)));
    QCOMPARE(box->caption(), word.left(GraphicsTextItem::MaxTextLength));
    const auto shown = [](GraphicsBox* of) {
        QImage image(of->captionItem()->clipRect().size().toSize(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        of->captionItem()->paint(&painter, nullptr, nullptr);
        return image;
    };
    GraphicsBox* tall = placedBox(GraphicsBox::TextBox);
    tall->setHeight(20000);
    for (GraphicsBox* of : {box, tall})
        of->setCaption(QStringLiteral("North gate, west fence ").repeated(1400));
    const QImage whole = shown(tall);
    QCOMPARE(shown(box), whole.copy(QRect(QPoint(), shown(box).size())));
    // Only that start is laid out: a picture records each line it is given
    // to draw, at over two bytes a character, in fewer bytes than the caption's characters.
    QPicture laidOut;
    box->captionItem()->paint(std::make_unique<QPainter>(&laidOut).get(), nullptr, nullptr);  // ended with the statement
    QVERIFY2(qint64(laidOut.size()) < box->caption().size(), qPrintable(QString::number(laidOut.size())));
    box->setHeight(20000);
    QCOMPARE(shown(box), whole);
}

void TestBoxes::buttonSendsCommandOutsideDesignMode()
{
    GraphicsBox* box = placedBox(GraphicsBox::ButtonBox);
    QPushButton* button = box->actionButton();
    QVERIFY(button);
    QCOMPARE(button->objectName(), QStringLiteral("ActionButton"));
    QCOMPARE(GraphicsBox::boxOfButton(button), box);
    box->setDesignMode(false);
    QVERIFY(button->isEnabled());
    // Clicked as the operator does: on the map's view, where the button is.
    QGraphicsView view(m_scene.get());
    view.resize(600, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const QPoint at = view.mapFromScene(button->graphicsProxyWidget()->mapToScene(QRectF(button->rect()).center()));

    QVERIFY(operatorClick(view.viewport(), at));
    QVERIFY(m_window->m_commands.isEmpty()); // no target yet

    Node& target = *new Node(QStringLiteral("Energ1"), m_scene->workplaceNode()); // a device on the site
    box->setActionTarget(&target);
    box->setActionCommand(3);
    button->setCheckable(false);
    QVERIFY(operatorClick(view.viewport(), at));
    button->setCheckable(true);
    QVERIFY(operatorClick(view.viewport(), at));
    QCOMPARE(m_window->m_commands.size(), 2);
    QCOMPARE(m_window->m_commands.at(0).target, &target);
    QCOMPARE(m_window->m_commands.at(0).command, 3);
    QCOMPARE(m_window->m_commands.at(0).value, QVariant(false));
    QCOMPARE(m_window->m_commands.at(1).value, QVariant(true));

    // A checked button shows the lit bulb whatever the toggle carried.
    const QImage lit = QPixmap(QStringLiteral(":/icons/lightbulb.png")).toImage();
    QCOMPARE(button->icon().pixmap(lit.size()).toImage().convertToFormat(lit.format()), lit);
    box->buttonToggle(false);
    QCOMPARE(button->icon().pixmap(lit.size()).toImage().convertToFormat(lit.format()), lit);

    // Off the site (its gateway's placing undone) it is aimed at by no button.
    std::unique_ptr<Node> offSite(&target);
    m_scene->workplaceNode()->children.removeOne(&target);
    QVERIFY(operatorClick(view.viewport(), at));
    QCOMPARE(m_window->m_commands.size(), 2);
    QCOMPARE(m_window->m_log.last(), QStringLiteral("Command|Command of button box1 not sent: it aims at no device"));
}

void TestBoxes::buttonShowsLabelInDesignMode()
{
    GraphicsBox* box = placedBox(GraphicsBox::ButtonBox);
    box->setButtonCaption(QStringLiteral("Zone 1"));
    QCOMPARE(box->node()->data(0).toString(), QStringLiteral("Zone 1"));
    QFont font = box->actionButton()->font();
    font.setBold(true);
    box->actionButton()->setFont(font);

    m_scene->setDesignMode(true);
    QVERIFY(box->buttonLabel());
    QVERIFY(!box->buttonLabel()->isHidden());
    QCOMPARE(box->buttonLabel()->text(), QStringLiteral("Zone 1"));
    QVERIFY(box->buttonLabel()->font().bold());
    QVERIFY(box->actionButton()->isHidden());
    QVERIFY(!box->actionButton()->isEnabled());

    m_scene->setDesignMode(false);
    QVERIFY(box->buttonLabel()->isHidden());
    QVERIFY(!box->actionButton()->isHidden());
    // The button fills the box inside its frame: (25, 25), (W - 45) x (H - 45).
    QCOMPARE(box->actionButton()->geometry(), QRect(25, 25, 155, 35));
}

void TestBoxes::cloneCopiesWhatItShould()
{
    GraphicsBox* text = placedBox(GraphicsBox::TextBox);
    text->setElementPos(40.7, 10.2);
    text->setWidth(120);
    text->setBackgroundColor(QColor(1, 2, 3));
    text->setBorderVisible(false);
    text->setCaption(QStringLiteral("North gate"));
    text->captionItem()->setAlignment(2);
    std::unique_ptr<GraphicsBox> copy(text->clone());
    QCOMPARE(copy->pos(), QPointF(65, 35));
    QCOMPARE(copy->width(), 120.0);
    QCOMPARE(copy->backgroundColor(), QColor(1, 2, 3));
    QVERIFY(!copy->borderVisible());
    QCOMPARE(copy->caption(), QStringLiteral("North gate"));
    QCOMPARE(copy->captionItem()->alignment(), 2);
    delete copy->node();

    GraphicsBox* button = placedBox(GraphicsBox::ButtonBox);
    Node target(QStringLiteral("t"));
    button->setActionTarget(&target);
    button->setButtonCaption(QStringLiteral("Go"));
    button->actionButton()->setCheckable(true);
    std::unique_ptr<GraphicsBox> buttonCopy(button->clone());
    QVERIFY(!buttonCopy->actionTarget());
    QCOMPARE(buttonCopy->buttonCaption(), QStringLiteral("Go"));
    QVERIFY(buttonCopy->actionButton()->isCheckable());
    button->setActionTarget(nullptr);
    delete buttonCopy->node();

    auto* image = new GraphicsBox(GraphicsBox::ImageBox);
    image->setPicture(QPixmap(50, 50));
    std::unique_ptr<GraphicsBox> imageCopy(image->clone());
    QVERIFY(imageCopy->picture().isNull());
    delete imageCopy->node();
    delete image->node();
    delete image;
}

void TestBoxes::imageBoxScalesWithinBounds()
{
    auto* box = new GraphicsBox(GraphicsBox::ImageBox);
    m_scene->insertItem(box);
    QVERIFY(box->pictureItem());
    QCOMPARE(box->pictureItem()->pos(), QPointF(23, 23));
    QPixmap picture(64, 32);
    picture.fill(Qt::darkCyan);
    box->setPicture(picture);
    box->setWidth(140);
    box->setHeight(90);
    QCOMPARE(box->pictureItem()->pixmap().size(), QSize(100, 50));
    QCOMPARE(box->picture().size(), QSize(64, 32));
    // Sizes typed into the panel may be tiny or absurd: nothing is allocated without bound.
    box->setWidth(10);
    QVERIFY(box->pictureItem()->pixmap().isNull());
    box->setWidth(-500);
    QVERIFY(box->pictureItem()->pixmap().isNull());
    box->setWidth(1e9);
    QCOMPARE(box->pictureItem()->pixmap().size(), QSize(GraphicsBox::MaxScaledSide, 50));
    box->setWidth(200);
    QCOMPARE(box->pictureItem()->pixmap().size(), QSize(160, 50));
}

void TestBoxes::absurdSizesPaintSafely()
{
    GraphicsBox* gateway = placedBox(GraphicsBox::GatewayBox);
    for (qreal size : {1e15, -1e15, 0.0, 3.0}) {
        gateway->setWidth(size);
        gateway->setHeight(size);
        QImage image(64, 64, QImage::Format_ARGB32);
        QPainter painter(&image);
        QStyleOptionGraphicsItem option;
        gateway->paint(&painter, &option, nullptr);
    }
    gateway->setWidth(250);
    gateway->setHeight(150);
    QCOMPARE(render(gateway).pixelColor(40, 122), QColor(131, 224, 94));
    delete gateway->energizerNode();
}

void TestBoxes::findActionOwnersListsSectors()
{
    GraphicsBox* gateway = placedBox(GraphicsBox::GatewayBox);
    GraphicsBox* text = placedBox(GraphicsBox::TextBox);
    Node* sector = gateway->node()->child(4)->child(1);
    Node* gate = gateway->node()->child(7)->child(2);
    text->node()->insertInto(sector, 0);
    Node sound(QStringLiteral("siren"));
    Node* copy = sound.clone(gate);
    sound.children.append(copy); // the sound node lists the reference hung under the gate
    QCOMPARE(gateway->findActionOwners(text->node()), QList<Node*>{sector});
    QCOMPARE(gateway->findActionOwners(&sound), QList<Node*>{gate});
    sound.children.clear();
    delete gateway->energizerNode();
}

QTEST_MAIN(TestBoxes)
#include "tst_boxes.moc"
