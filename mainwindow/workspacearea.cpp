#include "workspacearea.h"

#include "graphicsbox.h"
#include "graphicsscene.h"
#include "node.h"
#include "sitemutex.h"
#include "textbounds.h"
#include "treemodel.h"

#include <QGraphicsView>
#include <QTabBar>
#include <QTabWidget>
#include <QUndoGroup>
#include <QUndoStack>

WorkspaceArea::WorkspaceArea(QTabWidget* tabs, QWidget* window, MapHost* host, TreeModel* elementModel,
                             TreeModel* energizerModel)
    : m_tabs(tabs)
    , m_window(window)
    , m_host(host)
    , m_elementModel(elementModel)
    , m_energizerModel(energizerModel)
    , m_undoGroup(std::make_unique<QUndoGroup>())
{
}

WorkspaceArea::~WorkspaceArea() = default;

GraphicsScene* WorkspaceArea::createScene(const QString& caption)
{
    return new GraphicsScene(caption, m_host, m_elementModel, m_energizerModel, m_window);
}

GraphicsScene* WorkspaceArea::addWorkspace(QString caption)
{
    if (caption.isEmpty())
        caption = tr("Untitled %1").arg(count() + 1);
    // The scene joins the undo group itself.
    GraphicsScene* scene = createScene(caption);
    connect(scene, &QObject::destroyed, this, [this, scene] {
        m_modes.remove(scene);
        m_pictureFiles.remove(scene);
    });
    connect(scene, &GraphicsScene::itemMoved, this, &WorkspaceArea::projectModified);
    auto* view = new QGraphicsView(m_window);
    view->setDragMode(QGraphicsView::NoDrag);
    view->setViewportUpdateMode(QGraphicsView::BoundingRectViewportUpdate);
    view->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    view->setRenderHint(QPainter::Antialiasing);
    view->setScene(scene);
    const int index = m_tabs->addTab(view, shownName(caption));
    m_tabs->tabBar()->setTabData(index, caption);
    m_tabs->setCurrentIndex(index);
    if (m_elementModel)
        m_elementModel->refreshNode(m_elementModel->rootNode());
    scene->setSoundAlarmList(m_soundAlarms);
    // A map added in design mode takes its items in design mode too.
    scene->setDesignMode(m_designMode);
    return scene;
}

void WorkspaceArea::removeWorkspace(int index)
{
    QGraphicsView* view = viewAt(index);
    GraphicsScene* scene = sceneAt(index);
    m_tabs->removeTab(index);
    if (scene)
        scene->clearMap();
    delete scene;
    delete view;
}

void WorkspaceArea::renameWorkspace(int index, const QString& caption)
{
    GraphicsScene* scene = sceneAt(index);
    if (!scene)
        return;
    m_tabs->setTabText(index, shownName(caption));
    m_tabs->tabBar()->setTabData(index, caption);
    if (Node* workplace = scene->workplaceNode()) {
        {
            SiteLocker lock;
            workplace->setData(0, caption);
        }
        if (m_elementModel)
            m_elementModel->refreshNode(workplace);
    }
    for (GraphicsBox* box : scene->gatewayBoxes()) {
        box->setWorkspaceName(caption);
        if (m_energizerModel && box->energizerNode() && m_energizerModel->contains(box->energizerNode()))
            m_energizerModel->refreshNode(box->energizerNode());
    }
    emit workspaceRenamed(index, caption);
}

QString WorkspaceArea::caption(int index) const
{
    // The first tab is announced as it is added, before it holds its
    // caption: until then its text (the caption, cut only when long) stands for it.
    const QVariant caption = m_tabs->tabBar()->tabData(index);
    return caption.isValid() ? caption.toString() : m_tabs->tabText(index);
}

int WorkspaceArea::count() const
{
    return m_tabs->count();
}

QGraphicsView* WorkspaceArea::viewAt(int index) const
{
    return qobject_cast<QGraphicsView*>(m_tabs->widget(index));
}

GraphicsScene* WorkspaceArea::sceneAt(int index) const
{
    QGraphicsView* view = viewAt(index);
    return view ? qobject_cast<GraphicsScene*>(view->scene()) : nullptr;
}

GraphicsScene* WorkspaceArea::currentScene() const
{
    return sceneAt(m_tabs->currentIndex());
}

Node* WorkspaceArea::currentWorkplace() const
{
    GraphicsScene* scene = currentScene();
    return scene ? scene->workplaceNode() : nullptr;
}

QGraphicsView* WorkspaceArea::currentView() const
{
    return viewAt(m_tabs->currentIndex());
}

QList<GraphicsScene*> WorkspaceArea::scenes() const
{
    QList<GraphicsScene*> result;
    for (int i = 0; i < count(); ++i) {
        if (GraphicsScene* scene = sceneAt(i))
            result.append(scene);
    }
    return result;
}

void WorkspaceArea::followCurrentTab()
{
    GraphicsScene* scene = currentScene();
    m_undoGroup->setActiveStack(scene ? scene->undoStack() : nullptr);
}

void WorkspaceArea::setDesignMode(bool mode)
{
    m_designMode = mode;
    for (GraphicsScene* scene : scenes())
        scene->setDesignMode(mode);
}

void WorkspaceArea::setSoundAlarmList(QList<Node*>* list)
{
    m_soundAlarms = list;
    for (GraphicsScene* scene : scenes())
        scene->setSoundAlarmList(list);
}

namespace {

// Where a map's picture stands: its top left corner just off the map's.
const QPointF PicturePos(-23, -23);

GraphicsBox* pictureBoxOf(GraphicsScene* scene)
{
    for (QGraphicsItem* item : scene->items(Qt::DescendingOrder)) {
        if (item->type() == GraphicsBox::Type && static_cast<GraphicsBox*>(item)->kind() == GraphicsBox::ImageBox)
            return static_cast<GraphicsBox*>(item);
    }
    return nullptr;
}

} // namespace

void WorkspaceArea::setPicture(GraphicsScene* scene, const QPixmap& picture, const QString& file)
{
    GraphicsBox* box = pictureBoxOf(scene);
    if (!box) {
        box = new GraphicsBox(GraphicsBox::ImageBox);
        scene->insertItem(box);
    }
    box->setPicture(picture);
    box->show();
    box->setElementPos(PicturePos);
    box->setZValue(GraphicsBox::PictureZValue);
    box->setWidth(picture.width());
    box->setHeight(picture.height());
    m_pictureFiles.insert(scene, {box, file});
}

QString WorkspaceArea::pictureText(GraphicsScene* scene) const
{
    GraphicsBox* box = scene ? pictureBoxOf(scene) : nullptr;
    if (!box || box->picture().isNull())
        return QString();
    const PictureFile given = m_pictureFiles.value(scene);
    if (given.box == box)
        return given.file;
    return tr("Picture of %1 × %2 pixels").arg(box->picture().width()).arg(box->picture().height());
}
