#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

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
        auto* widget = qobject_cast<QWidget*>(watched);
        return !(m_open && widget && (widget == m_open || m_open->isAncestorOf(widget)));
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

    QWidget* m_open;
};
