#include "projectloader.h"
#include "mainwindowlogging.h"

#include "alarmsarea.h"
#include "colortext.h"
#include "elementtreeproxymodel.h"
#include "graphicsbox.h"
#include "graphicsscene.h"
#include "itemxml.h"
#include "elementtreearea.h"
#include "mainwindow.h"
#include "sitetrees.h"
#include "node.h"
#include "propertyset.h"
#include "qtclient.h"
#include "sitemutex.h"
#include "soundpath.h"
#include "timerunit.h"
#include "treemodel.h"
#include "workplacereader.h"
#include "workspacearea.h"

#include <QDebug>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>

ProjectLoader::ProjectLoader(MainWindow& window)
    : m_window(window)
{
}

void ProjectLoader::dropWorkspaces(MainWindow& window)
{
    WorkspaceArea* area = window.workspaces();
    while (area->count() > 1)
        area->removeWorkspace(area->count() - 1);
    if (GraphicsScene* scene = area->sceneAt(0))
        scene->clearMap();
    // The panels must not keep showing nodes that are about to go.
    for (PropertySet* panel : window.propertySets()) {
        if (!panel)
            continue;
        panel->clear();
        panel->currentNode = nullptr;
    }
}

void ProjectLoader::load(const QDomDocument& document)
{
    const QDomElement root = document.documentElement();
    // The tree view hears of the new site once, not of every node read: a
    // filter proxy's bookkeeping per inserted row grows with the tree.
    ElementTreeProxyModel* proxy = m_window.elementTreeProxy();
    proxy->setSourceModel(nullptr);
    // The map items go first: they point at the nodes the models delete.
    dropWorkspaces(m_window);
    g_energizerModel->clear();
    g_twSensorModel->clear();
    g_elementTreeModel->clear();
    GraphicsScene* first = m_window.workspaces()->sceneAt(0);
    first->createWorkplaceNode(QString());

    readColorStatus(root);
    readSoundAlarms(root);
    if (TimerUnit* timers = m_window.timerUnit())
        timers->readTimers(root);
    const QList<QDomElement> workplaces =
        ItemXml::childElements(root.firstChildElement(QStringLiteral("Workplaces")));
    for (int i = 0; i < workplaces.size(); ++i)
        readWorkplace(workplaces.at(i), i);
    proxy->setSourceModel(g_elementTreeModel);
    for (int i = 0; i < m_window.workspaces()->count(); ++i) {
        if (GraphicsScene* scene = m_window.workspaces()->sceneAt(i))
            m_window.elementTree()->expandElement(scene->workplaceNode());
    }
}

void ProjectLoader::readColorStatus(const QDomElement& root)
{
    static const char* const names[AlarmsArea::StatusColorCount] = {"okStatus", "warningStatus", "criticalStatus",
                                                                      "failureStatus", "tamperStatus"};
    AlarmsArea* alarms = m_window.alarms();
    const QDomElement colors = root.firstChildElement(QStringLiteral("ColorStatus"));
    for (int i = 0; i < AlarmsArea::StatusColorCount; ++i) {
        QColor& color = alarms->statusColors.at(size_t(i));
        const QString name = QLatin1String(names[i]);
        if (!colors.hasAttribute(name))
            continue;
        const QColor read = textToColor(colors.attribute(name));
        if (read.isValid())
            color = read;
        else
            qCWarning(lcMainWindow).noquote() << QStringLiteral("Project: %1 \"%2\" is no colour, kept %3")
                                        .arg(name, colors.attribute(name), colorToText(color));
    }
    alarms->alarmCaption = colors.attribute(QStringLiteral("alarmCaption"));
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
    m_window.alarms()->replaceSoundAlarms(sounds);
    m_window.updateScenesSoundList();
}

void ProjectLoader::readWorkplace(const QDomElement& workplace, int index)
{
    WorkspaceArea* area = m_window.workspaces();
    const QString name = workplace.attribute(QStringLiteral("name"));
    if (index != 0)
        m_window.addWorkspace(name);
    area->tabs()->setTabText(index, name);
    GraphicsScene* scene = area->sceneAt(index);
    scene->setSceneRect(scene->itemsBoundingRect());
    Node* workplaceNode = scene->workplaceNode();
    {
        SiteLocker lock;
        workplaceNode->setData(0, name);
    }
    if (workplaceNode->parent() != m_window.trees()->elementRoot())
        ItemXml::placeNode(workplaceNode, m_window.trees()->elementRoot(), -1);
    g_elementTreeModel->refreshNode(workplaceNode);
    area->setWorkplaceMode(scene, ItemXml::intAttribute(workplace, QStringLiteral("workplaceMode")));

    WorkplaceReader::Hooks hooks;
    hooks.buildDefaultTWTree = [this](const QString& caption, int tab) { m_window.buildTWSensorTree(caption, tab); };
    hooks.buttonMade = [this](GraphicsBox* box) {
        if (box->actionButton())
            QObject::connect(box->actionButton(), &QPushButton::clicked, box, &GraphicsBox::sendActionCommand,
                             Qt::UniqueConnection);
    };
    hooks.gatewayAddress = [this](const QString& address) {
        if (qtClient* client = m_window.fenceClient())
            client->ip = address;
    };
    WorkplaceReader(m_window.trees()->twSensorRoot(), hooks).read(workplace, index, scene);

    scene->setSceneRect(0, 0, 200, 200);
    scene->update();
}

