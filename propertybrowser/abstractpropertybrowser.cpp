#include "abstractpropertybrowser.h"

#include "abstracteditorfactorybase.h"
#include "abstractpropertymanager.h"
#include "browseritem.h"
#include "browseritem_p.h"
#include "editorfactoryregistry.h"
#include "property.h"

#include <QMap>

class AbstractPropertyBrowserPrivate
{
public:
    explicit AbstractPropertyBrowserPrivate(AbstractPropertyBrowser* browser) : q(browser) {}

    void createItems(Property* property, Property* parentProperty, Property* afterProperty);
    BrowserItem* createItem(Property* property, BrowserItem* parentItem, BrowserItem* afterItem);
    void registerSubTree(Property* property, Property* parentProperty);
    void unregisterSubTree(Property* property, Property* parentProperty);
    void removeItems(Property* property, Property* parentProperty);
    void removeItem(BrowserItem* item);
    void connectManager(AbstractPropertyManager* manager);
    void disconnectManager(AbstractPropertyManager* manager);
    void deleteSubTree(BrowserItem* item);

    AbstractPropertyBrowser* q;
    QList<Property*> topLevelProperties;
    QMap<AbstractPropertyManager*, QList<Property*>> propertiesByManager;
    QMap<Property*, QList<Property*>> parentsByProperty;
    QMap<Property*, BrowserItem*> topLevelItemByProperty;
    QList<BrowserItem*> topLevelItems;
    QMap<Property*, QList<BrowserItem*>> itemsByProperty;
    BrowserItem* currentItem = nullptr;
};

void AbstractPropertyBrowserPrivate::createItems(Property* property, Property* parentProperty,
                                                 Property* afterProperty)
{
    // Parent item -> after item; the map orders the creation.
    QMap<BrowserItem*, BrowserItem*> placements;
    if (afterProperty) {
        const auto afterIt = itemsByProperty.constFind(afterProperty);
        if (afterIt == itemsByProperty.constEnd())
            return;
        for (BrowserItem* afterItem : afterIt.value()) {
            BrowserItem* parentItem = afterItem->parent();
            const bool underParent = parentItem && parentProperty
                && parentItem->property() == parentProperty;
            const bool atTopLevel = !parentProperty && !parentItem;
            if (underParent || atTopLevel)
                placements.insert(parentItem, afterItem);
        }
    } else if (parentProperty) {
        const auto parentIt = itemsByProperty.constFind(parentProperty);
        if (parentIt == itemsByProperty.constEnd())
            return;
        for (BrowserItem* parentItem : parentIt.value())
            placements.insert(parentItem, nullptr);
    } else {
        placements.insert(nullptr, nullptr);
    }
    for (auto it = placements.constBegin(); it != placements.constEnd(); ++it)
        createItem(property, it.key(), it.value());
}

BrowserItem* AbstractPropertyBrowserPrivate::createItem(Property* property, BrowserItem* parentItem,
                                                        BrowserItem* afterItem)
{
    auto* item = new BrowserItem(q, property, parentItem);
    if (parentItem) {
        QList<BrowserItem*>& siblings = parentItem->d->children;
        if (!siblings.contains(item))
            siblings.insert(siblings.indexOf(afterItem) + 1, item);
    } else {
        topLevelItemByProperty[property] = item;
        topLevelItems.insert(topLevelItems.indexOf(afterItem) + 1, item);
    }
    itemsByProperty[property].append(item);
    q->itemInserted(item, afterItem);

    BrowserItem* afterChild = nullptr;
    const QList<Property*> subProperties = property->subProperties();
    for (Property* sub : subProperties)
        afterChild = createItem(sub, item, afterChild);
    return item;
}

void AbstractPropertyBrowserPrivate::connectManager(AbstractPropertyManager* manager)
{
    QObject::connect(manager, &AbstractPropertyManager::propertyInserted, q,
                     &AbstractPropertyBrowser::slotPropertyInserted);
    QObject::connect(manager, &AbstractPropertyManager::propertyRemoved, q,
                     &AbstractPropertyBrowser::slotPropertyRemoved);
    QObject::connect(manager, &AbstractPropertyManager::propertyDestroyed, q,
                     &AbstractPropertyBrowser::slotPropertyDestroyed);
    QObject::connect(manager, &AbstractPropertyManager::propertyChanged, q,
                     &AbstractPropertyBrowser::slotPropertyDataChanged);
}

