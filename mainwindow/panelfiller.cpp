#include "panelfiller.h"
#include "ui_mainwindow.h"

#include "alarmsarea.h"
#include "graphicsbox.h"
#include "graphicscircle.h"
#include "graphicsline.h"
#include "graphicstextitem.h"
#include "mainwindow.h"
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
constexpr int BoldWeight = QFont::Bold;
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

// One device-value row: its name and how it reads the (device) node.
struct DeviceRow
{
    const char* name;
    QVariant (*read)(Node* element, Node* device);
};

QVariant energizerStatus(Node*, Node* d) { return alarmStatusText(d->status()); }
QVariant fenceStatus1(Node*, Node* d) { return alarmStatusText(d->sector1Status()); }
QVariant fenceStatus2(Node*, Node* d) { return alarmStatusText(d->sector2Status()); }

// Rows shared by the fill and the live refresh of an energizer; "ID" and the
// name are the element's, everything else the status row's.
const DeviceRow EnergizerRows[] = {
    {"Status", energizerStatus},
    {"Duration", [](Node*, Node* d) { return QVariant(text(d->data(7))); }},
    {"Attempts", [](Node*, Node* d) { return QVariant(text(d->data(8))); }},
    {"LastTried", [](Node*, Node* d) { return QVariant(text(d->data(9))); }},
    {"Tamper", [](Node*, Node* d) { return QVariant(text(d->energizerParam(8))); }},
    {"MainFail", [](Node*, Node* d) { return QVariant(text(d->energizerParam(7))); }},
    {"BatteryVoltage", [](Node*, Node* d) { return QVariant(text(d->energizerParam(6))); }},
    {"FenceReturnVolt1", [](Node*, Node* d) { return QVariant(text(d->energizerParam(28))); }},
    {"FenceReturnVolt2", [](Node*, Node* d) { return QVariant(text(d->energizerParam(29))); }},
    {"FenceCondition1", [](Node*, Node* d) { return QVariant(text(d->energizerParam(32))); }},
    {"FenceCondition2", [](Node*, Node* d) { return QVariant(text(d->energizerParam(33))); }},
    {"FenceStatus1", fenceStatus1},
    {"FenceStatus2", fenceStatus2},
    {"FenceOn1", [](Node*, Node* d) { return QVariant(d->ioFlag(20).toBool()); }},
    {"FenceOn2", [](Node*, Node* d) { return QVariant(d->ioFlag(21).toBool()); }},
    {"LowVoltageZone1", [](Node*, Node* d) { return QVariant(!d->ioFlag(16).toBool()); }},
    {"LowVoltageZone2", [](Node*, Node* d) { return QVariant(!d->ioFlag(17).toBool()); }},
    {"GateStatus", [](Node*, Node* d) { return QVariant(text(d->energizerParam(13))); }},
};

bool isCheckRow(const char* name)
{
    const QByteArray n(name);
    return n.startsWith("FenceOn") || n.startsWith("LowVoltage") || n.startsWith("Relay");
}

QVariant ioCardInput(Node* device, int input)
{
    return text(device->ioCardParam(8 + input));
}

void setBackground(PropertySet* set, const QString& row, Node* device, int colorIndex)
{
    if (device)
        set->setBackgroundColor(row, device->color.at(size_t(colorIndex)));
}
} // namespace

PanelFiller::PanelFiller(MainWindow* window, PropertySet* set)
    : m_window(window)
    , m_set(set)
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
    QTabWidget* tabs = m_window->ui->tabWidget;
    add(QStringLiteral("WorkspaceCaption"), QVariant::String, tabs->tabText(tabs->currentIndex()));
    add(QStringLiteral("Bground image"), VariantManager::filePathTypeId(), QString());
    add(QStringLiteral("SoundAlarmActive"), QVariant::Bool, m_window->alarms()->soundAlarmActive);
    fillSoundAlarmGroup();
    fillTextAlarmGroup();
}

void PanelFiller::fillSoundAlarmGroup()
{
    Property* group = addGroup(MainWindow::tr("Sound alarms"));
    const QList<Node*>& sounds = m_window->alarms()->soundAlarmNodes;
    const int fileType = VariantManager::filePathTypeId();
    for (int i = 0; i < sounds.size(); ++i) {
        const SoundPath path = soundPathOf(sounds.at(i));
        VariantProperty* name = addSubRow(group, QStringLiteral("Sound_%1").arg(i), MainWindow::tr("Name"),
                                          QVariant::String, text(sounds.at(i)->data(0)));
        addSubRow(name, QStringLiteral("OKSound%1").arg(i), MainWindow::tr("OK sound"), fileType, path.okSound);
        addSubRow(name, QStringLiteral("WarningSound%1").arg(i), MainWindow::tr("Warning sound"), fileType,
                  path.warningSound);
        addSubRow(name, QStringLiteral("CriticalSound%1").arg(i), MainWindow::tr("Critical sound"), fileType,
                  path.criticalSound);
    }
    m_set->browser->setExpanded(m_set->browser->addProperty(group), false);
}

