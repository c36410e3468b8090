#include "fakemainwindow.h"
#include "gatewaysubtree.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "itemxml.h"
#include "messagecatcher.h"
#include "node.h"
#include "resources.h"
#include "treemodel.h"
#include "workspacefixture.h"
#include "workplacewriter.h"

#include <QBuffer>
#include <QDomDocument>
#include <QGraphicsPixmapItem>
#include <QPushButton>
#include <QtTest>

#include <algorithm>

using WorkspaceFixture::Site;

namespace {

MappingRecord record(quint16 id, quint16 latch, quint32 first)
{
    MappingRecord r;
    r.id = id;
    r.latchingCode = latch;
    for (int i = 0; i < MappingRecord::kCodedValueCount; ++i)
        r.codedValue[i] = first + quint32(i);
    return r;
}

QDomElement parse(QDomDocument& document, const QString& xml)
{
    if (!document.setContent(xml))
        return QDomElement();
    return document.documentElement();
}

// The items of a workspace element by name, each as canonical text.
QStringList itemsByName(const QDomElement& workplace)
{
    QStringList items;
    for (QDomElement e = workplace.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        items.append(WorkspaceFixture::canonical(e));
    std::sort(items.begin(), items.end());
    return items;
}

// The boxes and lines as the file lists them: top of the stacking first (a
// TW sector is drawn above them, whatever its place in the file).
QStringList stacking(const QDomElement& workplace)
{
    QStringList items;
    for (QDomElement e = workplace.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (e.attribute(QStringLiteral("itemType")) != QLatin1String("TWSector"))
            items.append(e.attribute(QStringLiteral("itemType")) + QLatin1Char('/') + e.attribute(QStringLiteral("name")));
    }
    return items;
}

} // namespace

// Every map element in the project file: the boxes' attributes, the gateway's
// device names, flags, mappings and sector actions, corrupt content, and a
// whole workspace written and read back in the main window's order.
class TestMapXml : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void workspaceRoundTrip();
    void mappingValues_data();
    void mappingValues();
    void corruptGatewayContentIsSkipped();
    void actionsNeverTakeADevice();
    void textBoxAlignment_data();
    void textBoxAlignment();
    void imageBoxPictureAndPlace();
    void oversizedPicturesAreRefused();
    void fontsAndSizes();
    void itemSizes_data();
    void itemSizes();
    void buttonAction();
    void newGatewayWritesDefinedFlags();
    void writerKeepsTheDocumentReadable();
    void soundReferencesOfAReadProject_data();
    void soundReferencesOfAReadProject();
    void unresolvableReferencesTellTheirCase_data();
    void unresolvableReferencesTellTheirCase();
};

void TestMapXml::initTestCase()
{
    initLumetraResources();
}

