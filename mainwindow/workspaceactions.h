#pragma once

#include <QObject>
#include <QString>

class GraphicsScene;
class MainWindow;
class Node;

// The Workplace menu's edits of the workspace tabs: a new blank workspace,
// the set-up of the current one (caption, picture, mode) and its deletion
// with everything that hangs off it in the site trees. Changes are announced
// with projectModified() and logged with userAction().
class WorkspaceActions : public QObject
{
    Q_OBJECT
public:
    explicit WorkspaceActions(MainWindow& window);

public slots:
    void newWorkspace();
    void workspaceSetup();
    void deleteWorkspace();

signals:
    void projectModified();
    void userAction(QString subject, QString message);
    // The elements under `workplace` are about to be deleted.
    void workplaceEmptying(const Node* workplace);

private:
    void showWorkspacePicture(GraphicsScene* scene, const QString& imageFile);

    MainWindow& m_window;
};
