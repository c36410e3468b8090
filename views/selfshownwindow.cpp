#include "selfshownwindow.h"

#include "placebeside.h"
#include "programend.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <utility>

namespace {

// Hands every event the application delivers to `seen` while installed.
class ApplicationWatch : public QObject
{
public:
    ApplicationWatch(QObject* parent, std::function<void(QObject*, const QEvent*)> seen)
        : QObject(parent)
        , m_seen(std::move(seen))
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        m_seen(watched, event);
        return false;
    }

private:
    std::function<void(QObject*, const QEvent*)> m_seen;
};

// The program's main window, shown or about to be.
QWidget* programWindow()
{
    QWidget* found = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(top) && (!found || (top->isVisible() && !found->isVisible())))
            found = top;
    }
    return found;
}

// Raises and shows of self-shown windows so far: each stands in front of
// those raised before it.
quint64& raisesSoFar()
{
    static quint64 count = 0;
    return count;
}

bool isOperatorInput(const QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
        return event->spontaneous();
    default:
        return false;
    }
}

} // namespace

SelfShownWindow::SelfShownWindow(QWidget* window)
    : QObject(window)
    , m_window(window)
    , m_inputBefore(QGuiApplication::focusWindow())
{
    // A window of no other is the main window's: a window manager keeps it
    // in front of it, and it goes with it.
    if (!window->parentWidget()) {
        QWidget* main = programWindow();
        if (main && main != window)
            window->setParent(main, window->windowFlags());
    }
    window->setWindowModality(Qt::NonModal);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    // Qt passes the attribute on when it makes the native window; one made
    // already is told here.
    if (QWindow* made = window->windowHandle())
        made->setProperty("_q_showWithoutActivating", true);
    window->installEventFilter(this);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &SelfShownWindow::noteFocusWindow);
    m_applicationWatch =
        new ApplicationWatch(this, [this](QObject* receiver, const QEvent* event) { seen(receiver, event); });
}

void SelfShownWindow::show(QWidget* window)
{
    (new SelfShownWindow(window))->show();
}

QWindow* SelfShownWindow::handle() const
{
    return m_window->windowHandle();
}

void SelfShownWindow::show()
{
    const bool appears = m_window->isHidden();
    if (appears && waitsForPopup(Appear))
        return;
    if (appears) {
        // Shown as its own window's: a window manager keeps a window above
        // the one it was shown for, and a dialog open now must be able to
        // stand above it. Qt tells the window system the owner only when
        // the window shows, and makes the window its parent's own when it
        // first makes it. (Made beforehand, with winId(), it would make
        // every widget of the parent a native window.)
        if (handle())
            belongTo(home());
        owesActivation(true);
        m_window->show();
        handle()->installEventFilter(this);
        // The window it belongs to has not shown yet: shown later, it would
        // stand in front.
        m_homeAwaited = !home() || !home()->isVisible();
        watchApplication();
    }
    QWindow* owner = answerOwner();
    const bool newOwner = handle()->transientParent() != owner;
    if (newOwner)
        belongTo(owner);
    // With no window manager to stack it, a window shown stays under the
    // window it answers over. A dialog that opened over it keeps its place.
    if (appears)
        comeForward();
    else if (newOwner)
        giveWay();
}

// Over whatever window is in front, with or without a window manager to
// stack it; never with the input.
void SelfShownWindow::comeForward()
{
    if (waitsForPopup(Forward))
        return;
    // A raise that changes nothing brings no activation: one that comes
    // while it stands in front is the operator's, as a click on its frame.
    if (!standsInFront())
        owesActivation(true);
    m_window->raise();
    m_inFrontSince = ++raisesSoFar();
    giveWay();
}

bool SelfShownWindow::standsInFront() const
{
    return m_inFrontSince != 0 && m_inFrontSince == raisesSoFar();
}

QWidget* SelfShownWindow::homeWidget() const
{
    const QWidget* parent = m_window->parentWidget();
    return parent ? parent->window() : m_adoptedHome.data();
}

QWindow* SelfShownWindow::home() const
{
    const QWidget* widget = homeWidget();
    return widget ? widget->windowHandle() : nullptr;
}

QWindow* SelfShownWindow::answerOwner() const
{
    QWindow* own = handle();
    QWindow* modal = QGuiApplication::modalWindow();
    // A dialog being hidden is still listed as modal for a moment.
    if (modal && modal->isVisible() && modal != own && !own->isAncestorOf(modal))
        return modal;
    return home();
}

QWindow* SelfShownWindow::waitingOwner() const
{
    QWindow* owner = handle() ? handle()->transientParent() : nullptr;
    return owner && owner->modality() != Qt::NonModal && owner->isVisible() ? owner : nullptr;
}

void SelfShownWindow::belongTo(QWindow* owner)
{
    handle()->setTransientParent(owner);
    disconnect(m_ownerHidden);
    if (!owner || owner->modality() == Qt::NonModal)
        return;
    m_ownerHidden = connect(owner, &QWindow::visibleChanged, this, [this](bool visible) {
        if (visible)
            return;
        // At once, so that it never points at a window that is gone; and
        // again once Qt has let the dialog go, for a modal dialog left under
        // it, which then stands above it in its turn.
        belongTo(answerOwner());
        QTimer::singleShot(0, this, [this] {
            if (!m_window->isVisible())
                return;
            belongTo(answerOwner());
            giveWay();
        });
    });
}