void TestMapXml::workspaceRoundTrip()
{
    QString written;
    {
        Site site;
        auto* text = site.add(new GraphicsBox(GraphicsBox::TextBox));
        text->setElementPos(20, 400);
        text->setCaption(QStringLiteral("North gate"));
        text->captionItem()->setAlignment(Qt::AlignRight);
        text->setBorderVisible(false);
        text->setBackgroundColor(QColor(10, 20, 30));
        auto* button = site.add(new GraphicsBox(GraphicsBox::ButtonBox));
        button->addActionButton();
        button->setElementPos(300, 400);
        button->setButtonCaption(QStringLiteral("Zone 1"));
        button->actionButton()->setCheckable(true);
        button->setActionTarget(text->node());
        button->setActionCommand(4);
        auto* image = site.add(new GraphicsBox(GraphicsBox::ImageBox));
        QPixmap picture(100, 80);
        picture.fill(Qt::darkGreen);
        image->setPicture(picture);
        image->setWidth(140);
        image->setHeight(120);
        image->setZValue(0);
        auto* line = site.add(new GraphicsLine);
        line->appendPoint({0, 600});
        line->appendPoint({300, 600});
        line->appendPoint({300, 700});
        auto* circle = site.add(new GraphicsCircle(GraphicsCircle::PlacedKind));
        circle->setElementPos(600, 600);
        site.tw.elementSensors.at(2)->insertInto(circle->node(), 0);
        site.tw.elementSensors.at(3)->insertInto(circle->node(), 1);
        auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
        gateway->setElementPos(500, 20);
        gateway->setIP(QStringLiteral("10.1.2.3"));
        gateway->setLogo(QStringLiteral("Osprel"));
        gateway->setAllEnergisersActive(false);
        gateway->setAllEnergisersLowVoltage(true);
        for (QGraphicsItem* item : {static_cast<QGraphicsItem*>(text), static_cast<QGraphicsItem*>(button),
                                    static_cast<QGraphicsItem*>(gateway)})
            item->setZValue(1);
        Node* gatewayNode = gateway->node();
        gatewayNode->outputMappings = {record(40, 1, 0xFFFFFFF0u)};
        gatewayNode->child(4)->setData(0, QStringLiteral("West"));
        gatewayNode->child(0)->outputMappings = {record(33, 0, 7), record(34, 2, 100)};
        gatewayNode->child(32)->inputMappings = {record(0, 0, 1)};
        gatewayNode->child(39)->enabled = false;
        gatewayNode->child(39)->inputMappings = {record(5, 0, 9)};
        Node* sector2 = gatewayNode->child(1)->child(1);
        sector2->setData(0, QStringLiteral("South"));
        site.window->elementModel()->insertNode(sector2, 0, text->node());
        site.window->elementModel()->insertNode(gatewayNode->child(2)->child(2), 0, line->node());
        Node* sound = ItemXml::soundAlarmCopy(&site.sounds, QStringLiteral("siren.wav"));
        sound->enabled = false;
        site.window->elementModel()->insertNode(gatewayNode->child(1)->child(0), 0, sound);
        site.window->elementModel()->insertNode(gatewayNode->child(1)->child(0), 1,
                                                ItemXml::soundAlarmCopy(&site.sounds, QStringLiteral("siren.wav")));

        QDomDocument document;
        document.appendChild(WorkspaceFixture::writeWorkspace(document, site.scene.get()));
        written = document.toString();
    }

    Site site;
    QDomDocument document;
    QVERIFY(document.setContent(written));
    QCOMPARE(WorkspaceFixture::readWorkspace(document.documentElement(), site.scene.get(), site.tw.elementSystem), 6);

    GraphicsBox* gateway = site.scene->gatewayBoxes().value(0);
    QVERIFY(gateway);
    Node* gatewayNode = gateway->node();
    QCOMPARE(gateway->ip(), QStringLiteral("10.1.2.3"));
    QCOMPARE(gatewayNode->data(0).toString(), QStringLiteral("10.1.2.3"));
    QCOMPARE(gateway->energizerNode()->data(0).toString(), QStringLiteral("10.1.2.3"));
    QCOMPARE(gateway->logoMake(), QStringLiteral("Osprel"));
    QVERIFY(!gateway->allEnergisersActive());
    QVERIFY(gateway->allEnergisersLowVoltage());
    QCOMPARE(gatewayNode->outputMappings, (QList<MappingRecord>{record(40, 1, 0xFFFFFFF0u)}));
    QCOMPARE(gatewayNode->child(4)->data(0).toString(), QStringLiteral("West"));
    QCOMPARE(gatewayNode->child(4)->data(1).toString(), QStringLiteral("West"));
    QCOMPARE(gatewayNode->child(4)->deviceNode->data(0).toString(), QStringLiteral("West"));
    QCOMPARE(gatewayNode->child(0)->outputMappings, (QList<MappingRecord>{record(33, 0, 7), record(34, 2, 100)}));
    QCOMPARE(gatewayNode->child(32)->inputMappings, (QList<MappingRecord>{record(0, 0, 1)}));
    QVERIFY(!gatewayNode->child(39)->enabled);
    QVERIFY(!gatewayNode->child(39)->deviceNode->enabled);
    QCOMPARE(gatewayNode->child(39)->inputMappings, (QList<MappingRecord>{record(5, 0, 9)}));
    QCOMPARE(gatewayNode->child(1)->child(1)->data(0).toString(), QStringLiteral("South"));
    QCOMPARE(gateway->zValue(), 1.0);

    // The sector links point at the elements read from the same file.
    Node* textNode = gatewayNode->child(1)->child(1)->child(0);
    QVERIFY(textNode);
    auto* text = dynamic_cast<GraphicsBox*>(textNode->mapItem);
    QVERIFY(text);
    QCOMPARE(text->caption(), QStringLiteral("North gate"));
    QCOMPARE(text->captionItem()->alignment(), int(Qt::AlignRight));
    QVERIFY(!text->borderVisible());
    QCOMPARE(text->backgroundColor(), QColor(10, 20, 30));
    Node* lineNode = gatewayNode->child(2)->child(2)->child(0);
    QVERIFY(lineNode && lineNode->mapItem && lineNode->mapItem->type() == GraphicsLine::Type);
    QCOMPARE(static_cast<GraphicsLine*>(lineNode->mapItem)->points().size(), 3);
    Node* sound = gatewayNode->child(1)->child(0)->child(0);
    QVERIFY(sound && sound->type == Node::SoundAlarm);
    QVERIFY(!sound->enabled);
    QCOMPARE(sound->childCount(), 0);
    // The alarm lists both copies beside its own child.
    QCOMPARE(site.sounds.first()->childCount(), 3);

    // The button found its target once everything was read.
    GraphicsBox* button = nullptr;
    GraphicsCircle* circle = nullptr;
    for (QGraphicsItem* item : site.scene->items()) {
        auto* box = dynamic_cast<GraphicsBox*>(item);
        if (box && box->kind() == GraphicsBox::ButtonBox)
            button = box;
        if (item->type() == GraphicsCircle::Type)
            circle = static_cast<GraphicsCircle*>(item);
    }
    QVERIFY(button && circle);
    QCOMPARE(button->actionTarget(), textNode);
    QCOMPARE(button->actionCommand(), 4);
    QCOMPARE(button->actionButton()->text(), QStringLiteral("Zone 1"));
    QVERIFY(button->actionButton()->isCheckable());
    QCOMPARE(circle->node()->parent(), site.tw.elementSystem);
    // Actions keep their order.
    QCOMPARE(circle->node()->children, (QList<Node*>{site.tw.elementSensors.at(2), site.tw.elementSensors.at(3)}));
    QVERIFY(gatewayNode->child(1)->child(0)->child(1)->enabled);
    QVERIFY(WorkspaceFixture::treeIsSound(site.window->elementTreeRoot()));

    // Written again, the workspace is the same, item for item.
    QDomDocument again;
    const QDomElement rewritten = WorkspaceFixture::writeWorkspace(again, site.scene.get());
    QCOMPARE(itemsByName(rewritten), itemsByName(document.documentElement()));
    QCOMPARE(stacking(rewritten), stacking(document.documentElement()));
}

