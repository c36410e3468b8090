#pragma once

#include "maphost.h"

#include <QIdentityProxyModel>
#include <QMainWindow>
#include <QStringList>
#include <QUndoGroup>

#include <memory>

class QAction;
class QTreeView;
class TreeModel;

// Stands in for the main window on the map's side: the actions (Undo and Redo
// made by the undo group), the element tree view over a proxy, the tree
// models, and a record of every call the map makes to its host.
class FakeMainWindow : public QMainWindow, public MapHost
{
public:
    FakeMainWindow();
    ~FakeMainWindow() override;

    QWidget* hostWindow() override { return this; }
    GraphicsScene* currentScene() override { return m_currentScene; }
    QUndoGroup* undoGroup() override { return &m_undoGroup; }
    QString alarmCaption() override { return m_alarmCaption; }
    QColor alarmBackgroundColor() override { return m_alarmBackground; }
    void writeUserActionLog(const QString& subject, const QString& message) override;
    void mousePos(QPointF pos) override { m_lastMousePos = pos; }
    void textChanged(QGraphicsItem* item) override { m_textChanged.append(item); }
    void itemMoved(QGraphicsItem*) override { ++m_itemMovedCount; }
    void showPopupParams(QGraphicsItem* item) override { m_popups.append(item); }
    void commandSending(Node* target, const QVariant& value, int command) override;
    void mapEdited() override;
    void insertModeFinished() override;
    void showElementNode(Node* node) override;

    // A workspace scene on this window's trees, as the main window makes one.
    std::unique_ptr<GraphicsScene> makeScene(const QString& name);
    // Switches tabs: the scene becomes current and its stack the active one.
    void setCurrentScene(GraphicsScene* scene);
    Node* elementTreeRoot() const;
    TreeModel* elementModel() const { return m_elementModel.get(); }
    TreeModel* energizerModel() const { return m_energizerModel.get(); }

    QAction* action(const QString& name) const;
    QTreeView* treeView() const { return m_treeView; }
    // The element tree node that the tree view shows as current, or null.
    Node* currentTreeNode() const;

    GraphicsScene* m_currentScene = nullptr;
    QString m_alarmCaption = QStringLiteral("ALARM");
    QColor m_alarmBackground = QColor(255, 0, 0);
    QStringList m_log;
    QList<QGraphicsItem*> m_textChanged;
    QList<QGraphicsItem*> m_popups;
    int m_itemMovedCount = 0;
    QPointF m_lastMousePos;
    struct Command {
        Node* target;
        QVariant value;
        int command;
    };
    QList<Command> m_commands;

private:
    QUndoGroup m_undoGroup;
    QAction* m_saveAction = nullptr;
    QAction* m_selectAction = nullptr;
    std::unique_ptr<TreeModel> m_elementModel;
    std::unique_ptr<TreeModel> m_energizerModel;
    QIdentityProxyModel m_proxy;
    QTreeView* m_treeView = nullptr;
};
