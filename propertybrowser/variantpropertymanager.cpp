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

#include <QHash>
#include <QKeySequence>
#include <QRegExp>
#include <QSizePolicy>

#include <functional>
#include <type_traits>

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

    // How the variant manager reads and writes one typed manager class, its
    // value and its attributes, through variants of the registered types.
    using Getter = std::function<QVariant(AbstractPropertyManager*, const Property*)>;
    using Setter = std::function<void(AbstractPropertyManager*, Property*, const QVariant&)>;
    struct Accessors
    {
        Getter value;
        Setter setValue;
        QMap<QString, QPair<Getter, Setter>> attributes;
    };

    // Enumerations travel as plain ints, as the attribute tables declare them.
    template <class T>
    static QVariant toVariant(const T& value)
    {
        if constexpr (std::is_enum<T>::value)
            return int(value);
        else
            return QVariant::fromValue(value);
    }
    template <class T>
    static T fromVariant(const QVariant& value)
    {
        if constexpr (std::is_enum<T>::value)
            return static_cast<T>(value.toInt());
        else
            return value.value<T>();
    }
    template <class Manager, class Result>
    static Getter getter(Result (Manager::*get)(const Property*) const)
    {
        return [get](AbstractPropertyManager* m, const Property* p) {
            return toVariant((static_cast<Manager*>(m)->*get)(p));
        };
    }
    template <class Manager, class Arg>
    static Setter setter(void (Manager::*set)(Property*, Arg))
    {
        return [set](AbstractPropertyManager* m, Property* p, const QVariant& v) {
            (static_cast<Manager*>(m)->*set)(p, fromVariant<typename std::decay<Arg>::type>(v));
        };
    }

    template <class Manager>
    Manager* addManager(int type, int valueType)
    {
        auto* manager = new Manager(q);
        typeToPropertyManager[type] = manager;
        typeToValueType[type] = valueType;
        return manager;
    }

    template <class Manager, class Result, class Arg>
    Manager* addManager(int type, int valueType, Result (Manager::*get)(const Property*) const,
                        void (Manager::*set)(Property*, Arg))
    {
        Accessors& accessors = accessorsByClass[&Manager::staticMetaObject];
        accessors.value = getter(get);
        accessors.setValue = setter(set);
        return addManager<Manager>(type, valueType);
    }

    template <class Manager, class Result, class Arg>
    void addAttribute(int type, const QString& name, int attributeType,
                      Result (Manager::*get)(const Property*) const, void (Manager::*set)(Property*, Arg))
    {
        typeToAttributeToAttributeType[type][name] = attributeType;
        accessorsByClass[&Manager::staticMetaObject].attributes[name] = qMakePair(getter(get), setter(set));
    }

    // The accessors of whichever registered class `manager` is an instance of.
    const Accessors* accessorsOf(const AbstractPropertyManager* manager) const
    {
        for (const QMetaObject* meta = manager->metaObject(); meta; meta = meta->superClass()) {
            const auto it = accessorsByClass.constFind(meta);
            if (it != accessorsByClass.constEnd())
                return &it.value();
        }
        return nullptr;
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
    QHash<const QMetaObject*, Accessors> accessorsByClass;
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
    using Int = IntPropertyManager;
    using Double = DoublePropertyManager;
    const int intType = QVariant::Int;
    const int doubleType = QVariant::Double;

    auto* intManager = addManager(intType, intType, &Int::value, &Int::setValue);
    addAttribute(intType, kMinimum, intType, &Int::minimum, &Int::setMinimum);
    addAttribute(intType, kMaximum, intType, &Int::maximum, &Int::setMaximum);
    addAttribute(intType, kSingleStep, intType, &Int::singleStep, &Int::setSingleStep);
    addAttribute(intType, kReadOnly, QVariant::Bool, &Int::isReadOnly, &Int::setReadOnly);
    followIntManager(intManager, true);

    auto* doubleManager = addManager(doubleType, doubleType, &Double::value, &Double::setValue);
    addAttribute(doubleType, kMinimum, doubleType, &Double::minimum, &Double::setMinimum);
    addAttribute(doubleType, kMaximum, doubleType, &Double::maximum, &Double::setMaximum);
    addAttribute(doubleType, kSingleStep, doubleType, &Double::singleStep, &Double::setSingleStep);
    addAttribute(doubleType, kDecimals, intType, &Double::decimals, &Double::setDecimals);
    addAttribute(doubleType, kReadOnly, QVariant::Bool, &Double::isReadOnly, &Double::setReadOnly);
    followDoubleManager(doubleManager, true);

    using Bool = BoolPropertyManager;
    auto* boolManager = addManager(QVariant::Bool, QVariant::Bool, &Bool::value, &Bool::setValue);
    addAttribute(QVariant::Bool, kTextVisible, QVariant::Bool, &Bool::textVisible, &Bool::setTextVisible);
    followValue(boolManager, &Bool::valueChanged);
    followAttribute(boolManager, &Bool::textVisibleChanged, kTextVisible);

    using String = StringPropertyManager;
    auto* stringManager = addManager(QVariant::String, QVariant::String, &String::value, &String::setValue);
    addAttribute(QVariant::String, kRegExp, QVariant::RegExp, &String::regExp, &String::setRegExp);
    addAttribute(QVariant::String, kEchoMode, intType, &String::echoMode, &String::setEchoMode);
    addAttribute(QVariant::String, kReadOnly, QVariant::Bool, &String::isReadOnly, &String::setReadOnly);
    followValue(stringManager, &String::valueChanged);
    followAttribute(stringManager, &String::regExpChanged, kRegExp);
    followAttribute(stringManager, &String::echoModeChanged, kEchoMode);
    followAttribute(stringManager, &String::readOnlyChanged, kReadOnly);

    using Date = DatePropertyManager;
    auto* dateManager = addManager(QVariant::Date, QVariant::Date, &Date::value, &Date::setValue);
    addAttribute(QVariant::Date, kMinimum, QVariant::Date, &Date::minimum, &Date::setMinimum);
    addAttribute(QVariant::Date, kMaximum, QVariant::Date, &Date::maximum, &Date::setMaximum);
    followValue(dateManager, &Date::valueChanged);
    followRange(dateManager, &Date::rangeChanged);

    using Time = TimePropertyManager;
    followValue(addManager(QVariant::Time, QVariant::Time, &Time::value, &Time::setValue), &Time::valueChanged);
    using DateTime = DateTimePropertyManager;
    followValue(addManager(QVariant::DateTime, QVariant::DateTime, &DateTime::value, &DateTime::setValue),
                &DateTime::valueChanged);
    using KeySequence = KeySequencePropertyManager;
    followValue(addManager(QVariant::KeySequence, QVariant::KeySequence, &KeySequence::value,
                           &KeySequence::setValue),
                &KeySequence::valueChanged);
    using Char = CharPropertyManager;
    followValue(addManager(QVariant::Char, QVariant::Char, &Char::value, &Char::setValue), &Char::valueChanged);

    using Locale = LocalePropertyManager;
    auto* localeManager = addManager(QVariant::Locale, QVariant::Locale, &Locale::value, &Locale::setValue);
    followValue(localeManager, &Locale::valueChanged);
    followStructure(localeManager);
    followEnumManager(localeManager->enumSubManager(), false);

    using Point = PointPropertyManager;
    auto* pointManager = addManager(QVariant::Point, QVariant::Point, &Point::value, &Point::setValue);
    followValue(pointManager, &Point::valueChanged);
    followStructure(pointManager);
    followValue(pointManager->intSubManager(), &Int::valueChanged);

    using PointF = PointFPropertyManager;
    auto* pointFManager = addManager(QVariant::PointF, QVariant::PointF, &PointF::value, &PointF::setValue);
    addAttribute(QVariant::PointF, kDecimals, intType, &PointF::decimals, &PointF::setDecimals);
    followValue(pointFManager, &PointF::valueChanged);
    followAttribute(pointFManager, &PointF::decimalsChanged, kDecimals);
    followStructure(pointFManager);
    followValue(pointFManager->doubleSubManager(), &Double::valueChanged);

    using Size = SizePropertyManager;
    auto* sizeManager = addManager(QVariant::Size, QVariant::Size, &Size::value, &Size::setValue);
    addAttribute(QVariant::Size, kMinimum, QVariant::Size, &Size::minimum, &Size::setMinimum);
    addAttribute(QVariant::Size, kMaximum, QVariant::Size, &Size::maximum, &Size::setMaximum);
    followValue(sizeManager, &Size::valueChanged);
    followRange(sizeManager, &Size::rangeChanged);
    followStructure(sizeManager);
    followIntManager(sizeManager->intSubManager(), false);

    using SizeF = SizeFPropertyManager;
    auto* sizeFManager = addManager(QVariant::SizeF, QVariant::SizeF, &SizeF::value, &SizeF::setValue);
    addAttribute(QVariant::SizeF, kMinimum, QVariant::SizeF, &SizeF::minimum, &SizeF::setMinimum);
    addAttribute(QVariant::SizeF, kMaximum, QVariant::SizeF, &SizeF::maximum, &SizeF::setMaximum);
    addAttribute(QVariant::SizeF, kDecimals, intType, &SizeF::decimals, &SizeF::setDecimals);
    followValue(sizeFManager, &SizeF::valueChanged);
    followRange(sizeFManager, &SizeF::rangeChanged);
    followAttribute(sizeFManager, &SizeF::decimalsChanged, kDecimals);
    followStructure(sizeFManager);
    followDoubleManager(sizeFManager->doubleSubManager(), false);

    using Rect = RectPropertyManager;
    auto* rectManager = addManager(QVariant::Rect, QVariant::Rect, &Rect::value, &Rect::setValue);
    addAttribute(QVariant::Rect, kConstraint, QVariant::Rect, &Rect::constraint, &Rect::setConstraint);
    followValue(rectManager, &Rect::valueChanged);
    followAttribute(rectManager, &Rect::constraintChanged, kConstraint);
    followStructure(rectManager);
    followIntManager(rectManager->intSubManager(), false);

    using RectF = RectFPropertyManager;
    auto* rectFManager = addManager(QVariant::RectF, QVariant::RectF, &RectF::value, &RectF::setValue);
    addAttribute(QVariant::RectF, kConstraint, QVariant::RectF, &RectF::constraint, &RectF::setConstraint);
    addAttribute(QVariant::RectF, kDecimals, intType, &RectF::decimals, &RectF::setDecimals);
    followValue(rectFManager, &RectF::valueChanged);
    followAttribute(rectFManager, &RectF::constraintChanged, kConstraint);
    followAttribute(rectFManager, &RectF::decimalsChanged, kDecimals);
    followStructure(rectFManager);
    followDoubleManager(rectFManager->doubleSubManager(), false);

    using Color = ColorPropertyManager;
    auto* colorManager = addManager(QVariant::Color, QVariant::Color, &Color::value, &Color::setValue);
    followValue(colorManager, &Color::valueChanged);
    followStructure(colorManager);
    followValue(colorManager->intSubManager(), &Int::valueChanged);

    using Enum = EnumPropertyManager;
    const int enumType = VariantPropertyManager::enumTypeId();
    auto* enumManager = addManager(enumType, intType, &Enum::value, &Enum::setValue);
    addAttribute(enumType, kEnumNames, QVariant::StringList, &Enum::enumNames, &Enum::setEnumNames);
    addAttribute(enumType, kEnumIcons, VariantPropertyManager::iconMapTypeId(), &Enum::enumIcons,
                 &Enum::setEnumIcons);
    followEnumManager(enumManager, true);

    using SizePolicy = SizePolicyPropertyManager;
    auto* sizePolicyManager =
        addManager(QVariant::SizePolicy, QVariant::SizePolicy, &SizePolicy::value, &SizePolicy::setValue);
    followValue(sizePolicyManager, &SizePolicy::valueChanged);
    followStructure(sizePolicyManager);
    followIntManager(sizePolicyManager->intSubManager(), false);
    followEnumManager(sizePolicyManager->enumSubManager(), false);

    using Font = FontPropertyManager;
    auto* fontManager = addManager(QVariant::Font, QVariant::Font, &Font::value, &Font::setValue);
    followValue(fontManager, &Font::valueChanged);
    followStructure(fontManager);
    followIntManager(fontManager->intSubManager(), false);
    followEnumManager(fontManager->enumSubManager(), false);
    followValue(fontManager->boolSubManager(), &Bool::valueChanged);

    using Cursor = CursorPropertyManager;
    followValue(addManager(QVariant::Cursor, QVariant::Cursor, &Cursor::value, &Cursor::setValue),
                &Cursor::valueChanged);

    using Flag = FlagPropertyManager;
    const int flagType = VariantPropertyManager::flagTypeId();
    auto* flagManager = addManager(flagType, intType, &Flag::value, &Flag::setValue);
    addAttribute(flagType, kFlagNames, QVariant::StringList, &Flag::flagNames, &Flag::setFlagNames);
    followValue(flagManager, &Flag::valueChanged);
    followAttribute(flagManager, &Flag::flagNamesChanged, kFlagNames);
    followStructure(flagManager);
    followValue(flagManager->boolSubManager(), &Bool::valueChanged);

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

QVariant VariantPropertyManager::value(const Property* property) const
{
    Property* internal = internalProperty(property);
    if (!internal)
        return QVariant();
    const auto* accessors = d->accessorsOf(internal->propertyManager());
    return accessors && accessors->value ? accessors->value(internal->propertyManager(), internal) : QVariant();
}

QVariant VariantPropertyManager::attributeValue(const Property* property, const QString& attribute) const
{
    const int type = propertyType(property);
    if (type == 0 || !d->typeToAttributeToAttributeType.value(type).contains(attribute))
        return QVariant();
    Property* internal = internalProperty(property);
    if (!internal)
        return QVariant();
    const auto* accessors = d->accessorsOf(internal->propertyManager());
    if (!accessors || !accessors->attributes.contains(attribute))
        return QVariant();
    return accessors->attributes.value(attribute).first(internal->propertyManager(), internal);
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
    const auto* accessors = d->accessorsOf(internal->propertyManager());
    if (accessors && accessors->setValue)
        accessors->setValue(internal->propertyManager(), internal, converted);
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
    const auto* accessors = d->accessorsOf(internal->propertyManager());
    if (accessors && accessors->attributes.contains(attribute))
        accessors->attributes.value(attribute).second(internal->propertyManager(), internal, converted);
}
