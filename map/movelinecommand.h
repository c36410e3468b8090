#pragma once

#include "itemmoverecord.h"
#include "stepelement.h"

#include <QUndoCommand>

// A moved fence line or a moved line point: undo puts back the line's old
// position and points, redo the new ones. The selection is left as it is.
class MoveLineCommand : public QUndoCommand
{
public:
    explicit MoveLineCommand(const ItemMoveRecord& record, QUndoCommand* parent = nullptr);

    void undo() override;
    void redo() override;

private:
    void apply(const QPointF& pos, const QList<QPointF>& points);

    ItemMoveRecord m_record;
    // The moved element on the map it moved on; gone from it, the step is obsolete.
    StepElement m_element;
};