void PanelFiller::fillTextAlarmGroup()
{
    const AlarmsArea* alarms = m_window->alarms();
    Property* group = addGroup(MainWindow::tr("Text alarm"));
    addSubRow(group, QStringLiteral("TextAlarmBackground"), MainWindow::tr("Blinking background"), QVariant::Color,
              alarms->textAlarmBackground);
    addSubRow(group, QStringLiteral("TextAlarmCaption"), MainWindow::tr("Blinking caption"), QVariant::String,
              alarms->alarmCaption);
    VariantProperty* mode = m_set->manager->addProperty(VariantPropertyManager::enumTypeId(),
                                                        MainWindow::tr("Blinking caption"));
    mode->setAttribute(EnumNames, QStringList{MainWindow::tr("Blink background"), MainWindow::tr("Change caption")});
    mode->setValue(alarms->textAlarmMode);
    group->addSubProperty(mode);
    m_set->propertyNames.insert(mode, QStringLiteral("TextAlarmMode"));
    m_set->browser->setExpanded(m_set->browser->addProperty(group), false);
}

void PanelFiller::fillEnergizer(Node* node)
{
    SiteLocker lock;
    Node* device = deviceOf(node);
    add(QStringLiteral("ID"), QVariant::String, QString::number(node->number()), true);
    add(QStringLiteral("EnergizerName"), QVariant::String, text(node->data(0)));
    for (const DeviceRow& row : EnergizerRows) {
        // The zone switches are check boxes the operator uses; the rest only shows.
        const bool check = isCheckRow(row.name);
        const QVariant value = row.read(node, device);
        add(QLatin1String(row.name), check ? int(QVariant::Bool) : int(QVariant::String), value, !check);
    }
    add(QStringLiteral("ClearAlarm"), VariantManager::filePathTypeId(), QString());
    setBackground(m_set, QStringLiteral("Status"), node->deviceNode, Node::MainColor);
    setBackground(m_set, QStringLiteral("GateStatus"), node->deviceNode, Node::GateColor);
}

void PanelFiller::fillIOCard(Node* node)
{
    SiteLocker lock;
    Node* device = deviceOf(node);
    add(QStringLiteral("ID"), QVariant::String, QString::number(node->number()), true);
    add(QStringLiteral("IOCardName"), QVariant::String, text(node->data(0)));
    add(QStringLiteral("BatteryVoltage"), QVariant::String, text(device->ioCardParam(0)), true);
    for (int relay = 1; relay <= 8; ++relay)
        add(QStringLiteral("Relay%1").arg(relay), QVariant::Bool, device->relayBit(relay).toBool());
    for (int input = 1; input <= 8; ++input)
        add(QStringLiteral("Input%1").arg(input), QVariant::String, ioCardInput(device, input), true);
}

void PanelFiller::fillSector(Node* node)
{
    SiteLocker lock;
    add(QStringLiteral("SectorName"), QVariant::String, text(node->data(0)));
    Node* energizer = node->parent();
    if (!energizer)
        return;
    const int position = node->childNumber();
    if (position != 0 && position != 1)
        return;
    Node* device = deviceOf(energizer);
    const QString zone = QString::number(position + 1);
    add(QStringLiteral("FenceReturnVolt") + zone, QVariant::String, text(device->energizerParam(28 + position)), true);
    add(QStringLiteral("FenceCondition") + zone, QVariant::String, text(device->energizerParam(32 + position)), true);
    const int status = position == 0 ? device->sector1Status() : device->sector2Status();
    add(QStringLiteral("FenceStatus") + zone, QVariant::String, alarmStatusText(status), true);
    add(QStringLiteral("FenceOn") + zone, QVariant::Bool, device->energizerParam(20 + position).toBool());
    add(QStringLiteral("LowVoltageZone") + zone, QVariant::Bool, device->energizerParam(16 + position).toBool());
    setBackground(m_set, QStringLiteral("FenceStatus") + zone, energizer->deviceNode,
                  position == 0 ? Node::Sector1Color : Node::Sector2Color);
}