void TestMapXml::mappingValues_data()
{
    QTest::addColumn<QString>("mapping");
    QTest::addColumn<bool>("kept");
    QTest::addColumn<quint16>("latch");
    QTest::addColumn<quint32>("first");
    QTest::addColumn<quint32>("eighth");
    QTest::addColumn<bool>("warned");
    const QString eight = QStringLiteral("<Relay codedValue=\"1\"/><Relay/><Relay/><Relay/><Relay/><Relay/><Relay/>");
    QTest::newRow("plain") << QStringLiteral("<MapElement id=\"40\" latchingCode=\"3\">%1<Relay codedValue=\"8\"/></MapElement>").arg(eight)
                           << true << quint16(3) << 1u << 8u << false;
    QTest::newRow("id 0") << QStringLiteral("<MapElement id=\"0\"/>") << false << quint16(0) << 0u << 0u << false;
    QTest::newRow("id not a number") << QStringLiteral("<MapElement id=\"x\"/>") << false << quint16(0) << 0u << 0u << false;
    QTest::newRow("id too large") << QStringLiteral("<MapElement id=\"70000\"/>") << false << quint16(0) << 0u << 0u << true;
    QTest::newRow("latching code too large") << QStringLiteral("<MapElement id=\"4\" latchingCode=\"65536\"/>")
                                             << false << quint16(0) << 0u << 0u << true;
    QTest::newRow("latching code not a number") << QStringLiteral("<MapElement id=\"4\" latchingCode=\"z\"/>")
                                                << true << quint16(0) << 0u << 0u << false;
    QTest::newRow("nine coded values") << QStringLiteral("<MapElement id=\"4\">%1<Relay codedValue=\"8\"/><Relay codedValue=\"9\"/></MapElement>").arg(eight)
                                       << true << quint16(0) << 1u << 8u << true;
    QTest::newRow("full 32 bits") << QStringLiteral("<MapElement id=\"4\"><Relay codedValue=\"4294967295\"/><Relay/><Relay/><Relay/><Relay/><Relay/><Relay/><Relay codedValue=\"2147483648\"/></MapElement>")
                                  << true << quint16(0) << 0xFFFFFFFFu << 0x80000000u << false;
    QTest::newRow("negative keeps its pattern") << QStringLiteral("<MapElement id=\"4\"><Relay codedValue=\"-1\"/></MapElement>")
                                                << true << quint16(0) << 0xFFFFFFFFu << 0u << false;
    QTest::newRow("coded value too large") << QStringLiteral("<MapElement id=\"4\"><Relay codedValue=\"4294967296\"/></MapElement>")
                                           << false << quint16(0) << 0u << 0u << true;
    QTest::newRow("comment among values") << QStringLiteral("<MapElement id=\"4\"><!-- x --><Relay codedValue=\"6\"/></MapElement>")
                                          << true << quint16(0) << 6u << 0u << false;
}

