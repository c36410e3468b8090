#pragma once

#include <QList>
#include <QStringList>

class GraphicsScene;
class QDomDocument;
class QDomElement;

// Writes the map items of one workspace into its "Workplace" element, topmost
// first: the order WorkplaceReader stacks them back in.
namespace WorkplaceWriter {

void writeItems(QDomDocument& document, QDomElement& workplace, const GraphicsScene* scene);

// The references the items on `scenes` (the whole site) hold that a reader
// of the saved file would not bind to the element they name now: the name
// fits more than one element where it is looked up, or another one first.
// One line each: whose reference, and the name.
QStringList unresolvableReferences(const QList<GraphicsScene*>& scenes);

} // namespace WorkplaceWriter
