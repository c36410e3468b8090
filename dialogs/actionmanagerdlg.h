#pragma once

#include <QDialog>

class GraphicsScene;
class Node;
class QTreeWidgetItem;

namespace Ui {
class ActionManagerDlg;
}

// The picker of alarm actions: lists the sound, visual (fence line) and text
// actions of one workspace with the elements that already use each, and
// returns the node of the one chosen. GUI thread only.
class ActionManagerDlg : public QDialog
{
    Q_OBJECT
public:
    explicit ActionManagerDlg(QWidget* parent = nullptr);
    ~ActionManagerDlg() override;

    // Fills the tree from the scene, runs the dialog and returns the chosen
    // action's node, or null. For a sound action it returns a new reference
    // copy without a parent, already listed among the sound's references;
    // the caller hangs it under the element, which then owns it.
    Node* selectAction(GraphicsScene* currentScene);
    // Adds a row per element that already carries the row's action.
    void addOwnerItems(QTreeWidgetItem* actionItem);

    // The node a row stands for, null for rows without one.
    static Node* rowNode(const QTreeWidgetItem* item);

private:
    QTreeWidgetItem* addActionRow(const QString& kind, const QString& value, const QString& icon, Node* node);
    static Node* soundReference(Node* sound);

    Ui::ActionManagerDlg* ui;
    QTreeWidgetItem* rootItem = nullptr;
    GraphicsScene* scene = nullptr;
};