void TestMapXml::mappingValues()
{
    QFETCH(QString, mapping);
    QFETCH(bool, kept);
    QFETCH(quint16, latch);
    QFETCH(quint32, first);
    QFETCH(quint32, eighth);
    QFETCH(bool, warned);
    Site site;
    auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    QDomDocument document;
    const QDomElement item = parse(document, QStringLiteral("<Item itemType=\"OsprelVell\" name=\"g\" IP=\"1.2.3.4\">%1"
                                                            "<Energizer id=\"0\" name=\"E\">%1</Energizer></Item>")
                                                 .arg(mapping));
    QVERIFY(!item.isNull());
    MessageCatcher catcher;
    gateway->readXml(item);
    for (const Node* row : gateway->energizerNode()->children)
        QCOMPARE(row->data(GatewaySubtree::IPColumn).toString(), QStringLiteral("1.2.3.4"));
    const QList<MappingRecord> onGateway = gateway->node()->outputMappings;
    const QList<MappingRecord> onEnergizer = gateway->node()->child(0)->outputMappings;
    QCOMPARE(onEnergizer, onGateway);
    QCOMPARE(onGateway.size(), kept ? 1 : 0);
    if (kept) {
        QCOMPARE(onGateway.first().latchingCode, latch);
        QCOMPARE(onGateway.first().codedValue[0], first);
        QCOMPARE(onGateway.first().codedValue[7], eighth);
    }
    QCOMPARE(catcher.contains(QStringLiteral("mapping")) || catcher.contains(QStringLiteral("coded values")), warned);

    // Whatever was kept is written back with the same values.
    QDomDocument out;
    const QDomElement written = gateway->toXml(out);
    const QDomElement map = written.firstChildElement(QStringLiteral("MapElement"));
    QCOMPARE(map.isNull(), !kept);
    if (kept)
        QCOMPARE(map.firstChildElement().attribute(QStringLiteral("codedValue")).toUInt(), first);
}

void TestMapXml::corruptGatewayContentIsSkipped()
{
    Site site;
    auto* text = site.add(new GraphicsBox(GraphicsBox::TextBox));
    auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    const QString gatewayName = gateway->objectName();
    // A line of the same name stands before the text box in the tree; it is not taken for it.
    auto* namesake = site.add(new GraphicsLine);
    namesake->setName(text->objectName());
    Node* workplace = site.scene->workplaceNode();
    QVERIFY(workplace->children.indexOf(namesake->node()) < workplace->children.indexOf(text->node()));
    QDomDocument document;
    const QDomElement item = parse(document, QStringLiteral(
        "<Item itemType=\"OsprelVell\" name=\"%1\" IP=\"1.2.3.4\">"
        "<Energizer id=\"63\" name=\"beyond\"/>"
        "<Energizer id=\"-1\" name=\"before\"/>"
        "<Energizer name=\"nameless\"/>"
        "<Energizer id=\"1\" name=\"Second\" enable=\"0\">"
        "  <Sector id=\"3\" name=\"nowhere\"/>"
        "  <Sector id=\"0\" name=\"Front\">"
        "    <Action actRefObjType=\"2\" actRefObj=\"nosuch\"/>"
        "    <Action actRefObjType=\"1\" actRefObj=\"%1\"/>"
        "    <Action actRefObjType=\"3\" actRefObj=\"%2\"/>"
        "    <Action actRefObjType=\"2\"/>"
        "    <Action actRefObjType=\"7\" actRefObj=\"nosound\"/>"
        "    <Action actRefObjType=\"2\" actRefObj=\"%2\" StateEnable=\"0\"/>"
        "  </Sector>"
        "</Energizer>"
        "<Energizer id=\"40\" name=\"Card\"><MapElement id=\"99999\"/><MapElement id=\"2\"/></Energizer>"
        "<Unknown id=\"1\"/>"
        "</Item>").arg(gatewayName, text->objectName()));
    QVERIFY(!item.isNull());
    MessageCatcher catcher;
    gateway->readXml(item);

    Node* node = gateway->node();
    QCOMPARE(node->childCount(), 63);
    QCOMPARE(node->child(1)->data(0).toString(), QStringLiteral("Second"));
    QVERIFY(!node->child(1)->enabled);
    QCOMPARE(node->child(1)->child(0)->data(0).toString(), QStringLiteral("Front"));
    // Each action finds the element of its own type, in the file's order.
    QCOMPARE(node->child(1)->child(0)->children, (QList<Node*>{namesake->node(), text->node()}));
    QVERIFY(!text->node()->enabled);
    QCOMPARE(node->child(40)->inputMappings.size(), 1);
    QCOMPARE(node->child(40)->inputMappings.first().id, quint16(2));
    QCOMPARE(node->parent(), site.scene->workplaceNode());
    QVERIFY(WorkspaceFixture::treeIsSound(site.window->elementTreeRoot()));

    const QStringList messages = catcher.messages();
    QCOMPARE(messages.filter(QStringLiteral("no device with id")).size(), 3);
    QCOMPARE(messages.filter(QStringLiteral("no sector with id \"3\"")).size(), 1);
    QCOMPARE(messages.filter(QStringLiteral("not found")).size(), 4);
    QCOMPARE(messages.filter(QStringLiteral("input mapping 99999")).size(), 1);
}

