#include "paneledits.h"
#include "mainwindowlogging.h"

#include "alarmsarea.h"
#include "devicerows.h"
#include "deviceunits.h"
#include "dottedquad.h"
#include "elementtreearea.h"
#include "filechooserhook.h"
#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "mapedittools.h"
#include "workspacearea.h"
#include "projectdocument.h"
#include "node.h"
#include "panelfiller.h"
#include "property.h"
#include "propertypanel.h"
#include "propertyset.h"
#include "qtclient.h"
#include "qtclienttw.h"
#include "sitemutex.h"
#include "sitetrees.h"
#include "soundpath.h"
#include "treemodel.h"
#include "variantmanager.h"
#include "variantproperty.h"

#include <QAction>
#include <QDebug>
#include <QImageReader>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>

namespace {
// The image box of a workspace background sits just off the origin, under everything.
const QString SoundFileFilter = QStringLiteral("Sound files (*.wav *.mp3 *.ogg);;All files (*)");

void refresh(TreeModel* model, Node* node)
{
    if (model && node && model->contains(node))
        model->refreshNode(node);
}

// Names an element node (column 0, and the name column 1 where it has one)
// and its paired node in the other model.
void renameNode(Node* node, const QString& text, bool nameColumn, TreeModel* elementModel, TreeModel* pairedModel)
{
    node->setData(0, text);
    if (nameColumn)
        node->setData(1, text);
    refresh(elementModel, node);
    if (node->deviceNode) {
        node->deviceNode->setData(0, text);
        refresh(pairedModel, node->deviceNode);
    }
}

QString boolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

// The number that ends a sound row's name: its position in the sound list.
int soundIndex(const QString& row)
{
    static const QRegularExpression trailingNumber(QStringLiteral("(\\d+)$"));
    const QRegularExpressionMatch match = trailingNumber.match(row);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

int commandOfCheckRow(const QString& row)
{
    if (row == QLatin1String("FenceOn1"))
        return ActivateEnergZone1;
    if (row == QLatin1String("FenceOn2"))
        return ActivateEnergZone2;
    if (row == QLatin1String("LowVoltageZone1"))
        return LowVoltageZone1;
    if (row == QLatin1String("LowVoltageZone2"))
        return LowVoltageZone2;
    static const QRegularExpression relay(QStringLiteral("^Relay([1-8])$"));
    const QRegularExpressionMatch match = relay.match(row);
    return match.hasMatch() ? ActivateRelay1 + match.captured(1).toInt() - 1 : -1;
}

// A picture file's pixmap, or a null one when it is none or too large to show.
QPixmap readPicture(const QString& path)
{
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || qint64(size.width()) * size.height() > GraphicsBox::MaxPicturePixels)
        return QPixmap();
    return QPixmap::fromImageReader(&reader);
}
} // namespace

const QStringList PanelEdits::AddressRows{QStringLiteral("IP"), QStringLiteral("IPTW")};
const QStringList PanelEdits::NameRows{QStringLiteral("ObjectName"), QStringLiteral("TWSectorName")};

PanelEdits::PanelEdits(QWidget* dialogParent, PropertyPanel* panel, MapEditTools* tools, const SiteTrees* trees,
                       WorkspaceArea* workspaces, AlarmsArea* alarms, ElementTreeArea* elementTree, DeviceUnits* units)
    : m_dialogParent(dialogParent)
    , m_panel(panel)
    , m_tools(tools)
    , m_trees(trees)
    , m_workspaces(workspaces)
    , m_alarms(alarms)
    , m_elementTree(elementTree)
    , m_units(units)
{
}

PanelEdits::~PanelEdits() = default;

// The element a panel shows, while it stands: a popup can outlive it.
Node* PanelEdits::shownElement(const PropertySet* set)
{
    Node* node = set->node();
    SiteLocker lock;
    return node && Node::isAlive(node) ? node : nullptr;
}

// ---- a changed row -------------------------------------------------------------------

