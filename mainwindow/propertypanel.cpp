#include "propertypanel.h"

#include "commondlg.h"
#include "elementtreearea.h"
#include "elementtreeproxymodel.h"
#include "globals.h"
#include "graphicsbox.h"
#include "graphicshelperclass.h"
#include "graphicsscene.h"
#include "graphicstextitem.h"
#include "mapedittools.h"
#include "node.h"
#include "paneledits.h"
#include "panelfiller.h"
#include "property.h"
#include "propertyset.h"
#include "sitetrees.h"
#include "sitemutex.h"
#include "treemodel.h"
#include "treepropertybrowser.h"
#include "userright.h"
#include "variantfactory.h"
#include "variantmanager.h"
#include "workspacearea.h"

#include <QApplication>
#include <QComboBox>
#include <QFontComboBox>
#include <QLayout>
#include <QStringList>
#include <QTreeWidgetItem>

const QStringList PropertyPanel::CommandRows{
    QStringLiteral("EnergizerActive"), QStringLiteral("LowVoltageZone1"), QStringLiteral("LowVoltageZone2"),
    QStringLiteral("FenceOn1"),        QStringLiteral("FenceOn2"),        QStringLiteral("Relay1"),
    QStringLiteral("Relay2"),          QStringLiteral("Relay3"),          QStringLiteral("Relay4"),
    QStringLiteral("Relay5"),          QStringLiteral("Relay6"),          QStringLiteral("Relay7"),
    QStringLiteral("Relay8"),          QStringLiteral("GlobalCommand"),   QStringLiteral("ClearAlarm"),
    QStringLiteral("ClrAlarmHsty")};
const QStringList PropertyPanel::EnableRows{QStringLiteral("StateEnable"), QStringLiteral("SoundAlarmActive")};

namespace {
// The node types the docked panel fills from the node itself; the other
// element-tree nodes stand for map items.
constexpr unsigned NodeFilledTypes = 0x1bc81;

bool filledFromNode(const Node* node)
{
    return node->type >= 0 && node->type <= 16 && (NodeFilledTypes >> node->type) & 1u;
}

const Qt::ItemFlags EditableFlags = Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled;
const Qt::ItemFlags LockedFlags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;

// Every row of a panel: the top-level rows, each followed by its sub-rows
// and theirs (three levels).
QList<Property*> panelRows(const TreePropertyBrowser* browser)
{
    QList<Property*> rows;
    for (Property* top : browser->properties()) {
        rows.append(top);
        for (Property* sub : top->subProperties()) {
            rows.append(sub);
            rows.append(sub->subProperties());
        }
    }
    return rows;
}

void lockRow(QTreeWidgetItem* row, bool editable, bool hatched)
{
    row->setFlags(editable ? EditableFlags : LockedFlags);
    row->setBackground(0, hatched ? QBrush(Qt::red, Qt::Dense6Pattern) : QBrush());
}
} // namespace

PropertyPanel::PropertyPanel(QWidget* dialogParent, QWidget* container, MapEditTools* tools, const SiteTrees* trees,
                             WorkspaceArea* workspaces, AlarmsArea* alarms, ElementTreeArea* elementTree,
                             DeviceUnits* units)
    : m_dialogParent(dialogParent)
    , m_tools(tools)
    , m_workspaces(workspaces)
    , m_alarms(alarms)
    , m_elementTree(elementTree)
    , m_trees(trees)
    , m_edits(std::make_unique<PanelEdits>(dialogParent, this, tools, trees, workspaces, alarms, elementTree, units))
{
    auto* set = new PropertySet(dialogParent);
    propertySets.append(set);
    set->browser = new TreePropertyBrowser(container);
    container->layout()->addWidget(set->browser);

    m_manager = std::make_unique<VariantManager>();
    set->manager = m_manager.get();
    QObject::connect(m_manager.get(), &VariantManager::valueChanged, m_edits.get(),
                     [this, set](Property* property, const QVariant& value) {
                         m_edits->propertyChanged(set, property, value);
                     });
}

