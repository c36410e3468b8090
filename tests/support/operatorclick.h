#pragma once

#include <QPoint>
#include <Qt>

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
