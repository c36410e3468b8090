#pragma once

#include "hungelements.h"
#include "stepelement.h"

#include <QPointF>
#include <QUndoCommand>
#include <QVector>

class GraphicsScene;
class Node;
class QGraphicsItem;

// A placed element: redo puts it on the map at the place it was made, undo
// takes it off together with the nodes it made (its element node with its
// subtree and, for a gateway box, its energizer-model row), so no unit goes
// on feeding nodes whose element is gone; like a deletion, it leaves the
// workplace current and nothing selected. The nodes of other elements hung
// beneath them stay with their elements (HungElements). While undone, the
// command owns the item and its nodes and frees them when it is dropped
// from the stack. An item that has gone to another map makes the step
// obsolete: the stack drops it at the next undo or redo. A TW sector circle riding on a fence
// line comes back onto it; the circles riding on a line whose Add is undone
// stay on the map where they stand, and ride again when it comes back.
class AddCommand : public QUndoCommand
{
public:
    AddCommand(QGraphicsItem* item, GraphicsScene* scene, QUndoCommand* parent = nullptr);
    ~AddCommand() override;

    void undo() override;
    void redo() override;

    QGraphicsItem* item() const { return m_item; }
    // The item while this step, undone, holds it off every map; else null.
    QGraphicsItem* heldItem() const { return m_undone && m_element.isOffEveryMap() ? m_item : nullptr; }
    // Where redo puts the item: where the press that placed it let it go.
    void setPlacedAt(const QPointF& pos) { m_initialPos = pos; }

private:
    // Where a node hung before undo took it out; null parent when it hung nowhere.
    struct Place {
        Node* parent = nullptr;
        int row = 0;
    };

    // A circle that rode on the line when it was taken off, and where on it.
    struct Rider {
        StepElement circle;
        QPointF onLine;
        QPointF onMap;
    };

    Node* elementNode() const;
    Node* energizerNode() const;
    void leaveRiders();
    void takeRidersBack();

    QGraphicsItem* m_item;
    StepElement m_element;
    GraphicsScene* m_scene;
    QPointF m_initialPos;
    Place m_elementPlace;
    Place m_energizerPlace;
    // The line this circle rode on when its Add was undone, and its place on it.
    StepElement m_line;
    QPointF m_placeOnLine;
    QVector<Rider> m_riders;
    HungElements m_hung;
    bool m_undone = false;
    bool m_done = false;
};
