#include "workspacefixture.h"

#include "fakemainwindow.h"
#include "graphicsbox.h"
#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "node.h"
#include "treemodel.h"
#include "workplacereader.h"
#include "workplacewriter.h"

#include <algorithm>

#include <QDomDocument>
#include <QSet>
#include <QStringList>

namespace WorkspaceFixture {

namespace {

void hangUnder(TreeModel* model, Node* node, Node* parent)
{
    if (!node || node->parent() || !parent)
        return;
    if (model && model->contains(parent))
        model->insertNode(parent, -1, node);
    else
        node->setParent(parent);
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
    hangUnder(scene->elementModel(), tw.elementSystem, scene->workplaceNode());
    tw.modelSystem->deviceNode = tw.elementSystem;
    tw.elementSystem->deviceNode = tw.modelSystem;
    for (int n = 1; n <= sensorCount; ++n) {
        auto* sensor = new Node(QStringLiteral("Sensor%1").arg(n), tw.modelSystem);
        sensor->type = Node::TWSensor;
        auto* twin = new Node(sensor->name, nullptr);
        twin->type = Node::TWSensor;
        twin->columns = {sensor->name, 0};
        hangUnder(scene->elementModel(), twin, tw.elementSystem);
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
    WorkplaceWriter::writeItems(document, workplace, scene);
    return workplace;
}

int readWorkspace(const QDomElement& workplace, GraphicsScene* scene, Node* twSystem)
{
    const auto elements = [scene] {
        const QList<QGraphicsItem*> items = scene->items();
        return int(std::count_if(items.cbegin(), items.cend(), [](QGraphicsItem* item) {
            return !item->parentItem() && dynamic_cast<GraphicsHelperClass*>(item);
        }));
    };
    const int before = elements();
    // The site's TW system is the one of workspace 0 (its model node has no index column).
    WorkplaceReader(twSystem->deviceNode->parent(), {}).read(workplace, 0, scene);
    return elements() - before;
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
