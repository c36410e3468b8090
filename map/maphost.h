#pragma once

#include <QColor>
#include <QPointF>
#include <QString>
#include <QVariant>

class GraphicsScene;
class Node;
class QAbstractProxyModel;
class QGraphicsItem;
class QWidget;

// What the map needs of the main window. The map sits below the main window,
// so the main window implements this and installs itself with setMapHost();
// tests install a stand-in. The map finds the host window's actions
// ("actUndo", "actRedo", "actDelete", "actSave", "actSelectObject") and the
// element tree view ("treeView") among the window's children by object name.
class MapHost
{
public:
    virtual ~MapHost();

    // The window whose children carry the actions and the tree view; it also
    // serves as the lifetime guard of every connection the map makes to the host.
    virtual QWidget* hostWindow() = 0;
    // The scene of the current workspace tab, null when there is none.
    virtual GraphicsScene* currentScene() = 0;
    // The element tree's root, under which each scene hangs its workplace node.
    virtual Node* elementTreeRoot() = 0;
    // The proxy between the element tree model and the tree view.
    virtual QAbstractProxyModel* elementTreeProxyModel() = 0;
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
};

// The installed host, null until the main window (or a test) sets one.
MapHost* mapHost();
void setMapHost(MapHost* host);
