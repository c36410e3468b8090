#include "actionmanagerdlg.h"
#include "ui_actionmanagerdlg.h"

#include "graphicsbox.h"
#include "graphicsline.h"
#include "graphicsscene.h"
#include "node.h"
#include "sitemutex.h"

namespace {
constexpr int PropertyColumnWidth = 250;
} // namespace

ActionManagerDlg::ActionManagerDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::ActionManagerDlg)
{
    ui->setupUi(this);
}

ActionManagerDlg::~ActionManagerDlg()
{
    delete ui;
}

Node* ActionManagerDlg::rowNode(const QTreeWidgetItem* item)
{
    if (!item)
        return nullptr;
    const QVariant value = item->data(0, Qt::UserRole);
    return value.canConvert<void*>() ? static_cast<Node*>(value.value<void*>()) : nullptr;
}

QTreeWidgetItem* ActionManagerDlg::addActionRow(const QString& kind, const QString& value, const QString& icon,
                                                Node* node)
{
    auto* item = new QTreeWidgetItem(rootItem, {kind, value});
    item->setIcon(0, QIcon(icon));
    item->setData(0, Qt::UserRole, QVariant::fromValue(static_cast<void*>(node)));
    addOwnerItems(item);
    return item;
}

Node* ActionManagerDlg::selectAction(GraphicsScene* currentScene)
{
    setWindowTitle(tr("Action manager"));
    scene = currentScene;
    ui->treeWidget->header()->resizeSection(0, PropertyColumnWidth);

    rootItem = new QTreeWidgetItem(ui->treeWidget, {tr("Frontend failure action")});
    rootItem->setIcon(0, QIcon(QStringLiteral(":/icons/actionFrontEnd.png")));
    rootItem->setExpanded(true);

    if (scene) {
        if (const QList<Node*>* sounds = scene->soundAlarmList()) {
            for (Node* sound : *sounds)
                addActionRow(tr("Sound action"), sound->data(0).toString(), QStringLiteral(":/icons/alarmStates.png"), sound);
        }
        const QList<QGraphicsItem*> items = scene->items(Qt::DescendingOrder);
        for (QGraphicsItem* item : items) {
            if (item->type() == GraphicsLine::Type) {
                auto* line = static_cast<GraphicsLine*>(item);
                addActionRow(tr("Visual action"), line->objectName(), QStringLiteral(":/icons/line.png"), line->node());
            }
        }
        for (QGraphicsItem* item : items) {
            if (item->type() != GraphicsBox::Type)
                continue;
            auto* box = static_cast<GraphicsBox*>(item);
            if (box->kind() == GraphicsBox::TextBox)
                addActionRow(tr("Text action"), box->caption(), QStringLiteral(":/icons/label.png"), box->node());
        }
    }

    if (exec() == 0)
        return nullptr;
    Node* node = rowNode(ui->treeWidget->currentItem());
    if (!node || node->type != Node::SoundAlarm)
        return node;
    return soundReference(node);
}

// A childless copy of the sound alarm, listed after its other references.
// The list only refers to it; the element it is attached to owns it.
Node* ActionManagerDlg::soundReference(Node* sound)
{
    SiteLocker lock;
    const QList<Node*> references = std::exchange(sound->children, {});
    Node* copy = sound->clone(nullptr);
    sound->children = references;
    sound->children.append(copy);
    return copy;
}

void ActionManagerDlg::addOwnerItems(QTreeWidgetItem* actionItem)
{
    Node* action = rowNode(actionItem);
    if (!scene)
        return;
    for (GraphicsBox* box : scene->gatewayBoxes()) {
        for (Node* owner : box->findActionOwners(action)) {
            const QString parentName = owner->parent() ? owner->parent()->data(0).toString() : QString();
            auto* item = new QTreeWidgetItem(actionItem, {tr("Ref energizer(Sector)"),
                                                          parentName + QLatin1Char('/') + owner->data(0).toString()});
            item->setIcon(0, QIcon(QStringLiteral(":/icons/energizer.png")));
        }
    }
}