void AbstractPropertyBrowserPrivate::disconnectManager(AbstractPropertyManager* manager)
{
    QObject::disconnect(manager, &AbstractPropertyManager::propertyInserted, q,
                        &AbstractPropertyBrowser::slotPropertyInserted);
    QObject::disconnect(manager, &AbstractPropertyManager::propertyRemoved, q,
                        &AbstractPropertyBrowser::slotPropertyRemoved);
    QObject::disconnect(manager, &AbstractPropertyManager::propertyDestroyed, q,
                        &AbstractPropertyBrowser::slotPropertyDestroyed);
    QObject::disconnect(manager, &AbstractPropertyManager::propertyChanged, q,
                        &AbstractPropertyBrowser::slotPropertyDataChanged);
}

void AbstractPropertyBrowserPrivate::registerSubTree(Property* property, Property* parentProperty)
{
    const auto registered = parentsByProperty.find(property);
    if (registered != parentsByProperty.end()) {
        registered->append(parentProperty);
        return;
    }
    AbstractPropertyManager* manager = property->propertyManager();
    if (!propertiesByManager.contains(manager))
        connectManager(manager);
    propertiesByManager[manager].append(property);
    parentsByProperty[property].append(parentProperty);

    const QList<Property*> subProperties = property->subProperties();
    for (Property* sub : subProperties)
        registerSubTree(sub, property);
}

void AbstractPropertyBrowserPrivate::unregisterSubTree(Property* property, Property* parentProperty)
{
    const auto registered = parentsByProperty.find(property);
    if (registered == parentsByProperty.end())
        return;
    registered->removeAll(parentProperty);
    if (!registered->isEmpty())
        return;
    parentsByProperty.erase(registered);

    AbstractPropertyManager* manager = property->propertyManager();
    QList<Property*>& managed = propertiesByManager[manager];
    managed.removeAll(property);
    if (managed.isEmpty()) {
        disconnectManager(manager);
        propertiesByManager.remove(manager);
    }

    const QList<Property*> subProperties = property->subProperties();
    for (Property* sub : subProperties)
        unregisterSubTree(sub, property);
}

void AbstractPropertyBrowserPrivate::removeItems(Property* property, Property* parentProperty)
{
    const QList<BrowserItem*> itemsOfProperty = itemsByProperty.value(property);
    for (BrowserItem* item : itemsOfProperty) {
        BrowserItem* parentItem = item->parent();
        const bool matches = parentProperty ? (parentItem && parentItem->property() == parentProperty)
                                            : !parentItem;
        if (matches)
            removeItem(item);
    }
}

void AbstractPropertyBrowserPrivate::removeItem(BrowserItem* item)
{
    const QList<BrowserItem*> children = item->children();
    for (int i = children.size() - 1; i >= 0; --i)
        removeItem(children.at(i));

    q->itemRemoved(item);

    Property* property = item->property();
    if (BrowserItem* parentItem = item->parent()) {
        parentItem->d->children.removeAll(item);
    } else {
        topLevelItemByProperty.remove(property);
        topLevelItems.removeAll(item);
    }
    const auto itemsIt = itemsByProperty.find(property);
    if (itemsIt != itemsByProperty.end()) {
        itemsIt->removeAll(item);
        if (itemsIt->isEmpty())
            itemsByProperty.erase(itemsIt);
    }
    delete item;
}

void AbstractPropertyBrowserPrivate::deleteSubTree(BrowserItem* item)
{
    const QList<BrowserItem*> children = item->children();
    for (BrowserItem* child : children)
        deleteSubTree(child);
    delete item;
}

AbstractPropertyBrowser::AbstractPropertyBrowser(QWidget* parent)
    : QWidget(parent)
    , d(std::make_unique<AbstractPropertyBrowserPrivate>(this))
{
}

AbstractPropertyBrowser::~AbstractPropertyBrowser()
{
    // Leave no binding behind that names this browser (see the registry).
    if (EditorFactoryRegistry* registry = EditorFactoryRegistry::instance()) {
        const QList<AbstractPropertyManager*> managers =
            registry->factoryByBrowser.value(this).keys();
        for (AbstractPropertyManager* manager : managers)
            unsetFactoryForManager(manager);
    }
    for (BrowserItem* item : qAsConst(d->topLevelItems))
        d->deleteSubTree(item);
}

QList<Property*> AbstractPropertyBrowser::properties() const
{
    return d->topLevelProperties;
}

QList<BrowserItem*> AbstractPropertyBrowser::items(Property* property) const
{
    return d->itemsByProperty.value(property);
}

BrowserItem* AbstractPropertyBrowser::topLevelItem(Property* property) const
{
    return d->topLevelItemByProperty.value(property);
}

QList<BrowserItem*> AbstractPropertyBrowser::topLevelItems() const
{
    return d->topLevelItems;
}

void AbstractPropertyBrowser::clear()
{
    const QList<Property*> shown = properties();
    for (int i = shown.size() - 1; i >= 0; --i)
        removeProperty(shown.at(i));
}

