#include "buttonpropertybrowser.h"

#include "gridbrowserrows.h"

#include <QFrame>
#include <QTimer>
#include <QToolButton>

namespace {

// One row of the grid, per browser item.
struct WidgetItem
{
    QWidget* widget = nullptr;
    QLabel* label = nullptr;
    QLabel* widgetLabel = nullptr;
    QToolButton* button = nullptr;
    QFrame* container = nullptr;
    QGridLayout* layout = nullptr;
    WidgetItem* parent = nullptr;
    QList<WidgetItem*> children;
    bool expanded = false;
};

const QSize kButtonIconSize(3, 16);

} // namespace

class ButtonPropertyBrowserPrivate : public GridBrowserRows<WidgetItem, ButtonPropertyBrowser>
{
public:
    using GridBrowserRows::GridBrowserRows;

    QWidget* widgetOf(WidgetItem* parent) const { return parent ? static_cast<QWidget*>(parent->container) : q; }
    int gridSpan(WidgetItem* item) const { return item->container && item->expanded ? 2 : 1; }
    int gridRow(WidgetItem* item);
    void makeSection(WidgetItem* item);
    void dropSection(WidgetItem* item);
    void insert(BrowserItem* index, BrowserItem* afterIndex);
    void remove(BrowserItem* index);
    void update(WidgetItem* item);
    void setItemExpanded(WidgetItem* item, bool expanded);
    void addNameLabel(WidgetItem* item, QWidget* parentWidget, QGridLayout* layout, int row);

    QMap<QObject*, WidgetItem*> buttonToItem;
};

int ButtonPropertyBrowserPrivate::gridRow(WidgetItem* item)
{
    int row = 0;
    for (WidgetItem* sibling : qAsConst(siblingsOf(item))) {
        if (sibling == item)
            return row;
        row += gridSpan(sibling);
    }
    return -1;
}

void ButtonPropertyBrowserPrivate::addNameLabel(WidgetItem* item, QWidget* parentWidget,
                                                QGridLayout* layout, int row)
{
    item->label = new QLabel(parentWidget);
    item->label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    const int span = item->widget || item->widgetLabel ? 1 : 2;
    layout->addWidget(item->label, row, 0, 1, span);
}

// Turns a plain row into a section: a tool button in place of the name and
// a (folded) container for the children.
void ButtonPropertyBrowserPrivate::makeSection(WidgetItem* item)
{
    recreateQueue.removeAll(item);
    QGridLayout* layout = layoutOf(item->parent);
    QWidget* parentWidget = widgetOf(item->parent);
    const int row = gridRow(item);

    item->container = new QFrame(parentWidget);
    item->container->setFrameShape(QFrame::Panel);
    item->container->setFrameShadow(QFrame::Raised);
    item->container->hide();

    item->button = new QToolButton(parentWidget);
    item->button->setCheckable(true);
    item->button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    item->button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    item->button->setArrowType(Qt::DownArrow);
    item->button->setIconSize(kButtonIconSize);
    buttonToItem[item->button] = item;
    QObject::connect(item->button, &QToolButton::toggled, q, &ButtonPropertyBrowser::slotToggled);

    item->layout = new QGridLayout(item->container);
    if (item->label) {
        layout->removeWidget(item->label);
        delete item->label;
        item->label = nullptr;
    }
    const int span = item->widget || item->widgetLabel ? 1 : 2;
    layout->addWidget(item->button, row, 0, 1, span);
    update(item);
}

// Turns a section whose last child went back into a plain row; its name
// label returns in the deferred update.
void ButtonPropertyBrowserPrivate::dropSection(WidgetItem* item)
{
    QGridLayout* layout = layoutOf(item->parent);
    const int row = gridRow(item);
    const int span = gridSpan(item);
    layout->removeWidget(item->button);
    layout->removeWidget(item->container);
    buttonToItem.remove(item->button);
    delete item->button;
    delete item->container;
    item->button = nullptr;
    item->container = nullptr;
    item->layout = nullptr;
    item->expanded = false;
    if (!recreateQueue.contains(item))
        recreateQueue.append(item);
    if (span > 1)
        removeGridRow(layout, row + 1);
    QTimer::singleShot(0, q, &ButtonPropertyBrowser::slotUpdate);
}

