#pragma once

#include <QPoint>
#include <Qt>

class QString;
class QWidget;

// A click as the operator's mouse gives it: through the window system to the
// widget's top-level window, at the widget's place in it, so that it takes
// the path of a real click (the window's hit test, press, release, focus)
// rather than a call on the widget. The top-level is shown and exposed
// first if it is not yet; `at` is in the widget's coordinates, its centre
// when left out. Returns false, having sent nothing, when the widget cannot
// be reached (no window, hidden under a hidden parent, disabled, the point
// off the window or under another widget).
bool operatorClick(QWidget* widget, QPoint at = QPoint(-1, -1), Qt::MouseButton button = Qt::LeftButton,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The same for a double-click.
bool operatorDoubleClick(QWidget* widget, QPoint at = QPoint(-1, -1), Qt::MouseButton button = Qt::LeftButton);

// Keys as the operator's keyboard gives them: the widget takes the focus in
// its top-level window, made the active window, and the keys go through the
// window system to that window, which hands them to its focus widget, as it
// would a real key press. Returns false, having sent nothing, when the
// widget cannot be reached or take the focus.
bool operatorKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
bool operatorType(QWidget* widget, const QString& text);

// ASCII keys as the keyboard gives them while the operator types on,
// without looking: each goes through the window system to whichever window
// of the program has the input at that moment, or is lost when none has.
void keyboardType(const QString& text);
