#include "projectwriter.h"

#include "alarmsarea.h"
#include "colortext.h"
#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "sitetrees.h"
#include "workplacewriter.h"
#include "node.h"
#include "projectdocument.h"
#include "sitemutex.h"
#include "soundpath.h"
#include "timerunit.h"
#include "workspacearea.h"

#include <QTabWidget>

namespace {
QString flagText(bool value)
{
    return value ? QStringLiteral("1") : QStringLiteral("0");
}
} // namespace

ProjectWriter::ProjectWriter(const WorkspaceArea* workspaces, const SiteTrees* trees, const AlarmsArea* alarms,
                             TimerUnit* timers, const Links& links)
    : m_workspaces(workspaces)
    , m_trees(trees)
    , m_alarms(alarms)
    , m_timers(timers)
    , m_links(links)
{
}

QDomDocument ProjectWriter::build() const
{
    // A fresh document each time: no document type, and the declaration
    // takes its encoding from the stream that writes it.
    QDomDocument document;
    document.appendChild(
        document.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"UTF-8\"")));
    QDomElement project = document.createElement(QStringLiteral("Project"));
    project.setAttribute(QStringLiteral("Company"), ProjectDocument::CompanyText);
    project.setAttribute(ProjectDocument::GatewayLinkAttribute, m_links.gateway);
    project.setAttribute(ProjectDocument::TWLinkAttribute, m_links.tw);
    document.appendChild(project);
    writeColorStatus(document, project);
    writeSoundAlarms(document, project);
    if (m_timers)
        m_timers->writeTimers(document);
    QDomElement workplaces = document.createElement(QStringLiteral("Workplaces"));
    project.appendChild(workplaces);
    for (int i = 0; i < m_workspaces->count(); ++i)
        writeWorkplace(document, workplaces, i);
    return document;
}

void ProjectWriter::writeColorStatus(QDomDocument& document, QDomElement& project) const
{
    static const char* const names[AlarmsArea::StatusColorCount] = {"okStatus", "warningStatus", "criticalStatus",
                                                                      "failureStatus", "tamperStatus"};
    const AlarmsArea* alarms = m_alarms;
    QDomElement colors = document.createElement(QStringLiteral("ColorStatus"));
    for (int i = 0; i < AlarmsArea::StatusColorCount; ++i)
        colors.setAttribute(QLatin1String(names[i]), colorToText(alarms->statusColors().at(size_t(i))));
    colors.setAttribute(QStringLiteral("alarmCaption"), alarms->alarmCaption());
    project.appendChild(colors);
}

void ProjectWriter::writeSoundAlarms(QDomDocument& document, QDomElement& project) const
{
    SiteLocker lock;
    for (const Node* node : m_alarms->soundAlarmNodes()) {
        const SoundPath sounds = node->data(1).value<SoundPath>();
        QDomElement element = document.createElement(QStringLiteral("SoundAlarm"));
        element.setAttribute(QStringLiteral("name"), node->data(0).toString());
        element.setAttribute(QStringLiteral("okSound"), sounds.okSound);
        element.setAttribute(QStringLiteral("warningSound"), sounds.warningSound);
        element.setAttribute(QStringLiteral("criticalSound"), sounds.criticalSound);
        element.setAttribute(QStringLiteral("guid"), node->data(2).toString());
        project.appendChild(element);
    }
}

void ProjectWriter::writeWorkplace(QDomDocument& document, QDomElement& workplaces, int index) const
{
    const WorkspaceArea* area = m_workspaces;
    GraphicsScene* scene = area->sceneAt(index);
    QDomElement workplace = document.createElement(QStringLiteral("Workplace"));
    workplace.setAttribute(QStringLiteral("name"), area->caption(index));
    workplace.setAttribute(QStringLiteral("workplaceMode"), scene ? area->workplaceMode(scene) : 0);
    workplaces.appendChild(workplace);
    writeTWSystems(document, workplace, index);
    if (!scene)
        return;
    WorkplaceWriter::writeItems(document, workplace, scene);
}

void ProjectWriter::writeTWSystems(QDomDocument& document, QDomElement& workplace, int index) const
{
    SiteLocker lock;
    for (const Node* system : m_trees->twSensorRoot()->children) {
        if (system->data(3).toInt() != index)
            continue;
        QDomElement element = document.createElement(QStringLiteral("TWSensors"));
        element.setAttribute(QStringLiteral("IP"), system->data(0).toString());
        element.setAttribute(QStringLiteral("enabled"), flagText(system->enabled));
        for (const Node* sensor : system->children) {
            QDomElement child = document.createElement(QStringLiteral("Sensor"));
            child.setAttribute(QStringLiteral("name"), sensor->data(0).toString());
            child.setAttribute(QStringLiteral("enabled"), flagText(sensor->enabled));
            element.appendChild(child);
        }
        workplace.appendChild(element);
    }
}
