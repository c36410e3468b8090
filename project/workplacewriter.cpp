#include "workplacewriter.h"

#include "graphicshelperclass.h"
#include "graphicsscene.h"

#include <QDomDocument>
#include <QGraphicsItem>

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

} // namespace WorkplaceWriter
