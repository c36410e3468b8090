#pragma once

#include "propertypanelhost.h"

#include <QHash>
#include <QList>
#include <QPointer>

#include <memory>

class AlarmsArea;
class DeviceUnits;
class ElementTreeArea;
class MapEditTools;
class Node;
class PanelEdits;
class PropertySet;
class QAction;
class QGraphicsItem;
class QItemSelection;
class QWidget;
class SiteTrees;
class VariantFactory;
class VariantManager;
class WorkspaceArea;

// The docked property panel and the list of every open panel: element 0 is
// the docked one, popup pages append theirs and leave the list when they are
// destroyed. Fills a panel for the selected element, locks its rows by
// design mode and the user's rights, and hands edits, button presses and
// check-box clicks to PanelEdits. The docked panel's manager has no Qt
// parent and is owned here.
class PropertyPanel : public PropertyPanelHost
{
public:
    // Rows that send commands: open to a user with the right to send
    // commands, in and out of design mode, and locked to anyone else.
    static const QStringList CommandRows;
    // Rows that stay open whatever the mode and the right.
    static const QStringList EnableRows;

    // The docked panel goes into `container`; `dialogParent` parents the
    // popups and the docked panel's record. `tools` show the text format of
    // the item a panel is filled for; the element tree's selection and the
    // scene in front of `workspaces` say what the docked panel shows.
    PropertyPanel(QWidget* dialogParent, QWidget* container, MapEditTools* tools, const SiteTrees* trees,
                  WorkspaceArea* workspaces, AlarmsArea* alarms, ElementTreeArea* elementTree, DeviceUnits* units);
    ~PropertyPanel() override;

    // ---- filling
    void fillPropertyBrowser(PropertySet* set, QGraphicsItem* item, Node* node) override;
    // Locks the rows of every panel as design mode and the user's rights say;
    // later fills follow the mode given last.
    void setDesignMode(bool designMode);
    void setReadOnly(bool designMode);
    // The user's rights changed: the open panels' rows follow them.
    void followUserRights() { setReadOnly(m_designMode); }
    void selectionTreeChanged(const QItemSelection& current);
    // The element of `node` chosen, from its row or on the map: the map
    // selects it (alone, unless Control is held) and the docked panel shows it.
    void showElement(Node* node);
    // The select tool fills the docked panel with the first selected item.
    void toolChosen(int mode);
    void alignmentChosen(QAction* action);
    void showPopupParams(QGraphicsItem* item);

    // `item` changed behind the panels: those showing its element fill again.
    void refillFor(QGraphicsItem* item);
    // What the panels show may have changed behind them (settings read, a
    // set-up dialog's edits): each fills again for the element it shows.
    void refillAll();
    // The editor being typed in, in any panel, hands over its text as if it
    // lost the focus: what the panels show is then what the project holds.
    void finishEdits();

    // ---- live data
    // The panels that show `node` now.
    QList<PropertySet*> setsShowing(const Node* node) const;
    // Empties the panels showing a node that is about to go: every panel,
    // or those showing `node` or a node under it.
    void forgetNodes();
    void forgetNodesUnder(const Node* node);

    // ---- popups
    void addPopupSet(PropertySet* set) override;
    void propertyChanged(PropertySet* set, Property* property, const QVariant& value) override;

    PanelEdits* edits() const { return m_edits.get(); }
    PropertySet* dockedSet() const { return propertySets.value(0); }
    // The popups' panels, in the order they opened.
    QList<PropertySet*> popupSets() const { return propertySets.mid(1); }

    QList<PropertySet*> propertySets;

private:
    void installFactory(PropertySet* set);

    QWidget* m_dialogParent;
    MapEditTools* m_tools;
    WorkspaceArea* m_workspaces;
    AlarmsArea* m_alarms;
    ElementTreeArea* m_elementTree;
    const SiteTrees* m_trees;
    bool m_designMode = false;
    std::unique_ptr<VariantManager> m_manager;
    std::unique_ptr<PanelEdits> m_edits;
    QHash<PropertySet*, QPointer<VariantFactory>> m_factories;
};
