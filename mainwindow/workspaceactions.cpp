#include "workspaceactions.h"
#include "mainwindowlogging.h"

#include "dialoglaunchers.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "mainwindow.h"
#include "node.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "treemodel.h"
#include "workspacearea.h"

#include <QImageReader>
#include <QMessageBox>
#include <QTabWidget>

WorkspaceActions::WorkspaceActions(MainWindow& window)
    : QObject(&window)
    , m_window(window)
{
}

void WorkspaceActions::newWorkspace()
{
    m_window.workspaces()->addWorkspace(QString());
    emit projectModified();
    workspaceSetup();
    const int index = m_window.workspaces()->tabs()->currentIndex();
    m_window.trees()->buildTWSensorTree(m_window.workspaces()->tabs()->tabText(index), index,
                                        m_window.workspaces()->currentWorkplace());
}

void WorkspaceActions::workspaceSetup()
{
    GraphicsScene* scene = m_window.currentScene();
    if (!scene)
        return;
    const int index = m_window.workspaces()->tabs()->currentIndex();
    QString caption = m_window.workspaces()->tabs()->tabText(index);
    QString imageFile;
    int mode = m_window.workspaces()->workplaceMode(scene);
    m_window.dialogLaunchers()->workspaceSetup(caption, imageFile, mode);
    m_window.workspaces()->renameWorkspace(index, caption);
    m_window.workspaces()->setWorkplaceMode(scene, mode);
    if (!imageFile.isEmpty())
        showWorkspacePicture(scene, imageFile);
    emit projectModified();
    m_window.applyWorkplaceMode(mode);
}

// The picture goes into the scene's first image box, a new one when it has none.
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
    GraphicsBox* box = nullptr;
    for (QGraphicsItem* item : scene->items(Qt::DescendingOrder)) {
        auto* candidate = item->type() == GraphicsBox::Type ? static_cast<GraphicsBox*>(item) : nullptr;
        if (candidate && candidate->kind() == GraphicsBox::ImageBox) {
            box = candidate;
            break;
        }
    }
    if (!box) {
        box = new GraphicsBox(GraphicsBox::ImageBox);
        scene->insertItem(box);
    }
    box->setPicture(pixmap);
    box->show();
    box->setElementPos(-23, -23);
    box->setZValue(0);
    box->setWidth(pixmap.width());
    box->setHeight(pixmap.height());
}

void WorkspaceActions::deleteWorkspace()
{
    const int index = m_window.workspaces()->tabs()->currentIndex();
    GraphicsScene* scene = m_window.currentScene();
    if (!scene)
        return;
    const QString caption = m_window.workspaces()->tabs()->tabText(index);
    if (QMessageBox::question(&m_window, MainWindow::tr("Warning"),
                              MainWindow::tr("The workplace labeled %1 will be deleted.\nIt cannot be recovered!").arg(caption),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    QList<Node*> rows;
    for (GraphicsBox* box : SiteTrees::gatewayBoxesAt(*m_window.workspaces(), index)) {
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
    m_window.trees()->deleteTWSystemsOf(index, m_window.workspaces()->count() > 1);
    if (m_window.workspaces()->count() > 1) {
        g_elementTreeModel->takeNode(workplace);
        {
            SiteLocker lock;
            workplace->setParent(nullptr);
            delete workplace;
        }
        m_window.workspaces()->removeWorkspace(index);
        emit userAction(QStringLiteral("Workspace"), MainWindow::tr("Workspace %1 deleted").arg(caption));
        emit projectModified();
        return;
    }
    const QString untitled = MainWindow::tr("Untitled %1").arg(index + 1);
    m_window.workspaces()->renameWorkspace(index, untitled);
    // Its TW system went with the workplace's children: a fresh one replaces it.
    m_window.trees()->buildTWSensorTree(untitled, index, m_window.workspaces()->currentWorkplace());
}
