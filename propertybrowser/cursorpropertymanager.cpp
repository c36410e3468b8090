#include "cursorpropertymanager.h"

#include "cursordatabase.h"
#include "property.h"
#include "propertyvaluemap.h"

class CursorPropertyManagerPrivate
{
public:
    PropertyValueMap<QCursor> values;
};

CursorPropertyManager::CursorPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<CursorPropertyManagerPrivate>())
{
}

CursorPropertyManager::~CursorPropertyManager()
{
    clear();
}

QCursor CursorPropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString CursorPropertyManager::valueText(const Property *property) const
{
    const QCursor *cursor = d->values.find(property);
    const CursorDatabase *database = CursorDatabase::instance();
    return cursor && database ? database->nameOfCursor(*cursor) : QString();
}

QIcon CursorPropertyManager::valueIcon(const Property *property) const
{
    const QCursor *cursor = d->values.find(property);
    const CursorDatabase *database = CursorDatabase::instance();
    return cursor && database ? database->iconOfCursor(*cursor) : QIcon();
}

void CursorPropertyManager::setValue(Property *property, const QCursor &val)
{
    QCursor *stored = d->values.find(property);
    if (!stored)
        return;
    if (stored->shape() == val.shape() && val.shape() != Qt::BitmapCursor)
        return;
    *stored = val;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void CursorPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property, QCursor());
}

void CursorPropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
