#pragma once

#include <QList>
#include <QString>

class GraphicsScene;
class QDomDocument;
class QDomElement;

// Writes the map items of one workspace into its "Workplace" element, topmost
// first: the order WorkplaceReader stacks them back in.
namespace WorkplaceWriter {

void writeItems(QDomDocument& document, QDomElement& workplace, const GraphicsScene* scene);

// A reference that a reader of the saved file would not bind to the
// element it names now: whose reference, the name, and how many elements
// bear the name where the reader looks it up (none: not found; one: another
// element than the one named now; more: ambiguous, bound to none).
struct UnresolvableReference
{
    QString referrer;
    QString name;
    int bearers = 0;
};

// The references the items on `scenes` (the whole site) hold that a reader
// of the saved file would not bind to the element they name now.
QList<UnresolvableReference> unresolvableReferences(const QList<GraphicsScene*>& scenes);

} // namespace WorkplaceWriter
