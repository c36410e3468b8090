#include "workplacereader.h"
#include "projectlogging.h"

#include "elementtreeorder.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QDebug>
#include <QGraphicsItem>

namespace {

const QString ItemTypeAttribute = QStringLiteral("itemType");

bool enabledAttribute(const QDomElement& element)
{
    return ItemXml::intAttribute(element, QStringLiteral("enabled")) != 0;
}

void pair(Node* a, Node* b)
{
    a->deviceNode = b;
    b->deviceNode = a;
}

QList<QDomElement> itemsOf(const QDomElement& workplace)
{
    QList<QDomElement> items;
    for (const QDomElement& child : ItemXml::childElements(workplace)) {
        if (child.tagName() == QLatin1String("Item"))
            items.append(child);
    }
    return items;
}

} // namespace

WorkplaceReader::WorkplaceReader(Node* twRoot, Hooks hooks)
    : m_twRoot(twRoot)
    , m_hooks(std::move(hooks))
{
}

void WorkplaceReader::read(const QDomElement& workplace, int index, GraphicsScene* scene)
{
    readItems(workplace, index, scene);
    bindReferences({scene});
}

void WorkplaceReader::readItems(const QDomElement& workplace, int index, GraphicsScene* scene)
{
    readTWSystems(workplace, index, scene);
    const QList<QDomElement> items = itemsOf(workplace);
    m_readItems.clear();
    ReadWorkspace read;
    read.scene = scene;
    readBoxesAndLines(items, read);
    readTWSectors(items, index, read);
    ElementTreeOrder::sortChildren(scene->workplaceNode());
    readGatewayBoxes(items, read);
    restoreStacking();
    m_unbound.append(read);
}

// In the order the items bound them when each workspace was read whole:
// the TW sectors' actions, the sectors' actions, the buttons' targets.
void WorkplaceReader::bindReferences(const QList<GraphicsScene*>& scenes)
{
    const ItemXml::ReferenceIndex index(scenes);
    for (const ReadWorkspace& read : qAsConst(m_unbound)) {
        for (const Pending<GraphicsCircle>& circle : read.twSectors)
            circle.item->bindActions(circle.element, read.twSystem, index);
        for (const Pending<GraphicsBox>& gateway : read.gateways)
            gateway.item->bindActions(gateway.element, index);
        bindButtonActions(read, index);
    }
    m_unbound.clear();
}

QString WorkplaceReader::commandName(int command)
{
    static const char* const names[] = {"",
                                        "ActivateAllEnerg",
                                        "",
                                        "",
                                        "ActivateEnergZone1",
                                        "ActivateEnergZone2",
                                        "ActivateEnerg",
                                        "LowVoltageZoneAllEnerg",
                                        "LowVoltageZone1",
                                        "LowVoltageZone2",
                                        "SoundAlarmActive",
                                        "ClrAlms",
                                        "ActivateRelay1",
                                        "ActivateRelay2",
                                        "ActivateRelay3",
                                        "ActivateRelay4",
                                        "ActivateRelay5",
                                        "ActivateRelay6",
                                        "ActivateRelay7",
                                        "ActivateRelay8"};
    constexpr int count = int(sizeof(names) / sizeof(names[0]));
    if (command < 0 || command >= count || (command != 0 && !*names[command])) {
        qCWarning(lcProject).noquote() << QStringLiteral("Button action: no command has the number %1").arg(command);
        return QString();
    }
    return QLatin1String(names[command]);
}

