#include "localepropertymanager.h"

#include "enumnametable.h"
#include "enumpropertymanager.h"
#include "property.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

#include <QScopedValueRollback>

class LocalePropertyManagerPrivate
{
public:
    PropertyValueMap<QLocale> values;
    EnumPropertyManager *enumManager = nullptr;
    SubPropertyMap language;
    SubPropertyMap country;
    // Set while setValue pushes the parts: replacing the country names makes
    // the enum manager announce index 0, which is not a choice of anyone's.
    bool pushing = false;
};

LocalePropertyManager::LocalePropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<LocalePropertyManagerPrivate>())
{
    d->enumManager = new EnumPropertyManager(this);
    connect(d->enumManager, &EnumPropertyManager::valueChanged, this, &LocalePropertyManager::slotEnumChanged);
    connect(d->enumManager, &EnumPropertyManager::propertyDestroyed, this,
            &LocalePropertyManager::slotPropertyDestroyed);
}

LocalePropertyManager::~LocalePropertyManager()
{
    clear();
}

EnumPropertyManager *LocalePropertyManager::enumSubManager() const
{
    return d->enumManager;
}

QLocale LocalePropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString LocalePropertyManager::valueText(const Property *property) const
{
    const QLocale *locale = d->values.find(property);
    if (!locale)
        return QString();
    const EnumNameTable *table = EnumNameTable::instance();
    int languageIndex = -1;
    int countryIndex = -1;
    table->indicesOfLocale(locale->language(), locale->country(), &languageIndex, &countryIndex);
    return tr("%1, %2").arg(table->languageNames().value(languageIndex),
                            table->countryNames(locale->language()).value(countryIndex));
}

void LocalePropertyManager::setValue(Property *property, const QLocale &val)
{
    QLocale *stored = d->values.find(property);
    if (!stored || *stored == val)
        return;
    const QLocale old = *stored;
    *stored = val;

    const EnumNameTable *table = EnumNameTable::instance();
    int languageIndex = -1;
    int countryIndex = -1;
    table->indicesOfLocale(val.language(), val.country(), &languageIndex, &countryIndex);
    {
        const QScopedValueRollback<bool> guard(d->pushing, true);
        if (val.language() != old.language()) {
            d->enumManager->setValue(d->language.sub(property), languageIndex);
            d->enumManager->setEnumNames(d->country.sub(property), table->countryNames(val.language()));
        }
        d->enumManager->setValue(d->country.sub(property), countryIndex);
    }

    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void LocalePropertyManager::slotEnumChanged(Property *sub, int value)
{
    if (d->pushing)
        return;
    const EnumNameTable *table = EnumNameTable::instance();
    if (Property *owner = d->language.owner(sub)) {
        QLocale::Language language = QLocale::C;
        table->localeOfIndices(value, 0, &language, nullptr);
        setValue(owner, QLocale(language, d->values.value(owner).country()));
    } else if (Property *owner = d->country.owner(sub)) {
        QLocale::Language language = QLocale::C;
        QLocale::Country country = QLocale::AnyCountry;
        table->localeOfIndices(d->enumManager->value(d->language.sub(owner)), value, &language, &country);
        setValue(owner, QLocale(language, country));
    }
}

void LocalePropertyManager::slotPropertyDestroyed(Property *sub)
{
    SubPropertyMap::forgetIn({&d->language, &d->country}, sub);
}

void LocalePropertyManager::initializeProperty(Property *property)
{
    const QLocale locale;
    d->values.reset(property, locale);
    const EnumNameTable *table = EnumNameTable::instance();
    int languageIndex = -1;
    int countryIndex = -1;
    table->indicesOfLocale(locale.language(), locale.country(), &languageIndex, &countryIndex);

    Property *language = SubPropertyMap::create(d->enumManager, tr("Language"));
    d->enumManager->setEnumNames(language, table->languageNames());
    d->enumManager->setValue(language, languageIndex);
    d->language.attach(property, language);

    Property *country = SubPropertyMap::create(d->enumManager, tr("Country"));
    d->enumManager->setEnumNames(country, table->countryNames(locale.language()));
    d->enumManager->setValue(country, countryIndex);
    d->country.attach(property, country);
}

void LocalePropertyManager::uninitializeProperty(Property *property)
{
    SubPropertyMap::removeOwnerIn({&d->language, &d->country}, property);
    d->values.remove(property);
}
