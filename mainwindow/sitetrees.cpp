#include "sitetrees.h"

#include "elementtreeorder.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "node.h"
#include "sitemutex.h"
#include "treemodel.h"
#include "workspacearea.h"

#include <QSet>
#include <QTabWidget>

#include <algorithm>

SiteTrees::SiteTrees(QObject* parent)
    : QObject(parent)
{
    m_elementRoot = new Node(QStringLiteral("Name"));
    m_elementModel = new TreeModel(parent);
    m_elementModel->setRootNode(m_elementRoot);

    m_energizerRoot = new Node(QStringLiteral("Name"));
    m_energizerRoot->columns = {QStringLiteral("Name"),     QStringLiteral("Status"),   QStringLiteral("Sector1"),
                                QStringLiteral("Voltage1"), QStringLiteral("Sector2"),  QStringLiteral("Voltage2"),
                                QStringLiteral("Gate"),     QStringLiteral("Duration"), QStringLiteral("Attemts"),
                                QStringLiteral("Last Try"), QStringLiteral("Workspace"), QStringLiteral("IP")};
    m_energizerModel = new TreeModel(parent);
    m_energizerModel->setRootNode(m_energizerRoot);

    m_twSensorRoot = new Node(QStringLiteral("Name"));
    m_twSensorRoot->columns = {QStringLiteral("Name"), QStringLiteral("Status"), QStringLiteral("Workplace"),
                               QStringLiteral("WorkplaceID")};
    m_twSensorModel = new TreeModel(parent);
    m_twSensorModel->setRootNode(m_twSensorRoot);

    g_elementTreeModel = m_elementModel;
    g_energizerModel = m_energizerModel;
    g_twSensorModel = m_twSensorModel;
}

SiteTrees::~SiteTrees()
{
    if (g_elementTreeModel == m_elementModel)
        g_elementTreeModel = nullptr;
    if (g_energizerModel == m_energizerModel)
        g_energizerModel = nullptr;
    if (g_twSensorModel == m_twSensorModel)
        g_twSensorModel = nullptr;
}

Node* SiteTrees::buildTWSensorTree(const QString& workspaceName, int index, Node* workplace)
{
    SiteLocker lock;
    Node* root = m_twSensorRoot;
    const QVector<QVariant> columnTemplate(root->columnCount());
    auto* system = new Node(QStringLiteral("TWSensor1"));
    system->columns = columnTemplate;
    // Named after its workspace until the operator gives it its
    // controller's address; no link is made to a name that is no address.
    system->setData(0, workspaceName);
    system->setData(2, workspaceName);
    system->setData(3, index);
    system->setData(1, 0);
    system->type = Node::TWSystem;
    system->enabled = false;
    for (int n = 1; n <= TWSensorCount; ++n) {
        auto* sensor = new Node(QStringLiteral("Sensor%1").arg(n - 1), system);
        sensor->columns = columnTemplate;
        sensor->setData(0, QStringLiteral("Sensor%1").arg(n));
        sensor->setData(1, 0);
        sensor->type = Node::TWSensor;
        sensor->enabled = false;
    }
    m_twSensorModel->insertNode(root, root->childCount(), system);
    // Its twin in the element tree, where TW sectors and the tree show it.
    if (!workplace)
        return system;
    auto* twin = new Node(system->data(0).toString());
    twin->columns = system->columns;
    twin->type = Node::TWSystem;
    twin->enabled = false;
    twin->deviceNode = system;
    system->deviceNode = twin;
    ElementTreeOrder::hangSorted(workplace, twin);
    return system;
}

QList<GraphicsBox*> SiteTrees::gatewayBoxesAt(const WorkspaceArea& workspaces, int tab)
{
    GraphicsScene* scene = workspaces.sceneAt(tab);
    QList<GraphicsBox*> boxes = scene ? scene->gatewayBoxes() : QList<GraphicsBox*>();
    std::reverse(boxes.begin(), boxes.end());
    return boxes;
}

QStringList SiteTrees::gatewayAddresses() const
{
    QStringList addresses;
    SiteLocker lock;
    for (const Node* gateway : qAsConst(m_energizerRoot->children))
        addresses.append(gateway->data(0).toString());
    return addresses;
}

// The boxes own their rows: emptying the model keeps them, and deletes only
// rows no box holds any more.
void SiteTrees::rebuildEnergizerModel(const WorkspaceArea& workspaces)
{
    refillEnergizerModel(workspaces);
    emit energizerModelRebuilt();
}

void SiteTrees::refillEnergizerModel(const WorkspaceArea& workspaces)
{
    SiteLocker lock;
    QList<QPair<GraphicsBox*, QString>> boxes;
    QSet<Node*> kept;
    for (int tab = 0; tab < workspaces.count(); ++tab) {
        for (GraphicsBox* box : gatewayBoxesAt(workspaces, tab)) {
            if (Node* row = box->energizerNode()) {
                boxes.append({box, workspaces.caption(tab)});
                kept.insert(row);
            }
        }
    }
    for (Node* row : QList<Node*>(m_energizerRoot->children)) {
        m_energizerModel->takeNode(row);
        if (!kept.contains(row)) {
            row->setParent(nullptr);
            delete row;
        }
    }
    for (const auto& [box, caption] : qAsConst(boxes)) {
        Node* row = box->energizerNode();
        m_energizerModel->insertNode(m_energizerRoot, -1, row);
        box->setWorkspaceName(caption);
        m_energizerModel->refreshNode(row);
    }
}

void SiteTrees::renameTWSystemsOf(int tab, const QString& workspaceName)
{
    QList<Node*> renamed;
    {
        SiteLocker lock;
        for (Node* system : m_twSensorRoot->children) {
            if (system->data(3).toInt() != tab)
                continue;
            // A system still named after its workspace keeps being so.
            const bool named = system->data(0) == system->data(2);
            for (Node* node : {system, system->deviceNode}) {
                if (!node)
                    continue;
                node->setData(2, workspaceName);
                if (named)
                    node->setData(0, workspaceName);
            }
            renamed.append(system);
        }
    }
    for (Node* system : qAsConst(renamed)) {
        m_twSensorModel->refreshNode(system);
        if (system->deviceNode && m_elementModel->contains(system->deviceNode))
            m_elementModel->refreshNode(system->deviceNode);
    }
}

// Deletes the TW systems of a tab; with `tabsFollow` those of later tabs
// move one place up with their tabs, so a save still writes them under
// their own workspace.
void SiteTrees::deleteTWSystemsOf(int tab, bool tabsFollow)
{
    SiteLocker lock;
    for (Node* system : QList<Node*>(m_twSensorRoot->children)) {
        const int index = system->data(3).toInt();
        if (index == tab) {
            m_twSensorModel->takeNode(system);
            system->setParent(nullptr);
            delete system;
        } else if (index > tab && tabsFollow) {
            system->setData(3, index - 1);
            if (system->deviceNode)
                system->deviceNode->setData(3, index - 1);
        }
    }
}