PropertyPanel::~PropertyPanel()
{
    // Popups still open outlive this list; their end must not report to it.
    for (PropertySet* set : propertySets.mid(1))
        QObject::disconnect(set, nullptr, nullptr, nullptr);
}

// ---- filling -------------------------------------------------------------------------

void PropertyPanel::fillPropertyBrowser(PropertySet* set, QGraphicsItem* item, Node* node)
{
    if (!set)
        return;
    set->clear();
    if (!item && !node)
        return;
    PanelFiller filler(m_workspaces, m_alarms, set, m_tools);
    if (!item) {
        if (node->type == Node::TWSector) {
            fillPropertyBrowser(set, node->mapItem, nullptr);
            return;
        }
        filler.fillNode(node);
    } else {
        filler.fillItem(item);
    }
    set->browser->setPropertiesWithoutValueMarked(true);
    installFactory(set);
    setReadOnly(m_designMode);
}

// One factory per fill, as the rows it serves are new. The factory it
// replaces may still be emitting the click that led here, so it goes later.
void PropertyPanel::installFactory(PropertySet* set)
{
    auto* factory = new VariantFactory(set);
    factory->setCommitOnFinishRows(PanelEdits::AddressRows + PanelEdits::NameRows);
    PanelEdits* edits = m_edits.get();
    QObject::connect(factory, &VariantFactory::btnClicked, edits,
                     [edits, set](Property* property) { edits->customBtnClick(set, property); });
    QObject::connect(factory, &VariantFactory::chckClicked, edits,
                     [edits, set](Property* property, bool checked) { edits->chkClick(set, property, checked); });
    QObject::connect(factory, &VariantFactory::textEnteredAgain, edits,
                     [edits, set](Property* property, const QString& text) {
                         edits->textEnteredAgain(set, property, text);
                     });
    if (set->browser->addFactory(set->manager, factory))
        factory->addPropertyManager(set->manager);
    if (VariantFactory* previous = m_factories.value(set))
        previous->deleteLater();
    m_factories.insert(set, factory);
}

void PropertyPanel::setDesignMode(bool designMode)
{
    m_designMode = designMode;
    setReadOnly(designMode);
}

void PropertyPanel::setReadOnly(bool designMode)
{
    const bool mayCommand = checkUserRight(UserRight::SendCommand, g_currentUser);
    for (PropertySet* set : propertySets) {
        if (!set->browser)
            continue;
        for (Property* property : panelRows(set->browser)) {
            QTreeWidgetItem* row = set->browser->propertyTreeItem(property);
            if (!row)
                continue;
            const QString label = property->propertyName();
            if (EnableRows.contains(label))
                lockRow(row, true, false);
            else if (CommandRows.contains(label))
                lockRow(row, mayCommand, !mayCommand);
            else
                lockRow(row, designMode, !designMode);
        }
    }
}

void PropertyPanel::selectionTreeChanged(const QItemSelection& current)
{
    showElement(current.isEmpty() ? nullptr
                                  : m_trees->elementModel()->getNode(
                                      m_elementTree->proxy()->mapToSource(current.indexes().first())));
}

void PropertyPanel::showElement(Node* node)
{
    m_tools->disableTextFormat();
    if (!node)
        return;
    PropertySet* docked = dockedSet();
    if (filledFromNode(node)) {
        docked->currentNode = node;
        fillPropertyBrowser(docked, nullptr, node);
        return;
    }
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return;
    const bool design = m_designMode;
    if (QApplication::keyboardModifiers() != Qt::ControlModifier || !design)
        scene->deselectAll();
    for (QGraphicsItem* item : scene->items(Qt::AscendingOrder)) {
        auto* element = dynamic_cast<GraphicsHelperClass*>(item);
        if (!element || element->node() != node)
            continue;
        if (design)
            element->setItemSelected(true);
        // The text-format tools follow the selected item, with the set of its
        // kind. They act on the selection, which a drawing tool leaves empty.
        if (item->isSelected())
            m_tools->enableTextFormatFor(item);
        docked->currentNode = node;
        fillPropertyBrowser(docked, item, node);
        return;
    }
}

