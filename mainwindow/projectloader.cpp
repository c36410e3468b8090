#include "projectloader.h"
#include "mainwindowlogging.h"

#include "alarmsarea.h"
#include "colortext.h"
#include "dottedquad.h"
#include "elementtreeproxymodel.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "loggedtext.h"
#include "elementtreearea.h"
#include "mainwindow.h"
#include "sitetrees.h"
#include "node.h"
#include "projectdocument.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "sitemutex.h"
#include "soundpath.h"
#include "timerunit.h"
#include "treemodel.h"
#include "workplacereader.h"
#include "workspacearea.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QSignalBlocker>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>

namespace {

// The least time between two steps of the progress.
constexpr int ProgressStepMs = 20;

int& progressDelay()
{
    static int delay = ProjectLoader::ProgressDelayMs;
    return delay;
}

// The number of items the file lists, which the progress counts up to.
int itemCount(const QList<QDomElement>& workplaces)
{
    int count = 0;
    for (const QDomElement& workplace : workplaces) {
        for (QDomElement item = workplace.firstChildElement(QStringLiteral("Item")); !item.isNull();
             item = item.nextSiblingElement(QStringLiteral("Item")))
            ++count;
    }
    return count;
}

WorkplaceReader::Hooks readerHooks(SiteTrees* trees, const WorkspaceArea* workspaces, QStringList& gatewayAddresses,
                                   QString& refusedAddress)
{
    WorkplaceReader::Hooks hooks;
    hooks.buildDefaultTWTree = [trees, workspaces](const QString& caption, int tab) {
        trees->buildTWSensorTree(caption, tab, workspaces->currentWorkplace());
    };
    hooks.buttonMade = [](GraphicsBox* box) {
        if (box->actionButton())
            QObject::connect(box->actionButton(), &QPushButton::clicked, box, &GraphicsBox::sendActionCommand,
                             Qt::UniqueConnection);
    };
    // The socket layer reads "010.0.0.1" as 8.0.0.1: such a box would show
    // one host while the link and its commands went to another.
    hooks.gatewayRead = [&gatewayAddresses, &refusedAddress](const GraphicsBox* box) {
        if (isDottedQuad(box->ip())) {
            gatewayAddresses.append(box->ip());
            return;
        }
        refusedAddress = box->ip();
        qCWarning(lcMainWindow).noquote()
            << QStringLiteral("Project: gateway box %1 has the address \"%2\", which is no IPv4 address; "
                              "no link is made to it")
                   .arg(loggedText(box->objectName()), loggedText(box->ip()));
    };
    return hooks;
}

} // namespace

ProjectLoader::ProjectLoader(WorkspaceArea* workspaces, SiteTrees* trees, AlarmsArea* alarms,
                             ElementTreeArea* elementTree, PropertyPanel* panel, TimerUnit* timers,
                             QWidget* dialogParent)
    : m_workspaces(workspaces)
    , m_trees(trees)
    , m_alarms(alarms)
    , m_elementTree(elementTree)
    , m_panel(panel)
    , m_timers(timers)
    , m_dialogParent(dialogParent)
{
}

void ProjectLoader::setProgressDelay(int ms)
{
    progressDelay() = ms < 0 ? ProgressDelayMs : ms;
}

void ProjectLoader::dropWorkspaces(WorkspaceArea* workspaces, PropertyPanel* panel)
{
    while (workspaces->count() > 1)
        workspaces->removeWorkspace(workspaces->count() - 1);
    if (GraphicsScene* scene = workspaces->sceneAt(0))
        scene->clearMap();
    // The panels must not keep showing nodes that are about to go.
    panel->forgetNodes();
}