void TestMapXml::actionsNeverTakeADevice()
{
    // An action names a map element; a device row that happens to carry the
    // same text in its name column stays where it is.
    Site site;
    auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    Node* first = gateway->node()->child(0);
    Node* card = gateway->node()->child(32);
    QDomDocument document;
    const QDomElement item = parse(document, QStringLiteral(
        "<Item itemType=\"OsprelVell\" name=\"%1\" IP=\"1.2.3.4\">"
        "<Energizer id=\"1\" name=\"Second\">"
        "  <Sector id=\"0\" name=\"Front\">"
        "    <Action actRefObjType=\"10\" actRefObj=\"3\"/>"
        "    <Action actRefObjType=\"11\" actRefObj=\"3\"/>"
        "  </Sector>"
        "</Energizer>"
        "</Item>").arg(gateway->objectName()));
    QVERIFY(!item.isNull());
    MessageCatcher catcher;
    gateway->readXml(item);

    QCOMPARE(gateway->node()->childCount(), 63);
    QCOMPARE(gateway->node()->child(0), first);
    QCOMPARE(gateway->node()->child(32), card);
    QCOMPARE(gateway->node()->child(1)->child(0)->childCount(), 0);
    QCOMPARE(catcher.messages().filter(QStringLiteral("not found")).size(), 2);
}

void TestMapXml::unresolvableReferencesTellTheirCase_data()
{
    QTest::addColumn<QList<int>>("labels");  // the maps with a text box "label": 0 the sector's, 1 the linked one's, 2 another
    QTest::addColumn<int>("bearers");       // where the reader looks the name up
    QTest::newRow("not found") << QList<int>{} << 0;
    QTest::newRow("another first") << QList<int>{0, 1} << 1;
    QTest::newRow("ambiguous") << QList<int>{1, 2} << 2;
}

// A save's check tells why a sector's link would not come back: no element bears the name, another comes
// first, or several do.
void TestMapXml::unresolvableReferencesTellTheirCase()
{
    QFETCH(QList<int>, labels);
    QFETCH(int, bearers);
    Site site;
    Node* sector = site.add(new GraphicsBox(GraphicsBox::GatewayBox))->node()->child(0)->child(0);
    const std::unique_ptr<GraphicsScene> others[2] = {site.window->makeScene("A"), site.window->makeScene("B")};
    const QList<GraphicsScene*> maps{site.scene.get(), others[0].get(), others[1].get()};
    auto* linked = new GraphicsBox(GraphicsBox::TextBox);  // off every map unless map 1 has a label
    const std::unique_ptr<GraphicsBox> offMaps(labels.contains(1) ? nullptr : linked);
    QVERIFY(ItemXml::placeNode(linked->node(), sector, 0));
    for (int map : labels) {
        GraphicsBox* box = map == 1 ? linked : new GraphicsBox(GraphicsBox::TextBox);
        maps.at(map)->insertItem(box);
        box->setName(QStringLiteral("label"));
    }
    linked->setName(QStringLiteral("label"));
    const auto unresolvable = WorkplaceWriter::unresolvableReferences(maps);
    QVERIFY(unresolvable.size() == 1 && unresolvable.first().name == "label" && unresolvable.first().bearers == bearers);
}

void TestMapXml::textBoxAlignment_data()
{
    QTest::addColumn<QString>("alignment");
    QTest::addColumn<int>("expected");
    QTest::newRow("left") << QStringLiteral("1") << int(Qt::AlignLeft);
    QTest::newRow("right") << QStringLiteral("2") << int(Qt::AlignRight);
    QTest::newRow("centred") << QStringLiteral("132") << int(Qt::AlignHCenter | Qt::AlignVCenter);
    QTest::newRow("other value") << QStringLiteral("4") << int(Qt::AlignLeft);
    QTest::newRow("not a number") << QStringLiteral("right") << int(Qt::AlignLeft);
}

void TestMapXml::textBoxAlignment()
{
    QFETCH(QString, alignment);
    QFETCH(int, expected);
    QDomDocument document;
    const QDomElement item = parse(document, QStringLiteral(
        "<Item itemType=\"Text\" name=\"box7\" caption=\"Gate\" alignment=\"%1\" borderVisible=\"0\" x=\"12\" y=\"-4\""
        " width=\"250.5\" height=\"90\" fontColor=\"rgba(1,2,3,255)\" backgroundColor=\"rgba(9,9,9,128)\""
        " borderColor=\"rgba(200,0,0,255)\" zvalue=\"7\"/>").arg(alignment));
    GraphicsBox box(GraphicsBox::TextBox);
    box.readXml(item);
    QCOMPARE(box.captionItem()->alignment(), expected);
    QVERIFY(!box.borderVisible());
    QCOMPARE(box.objectName(), QStringLiteral("box7"));
    QCOMPARE(box.node()->data(0).toString(), QStringLiteral("Gate"));
    QCOMPARE(box.node()->data(1).toString(), QStringLiteral("box7"));
    QCOMPARE(box.caption(), QStringLiteral("Gate"));
    QCOMPARE(box.pos(), QPointF(12, -4));
    QCOMPARE(box.width(), 250.0);
    QCOMPARE(box.height(), 90.0);
    QCOMPARE(box.zValue(), 10.0);
    QCOMPARE(box.captionItem()->defaultTextColor(), QColor(1, 2, 3));
    QCOMPARE(box.backgroundColor(), QColor(9, 9, 9, 128));
    QCOMPARE(box.color(), QColor(200, 0, 0));
}

