#include "flagpropertymanager.h"

#include "boolpropertymanager.h"
#include "property.h"
#include "propertyvaluemap.h"

namespace {
struct FlagData
{
    int val = -1;
    QStringList flagNames;
};
} // namespace

class FlagPropertyManagerPrivate
{
public:
    PropertyValueMap<FlagData> values;
    // Position i is bit i; an entry is null once its sub-property was
    // destroyed elsewhere, so the other bits keep their positions.
    QMap<const Property *, QList<Property *>> subProperties;
    QMap<const Property *, Property *> ownerOfSub;
    BoolPropertyManager *boolManager = nullptr;
};

FlagPropertyManager::FlagPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<FlagPropertyManagerPrivate>())
{
    d->boolManager = new BoolPropertyManager(this);
    connect(d->boolManager, &BoolPropertyManager::valueChanged, this, &FlagPropertyManager::slotBoolChanged);
    connect(d->boolManager, &BoolPropertyManager::propertyDestroyed, this,
            &FlagPropertyManager::slotPropertyDestroyed);
}

FlagPropertyManager::~FlagPropertyManager()
{
    clear();
}

BoolPropertyManager *FlagPropertyManager::boolSubManager() const
{
    return d->boolManager;
}

int FlagPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &FlagData::val);
}

QStringList FlagPropertyManager::flagNames(const Property *property) const
{
    return d->values.field(property, &FlagData::flagNames);
}

QString FlagPropertyManager::valueText(const Property *property) const
{
    const FlagData *record = d->values.find(property);
    if (!record)
        return QString();
    QStringList setNames;
    for (int i = 0; i < record->flagNames.size() && i < 32; ++i) {
        if (record->val & (1u << i))
            setNames << record->flagNames.at(i);
    }
    return setNames.join(QLatin1Char('|'));
}

void FlagPropertyManager::setValue(Property *property, int val)
{
    FlagData *record = d->values.find(property);
    if (!record || record->val == val)
        return;
    // The bound 2^n no longer fits an int from 31 names on: work in 64 bits.
    const qint64 bound = qint64(1) << qMin(record->flagNames.size(), 62);
    if (val < 0 || qint64(val) >= bound)
        return;
    record->val = val;

    const QList<Property *> subs = d->subProperties.value(property);
    for (int i = 0; i < subs.size(); ++i) {
        if (subs.at(i) && i < 32)
            d->boolManager->setValue(subs.at(i), (quint32(val) >> i) & 1u);
    }
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void FlagPropertyManager::setFlagNames(Property *property, const QStringList &names)
{
    FlagData *record = d->values.find(property);
    if (!record || record->flagNames == names)
        return;
    record->flagNames = names;
    record->val = 0;

    deleteSubProperties(property);
    QList<Property *> subs;
    for (const QString &name : names) {
        Property *sub = d->boolManager->addProperty();
        sub->setPropertyName(name);
        property->addSubProperty(sub);
        subs.append(sub);
        d->ownerOfSub.insert(sub, property);
    }
    d->subProperties.insert(property, subs);

    emit flagNamesChanged(property, names);
    emit propertyChanged(property);
    emit valueChanged(property, 0);
}

void FlagPropertyManager::deleteSubProperties(const Property *property)
{
    const QList<Property *> subs = d->subProperties.value(property);
    for (Property *sub : subs) {
        if (sub) {
            d->ownerOfSub.remove(sub);
            delete sub;
        }
    }
    d->subProperties.remove(property);
}

void FlagPropertyManager::slotBoolChanged(Property *sub, bool on)
{
    Property *owner = d->ownerOfSub.value(sub);
    if (!owner)
        return;
    const int bit = d->subProperties.value(owner).indexOf(sub);
    const FlagData *record = d->values.find(owner);
    if (bit < 0 || bit >= 32 || !record)
        return;
    const quint32 mask = 1u << bit;
    const quint32 bits = on ? (quint32(record->val) | mask) : (quint32(record->val) & ~mask);
    setValue(owner, int(bits));
}

void FlagPropertyManager::slotPropertyDestroyed(Property *sub)
{
    Property *owner = d->ownerOfSub.take(sub);
    if (!owner)
        return;
    QList<Property *> &subs = d->subProperties[owner];
    const int position = subs.indexOf(sub);
    if (position >= 0)
        subs[position] = nullptr;
}

void FlagPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
    d->subProperties.insert(property, QList<Property *>());
}

void FlagPropertyManager::uninitializeProperty(Property *property)
{
    deleteSubProperties(property);
    d->values.remove(property);
}
