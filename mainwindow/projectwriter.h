#pragma once

#include <QDomDocument>
#include <QString>

class AlarmsArea;
class QDomElement;
class SiteTrees;
class TimerUnit;
class WorkspaceArea;

// Builds the project document from the running site: the status colours
// and alarm caption, the sound alarms, the relay timers, then one
// "Workplace" per tab with its TW systems first and its map items after,
// topmost first. Only reads what it is given; `timers` may be null (no
// relay timers written). `links` are the addresses the gateway link and the
// TW link dial, empty for none.
class ProjectWriter
{
public:
    struct Links
    {
        QString gateway;
        QString tw;
    };

    ProjectWriter(const WorkspaceArea* workspaces, const SiteTrees* trees, const AlarmsArea* alarms,
                  TimerUnit* timers, const Links& links);

    QDomDocument build() const;

private:
    void writeColorStatus(QDomDocument& document, QDomElement& project) const;
    void writeSoundAlarms(QDomDocument& document, QDomElement& project) const;
    void writeWorkplace(QDomDocument& document, QDomElement& workplaces, int index) const;
    void writeTWSystems(QDomDocument& document, QDomElement& workplace, int index) const;

    const WorkspaceArea* m_workspaces;
    const SiteTrees* m_trees;
    const AlarmsArea* m_alarms;
    TimerUnit* m_timers;
    Links m_links;
};