void TestMapXml::imageBoxPictureAndPlace()
{
    QPixmap picture(400, 300);
    picture.fill(Qt::blue);
    GraphicsBox box(GraphicsBox::ImageBox);
    box.setPicture(picture);
    box.setWidth(400);
    box.setHeight(300);
    QDomDocument document;
    QDomElement written = box.toXml(document);
    written.removeAttribute(QStringLiteral("x"));
    written.removeAttribute(QStringLiteral("y"));
    written.removeAttribute(QStringLiteral("width"));
    written.removeAttribute(QStringLiteral("height"));

    // Stored at its displayed size; without a place and size it lands at
    // (-23, -23) with the stored picture's size.
    GraphicsBox read(GraphicsBox::ImageBox);
    read.readXml(written);
    QCOMPARE(read.picture().size(), QSize(360, 260));
    QCOMPARE(read.pos(), QPointF(-23, -23));
    QCOMPARE(read.width(), 360.0);
    QCOMPARE(read.height(), 260.0);
    QVERIFY(read.pictureItem()->isVisible());

    // Read and written again, the size holds.
    read.setWidth(400);
    read.setHeight(300);
    GraphicsBox again(GraphicsBox::ImageBox);
    again.readXml(read.toXml(document));
    QCOMPARE(again.picture().size(), QSize(360, 260));

    for (const QString& bad : {QStringLiteral("*** not base64 ***"), QStringLiteral("aGVsbG8=")}) {
        written.setAttribute(QStringLiteral("picture"), bad);
        GraphicsBox broken(GraphicsBox::ImageBox);
        broken.readXml(written);
        QVERIFY(broken.picture().isNull());
    }
    written.removeAttribute(QStringLiteral("picture"));
    GraphicsBox missing(GraphicsBox::ImageBox);
    missing.readXml(written);
    QVERIFY(missing.picture().isNull());
    QCOMPARE(missing.width(), 0.0);
}

void TestMapXml::oversizedPicturesAreRefused()
{
    // A stored picture is never larger than the largest side a box shows;
    // a larger one is refused before it is decoded.
    QImage wide(GraphicsBox::MaxScaledSide + 1, 1, QImage::Format_RGB32);
    wide.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    QVERIFY(buffer.open(QIODevice::WriteOnly));
    QVERIFY(wide.save(&buffer, "PNG"));
    QDomDocument document;
    QDomElement item = document.createElement(QStringLiteral("Item"));
    item.setAttribute(QStringLiteral("itemType"), QStringLiteral("image"));
    item.setAttribute(QStringLiteral("picture"), QString::fromLatin1(png.toBase64()));
    MessageCatcher catcher;
    GraphicsBox refused(GraphicsBox::ImageBox);
    refused.readXml(item);
    QVERIFY(refused.picture().isNull());
    QVERIFY(!catcher.messages().filter(QStringLiteral("picture")).isEmpty());

    // Absurd sizes in the file show the picture within a bounded number of pixels.
    QPixmap small(8, 8);
    small.fill(Qt::green);
    GraphicsBox box(GraphicsBox::ImageBox);
    box.setPicture(small);
    QDomElement sized = box.toXml(document);
    sized.setAttribute(QStringLiteral("width"), 100000);
    sized.setAttribute(QStringLiteral("height"), 100000);
    GraphicsBox huge(GraphicsBox::ImageBox);
    huge.readXml(sized);
    const QSize shown = huge.pictureItem()->pixmap().size();
    QVERIFY(!shown.isEmpty());
    QVERIFY(qint64(shown.width()) * shown.height() <= GraphicsBox::MaxPicturePixels);
    QCOMPARE(shown.width(), shown.height());
}

