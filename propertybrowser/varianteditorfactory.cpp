#include "varianteditorfactory.h"

#include "checkboxfactory.h"
#include "chareditorfactory.h"
#include "coloreditorfactory.h"
#include "cursoreditorfactory.h"
#include "dateeditfactory.h"
#include "datetimeeditfactory.h"
#include "doublespinboxfactory.h"
#include "enumeditorfactory.h"
#include "fonteditorfactory.h"
#include "keysequenceeditorfactory.h"
#include "lineeditfactory.h"
#include "localepropertymanager.h"
#include "pointfpropertymanager.h"
#include "pointpropertymanager.h"
#include "rectfpropertymanager.h"
#include "rectpropertymanager.h"
#include "sizefpropertymanager.h"
#include "sizepolicypropertymanager.h"
#include "sizepropertymanager.h"
#include "spinboxfactory.h"
#include "timeeditfactory.h"
#include "flagpropertymanager.h"

#include <QMap>

class VariantEditorFactoryPrivate
{
public:
    template <class Factory>
    Factory* addFactory(VariantEditorFactory* owner, int type)
    {
        auto* factory = new Factory(owner);
        factoryToType[factory] = type;
        typeToFactory[type] = factory;
        return factory;
    }

    // Calls `bind(factory, manager)` for every pair of typed factory and
    // (sub-)manager of the variant manager that the factory edits.
    template <class Bind>
    void forEachBinding(VariantPropertyManager* manager, Bind bind) const;

    SpinBoxFactory* spinBoxFactory = nullptr;
    DoubleSpinBoxFactory* doubleSpinBoxFactory = nullptr;
    CheckBoxFactory* checkBoxFactory = nullptr;
    LineEditFactory* lineEditFactory = nullptr;
    DateEditFactory* dateEditFactory = nullptr;
    TimeEditFactory* timeEditFactory = nullptr;
    DateTimeEditFactory* dateTimeEditFactory = nullptr;
    KeySequenceEditorFactory* keySequenceEditorFactory = nullptr;
    CharEditorFactory* charEditorFactory = nullptr;
    EnumEditorFactory* enumEditorFactory = nullptr;
    CursorEditorFactory* cursorEditorFactory = nullptr;
    ColorEditorFactory* colorEditorFactory = nullptr;
    FontEditorFactory* fontEditorFactory = nullptr;
    QMap<AbstractEditorFactoryBase*, int> factoryToType;
    QMap<int, AbstractEditorFactoryBase*> typeToFactory;
};

template <class Bind>
void VariantEditorFactoryPrivate::forEachBinding(VariantPropertyManager* manager, Bind bind) const
{
    auto each = [manager](auto visit, auto* typeTag) {
        using Manager = std::remove_pointer_t<decltype(typeTag)>;
        const QList<Manager*> found = manager->findChildren<Manager*>();
        for (Manager* m : found)
            visit(m);
    };
    each([&](IntPropertyManager* m) { bind(spinBoxFactory, m); }, static_cast<IntPropertyManager*>(nullptr));
    each([&](DoublePropertyManager* m) { bind(doubleSpinBoxFactory, m); },
         static_cast<DoublePropertyManager*>(nullptr));
    each([&](BoolPropertyManager* m) { bind(checkBoxFactory, m); }, static_cast<BoolPropertyManager*>(nullptr));
    each([&](StringPropertyManager* m) { bind(lineEditFactory, m); },
         static_cast<StringPropertyManager*>(nullptr));
    each([&](DatePropertyManager* m) { bind(dateEditFactory, m); }, static_cast<DatePropertyManager*>(nullptr));
    each([&](TimePropertyManager* m) { bind(timeEditFactory, m); }, static_cast<TimePropertyManager*>(nullptr));
    each([&](DateTimePropertyManager* m) { bind(dateTimeEditFactory, m); },
         static_cast<DateTimePropertyManager*>(nullptr));
    each([&](KeySequencePropertyManager* m) { bind(keySequenceEditorFactory, m); },
         static_cast<KeySequencePropertyManager*>(nullptr));
    each([&](CharPropertyManager* m) { bind(charEditorFactory, m); },
         static_cast<CharPropertyManager*>(nullptr));
    each([&](LocalePropertyManager* m) { bind(enumEditorFactory, m->enumSubManager()); },
         static_cast<LocalePropertyManager*>(nullptr));
    each([&](PointPropertyManager* m) { bind(spinBoxFactory, m->intSubManager()); },
         static_cast<PointPropertyManager*>(nullptr));
    each([&](PointFPropertyManager* m) { bind(doubleSpinBoxFactory, m->doubleSubManager()); },
         static_cast<PointFPropertyManager*>(nullptr));
    each([&](SizePropertyManager* m) { bind(spinBoxFactory, m->intSubManager()); },
         static_cast<SizePropertyManager*>(nullptr));
    each([&](SizeFPropertyManager* m) { bind(doubleSpinBoxFactory, m->doubleSubManager()); },
         static_cast<SizeFPropertyManager*>(nullptr));
    each([&](RectPropertyManager* m) { bind(spinBoxFactory, m->intSubManager()); },
         static_cast<RectPropertyManager*>(nullptr));
    each([&](RectFPropertyManager* m) { bind(doubleSpinBoxFactory, m->doubleSubManager()); },
         static_cast<RectFPropertyManager*>(nullptr));
    each([&](ColorPropertyManager* m) {
             bind(colorEditorFactory, m);
             bind(spinBoxFactory, m->intSubManager());
         },
         static_cast<ColorPropertyManager*>(nullptr));
    each([&](EnumPropertyManager* m) { bind(enumEditorFactory, m); }, static_cast<EnumPropertyManager*>(nullptr));
    each([&](SizePolicyPropertyManager* m) {
             bind(spinBoxFactory, m->intSubManager());
             bind(enumEditorFactory, m->enumSubManager());
         },
         static_cast<SizePolicyPropertyManager*>(nullptr));
    each([&](FontPropertyManager* m) {
             bind(spinBoxFactory, m->intSubManager());
             bind(enumEditorFactory, m->enumSubManager());
             bind(checkBoxFactory, m->boolSubManager());
             bind(fontEditorFactory, m);
         },
         static_cast<FontPropertyManager*>(nullptr));
    each([&](CursorPropertyManager* m) { bind(cursorEditorFactory, m); },
         static_cast<CursorPropertyManager*>(nullptr));
    each([&](FlagPropertyManager* m) { bind(checkBoxFactory, m->boolSubManager()); },
         static_cast<FlagPropertyManager*>(nullptr));
}

