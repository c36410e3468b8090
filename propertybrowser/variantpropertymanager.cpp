#include "variantpropertymanager.h"

#include "boolpropertymanager.h"
#include "charpropertymanager.h"
#include "colorpropertymanager.h"
#include "cursorpropertymanager.h"
#include "datepropertymanager.h"
#include "datetimepropertymanager.h"
#include "doublepropertymanager.h"
#include "enumpropertymanager.h"
#include "flagpropertymanager.h"
#include "fontpropertymanager.h"
#include "grouppropertymanager.h"
#include "intpropertymanager.h"
#include "keysequencepropertymanager.h"
#include "localepropertymanager.h"
#include "pointfpropertymanager.h"
#include "pointpropertymanager.h"
#include "rectfpropertymanager.h"
#include "rectpropertymanager.h"
#include "sizefpropertymanager.h"
#include "sizepolicypropertymanager.h"
#include "sizepropertymanager.h"
#include "stringpropertymanager.h"
#include "timepropertymanager.h"
#include "variantproperty.h"

#include <QKeySequence>
#include <QRegExp>
#include <QSizePolicy>

namespace {

// Empty marker types whose registered ids name the enum, flag and group
// property types.
struct EnumPropertyType {};
struct FlagPropertyType {};
struct GroupPropertyType {};

using IconMap = QMap<int, QIcon>;

const QString kConstraint = QStringLiteral("constraint");
const QString kSingleStep = QStringLiteral("singleStep");
const QString kDecimals = QStringLiteral("decimals");
const QString kEnumIcons = QStringLiteral("enumIcons");
const QString kEnumNames = QStringLiteral("enumNames");
const QString kFlagNames = QStringLiteral("flagNames");
const QString kMaximum = QStringLiteral("maximum");
const QString kMinimum = QStringLiteral("minimum");
const QString kRegExp = QStringLiteral("regExp");
const QString kEchoMode = QStringLiteral("echoMode");
const QString kReadOnly = QStringLiteral("readOnly");
const QString kTextVisible = QStringLiteral("textVisible");

// Variant property -> the typed property behind it, shared by every variant
// manager of the process; made on first use, gone at program exit.
using WrappedTable = QMap<const Property*, Property*>;
Q_GLOBAL_STATIC(WrappedTable, wrappedProperties)

// Converts a value to the given type, refusing what does not really
// convert ("abc" to a number is refused, not stored as 0).
bool convertTo(QVariant& value, int type)
{
    if (value.userType() == type)
        return true;
    return value.convert(type);
}

} // namespace

Q_DECLARE_METATYPE(EnumPropertyType)
Q_DECLARE_METATYPE(FlagPropertyType)
Q_DECLARE_METATYPE(GroupPropertyType)

class VariantPropertyManagerPrivate
{
public:
    explicit VariantPropertyManagerPrivate(VariantPropertyManager* manager) : q(manager) {}

    template <class Manager>
    Manager* addManager(int type, int valueType, QMap<QString, int> attributes = {})
    {
        auto* manager = new Manager(q);
        typeToPropertyManager[type] = manager;
        typeToValueType[type] = valueType;
        if (!attributes.isEmpty())
            typeToAttributeToAttributeType[type] = attributes;
        return manager;
    }

    void relayValue(Property* internal, const QVariant& value);
    void relayAttribute(Property* internal, const QString& attribute, const QVariant& value);
    void relayRange(Property* internal, const QVariant& min, const QVariant& max);
    VariantProperty* mirrorSubProperty(VariantProperty* parent, VariantProperty* after, Property* internal);
    void slotPropertyInserted(Property* property, Property* parent, Property* after);
    void slotPropertyRemoved(Property* property, Property* parent);

    template <class Manager>
    void followStructure(Manager* manager)
    {
        QObject::connect(manager, &AbstractPropertyManager::propertyInserted, q,
                         [this](Property* p, Property* parent, Property* after) {
                             slotPropertyInserted(p, parent, after);
                         });
        QObject::connect(manager, &AbstractPropertyManager::propertyRemoved, q,
                         [this](Property* p, Property* parent) { slotPropertyRemoved(p, parent); });
    }

    template <class Manager, class Value>
    void followValue(Manager* manager, void (Manager::*signal)(Property*, Value))
    {
        QObject::connect(manager, signal, q, [this](Property* p, Value v) {
            relayValue(p, QVariant::fromValue(typename std::decay<Value>::type(v)));
        });
    }