void PanelEdits::propertyChanged(PropertySet* set, Property* property, const QVariant& value)
{
    if (!set || !set->propertyNames.contains(property))
        return;
    if (DeviceRows::isDeviceText(property->propertyName()))
        return;
    const QString row = set->propertyNames.value(property);
    Node* node = shownElement(set);
    if (!applyElementRow(set, row, node, value))
        return;
    for (QGraphicsItem* item : editedItems(node)) {
        if (!applyItemRow(set, row, item, value))
            return;
    }
    emit projectModified();
}

// The items of the map in front that a row of an item reaches: those
// selected, and the item of the element the panel shows first when it is
// not among them. A drawing tool selects nothing, yet the element tree
// shows its element's item in the panel.
QList<QGraphicsItem*> PanelEdits::editedItems(Node* shown) const
{
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return {};
    QList<QGraphicsItem*> items = scene->selectedItems();
    QGraphicsItem* item = nullptr;
    if (shown) {
        SiteLocker lock;
        item = shown->mapItem;
    }
    if (item && item->scene() == scene && !items.contains(item))
        items.prepend(item);
    return items;
}

void PanelEdits::textEnteredAgain(PropertySet* set, Property* property, const QString& text)
{
    if (set && AddressRows.contains(set->propertyNames.value(property)))
        propertyChanged(set, property, text);
}

bool PanelEdits::applyElementRow(PropertySet* set, const QString& row, Node* node, const QVariant& value)
{
    const QString text = value.toString();
    if (node && row == QLatin1String("TWSectorName")) {
        GraphicsHelperClass* element = nullptr;
        {
            SiteLocker lock;
            element = dynamic_cast<GraphicsHelperClass*>(node->mapItem);
        }
        // Asked outside the site lock: a refusal waits for the operator.
        if (element && !rename(set, row, element, text))
            return false;
        SiteLocker lock;
        node->setData(0, text);
        refresh(m_trees->elementModel(), node);
    }
    if (node) {
        SiteLocker lock;
        if (row == QLatin1String("SensorName"))
            renameNode(node, text, false, m_trees->elementModel(), m_trees->twSensorModel());
        if (row == QLatin1String("SectorName")) {
            node->setData(0, text);
            node->setData(1, text);
            refresh(m_trees->elementModel(), node);
        }
        if (row == QLatin1String("StateEnable")) {
            node->enabled = value.toBool();
            if (node->deviceNode)
                node->deviceNode->enabled = value.toBool();
            emit userAction(QStringLiteral("AlarmAction"),
                                              tr("StateEnable for Alarm %1 set to %2")
                                                  .arg(node->data(0).toString(), boolText(value.toBool())));
        }
        if (row == QLatin1String("EnergizerName") || row == QLatin1String("IOCardName"))
            renameNode(node, text, true, m_trees->elementModel(), m_trees->energizerModel());
    }
    if (row == QLatin1String("SoundAlarmActive")) {
        emit commandRequested(node, value.toBool(), SoundAlarmActive);
        return false;
    }
    if (row.contains(QLatin1String("TextAlarmBackground"))) {
        m_alarms->setTextAlarmBackground(value.value<QColor>());
    }
    if (row.contains(QLatin1String("TextAlarmCaption"))) {
        m_alarms->setAlarmCaption(text);
    }
    if (row.contains(QLatin1String("TextAlarmMode"))) {
        m_alarms->setTextAlarmMode(value.toInt());
    }
    if (row.contains(QLatin1String("Bground image")))
        applyBackgroundPicture(text);
    applySoundRow(row, value);
    if (row == QLatin1String("WorkspaceCaption"))
        applyWorkspaceCaption(node, text);
    if (row == QLatin1String("IP") && node)
        return applyGatewayAddress(set, node, text);
    if (row == QLatin1String("IPTW") && node)
        return applyTWAddress(set, node, text);
    return true;
}

