#include "movelinecommand.h"

#include "graphicsline.h"

MoveLineCommand::MoveLineCommand(const ItemMoveRecord& record, QUndoCommand* parent)
    : QUndoCommand(parent)
    , m_record(record)
{
}

void MoveLineCommand::apply(const QPointF& pos, const QList<QPointF>& points)
{
    if (!m_record.item || m_record.item->type() != GraphicsLine::Type)
        return;
    auto* line = static_cast<GraphicsLine*>(m_record.item);
    line->setElementPos(pos);
    line->setPoints(points);
}

void MoveLineCommand::redo()
{
    apply(m_record.newPos, m_record.newPoints);
}

void MoveLineCommand::undo()
{
    apply(m_record.oldPos, m_record.oldPoints);
}
