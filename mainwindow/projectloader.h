#pragma once

#include <QDomElement>
#include <QString>
#include <QStringList>

class AlarmsArea;
class ElementTreeArea;
class PropertyPanel;
class QWidget;
class SiteTrees;
class TimerUnit;
class WorkplaceReader;
class WorkspaceArea;

// Rebuilds the running site from a parsed project document: the tabs, the
// three site trees, the colours, sound alarms and timers, the map items and
// the addresses of the controller links. The caller has parsed the whole
// file before; nothing here fails half-way, a part that cannot be used is
// skipped with a diagnostic line.
class ProjectLoader
{
public:
    // An open that takes longer than this shows its progress.
    static constexpr int ProgressDelayMs = 500;

    // `timers` may be null (the relay timers are not read); the progress
    // shows over `dialogParent`.
    ProjectLoader(WorkspaceArea* workspaces, SiteTrees* trees, AlarmsArea* alarms, ElementTreeArea* elementTree,
                  PropertyPanel* panel, TimerUnit* timers, QWidget* dialogParent);

    // Tests shorten the delay; a negative value restores it.
    static void setProgressDelay(int ms);

    // Tears the loaded project down and reads `document` in its place.
    void load(const QDomDocument& document);
    // The address the gateway link dials: the one the file names, or the
    // last gateway box read whose address is a dotted quad; empty for none.
    // Other addresses stay on their boxes but no link is made to them.
    QString gatewayAddress() const { return m_gatewayAddress; }
    // The last gateway address read that is no dotted quad; empty when none.
    QString refusedGatewayAddress() const { return m_refusedGatewayAddress; }
    // The same for the TW link: the address the file names, or the last
    // enabled TW system's that is a dotted quad; and the last enabled
    // system's that is not.
    QString twAddress() const { return m_twAddress; }
    QString refusedTWAddress() const { return m_refusedTWAddress; }

    // Removes every tab but the first, deleting their scenes and views, and
    // empties the first scene; the map items go before the nodes they point at.
    // The panels forget the nodes that go.
    static void dropWorkspaces(WorkspaceArea* workspaces, PropertyPanel* panel);

private:
    void readColorStatus(const QDomElement& root);
    void readSoundAlarms(const QDomElement& root);
    void readWorkplace(WorkplaceReader& reader, const QDomElement& workplace, int index);
    static QString chosenLink(const QDomElement& root, const QString& attribute, const QStringList& addresses,
                              const QString& link, const QString& what);
    void chooseGatewayLink(const QDomElement& root);
    void chooseTWLink(const QDomElement& root);

    WorkspaceArea* m_workspaces;
    SiteTrees* m_trees;
    AlarmsArea* m_alarms;
    ElementTreeArea* m_elementTree;
    PropertyPanel* m_panel;
    TimerUnit* m_timers;
    QWidget* m_dialogParent;
    // The dotted-quad addresses of the gateway boxes read, in file order.
    QStringList m_gatewayAddresses;
    QString m_gatewayAddress;
    QString m_refusedGatewayAddress;
    QString m_twAddress;
    QString m_refusedTWAddress;
};
