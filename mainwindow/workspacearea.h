#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class GraphicsBox;
class GraphicsScene;
class Node;
class QGraphicsView;
class QTabWidget;
class QUndoGroup;
class QWidget;
class MapHost;
class TreeModel;

// The workspaces: one tab per workspace, each a view of that workspace's
// map scene, in workspace order. The undo stacks of all scenes share one
// group whose active stack is the current tab's, so the window's one pair
// of undo and redo actions always works on the map in front.
class WorkspaceArea : public QObject
{
    Q_OBJECT
public:
    // Scenes are made with `host` and the two site trees; the host must
    // outlive them.
    WorkspaceArea(QTabWidget* tabs, QWidget* window, MapHost* host, TreeModel* elementModel,
                  TreeModel* energizerModel);
    ~WorkspaceArea() override;

    QTabWidget* tabs() const { return m_tabs; }
    QUndoGroup* undoGroup() const { return m_undoGroup.get(); }

    // Adds a tab with a new scene and makes it current; an empty caption
    // becomes "Untitled N".
    GraphicsScene* addWorkspace(QString caption);
    // Removes the tab and deletes its view and scene (the scene's items first).
    void removeWorkspace(int index);
    // Gives the tab, its workplace node and its gateway rows the caption,
    // then announces it: the views keyed by the caption follow.
    void renameWorkspace(int index, const QString& caption);
    // The whole caption of a workspace; its tab shows a long one cut.
    QString caption(int index) const;
    int count() const;
    GraphicsScene* sceneAt(int index) const;
    QGraphicsView* viewAt(int index) const;
    GraphicsScene* currentScene() const;
    // The current scene's workplace node, null without a scene.
    Node* currentWorkplace() const;
    QGraphicsView* currentView() const;
    QList<GraphicsScene*> scenes() const;

    // Makes the current tab's undo stack the active one.
    void followCurrentTab();
    // Design mode for every scene, present and future.
    void setDesignMode(bool mode);
    bool designMode() const { return m_designMode; }
    // The sound alarm list every scene, present and future, reads.
    void setSoundAlarmList(QList<Node*>* list);

    // A map's picture lies in its first image box, made when it has none,
    // beneath every other item. `file` names where it came from.
    void setPicture(GraphicsScene* scene, const QPixmap& picture, const QString& file);
    // What a panel shows of the map's picture: the file it came from, or
    // its size where it came with the project; empty without a picture.
    QString pictureText(GraphicsScene* scene) const;

signals:
    void workspaceRenamed(int index, const QString& caption);
    // A workspace's map was moved on.
    void projectModified();

public:
    // What a workspace shows: 0 gateway devices and TW sensors, 1 gateway
    // devices only, 2 TW sensors only.
    int workplaceMode(GraphicsScene* scene) const { return m_modes.value(scene, 0); }
    void setWorkplaceMode(GraphicsScene* scene, int mode) { m_modes.insert(scene, mode); }

private:
    // The one place a workspace's scene is made.
    GraphicsScene* createScene(const QString& caption);

    QTabWidget* m_tabs;
    QWidget* m_window;
    MapHost* m_host;
    TreeModel* m_elementModel;
    TreeModel* m_energizerModel;
    std::unique_ptr<QUndoGroup> m_undoGroup;
    QList<Node*>* m_soundAlarms = nullptr;
    bool m_designMode = false;
    QHash<GraphicsScene*, int> m_modes;
    // The file each map's picture box was last given.
    struct PictureFile {
        QPointer<GraphicsBox> box;
        QString file;
    };
    QHash<GraphicsScene*, PictureFile> m_pictureFiles;
};