bool PanelEdits::applySoundRow(const QString& row, const QVariant& value)
{
    const bool name = row.contains(QLatin1String("Sound_"));
    const bool ok = row.contains(QLatin1String("OKSound"));
    const bool warning = row.contains(QLatin1String("WarningSound"));
    const bool critical = row.contains(QLatin1String("CriticalSound"));
    if (!name && !ok && !warning && !critical)
        return false;
    // The list may have changed since the panel was filled.
    const QList<Node*>& sounds = m_alarms->soundAlarmNodes();
    const int index = soundIndex(row);
    if (index < 0 || index >= sounds.size())
        return false;
    Node* sound = sounds.at(index);
    SiteLocker lock;
    if (name) {
        sound->setData(0, value.toString());
        return true;
    }
    SoundPath path = sound->data(1).value<SoundPath>();
    (ok ? path.okSound : warning ? path.warningSound : path.criticalSound) = value.toString();
    sound->setData(1, QVariant::fromValue(path));
    return true;
}

void PanelEdits::applyBackgroundPicture(const QString& path)
{
    if (GraphicsScene* scene = m_workspaces->currentScene())
        m_workspaces->setPicture(scene, readPicture(path), path);
}

// Renames the workspace the panel shows (the one in front when the panel
// shows none of the tabs' workplaces).
void PanelEdits::applyWorkspaceCaption(Node* workplace, const QString& caption)
{
    int tab = m_workspaces->tabs()->currentIndex();
    for (int i = 0; i < m_workspaces->count(); ++i) {
        if (workplace && m_workspaces->sceneAt(i) && m_workspaces->sceneAt(i)->workplaceNode() == workplace)
            tab = i;
    }
    // The rename writes the caption back into this row: that echo changes nothing.
    if (m_workspaces->caption(tab) != caption)
        m_workspaces->renameWorkspace(tab, caption);
}

// The rows hand over a complete address (Return, or the editor losing the
// focus). The socket layer would read "010.0.0.1" as 8.0.0.1 or "10.1" as
// 10.0.0.1: only a strict dotted quad is taken, so that the link goes to
// the host the box shows.
bool PanelEdits::acceptAddress(PropertySet* set, const QString& row, const QString& address, const QString& current)
{
    if (isDottedQuad(address))
        return true;
    QMessageBox::warning(m_dialogParent, tr("Error"), tr("\"%1\" is not an IPv4 address.").arg(address),
                         QMessageBox::Ok);
    setRowBack(set, row, current);
    return false;
}

void PanelEdits::setRowBack(PropertySet* set, const QString& row, const QString& value)
{
    const bool blocked = set->manager->blockSignals(true);
    set->setValue(row, value);
    set->manager->blockSignals(blocked);
}

// The address entered is the one the link dials from then on, also when
// the box had it already and the link dialled another box. A box without
// rows in the energizer states (its wizard cancelled) gets them first, as
// the wizard gives them: the link's gateway is watched from its first data.
bool PanelEdits::applyGatewayAddress(PropertySet* set, Node* node, const QString& address)
{
    auto* box = dynamic_cast<GraphicsBox*>(node->mapItem);
    if (!box)
        return true;
    qtClient* client = m_units->fenceClient();
    if (address == box->ip() && (!client || client->address() == address))
        return false;
    if (!acceptAddress(set, QStringLiteral("IP"), address, box->ip()))
        return false;
    if (address != box->ip()) {
        box->setIP(address);
        refresh(m_trees->elementModel(), box->node());
        refresh(m_trees->energizerModel(), box->energizerNode());
        qCWarning(lcMainWindow).noquote() << "KX4(Energ) address changed to" << address;
    }
    if (!m_trees->energizerModel()->contains(box->energizerNode()))
        emit gatewayRowsWanted();
    if (client)
        client->moveTo(address);
    return true;
}

