#include "panelfiller.h"

#include "alarmsarea.h"
#include "devicerows.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicstextitem.h"
#include "mapedittools.h"
#include "workspacearea.h"
#include "node.h"
#include "property.h"
#include "propertyset.h"
#include "sitemutex.h"
#include "soundpath.h"
#include "treepropertybrowser.h"
#include "variantmanager.h"
#include "variantproperty.h"

#include <QComboBox>
#include <QFontComboBox>
#include <QGraphicsItem>
#include <QPushButton>

const QString PanelFiller::BackgroundColorRow = QStringLiteral("Background\u0421olor");
const QString PanelFiller::BorderColorRow = QStringLiteral("Border\u0421olor");

namespace {
constexpr int AlignLeft = Qt::AlignLeft;
constexpr int AlignCentred = Qt::AlignHCenter | Qt::AlignVCenter;
constexpr int AlignRight = Qt::AlignRight;
const QString EnumNames = QStringLiteral("enumNames");

// The node whose record the control unit writes: the paired status row of an
// element node, or the node itself when it has none.
Node* deviceOf(Node* node)
{
    return node && node->deviceNode ? node->deviceNode : node;
}

QString text(const QVariant& value)
{
    return value.isValid() ? value.toString() : QString();
}

SoundPath soundPathOf(const Node* sound)
{
    return sound->data(1).value<SoundPath>();
}

} // namespace

PanelFiller::PanelFiller(const WorkspaceArea* workspaces, const AlarmsArea* alarms, PropertySet* set,
                         MapEditTools* tools)
    : m_workspaces(workspaces)
    , m_alarms(alarms)
    , m_set(set)
    , m_tools(tools)
{
}

VariantProperty* PanelFiller::add(const QString& name, int type, const QVariant& value, bool readOnly)
{
    return m_set->addProperty(name, type, value, readOnly);
}

// A sub-row is given its value before its name is recorded, so the edit
// handling ignores the first value, as it does for rows the record makes.
VariantProperty* PanelFiller::addSubRow(Property* parent, const QString& name, const QString& label, int type,
                                        const QVariant& value)
{
    VariantProperty* row = m_set->manager->addProperty(type, label);
    if (!row)
        return nullptr;
    row->setValue(value);
    parent->addSubProperty(row);
    m_set->propertyNames.insert(row, name);
    return row;
}

Property* PanelFiller::addGroup(const QString& label)
{
    return m_set->manager->addProperty(VariantPropertyManager::groupTypeId(), label);
}

VariantProperty* PanelFiller::addEnumRow(const QString& name, const QString& label, const QStringList& names,
                                         int value)
{
    VariantProperty* row = m_set->manager->addProperty(VariantPropertyManager::enumTypeId(), label);
    row->setAttribute(EnumNames, names);
    row->setValue(value);
    m_set->propertyNames.insert(row, name);
    m_set->browser->addProperty(row);
    return row;
}

void PanelFiller::fillNode(Node* node)
{
    if (!node)
        return;
    switch (node->type) {
    case Node::Workplace:
        fillWorkspace();
        break;
    case Node::SoundAlarm:
        add(QStringLiteral("StateEnable"), QVariant::Bool, bool(node->enabled));
        break;
    case Node::Energizer:
        fillEnergizer(node);
        break;
    case Node::IOCard:
        fillIOCard(node);
        break;
    case Node::FenceSector:
        fillSector(node);
        break;
    case Node::Gate:
        fillGate(node);
        break;
    case Node::TWSystem:
        add(QStringLiteral("IPTW"), QVariant::String, text(node->data(0)));
        add(QStringLiteral("ClearAlarm"), VariantManager::filePathTypeId(), QString());
        break;
    case Node::TWSensor:
        fillTWSensor(node);
        break;
    default:
        break;
    }
}

