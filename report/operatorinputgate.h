#pragma once

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <QWindow>

// An application event filter that swallows what the window system delivers
// of the operator's input while the report engine runs a loop of its own
// (a formula under its time limit, the render loop between slices), except
// for the one widget, and its children, that stays open to the operator.
class OperatorInputGate : public QObject
{
public:
    explicit OperatorInputGate(QWidget* open = nullptr) : m_open(open) {}
    void setOpen(QWidget* open) { m_open = open; }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!event->spontaneous() || !isInput(event->type()))
            return false;
        return !opens(receiver(watched));
    }

private:
    static bool isInput(QEvent::Type type)
    {
        switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            return true;
        default:
            return false;
        }
    }

    // The window system hands input first to the window of a top-level
    // widget, which passes it on to the widget under the mouse or with the
    // focus: the window is decided by the widget it shows.
    static QWidget* receiver(QObject* watched)
    {
        if (auto* widget = qobject_cast<QWidget*>(watched))
            return widget;
        auto* window = qobject_cast<QWindow*>(watched);
        if (!window)
            return nullptr;
        for (QWidget* topLevel : QApplication::topLevelWidgets()) {
            if (topLevel->windowHandle() == window)
                return topLevel;
        }
        return nullptr;
    }

    // Popups (a combo box's list, a menu) are windows of their own, children
    // of the widget that opened them.
    bool opens(const QWidget* widget) const
    {
        for (; m_open && widget; widget = widget->parentWidget()) {
            if (widget == m_open)
                return true;
        }
        return false;
    }

    QWidget* m_open;
};