BrowserItem* AbstractPropertyBrowser::addProperty(Property* property)
{
    Property* afterProperty = d->topLevelProperties.isEmpty() ? nullptr : d->topLevelProperties.last();
    return insertProperty(property, afterProperty);
}

BrowserItem* AbstractPropertyBrowser::insertProperty(Property* property, Property* afterProperty)
{
    if (!property)
        return nullptr;
    int position = 0;
    for (int i = 0; i < d->topLevelProperties.size(); ++i) {
        Property* shown = d->topLevelProperties.at(i);
        if (shown == property)
            return nullptr;
        if (shown == afterProperty)
            position = i + 1;
    }
    d->createItems(property, nullptr, afterProperty);
    d->registerSubTree(property, nullptr);
    d->topLevelProperties.insert(position, property);
    return topLevelItem(property);
}

void AbstractPropertyBrowser::removeProperty(Property* property)
{
    if (!property || !d->topLevelProperties.contains(property))
        return;
    d->topLevelProperties.removeAll(property);
    d->unregisterSubTree(property, nullptr);
    d->removeItems(property, nullptr);
}

BrowserItem* AbstractPropertyBrowser::currentItem() const
{
    return d->currentItem;
}

void AbstractPropertyBrowser::setCurrentItem(BrowserItem* item)
{
    if (item == d->currentItem)
        return;
    d->currentItem = item;
    emit currentItemChanged(item);
}

QWidget* AbstractPropertyBrowser::createEditor(Property* property, QWidget* parent)
{
    EditorFactoryRegistry* registry = EditorFactoryRegistry::instance();
    if (!registry || !property)
        return nullptr;
    AbstractEditorFactoryBase* factory =
        registry->factoryByBrowser.value(this).value(property->propertyManager());
    if (!factory)
        return nullptr;
    return factory->createEditor(property, parent);
}

bool AbstractPropertyBrowser::addFactory(AbstractPropertyManager* manager,
                                         AbstractEditorFactoryBase* factory)
{
    EditorFactoryRegistry* registry = EditorFactoryRegistry::instance();
    if (!registry || !manager || !factory)
        return false;
    bool firstUse = true;
    const auto managerIt = registry->browsersByManager.constFind(manager);
    if (managerIt != registry->browsersByManager.constEnd()) {
        const auto factoryIt = managerIt->constFind(factory);
        if (factoryIt != managerIt->constEnd()) {
            firstUse = false;
            if (factoryIt->contains(this))
                return false;
        }
    }
    if (registry->factoryByBrowser.value(this).contains(manager))
        unsetFactoryForManager(manager);

    registry->browsersByManager[manager][factory].append(this);
    registry->factoryByBrowser[this][manager] = factory;
    registry->watch(manager);
    registry->watch(factory);
    return firstUse;
}

void AbstractPropertyBrowser::unsetFactoryForManager(AbstractPropertyManager* manager)
{
    EditorFactoryRegistry* registry = EditorFactoryRegistry::instance();
    if (!registry)
        return;
    const auto browserIt = registry->factoryByBrowser.find(this);
    if (browserIt == registry->factoryByBrowser.end() || !browserIt->contains(manager))
        return;
    AbstractEditorFactoryBase* factory = browserIt->take(manager);
    if (browserIt->isEmpty())
        registry->factoryByBrowser.erase(browserIt);

    auto managerIt = registry->browsersByManager.find(manager);
    if (managerIt == registry->browsersByManager.end())
        return;
    auto factoryIt = managerIt->find(factory);
    if (factoryIt == managerIt->end())
        return;
    factoryIt->removeAll(this);
    if (!factoryIt->isEmpty())
        return;
    managerIt->erase(factoryIt);
    if (managerIt->isEmpty())
        registry->browsersByManager.erase(managerIt);
    factory->breakConnection(manager);
}

void AbstractPropertyBrowser::slotPropertyInserted(Property* property, Property* parentProperty,
                                                   Property* afterProperty)
{
    if (!d->parentsByProperty.contains(parentProperty))
        return;
    d->createItems(property, parentProperty, afterProperty);
    d->registerSubTree(property, parentProperty);
}

void AbstractPropertyBrowser::slotPropertyRemoved(Property* property, Property* parentProperty)
{
    if (!d->parentsByProperty.contains(parentProperty))
        return;
    d->unregisterSubTree(property, parentProperty);
    d->removeItems(property, parentProperty);
}

void AbstractPropertyBrowser::slotPropertyDestroyed(Property* property)
{
    if (d->topLevelProperties.contains(property))
        removeProperty(property);
}

void AbstractPropertyBrowser::slotPropertyDataChanged(Property* property)
{
    if (!d->parentsByProperty.contains(property))
        return;
    const QList<BrowserItem*> itemsOfProperty = d->itemsByProperty.value(property);
    for (BrowserItem* item : itemsOfProperty)
        itemChanged(item);
}
