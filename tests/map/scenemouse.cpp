#include "scenemouse.h"

#include <QApplication>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>

void SceneMouse::send(QEvent::Type type, const QPointF& pos, Qt::KeyboardModifiers modifiers)
{
    if (type == QEvent::GraphicsSceneMousePress || type == QEvent::GraphicsSceneMouseDoubleClick) {
        m_downPos = pos;
        m_lastPos = pos;
    }
    QGraphicsSceneMouseEvent event(type);
    event.setScenePos(pos);
    event.setScreenPos(pos.toPoint());
    event.setLastScenePos(m_lastPos);
    event.setLastScreenPos(m_lastPos.toPoint());
    event.setButtonDownScenePos(Qt::LeftButton, m_downPos);
    event.setButtonDownScreenPos(Qt::LeftButton, m_downPos.toPoint());
    event.setButton(type == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
    event.setButtons(type == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton : Qt::LeftButton);
    event.setModifiers(modifiers);
    QApplication::sendEvent(m_scene, &event);
    // The event loop turns between an operator's events: what one brings comes then.
    QCoreApplication::processEvents();
    m_lastPos = pos;
}

void SceneMouse::press(const QPointF& pos, Qt::KeyboardModifiers modifiers)
{
    send(QEvent::GraphicsSceneMousePress, pos, modifiers);
}

void SceneMouse::move(const QPointF& pos, Qt::KeyboardModifiers modifiers)
{
    send(QEvent::GraphicsSceneMouseMove, pos, modifiers);
}

void SceneMouse::release(const QPointF& pos, Qt::KeyboardModifiers modifiers)
{
    send(QEvent::GraphicsSceneMouseRelease, pos, modifiers);
}

void SceneMouse::doubleClick(const QPointF& pos)
{
    press(pos);
    release(pos);
    send(QEvent::GraphicsSceneMouseDoubleClick, pos, Qt::NoModifier);
    release(pos);
}

void SceneMouse::drag(const QPointF& from, const QPointF& to)
{
    press(from);
    move((from + to) / 2);
    move(to);
    release(to);
}
