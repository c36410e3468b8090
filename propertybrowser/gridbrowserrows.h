#pragma once

#include "browseritem.h"
#include "gridlayoutrows.h"
#include "property.h"

#include <QGridLayout>
#include <QLabel>
#include <QList>
#include <QMap>

#include <initializer_list>

// The row records shared by the widget-grid browsers: which row stands for
// which browser item, the rows' editors and the rows waiting for their
// deferred rebuild. Item is the browser's row type (with fields widget,
// label, widgetLabel, layout, parent and children); Browser is the browser.
template <class Item, class Browser>
class GridBrowserRows
{
public:
    explicit GridBrowserRows(Browser* browser) : q(browser) {}

    QList<Item*>& siblingsOf(Item* item) { return item->parent ? item->parent->children : children; }
    QGridLayout* layoutOf(Item* parent) const { return parent ? parent->layout : mainLayout; }

    // The browser's own grid, its rows kept at the top by a spacer.
    void setupMainLayout()
    {
        mainLayout = new QGridLayout(q);
        mainLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Fixed, QSizePolicy::Expanding), 0, 0);
    }

    // A new row for `index`, placed among its siblings after the row of
    // `afterIndex` (first when there is none); linked to `index` once built.
    Item* newItem(BrowserItem* index, BrowserItem* afterIndex)
    {
        Item* afterItem = indexToItem.value(afterIndex);
        auto* item = new Item;
        item->parent = indexToItem.value(index->parent());
        QList<Item*>& siblings = siblingsOf(item);
        siblings.insert(afterItem ? siblings.indexOf(afterItem) + 1 : 0, item);
        return item;
    }

    void link(Item* item, BrowserItem* index)
    {
        itemToIndex[item] = index;
        indexToItem[index] = item;
    }

    // Gives the row its editor, if any; the editor's end is reported to the
    // browser's `destroyed` slot.
    void setEditor(Item* item, QWidget* editor, void (Browser::*destroyed)())
    {
        item->widget = editor;
        if (!editor)
            return;
        QObject::connect(editor, &QObject::destroyed, q, destroyed);
        widgetToItem[editor] = item;
    }

    // Unlinks the row of `index` (null when there is none); the caller
    // takes it out of the grid and deletes it.
    Item* takeItem(BrowserItem* index)
    {
        Item* item = indexToItem.take(index);
        if (item)
            itemToIndex.remove(item);
        return item;
    }

    // Deletes the row's own widgets (`headers`: the browser's extra ones),
    // then the row; the rows of its children went before it.
    void deleteItem(Item* item, std::initializer_list<QWidget*> headers)
    {
        delete item->widget;
        delete item->label;
        delete item->widgetLabel;
        for (QWidget* header : headers)
            delete header;
        recreateQueue.removeAll(item);
        delete item;
    }

    // Shows the row's property: the name on the name label or on the
    // header (tool button or group box) that stands in for it, the value on
    // the editor or value label.
    template <class Header, class TitleOwner>
    void update(Item* item, Header* header, void (TitleOwner::*setTitle)(const QString&))
    {
        Property* property = itemToIndex.value(item)->property();
        if (header) {
            showPropertyName(header, property);
            (header->*setTitle)(property->propertyName());
        }
        if (item->label) {
            showPropertyName(item->label, property);
            item->label->setText(property->propertyName());
        }
        showPropertyValue(item->widgetLabel, item->widget, property);
    }

    // At the browser's end: editors stop reporting back, then the rows go.
    // A row waiting for its deferred rebuild may hold a detached value
    // widget, which no parent deletes.
    void deleteAllItems()
    {
        disconnectEditors(widgetToItem, q);
        for (Item* item : qAsConst(recreateQueue)) {
            QWidget* valueWidget = item->widget ? item->widget : item->widgetLabel;
            if (valueWidget && !valueWidget->parent())
                delete valueWidget;
        }
        qDeleteAll(itemToIndex.keys());
    }

    Browser* q;
    QMap<BrowserItem*, Item*> indexToItem;
    QMap<Item*, BrowserItem*> itemToIndex;
    QMap<QWidget*, Item*> widgetToItem;
    QGridLayout* mainLayout = nullptr;
    QList<Item*> children;
    QList<Item*> recreateQueue;
};
