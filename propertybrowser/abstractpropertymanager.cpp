#include "abstractpropertymanager.h"

#include "property.h"

class AbstractPropertyManagerPrivate
{
public:
    QSet<Property *> properties;
};

namespace {
// Property's constructor is protected: only managers create plain properties.
class PlainProperty : public Property
{
public:
    explicit PlainProperty(AbstractPropertyManager *manager) : Property(manager) {}
};
} // namespace

AbstractPropertyManager::AbstractPropertyManager(QObject *parent)
    : QObject(parent), d(std::make_unique<AbstractPropertyManagerPrivate>())
{
    // Lets the managers' signals be spied on and queued by their text signature.
    qRegisterMetaType<Property *>("Property*");
}

AbstractPropertyManager::~AbstractPropertyManager()
{
    clear();
}

QSet<Property *> AbstractPropertyManager::properties() const
{
    return d->properties;
}

void AbstractPropertyManager::clear() const
{
    // Each deletion takes the property out of the set (propertyGone).
    while (!d->properties.isEmpty())
        delete *d->properties.cbegin();
}

Property *AbstractPropertyManager::addProperty(const QString &name)
{
    Property *property = createProperty();
    if (!property)
        return nullptr;
    property->setPropertyName(name);
    d->properties.insert(property);
    initializeProperty(property);
    return property;
}

bool AbstractPropertyManager::hasValue(const Property *) const { return true; }
QIcon AbstractPropertyManager::valueIcon(const Property *) const { return QIcon(); }
QString AbstractPropertyManager::valueText(const Property *) const { return QString(); }
QString AbstractPropertyManager::displayText(const Property *) const { return QString(); }

QLineEdit::EchoMode AbstractPropertyManager::echoMode(const Property *) const
{
    return QLineEdit::Normal;
}

void AbstractPropertyManager::uninitializeProperty(Property *) {}

Property *AbstractPropertyManager::createProperty()
{
    return new PlainProperty(this);
}

void AbstractPropertyManager::propertyGone(Property *property)
{
    if (!d->properties.contains(property))
        return;
    emit propertyDestroyed(property);
    uninitializeProperty(property);
    d->properties.remove(property);
}