    template <class Manager, class Value>
    void followRange(Manager* manager, void (Manager::*signal)(Property*, Value, Value))
    {
        QObject::connect(manager, signal, q, [this](Property* p, Value min, Value max) {
            relayRange(p, QVariant::fromValue(typename std::decay<Value>::type(min)),
                       QVariant::fromValue(typename std::decay<Value>::type(max)));
        });
    }

    template <class Manager, class Value>
    void followAttribute(Manager* manager, void (Manager::*signal)(Property*, Value), const QString& name)
    {
        QObject::connect(manager, signal, q, [this, name](Property* p, Value v) {
            relayAttribute(p, name, QVariant::fromValue(typename std::decay<Value>::type(v)));
        });
    }

    void followIntManager(IntPropertyManager* manager, bool withSingleStep);
    void followDoubleManager(DoublePropertyManager* manager, bool withAttributes);
    void followEnumManager(EnumPropertyManager* manager, bool withIcons);
    void createManagers();

    VariantPropertyManager* q;
    bool creatingProperty = false;
    bool creatingSubProperties = false;
    bool destroyingSubProperties = false;
    int propertyType = 0;
    QMap<int, AbstractPropertyManager*> typeToPropertyManager;
    QMap<int, QMap<QString, int>> typeToAttributeToAttributeType;
    QMap<const Property*, QPair<VariantProperty*, int>> propertyToType;
    QMap<int, int> typeToValueType;
    QMap<Property*, VariantProperty*> internalToProperty;
};

void VariantPropertyManagerPrivate::relayValue(Property* internal, const QVariant& value)
{
    if (VariantProperty* property = internalToProperty.value(internal)) {
        emit q->valueChanged(property, value);
        emit q->propertyChanged(property);
    }
}

void VariantPropertyManagerPrivate::relayAttribute(Property* internal, const QString& attribute,
                                                   const QVariant& value)
{
    if (VariantProperty* property = internalToProperty.value(internal))
        emit q->attributeChanged(property, attribute, value);
}

void VariantPropertyManagerPrivate::relayRange(Property* internal, const QVariant& min, const QVariant& max)
{
    if (VariantProperty* property = internalToProperty.value(internal)) {
        emit q->attributeChanged(property, kMinimum, min);
        emit q->attributeChanged(property, kMaximum, max);
    }
}

VariantProperty* VariantPropertyManagerPrivate::mirrorSubProperty(VariantProperty* parent,
                                                                  VariantProperty* after,
                                                                  Property* internal)
{
    AbstractPropertyManager* internalManager = internal->propertyManager();
    int type = 0;
    if (qobject_cast<IntPropertyManager*>(internalManager))
        type = QVariant::Int;
    else if (qobject_cast<EnumPropertyManager*>(internalManager))
        type = VariantPropertyManager::enumTypeId();
    else if (qobject_cast<BoolPropertyManager*>(internalManager))
        type = QVariant::Bool;
    else if (qobject_cast<DoublePropertyManager*>(internalManager))
        type = QVariant::Double;
    if (type == 0)
        return nullptr;

    const bool wasCreatingSubProperties = creatingSubProperties;
    creatingSubProperties = true;
    VariantProperty* mirror = q->addProperty(type, internal->propertyName());
    creatingSubProperties = wasCreatingSubProperties;
    if (!mirror)
        return nullptr;

    mirror->setPropertyName(internal->propertyName());
    mirror->setToolTip(internal->toolTip());
    mirror->setStatusTip(internal->statusTip());
    mirror->setWhatsThis(internal->whatsThis());
    parent->insertSubProperty(mirror, after);
    internalToProperty[internal] = mirror;
    (*wrappedProperties())[mirror] = internal;
    return mirror;
}

void VariantPropertyManagerPrivate::slotPropertyInserted(Property* property, Property* parent,
                                                         Property* after)
{
    if (creatingProperty)
        return;
    VariantProperty* variantParent = internalToProperty.value(parent);
    if (!variantParent)
        return;
    VariantProperty* variantAfter = nullptr;
    if (after) {
        variantAfter = internalToProperty.value(after);
        if (!variantAfter)
            return;
    }
    mirrorSubProperty(variantParent, variantAfter, property);
}

