#include "moveitemcommand.h"

#include "abstractgraphicselement.h"

MoveItemCommand::MoveItemCommand(const ItemMoveRecord& record, QUndoCommand* parent)
    : QUndoCommand(parent)
    , m_record(record)
    , m_element(record.item, record.item ? record.item->scene() : nullptr)
{
}

void MoveItemCommand::apply(const QPointF& pos, qreal width, qreal height)
{
    if (!m_element.isOnMap()) {
        setObsolete(true);
        return;
    }
    auto* element = dynamic_cast<AbstractGraphicsElement*>(m_record.item);
    if (!element)
        return;
    element->setElementPos(pos);
    element->setWidth(width);
    element->setHeight(height);
    element->setSelection(true);
}

void MoveItemCommand::redo()
{
    apply(m_record.newPos, m_record.newWidth, m_record.newHeight);
}

void MoveItemCommand::undo()
{
    apply(m_record.oldPos, m_record.oldWidth, m_record.oldHeight);
}
