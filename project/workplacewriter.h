#pragma once

class GraphicsScene;
class QDomDocument;
class QDomElement;

// Writes the map items of one workspace into its "Workplace" element, topmost
// first: the order WorkplaceReader stacks them back in.
namespace WorkplaceWriter {

void writeItems(QDomDocument& document, QDomElement& workplace, const GraphicsScene* scene);

} // namespace WorkplaceWriter