bool PanelEdits::applyTWAddress(PropertySet* set, Node* node, const QString& address)
{
    QString current;
    {
        SiteLocker lock;
        current = node->data(0).toString();
    }
    if (address == current)
        return false;
    if (!acceptAddress(set, QStringLiteral("IPTW"), address, current))
        return false;
    {
        SiteLocker lock;
        renameNode(node, address, false, m_trees->elementModel(), m_trees->twSensorModel());
    }
    qCWarning(lcMainWindow).noquote() << "KX4(TW) address changed to" << address;
    if (qtClientTW* client = m_units->twClient())
        client->moveTo(address);
    return true;
}

bool PanelEdits::applyItemRow(PropertySet* set, const QString& row, QGraphicsItem* item, const QVariant& value)
{
    if (item->type() == GraphicsBox::Type) {
        auto* box = static_cast<GraphicsBox*>(item);
        if (row == QLatin1String("ObjectName"))
            return rename(set, row, box, value.toString());
        applyBoxRow(row, box, value);
    } else if (item->type() == GraphicsLine::Type) {
        auto* line = static_cast<GraphicsLine*>(item);
        if (row == PanelFiller::BorderColorRow)
            line->setColor(value.value<QColor>());
        else if (row == QLatin1String("ObjectName"))
            return rename(set, row, line, value.toString());
    }
    return true;
}

void PanelEdits::applyBoxRow(const QString& row, GraphicsBox* box, const QVariant& value)
{
    GraphicsTextItem* caption = box->captionItem();
    if (row == QLatin1String("Alignment") && caption) {
        static const int alignments[] = {Qt::AlignLeft, Qt::AlignHCenter | Qt::AlignVCenter, Qt::AlignRight};
        const int index = value.toInt();
        if (index >= 0 && index < 3) {
            caption->setAlignment(alignments[index]);
            m_tools->alignmentActions().at(index)->setChecked(true);
        }
    } else if (row == QLatin1String("Logo")) {
        box->setLogoByIndex(value.toInt());
    } else if (row == QLatin1String("Caption")) {
        box->setCaption(value.toString());
        if (box->node()) {
            SiteLocker lock;
            box->node()->setData(0, value.toString());
            refresh(m_trees->elementModel(), box->node());
        }
    } else if (row == QLatin1String("BtnCaption")) {
        if (box->buttonLabel())
            box->buttonLabel()->setText(value.toString());
        if (box->node()) {
            box->setButtonCaption(value.toString());
            refresh(m_trees->elementModel(), box->node());
        }
    } else if (row == QLatin1String("BtnCheckable")) {
        if (box->actionButton())
            box->actionButton()->setCheckable(value.toBool());
    } else if (row == PanelFiller::BackgroundColorRow) {
        box->setBackgroundColor(value.value<QColor>());
    } else if (row == QLatin1String("Font")) {
        const QFont font = value.value<QFont>();
        box->setTextFont(font);
        m_tools->showStyle(font.weight() > GraphicsBox::BoldWeightThreshold, font.style() != QFont::StyleNormal,
                           font.underline());
    } else if (row == QLatin1String("FontColor")) {
        if (caption)
            caption->setDefaultTextColor(value.value<QColor>());
    } else if (row == PanelFiller::BorderColorRow) {
        box->setColor(value.value<QColor>());
    } else if (row == QLatin1String("ShowBorder")) {
        box->setBorderVisible(value.toBool());
    }
}

// The row hands over a whole name (Return, or the editor losing the focus).
// One taken on the map, or a blank one, which would leave the element a
// blank tree row and nothing a link could name, is refused once, and the
// element keeps its name.
bool PanelEdits::rename(PropertySet* set, const QString& row, GraphicsHelperClass* element, const QString& name)
{
    if (name == element->objectName())
        return true;
    auto* scene = qobject_cast<GraphicsScene*>(element->item()->scene());
    const bool blank = name.trimmed().isEmpty();
    if (blank || (scene && scene->isNameUsed(name))) {
        QMessageBox::warning(m_dialogParent, tr("Error"),
                             blank ? tr("A name cannot be empty!") : tr("Such name already present!"),
                             QMessageBox::Ok);
        setRowBack(set, row, element->objectName());
        m_elementTree->focusElementTree();
        return false;
    }
    element->setName(name);
    SiteLocker lock;
    refresh(m_trees->elementModel(), element->node());
    return true;
}