void PropertyPanel::toolChosen(int mode)
{
    GraphicsScene* scene = m_workspaces->currentScene();
    if (mode != GraphicsScene::SelectObject || !scene || scene->selectedItems().isEmpty())
        return;
    QGraphicsItem* item = scene->selectedItems().first();
    // The panel's node follows the item, so an edit reaches the item's own
    // node and not the one last chosen in the tree.
    if (auto* element = dynamic_cast<GraphicsHelperClass*>(item))
        dockedSet()->currentNode = element->node();
    fillPropertyBrowser(dockedSet(), item, nullptr);
}

void PropertyPanel::alignmentChosen(QAction* action)
{
    GraphicsScene* scene = m_workspaces->currentScene();
    if (!scene)
        return;
    const int alignment = m_tools->alignmentOf(action);
    if (!alignment)
        return;
    for (QGraphicsItem* item : scene->selectedItems()) {
        if (item->type() != GraphicsHelperClass::BoxItemType)
            continue;
        auto* box = static_cast<GraphicsBox*>(item);
        if (!box->captionItem())
            continue;
        box->captionItem()->setAlignment(alignment);
        dockedSet()->currentNode = box->node();
        fillPropertyBrowser(dockedSet(), box, nullptr);
    }
}

void PropertyPanel::refillFor(QGraphicsItem* item)
{
    auto* element = dynamic_cast<GraphicsHelperClass*>(item);
    for (PropertySet* set : setsShowing(element ? element->node() : nullptr))
        fillPropertyBrowser(set, item, nullptr);
}

void PropertyPanel::refillAll()
{
    for (PropertySet* set : QList<PropertySet*>(propertySets)) {
        Node* node = set->node();
        if (!node)
            continue;
        if (filledFromNode(node))
            fillPropertyBrowser(set, nullptr, node);
        else if (node->mapItem)
            fillPropertyBrowser(set, node->mapItem, nullptr);
    }
}

void PropertyPanel::finishEdits()
{
    // A refused name asks the operator, and a panel may be filled anew meanwhile.
    for (const QPointer<VariantFactory>& factory : m_factories.values()) {
        if (factory)
            factory->finishEditing();
    }
}

void PropertyPanel::showPopupParams(QGraphicsItem* item)
{
    auto* dialog = new CommonDlg(m_dialogParent, this);
    dialog->energizerProperties(item);
}

// ---- live data --------------------------------------------------------------------------

void PropertyPanel::forgetNodes()
{
    for (PropertySet* panel : propertySets) {
        if (!panel)
            continue;
        panel->clear();
        panel->currentNode = nullptr;
    }
}

void PropertyPanel::forgetNodesUnder(const Node* node)
{
    for (PropertySet* panel : propertySets) {
        if (panel && panel->currentNode && node->isAncestorOf(panel->currentNode)) {
            panel->clear();
            panel->currentNode = nullptr;
        }
    }
}

QList<PropertySet*> PropertyPanel::setsShowing(const Node* node) const
{
    QList<PropertySet*> sets;
    if (!node)
        return sets;
    for (PropertySet* set : propertySets) {
        if (set->node() == node)
            sets.append(set);
    }
    return sets;
}

// ---- popups -------------------------------------------------------------------------------

void PropertyPanel::addPopupSet(PropertySet* set)
{
    if (!set || propertySets.contains(set))
        return;
    propertySets.append(set);
    QObject::connect(set, &QObject::destroyed, m_dialogParent, [this, set] {
        propertySets.removeAll(set);
        m_factories.remove(set);
    });
}

void PropertyPanel::propertyChanged(PropertySet* set, Property* property, const QVariant& value)
{
    m_edits->propertyChanged(set, property, value);
}
