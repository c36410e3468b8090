#include "browseritem.h"
#include "browseritem_p.h"

BrowserItem::BrowserItem(AbstractPropertyBrowser* browser, Property* property, BrowserItem* parent)
    : d(new BrowserItemPrivate{browser, property, parent, {}})
{
}

BrowserItem::~BrowserItem() = default;

Property* BrowserItem::property() const
{
    return d->property;
}

BrowserItem* BrowserItem::parent() const
{
    return d->parent;
}

QList<BrowserItem*> BrowserItem::children() const
{
    return d->children;
}

AbstractPropertyBrowser* BrowserItem::browser() const
{
    return d->browser;
}