// ---- a button row ----------------------------------------------------------------------

void PanelEdits::customBtnClick(PropertySet* set, Property* property)
{
    if (!set || !property)
        return;
    const QString label = property->propertyName();
    if (label == tr("Bground image")) {
        chooseFile(property, QString());
    } else if (label == tr("GlobalCommand")) {
        int mode = 0;
        if (!m_globalCommand) {
            qCWarning(lcMainWindow) << "The global command page is not available; nothing sent";
            return;
        }
        // The chooser ran an event loop: look at the panel's element only now.
        if (m_globalCommand(m_dialogParent, &mode)) {
            if (Node* element = shownElement(set))
                emit commandRequested(element, mode, GlobalMode);
        }
    } else if (label == tr("ClearAlarm")) {
        if (Node* element = shownElement(set))
            emit commandRequested(element, true, ClrAlms);
    } else if (set->propertyNames.value(property).contains(QLatin1String("Sound"))) {
        // A sound row's button picks the sound file.
        chooseFile(property, SoundFileFilter);
    } else {
        chooseButtonAction(set, property);
    }
}

// A cancelled chooser changes nothing; a new path reaches the edit handling
// through the row's value.
void PanelEdits::chooseFile(Property* property, const QString& filter)
{
    auto* manager = qobject_cast<VariantManager*>(property->propertyManager());
    if (!manager)
        return;
    const QString path = FileChooserHook::getOpenFileName(m_dialogParent, tr("Choose a file"), QString(), filter);
    if (path.isEmpty())
        return;
    // The chooser ran an event loop: the panel may have been refilled.
    if (VariantProperty* row = manager->variantProperty(property)) {
        if (row->value().toString() != path)
            row->setValue(path);
    }
}

void PanelEdits::chooseButtonAction(PropertySet* set, Property* property)
{
    if (!m_buttonAction) {
        qCWarning(lcMainWindow) << "The button action page is not available; nothing stored";
        return;
    }
    ButtonAction action;
    if (!m_buttonAction(m_dialogParent, &action) || !action.target)
        return;
    if (VariantProperty* row = set->manager->variantProperty(property))
        row->setValue(action.name);
    SiteLocker lock;
    set->setValue(QStringLiteral("CmdTarget"), Node::isAlive(action.target) ? action.target->data(0).toString()
                                                                            : QString());
    Node* element = set->node();
    if (auto* box = dynamic_cast<GraphicsBox*>(element && Node::isAlive(element) ? element->mapItem : nullptr)) {
        box->setActionTarget(action.target);
        box->setActionCommand(action.command);
        box->setActionCommandName(action.name);
    }
}

// ---- a check box -------------------------------------------------------------------------

void PanelEdits::chkClick(PropertySet* set, Property* property, bool checked)
{
    if (!set)
        return;
    const int command = commandOfCheckRow(set->propertyNames.value(property));
    if (command < 0)
        return;
    Node* node = set->node();
    {
        SiteLocker lock;
        if (!Node::isAlive(node))
            return;
    }
    emit commandRequested(node, checked, CommandSend(command));
}

// ---- a caption typed on the map ----------------------------------------------------------

void PanelEdits::textChanged(QGraphicsItem* item)
{
    auto* box = dynamic_cast<GraphicsBox*>(item);
    if (!box || !box->node())
        return;
    {
        SiteLocker lock;
        box->node()->setData(0, box->caption());
        refresh(m_trees->elementModel(), box->node());
    }
    for (PropertySet* set : m_panel->setsShowing(box->node()))
        set->setValue(QStringLiteral("Caption"), box->caption());
}
