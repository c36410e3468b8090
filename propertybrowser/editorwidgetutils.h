#pragma once

// Small pieces shared by the in-place editor widgets.

#include <QToolButton>

class QAction;
class QEvent;
class QLabel;
class QLayout;
class QLineEdit;
class QMenu;
class QPoint;
class QWidget;

// Builds a key-capturing editor around its read-only line edit: the editor
// filters the line edit's events, takes its focus and accepts input-method
// events.
void setupKeyCaptureEditor(QWidget* editor, QLineEdit* lineEdit);

// Accepts shortcut, shortcut-override and key-release events so that, while
// a key-capturing editor has the focus, no application shortcut fires and
// every key reaches its key-press handler. True when the event was taken.
bool takeShortcutEvent(QEvent* event);

// Leaves room left of a tree-cell editor (right of it for right-to-left).
void setupTreeViewEditorMargin(QLayout* layout);

// Draws the plain widget primitive so style sheets paint the background.
void paintWidgetPrimitive(QWidget* widget);

// Runs the line edit's standard context menu without shortcut hints (the
// editor swallows shortcuts anyway), headed by `leading` and a separator.
// `leading` is re-parented to the menu and dies with it.
void execLineEditContextMenu(QLineEdit* lineEdit, QAction* leading, const QPoint& globalPos);

// Lays out a swatch-style editor: picture, text, stretch, a "..." button.
void setupSwatchEditor(QWidget* editor, QLabel* pixmapLabel, QLabel* textLabel,
                       QToolButton* button);

// The same, with the button labelled and its clicks going to `clicked`.
template <class Editor>
void setupSwatchEditor(Editor* editor, QLabel* pixmapLabel, QLabel* textLabel, QToolButton* button,
                       void (Editor::*clicked)())
{
    setupSwatchEditor(static_cast<QWidget*>(editor), pixmapLabel, textLabel, button);
    button->setText(Editor::tr("..."));
    QObject::connect(button, &QToolButton::clicked, editor, clicked);
}

// True for the keys that a "..." button must leave to the enclosing cell
// (Escape, Return, Enter), so it never opens a dialog on them.
bool isCellKeyForButton(QEvent* event);
