#pragma once

#include <QPointF>
#include <QUndoCommand>

class GraphicsScene;
class QGraphicsItem;

// A placed element: redo puts it on the map at the place it was made, undo takes it off.
class AddCommand : public QUndoCommand
{
public:
    AddCommand(QGraphicsItem* item, GraphicsScene* scene, QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

private:
    QGraphicsItem* m_item;
    GraphicsScene* m_scene;
    QPointF m_initialPos;
};
