#include "movelinecommand.h"

#include "graphicsline.h"

MoveLineCommand::MoveLineCommand(const ItemMoveRecord& record, QUndoCommand* parent)
    : QUndoCommand(parent)
    , m_record(record)
    , m_element(record.item, record.item ? record.item->scene() : nullptr)
{
}

void MoveLineCommand::apply(const QPointF& pos, const QList<QPointF>& points)
{
    if (!m_element.isOnMap()) {
        setObsolete(true);
        return;
    }
    if (m_record.item->type() != GraphicsLine::Type)
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