void TestMapXml::fontsAndSizes()
{
    GraphicsBox text(GraphicsBox::TextBox);
    QFont font = text.captionItem()->font();
    font.setWeight(63);
    font.setItalic(true);
    font.setUnderline(true);
    font.setPointSize(17);
    text.captionItem()->setFont(font);
    QDomDocument document;
    QDomElement written = text.toXml(document);
    QCOMPARE(written.attribute(QStringLiteral("fontBold")), QStringLiteral("1"));
    QCOMPARE(written.attribute(QStringLiteral("fontItalic")), QStringLiteral("1"));
    QCOMPARE(written.attribute(QStringLiteral("fontUnderline")), QStringLiteral("1"));
    QCOMPARE(written.attribute(QStringLiteral("fontSize")), QStringLiteral("17"));
    QCOMPARE(written.attribute(QStringLiteral("width")), QStringLiteral("200"));

    GraphicsBox read(GraphicsBox::TextBox);
    read.readXml(written);
    QCOMPARE(read.captionItem()->font().weight(), int(QFont::Bold));
    QVERIFY(read.captionItem()->font().italic());
    QVERIFY(read.captionItem()->font().underline());
    QCOMPARE(read.captionItem()->font().pointSize(), 17);

    // A size of -1 (a font set in pixels) leaves the size alone.
    written.setAttribute(QStringLiteral("fontSize"), -1);
    written.setAttribute(QStringLiteral("fontBold"), 0);
    GraphicsBox unchanged(GraphicsBox::TextBox);
    const int before = unchanged.captionItem()->font().pointSize();
    unchanged.readXml(written);
    QCOMPARE(unchanged.captionItem()->font().pointSize(), before);
    QCOMPARE(unchanged.captionItem()->font().weight(), int(QFont::Normal));

    // Gateway and image boxes write the default font.
    GraphicsBox image(GraphicsBox::ImageBox);
    QCOMPARE(image.toXml(document).attribute(QStringLiteral("fontSize")).toInt(), QFont().pointSize());
}

void TestMapXml::itemSizes_data()
{
    QTest::addColumn<QString>("width");
    QTest::addColumn<qreal>("read");
    QTest::newRow("fraction") << QStringLiteral("250.5") << 250.0;
    QTest::newRow("out of range") << QStringLiteral("-1e308") << 0.0;
    QTest::newRow("past the int range") << QStringLiteral("2147483648") << 0.0;
    QTest::newRow("not a number") << QStringLiteral("wide") << 0.0;
    QTest::newRow("nan") << QStringLiteral("nan") << 0.0;
    QTest::newRow("1e308") << QStringLiteral("1e308") << 0.0;
}

// A size or position (a box's x, a line's y, a line point's x) the file
// cannot mean is read as 0, and the log says which.
void TestMapXml::itemSizes()
{
    QFETCH(QString, width);
    QFETCH(qreal, read);
    QDomDocument document;
    const QString xml = QStringLiteral("<Item itemType=\"Text\" name=\"box7\" width=\"%1\" height=\"90\" x=\"%1\"/>");
    const QDomElement item = parse(document, xml.arg(width));
    MessageCatcher catcher;
    GraphicsBox box(GraphicsBox::TextBox);
    box.readXml(item);
    GraphicsLine line;
    line.readXml(parse(document, QStringLiteral("<Item name=\"fence1\" y=\"%1\"><Point x=\"%1\"/></Item>").arg(width)));
    QCOMPARE(QVector<qreal>({box.width(), box.pos().x(), line.pos().y(), line.points().value(0).x()}), QVector<qreal>(4, read));
    QStringList told;
    for (const QString& message : catcher.messages().filter(QStringLiteral("=\"%1\" refused").arg(width)))
        told << message.section(QLatin1Char('='), 0, 0);
    const QStringList refused{"Item box7: x", "Item box7: width", "Item fence1: y", "Item fence1 Point: x"};
    QCOMPARE(told, read ? QStringList() : refused);
}

void TestMapXml::buttonAction()
{
    Site site;
    auto* target = site.add(new GraphicsBox(GraphicsBox::TextBox));
    auto* button = site.add(new GraphicsBox(GraphicsBox::ButtonBox));
    button->addActionButton();
    button->setButtonCaption(QStringLiteral("All on"));
    QDomDocument document;
    QDomElement written = button->toXml(document);
    QCOMPARE(written.attribute(QStringLiteral("itemType")), QStringLiteral("Button"));
    QCOMPARE(written.attribute(QStringLiteral("ButtonCaption")), QStringLiteral("All on"));
    QCOMPARE(written.attribute(QStringLiteral("ButtonCheckable")), QStringLiteral("1"));
    button->actionButton()->setCheckable(false);
    QCOMPARE(button->toXml(document).attribute(QStringLiteral("ButtonCheckable")), QStringLiteral("0"));
    QCOMPARE(written.elementsByTagName(QStringLiteral("Action")).size(), 1);
    QVERIFY(written.firstChildElement(QStringLiteral("Action")).attributes().isEmpty());

    button->setActionTarget(target->node());
    button->setActionCommand(1);
    button->actionButton()->setCheckable(true);
    written = button->toXml(document);
    const QDomElement action = written.firstChildElement(QStringLiteral("Action"));
    QCOMPARE(action.attribute(QStringLiteral("actRefObj")), target->objectName());
    QCOMPARE(action.attribute(QStringLiteral("command")), QStringLiteral("1"));
    QCOMPARE(written.attribute(QStringLiteral("ButtonCheckable")), QStringLiteral("1"));

    auto* read = new GraphicsBox(GraphicsBox::ButtonBox);
    read->readXml(written);
    QCOMPARE(read->buttonCaption(), QStringLiteral("All on"));
    QCOMPARE(read->node()->data(0).toString(), QStringLiteral("All on"));
    QVERIFY(read->actionButton()->isCheckable());
    QVERIFY(!read->actionTarget());
    delete read->node();
    delete read;
}

