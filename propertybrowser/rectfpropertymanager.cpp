#include "rectfpropertymanager.h"

#include "doublepropertymanager.h"
#include "rectmanagercore.h"

#include <cmath>
#include <limits>

namespace {
struct RectFData
{
    QRectF val{0, 0, 0, 0};
    QRectF constraint{0, 0, 0, 0};
    int decimals = 2;
};

// The sub-property borders are kept in single precision.
struct SinglePrecisionBounds
{
    static constexpr double lowest = double(std::numeric_limits<float>::lowest());
    static constexpr double highest = double(std::numeric_limits<float>::max());
    static double border(double value) { return double(float(value)); }
};

bool hasNaN(const QRectF &rect)
{
    return std::isnan(rect.x()) || std::isnan(rect.y()) || std::isnan(rect.width()) || std::isnan(rect.height());
}
} // namespace

class RectFPropertyManagerPrivate
    : public RectManagerCore<RectFPropertyManager, QRectF, DoublePropertyManager, RectFData, SinglePrecisionBounds>
{
public:
    using RectManagerCore::RectManagerCore;
};

RectFPropertyManager::RectFPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<RectFPropertyManagerPrivate>(this))
{
    d->subManager = new DoublePropertyManager(this);
    connect(d->subManager, &DoublePropertyManager::valueChanged, this, &RectFPropertyManager::slotDoubleChanged);
    connect(d->subManager, &DoublePropertyManager::propertyDestroyed, this,
            &RectFPropertyManager::slotPropertyDestroyed);
}

RectFPropertyManager::~RectFPropertyManager()
{
    clear();
}

DoublePropertyManager *RectFPropertyManager::doubleSubManager() const
{
    return d->subManager;
}

QRectF RectFPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &RectFData::val);
}

QRectF RectFPropertyManager::constraint(const Property *property) const
{
    return d->values.field(property, &RectFData::constraint);
}

int RectFPropertyManager::decimals(const Property *property) const
{
    return d->values.field(property, &RectFData::decimals);
}

void RectFPropertyManager::setDecimals(Property *property, int prec)
{
    RectFData *record = d->values.find(property);
    prec = qBound(0, prec, DoublePropertyManager::MaxDecimals);
    if (!record || record->decimals == prec)
        return;
    for (SubPropertyMap *map : d->maps())
        d->subManager->setDecimals(map->sub(property), prec);
    d->values.find(property)->decimals = prec;
    emit decimalsChanged(property, prec);
}

QString RectFPropertyManager::valueText(const Property *property) const
{
    const int digits = decimals(property);
    return d->text(property, [digits](double value) { return QString::number(value, 'f', digits); });
}

void RectFPropertyManager::setValue(Property *property, const QRectF &val)
{
    if (!hasNaN(val))
        d->setValue(property, val);
}

void RectFPropertyManager::setConstraint(Property *property, const QRectF &constraint)
{
    if (!hasNaN(constraint))
        d->setConstraint(property, constraint);
}

void RectFPropertyManager::slotDoubleChanged(Property *sub, double value)
{
    d->subPropertyChanged(sub, value);
}

void RectFPropertyManager::slotPropertyDestroyed(Property *sub)
{
    d->forget(sub);
}

void RectFPropertyManager::initializeProperty(Property *property)
{
    d->initialize(property, [this](Property *sub) { d->subManager->setDecimals(sub, 2); });
}

void RectFPropertyManager::uninitializeProperty(Property *property)
{
    d->uninitialize(property);
}
