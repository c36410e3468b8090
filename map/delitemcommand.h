#pragma once

#include "hungelements.h"
#include "stepelement.h"

#include <QList>
#include <QVector>
#include <QUndoCommand>

class GraphicsScene;
class Node;
class QGraphicsItem;

// The deletion of map elements. Redo takes them off the map and their nodes
// out of the element tree (a gateway box's node also out of the energizer
// tree); undo puts them back. Both leave the workplace current and nothing
// selected. The TW sector circles riding on a deleted fence
// line are deleted with it, and come back onto it; the nodes of other
// elements hung beneath a deleted one stay with their elements
// (HungElements). While the deletion stands, the command owns the items and
// their nodes and frees them when it is dropped from the stack. Items that
// have gone to another map meanwhile are left alone; a step left with none
// is obsolete and the stack drops it.
class DelItemCommand : public QUndoCommand
{
public:
    // Deletes `items`; the scene's current selection when none are given.
    DelItemCommand(GraphicsScene* scene, QUndoCommand* parent = nullptr);
    DelItemCommand(GraphicsScene* scene, const QList<QGraphicsItem*>& items, QUndoCommand* parent = nullptr);

    ~DelItemCommand() override;

    void undo() override;
    void redo() override;

    // The elements deleted, the circles riding on deleted lines included.
    const QList<QGraphicsItem*>& items() const { return m_items; }
    // Those this deletion holds off every map while it stands.
    QList<QGraphicsItem*> heldItems() const;

private:
    // Where a node hung before the deletion, so undo can hang it there again.
    struct Place {
        Node* parent = nullptr;
        int row = 0;
        // A TW sector's actions, handed to the sector's parent while it is deleted.
        QList<Node*> movedChildren;
        // The fence line a TW sector circle rode on.
        QGraphicsItem* parentItem = nullptr;
        // Whether the last redo took the item off this map.
        bool taken = false;
        // A circle deleted because it rode on a deleted line: only while it still does.
        bool rider = false;
    };

    void append(QGraphicsItem* item, bool rider);
    // Adds the circles now riding on the lines of this deletion.
    void addRiders();
    // Whether redo takes the item off this map; riders are told after the rest.
    bool takes(int index) const;
    // Whether the last redo took the item off this map and it is on none since.
    bool holds(int index) const;

    static Node* nodeOf(QGraphicsItem* item);
    // Drops a taken node's pointer to the parent whose list no longer holds it.
    static void forgetFormerParent(Node* node);
    // Whether the item's former parent node comes back with another item of this deletion.
    bool waitsForAnotherItem(int index) const;
    // Puts the item back on the map and its node back into the trees.
    void restore(int index);
    void takeCircleChildren(Node* node, Place& place);
    void restoreCircleChildren(Node* node, const Place& place);
    Node* fallbackParent(QGraphicsItem* item) const;

    QList<QGraphicsItem*> m_items;
    QVector<StepElement> m_elements;
    GraphicsScene* m_scene;
    QVector<Place> m_nodePlaces;
    HungElements m_hung;
    bool m_done = false;
};