void ProjectLoader::load(const QDomDocument& document)
{
    const QDomElement root = document.documentElement();
    // The tree view hears of the new site once, not of every node read: a
    // filter proxy's bookkeeping per inserted row grows with the tree.
    ElementTreeProxyModel* proxy = m_elementTree->proxy();
    proxy->setSourceModel(nullptr);
    // Nor does the window follow each tab brought to the front as the
    // workspaces go and come: it takes the one in front once the project
    // shows (ProjectFiles::projectShown).
    const QSignalBlocker quietTabs(m_workspaces->tabs());
    // The map items go first: they point at the nodes the models delete.
    dropWorkspaces(m_workspaces, m_panel);
    g_energizerModel->clear();
    g_twSensorModel->clear();
    g_elementTreeModel->clear();
    GraphicsScene* first = m_workspaces->sceneAt(0);
    first->createWorkplaceNode(QString());

    readColorStatus(root);
    readSoundAlarms(root);
    if (m_timers)
        m_timers->readTimers(root);
    const QList<QDomElement> workplaces =
        ItemXml::childElements(root.firstChildElement(QStringLiteral("Workplaces")));
    // Window-modal and without a cancel button: the events it lets through
    // while it repaints reach neither the half-built window nor the load.
    QProgressDialog progress(MainWindow::tr("Opening the project..."), QString(), 0, itemCount(workplaces),
                             m_dialogParent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(progressDelay());
    progress.setValue(0);
    m_gatewayAddresses.clear();
    m_refusedGatewayAddress.clear();
    WorkplaceReader::Hooks hooks = readerHooks(m_trees, m_workspaces, m_gatewayAddresses, m_refusedGatewayAddress);
    int itemsRead = 0;
    int shownSteps = 0;
    QElapsedTimer sinceStep;
    sinceStep.start();
    hooks.itemRead = [&progress, &itemsRead, &shownSteps, &sinceStep] {
        // A hundred steps are enough to watch. Once the dialog shows, each
        // step repaints and, the dialog being modal, handles the pending
        // events: the first at once, then one every few milliseconds.
        const int total = qMax(1, progress.maximum());
        if (++itemsRead * 100 / total == progress.value() * 100 / total)
            return;
        if (progress.isVisible() && shownSteps++ > 0 && sinceStep.elapsed() < ProgressStepMs)
            return;
        progress.setValue(qMin(itemsRead, progress.maximum()));
        sinceStep.restart();
    };
    WorkplaceReader reader(m_trees->twSensorRoot(), hooks);
    for (int i = 0; i < workplaces.size(); ++i)
        readWorkplace(reader, workplaces.at(i), i);
    reader.bindReferences(m_workspaces->scenes());
    chooseGatewayLink(root);
    chooseTWLink(root);
    progress.setValue(progress.maximum());
    proxy->setSourceModel(g_elementTreeModel);
    for (int i = 0; i < m_workspaces->count(); ++i) {
        if (GraphicsScene* scene = m_workspaces->sceneAt(i))
            m_elementTree->expandElement(scene->workplaceNode());
    }
}

// The address a link dials: the one the file names in `attribute` when one
// of `addresses` (those read, in file order) has it or it is empty, else
// the last of `addresses`. An older file names none; a file naming one that
// is not there is logged.
QString ProjectLoader::chosenLink(const QDomElement& root, const QString& attribute, const QStringList& addresses,
                                  const QString& link, const QString& what)
{
    const QString last = addresses.isEmpty() ? QString() : addresses.last();
    if (!root.hasAttribute(attribute))
        return last;
    const QString named = root.attribute(attribute);
    if (named.isEmpty() || addresses.contains(named))
        return named;
    qCWarning(lcMainWindow).noquote()
        << QStringLiteral("Project: the file names the %1 at %2, where no %3 stands; the link dials %4")
               .arg(link, loggedText(named), what, last.isEmpty() ? QStringLiteral("nothing") : last);
    return last;
}

// A box placed and never given its address (a cancelled wizard) may come
// last in the file: the link goes where the file says it went when saved.
void ProjectLoader::chooseGatewayLink(const QDomElement& root)
{
    m_gatewayAddress = chosenLink(root, ProjectDocument::GatewayLinkAttribute, m_gatewayAddresses,
                                  QStringLiteral("gateway link"), QStringLiteral("gateway box"));
}

// Only an enabled TW system is dialled, and only at a dotted quad.
void ProjectLoader::chooseTWLink(const QDomElement& root)
{
    QStringList addresses;
    m_refusedTWAddress.clear();
    {
        SiteLocker lock;
        for (const Node* system : qAsConst(m_trees->twSensorRoot()->children)) {
            if (!system->enabled)
                continue;
            const QString ip = system->data(0).toString();
            if (isDottedQuad(ip)) {
                addresses.append(ip);
                continue;
            }
            m_refusedTWAddress = ip;
            qCWarning(lcMainWindow).noquote()
                << QStringLiteral("Project: the TW system of workspace \"%1\" has the address \"%2\", which is no "
                                  "IPv4 address; no link is made to it")
                       .arg(loggedText(system->data(2).toString()), loggedText(ip));
        }
    }
    m_twAddress = chosenLink(root, ProjectDocument::TWLinkAttribute, addresses, QStringLiteral("TW link"),
                             QStringLiteral("enabled TW system"));
}

void ProjectLoader::readColorStatus(const QDomElement& root)
{
    static const char* const names[AlarmsArea::StatusColorCount] = {"okStatus", "warningStatus", "criticalStatus",
                                                                      "failureStatus", "tamperStatus"};
    const QDomElement colors = root.firstChildElement(QStringLiteral("ColorStatus"));
    for (int i = 0; i < AlarmsArea::StatusColorCount; ++i) {
        const QColor color = m_alarms->statusColors().at(size_t(i));
        const QString name = QLatin1String(names[i]);
        if (!colors.hasAttribute(name))
            continue;
        const QColor read = textToColor(colors.attribute(name));
        if (read.isValid())
            m_alarms->setStatusColor(AlarmsArea::StatusColor(i), read);
        else
            qCWarning(lcMainWindow).noquote() << QStringLiteral("Project: %1 \"%2\" is no colour, kept %3")
                                        .arg(name, loggedText(colors.attribute(name)), colorToText(color));
    }
    m_alarms->setProjectCaption(colors.attribute(QStringLiteral("alarmCaption")));
}

void ProjectLoader::readSoundAlarms(const QDomElement& root)
{
    QList<Node*> sounds;
    for (const QDomElement& element : ItemXml::childElements(root)) {
        if (element.tagName() != QLatin1String("SoundAlarm"))
            continue;
        SoundPath paths;
        paths.criticalSound = element.attribute(QStringLiteral("criticalSound"));
        paths.warningSound = element.attribute(QStringLiteral("warningSound"));
        paths.okSound = element.attribute(QStringLiteral("okSound"));
        const QString name = element.attribute(QStringLiteral("name"));
        auto* node = new Node(name);
        node->type = Node::SoundAlarm;
        node->columns = {name, QVariant::fromValue(paths), element.attribute(QStringLiteral("guid"))};
        sounds.append(node);
    }
    m_alarms->replaceSoundAlarms(sounds);
}

void ProjectLoader::readWorkplace(WorkplaceReader& reader, const QDomElement& workplace, int index)
{
    WorkspaceArea* area = m_workspaces;
    const QString name = workplace.attribute(QStringLiteral("name"));
    if (index != 0)
        area->addWorkspace(name);
    GraphicsScene* scene = area->sceneAt(index);
    scene->setSceneRect(scene->itemsBoundingRect());
    Node* workplaceNode = scene->workplaceNode();
    if (workplaceNode->parent() != m_trees->elementRoot())
        ItemXml::placeNode(workplaceNode, m_trees->elementRoot(), -1);
    area->renameWorkspace(index, name);
    area->setWorkplaceMode(scene, ItemXml::intAttribute(workplace, QStringLiteral("workplaceMode")));

    reader.readItems(workplace, index, scene);

    scene->setSceneRect(0, 0, GraphicsScene::LeastSceneSize, GraphicsScene::LeastSceneSize);
    scene->holdItems();
    scene->update();
}