void PanelFiller::fillWorkspace()
{
    const QTabWidget* tabs = m_workspaces->tabs();
    add(QStringLiteral("WorkspaceCaption"), QVariant::String, m_workspaces->caption(tabs->currentIndex()));
    add(QStringLiteral("Bground image"), VariantManager::filePathTypeId(),
        m_workspaces->pictureText(m_workspaces->currentScene()));
    add(QStringLiteral("SoundAlarmActive"), QVariant::Bool, m_alarms->soundAlarmActive());
    fillSoundAlarmGroup();
    fillTextAlarmGroup();
}

void PanelFiller::fillSoundAlarmGroup()
{
    Property* group = addGroup(tr("Sound alarms"));
    const QList<Node*>& sounds = m_alarms->soundAlarmNodes();
    const int fileType = VariantManager::filePathTypeId();
    for (int i = 0; i < sounds.size(); ++i) {
        const SoundPath path = soundPathOf(sounds.at(i));
        VariantProperty* name = addSubRow(group, QStringLiteral("Sound_%1").arg(i), tr("Name"),
                                          QVariant::String, text(sounds.at(i)->data(0)));
        addSubRow(name, QStringLiteral("OKSound%1").arg(i), tr("OK sound"), fileType, path.okSound);
        addSubRow(name, QStringLiteral("WarningSound%1").arg(i), tr("Warning sound"), fileType,
                  path.warningSound);
        addSubRow(name, QStringLiteral("CriticalSound%1").arg(i), tr("Critical sound"), fileType,
                  path.criticalSound);
    }
    m_set->browser->setExpanded(m_set->browser->addProperty(group), false);
}

void PanelFiller::fillTextAlarmGroup()
{
    Property* group = addGroup(tr("Text alarm"));
    addSubRow(group, QStringLiteral("TextAlarmBackground"), tr("Blinking background"), QVariant::Color,
              m_alarms->textAlarmBackground());
    addSubRow(group, QStringLiteral("TextAlarmCaption"), tr("Blinking caption"), QVariant::String,
              m_alarms->alarmCaption());
    VariantProperty* mode = m_set->manager->addProperty(VariantPropertyManager::enumTypeId(),
                                                        tr("Blinking caption"));
    mode->setAttribute(EnumNames, QStringList{tr("Blink background"), tr("Change caption")});
    mode->setValue(m_alarms->textAlarmMode());
    group->addSubProperty(mode);
    m_set->propertyNames.insert(mode, QStringLiteral("TextAlarmMode"));
    m_set->browser->setExpanded(m_set->browser->addProperty(group), false);
}

// The rows the devices write, as a heartbeat would write them now.
void PanelFiller::addDeviceRows(Node* shown, Node* device)
{
    for (const DeviceRows::Value& row : DeviceRows::read(shown, device)) {
        add(row.name, row.check ? int(QVariant::Bool) : int(QVariant::String), row.value, row.readOnly);
        if (row.background.isValid())
            m_set->setBackgroundColor(row.name, row.background);
    }
}

void PanelFiller::fillEnergizer(Node* node)
{
    add(QStringLiteral("ID"), QVariant::String, QString::number(node->number()), true);
    add(QStringLiteral("EnergizerName"), QVariant::String, text(node->data(0)));
    addDeviceRows(node, deviceOf(node));
    add(QStringLiteral("ClearAlarm"), VariantManager::filePathTypeId(), QString());
}

void PanelFiller::fillIOCard(Node* node)
{
    add(QStringLiteral("ID"), QVariant::String, QString::number(node->number()), true);
    add(QStringLiteral("IOCardName"), QVariant::String, text(node->data(0)));
    addDeviceRows(node, deviceOf(node));
}

void PanelFiller::fillSector(Node* node)
{
    add(QStringLiteral("SectorName"), QVariant::String, text(node->data(0)));
    if (Node* energizer = node->parent())
        addDeviceRows(node, deviceOf(energizer));
}

void PanelFiller::fillGate(Node* node)
{
    add(QStringLiteral("SectorName"), QVariant::String, text(node->data(0)));
    if (Node* energizer = node->parent())
        addDeviceRows(node, deviceOf(energizer));
}

