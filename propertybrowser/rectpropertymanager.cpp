#include "rectpropertymanager.h"

#include "intpropertymanager.h"
#include "rectmanagercore.h"

#include <limits>

namespace {
struct RectData
{
    QRect val;
    QRect constraint;
};

struct IntBounds
{
    static constexpr int lowest = std::numeric_limits<int>::min();
    static constexpr int highest = std::numeric_limits<int>::max();
    static int border(int value) { return value; }
};
} // namespace

class RectPropertyManagerPrivate
    : public RectManagerCore<RectPropertyManager, QRect, IntPropertyManager, RectData, IntBounds>
{
public:
    using RectManagerCore::RectManagerCore;
};

RectPropertyManager::RectPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<RectPropertyManagerPrivate>(this))
{
    d->subManager = new IntPropertyManager(this);
    connect(d->subManager, &IntPropertyManager::valueChanged, this, &RectPropertyManager::slotIntChanged);
    connect(d->subManager, &IntPropertyManager::propertyDestroyed, this,
            &RectPropertyManager::slotPropertyDestroyed);
}

RectPropertyManager::~RectPropertyManager()
{
    clear();
}

IntPropertyManager *RectPropertyManager::intSubManager() const
{
    return d->subManager;
}

QRect RectPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &RectData::val);
}

QRect RectPropertyManager::constraint(const Property *property) const
{
    return d->values.field(property, &RectData::constraint);
}

QString RectPropertyManager::valueText(const Property *property) const
{
    return d->text(property, [](int value) { return QString::number(value); });
}

void RectPropertyManager::setValue(Property *property, const QRect &val)
{
    d->setValue(property, val);
}

void RectPropertyManager::setConstraint(Property *property, const QRect &constraint)
{
    d->setConstraint(property, constraint);
}

void RectPropertyManager::slotIntChanged(Property *sub, int value)
{
    d->subPropertyChanged(sub, value);
}

void RectPropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->forget(sub);
}

void RectPropertyManager::initializeProperty(Property *property)
{
    d->initialize(property, [](Property *) {});
}

void RectPropertyManager::uninitializeProperty(Property *property)
{
    d->uninitialize(property);
}