void VariantPropertyManagerPrivate::slotPropertyRemoved(Property* property, Property*)
{
    VariantProperty* mirror = internalToProperty.value(property);
    if (!mirror)
        return;
    Property* internal = wrappedProperties()->value(mirror);
    const bool wasDestroying = destroyingSubProperties;
    destroyingSubProperties = true;
    delete mirror;
    destroyingSubProperties = wasDestroying;
    internalToProperty.remove(internal);
    wrappedProperties()->remove(mirror);
}

void VariantPropertyManagerPrivate::followIntManager(IntPropertyManager* manager, bool withSingleStep)
{
    followValue(manager, &IntPropertyManager::valueChanged);
    followRange(manager, &IntPropertyManager::rangeChanged);
    if (withSingleStep)
        followAttribute(manager, &IntPropertyManager::singleStepChanged, kSingleStep);
}

void VariantPropertyManagerPrivate::followDoubleManager(DoublePropertyManager* manager, bool withAttributes)
{
    followValue(manager, &DoublePropertyManager::valueChanged);
    followRange(manager, &DoublePropertyManager::rangeChanged);
    if (withAttributes) {
        followAttribute(manager, &DoublePropertyManager::singleStepChanged, kSingleStep);
        followAttribute(manager, &DoublePropertyManager::decimalsChanged, kDecimals);
    }
}

void VariantPropertyManagerPrivate::followEnumManager(EnumPropertyManager* manager, bool withIcons)
{
    followValue(manager, &EnumPropertyManager::valueChanged);
    followAttribute(manager, &EnumPropertyManager::enumNamesChanged, kEnumNames);
    if (withIcons)
        followAttribute(manager, &EnumPropertyManager::enumIconsChanged, kEnumIcons);
}

