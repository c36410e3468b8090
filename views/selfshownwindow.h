#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QWidget;
class QWindow;

// A top-level window the program shows by itself, with no operator action
// behind it: an alarm's confirmation, a notice. The operator may be typing
// in another window of the program when it comes, and his keys stay there:
// a Space or a Return meant for his own window must never press one of its
// buttons.
//
// It is shown and brought forward without the input. Where the window
// system gives it the input all the same (a platform or a window manager
// that activates every window it shows), the input goes straight back. It
// takes the input only from the operator's press on it, and once he has
// answered it (it hides) gives the input back to the window that had it
// before: with no window manager nothing else would, and the next keys
// would go nowhere.
//
// It never closes a pop-up the operator has open (a menu, a drop-down
// list, a completer): Qt closes every open pop-up when another window
// shows, and a window system may when another window is raised or
// activated. While one is open, the window shows, comes forward, steps
// aside and gives the input back only once it has closed.
//
// It stands in front of the window it belongs to (its parent's, or none)
// and blocks none. It can be answered whatever dialog is open: while a
// modal dialog is open, which blocks every window but its own, it is made
// one of that dialog's windows (its transient child). That dialog, waiting
// for the operator's answer, stays above it, and it moves beside the
// dialog where the screen has room (placeBeside); once the dialog goes it
// belongs to its own window again.
class SelfShownWindow : public QObject
{
    Q_OBJECT
public:
    // Looks after `window`, a top-level, as its child. Made before the
    // window is first shown.
    explicit SelfShownWindow(QWidget* window);

    // Shows `window` so, looked after until it goes.
    static void show(QWidget* window);

    // Shows the window; when shown already, makes it answerable over the
    // dialog now open.
    void show();
    // Brings the window to the front, below the dialog waiting for an answer.
    void comeForward();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The steps that wait for an open pop-up to close.
    enum Step { Appear = 1, Forward = 2, StepAside = 4, InputBack = 8 };

    QWindow* handle() const;
    // The window it stands in front of when no dialog waits: its parent's.
    QWindow* home() const;
    // The window it belongs to: the modal dialog in front, else home().
    QWindow* answerOwner() const;
    // The modal dialog it belongs to, null when it belongs to home().
    QWindow* waitingOwner() const;
    void belongTo(QWindow* owner);
    // The modal dialog it belongs to stands above it, and it moves out of
    // that dialog's way.
    void giveWay();
    void noteFocusWindow(QWindow* focus);
    void giveInputBack();
    // True while a pop-up is open; `step` then waits for it to close.
    bool waitsForPopup(int step);
    void popupClosed();

    QWidget* m_window;
    // The window of the program that last had the input, other than this one.
    QPointer<QWindow> m_inputBefore;
    // The dialog it belongs to going: it then falls back to home().
    QMetaObject::Connection m_ownerHidden;
    // The operator pressed on it since it last showed: the input it gets is his choice.
    bool m_pressed = false;
    // The pop-up waited for, and the steps waiting.
    QPointer<QWidget> m_popup;
    int m_waiting = 0;
};
