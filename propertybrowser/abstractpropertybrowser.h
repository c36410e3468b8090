#pragma once

#include <QList>
#include <QWidget>

#include <memory>

class AbstractEditorFactoryBase;
class AbstractPropertyBrowserPrivate;
class AbstractPropertyManager;
class BrowserItem;
class Property;

// The bookkeeping that every property browser shares: one BrowserItem per
// shown occurrence of a property, the managers' signals followed so that
// items appear, change and disappear with their properties, and the
// process-wide registry that names, per browser and manager, the editor
// factory that makes the editors. A concrete browser turns the three item
// notifications into widgets and asks createEditor() for editors.
class AbstractPropertyBrowser : public QWidget
{
    Q_OBJECT
public:
    explicit AbstractPropertyBrowser(QWidget* parent = nullptr);
    ~AbstractPropertyBrowser() override;

    QList<Property*> properties() const;
    QList<BrowserItem*> items(Property* property) const;
    BrowserItem* topLevelItem(Property* property) const;
    QList<BrowserItem*> topLevelItems() const;
    void clear();

    BrowserItem* currentItem() const;
    void setCurrentItem(BrowserItem* item);

    // Binding a factory takes two steps: addFactory(manager, factory) and,
    // only when it returns true, factory->addPropertyManager(manager).
    bool addFactory(AbstractPropertyManager* manager, AbstractEditorFactoryBase* factory);
    void unsetFactoryForManager(AbstractPropertyManager* manager);

signals:
    void currentItemChanged(BrowserItem* item);

public slots:
    BrowserItem* addProperty(Property* property);
    BrowserItem* insertProperty(Property* property, Property* afterProperty);
    void removeProperty(Property* property);

protected:
    virtual void itemInserted(BrowserItem* item, BrowserItem* afterItem) = 0;
    virtual void itemRemoved(BrowserItem* item) = 0;
    virtual void itemChanged(BrowserItem* item) = 0;
    virtual QWidget* createEditor(Property* property, QWidget* parent);

private slots:
    void slotPropertyInserted(Property* property, Property* parentProperty, Property* afterProperty);
    void slotPropertyRemoved(Property* property, Property* parentProperty);
    void slotPropertyDestroyed(Property* property);
    void slotPropertyDataChanged(Property* property);

private:
    std::unique_ptr<AbstractPropertyBrowserPrivate> d;
    friend class AbstractPropertyBrowserPrivate;
};