void VariantPropertyManagerPrivate::createManagers()
{
    auto* intManager = addManager<IntPropertyManager>(
        QVariant::Int, QVariant::Int,
        {{kMinimum, QVariant::Int}, {kMaximum, QVariant::Int}, {kSingleStep, QVariant::Int},
         {kReadOnly, QVariant::Bool}});
    followIntManager(intManager, true);

    auto* doubleManager = addManager<DoublePropertyManager>(
        QVariant::Double, QVariant::Double,
        {{kMinimum, QVariant::Double}, {kMaximum, QVariant::Double}, {kSingleStep, QVariant::Double},
         {kDecimals, QVariant::Int}, {kReadOnly, QVariant::Bool}});
    followDoubleManager(doubleManager, true);

    auto* boolManager =
        addManager<BoolPropertyManager>(QVariant::Bool, QVariant::Bool, {{kTextVisible, QVariant::Bool}});
    followValue(boolManager, &BoolPropertyManager::valueChanged);
    followAttribute(boolManager, &BoolPropertyManager::textVisibleChanged, kTextVisible);

    auto* stringManager = addManager<StringPropertyManager>(
        QVariant::String, QVariant::String,
        {{kRegExp, QVariant::RegExp}, {kEchoMode, QVariant::Int}, {kReadOnly, QVariant::Bool}});
    followValue(stringManager, &StringPropertyManager::valueChanged);
    followAttribute(stringManager, &StringPropertyManager::regExpChanged, kRegExp);
    followAttribute(stringManager, &StringPropertyManager::echoModeChanged, kEchoMode);
    followAttribute(stringManager, &StringPropertyManager::readOnlyChanged, kReadOnly);

    auto* dateManager = addManager<DatePropertyManager>(
        QVariant::Date, QVariant::Date, {{kMinimum, QVariant::Date}, {kMaximum, QVariant::Date}});
    followValue(dateManager, &DatePropertyManager::valueChanged);
    followRange(dateManager, &DatePropertyManager::rangeChanged);

    followValue(addManager<TimePropertyManager>(QVariant::Time, QVariant::Time),
                &TimePropertyManager::valueChanged);
    followValue(addManager<DateTimePropertyManager>(QVariant::DateTime, QVariant::DateTime),
                &DateTimePropertyManager::valueChanged);
    followValue(addManager<KeySequencePropertyManager>(QVariant::KeySequence, QVariant::KeySequence),
                &KeySequencePropertyManager::valueChanged);
    followValue(addManager<CharPropertyManager>(QVariant::Char, QVariant::Char),
                &CharPropertyManager::valueChanged);

    auto* localeManager = addManager<LocalePropertyManager>(QVariant::Locale, QVariant::Locale);
    followValue(localeManager, &LocalePropertyManager::valueChanged);
    followStructure(localeManager);
    followEnumManager(localeManager->enumSubManager(), false);

    auto* pointManager = addManager<PointPropertyManager>(QVariant::Point, QVariant::Point);
    followValue(pointManager, &PointPropertyManager::valueChanged);
    followStructure(pointManager);
    followValue(pointManager->intSubManager(), &IntPropertyManager::valueChanged);

    auto* pointFManager = addManager<PointFPropertyManager>(QVariant::PointF, QVariant::PointF,
                                                            {{kDecimals, QVariant::Int}});
    followValue(pointFManager, &PointFPropertyManager::valueChanged);
    followAttribute(pointFManager, &PointFPropertyManager::decimalsChanged, kDecimals);
    followStructure(pointFManager);
    followValue(pointFManager->doubleSubManager(), &DoublePropertyManager::valueChanged);

    auto* sizeManager = addManager<SizePropertyManager>(
        QVariant::Size, QVariant::Size, {{kMinimum, QVariant::Size}, {kMaximum, QVariant::Size}});
    followValue(sizeManager, &SizePropertyManager::valueChanged);
    followRange(sizeManager, &SizePropertyManager::rangeChanged);
    followStructure(sizeManager);
    followIntManager(sizeManager->intSubManager(), false);

    auto* sizeFManager = addManager<SizeFPropertyManager>(
        QVariant::SizeF, QVariant::SizeF,
        {{kMinimum, QVariant::SizeF}, {kMaximum, QVariant::SizeF}, {kDecimals, QVariant::Int}});
    followValue(sizeFManager, &SizeFPropertyManager::valueChanged);
    followRange(sizeFManager, &SizeFPropertyManager::rangeChanged);
    followAttribute(sizeFManager, &SizeFPropertyManager::decimalsChanged, kDecimals);
    followStructure(sizeFManager);
    followDoubleManager(sizeFManager->doubleSubManager(), false);

    auto* rectManager =
        addManager<RectPropertyManager>(QVariant::Rect, QVariant::Rect, {{kConstraint, QVariant::Rect}});
    followValue(rectManager, &RectPropertyManager::valueChanged);
    followAttribute(rectManager, &RectPropertyManager::constraintChanged, kConstraint);
    followStructure(rectManager);
    followIntManager(rectManager->intSubManager(), false);

    auto* rectFManager = addManager<RectFPropertyManager>(
        QVariant::RectF, QVariant::RectF, {{kConstraint, QVariant::RectF}, {kDecimals, QVariant::Int}});
    followValue(rectFManager, &RectFPropertyManager::valueChanged);
    followAttribute(rectFManager, &RectFPropertyManager::constraintChanged, kConstraint);
    followAttribute(rectFManager, &RectFPropertyManager::decimalsChanged, kDecimals);
    followStructure(rectFManager);
    followDoubleManager(rectFManager->doubleSubManager(), false);

    auto* colorManager = addManager<ColorPropertyManager>(QVariant::Color, QVariant::Color);
    followValue(colorManager, &ColorPropertyManager::valueChanged);
    followStructure(colorManager);
    followValue(colorManager->intSubManager(), &IntPropertyManager::valueChanged);

    auto* enumManager = addManager<EnumPropertyManager>(
        VariantPropertyManager::enumTypeId(), QVariant::Int,
        {{kEnumNames, QVariant::StringList}, {kEnumIcons, VariantPropertyManager::iconMapTypeId()}});
    followEnumManager(enumManager, true);

    auto* sizePolicyManager =
        addManager<SizePolicyPropertyManager>(QVariant::SizePolicy, QVariant::SizePolicy);
    followValue(sizePolicyManager, &SizePolicyPropertyManager::valueChanged);
    followStructure(sizePolicyManager);
    followIntManager(sizePolicyManager->intSubManager(), false);
    followEnumManager(sizePolicyManager->enumSubManager(), false);

    auto* fontManager = addManager<FontPropertyManager>(QVariant::Font, QVariant::Font);
    followValue(fontManager, &FontPropertyManager::valueChanged);
    followStructure(fontManager);
    followIntManager(fontManager->intSubManager(), false);
    followEnumManager(fontManager->enumSubManager(), false);
    followValue(fontManager->boolSubManager(), &BoolPropertyManager::valueChanged);

    followValue(addManager<CursorPropertyManager>(QVariant::Cursor, QVariant::Cursor),
                &CursorPropertyManager::valueChanged);

    auto* flagManager = addManager<FlagPropertyManager>(VariantPropertyManager::flagTypeId(), QVariant::Int,
                                                        {{kFlagNames, QVariant::StringList}});
    followValue(flagManager, &FlagPropertyManager::valueChanged);
    followAttribute(flagManager, &FlagPropertyManager::flagNamesChanged, kFlagNames);
    followStructure(flagManager);
    followValue(flagManager->boolSubManager(), &BoolPropertyManager::valueChanged);

    addManager<GroupPropertyManager>(VariantPropertyManager::groupTypeId(), 0);
}

