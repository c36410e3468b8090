#include "itemxml.h"

#include "decimaltext.h"
#include "graphicsbox.h"
#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "loggedtext.h"
#include "maplogging.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"

#include <QDebug>
#include <QDomElement>

#include <climits>
#include <cmath>
#include <utility>

namespace ItemXml {

int intAttribute(const QDomElement& element, const QString& name, const QString& defaultText)
{
    return decimalInt(element.attribute(name, defaultText));
}

bool flagAttribute(const QDomElement& element, const QString& name, const QString& defaultText)
{
    return intAttribute(element, name, defaultText) != 0;
}

namespace {

// The item a refused value belongs to: its name, and for a line's point the
// line's name with the point's tag.
QString ownerName(const QDomElement& element)
{
    const QString name = QStringLiteral("name");
    if (element.tagName() != QLatin1String("Point"))
        return element.attribute(name);
    return element.parentNode().toElement().attribute(name) + QLatin1Char(' ') + element.tagName();
}

} // namespace

qreal sizeAttribute(const QDomElement& element, const QString& name, qreal defaultValue)
{
    if (!element.hasAttribute(name))
        return defaultValue;
    const QString text = element.attribute(name);
    // The program writes whole numbers, thousands of them in a project.
    bool whole = false;
    const int number = decimalInt(text, &whole);
    if (whole)
        return number;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (ok && std::isfinite(value) && value >= INT_MIN && value <= INT_MAX)
        return std::trunc(value);
    qCWarning(lcMap, "Item %s: %s=\"%s\" refused, not a number from %d to %d; 0 is used",
              qUtf8Printable(loggedText(ownerName(element))), qUtf8Printable(name), qUtf8Printable(loggedText(text)),
              INT_MIN, INT_MAX);
    return 0;
}

qreal positionAttribute(const QDomElement& element, const QString& name, qreal defaultValue)
{
    return sizeAttribute(element, name, defaultValue);
}

namespace {

bool isAllowedXmlChar(ushort c)
{
    if (c < 0x20)
        return c == 0x09 || c == 0x0A || c == 0x0D;
    return c != 0xFFFE && c != 0xFFFF;
}

} // namespace

QString xmlSafe(const QString& text)
{
    QString safe;
    safe.reserve(text.size());
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            if (i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                safe.append(c);
                safe.append(text.at(++i));
            }
            continue;
        }
        if (c.isLowSurrogate() || !isAllowedXmlChar(c.unicode()))
            continue;
        safe.append(c);
    }
    return safe;
}

void setTextAttribute(QDomElement& element, const QString& name, const QString& value)
{
    element.setAttribute(name, xmlSafe(value));
}

QString readName(const QDomElement& element, GraphicsHelperClass* helper)
{
    const QString name = element.attribute(QStringLiteral("name"));
    helper->setName(name);
    if (Node* node = helper->node()) {
        SiteLocker lock;
        node->setData(0, name);
        node->setData(1, name);
    }
    return name;
}

QList<QDomElement> childElements(const QDomElement& element)
{
    QList<QDomElement> elements;
    for (QDomElement child = element.firstChildElement(); !child.isNull(); child = child.nextSiblingElement())
        elements.append(child);
    return elements;
}

bool placeNode(Node* node, Node* parent, int row)
{
    if (!node || !parent)
        return false;
    SiteLocker lock;
    if (node->isAncestorOf(parent))
        return false;
    if (g_elementTreeModel && g_elementTreeModel->contains(parent))
        return g_elementTreeModel->insertNode(parent, row, node);
    return node->insertInto(parent, row) || node->parent() == parent;
}

Node* soundAlarmCopy(const QList<Node*>* soundAlarms, const QString& soundName)
{
    if (!soundAlarms)
        return nullptr;
    SiteLocker lock;
    Node* source = nullptr;
    for (Node* sound : *soundAlarms) {
        if (sound && Node::isAlive(sound) && sound->data(2).toString() == soundName)
            source = sound;
    }
    if (!source)
        return nullptr;
    // The copy stands for the sound alarm alone: its own children stay behind.
    // The alarm lists it, as the editor does, so its owners can be found.
    QList<Node*> kept = std::exchange(source->children, {});
    Node* copy = source->clone(nullptr);
    source->children = std::move(kept);
    source->addReference(copy);
    return copy;
}

