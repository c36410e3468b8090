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
// system gives it the input all the same for the program's own show or
// raise (a platform or a window manager that activates every window it
// shows), the input goes straight back. Only a raise that changes what
// stands in front brings one: a raise while nothing has come in front of
// it since it last came forward owes none. An activation the operator made
// keeps the input: his press on it, any activation that comes once his
// input (a key, a press, a pointer move) has followed the last show or
// raise, and any that no show or raise owes, as a click on its frame or a
// window manager's focus keys bring.
// Once he has answered it (it hides) the input goes back to the window
// that had it before: with no window manager nothing else would, and the
// next keys would go nowhere.
//
// It never closes a pop-up the operator has open (a menu, a drop-down
// list, a completer): Qt closes every open pop-up when another window
// shows, and a window system may when another window is raised or
// activated. While one is open, the window shows, comes forward, steps
// aside and gives the input back only once it has closed.
//
// It stands in front of the window it belongs to, its parent's: a window
// of no parent is made the main window's, and one shown before the main
// window first shows comes in front of it then. It blocks none. It can be
// answered whatever dialog is open: while a modal dialog is open, which
// blocks every window but its own, it is made one of that dialog's windows
// (its transient child). That dialog, waiting for the operator's answer,
// stays above it, and it moves beside the dialog where the screen has room
// (placeBeside); once the dialog goes it belongs to its own window again.
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
    // The window it stands in front of when no dialog waits, and its widget.
    QWidget* homeWidget() const;
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
    // An activation of the window now is the one its own show or raise brought.
    void owesActivation(bool owed);
    // Nothing has come in front of it since it last came forward (but the
    // dialog it answers over): a raise would change nothing.
    bool standsInFront() const;
    // Sees what the application delivers while it has to.
    void watchApplication();
    void seen(QObject* receiver, const QEvent* event);

    QWidget* m_window;
    // The window of the program that last had the input, other than this one.
    QPointer<QWindow> m_inputBefore;
    // The dialog it belongs to going: it then falls back to home().
    QMetaObject::Connection m_ownerHidden;
    // The program showed or raised it, and the window system has not
    // activated it since nor has the operator's input come: an activation
    // is the program's, not his.
    bool m_activationOwed = false;
    // The count of raises when it last came in front; 0 once another window
    // may have come in front of it.
    quint64 m_inFrontSince = 0;
    // The pop-up waited for, and the steps waiting.
    QPointer<QWidget> m_popup;
    int m_waiting = 0;
    // Shown before the window it belongs to had shown: it stands in front
    // of that window once it shows.
    bool m_homeAwaited = false;
    QPointer<QWidget> m_adoptedHome;
    QObject* m_applicationWatch = nullptr;
};