VariantPropertyManager::VariantPropertyManager(QObject* parent)
    : AbstractPropertyManager(parent)
    , d(std::make_unique<VariantPropertyManagerPrivate>(this))
{
    d->createManagers();
}

VariantPropertyManager::~VariantPropertyManager()
{
    clear();
}

int VariantPropertyManager::enumTypeId()
{
    static const int id = qRegisterMetaType<EnumPropertyType>("EnumPropertyType");
    return id;
}

int VariantPropertyManager::flagTypeId()
{
    static const int id = qRegisterMetaType<FlagPropertyType>("FlagPropertyType");
    return id;
}

int VariantPropertyManager::groupTypeId()
{
    static const int id = qRegisterMetaType<GroupPropertyType>("GroupPropertyType");
    return id;
}

int VariantPropertyManager::iconMapTypeId()
{
    // Registering the map also registers its view as an associative
    // iterable, so a QVariant holding icons can be walked by key.
    static const int id = qRegisterMetaType<IconMap>("IconMap");
    return id;
}

Property* VariantPropertyManager::internalProperty(const Property* property)
{
    if (wrappedProperties.isDestroyed())
        return nullptr;
    return wrappedProperties()->value(property);
}

VariantProperty* VariantPropertyManager::addProperty(int propertyType, const QString& name)
{
    if (!isPropertyTypeSupported(propertyType))
        return nullptr;
    const bool wasCreating = d->creatingProperty;
    d->creatingProperty = true;
    d->propertyType = propertyType;
    Property* property = AbstractPropertyManager::addProperty(name);
    d->creatingProperty = wasCreating;
    d->propertyType = 0;
    if (!property)
        return nullptr;
    return variantProperty(property);
}

Property* VariantPropertyManager::createProperty()
{
    if (!d->creatingProperty)
        return nullptr;
    auto* property = new VariantProperty(this);
    d->propertyToType.insert(property, qMakePair(property, d->propertyType));
    return property;
}

void VariantPropertyManager::initializeProperty(Property* property)
{
    VariantProperty* variant = variantProperty(property);
    if (!variant)
        return;
    AbstractPropertyManager* manager = d->typeToPropertyManager.value(d->propertyType);
    if (!manager)
        return;
    Property* internal = nullptr;
    if (!d->creatingSubProperties) {
        internal = manager->addProperty();
        d->internalToProperty[internal] = variant;
    }
    (*wrappedProperties())[variant] = internal;
    if (!internal)
        return;
    VariantProperty* after = nullptr;
    const QList<Property*> children = internal->subProperties();
    for (Property* child : children) {
        if (VariantProperty* mirror = d->mirrorSubProperty(variant, after, child))
            after = mirror;
    }
}

void VariantPropertyManager::uninitializeProperty(Property* property)
{
    const auto typeIt = d->propertyToType.find(property);
    if (typeIt == d->propertyToType.end())
        return;
    if (!wrappedProperties.isDestroyed()) {
        const auto wrapped = wrappedProperties()->find(property);
        if (wrapped != wrappedProperties()->end()) {
            Property* internal = wrapped.value();
            wrappedProperties()->erase(wrapped);
            if (internal) {
                d->internalToProperty.remove(internal);
                if (!d->destroyingSubProperties)
                    delete internal;
            }
        }
    }
    d->propertyToType.remove(property);
}

int VariantPropertyManager::propertyType(const Property* property) const
{
    return d->propertyToType.value(property).second;
}

VariantProperty* VariantPropertyManager::variantProperty(const Property* property) const
{
    return d->propertyToType.value(property).first;
}

int VariantPropertyManager::valueType(const Property* property) const
{
    return valueType(propertyType(property));
}

bool VariantPropertyManager::isPropertyTypeSupported(int propertyType) const
{
    return d->typeToValueType.contains(propertyType);
}