void PanelFiller::fillGate(Node* node)
{
    SiteLocker lock;
    add(QStringLiteral("SectorName"), QVariant::String, text(node->data(0)));
    Node* energizer = node->parent();
    if (!energizer)
        return;
    add(QStringLiteral("GateStatus"), QVariant::String, text(deviceOf(energizer)->energizerParam(13)), true);
    setBackground(m_set, QStringLiteral("GateStatus"), energizer->deviceNode, Node::GateColor);
}

void PanelFiller::fillTWSensor(Node* node)
{
    SiteLocker lock;
    add(QStringLiteral("SensorName"), QVariant::String, text(node->data(0)));
    add(QStringLiteral("SensorState"), QVariant::String, sensorStateInfo(deviceOf(node)->sensorStateClass()).text);
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

void PanelFiller::showTextFormat(const QFont& font)
{
    m_window->fontCombo()->setCurrentFont(font);
    m_window->fontSizeCombo()->setEditText(QString::number(font.pointSize()));
    m_window->ui->actBold->setChecked(font.weight() == BoldWeight);
    m_window->ui->actItalic->setChecked(font.style() != QFont::StyleNormal);
    m_window->ui->actUnderline->setChecked(font.underline());
}

void PanelFiller::fillTextBox(GraphicsBox* box)
{
    GraphicsTextItem* caption = box->captionItem();
    showTextFormat(caption->font());
    int alignment = 0;
    QAction* checked = nullptr;
    switch (caption->alignment()) {
    case AlignLeft:
        checked = m_window->ui->actAlignLeft;
        break;
    case AlignCentred:
        alignment = 1;
        checked = m_window->ui->actAlignCenter;
        break;
    case AlignRight:
        alignment = 2;
        checked = m_window->ui->actAlignRight;
        break;
    default:
        break;
    }
    for (QAction* action : {m_window->ui->actAlignLeft, m_window->ui->actAlignCenter, m_window->ui->actAlignRight})
        action->setChecked(action == checked);
    addEnumRow(QStringLiteral("Alignment"), QStringLiteral("Alignment"),
               {MainWindow::tr("Left"), MainWindow::tr("Center"), MainWindow::tr("Right")}, alignment);
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
        showTextFormat(button->font());
        add(QStringLiteral("Font"), QVariant::Font, button->font());
        add(QStringLiteral("BtnCaption"), QVariant::String, button->text());
        add(QStringLiteral("BtnCheckable"), QVariant::Bool, button->isCheckable());
        add(QStringLiteral("Command"), VariantManager::filePathTypeId(), box->actionCommandName());
        Node* target = box->actionTarget();
        add(QStringLiteral("CmdTarget"), QVariant::String, target ? text(target->data(0)) : QString(), true);
    }
}

void PanelFiller::refreshDeviceRows(PropertySet* set, Node* node)
{
    if (!set || !node)
        return;
    SiteLocker lock;
    switch (node->type) {
    case Node::Energizer: {
        Node* device = deviceOf(node);
        for (const DeviceRow& row : EnergizerRows)
            set->setValue(QLatin1String(row.name), row.read(node, device));
        setBackground(set, QStringLiteral("Status"), node->deviceNode, Node::MainColor);
        setBackground(set, QStringLiteral("GateStatus"), node->deviceNode, Node::GateColor);
        break;
    }
    case Node::IOCard: {
        Node* device = deviceOf(node);
        set->setValue(QStringLiteral("BatteryVoltage"), text(device->ioCardParam(0)));
        for (int n = 1; n <= 8; ++n) {
            set->setValue(QStringLiteral("Relay%1").arg(n), device->relayBit(n).toBool());
            set->setValue(QStringLiteral("Input%1").arg(n), ioCardInput(device, n));
        }
        break;
    }
    case Node::TWSensor:
        set->setValue(QStringLiteral("SensorState"), sensorStateInfo(deviceOf(node)->sensorStateClass()).text);
        break;
    case Node::FenceSector:
    case Node::Gate:
        // Their read-only rows show the energizer's values under the same
        // names; the zone switches of a sector read the record, not the IO
        // area, and are left to the next fill.
        if (node->parent() && node->parent()->type == Node::Energizer) {
            Node* device = deviceOf(node->parent());
            for (const DeviceRow& row : EnergizerRows) {
                const QByteArray name(row.name);
                if (name.startsWith("FenceReturnVolt") || name.startsWith("FenceCondition")
                    || name.startsWith("FenceStatus") || name == "GateStatus")
                    set->setValue(QLatin1String(row.name), row.read(node->parent(), device));
            }
        }
        break;
    default:
        break;
    }
}