void WorkplaceReader::readTWSystems(const QDomElement& workplace, int index, GraphicsScene* scene)
{
    QList<QDomElement> systems;
    for (const QDomElement& child : ItemXml::childElements(workplace)) {
        if (child.tagName() == QLatin1String("TWSensors"))
            systems.append(child);
    }
    if (systems.isEmpty()) {
        if (m_hooks.buildDefaultTWTree)
            m_hooks.buildDefaultTWTree(workplace.attribute(QStringLiteral("name")), index);
        return;
    }
    Node* twRoot = m_twRoot;
    const QVector<QVariant> columnTemplate(twRoot->columnCount());
    for (const QDomElement& element : systems) {
        const QString ip = element.attribute(QStringLiteral("IP"));
        const bool enabled = enabledAttribute(element);
        auto* system = new Node(ip);
        system->columns = columnTemplate;
        system->type = Node::TWSystem;
        system->enabled = enabled;
        auto* twin = new Node(ip);
        twin->type = Node::TWSystem;
        twin->enabled = enabled;
        {
            SiteLocker lock;
            system->setData(0, ip);
            system->setData(2, scene->workplaceNode()->data(0));
            system->setData(3, index);
            twin->columns = system->columns;
            pair(system, twin);
        }
        for (const QDomElement& sensorElement : ItemXml::childElements(element)) {
            const QString name = sensorElement.attribute(QStringLiteral("name"));
            const bool sensorEnabled = enabledAttribute(sensorElement);
            auto* sensor = new Node(name, system);
            sensor->columns = columnTemplate;
            sensor->type = Node::TWSensor;
            sensor->enabled = sensorEnabled;
            auto* sensorTwin = new Node(name, twin);
            sensorTwin->columns = {name, 0};
            sensorTwin->type = Node::TWSensor;
            sensorTwin->enabled = sensorEnabled;
            SiteLocker lock;
            sensor->setData(0, name);
            pair(sensor, sensorTwin);
        }
        if (TreeModel* model = TreeModel::modelOf(twRoot))
            model->insertNode(twRoot, -1, system);
        else
            system->setParent(twRoot);
        ElementTreeOrder::hangSorted(scene->workplaceNode(), twin);
    }
}

void WorkplaceReader::readBoxesAndLines(const QList<QDomElement>& items, ReadWorkspace& read)
{
    Node* workplaceNode = read.scene->workplaceNode();
    for (int position = 0; position < items.size(); ++position) {
        const QDomElement& element = items.at(position);
        const QString type = element.attribute(ItemTypeAttribute);
        GraphicsHelperClass* helper = nullptr;
        if (type == QLatin1String("Text") || type == QLatin1String("Button") || type == QLatin1String("image")) {
            const int kind = type == QLatin1String("Text")   ? GraphicsBox::TextBox
                             : type == QLatin1String("Button") ? GraphicsBox::ButtonBox
                                                               : GraphicsBox::ImageBox;
            auto* box = new GraphicsBox(kind);
            box->readXml(element);
            if (kind == GraphicsBox::ButtonBox)
                read.buttons.append({element, box});
            box->setZValue(kind == GraphicsBox::ImageBox ? GraphicsBox::PictureZValue : GraphicsBox::PlacedZValue);
            m_readItems.insert(position, box);
            if (kind != GraphicsBox::ImageBox)
                helper = box;
            itemRead();
        } else if (type == QLatin1String("line")) {
            auto* line = new GraphicsLine;
            line->readXml(element);
            line->setZValue(1);
            m_readItems.insert(position, line);
            helper = line;
            itemRead();
        }
        if (helper && helper->node() && !helper->node()->parent())
            ElementTreeOrder::hangSorted(workplaceNode, helper->node());
    }
    // The file lists the items from the top of the stacking down, and so do
    // the items read so far (this workspace's boxes and lines, by position).
    // They go into the scene bottom first, so that they stand in that order
    // as they come: restacking each item read in file order walks every item
    // of the workspace, which made a large workspace's open quadratic.
    for (auto item = m_readItems.constEnd(); item != m_readItems.constBegin();)
        read.scene->insertItem(*--item);
    // A button's own button is embedded once the box is on the map.
    for (const Pending<GraphicsBox>& button : qAsConst(read.buttons)) {
        button.item->addActionButton();
        if (m_hooks.buttonMade)
            m_hooks.buttonMade(button.item);
    }
}

