#include "boolpropertymanager.h"

#include "property.h"
#include "propertyvaluemap.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionButton>

namespace {
struct BoolData
{
    bool val = false;
    bool textVisible = true;
};

// The translated texts are looked up once, on first need, for the whole run.
struct BoolTexts
{
    QString trueText = BoolPropertyManager::tr("True");
    QString falseText = BoolPropertyManager::tr("False");
};

const BoolTexts &boolTexts()
{
    static const BoolTexts texts;
    return texts;
}

QIcon drawCheckBoxIcon(bool checked)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return QIcon();
    QStyle *style = QApplication::style();
    QStyleOptionButton option;
    option.state |= (checked ? QStyle::State_On : QStyle::State_Off) | QStyle::State_Enabled;
    const int indicatorWidth = style->pixelMetric(QStyle::PM_IndicatorWidth, &option);
    const int indicatorHeight = style->pixelMetric(QStyle::PM_IndicatorHeight, &option);
    const int pixmapHeight = qMax(indicatorWidth, indicatorHeight);
    option.rect = QRect(0, (pixmapHeight - indicatorHeight) / 2, indicatorWidth, indicatorHeight);

    QPixmap pixmap(indicatorWidth, pixmapHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &painter);
    painter.end();
    return QIcon(pixmap);
}
} // namespace

class BoolPropertyManagerPrivate
{
public:
    PropertyValueMap<BoolData> values;
    QIcon checkedIcon = drawCheckBoxIcon(true);
    QIcon uncheckedIcon = drawCheckBoxIcon(false);
};

BoolPropertyManager::BoolPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<BoolPropertyManagerPrivate>())
{
}

BoolPropertyManager::~BoolPropertyManager()
{
    clear();
}

bool BoolPropertyManager::value(const Property *property) const
{
    return d->values.field(property, &BoolData::val);
}

bool BoolPropertyManager::textVisible(const Property *property) const
{
    return d->values.field(property, &BoolData::textVisible);
}

QString BoolPropertyManager::valueText(const Property *property) const
{
    const BoolData *record = d->values.find(property);
    if (!record || !record->textVisible)
        return QString();
    return record->val ? boolTexts().trueText : boolTexts().falseText;
}

QIcon BoolPropertyManager::valueIcon(const Property *property) const
{
    const BoolData *record = d->values.find(property);
    if (!record)
        return QIcon();
    return record->val ? d->checkedIcon : d->uncheckedIcon;
}

void BoolPropertyManager::setValue(Property *property, bool val)
{
    if (!storeChangedField(d->values, property, &BoolData::val, val))
        return;
    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void BoolPropertyManager::setTextVisible(Property *property, bool textVisible)
{
    if (!storeChangedField(d->values, property, &BoolData::textVisible, textVisible))
        return;
    emit propertyChanged(property);
    emit textVisibleChanged(property, textVisible);
}

void BoolPropertyManager::initializeProperty(Property *property)
{
    d->values.reset(property);
}

void BoolPropertyManager::uninitializeProperty(Property *property)
{
    d->values.remove(property);
}
