#include "workspaceactions.h"
#include "mainwindowlogging.h"

#include "dialoglaunchers.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "mainwindow.h"
#include "node.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "treemodel.h"
#include "workspacearea.h"

#include <QImageReader>
#include <QMessageBox>
#include <QTabWidget>

WorkspaceActions::WorkspaceActions(WorkspaceArea* workspaces, SiteTrees* trees,
                                   const std::unique_ptr<DialogLaunchers>& launchers, QWidget* dialogParent)
    : QObject(dialogParent)
    , m_workspaces(workspaces)
    , m_trees(trees)
    , m_launchers(launchers)
    , m_dialogParent(dialogParent)
{
}

void WorkspaceActions::newWorkspace()
{
    m_workspaces->addWorkspace(QString());
    emit projectModified();
    workspaceSetup();
    const int index = m_workspaces->tabs()->currentIndex();
    m_trees->buildTWSensorTree(m_workspaces->caption(index), index, m_workspaces->currentWorkplace());
}

void WorkspaceActions::workspaceSetup()
{
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return;
    const int index = m_workspaces->tabs()->currentIndex();
    QString caption = m_workspaces->caption(index);
    QString imageFile;
    int mode = m_workspaces->workplaceMode(scene);
    m_launchers->workspaceSetup(caption, imageFile, mode);
    m_workspaces->renameWorkspace(index, caption);
    m_workspaces->setWorkplaceMode(scene, mode);
    if (!imageFile.isEmpty())
        showWorkspacePicture(scene, imageFile);
    emit projectModified();
    emit workplaceModeChanged(mode);
}

// A file that gives no picture leaves the map's picture as it was.
void WorkspaceActions::showWorkspacePicture(GraphicsScene* scene, const QString& imageFile)
{
    QImageReader reader(imageFile);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > GraphicsBox::MaxPicturePixels) {
        qCWarning(lcMainWindow).noquote() << QStringLiteral("Workspace picture %1 not shown: %2")
                                    .arg(imageFile, size.isValid() ? QStringLiteral("too large") : reader.errorString());
        return;
    }
    const QPixmap pixmap = QPixmap::fromImage(reader.read());
    if (pixmap.isNull()) {
        qCWarning(lcMainWindow).noquote() << QStringLiteral("Workspace picture %1 not shown: %2").arg(imageFile, reader.errorString());
        return;
    }
    m_workspaces->setPicture(scene, pixmap, imageFile);
}

void WorkspaceActions::deleteWorkspace()
{
    const int index = m_workspaces->tabs()->currentIndex();
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return;
    const QString caption = m_workspaces->caption(index);
    if (QMessageBox::question(m_dialogParent, MainWindow::tr("Warning"),
                              MainWindow::tr("The workplace labeled %1 will be deleted.\nIt cannot be recovered!").arg(caption),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    // What links to the map's elements from elsewhere goes with them, told once.
    const QStringList dropped = dropLinksInto(scene);
    QList<Node*> rows;
    for (GraphicsBox* box : SiteTrees::gatewayBoxesAt(*m_workspaces, index)) {
        if (Node* row = box->energizerNode()) {
            g_energizerModel->takeNode(row);
            rows.append(row);
        }
    }
    // The map items go before the nodes they point at.
    scene->clearMap();
    {
        SiteLocker lock;
        qDeleteAll(rows);
    }
    Node* workplace = scene->workplaceNode();
    emit workplaceEmptying(workplace);
    for (Node* child : QList<Node*>(workplace->children)) {
        g_elementTreeModel->takeNode(child);
        SiteLocker lock;
        child->setParent(nullptr);
        delete child;
    }
    m_trees->deleteTWSystemsOf(index, m_workspaces->count() > 1);
    if (m_workspaces->count() > 1) {
        g_elementTreeModel->takeNode(workplace);
        {
            SiteLocker lock;
            workplace->setParent(nullptr);
            delete workplace;
        }
        m_workspaces->removeWorkspace(index);
        emit userAction(LogSubject, MainWindow::tr("Workspace %1 deleted").arg(caption));
        emit projectModified();
    } else {
        const QString untitled = MainWindow::tr("Untitled %1").arg(index + 1);
        m_workspaces->renameWorkspace(index, untitled);
        // Its TW system went with the workplace's children: a fresh one replaces it.
        m_trees->buildTWSensorTree(untitled, index, m_workspaces->currentWorkplace());
    }
    if (!dropped.isEmpty())
        emit note(LogSubject, MainWindow::tr("Links dropped with workspace %1: %2").arg(caption, dropped.join(QStringLiteral(", "))));
}

QStringList WorkspaceActions::dropLinksInto(GraphicsScene* scene) const
{
    QStringList dropped = scene->takeNodesHome();
    // A button of another map aims at nothing once the nodes it aims at go.
    Node* workplace = scene->workplaceNode();
    for (GraphicsScene* other : m_workspaces->scenes()) {
        if (other == scene)
            continue;
        for (QGraphicsItem* item : other->items()) {
            auto* button = item->type() == GraphicsBox::Type ? static_cast<GraphicsBox*>(item) : nullptr;
            Node* target = button ? button->actionTarget() : nullptr;
            if (target && workplace->isAncestorOf(target))
                dropped.append(MainWindow::tr("%1 from button %2").arg(ItemXml::referenceName(target), button->objectName()));
        }
    }
    return dropped;
}
