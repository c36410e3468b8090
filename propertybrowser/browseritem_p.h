#pragma once

#include <QList>

class AbstractPropertyBrowser;
class BrowserItem;
class Property;

// The record of a BrowserItem; only its browser changes it.
class BrowserItemPrivate
{
public:
    AbstractPropertyBrowser* browser;
    Property* property;
    BrowserItem* parent;
    QList<BrowserItem*> children;
};
