#pragma once

#include <QEvent>
#include <QPointF>

class QGraphicsScene;

// Sends mouse events to a scene as a view would: press, moves and release with the positions of the button's
// press and of the previous event, the event loop turning after each.
class SceneMouse
{
public:
    explicit SceneMouse(QGraphicsScene* scene) : m_scene(scene) {}

    void press(const QPointF& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void move(const QPointF& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void release(const QPointF& pos, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void doubleClick(const QPointF& pos);
    void click(const QPointF& pos) { press(pos); release(pos); }
    // Press at `from`, move in two steps to `to`, release there.
    void drag(const QPointF& from, const QPointF& to);

private:
    void send(QEvent::Type type, const QPointF& pos, Qt::KeyboardModifiers modifiers);

    QGraphicsScene* m_scene;
    QPointF m_downPos;
    QPointF m_lastPos;
};
