#include "groupboxpropertybrowser.h"

#include "gridbrowserrows.h"

#include <QFrame>
#include <QGroupBox>
#include <QTimer>

namespace {

// One row of the grid, per browser item.
struct WidgetItem
{
    QWidget* widget = nullptr;
    QLabel* label = nullptr;
    QLabel* widgetLabel = nullptr;
    QGroupBox* groupBox = nullptr;
    QGridLayout* layout = nullptr;
    QFrame* line = nullptr;
    WidgetItem* parent = nullptr;
    QList<WidgetItem*> children;
};

// A group box that carries its property's editor starts with the editor
// and a separator line.
constexpr int kHeaderRows = 2;

QLabel* newValueLabel(QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

class GroupBoxPropertyBrowserPrivate : public GridBrowserRows<WidgetItem, GroupBoxPropertyBrowser>
{
public:
    using GridBrowserRows::GridBrowserRows;

    QWidget* widgetOf(WidgetItem* parent) const { return parent ? static_cast<QWidget*>(parent->groupBox) : q; }
    int headerRows(WidgetItem* parent) const { return parent && parent->widget ? kHeaderRows : 0; }
    int gridRow(WidgetItem* item) { return siblingsOf(item).indexOf(item) + headerRows(item->parent); }
    void makeGroup(WidgetItem* item);
    void dropGroup(WidgetItem* item);
    void placeRow(WidgetItem* item, QWidget* parentWidget, QGridLayout* layout, int row);
    void insert(BrowserItem* index, BrowserItem* afterIndex);
    void remove(BrowserItem* index);
    void update(WidgetItem* item);
};

// Puts the row's editor or value label into column 1 and a new name label
// into column 0 (across both columns when there is neither).
void GroupBoxPropertyBrowserPrivate::placeRow(WidgetItem* item, QWidget* parentWidget,
                                              QGridLayout* layout, int row)
{
    QWidget* valueWidget = item->widget ? item->widget : item->widgetLabel;
    if (valueWidget)
        layout->addWidget(valueWidget, row, 1);
    item->label = new QLabel(parentWidget);
    item->label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    layout->addWidget(item->label, row, 0, 1, valueWidget ? 1 : 2);
}

void GroupBoxPropertyBrowserPrivate::makeGroup(WidgetItem* item)
{
    recreateQueue.removeAll(item);
    QGridLayout* layout = layoutOf(item->parent);
    const int row = gridRow(item);

    item->groupBox = new QGroupBox(widgetOf(item->parent));
    item->layout = new QGridLayout(item->groupBox);
    if (item->label) {
        layout->removeWidget(item->label);
        delete item->label;
        item->label = nullptr;
    }
    if (item->widget) {
        layout->removeWidget(item->widget);
        item->widget->setParent(item->groupBox);
        item->layout->addWidget(item->widget, 0, 0, 1, 2);
        item->widget->show();
        item->line = new QFrame(item->groupBox);
        item->line->setFrameShape(QFrame::HLine);
        item->line->setFrameShadow(QFrame::Sunken);
        item->layout->addWidget(item->line, 1, 0, 1, 2);
    } else if (item->widgetLabel) {
        layout->removeWidget(item->widgetLabel);
        delete item->widgetLabel;
        item->widgetLabel = nullptr;
    }
    layout->addWidget(item->groupBox, row, 0, 1, 2);
    update(item);
}

// The group's editor or value label is detached until the deferred update
// puts the plain row back together.
void GroupBoxPropertyBrowserPrivate::dropGroup(WidgetItem* item)
{
    QWidget* valueWidget = item->widget ? item->widget : item->widgetLabel;
    if (valueWidget) {
        valueWidget->hide();
        valueWidget->setParent(nullptr);
    }
    layoutOf(item->parent)->removeWidget(item->groupBox);
    delete item->groupBox;
    item->groupBox = nullptr;
    item->line = nullptr;
    item->layout = nullptr;
    if (!recreateQueue.contains(item))
        recreateQueue.append(item);
    QTimer::singleShot(0, q, &GroupBoxPropertyBrowser::slotUpdate);
}

void GroupBoxPropertyBrowserPrivate::insert(BrowserItem* index, BrowserItem* afterIndex)
{
    WidgetItem* newItem = GridBrowserRows::newItem(index, afterIndex);
    WidgetItem* parentItem = newItem->parent;
    const int row = gridRow(newItem);
    if (parentItem && !parentItem->groupBox)
        makeGroup(parentItem);
    QGridLayout* layout = layoutOf(parentItem);
    QWidget* parentWidget = widgetOf(parentItem);

    setEditor(newItem, q->createEditor(index->property(), parentWidget),
              &GroupBoxPropertyBrowser::slotEditorDestroyed);
    if (!newItem->widget)
        newItem->widgetLabel = newValueLabel(parentWidget);
    insertGridRow(layout, row);
    placeRow(newItem, parentWidget, layout, row);
    link(newItem, index);
    update(newItem);
}

void GroupBoxPropertyBrowserPrivate::remove(BrowserItem* index)
{
    WidgetItem* item = takeItem(index);
    if (!item)
        return;
    WidgetItem* parentItem = item->parent;
    const int row = gridRow(item);
    siblingsOf(item).removeAll(item);
    deleteItem(item, {item->groupBox});

    if (!parentItem || !parentItem->children.isEmpty())
        removeGridRow(layoutOf(parentItem), row);
    else
        dropGroup(parentItem);
}

void GroupBoxPropertyBrowserPrivate::update(WidgetItem* item)
{
    GridBrowserRows::update(item, item->groupBox, &QGroupBox::setTitle);
}

GroupBoxPropertyBrowser::GroupBoxPropertyBrowser(QWidget* parent)
    : AbstractPropertyBrowser(parent)
    , d(std::make_unique<GroupBoxPropertyBrowserPrivate>(this))
{
    d->setupMainLayout();
}

GroupBoxPropertyBrowser::~GroupBoxPropertyBrowser()
{
    d->deleteAllItems();
}

void GroupBoxPropertyBrowser::itemInserted(BrowserItem* item, BrowserItem* afterItem)
{
    d->insert(item, afterItem);
}

void GroupBoxPropertyBrowser::itemRemoved(BrowserItem* item)
{
    d->remove(item);
}

void GroupBoxPropertyBrowser::itemChanged(BrowserItem* item)
{
    if (WidgetItem* row = d->indexToItem.value(item))
        d->update(row);
}

void GroupBoxPropertyBrowser::slotUpdate()
{
    for (WidgetItem* item : qAsConst(d->recreateQueue)) {
        QWidget* parentWidget = d->widgetOf(item->parent);
        QWidget* valueWidget = item->widget ? item->widget : item->widgetLabel;
        if (valueWidget) {
            valueWidget->setParent(parentWidget);
            valueWidget->show();
        } else {
            item->widgetLabel = newValueLabel(parentWidget);
        }
        d->placeRow(item, parentWidget, d->layoutOf(item->parent), d->gridRow(item));
        d->update(item);
    }
    d->recreateQueue.clear();
}

void GroupBoxPropertyBrowser::slotEditorDestroyed()
{
    forgetDestroyedEditor(d->widgetToItem, sender());
}
