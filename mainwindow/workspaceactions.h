#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class DialogLaunchers;
class GraphicsScene;
class Node;
class QWidget;
class SiteTrees;
class WorkspaceArea;

// The Workplace menu's edits of the workspace tabs: a new blank workspace,
// the set-up of the current one (caption, picture, mode) and its deletion
// with everything that hangs off it in the site trees. Changes are announced
// with projectModified() and logged with userAction().
class WorkspaceActions : public QObject
{
    Q_OBJECT
public:
    static inline const QString LogSubject = QStringLiteral("Workspace");

    // `launchers` is the window's holder, not the launchers in it: tests
    // swap them after this is made. The deletion question shows over
    // `dialogParent`, which also owns this.
    WorkspaceActions(WorkspaceArea* workspaces, SiteTrees* trees, const std::unique_ptr<DialogLaunchers>& launchers,
                     QWidget* dialogParent);

public slots:
    void newWorkspace();
    void workspaceSetup();
    void deleteWorkspace();

signals:
    void projectModified();
    void userAction(QString subject, QString message);
    // The elements under `workplace` are about to be deleted.
    void workplaceEmptying(const Node* workplace);
    // The workspace in front was set up to show what `mode` says.
    void workplaceModeChanged(int mode);
    // What the operator is told in the status bar and the log: the links a deletion dropped.
    void note(const QString& subject, const QString& text);

private:
    void showWorkspacePicture(GraphicsScene* scene, const QString& imageFile);
    // Brings every node of `scene`'s map home to its workplace (GraphicsScene::
    // takeNodesHome); returns the links to its elements from elsewhere this
    // drops, a button's aim included.
    QStringList dropLinksInto(GraphicsScene* scene) const;

    WorkspaceArea* m_workspaces;
    SiteTrees* m_trees;
    const std::unique_ptr<DialogLaunchers>& m_launchers;
    QWidget* m_dialogParent;
};
