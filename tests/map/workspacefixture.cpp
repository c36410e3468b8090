#include "workspacefixture.h"

#include "fakemainwindow.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "treemodel.h"

#include <QDomDocument>
#include <QSet>
#include <QStringList>

namespace WorkspaceFixture {

namespace {

void hangUnder(Node* node, Node* parent)
{
    if (!node || node->parent() || !parent)
        return;
    if (g_elementTreeModel && g_elementTreeModel->contains(parent))
        g_elementTreeModel->insertNode(parent, -1, node);
    else
        node->setParent(parent);
}

Node* findByName(const QString& name)
{
    return g_elementTreeModel ? g_elementTreeModel->findNode(QModelIndex(), 1, name) : nullptr;
}

} // namespace

Site::Site()
    : window(std::make_unique<FakeMainWindow>())
    , scene(window->makeScene(QStringLiteral("Site")))
    , twRoot(std::make_unique<Node>(QStringLiteral("TW")))
{
    window->setCurrentScene(scene.get());
    scene->setDesignMode(true);
    tw = addTwSystem(scene.get(), twRoot.get(), 4);
    auto* siren = new Node(QStringLiteral("Siren"));
    siren->type = Node::SoundAlarm;
    siren->columns = {QStringLiteral("Siren"), QString(), QStringLiteral("siren.wav")};
    (new Node(QStringLiteral("reference"), siren))->type = Node::SoundAlarm;
    sounds = {siren};
    scene->setSoundAlarmList(&sounds);
}

Site::~Site()
{
    for (GraphicsBox* box : scene->gatewayBoxes()) {
        if (box->energizerNode() && !box->energizerNode()->parent())
            delete box->energizerNode();
    }
    scene.reset();
    window.reset();
    qDeleteAll(sounds);
}

void Site::addElement(QGraphicsItem* item)
{
    scene->insertItem(item);
    scene->setUniqueName(item);
    scene->sceneModeChanged(item, GraphicsScene::SelectObject);
}

TwSystem addTwSystem(GraphicsScene* scene, Node* twRoot, int sensorCount)
{
    TwSystem tw;
    tw.modelSystem = new Node(QStringLiteral("10.0.0.7"), twRoot);
    tw.modelSystem->type = Node::TWSystem;
    tw.elementSystem = new Node(QStringLiteral("10.0.0.7"), nullptr);
    tw.elementSystem->type = Node::TWSystem;
    hangUnder(tw.elementSystem, scene->workplaceNode());
    tw.modelSystem->deviceNode = tw.elementSystem;
    tw.elementSystem->deviceNode = tw.modelSystem;
    for (int n = 1; n <= sensorCount; ++n) {
        auto* sensor = new Node(QStringLiteral("Sensor%1").arg(n), tw.modelSystem);
        sensor->type = Node::TWSensor;
        auto* twin = new Node(sensor->name, nullptr);
        twin->type = Node::TWSensor;
        twin->columns = {sensor->name, 0};
        hangUnder(twin, tw.elementSystem);
        sensor->deviceNode = twin;
        twin->deviceNode = sensor;
        tw.modelSensors.append(sensor);
        tw.elementSensors.append(twin);
    }
    return tw;
}

QDomElement writeWorkspace(QDomDocument& document, GraphicsScene* scene)
{
    QDomElement workplace = document.createElement(QStringLiteral("Workplace"));
    for (QGraphicsItem* item : scene->items(Qt::DescendingOrder)) {
        auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
        if (!helper)
            continue;
        const QDomElement element = helper->toXml(document);
        if (!element.isNull())
            workplace.appendChild(element);
    }
    return workplace;
}

int readWorkspace(const QDomElement& workplace, GraphicsScene* scene, Node* twSystem)
{
    int made = 0;
    QList<QDomElement> items;
    for (QDomElement e = workplace.firstChildElement(QStringLiteral("Item")); !e.isNull();
         e = e.nextSiblingElement(QStringLiteral("Item")))
        items.append(e);
    Node* workplaceNode = scene->workplaceNode();

    for (const QDomElement& e : items) {
        const QString type = e.attribute(QStringLiteral("itemType"));
        if (type == QLatin1String("Text") || type == QLatin1String("Button") || type == QLatin1String("image")) {
            const int kind = type == QLatin1String("Text") ? GraphicsBox::TextBox
                : type == QLatin1String("Button")          ? GraphicsBox::ButtonBox
                                                           : GraphicsBox::ImageBox;
            auto* box = new GraphicsBox(kind);
            box->readXml(e);
            scene->insertItem(box);
            if (kind == GraphicsBox::ButtonBox)
                box->addActionButton();
            box->setZValue(kind == GraphicsBox::ImageBox ? 0 : 1);
            if (kind != GraphicsBox::ImageBox)
                hangUnder(box->node(), workplaceNode);
            ++made;
        } else if (type == QLatin1String("line")) {
            auto* line = new GraphicsLine;
            line->readXml(e);
            scene->insertItem(line);
            line->setZValue(1);
            hangUnder(line->node(), workplaceNode);
            ++made;
        }
    }
    for (const QDomElement& e : items) {
        if (e.attribute(QStringLiteral("itemType")) != QLatin1String("TWSector"))
            continue;
        auto* circle = new GraphicsCircle(GraphicsCircle::FileKind);
        scene->insertItem(circle);
        circle->readXml(e, twSystem);
        circle->mouseReleaseEvent(nullptr);
        ++made;
    }
    for (const QDomElement& e : items) {
        if (e.attribute(QStringLiteral("itemType")) != QLatin1String("OsprelVell"))
            continue;
        auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
        scene->insertItem(box);
        hangUnder(box->node(), workplaceNode);
        if (g_energizerModel && box->energizerNode())
            g_energizerModel->insertNode(g_energizerModel->rootNode(), -1, box->energizerNode());
        box->readXml(e);
        box->setZValue(1);
        ++made;
    }
    for (const QDomElement& e : items) {
        if (e.attribute(QStringLiteral("itemType")) != QLatin1String("Button"))
            continue;
        for (QDomElement a = e.firstChildElement(); !a.isNull(); a = a.nextSiblingElement()) {
            Node* target = findByName(a.attribute(QStringLiteral("actRefObj")));
            Node* buttonNode = findByName(e.attribute(QStringLiteral("name")));
            auto* box = buttonNode ? dynamic_cast<GraphicsBox*>(buttonNode->mapItem) : nullptr;
            if (!box)
                continue;
            box->setActionTarget(target);
            box->setActionCommand(a.attribute(QStringLiteral("command")).toInt());
        }
    }
    return made;
}

QString canonical(const QDomElement& element)
{
    QStringList attributes;
    const QDomNamedNodeMap map = element.attributes();
    for (int i = 0; i < map.count(); ++i) {
        const QDomAttr attribute = map.item(i).toAttr();
        attributes.append(attribute.name() + QLatin1String("=\"") + attribute.value() + QLatin1Char('"'));
    }
    attributes.sort();
    QString text = QLatin1Char('<') + element.tagName();
    for (const QString& attribute : qAsConst(attributes))
        text += QLatin1Char(' ') + attribute;
    text += QLatin1Char('>');
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        text += canonical(child);
    return text + QLatin1String("</") + element.tagName() + QLatin1Char('>');
}

QString canonical(const QString& xml)
{
    QDomDocument document;
    if (!document.setContent(xml))
        return QStringLiteral("unreadable: ") + xml;
    return canonical(document.documentElement());
}

bool treeIsSound(const Node* root)
{
    QSet<const Node*> seen;
    QList<const Node*> pending{root};
    while (!pending.isEmpty()) {
        const Node* node = pending.takeFirst();
        if (seen.contains(node))
            return false;
        seen.insert(node);
        for (const Node* child : node->children) {
            if (child->parent() != node)
                return false;
            pending.append(child);
        }
    }
    return true;
}

} // namespace WorkspaceFixture
