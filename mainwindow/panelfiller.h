#pragma once

#include <QCoreApplication>
#include <QString>
#include <QVariant>

class AlarmsArea;
class GraphicsBox;
class MapEditTools;
class Node;
class Property;
class PropertySet;
class QFont;
class QGraphicsItem;
class VariantProperty;
class WorkspaceArea;

// Makes the rows of one property panel for one element: a site node by its
// type, or a map item by its kind. Every row is known by an untranslated row
// name; edits, button clicks and live updates address rows by these names.
// Device values are read from the node's paired status row (the row the
// control unit writes), falling back to the node itself when it has none.
class PanelFiller
{
    Q_DECLARE_TR_FUNCTIONS(PanelFiller)

public:
    // The two colour row names carry a Cyrillic capital Es (U+0421) before
    // "olor"; stored projects and every handler use exactly these strings.
    static const QString BackgroundColorRow;
    static const QString BorderColorRow;

    // A workspace's rows show the caption of the tab in front of
    // `workspaces` and the alarm settings of `alarms`.
    PanelFiller(const WorkspaceArea* workspaces, const AlarmsArea* alarms, PropertySet* set, MapEditTools* tools);

    // Rows of a node; a TW sector is filled from its map item. Other node
    // kinds add nothing.
    void fillNode(Node* node);
    void fillItem(QGraphicsItem* item);

private:
    VariantProperty* add(const QString& name, int type, const QVariant& value, bool readOnly = false);
    VariantProperty* addSubRow(Property* parent, const QString& name, const QString& label, int type,
                               const QVariant& value);
    Property* addGroup(const QString& label);
    VariantProperty* addEnumRow(const QString& name, const QString& label, const QStringList& names, int value);

    void fillWorkspace();
    void fillSoundAlarmGroup();
    void fillTextAlarmGroup();
    void addDeviceRows(Node* shown, Node* device);
    void fillEnergizer(Node* node);
    void fillIOCard(Node* node);
    void fillSector(Node* node);
    void fillGate(Node* node);
    void fillTWSensor(Node* node);
    void fillTextBox(GraphicsBox* box);
    void fillOtherBox(GraphicsBox* box);

    const WorkspaceArea* m_workspaces;
    const AlarmsArea* m_alarms;
    PropertySet* m_set;
    MapEditTools* m_tools;
};
