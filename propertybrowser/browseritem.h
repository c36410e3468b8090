#pragma once

#include <QList>

#include <memory>

class AbstractPropertyBrowser;
class Property;
class BrowserItemPrivate;

// One occurrence of a property in one browser. A property shown at top
// level and under a shown parent (or under two shown parents) has one item
// per occurrence. Items are made and deleted only by their browser.
class BrowserItem
{
public:
    Property* property() const;
    BrowserItem* parent() const;
    QList<BrowserItem*> children() const;
    AbstractPropertyBrowser* browser() const;

private:
    BrowserItem(AbstractPropertyBrowser* browser, Property* property, BrowserItem* parent);
    ~BrowserItem();
    Q_DISABLE_COPY(BrowserItem)

    std::unique_ptr<BrowserItemPrivate> d;
    friend class AbstractPropertyBrowser;
    friend class AbstractPropertyBrowserPrivate;
};