int VariantPropertyManager::valueType(int propertyType) const
{
    return d->typeToValueType.value(propertyType, 0);
}

QStringList VariantPropertyManager::attributes(int propertyType) const
{
    return d->typeToAttributeToAttributeType.value(propertyType).keys();
}

int VariantPropertyManager::attributeType(int propertyType, const QString& attribute) const
{
    return d->typeToAttributeToAttributeType.value(propertyType).value(attribute, 0);
}

bool VariantPropertyManager::hasValue(const Property* property) const
{
    return propertyType(property) != groupTypeId();
}

QIcon VariantPropertyManager::valueIcon(const Property* property) const
{
    const Property* internal = internalProperty(property);
    return internal ? internal->valueIcon() : QIcon();
}

QString VariantPropertyManager::valueText(const Property* property) const
{
    const Property* internal = internalProperty(property);
    if (!internal)
        return QString();
    const QString display = internal->displayText();
    return display.isEmpty() ? internal->valueText() : display;
}

namespace {

// Reads the typed value of `internal` from whichever manager owns it.
QVariant typedValue(AbstractPropertyManager* manager, const Property* internal)
{
    if (auto* m = qobject_cast<IntPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<DoublePropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<BoolPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<StringPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<DatePropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<TimePropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<DateTimePropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<KeySequencePropertyManager*>(manager))
        return QVariant::fromValue(m->value(internal));
    if (auto* m = qobject_cast<CharPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<LocalePropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<PointPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<PointFPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<SizePropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<SizeFPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<RectPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<RectFPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<ColorPropertyManager*>(manager))
        return QVariant::fromValue(m->value(internal));
    if (auto* m = qobject_cast<EnumPropertyManager*>(manager))
        return m->value(internal);
    if (auto* m = qobject_cast<SizePolicyPropertyManager*>(manager))
        return QVariant::fromValue(m->value(internal));
    if (auto* m = qobject_cast<FontPropertyManager*>(manager))
        return QVariant::fromValue(m->value(internal));
    if (auto* m = qobject_cast<CursorPropertyManager*>(manager))
        return QVariant::fromValue(m->value(internal));
    if (auto* m = qobject_cast<FlagPropertyManager*>(manager))
        return m->value(internal);
    return QVariant();
}

// Writes an already converted value into whichever manager owns `internal`.
void setTypedValue(AbstractPropertyManager* manager, Property* internal, const QVariant& value)
{
    if (auto* m = qobject_cast<IntPropertyManager*>(manager))
        m->setValue(internal, value.toInt());
    else if (auto* m = qobject_cast<DoublePropertyManager*>(manager))
        m->setValue(internal, value.toDouble());
    else if (auto* m = qobject_cast<BoolPropertyManager*>(manager))
        m->setValue(internal, value.toBool());
    else if (auto* m = qobject_cast<StringPropertyManager*>(manager))
        m->setValue(internal, value.toString());
    else if (auto* m = qobject_cast<DatePropertyManager*>(manager))
        m->setValue(internal, value.toDate());
    else if (auto* m = qobject_cast<TimePropertyManager*>(manager))
        m->setValue(internal, value.toTime());
    else if (auto* m = qobject_cast<DateTimePropertyManager*>(manager))
        m->setValue(internal, value.toDateTime());
    else if (auto* m = qobject_cast<KeySequencePropertyManager*>(manager))
        m->setValue(internal, value.value<QKeySequence>());
    else if (auto* m = qobject_cast<CharPropertyManager*>(manager))
        m->setValue(internal, value.toChar());
    else if (auto* m = qobject_cast<LocalePropertyManager*>(manager))
        m->setValue(internal, value.toLocale());
    else if (auto* m = qobject_cast<PointPropertyManager*>(manager))
        m->setValue(internal, value.toPoint());
    else if (auto* m = qobject_cast<PointFPropertyManager*>(manager))
        m->setValue(internal, value.toPointF());
    else if (auto* m = qobject_cast<SizePropertyManager*>(manager))
        m->setValue(internal, value.toSize());
    else if (auto* m = qobject_cast<SizeFPropertyManager*>(manager))
        m->setValue(internal, value.toSizeF());
    else if (auto* m = qobject_cast<RectPropertyManager*>(manager))
        m->setValue(internal, value.toRect());
    else if (auto* m = qobject_cast<RectFPropertyManager*>(manager))
        m->setValue(internal, value.toRectF());
    else if (auto* m = qobject_cast<ColorPropertyManager*>(manager))
        m->setValue(internal, value.value<QColor>());
    else if (auto* m = qobject_cast<EnumPropertyManager*>(manager))
        m->setValue(internal, value.toInt());
    else if (auto* m = qobject_cast<SizePolicyPropertyManager*>(manager))
        m->setValue(internal, value.value<QSizePolicy>());
    else if (auto* m = qobject_cast<FontPropertyManager*>(manager))
        m->setValue(internal, value.value<QFont>());
    else if (auto* m = qobject_cast<CursorPropertyManager*>(manager))
        m->setValue(internal, value.value<QCursor>());
    else if (auto* m = qobject_cast<FlagPropertyManager*>(manager))
        m->setValue(internal, value.toInt());
}

QVariant typedAttribute(AbstractPropertyManager* manager, const Property* internal, const QString& attribute)
{
    if (auto* m = qobject_cast<IntPropertyManager*>(manager)) {
        if (attribute == kMaximum)
            return m->maximum(internal);
        if (attribute == kMinimum)
            return m->minimum(internal);
        if (attribute == kSingleStep)
            return m->singleStep(internal);
        if (attribute == kReadOnly)
            return m->isReadOnly(internal);
    } else if (auto* m = qobject_cast<DoublePropertyManager*>(manager)) {
        if (attribute == kMaximum)
            return m->maximum(internal);
        if (attribute == kMinimum)
            return m->minimum(internal);
        if (attribute == kSingleStep)
            return m->singleStep(internal);
        if (attribute == kDecimals)
            return m->decimals(internal);
        if (attribute == kReadOnly)
            return m->isReadOnly(internal);
    } else if (auto* m = qobject_cast<BoolPropertyManager*>(manager)) {
        if (attribute == kTextVisible)
            return m->textVisible(internal);
    } else if (auto* m = qobject_cast<StringPropertyManager*>(manager)) {
        if (attribute == kRegExp)
            return m->regExp(internal);
        if (attribute == kEchoMode)
            return int(m->echoMode(internal));
        if (attribute == kReadOnly)
            return m->isReadOnly(internal);
    } else if (auto* m = qobject_cast<DatePropertyManager*>(manager)) {
        if (attribute == kMaximum)
            return m->maximum(internal);
        if (attribute == kMinimum)
            return m->minimum(internal);
    } else if (auto* m = qobject_cast<PointFPropertyManager*>(manager)) {
        if (attribute == kDecimals)
            return m->decimals(internal);
    } else if (auto* m = qobject_cast<SizePropertyManager*>(manager)) {
        if (attribute == kMaximum)
            return m->maximum(internal);
        if (attribute == kMinimum)
            return m->minimum(internal);
    } else if (auto* m = qobject_cast<SizeFPropertyManager*>(manager)) {
        if (attribute == kMaximum)
            return m->maximum(internal);
        if (attribute == kMinimum)
            return m->minimum(internal);
        if (attribute == kDecimals)
            return m->decimals(internal);
    } else if (auto* m = qobject_cast<RectPropertyManager*>(manager)) {
        if (attribute == kConstraint)
            return m->constraint(internal);
    } else if (auto* m = qobject_cast<RectFPropertyManager*>(manager)) {
        if (attribute == kConstraint)
            return m->constraint(internal);
        if (attribute == kDecimals)
            return m->decimals(internal);
    } else if (auto* m = qobject_cast<EnumPropertyManager*>(manager)) {
        if (attribute == kEnumNames)
            return m->enumNames(internal);
        if (attribute == kEnumIcons)
            return QVariant::fromValue(m->enumIcons(internal));
    } else if (auto* m = qobject_cast<FlagPropertyManager*>(manager)) {
        if (attribute == kFlagNames)
            return m->flagNames(internal);
    }
    return QVariant();
}

void setTypedAttribute(AbstractPropertyManager* manager, Property* internal, const QString& attribute,
                       const QVariant& value)
{
    if (auto* m = qobject_cast<IntPropertyManager*>(manager)) {
        if (attribute == kMaximum)
            m->setMaximum(internal, value.toInt());
        else if (attribute == kMinimum)
            m->setMinimum(internal, value.toInt());
        else if (attribute == kSingleStep)
            m->setSingleStep(internal, value.toInt());
        else if (attribute == kReadOnly)
            m->setReadOnly(internal, value.toBool());
    } else if (auto* m = qobject_cast<DoublePropertyManager*>(manager)) {
        if (attribute == kMaximum)
            m->setMaximum(internal, value.toDouble());
        else if (attribute == kMinimum)
            m->setMinimum(internal, value.toDouble());
        else if (attribute == kSingleStep)
            m->setSingleStep(internal, value.toDouble());
        else if (attribute == kDecimals)
            m->setDecimals(internal, value.toInt());
        else if (attribute == kReadOnly)
            m->setReadOnly(internal, value.toBool());
    } else if (auto* m = qobject_cast<BoolPropertyManager*>(manager)) {
        if (attribute == kTextVisible)
            m->setTextVisible(internal, value.toBool());
    } else if (auto* m = qobject_cast<StringPropertyManager*>(manager)) {
        if (attribute == kRegExp)
            m->setRegExp(internal, value.toRegExp());
        else if (attribute == kEchoMode)
            m->setEchoMode(internal, static_cast<QLineEdit::EchoMode>(value.toInt()));
        else if (attribute == kReadOnly)
            m->setReadOnly(internal, value.toBool());
    } else if (auto* m = qobject_cast<DatePropertyManager*>(manager)) {
        if (attribute == kMaximum)
            m->setMaximum(internal, value.toDate());
        else if (attribute == kMinimum)
            m->setMinimum(internal, value.toDate());
    } else if (auto* m = qobject_cast<PointFPropertyManager*>(manager)) {
        if (attribute == kDecimals)
            m->setDecimals(internal, value.toInt());
    } else if (auto* m = qobject_cast<SizePropertyManager*>(manager)) {
        if (attribute == kMaximum)
            m->setMaximum(internal, value.toSize());
        else if (attribute == kMinimum)
            m->setMinimum(internal, value.toSize());
    } else if (auto* m = qobject_cast<SizeFPropertyManager*>(manager)) {
        if (attribute == kMaximum)
            m->setMaximum(internal, value.toSizeF());
        else if (attribute == kMinimum)
            m->setMinimum(internal, value.toSizeF());
        else if (attribute == kDecimals)
            m->setDecimals(internal, value.toInt());
    } else if (auto* m = qobject_cast<RectPropertyManager*>(manager)) {
        if (attribute == kConstraint)
            m->setConstraint(internal, value.toRect());
    } else if (auto* m = qobject_cast<RectFPropertyManager*>(manager)) {
        if (attribute == kConstraint)
            m->setConstraint(internal, value.toRectF());
        else if (attribute == kDecimals)
            m->setDecimals(internal, value.toInt());
    } else if (auto* m = qobject_cast<EnumPropertyManager*>(manager)) {
        if (attribute == kEnumNames)
            m->setEnumNames(internal, value.toStringList());
        else if (attribute == kEnumIcons)
            m->setEnumIcons(internal, value.value<IconMap>());
    } else if (auto* m = qobject_cast<FlagPropertyManager*>(manager)) {
        if (attribute == kFlagNames)
            m->setFlagNames(internal, value.toStringList());
    }
}

} // namespace

