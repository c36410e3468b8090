#include "fakemainwindow.h"

#include "graphicsscene.h"
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
    QAction* undo = m_undoGroup.createUndoAction(this);
    undo->setObjectName(QStringLiteral("actUndo"));
    QAction* redo = m_undoGroup.createRedoAction(this);
    redo->setObjectName(QStringLiteral("actRedo"));
    const char* names[] = {"actDelete", "actSave", "actSelectObject", "actDrawLine", "actDrawText",
                           "actAddOsprelVellWizard", "actDrawButton", "actAddTWsector"};
    int mode = 0;
    for (const char* name : names) {
        auto* act = new QAction(this);
        act->setObjectName(QLatin1String(name));
        if (mode >= 2) {
            act->setCheckable(true);
            act->setData(mode - 1);
        }
        ++mode;
        addAction(act);
    }
    m_saveAction = action(QStringLiteral("actSave"));
    m_selectAction = action(QStringLiteral("actSelectObject"));
    m_saveAction->setEnabled(false);
    connect(action(QStringLiteral("actDelete")), &QAction::triggered, this, [this]() {
        if (m_currentScene)
            m_currentScene->deleteItem();
    });
    m_proxy.setSourceModel(m_elementModel.get());
    m_treeView = new QTreeView(this);
    m_treeView->setObjectName(QStringLiteral("treeView"));
    m_treeView->setModel(&m_proxy);
    setCentralWidget(m_treeView);
}

FakeMainWindow::~FakeMainWindow()
{
    delete m_treeView;
    m_treeView = nullptr;
    g_elementTreeModel = nullptr;
    g_energizerModel = nullptr;
}

Node* FakeMainWindow::elementTreeRoot() const
{
    return m_elementModel->rootNode();
}

std::unique_ptr<GraphicsScene> FakeMainWindow::makeScene(const QString& name)
{
    return std::make_unique<GraphicsScene>(name, this, m_elementModel.get(), m_energizerModel.get());
}

void FakeMainWindow::setCurrentScene(GraphicsScene* scene)
{
    m_currentScene = scene;
    m_undoGroup.setActiveStack(scene ? scene->undoStack() : nullptr);
}

void FakeMainWindow::mapEdited()
{
    m_saveAction->setEnabled(true);
}

void FakeMainWindow::insertModeFinished()
{
    m_selectAction->setChecked(true);
}

void FakeMainWindow::showElementNode(Node* node)
{
    m_treeView->setCurrentIndex(m_proxy.mapFromSource(m_elementModel->nodeIndex(node)));
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
