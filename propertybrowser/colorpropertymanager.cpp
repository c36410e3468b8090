#include "colorpropertymanager.h"

#include "intpropertymanager.h"
#include "property.h"
#include "propertybrowserutils.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

namespace {
constexpr int ChannelMaximum = 255;
}

class ColorPropertyManagerPrivate
{
public:
    PropertyValueMap<QColor> values;
    IntPropertyManager *intManager = nullptr;
    SubPropertyMap red;
    SubPropertyMap green;
    SubPropertyMap blue;
    SubPropertyMap alpha;

    QList<SubPropertyMap *> maps() { return {&red, &green, &blue, &alpha}; }

    void pushChannels(const Property *property, const QColor &color)
    {
        intManager->setValue(red.sub(property), color.red());
        intManager->setValue(green.sub(property), color.green());
        intManager->setValue(blue.sub(property), color.blue());
        intManager->setValue(alpha.sub(property), color.alpha());
    }
};

ColorPropertyManager::ColorPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<ColorPropertyManagerPrivate>())
{
    d->intManager = new IntPropertyManager(this);
    connect(d->intManager, &IntPropertyManager::valueChanged, this, &ColorPropertyManager::slotIntChanged);
    connect(d->intManager, &IntPropertyManager::propertyDestroyed, this,
            &ColorPropertyManager::slotPropertyDestroyed);
}

ColorPropertyManager::~ColorPropertyManager()
{
    clear();
}

IntPropertyManager *ColorPropertyManager::intSubManager() const
{
    return d->intManager;
}

QColor ColorPropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString ColorPropertyManager::valueText(const Property *property) const
{
    const QColor *color = d->values.find(property);
    return color ? PropertyBrowserUtils::colorText(*color) : QString();
}

QIcon ColorPropertyManager::valueIcon(const Property *property) const
{
    const QColor *color = d->values.find(property);
    return color ? PropertyBrowserUtils::brushSwatchIcon(QBrush(*color)) : QIcon();
}

void ColorPropertyManager::setValue(Property *property, const QColor &val)
{
    if (!storeChangedValue(d->values, property, val))
        return;
    d->pushChannels(property, val);
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void ColorPropertyManager::slotIntChanged(Property *sub, int value)
{
    static void (QColor::*const setters[])(int) = {&QColor::setRed, &QColor::setGreen, &QColor::setBlue,
                                                   &QColor::setAlpha};
    takeSubValue(this, d->maps(), setters, sub, value);
}

void ColorPropertyManager::slotPropertyDestroyed(Property *sub)
{
    SubPropertyMap::forgetIn(d->maps(), sub);
}

void ColorPropertyManager::initializeProperty(Property *property)
{
    const QColor color;
    d->values.reset(property, color);
    const struct
    {
        SubPropertyMap *map;
        QString name;
        int channel;
    } channels[] = {{&d->red, tr("Red"), color.red()},
                    {&d->green, tr("Green"), color.green()},
                    {&d->blue, tr("Blue"), color.blue()},
                    {&d->alpha, tr("Alpha"), color.alpha()}};
    for (const auto &channel : channels) {
        Property *sub = SubPropertyMap::create(d->intManager, channel.name);
        d->intManager->setValue(sub, channel.channel);
        d->intManager->setRange(sub, 0, ChannelMaximum);
        channel.map->attach(property, sub);
    }
}

void ColorPropertyManager::uninitializeProperty(Property *property)
{
    SubPropertyMap::removeOwnerIn(d->maps(), property);
    d->values.remove(property);
}