QVariant VariantPropertyManager::value(const Property* property) const
{
    Property* internal = internalProperty(property);
    if (!internal)
        return QVariant();
    return typedValue(internal->propertyManager(), internal);
}

QVariant VariantPropertyManager::attributeValue(const Property* property, const QString& attribute) const
{
    const int type = propertyType(property);
    if (type == 0 || !d->typeToAttributeToAttributeType.value(type).contains(attribute))
        return QVariant();
    Property* internal = internalProperty(property);
    if (!internal)
        return QVariant();
    return typedAttribute(internal->propertyManager(), internal, attribute);
}

void VariantPropertyManager::setValue(Property* property, const QVariant& val)
{
    if (!val.isValid())
        return;
    QVariant converted = val;
    if (!convertTo(converted, valueType(property)))
        return;
    Property* internal = internalProperty(property);
    if (!internal)
        return;
    setTypedValue(internal->propertyManager(), internal, converted);
}

void VariantPropertyManager::setAttribute(Property* property, const QString& attribute, const QVariant& value)
{
    if (!attributeValue(property, attribute).isValid() || !value.isValid())
        return;
    QVariant converted = value;
    if (!convertTo(converted, attributeType(propertyType(property), attribute)))
        return;
    Property* internal = internalProperty(property);
    if (!internal)
        return;
    setTypedAttribute(internal->propertyManager(), internal, attribute, converted);
}
