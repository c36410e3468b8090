#include "fakemainwindow.h"

#include "node.h"
#include "treemodel.h"

#include <QAction>
#include <QTreeView>

FakeMainWindow::FakeMainWindow()
    : m_elementModel(std::make_unique<TreeModel>())
    , m_energizerModel(std::make_unique<TreeModel>())
{
    auto* elementRoot = new Node(QStringLiteral("Element"));
    elementRoot->columns = {QStringLiteral("Element"), QStringLiteral("Name")};
    m_elementModel->setRootNode(elementRoot);
    auto* energizerRoot = new Node(QStringLiteral("Energizer"));
    energizerRoot->columns = QVector<QVariant>(12, QString());
    m_energizerModel->setRootNode(energizerRoot);
    g_elementTreeModel = m_elementModel.get();
    g_energizerModel = m_energizerModel.get();
    const char* names[] = {"actUndo", "actRedo", "actDelete", "actSave", "actSelectObject",
                           "actDrawLine", "actDrawText", "actAddOsprelVellWizard", "actDrawButton",
                           "actAddTWsector"};
    int mode = 0;
    for (const char* name : names) {
        auto* act = new QAction(this);
        act->setObjectName(QLatin1String(name));
        if (mode >= 4) {
            act->setCheckable(true);
            act->setData(mode - 3);
        }
        ++mode;
        addAction(act);
    }
    action(QStringLiteral("actSave"))->setEnabled(false);
    m_proxy.setSourceModel(m_elementModel.get());
    m_treeView = new QTreeView(this);
    m_treeView->setObjectName(QStringLiteral("treeView"));
    m_treeView->setModel(&m_proxy);
    setCentralWidget(m_treeView);
    setMapHost(this);
}

FakeMainWindow::~FakeMainWindow()
{
    setMapHost(nullptr);
    delete m_treeView;
    m_treeView = nullptr;
    g_elementTreeModel = nullptr;
    g_energizerModel = nullptr;
}

Node* FakeMainWindow::elementTreeRoot()
{
    return m_elementModel->rootNode();
}

void FakeMainWindow::writeUserActionLog(const QString& subject, const QString& message)
{
    m_log.append(subject + QLatin1Char('|') + message);
}

void FakeMainWindow::commandSending(Node* target, const QVariant& value, int command)
{
    m_commands.append({target, value, command});
}

QAction* FakeMainWindow::action(const QString& name) const
{
    return findChild<QAction*>(name);
}

Node* FakeMainWindow::currentTreeNode() const
{
    const QModelIndex index = m_proxy.mapToSource(m_treeView->currentIndex());
    return index.isValid() ? m_elementModel->getNode(index) : nullptr;
}
