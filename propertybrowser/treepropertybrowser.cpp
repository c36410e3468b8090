#include "treepropertybrowser.h"
#include "propertybrowserlogging.h"

#include "browseritem.h"
#include "property.h"
#include "propertyeditordelegate.h"
#include "propertyeditorview.h"
#include "textbounds.h"
#include "treepropertybrowser_p.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QStyleOption>

namespace {
constexpr int kIconSize = 18;
constexpr int kExpandIconSize = 14;
const QRect kExpandIndicatorRect(2, 2, 9, 9);
} // namespace

QWidget* TreePropertyBrowserPrivate::createEditor(Property* property, QWidget* parent)
{
    return q->createEditor(property, parent);
}

QTreeWidgetItem* TreePropertyBrowserPrivate::indexToRow(const QModelIndex& index) const
{
    return view->indexToItem(index);
}

BrowserItem* TreePropertyBrowserPrivate::indexToBrowserItem(const QModelIndex& index) const
{
    return itemByRow.value(indexToRow(index));
}

Property* TreePropertyBrowserPrivate::indexToProperty(const QModelIndex& index) const
{
    BrowserItem* item = indexToBrowserItem(index);
    return item ? item->property() : nullptr;
}

QTreeWidgetItem* TreePropertyBrowserPrivate::editedRow() const
{
    return delegate->editedRow();
}

bool TreePropertyBrowserPrivate::isLastColumn(int column) const
{
    return view->header()->visualIndex(column) == view->columnCount() - 1;
}

QColor TreePropertyBrowserPrivate::calculatedBackgroundColor(BrowserItem* item) const
{
    for (BrowserItem* i = item; i; i = i->parent()) {
        const auto it = backgroundByItem.constFind(i);
        if (it != backgroundByItem.constEnd())
            return it.value();
    }
    return QColor();
}

void TreePropertyBrowserPrivate::drawExpandIcon()
{
    QStyleOption option;
    option.initFrom(q);
    option.rect = kExpandIndicatorRect;

    auto drawIndicator = [&](QStyle::State extraState) {
        QPixmap pixmap(kExpandIconSize, kExpandIconSize);
        pixmap.fill(Qt::transparent);
        option.state = QStyle::State_Children | extraState;
        QPainter painter(&pixmap);
        q->style()->drawPrimitive(QStyle::PE_IndicatorBranch, &option, &painter, q);
        painter.end();
        return pixmap;
    };
    const QPixmap closed = drawIndicator(QStyle::State_None);
    const QPixmap open = drawIndicator(QStyle::State_Open);
    expandIcon = QIcon();
    expandIcon.addPixmap(closed, QIcon::Normal, QIcon::Off);
    expandIcon.addPixmap(closed, QIcon::Selected, QIcon::Off);
    expandIcon.addPixmap(open, QIcon::Normal, QIcon::On);
    expandIcon.addPixmap(open, QIcon::Selected, QIcon::On);
}

void TreePropertyBrowserPrivate::updateRow(QTreeWidgetItem* row)
{
    BrowserItem* item = itemByRow.value(row);
    if (!item)
        return;
    Property* property = item->property();
    if (property->hasValue()) {
        const QString toolTip = property->toolTip();
        row->setToolTip(1, toolTip.isEmpty() ? property->displayText() : toolTip);
        row->setIcon(1, property->valueIcon());
        // A long name would be laid out whole at every size hint and paint.
        const QString displayText = property->displayText();
        row->setText(1, shownName(displayText.isEmpty() ? property->valueText() : displayText));
        row->setIcon(0, QIcon());
    } else {
        const bool showIcon = propertiesWithoutValueMarked && !view->rootIsDecorated();
        row->setIcon(0, showIcon ? expandIcon : QIcon());
    }
    row->setFirstColumnSpanned(!property->hasValue());
    row->setToolTip(0, property->propertyName());
    row->setStatusTip(0, property->statusTip());
    row->setWhatsThis(0, property->whatsThis());
    row->setText(0, property->propertyName());

    const bool wasEnabled = row->flags() & Qt::ItemIsEnabled;
    QTreeWidgetItem* parentRow = row->parent();
    const bool shouldBeEnabled =
        property->isEnabled() && (!parentRow || (parentRow->flags() & Qt::ItemIsEnabled));
    if (wasEnabled != shouldBeEnabled) {
        if (shouldBeEnabled)
            enableRow(row);
        else
            disableRow(row);
    }
    view->viewport()->update();
}

