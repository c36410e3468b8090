#include "elementtreearea.h"

#include "alarmsarea.h"
#include "dialoglaunchers.h"
#include "elementtreeorder.h"
#include "elementtreeproxymodel.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"
#include "userright.h"
#include "workspacearea.h"

#include <QAction>
#include <QMenu>
#include <QTreeView>

#include <utility>

ElementTreeArea::ElementTreeArea(QTreeView* view, TreeModel* model, WorkspaceArea* workspaces, AlarmsArea* alarms,
                                 const std::unique_ptr<DialogLaunchers>& launchers, QObject* parent)
    : QObject(parent)
    , m_view(view)
    , m_model(model)
    , m_workspaces(workspaces)
    , m_alarms(alarms)
    , m_launchers(launchers)
{
    m_proxy = new ElementTreeProxyModel(this);
    m_proxy->setSourceModel(m_model);
    // A current row that leaves the tree hands its place to a neighbour,
    // which the view selects: the operator chose none, so the map and the
    // panel are not told, and the neighbour is left unselected. Connected
    // before the view, which moves the row when it hears of the removal.
    connect(m_proxy, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this] { m_rowsLeaving = true; });
    connect(m_proxy, &QAbstractItemModel::rowsRemoved, this, [this] {
        m_rowsLeaving = false;
        if (std::exchange(m_neighbourSelected, false))
            m_view->selectionModel()->clearSelection();
    });
    m_view->setModel(m_proxy);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_contextMenu = new QMenu(m_view);
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& current) {
                if (!m_rowsLeaving)
                    emit selectionChanged(current);
                else if (!current.isEmpty())
                    m_neighbourSelected = true;
            });
    connect(m_view, &QWidget::customContextMenuRequested, this, &ElementTreeArea::onTreeViewContextMenu);
}

void ElementTreeArea::selectFirstRow()
{
    m_view->setCurrentIndex(m_proxy->index(0, 0));
}

Node* ElementTreeArea::currentElement() const
{
    return m_model->getNode(m_proxy->mapToSource(m_view->currentIndex()));
}

void ElementTreeArea::focusElementTree()
{
    m_view->setFocus();
}

void ElementTreeArea::expandElement(Node* node)
{
    if (m_proxy->sourceModel() != m_model)
        return;
    m_view->expand(m_proxy->mapFromSource(m_model->nodeIndex(node)));
}

void ElementTreeArea::showElementNode(Node* node)
{
    // While a project is read the view is cut off from the tree.
    if (m_proxy->sourceModel() != m_model)
        return;
    const QModelIndex source = m_model->nodeIndex(node);
    const QModelIndex index = shownRow(source);
    if (!index.isValid()) {
        // A row the filter hides (a TW sector where the workspace shows no TW
        // system): no row stays chosen in its place.
        if (source.isValid()) {
            m_view->selectionModel()->clear();
            emit hiddenElementChosen(node);
        }
        return;
    }
    // The row already current and selected changes no selection, yet the
    // map's element is selected anew as for any other row: a click Qt takes
    // for one on the bare map (a line's icon) has unselected it.
    if (index == m_view->currentIndex() && m_view->selectionModel()->isSelected(index))
        emit selectionChanged(QItemSelection(index, index));
    else
        m_view->setCurrentIndex(index);
}

// The proxy maps a row under a row it hides as if it showed: a row shows
// only where every row above it does.
QModelIndex ElementTreeArea::shownRow(const QModelIndex& source) const
{
    const QModelIndex row = m_proxy->mapFromSource(source);
    for (QModelIndex above = source.parent(); row.isValid() && above.isValid(); above = above.parent()) {
        if (!m_proxy->mapFromSource(above).isValid())
            return QModelIndex();
    }
    return row;
}

void ElementTreeArea::showWorkplace(Node* workplace)
{
    if (m_proxy->sourceModel() != m_model)
        return;
    // The filter may have moved the current row onto the workplace without
    // a selection change: the panel would keep the element left behind.
    m_view->selectionModel()->clearSelection();
    showElementNode(workplace);
    expandElement(workplace);
}

void ElementTreeArea::showWorkplaceNamed(const QString& caption)
{
    m_proxy->setWorkplaceFilter(caption);
    m_proxy->invalidate();
}

void ElementTreeArea::showWorkplaceMode(int mode)
{
    m_proxy->workplaceMode = mode;
    m_proxy->invalidate();
}

