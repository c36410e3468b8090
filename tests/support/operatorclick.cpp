#include "operatorclick.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace {

// The widget's top-level, shown and exposed; null when the widget cannot
// take input (none, disabled, hidden under a hidden parent).
QWidget* shownTop(QWidget* widget)
{
    if (!widget || !widget->isEnabled())
        return nullptr;
    QWidget* top = widget->window();
    if (!top->isVisible()) {
        top->show();
        if (!QTest::qWaitForWindowExposed(top))
            return nullptr;
    }
    return widget->isVisible() && top->windowHandle() ? top : nullptr;
}

// The top-level's window and the point in it; null when the widget cannot
// take a click there.
QWindow* reach(QWidget* widget, QPoint& at)
{
    QWidget* top = shownTop(widget);
    if (!top)
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

// The top-level's window, active, with the widget holding the focus.
QWindow* focus(QWidget* widget)
{
    QWidget* top = shownTop(widget);
    if (!top)
        return nullptr;
    // Waited for as the application counts it: a dialog counts as active
    // for qWaitForWindowActive while the window it belongs to is, before
    // its own activation has come.
    if (QApplication::activeWindow() != top) {
        top->activateWindow();
        if (!QTest::qWaitFor([top] { return QApplication::activeWindow() == top; }))
            return nullptr;
    }
    widget->setFocus(Qt::OtherFocusReason);
    QWidget* focused = QApplication::focusWidget();
    if (focused != widget && !(focused && widget->isAncestorOf(focused)) && focused != widget->focusProxy())
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

bool operatorKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    QPointer<QWindow> window = focus(widget);
    if (!window)
        return false;
    // The press may close and free the window (Esc on a dialog that deletes
    // itself on close): the release then has nowhere to go.
    QTest::keyPress(window, key, modifiers);
    if (window)
        QTest::keyRelease(window, key, modifiers);
    return true;
}

bool operatorType(QWidget* widget, const QString& text)
{
    QWindow* window = focus(widget);
    if (!window)
        return false;
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(window, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    return true;
}

void keyboardType(const QString& text)
{
    for (const QChar c : text) {
        // None has it (the window that had it hid): the key is lost.
        QWindow* window = QGuiApplication::focusWindow();
        if (window && window->isVisible())
            QTest::keyClick(window, c.toLatin1());
    }
}