void TestMapXml::newGatewayWritesDefinedFlags()
{
    Site site;
    auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    QDomDocument document;
    const QDomElement written = gateway->toXml(document);
    QCOMPARE(written.attribute(QStringLiteral("allEnergisersActive")), QStringLiteral("1"));
    QCOMPARE(written.attribute(QStringLiteral("allEnergisersLowVoltage")), QStringLiteral("0"));
    QCOMPARE(written.attribute(QStringLiteral("logo")), QStringLiteral("Brenik"));
    QCOMPARE(written.attribute(QStringLiteral("width")), QStringLiteral("250"));
    QCOMPARE(written.elementsByTagName(QStringLiteral("Energizer")).size(), 63);
    QCOMPARE(written.elementsByTagName(QStringLiteral("Sector")).size(), 96);
    QCOMPARE(written.firstChildElement(QStringLiteral("Energizer")).attribute(QStringLiteral("name")),
             QStringLiteral("Energ1"));

    // Missing flags read as the defaults.
    QDomElement bare = document.createElement(QStringLiteral("Item"));
    bare.setAttribute(QStringLiteral("itemType"), QStringLiteral("OsprelVell"));
    auto* read = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    read->setAllEnergisersActive(false);
    read->setAllEnergisersLowVoltage(true);
    read->readXml(bare);
    QVERIFY(read->allEnergisersActive());
    QVERIFY(!read->allEnergisersLowVoltage());
    QVERIFY(!read->captionItem()->isVisible());
}

void TestMapXml::soundReferencesOfAReadProject_data()
{
    QTest::addColumn<bool>("alarmFirst");
    QTest::newRow("element deleted first") << false;
    QTest::newRow("alarm deleted first") << true;
}

// Copies read from a file are linked to their alarm as the editor links them:
// the owners are found, and either side may go first.
void TestMapXml::soundReferencesOfAReadProject()
{
    QFETCH(bool, alarmFirst);
    Site site;
    auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    QDomDocument document;
    const QDomElement item = parse(document, QStringLiteral(
        "<Item itemType=\"OsprelVell\" name=\"g\" IP=\"1.2.3.4\"><Energizer id=\"0\" name=\"E\">"
        "<Sector id=\"1\" name=\"S\"><Action actRefObjType=\"7\" actRefObj=\"siren.wav\"/></Sector>"
        "</Energizer></Item>"));
    gateway->readXml(item);
    Node* siren = site.sounds.first();
    Node* sector = gateway->node()->child(0)->child(1);
    QCOMPARE(gateway->findActionOwners(siren), QList<Node*>{sector});
    Node* copy = sector->child(0);
    QCOMPARE(siren->children.last(), copy);

    if (alarmFirst) {
        delete siren;
        site.sounds.clear();
        QVERIFY(Node::isAlive(copy));
        QCOMPARE(copy->parent(), sector);
    } else {
        delete copy;
        QCOMPARE(siren->childCount(), 1);
    }
}

void TestMapXml::writerKeepsTheDocumentReadable()
{
    Site site;
    auto* text = site.add(new GraphicsBox(GraphicsBox::TextBox));
    const QString unsafe = QStringLiteral("A") + QChar(0x01) + QStringLiteral("B") + QChar(0xFFFF) + QChar(0xD800)
        + QStringLiteral("C\tD") + QString::fromUtf8("\xF0\x9F\x94\xA5");
    text->setName(unsafe);
    text->setCaption(unsafe);
    auto* line = site.add(new GraphicsLine);
    line->setName(unsafe);
    line->appendPoint({0, 0});
    auto* circle = site.add(new GraphicsCircle(GraphicsCircle::PlacedKind));
    circle->setName(unsafe);
    auto* gateway = site.add(new GraphicsBox(GraphicsBox::GatewayBox));
    gateway->setIP(unsafe);
    gateway->node()->child(0)->setData(0, unsafe);

    QDomDocument document;
    document.appendChild(WorkspaceFixture::writeWorkspace(document, site.scene.get()));
    QDomDocument reread;
    QString error;
    QVERIFY2(reread.setContent(document.toString(), &error), qPrintable(error));
    const QString clean = QStringLiteral("ABC\tD") + QString::fromUtf8("\xF0\x9F\x94\xA5");
    QStringList names;
    for (QDomElement e = reread.documentElement().firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        names.append(e.attribute(QStringLiteral("name")));
    QCOMPARE(names.filter(clean).size(), 3);
    const QDomElement gatewayItem = reread.elementsByTagName(QStringLiteral("Energizer")).at(0).toElement();
    QCOMPARE(gatewayItem.attribute(QStringLiteral("name")), clean);
}

QTEST_MAIN(TestMapXml)
#include "tst_mapxml.moc"