void ElementTreeArea::fillTreeContextMenu()
{
    m_contextMenu->clear();
    if (!checkUserRight(UserRight::ConnectVisualAlarm, g_currentUser))
        return;
    Node* node = currentElement();
    if (!node)
        return;
    const int type = node->type;
    const int parentType = node->parent() ? node->parent()->type : -1;
    const bool mapElement = (type >= Node::MapElement && type <= Node::Button) || type == Node::TWSector;
    const bool design = m_designMode;
    const auto add = [this, design](const QString& text, const QString& icon) {
        QAction* action = m_contextMenu->addAction(icon.isEmpty() ? QIcon() : QIcon(icon), text);
        action->setEnabled(design);
        return action;
    };
    if (type == Node::FenceSector || type == Node::Gate || type == Node::TWSector)
        connect(add(tr("Add action"), QStringLiteral(":/icons/actionManager.png")), &QAction::triggered, this,
                &ElementTreeArea::showActionManager);
    if (type == Node::TWSector)
        connect(add(tr("Add sensor"), QStringLiteral(":/icons/sensor_BW.png")), &QAction::triggered, this,
                &ElementTreeArea::selectSensorDlg);
    if (type == Node::TWSensor && parentType == Node::TWSector)
        connect(add(tr("Remove from sector"), QString()), &QAction::triggered, this, &ElementTreeArea::removeSensor);
    if ((type == Node::SoundAlarm && (parentType == Node::FenceSector || parentType == Node::Gate))
        || (mapElement && (parentType == Node::Energizer || parentType == Node::FenceSector || parentType == Node::Gate)))
        connect(add(tr("Remove action"), QString()), &QAction::triggered, this, &ElementTreeArea::removeEnergAction);
    if (mapElement)
        connect(add(tr("Delete item"), QStringLiteral(":/icons/delete.png")), &QAction::triggered, this,
                &ElementTreeArea::deleteRequested);
}

void ElementTreeArea::onTreeViewContextMenu(const QPoint& point)
{
    fillTreeContextMenu();
    m_contextMenu->exec(m_view->viewport()->mapToGlobal(point));
}

void ElementTreeArea::showActionManager()
{
    const QModelIndex index = m_proxy->mapToSource(m_view->currentIndex());
    Node* action = m_launchers->actionManager(m_workspaces->currentScene());
    if (action && !action->parent() && !index.isValid()) {
        // A fresh sound-alarm copy with nowhere to go.
        delete action;
        action = nullptr;
    }
    if (action && index.isValid()) {
        Node* target = m_model->getNode(index);
        if (action->parent())
            m_model->moveNode(target, action);
        else
            m_model->insertNode(target, 0, action);
        emit elementStateChanged(target->parent());
        m_view->expand(m_proxy->mapFromSource(index));
    }
    emit projectModified();
}

void ElementTreeArea::selectSensorDlg()
{
    const QModelIndex index = m_proxy->mapToSource(m_view->currentIndex());
    Node* sensor = m_launchers->selectSensor();
    if (sensor && index.isValid()) {
        Node* sector = m_model->getNode(index);
        if (sensor->parent())
            m_model->moveNode(sector, sensor);
        else
            m_model->insertNode(sector, 0, sensor);
        m_view->expand(m_proxy->mapFromSource(m_model->nodeIndex(sector)));
    }
    emit projectModified();
}

void ElementTreeArea::removeEnergAction()
{
    Node* action = currentElement();
    if (!action || !action->parent() || action == m_model->rootNode())
        return;
    Node* owner = action->parent()->parent();
    emit userAction(QStringLiteral("AlarmAction"),
                            tr("From Energizer %1 removed AlarmAction %2")
                                .arg(owner ? owner->data(0).toString() : QString(), action->data(0).toString()));
    if (action->type == Node::SoundAlarm) {
        // A reference copy belongs to the element it hung under; off it, it
        // belongs to nothing and goes (its sound alarm forgets it then).
        m_model->takeNode(action);
        m_alarms->forgetSoundAlarm(action);
        SiteLocker lock;
        action->setParent(nullptr);
        delete action;
    } else if (GraphicsScene* scene = m_workspaces->currentScene()) {
        m_model->moveNode(scene->workplaceNode(), action);
        auto* helper = dynamic_cast<GraphicsHelperClass*>(action->mapItem);
        if (helper && (action->mapItem->type() == GraphicsBox::Type || action->mapItem->type() == GraphicsLine::Type)) {
            helper->setColor(Qt::black);
            action->mapItem->update();
        }
        ElementTreeOrder::sortChildren(scene->workplaceNode());
    }
    emit projectModified();
}

void ElementTreeArea::removeSensor()
{
    Node* sensor = currentElement();
    Node* sector = sensor ? sensor->parent() : nullptr;
    if (!sector || !sector->parent())
        return;
    emit userAction(QStringLiteral("AlarmAction"), tr("From TWSector %1 removed Sensor %2")
                                                               .arg(sector->data(0).toString(), sensor->data(0).toString()));
    m_model->moveNode(sector->parent(), sensor);
    if (GraphicsScene* scene = m_workspaces->currentScene())
        ElementTreeOrder::sortChildren(scene->workplaceNode());
    emit projectModified();
}