void WorkplaceReader::readTWSectors(const QList<QDomElement>& items, int index, ReadWorkspace& read)
{
    // The TW system of this workspace; in files the program writes it is
    // the one at the workspace's position.
    {
        SiteLocker lock;
        for (Node* system : m_twRoot->children) {
            if (system->data(3).toInt() == index) {
                read.twSystem = system->deviceNode;
                break;
            }
        }
    }
    for (int position = 0; position < items.size(); ++position) {
        const QDomElement& element = items.at(position);
        if (element.attribute(ItemTypeAttribute) != QLatin1String("TWSector"))
            continue;
        if (!read.twSystem) {
            qCWarning(lcProject).noquote() << QStringLiteral("Project: TW sector %1 skipped, workspace %2 has no TW system")
                                        .arg(element.attribute(QStringLiteral("name")))
                                        .arg(index);
            continue;
        }
        auto* circle = new GraphicsCircle(GraphicsCircle::FileKind);
        read.scene->insertItem(circle);
        circle->readXml(element, read.twSystem, ItemXml::ActionBinding::Later);
        circle->mouseReleaseEvent(nullptr);
        m_readItems.insert(position, circle);
        read.twSectors.append({element, circle});
        itemRead();
    }
}

// The file lists the topmost box first; the tree lists the boxes as they
// stand on the map, the lowest (the first placed) first.
void WorkplaceReader::readGatewayBoxes(const QList<QDomElement>& items, ReadWorkspace& read)
{
    const Node* above = nullptr;
    for (int position = 0; position < items.size(); ++position) {
        const QDomElement& element = items.at(position);
        if (element.attribute(ItemTypeAttribute) != QLatin1String("OsprelVell"))
            continue;
        auto* box = new GraphicsBox(GraphicsBox::GatewayBox);
        read.scene->insertItem(box);
        if (box->node() && !box->node()->parent()) {
            ElementTreeOrder::hangSorted(read.scene->workplaceNode(), box->node(), above);
            above = box->node();
        }
        box->readXml(element, ItemXml::ActionBinding::Later);
        box->setZValue(GraphicsBox::PlacedZValue);
        m_readItems.insert(position, box);
        read.gateways.append({element, box});
        qCDebug(lcProject).noquote() << "Set Fence address to" << box->ip();
        if (m_hooks.gatewayRead)
            m_hooks.gatewayRead(box);
        itemRead();
    }
}

void WorkplaceReader::itemRead()
{
    if (m_hooks.itemRead)
        m_hooks.itemRead();
}

// The file lists the items topmost first. Items of one z value stack in
// the order they were inserted, which the reading passes do not keep:
// restacking in file order lets a save write them as they were read.
void WorkplaceReader::restoreStacking()
{
    QGraphicsItem* above = nullptr;
    for (QGraphicsItem* item : qAsConst(m_readItems)) {
        if (above && item->parentItem() == above->parentItem())
            item->stackBefore(above);
        above = item;
    }
}

// With several actions in one button, the last one wins.
void WorkplaceReader::bindButtonActions(const ReadWorkspace& read, const ItemXml::ReferenceIndex& index)
{
    for (const Pending<GraphicsBox>& button : read.buttons) {
        GraphicsBox* box = button.item;
        for (const QDomElement& action : ItemXml::childElements(button.element)) {
            const int command = ItemXml::intAttribute(action, QStringLiteral("command"));
            const QString commandText = commandName(command);
            const QString targetName = action.attribute(QStringLiteral("actRefObj"));
            // A file without the gateway's address is read by the name alone, as before.
            const bool onGateway = action.hasAttribute(ItemXml::GatewayAttribute);
            const auto target = index.bind(read.scene, targetName,
                                           onGateway ? ItemXml::deviceOfGateway(action.attribute(ItemXml::GatewayAttribute))
                                                     : ItemXml::buttonTarget(),
                                           QStringLiteral("Project: button %1").arg(box->objectName()));
            if (target.count == 0 && !targetName.isEmpty())
                qCWarning(lcProject).noquote() << QStringLiteral("Project: button %1 aims at %2, which is not found")
                                            .arg(box->objectName(), targetName);
            box->setActionTarget(target.node);
            box->setActionCommand(command);
            box->setActionCommandName(commandText);
        }
    }
}