VariantEditorFactory::VariantEditorFactory(QObject* parent)
    : AbstractEditorFactory<VariantPropertyManager>(parent)
    , d(std::make_unique<VariantEditorFactoryPrivate>())
{
    d->spinBoxFactory = d->addFactory<SpinBoxFactory>(this, QVariant::Int);
    d->doubleSpinBoxFactory = d->addFactory<DoubleSpinBoxFactory>(this, QVariant::Double);
    d->checkBoxFactory = d->addFactory<CheckBoxFactory>(this, QVariant::Bool);
    d->lineEditFactory = d->addFactory<LineEditFactory>(this, QVariant::String);
    d->dateEditFactory = d->addFactory<DateEditFactory>(this, QVariant::Date);
    d->timeEditFactory = d->addFactory<TimeEditFactory>(this, QVariant::Time);
    d->dateTimeEditFactory = d->addFactory<DateTimeEditFactory>(this, QVariant::DateTime);
    d->keySequenceEditorFactory = d->addFactory<KeySequenceEditorFactory>(this, QVariant::KeySequence);
    d->charEditorFactory = d->addFactory<CharEditorFactory>(this, QVariant::Char);
    d->cursorEditorFactory = d->addFactory<CursorEditorFactory>(this, QVariant::Cursor);
    d->colorEditorFactory = d->addFactory<ColorEditorFactory>(this, QVariant::Color);
    d->fontEditorFactory = d->addFactory<FontEditorFactory>(this, QVariant::Font);
    d->enumEditorFactory =
        d->addFactory<EnumEditorFactory>(this, VariantPropertyManager::enumTypeId());
}

VariantEditorFactory::~VariantEditorFactory() = default;

void VariantEditorFactory::connectPropertyManager(VariantPropertyManager* manager)
{
    d->forEachBinding(manager, [](auto* factory, auto* typedManager) {
        factory->addPropertyManager(typedManager);
    });
}

void VariantEditorFactory::disconnectPropertyManager(VariantPropertyManager* manager)
{
    d->forEachBinding(manager, [](auto* factory, auto* typedManager) {
        factory->removePropertyManager(typedManager);
    });
}

QWidget* VariantEditorFactory::createEditor(VariantPropertyManager* manager, Property* property,
                                            QWidget* parent)
{
    AbstractEditorFactoryBase* factory = d->typeToFactory.value(manager->propertyType(property));
    if (!factory)
        return nullptr;
    Property* internal = VariantPropertyManager::internalProperty(property);
    if (!internal)
        return nullptr;
    return factory->createEditor(internal, parent);
}