void SelfShownWindow::giveWay()
{
    QWindow* owner = waitingOwner();
    if (!owner || waitsForPopup(StepAside))
        return;
    if (const QScreen* screen = owner->screen())
        m_window->move(placeBeside(screen->availableGeometry(), owner->frameGeometry(), m_window->frameGeometry()));
    owner->raise();
}

void SelfShownWindow::noteFocusWindow(QWindow* focus)
{
    // A pop-up (a menu, a list) holds the input only while it is open.
    if (focus && focus->type() == Qt::Popup)
        return;
    // A window manager raises the window it activates. The window this one
    // answers over stays behind it; any other, or another program's, may now
    // stand in front.
    QWindow* own = handle();
    if (focus && focus == own)
        m_inFrontSince = ++raisesSoFar();
    else if (!focus || !own || !focus->isAncestorOf(own, QWindow::IncludeTransients))
        m_inFrontSince = 0;
    if (!focus)
        return;
    if (focus != own) {
        m_inputBefore = focus;
        return;
    }
    if (m_activationOwed) {
        owesActivation(false);
        giveInputBack();
        return;
    }
    // The operator's choice. A window manager raises a window it gives the
    // input, also over the dialog waiting for an answer.
    if (QWindow* owner = waitingOwner())
        owner->raise();
}

void SelfShownWindow::giveInputBack()
{
    if (waitsForPopup(InputBack))
        return;
    QWindow* own = handle();
    // A dialog opened meanwhile (an activation may come late, behind it)
    // blocks every other window: the input is its own.
    QWindow* modal = QGuiApplication::modalWindow();
    for (QWindow* back : {modal, m_inputBefore.data(), own ? own->transientParent() : nullptr}) {
        if (back && back != own && back->isVisible()) {
            back->requestActivate();
            return;
        }
    }
}

bool SelfShownWindow::waitsForPopup(int step)
{
    QWidget* popup = QApplication::activePopupWidget();
    if (!popup)
        return false;
    m_waiting |= step;
    if (popup != m_popup) {
        if (m_popup)
            m_popup->removeEventFilter(this);
        m_popup = popup;
        popup->installEventFilter(this);
    }
    return true;
}

void SelfShownWindow::popupClosed()
{
    // A menu closes its submenus, a menu bar opens the next menu before it
    // closes the last: wait for the one open now.
    if (waitsForPopup(0) || ProgramEnd::hasBegun())
        return;
    const int steps = std::exchange(m_waiting, 0);
    if (steps & Appear)
        show();
    else if ((steps & Forward) && m_window->isVisible())
        comeForward();
    else if ((steps & StepAside) && m_window->isVisible())
        giveWay();
    if ((steps & InputBack) && (m_window->isHidden() || QGuiApplication::focusWindow() == handle()))
        giveInputBack();
}

void SelfShownWindow::owesActivation(bool owed)
{
    m_activationOwed = owed;
    watchApplication();
}

void SelfShownWindow::watchApplication()
{
    qApp->removeEventFilter(m_applicationWatch);
    if (m_activationOwed || m_homeAwaited)
        qApp->installEventFilter(m_applicationWatch);
}

void SelfShownWindow::seen(QObject* receiver, const QEvent* event)
{
    // The operator acts: what the window system does from now on follows
    // his input, no longer the program's show or raise.
    if (m_activationOwed && isOperatorInput(event))
        owesActivation(false);
    if (!m_homeAwaited || event->type() != QEvent::Show || !receiver->isWidgetType())
        return;
    auto* shown = static_cast<QWidget*>(receiver);
    const QWidget* awaited = homeWidget();
    if (awaited ? shown != awaited : !(shown->isWindow() && qobject_cast<QMainWindow*>(shown)))
        return;
    if (!awaited)
        m_adoptedHome = shown;
    m_homeAwaited = false;
    watchApplication();
    // In front of it once it stands.
    QTimer::singleShot(0, this, [this] {
        if (m_window->isVisible() && !ProgramEnd::hasBegun()) {
            // It stood in front before it belonged there.
            m_inFrontSince = 0;
            belongTo(answerOwner());
            comeForward();
        }
    });
}

bool SelfShownWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == handle() && event->type() == QEvent::MouseButtonPress && event->spontaneous()) {
        // Asked for whatever Qt counts as the focus window now: an
        // activation given back just before may still be on its way.
        owesActivation(false);
        handle()->requestActivate();
    } else if (watched == m_popup && event->type() == QEvent::Hide) {
        m_popup->removeEventFilter(this);
        m_popup = nullptr;
        popupClosed();
    } else if (watched == m_window && event->type() == QEvent::Hide && !event->spontaneous()) {
        // Answered (or put away by the program): the input goes back whether
        // or not the activation the press asked for has come yet.
        owesActivation(false);
        m_homeAwaited = false;
        watchApplication();
        m_waiting = 0;
        if (!ProgramEnd::hasBegun())
            giveInputBack();
    } else if (watched == m_window && event->type() == QEvent::WindowBlocked && m_window->isVisible()
               && !ProgramEnd::hasBegun()) {
        // A dialog opened over it: it becomes that dialog's own.
        show();
        // The dialog tells it before showing itself: it steps aside again
        // once the dialog stands where the window system put it.
        QTimer::singleShot(0, this, [this] {
            if (m_window->isVisible())
                giveWay();
        });
    }
    return QObject::eventFilter(watched, event);
}
