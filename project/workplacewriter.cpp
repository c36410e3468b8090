#include "workplacewriter.h"

#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "node.h"
#include "sitemutex.h"

#include <QDomDocument>
#include <QGraphicsItem>

namespace {

// Looks each reference up as the reader will and keeps those that would not
// come back to their element.
class ReferenceCheck
{
public:
    explicit ReferenceCheck(const QList<GraphicsScene*>& scenes)
        : m_index(scenes)
    {
    }

    void check(const GraphicsScene* scene, const Node* target, const ItemXml::ReferenceIndex::Accepts& accepts,
               const QString& referrer)
    {
        const QString name = ItemXml::referenceName(target);
        const ItemXml::ReferenceIndex::Lookup found = m_index.find(scene, name, accepts);
        if (found.node != target)
            m_unresolvable.append({referrer, name, found.count});
    }

    // The sector and TW sector actions the file names (sound alarms go by their identifier).
    void checkActions(const GraphicsScene* scene, const Node* owner, const QString& referrer)
    {
        for (const Node* action : owner->children) {
            if (action->type == Node::TextLabel || action->type == Node::FenceLine)
                check(scene, action, ItemXml::actionTarget(action->type, owner), referrer);
        }
    }

    void checkGateway(const GraphicsScene* scene, const GraphicsBox* box)
    {
        for (const Node* device : box->node()->children) {
            for (const Node* sector : device->children)
                checkActions(scene, sector, QStringLiteral("%1 of %2 (gateway %3)")
                                                .arg(sector->data(0).toString(), device->data(0).toString(),
                                                     box->objectName()));
        }
    }

    QList<WorkplaceWriter::UnresolvableReference> unresolvable() const { return m_unresolvable; }

private:
    const ItemXml::ReferenceIndex m_index;
    QList<WorkplaceWriter::UnresolvableReference> m_unresolvable;
};

} // namespace

namespace WorkplaceWriter {

void writeItems(QDomDocument& document, QDomElement& workplace, const GraphicsScene* scene)
{
    for (QGraphicsItem* item : scene->items(Qt::DescendingOrder)) {
        auto* helper = dynamic_cast<GraphicsHelperClass*>(item);
        if (!helper)
            continue;
        const QDomElement element = helper->toXml(document);
        if (!element.isNull())
            workplace.appendChild(element);
    }
}

QList<UnresolvableReference> unresolvableReferences(const QList<GraphicsScene*>& scenes)
{
    ReferenceCheck references(scenes);
    SiteLocker lock;
    for (const GraphicsScene* scene : scenes) {
        for (QGraphicsItem* item : scene->items(Qt::DescendingOrder)) {
            if (item->type() == GraphicsCircle::Type) {
                const auto* circle = static_cast<GraphicsCircle*>(item);
                references.checkActions(scene, circle->node(), QStringLiteral("TW sector %1").arg(circle->objectName()));
            }
            if (item->type() != GraphicsBox::Type)
                continue;
            const auto* box = static_cast<GraphicsBox*>(item);
            if (box->kind() == GraphicsBox::GatewayBox)
                references.checkGateway(scene, box);
            const Node* target = box->actionTarget();
            if (box->kind() == GraphicsBox::ButtonBox && target && Node::isAlive(target))
                references.check(scene, target, ItemXml::buttonTargetAsWritten(target),
                                 QStringLiteral("button %1").arg(box->objectName()));
        }
    }
    return references.unresolvable();
}

} // namespace WorkplaceWriter
