#pragma once

#include <QItemSelection>
#include <QObject>
#include <QString>

#include <memory>

class AlarmsArea;
class DialogLaunchers;
class ElementTreeProxyModel;
class Node;
class QMenu;
class QPoint;
class QTreeView;
class TreeModel;
class WorkspaceArea;

// The element tree dock: the view over the element model (filtered by the
// current workspace), its context menu, and the edits made from it: actions
// and sensors hung under sectors, taken off again. Edits are announced with
// projectModified() and logged with userAction(); the window deletes the
// map items a "Delete item" asks for and shows anew the states of an element
// an action was hung under (elementStateChanged()). A row the tree loses
// selects nothing: selectionChanged() tells only of rows chosen.
class ElementTreeArea : public QObject
{
    Q_OBJECT
public:
    // `launchers` is the window's holder, not the launchers it holds now:
    // tests swap them, and the menu's pages open through the current ones.
    ElementTreeArea(QTreeView* view, TreeModel* model, WorkspaceArea* workspaces, AlarmsArea* alarms,
                    const std::unique_ptr<DialogLaunchers>& launchers, QObject* parent);

    ElementTreeProxyModel* proxy() const { return m_proxy; }
    QMenu* contextMenu() const { return m_contextMenu; }
    // The tree's current row as a node of the element tree (its root for none).
    Node* currentElement() const;
    // Makes `node` the tree's current row (the map selected it); a row
    // already current is announced again, so the map selects its element.
    // A row the filter hides leaves the tree with none selected, and the
    // element is announced as chosen all the same (hiddenElementChosen).
    void showElementNode(Node* node);
    void expandElement(Node* node);
    // The workspace in front: its workplace row current (which fills the
    // panel with it) and open.
    void showWorkplace(Node* workplace);
    // The tree shows only the workplace of that caption (all for none).
    void showWorkplaceNamed(const QString& caption);
    // Which devices the tree shows: the workspace mode of the tab in front.
    void showWorkplaceMode(int mode);
    void focusElementTree();
    void selectFirstRow();
    // The context menu's entries are enabled in design mode only.
    void setDesignMode(bool mode) { m_designMode = mode; }
    // The context menu for the current element, filled but not shown.
    void fillTreeContextMenu();

public slots:
    void showActionManager();
    void selectSensorDlg();
    void removeEnergAction();
    void removeSensor();

signals:
    void selectionChanged(const QItemSelection& current);
    // The map chose `node`, whose row the tree's filter hides: it is chosen
    // as from its row (the panel shows it, the map selects only it).
    void hiddenElementChosen(Node* node);
    void projectModified();
    void userAction(QString subject, QString message);
    void deleteRequested();
    void elementStateChanged(Node* element);

private:
    void onTreeViewContextMenu(const QPoint& point);
    // The tree's row of the element model's `source`; none where the filter hides it or a row above it.
    QModelIndex shownRow(const QModelIndex& source) const;

    QTreeView* m_view;
    TreeModel* m_model;
    WorkspaceArea* m_workspaces;
    AlarmsArea* m_alarms;
    const std::unique_ptr<DialogLaunchers>& m_launchers;
    ElementTreeProxyModel* m_proxy = nullptr;
    QMenu* m_contextMenu = nullptr;
    bool m_designMode = false;
    // Rows are leaving the tree; the view selected a neighbour meanwhile.
    bool m_rowsLeaving = false;
    bool m_neighbourSelected = false;
};
