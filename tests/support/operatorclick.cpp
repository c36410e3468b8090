#include "operatorclick.h"

#include <QTest>
#include <QWidget>
#include <QWindow>

namespace {

// The top-level's window, shown and exposed, and the point in it; null when
// the widget cannot take a click.
QWindow* reach(QWidget* widget, QPoint& at)
{
    if (!widget || !widget->isEnabled())
        return nullptr;
    QWidget* top = widget->window();
    if (!top->isVisible()) {
        top->show();
        if (!QTest::qWaitForWindowExposed(top))
            return nullptr;
    }
    if (!widget->isVisible() || !top->windowHandle())
        return nullptr;
    if (at == QPoint(-1, -1))
        at = widget->rect().center();
    at = widget->mapTo(top, at);
    // The window gives the click to whatever is on top at that point: a
    // point off the window or under another widget would reach nothing, or
    // something else, and only a later assertion would notice.
    QWidget* hit = top->childAt(at);
    if (!top->rect().contains(at) || (hit ? hit != widget && !widget->isAncestorOf(hit) : widget != top))
        return nullptr;
    return top->windowHandle();
}

} // namespace

bool operatorClick(QWidget* widget, QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    QWindow* window = reach(widget, at);
    if (!window)
        return false;
    QTest::mouseClick(window, button, modifiers, at);
    return true;
}

bool operatorDoubleClick(QWidget* widget, QPoint at, Qt::MouseButton button)
{
    QWindow* window = reach(widget, at);
    if (!window)
        return false;
    QTest::mouseDClick(window, button, Qt::NoModifier, at);
    return true;
}
