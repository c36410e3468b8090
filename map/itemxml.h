#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class GraphicsHelperClass;
class GraphicsScene;
class Node;
class QDomElement;

// The value forms shared by the map items' "Item" elements of the project
// file, and the look-ups that turn a stored action back into a node. The
// readers never trust the file: a value that does not parse takes the
// documented default, and a reference that does not resolve is skipped with a
// warning instead of moving or dereferencing the wrong node.
namespace ItemXml {

// An integer attribute: decimal text; `defaultText` when the attribute is
// missing; text that is not a whole number reads as 0.
int intAttribute(const QDomElement& element, const QString& name, const QString& defaultText = QStringLiteral("0"));
// A boolean written as 1 or 0; any integer other than 0 is true.
bool flagAttribute(const QDomElement& element, const QString& name, const QString& defaultText);
// A size written as a number: read as a decimal number and cut toward zero,
// so a fractional size keeps its whole part. `defaultValue` when missing; 0,
// named in the log, when the text is not a number or lies outside the int
// range.
qreal sizeAttribute(const QDomElement& element, const QString& name, qreal defaultValue);
// A position (an item's or a line point's x or y), read as a size is.
qreal positionAttribute(const QDomElement& element, const QString& name, qreal defaultValue = 0);

// The text without the characters that XML 1.0 does not allow (C0 controls
// other than tab, line feed and carriage return, U+FFFE, U+FFFF and unpaired
// surrogates): one stray character must not make a whole project unreadable.
QString xmlSafe(const QString& text);
void setTextAttribute(QDomElement& element, const QString& name, const QString& value);

// The element's "name" (empty when missing) made the element's name and
// columns 0 and 1 of its node, as far as the node has them; returns it.
QString readName(const QDomElement& element, GraphicsHelperClass* helper);

// The child elements in document order; comments and other nodes are passed over.
QList<QDomElement> childElements(const QDomElement& element);

// Puts `node` at `row` under `parent`, through the element tree model when
// the parent lies in it, so that the views hear of the move. False when
// the move would hang a node under itself.
bool placeNode(Node* node, Node* parent, int row);

// A childless copy of the last sound-alarm node in `soundAlarms` whose column
// 2 (the sound's name) equals `soundName`; null when none matches. The
// alarm lists the copy as one of its references (Node::addReference); the
// element the caller hangs it under owns it.
Node* soundAlarmCopy(const QList<Node*>* soundAlarms, const QString& soundName);

// The name a reference to `node` (a button's target, a sector's action) is
// written with and looked up by: a device's or a TW system's own name
// (column 0; column 1 of a TW system holds its state), a map element's
// name (column 1). Empty for nodes no reference names.
QString referenceName(const Node* node);

// The attribute beside a reference's name that names the gateway (its
// address) the referenced device belongs to: default device names repeat on
// every gateway (Energ1, IOCard33), so two gateways on one map share them.
// Optional: a reference without it is looked up by its name alone.
inline const QString GatewayAttribute = QStringLiteral("actRefGateway");

// The address of the gateway box whose energizer or IO card `node` is; empty
// for any other node, and for a gateway without one.
QString referenceGateway(const Node* node);

// Whether an item reading its element binds the references in it at once
// (against its own map) or leaves them to a later pass: a project binds
// them once every workspace is read, so that a reference may name an
// element of a workspace read after its own.
enum class ActionBinding { Now, Later };

// The elements a reference in a project file may name, by the name a save
// writes for them (referenceName): the map elements of each workspace, the
// devices of its gateway boxes and its TW systems. Names repeat across
// workspaces ("box1", "fence1", "Energ5" on every gateway), so a reference
// is looked up among the elements of its own workspace first and only then
// across the site; where the name stays ambiguous it binds nothing.
class ReferenceIndex
{
public:
    using Accepts = std::function<bool(const Node*)>;
    // Of the place that decided (the workspace, else the site): how many
    // elements the name fits, and the one element when it is exactly one.
    struct Lookup {
        Node* node = nullptr;
        int count = 0;
    };

    // The elements on `scenes`; a null scene has none.
    explicit ReferenceIndex(const QList<GraphicsScene*>& scenes);

    Lookup find(const GraphicsScene* scene, const QString& name, const Accepts& accepts) const;
    // As find, for a reference being read: when the name fits more than one
    // element, a diagnostic line names the reference (`referrer` says whose
    // it is) and nothing is bound.
    Lookup bind(const GraphicsScene* scene, const QString& name, const Accepts& accepts,
                const QString& referrer) const;

private:
    void add(const GraphicsScene* scene, Node* node);

    QHash<const GraphicsScene*, QMultiHash<QString, Node*>> m_workspaces;
    QMultiHash<QString, Node*> m_site;
};

// What a sector's or a TW sector's action of node type `type` may name: a map
// element's own node of that type that could hang under `newParent` without
// a cycle (a device row may carry any text in its name column).
ReferenceIndex::Accepts actionTarget(int type, const Node* newParent);
// What a button's target may name: any element.
ReferenceIndex::Accepts buttonTarget();
// What a reference with GatewayAttribute may name: a device of a gateway at that address.
ReferenceIndex::Accepts deviceOfGateway(const QString& address);
// The look-up that finds `target` again from what a save writes of it.
ReferenceIndex::Accepts buttonTargetAsWritten(const Node* target);

// Sets the enabled flag of an action node and of its paired node.
void setActionEnabled(Node* action, bool enabled);

} // namespace ItemXml
