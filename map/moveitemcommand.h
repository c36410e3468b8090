#pragma once

#include "itemmoverecord.h"
#include "stepelement.h"

#include <QUndoCommand>

// A moved or resized box: undo puts back its old place and size, redo the new ones.
class MoveItemCommand : public QUndoCommand
{
public:
    explicit MoveItemCommand(const ItemMoveRecord& record, QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

private:
    void apply(const QPointF& pos, qreal width, qreal height);

    ItemMoveRecord m_record;
    // The moved element on the map it moved on; gone from it, the step is obsolete.
    StepElement m_element;
};