void ButtonPropertyBrowserPrivate::insert(BrowserItem* index, BrowserItem* afterIndex)
{
    WidgetItem* newItem = GridBrowserRows::newItem(index, afterIndex);
    WidgetItem* parentItem = newItem->parent;
    const int row = gridRow(newItem);
    if (parentItem && !parentItem->container)
        makeSection(parentItem);
    QGridLayout* layout = layoutOf(parentItem);
    QWidget* parentWidget = widgetOf(parentItem);

    setEditor(newItem, q->createEditor(index->property(), parentWidget),
              &ButtonPropertyBrowser::slotEditorDestroyed);
    if (!newItem->widget && index->property()->hasValue()) {
        newItem->widgetLabel = new QLabel(parentWidget);
        newItem->widgetLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    insertGridRow(layout, row);
    if (newItem->widget)
        layout->addWidget(newItem->widget, row, 1);
    else if (newItem->widgetLabel)
        layout->addWidget(newItem->widgetLabel, row, 1);
    addNameLabel(newItem, parentWidget, layout, row);
    link(newItem, index);
    update(newItem);
}

void ButtonPropertyBrowserPrivate::remove(BrowserItem* index)
{
    WidgetItem* item = takeItem(index);
    if (!item)
        return;
    WidgetItem* parentItem = item->parent;
    const int row = gridRow(item);
    const int span = gridSpan(item);
    siblingsOf(item).removeAll(item);
    buttonToItem.remove(item->button);
    deleteItem(item, {item->button, item->container});

    if (!parentItem || !parentItem->children.isEmpty()) {
        QGridLayout* layout = layoutOf(parentItem);
        removeGridRow(layout, row);
        if (span > 1)
            removeGridRow(layout, row);
    } else {
        dropSection(parentItem);
    }
}

void ButtonPropertyBrowserPrivate::update(WidgetItem* item)
{
    GridBrowserRows::update(item, item->button, &QToolButton::setText);
}

void ButtonPropertyBrowserPrivate::setItemExpanded(WidgetItem* item, bool expanded)
{
    item->expanded = expanded;
    const int row = gridRow(item);
    QGridLayout* layout = layoutOf(item->parent);
    if (expanded) {
        insertGridRow(layout, row + 1);
        layout->addWidget(item->container, row + 1, 0, 1, 2);
        item->container->show();
    } else {
        layout->removeWidget(item->container);
        item->container->hide();
        removeGridRow(layout, row + 1);
    }
    item->button->setChecked(expanded);
    item->button->setArrowType(expanded ? Qt::UpArrow : Qt::DownArrow);
}

ButtonPropertyBrowser::ButtonPropertyBrowser(QWidget* parent)
    : AbstractPropertyBrowser(parent)
    , d(std::make_unique<ButtonPropertyBrowserPrivate>(this))
{
    d->setupMainLayout();
}

ButtonPropertyBrowser::~ButtonPropertyBrowser()
{
    d->deleteAllItems();
}

void ButtonPropertyBrowser::setExpanded(BrowserItem* item, bool expanded)
{
    WidgetItem* row = d->indexToItem.value(item);
    if (!row || row->expanded == expanded || !row->container)
        return;
    d->setItemExpanded(row, expanded);
}

bool ButtonPropertyBrowser::isExpanded(BrowserItem* item) const
{
    WidgetItem* row = d->indexToItem.value(item);
    return row && row->expanded;
}

void ButtonPropertyBrowser::itemInserted(BrowserItem* item, BrowserItem* afterItem)
{
    d->insert(item, afterItem);
}

void ButtonPropertyBrowser::itemRemoved(BrowserItem* item)
{
    d->remove(item);
}

void ButtonPropertyBrowser::itemChanged(BrowserItem* item)
{
    if (WidgetItem* row = d->indexToItem.value(item))
        d->update(row);
}

void ButtonPropertyBrowser::slotUpdate()
{
    for (WidgetItem* item : qAsConst(d->recreateQueue)) {
        d->addNameLabel(item, d->widgetOf(item->parent), d->layoutOf(item->parent), d->gridRow(item));
        d->update(item);
    }
    d->recreateQueue.clear();
}

void ButtonPropertyBrowser::slotEditorDestroyed()
{
    forgetDestroyedEditor(d->widgetToItem, sender());
}

void ButtonPropertyBrowser::slotToggled(bool checked)
{
    WidgetItem* item = d->buttonToItem.value(sender());
    if (!item)
        return;
    if (item->expanded != checked && item->container)
        d->setItemExpanded(item, checked);
    BrowserItem* index = d->itemToIndex.value(item);
    if (checked)
        emit expanded(index);
    else
        emit collapsed(index);
}
