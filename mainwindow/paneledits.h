#pragma once

#include "commandsend.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

class AlarmsArea;
class DeviceUnits;
class ElementTreeArea;
class GraphicsBox;
class GraphicsHelperClass;
class MapEditTools;
class Node;
class Property;
class PropertyPanel;
class PropertySet;
class SiteTrees;
class QGraphicsItem;
class QWidget;
class WorkspaceArea;

// The window's side of the property panels: a changed row renames an
// element, moves a controller link, restyles the element the panel shows and
// the selected map items or sets the alarm look; a button row sends a
// command or opens a chooser; a check box switches a zone, the low voltage
// or a relay, always of the element the panel shows, whatever the element
// tree's current row is. Rows are recognised by the names the panel fill
// gave them. Commands leave through commandRequested(), which the window
// connects to its command router.
class PanelEdits : public QObject
{
    Q_OBJECT
public:
    // The panel's address rows: their editors hand the text over only once
    // it is complete (VariantFactory::setCommitOnFinishRows).
    static const QStringList AddressRows;
    // The rows naming a map element, handed over complete too: a name is
    // taken or refused whole, never letter by letter.
    static const QStringList NameRows;

    // The global-command page: true with the chosen mode (0 Off/Low, 1
    // Off/Hi, 2 On/Low, 3 On/Hi) when accepted.
    using GlobalCommandChooser = std::function<bool(QWidget* parent, int* mode)>;
    // The button-action page: true with the chosen target, command and the
    // command's name when accepted.
    struct ButtonAction
    {
        Node* target = nullptr;
        int command = 0;
        QString name;
    };
    using ButtonActionChooser = std::function<bool(QWidget* parent, ButtonAction* action)>;

    // `dialogParent` parents the warnings and choosers; `trees` hold the
    // models a rename shows in; `units` hold the links an address row
    // moves, asked at the time of the edit.
    PanelEdits(QWidget* dialogParent, PropertyPanel* panel, MapEditTools* tools, const SiteTrees* trees,
               WorkspaceArea* workspaces, AlarmsArea* alarms, ElementTreeArea* elementTree, DeviceUnits* units);
    ~PanelEdits() override;

    void propertyChanged(PropertySet* set, Property* property, const QVariant& value);
    // The operator finished a row with the text it already held: an address
    // typed again may still move its link; anything else is no edit.
    void textEnteredAgain(PropertySet* set, Property* property, const QString& text);
    void customBtnClick(PropertySet* set, Property* property);
    void chkClick(PropertySet* set, Property* property, bool checked);
    void textChanged(QGraphicsItem* item);

    // Replaceable pages; without one the row reports that the page is not
    // available and counts as cancelled.
    void setGlobalCommandChooser(GlobalCommandChooser chooser) { m_globalCommand = std::move(chooser); }
    void setButtonActionChooser(ButtonActionChooser chooser) { m_buttonAction = std::move(chooser); }

signals:
    void commandRequested(Node* node, const QVariant& value, CommandSend command);
    // A gateway box given an address has no rows in the energizer states.
    void gatewayRowsWanted();
    void projectModified();
    void userAction(QString subject, QString message);

private:
    // False when the run must stop there.
    bool applyElementRow(PropertySet* set, const QString& row, Node* node, const QVariant& value);
    bool applySoundRow(const QString& row, const QVariant& value);
    void applyBackgroundPicture(const QString& path);
    void applyWorkspaceCaption(Node* workplace, const QString& caption);
    // False when the address was refused or changes nothing.
    bool applyGatewayAddress(PropertySet* set, Node* node, const QString& address);
    bool applyTWAddress(PropertySet* set, Node* node, const QString& address);
    bool acceptAddress(PropertySet* set, const QString& row, const QString& address, const QString& current);
    QList<QGraphicsItem*> editedItems(Node* shown) const;
    // False when a rename was refused.
    bool applyItemRow(PropertySet* set, const QString& row, QGraphicsItem* item, const QVariant& value);
    void applyBoxRow(const QString& row, GraphicsBox* box, const QVariant& value);
    bool rename(PropertySet* set, const QString& row, GraphicsHelperClass* element, const QString& name);
    // A refused row back at `value`, unseen by the edit handling.
    void setRowBack(PropertySet* set, const QString& row, const QString& value);
    void chooseButtonAction(PropertySet* set, Property* property);
    void chooseFile(Property* property, const QString& filter);
    static Node* shownElement(const PropertySet* set);

    QWidget* m_dialogParent;
    PropertyPanel* m_panel;
    MapEditTools* m_tools;
    const SiteTrees* m_trees;
    WorkspaceArea* m_workspaces;
    AlarmsArea* m_alarms;
    ElementTreeArea* m_elementTree;
    DeviceUnits* m_units;
    GlobalCommandChooser m_globalCommand;
    ButtonActionChooser m_buttonAction;
};
