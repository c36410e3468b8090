#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <QVariant>

class GraphicsScene;
class Node;
class QGraphicsItem;
class QUndoGroup;
class QWidget;

// What the map needs of the window that shows it. The map sits below the main
// window, so the main window implements this; tests implement a stand-in.
//
// The seam, as a host uses it:
// - Make each workspace's scene with
//   `GraphicsScene(name, host, elementTreeModel, energizerTreeModel, parent)`.
//   The scene hangs its workplace node under the element model's root and
//   adds its undo stack to `undoGroup()`. The host must outlive its scenes.
// - Own one QUndoGroup; make the Undo and Redo actions with
//   `createUndoAction`/`createRedoAction` and call
//   `setActiveStack(scene->undoStack())` whenever the current tab changes
//   (also for the first scene: a group without an active stack keeps both
//   actions disabled).
// - Route the Delete action to `currentScene()->deleteItem()`.
// - Everything else the scene tells the host through the calls below; it
//   never looks up a window's actions or widgets by name.
class MapHost
{
public:
    virtual ~MapHost();

    // The parent of the dialogs the map opens (the gateway wizard).
    virtual QWidget* hostWindow() = 0;
    // The scene of the current workspace tab, null when there is none.
    virtual GraphicsScene* currentScene() = 0;
    // The one undo history of the window; every scene adds its stack to it.
    virtual QUndoGroup* undoGroup() = 0;
    // The alarm caption setting and the background a text box shows while alarmed.
    virtual QString alarmCaption() = 0;
    virtual QColor alarmBackgroundColor() = 0;

    // One row of the user-action log, written as the logged-in user.
    virtual void writeUserActionLog(const QString& subject, const QString& message) = 0;
    virtual void mousePos(QPointF pos) = 0;
    // A box's caption was edited on the map.
    virtual void textChanged(QGraphicsItem* item) = 0;
    // The map changed through a move.
    virtual void itemMoved(QGraphicsItem* item) = 0;
    virtual void showPopupParams(QGraphicsItem* item) = 0;
    // A map button was clicked in operation mode: send `command` to `target`.
    virtual void commandSending(Node* target, const QVariant& value, int command) = 0;
    // An element was placed or deleted: the project now has something to save.
    virtual void mapEdited() = 0;
    // The scene went back to selecting after a placement: show the select mode as chosen.
    virtual void insertModeFinished() = 0;
    // The map selected an element (or, for none, the workplace): make `node` the
    // current row of the element tree view.
    virtual void showElementNode(Node* node) = 0;
};
