#include "addcommand.h"

#include "graphicsscene.h"

#include <QGraphicsItem>

AddCommand::AddCommand(QGraphicsItem* item, GraphicsScene* scene, QUndoCommand* parent)
    : QUndoCommand(parent)
    , m_item(item)
    , m_scene(scene)
    , m_initialPos(item->scenePos())
{
    setText(QObject::tr("Add"));
    m_scene->update();
}

void AddCommand::redo()
{
    if (!m_item->scene())
        m_scene->insertItem(m_item);
    m_item->setPos(m_initialPos);
    m_scene->clearSelection();
    m_scene->update();
}

void AddCommand::undo()
{
    m_scene->removeItem(m_item);
    m_scene->update();
}