QString referenceName(const Node* node)
{
    SiteLocker lock;
    switch (node->type) {
    case Node::Energizer:
    case Node::IOCard:
    case Node::TWSystem:
        return node->data(0).toString();
    case Node::SoundAlarm:
    case Node::TWSensor:
    case Node::StatusRow:
        return QString();
    default:
        return node->columns.size() > 1 ? node->columns.at(1).toString() : QString();
    }
}

QString referenceGateway(const Node* node)
{
    SiteLocker lock;
    if (!node || (node->type != Node::Energizer && node->type != Node::IOCard) || !node->parent())
        return QString();
    QGraphicsItem* item = node->parent()->mapItem;
    if (!item || item->type() != GraphicsBox::Type)
        return QString();
    const auto* box = static_cast<const GraphicsBox*>(item);
    return box->kind() == GraphicsBox::GatewayBox ? box->ip() : QString();
}

ReferenceIndex::ReferenceIndex(const QList<GraphicsScene*>& scenes)
{
    SiteLocker lock;
    for (const GraphicsScene* scene : scenes) {
        if (!scene)
            continue;
        for (QGraphicsItem* item : scene->items(Qt::AscendingOrder)) {
            auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
            if (!helper || !helper->node())
                continue;
            add(scene, helper->node());
            auto* box = dynamic_cast<GraphicsBox*>(item);
            if (box && box->kind() == GraphicsBox::GatewayBox) {
                for (Node* device : qAsConst(box->node()->children))
                    add(scene, device);
            }
        }
        if (Node* workplace = scene->workplaceNode()) {
            for (Node* child : qAsConst(workplace->children)) {
                if (child->type == Node::TWSystem)
                    add(scene, child);
            }
        }
    }
}

void ReferenceIndex::add(const GraphicsScene* scene, Node* node)
{
    const QString name = referenceName(node);
    if (name.isEmpty())
        return;
    m_workspaces[scene].insert(name, node);
    m_site.insert(name, node);
}

ReferenceIndex::Lookup ReferenceIndex::find(const GraphicsScene* scene, const QString& name,
                                            const Accepts& accepts) const
{
    const auto lookUp = [&](const QMultiHash<QString, Node*>& names) {
        Lookup found;
        for (auto it = names.constFind(name); it != names.constEnd() && it.key() == name; ++it) {
            if (accepts(it.value())) {
                found.node = it.value();
                ++found.count;
            }
        }
        if (found.count != 1)
            found.node = nullptr;
        return found;
    };
    if (name.isEmpty())
        return {};
    const auto workspace = m_workspaces.constFind(scene);
    if (workspace != m_workspaces.constEnd()) {
        const Lookup own = lookUp(workspace.value());
        if (own.count > 0)
            return own;
    }
    return lookUp(m_site);
}

ReferenceIndex::Lookup ReferenceIndex::bind(const GraphicsScene* scene, const QString& name, const Accepts& accepts,
                                            const QString& referrer) const
{
    const Lookup found = find(scene, name, accepts);
    if (found.count > 1)
        qCWarning(lcMap).noquote() << QStringLiteral("%1 refers to \"%2\", which names %3 elements; bound to none")
                                          .arg(loggedText(referrer), loggedText(name))
                                          .arg(found.count);
    return found;
}

ReferenceIndex::Accepts actionTarget(int type, const Node* newParent)
{
    return [type, newParent](const Node* node) {
        return node->type == type && node->mapItem && !(newParent && node->isAncestorOf(newParent));
    };
}

ReferenceIndex::Accepts buttonTarget()
{
    return [](const Node*) { return true; };
}

ReferenceIndex::Accepts deviceOfGateway(const QString& address)
{
    return [address](const Node* node) {
        const QString gateway = referenceGateway(node);
        return !gateway.isEmpty() && gateway == address;
    };
}

ReferenceIndex::Accepts buttonTargetAsWritten(const Node* target)
{
    const QString gateway = referenceGateway(target);
    return gateway.isEmpty() ? buttonTarget() : deviceOfGateway(gateway);
}

void setActionEnabled(Node* action, bool enabled)
{
    if (!action)
        return;
    SiteLocker lock;
    action->enabled = enabled;
    if (action->deviceNode && Node::isAlive(action->deviceNode))
        action->deviceNode->enabled = enabled;
}

} // namespace ItemXml
