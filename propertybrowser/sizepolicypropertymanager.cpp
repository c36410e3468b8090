#include "sizepolicypropertymanager.h"

#include "enumnametable.h"
#include "enumpropertymanager.h"
#include "intpropertymanager.h"
#include "property.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

namespace {
constexpr int StretchMaximum = 255;
}

class SizePolicyPropertyManagerPrivate
{
public:
    PropertyValueMap<QSizePolicy> values;
    IntPropertyManager *intManager = nullptr;
    EnumPropertyManager *enumManager = nullptr;
    SubPropertyMap horizontalPolicy;
    SubPropertyMap verticalPolicy;
    SubPropertyMap horizontalStretch;
    SubPropertyMap verticalStretch;

    QList<SubPropertyMap *> maps()
    {
        return {&horizontalPolicy, &verticalPolicy, &horizontalStretch, &verticalStretch};
    }
};

SizePolicyPropertyManager::SizePolicyPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<SizePolicyPropertyManagerPrivate>())
{
    d->intManager = new IntPropertyManager(this);
    connect(d->intManager, &IntPropertyManager::valueChanged, this, &SizePolicyPropertyManager::slotIntChanged);
    connect(d->intManager, &IntPropertyManager::propertyDestroyed, this,
            &SizePolicyPropertyManager::slotPropertyDestroyed);
    d->enumManager = new EnumPropertyManager(this);
    connect(d->enumManager, &EnumPropertyManager::valueChanged, this,
            &SizePolicyPropertyManager::slotEnumChanged);
    connect(d->enumManager, &EnumPropertyManager::propertyDestroyed, this,
            &SizePolicyPropertyManager::slotPropertyDestroyed);
}

SizePolicyPropertyManager::~SizePolicyPropertyManager()
{
    clear();
}

IntPropertyManager *SizePolicyPropertyManager::intSubManager() const
{
    return d->intManager;
}

EnumPropertyManager *SizePolicyPropertyManager::enumSubManager() const
{
    return d->enumManager;
}

QSizePolicy SizePolicyPropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString SizePolicyPropertyManager::valueText(const Property *property) const
{
    const QSizePolicy *policy = d->values.find(property);
    if (!policy)
        return QString();
    const EnumNameTable *table = EnumNameTable::instance();
    const QStringList names = table->policyNames();
    const auto policyName = [&](QSizePolicy::Policy value) {
        const int index = table->indexOfPolicy(value);
        return index >= 0 ? names.at(index) : tr("<Invalid>");
    };
    return tr("[%1, %2, %3, %4]")
        .arg(policyName(policy->horizontalPolicy()), policyName(policy->verticalPolicy()))
        .arg(policy->horizontalStretch())
        .arg(policy->verticalStretch());
}

void SizePolicyPropertyManager::setValue(Property *property, const QSizePolicy &val)
{
    if (!storeChangedValue(d->values, property, val))
        return;
    const EnumNameTable *table = EnumNameTable::instance();
    d->enumManager->setValue(d->horizontalPolicy.sub(property), table->indexOfPolicy(val.horizontalPolicy()));
    d->enumManager->setValue(d->verticalPolicy.sub(property), table->indexOfPolicy(val.verticalPolicy()));
    d->intManager->setValue(d->horizontalStretch.sub(property), val.horizontalStretch());
    d->intManager->setValue(d->verticalStretch.sub(property), val.verticalStretch());
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void SizePolicyPropertyManager::slotIntChanged(Property *sub, int value)
{
    static void (QSizePolicy::*const setters[])(int) = {&QSizePolicy::setHorizontalStretch,
                                                        &QSizePolicy::setVerticalStretch};
    takeSubValue(this, {&d->horizontalStretch, &d->verticalStretch}, setters, sub, value);
}

void SizePolicyPropertyManager::slotEnumChanged(Property *sub, int value)
{
    static void (QSizePolicy::*const setters[])(QSizePolicy::Policy) = {&QSizePolicy::setHorizontalPolicy,
                                                                        &QSizePolicy::setVerticalPolicy};
    takeSubValue(this, {&d->horizontalPolicy, &d->verticalPolicy}, setters, sub,
                 EnumNameTable::instance()->policyOfIndex(value));
}

void SizePolicyPropertyManager::slotPropertyDestroyed(Property *sub)
{
    SubPropertyMap::forgetIn(d->maps(), sub);
}

void SizePolicyPropertyManager::initializeProperty(Property *property)
{
    const QSizePolicy policy;
    d->values.reset(property, policy);
    const EnumNameTable *table = EnumNameTable::instance();

    const auto addPolicy = [&](SubPropertyMap &map, const QString &name, QSizePolicy::Policy value) {
        Property *sub = SubPropertyMap::create(d->enumManager, name);
        d->enumManager->setEnumNames(sub, table->policyNames());
        d->enumManager->setValue(sub, table->indexOfPolicy(value));
        map.attach(property, sub);
    };
    const auto addStretch = [&](SubPropertyMap &map, const QString &name, int value) {
        Property *sub = SubPropertyMap::create(d->intManager, name);
        d->intManager->setValue(sub, value);
        d->intManager->setRange(sub, 0, StretchMaximum);
        map.attach(property, sub);
    };
    addPolicy(d->horizontalPolicy, tr("Horizontal Policy"), policy.horizontalPolicy());
    addPolicy(d->verticalPolicy, tr("Vertical Policy"), policy.verticalPolicy());
    addStretch(d->horizontalStretch, tr("Horizontal Stretch"), policy.horizontalStretch());
    addStretch(d->verticalStretch, tr("Vertical Stretch"), policy.verticalStretch());
}

void SizePolicyPropertyManager::uninitializeProperty(Property *property)
{
    SubPropertyMap::removeOwnerIn(d->maps(), property);
    d->values.remove(property);
}