void TreePropertyBrowserPrivate::enableRow(QTreeWidgetItem* row)
{
    row->setFlags(row->flags() | Qt::ItemIsEnabled);
    for (int i = 0; i < row->childCount(); ++i) {
        QTreeWidgetItem* child = row->child(i);
        BrowserItem* item = itemByRow.value(child);
        if (item && item->property()->isEnabled())
            enableRow(child);
    }
}

void TreePropertyBrowserPrivate::disableRow(QTreeWidgetItem* row)
{
    row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
    if (BrowserItem* item = itemByRow.value(row))
        delegate->closeEditor(item->property());
    for (int i = 0; i < row->childCount(); ++i)
        disableRow(row->child(i));
}

void TreePropertyBrowserPrivate::refreshValuelessRows()
{
    for (auto it = itemByRow.constBegin(); it != itemByRow.constEnd(); ++it) {
        if (!it.value()->property()->hasValue())
            updateRow(it.key());
    }
}

TreePropertyBrowser::TreePropertyBrowser(QWidget* parent)
    : AbstractPropertyBrowser(parent)
    , d(std::make_unique<TreePropertyBrowserPrivate>(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    d->view = new PropertyEditorView(this);
    d->view->setEditorPrivate(d.get());
    d->view->setIconSize(QSize(kIconSize, kIconSize));
    layout->addWidget(d->view);
    setFocusProxy(d->view);

    d->view->setColumnCount(2);
    d->view->setHeaderLabels({tr("Property"), tr("Value")});
    d->view->setAlternatingRowColors(true);
    d->view->setEditTriggers(QAbstractItemView::EditKeyPressed);

    d->delegate = new PropertyEditorDelegate(this);
    d->delegate->setEditorPrivate(d.get());
    d->view->setItemDelegate(d->delegate);

    d->view->header()->setSectionsMovable(false);
    d->view->header()->setSectionResizeMode(QHeaderView::Stretch);

    d->drawExpandIcon();

    connect(d->view, &QTreeView::collapsed, this, &TreePropertyBrowser::slotCollapsed);
    connect(d->view, &QTreeView::expanded, this, &TreePropertyBrowser::slotExpanded);
    connect(d->view, &QTreeWidget::currentItemChanged, this,
            &TreePropertyBrowser::slotCurrentTreeItemChanged);
    connect(this, &AbstractPropertyBrowser::currentItemChanged, this,
            &TreePropertyBrowser::slotCurrentBrowserItemChanged);
}

TreePropertyBrowser::~TreePropertyBrowser()
{
    // The view and delegate share the private record: take them down while
    // it still exists, without their signals reaching a half-destroyed browser.
    d->view->disconnect(this);
    delete d->view;
    delete d->delegate;
}

int TreePropertyBrowser::indentation() const
{
    return d->view->indentation();
}

void TreePropertyBrowser::setIndentation(int indentation)
{
    d->view->setIndentation(indentation);
}

bool TreePropertyBrowser::rootIsDecorated() const
{
    return d->view->rootIsDecorated();
}

void TreePropertyBrowser::setRootIsDecorated(bool show)
{
    d->view->setRootIsDecorated(show);
    d->refreshValuelessRows();
}

bool TreePropertyBrowser::alternatingRowColors() const
{
    return d->view->alternatingRowColors();
}

void TreePropertyBrowser::setAlternatingRowColors(bool enable)
{
    d->view->setAlternatingRowColors(enable);
}

bool TreePropertyBrowser::isHeaderVisible() const
{
    return d->headerVisible;
}

void TreePropertyBrowser::setHeaderVisible(bool visible)
{
    if (d->headerVisible == visible)
        return;
    d->headerVisible = visible;
    d->view->header()->setVisible(visible);
}

TreePropertyBrowser::ResizeMode TreePropertyBrowser::resizeMode() const
{
    return d->resizeMode;
}

void TreePropertyBrowser::setResizeMode(ResizeMode mode)
{
    if (mode < Interactive || mode > ResizeToContents) {
        qCWarning(lcPropertyBrowser, "TreePropertyBrowser: resize mode %d ignored", int(mode));
        return;
    }
    if (d->resizeMode == mode)
        return;
    d->resizeMode = mode;
    QHeaderView::ResizeMode headerMode = QHeaderView::Stretch;
    switch (mode) {
    case Interactive:
        headerMode = QHeaderView::Interactive;
        break;
    case Fixed:
        headerMode = QHeaderView::Fixed;
        break;
    case ResizeToContents:
        headerMode = QHeaderView::ResizeToContents;
        break;
    case Stretch:
    default:
        headerMode = QHeaderView::Stretch;
        break;
    }
    d->view->header()->setSectionResizeMode(headerMode);
}

int TreePropertyBrowser::splitterPosition() const
{
    return d->view->header()->sectionSize(0);
}

void TreePropertyBrowser::setSplitterPosition(int position)
{
    d->view->header()->resizeSection(0, position);
}

bool TreePropertyBrowser::propertiesWithoutValueMarked() const
{
    return d->propertiesWithoutValueMarked;
}

void TreePropertyBrowser::setPropertiesWithoutValueMarked(bool mark)
{
    if (d->propertiesWithoutValueMarked == mark)
        return;
    d->propertiesWithoutValueMarked = mark;
    d->refreshValuelessRows();
    d->view->viewport()->update();
}

void TreePropertyBrowser::setExpanded(BrowserItem* item, bool expanded)
{
    if (QTreeWidgetItem* row = d->rowByItem.value(item))
        row->setExpanded(expanded);
}

bool TreePropertyBrowser::isExpanded(BrowserItem* item) const
{
    QTreeWidgetItem* row = d->rowByItem.value(item);
    return row && row->isExpanded();
}

bool TreePropertyBrowser::isItemVisible(BrowserItem* item) const
{
    QTreeWidgetItem* row = d->rowByItem.value(item);
    return row && !row->isHidden();
}

void TreePropertyBrowser::setItemVisible(BrowserItem* item, bool visible)
{
    if (QTreeWidgetItem* row = d->rowByItem.value(item))
        row->setHidden(!visible);
}

void TreePropertyBrowser::setBackgroundColor(BrowserItem* item, const QColor& color)
{
    if (!d->rowByItem.contains(item))
        return;
    if (color.isValid())
        d->backgroundByItem[item] = color;
    else
        d->backgroundByItem.remove(item);
    d->view->viewport()->update();
}

QColor TreePropertyBrowser::backgroundColor(BrowserItem* item) const
{
    return d->backgroundByItem.value(item);
}

QColor TreePropertyBrowser::calculatedBackgroundColor(BrowserItem* item) const
{
    return d->calculatedBackgroundColor(item);
}

void TreePropertyBrowser::editItem(BrowserItem* item)
{
    if (QTreeWidgetItem* row = d->rowByItem.value(item)) {
        d->view->setCurrentItem(row, 1);
        d->view->editItem(row, 1);
    }
}

QTreeWidgetItem* TreePropertyBrowser::propertyTreeItem(Property* property) const
{
    const QList<BrowserItem*> shown = items(property);
    return shown.isEmpty() ? nullptr : d->rowByItem.value(shown.last());
}

void TreePropertyBrowser::itemInserted(BrowserItem* item, BrowserItem* afterItem)
{
    QTreeWidgetItem* afterRow = d->rowByItem.value(afterItem);
    QTreeWidgetItem* parentRow = d->rowByItem.value(item->parent());
    QTreeWidgetItem* row = parentRow ? new QTreeWidgetItem(parentRow, afterRow)
                                     : new QTreeWidgetItem(d->view, afterRow);
    d->rowByItem[item] = row;
    d->itemByRow[row] = item;
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    row->setExpanded(true);
    d->updateRow(row);
}

void TreePropertyBrowser::itemRemoved(BrowserItem* item)
{
    QTreeWidgetItem* row = d->rowByItem.value(item);
    if (!row)
        return;
    if (d->view->currentItem() == row)
        d->view->setCurrentItem(nullptr);
    d->itemByRow.remove(row);
    d->rowByItem.remove(item);
    d->backgroundByItem.remove(item);
    delete row;
}

void TreePropertyBrowser::itemChanged(BrowserItem* item)
{
    if (QTreeWidgetItem* row = d->rowByItem.value(item))
        d->updateRow(row);
}

void TreePropertyBrowser::slotCollapsed(const QModelIndex& index)
{
    if (BrowserItem* item = d->indexToBrowserItem(index))
        emit collapsed(item);
}

void TreePropertyBrowser::slotExpanded(const QModelIndex& index)
{
    if (BrowserItem* item = d->indexToBrowserItem(index))
        emit expanded(item);
}

void TreePropertyBrowser::slotCurrentBrowserItemChanged(BrowserItem* item)
{
    if (d->echoGuard)
        return;
    if (item == d->itemByRow.value(d->view->currentItem()))
        return;
    const bool blocked = d->view->blockSignals(true);
    d->view->setCurrentItem(d->rowByItem.value(item));
    d->view->blockSignals(blocked);
}

void TreePropertyBrowser::slotCurrentTreeItemChanged(QTreeWidgetItem* current, QTreeWidgetItem*)
{
    d->echoGuard = true;
    setCurrentItem(d->itemByRow.value(current));
    d->echoGuard = false;
}