void PanelFiller::fillTWSensor(Node* node)
{
    add(QStringLiteral("SensorName"), QVariant::String, text(node->data(0)));
    addDeviceRows(node, deviceOf(node));
}

void PanelFiller::fillItem(QGraphicsItem* item)
{
    if (!item)
        return;
    switch (item->type()) {
    case GraphicsHelperClass::BoxItemType: {
        auto* box = static_cast<GraphicsBox*>(item);
        if (box->kind() == GraphicsBox::TextBox)
            fillTextBox(box);
        else
            fillOtherBox(box);
        break;
    }
    case GraphicsHelperClass::LineItemType: {
        auto* line = static_cast<GraphicsLine*>(item);
        add(QStringLiteral("ObjectName"), QVariant::String, line->objectName());
        add(QStringLiteral("StateEnable"), QVariant::Bool, line->node() ? bool(line->node()->enabled) : false);
        break;
    }
    case GraphicsHelperClass::CircleItemType: {
        auto* circle = static_cast<GraphicsCircle*>(item);
        add(QStringLiteral("TWSectorName"), QVariant::String, circle->objectName());
        add(QStringLiteral("StateEnable"), QVariant::Bool, circle->node() ? bool(circle->node()->enabled) : false);
        break;
    }
    default:
        break;
    }
}

void PanelFiller::fillTextBox(GraphicsBox* box)
{
    GraphicsTextItem* caption = box->captionItem();
    m_tools->showFont(caption->font());
    int alignment = 0;
    QAction* checked = nullptr;
    switch (caption->alignment()) {
    case AlignLeft:
        checked = m_tools->alignmentActions().at(0);
        break;
    case AlignCentred:
        alignment = 1;
        checked = m_tools->alignmentActions().at(1);
        break;
    case AlignRight:
        alignment = 2;
        checked = m_tools->alignmentActions().at(2);
        break;
    default:
        break;
    }
    m_tools->checkAlignment(checked);
    addEnumRow(QStringLiteral("Alignment"), QStringLiteral("Alignment"),
               {tr("Left"), tr("Center"), tr("Right")}, alignment);
    add(BackgroundColorRow, QVariant::Color, box->backgroundColor());
    add(QStringLiteral("Font"), QVariant::Font, caption->font());
    add(QStringLiteral("FontColor"), QVariant::Color, caption->defaultTextColor());
    add(BorderColorRow, QVariant::Color, box->color());
    add(QStringLiteral("Caption"), QVariant::String, box->caption());
    add(QStringLiteral("ShowBorder"), QVariant::Bool, box->borderVisible());
    add(QStringLiteral("StateEnable"), QVariant::Bool, box->node() ? bool(box->node()->enabled) : false);
    add(QStringLiteral("ObjectName"), QVariant::String, box->objectName());
}

void PanelFiller::fillOtherBox(GraphicsBox* box)
{
    add(QStringLiteral("ObjectName"), QVariant::String, box->objectName());
    if (box->kind() == GraphicsBox::GatewayBox) {
        addEnumRow(QStringLiteral("Logo"), QStringLiteral("Logo"), GraphicsBox::LogoMakes, box->logoIndex());
        add(QStringLiteral("IP"), QVariant::String, box->ip());
        add(QStringLiteral("GlobalCommand"), VariantManager::filePathTypeId(), QString());
        add(QStringLiteral("ClearAlarm"), VariantManager::filePathTypeId(), QString());
    } else if (box->kind() == GraphicsBox::ButtonBox && box->actionButton()) {
        QPushButton* button = box->actionButton();
        m_tools->showFont(button->font());
        add(QStringLiteral("Font"), QVariant::Font, button->font());
        add(QStringLiteral("BtnCaption"), QVariant::String, button->text());
        add(QStringLiteral("BtnCheckable"), QVariant::Bool, button->isCheckable());
        add(QStringLiteral("Command"), VariantManager::filePathTypeId(), box->actionCommandName());
        Node* target = box->actionTarget();
        add(QStringLiteral("CmdTarget"), QVariant::String, target ? text(target->data(0)) : QString(), true);
    }
}
