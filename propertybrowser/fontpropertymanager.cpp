#include "fontpropertymanager.h"

#include "boolpropertymanager.h"
#include "enumpropertymanager.h"
#include "intpropertymanager.h"
#include "property.h"
#include "propertybrowserutils.h"
#include "propertyvaluemap.h"
#include "subpropertymap.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QScopedValueRollback>
#include <QTimer>

namespace {
Q_GLOBAL_STATIC(QFontDatabase, processFontDatabase)

QStringList fontFamilies()
{
    QFontDatabase *database = processFontDatabase();
    return database ? database->families() : QStringList();
}
} // namespace

class FontPropertyManagerPrivate
{
public:
    PropertyValueMap<QFont> values;
    IntPropertyManager *intManager = nullptr;
    EnumPropertyManager *enumManager = nullptr;
    BoolPropertyManager *boolManager = nullptr;
    SubPropertyMap family;
    SubPropertyMap pointSize;
    SubPropertyMap bold;
    SubPropertyMap italic;
    SubPropertyMap underline;
    SubPropertyMap strikeOut;
    SubPropertyMap kerning;
    QStringList familyNames;
    bool settingValue = false;
    QTimer *refreshTimer = nullptr;

    QList<SubPropertyMap *> allMaps()
    {
        return {&family, &pointSize, &bold, &italic, &underline, &strikeOut, &kerning};
    }

    // Index of the font's family in the list; 0 when it is not there.
    int familyIndex(const QFont &font) const
    {
        return qMax(0, familyNames.indexOf(font.family()));
    }

    void pushParts(const Property *property, const QFont &font)
    {
        enumManager->setValue(family.sub(property), familyIndex(font));
        intManager->setValue(pointSize.sub(property), font.pointSize());
        boolManager->setValue(bold.sub(property), font.weight() > FontPropertyManager::BoldWeightThreshold);
        boolManager->setValue(italic.sub(property), font.style() != QFont::StyleNormal);
        boolManager->setValue(underline.sub(property), font.underline());
        boolManager->setValue(strikeOut.sub(property), font.strikeOut());
        boolManager->setValue(kerning.sub(property), font.kerning());
    }
};

FontPropertyManager::FontPropertyManager(QObject *parent)
    : AbstractPropertyManager(parent), d(std::make_unique<FontPropertyManagerPrivate>())
{
    d->intManager = new IntPropertyManager(this);
    connect(d->intManager, &IntPropertyManager::valueChanged, this, &FontPropertyManager::slotIntChanged);
    connect(d->intManager, &IntPropertyManager::propertyDestroyed, this,
            &FontPropertyManager::slotPropertyDestroyed);
    d->enumManager = new EnumPropertyManager(this);
    connect(d->enumManager, &EnumPropertyManager::valueChanged, this, &FontPropertyManager::slotEnumChanged);
    connect(d->enumManager, &EnumPropertyManager::propertyDestroyed, this,
            &FontPropertyManager::slotPropertyDestroyed);
    d->boolManager = new BoolPropertyManager(this);
    connect(d->boolManager, &BoolPropertyManager::valueChanged, this, &FontPropertyManager::slotBoolChanged);
    connect(d->boolManager, &BoolPropertyManager::propertyDestroyed, this,
            &FontPropertyManager::slotPropertyDestroyed);

    if (auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(application, &QGuiApplication::fontDatabaseChanged, this,
                &FontPropertyManager::slotFontDatabaseChanged);
}

FontPropertyManager::~FontPropertyManager()
{
    clear();
}

IntPropertyManager *FontPropertyManager::intSubManager() const
{
    return d->intManager;
}

EnumPropertyManager *FontPropertyManager::enumSubManager() const
{
    return d->enumManager;
}

BoolPropertyManager *FontPropertyManager::boolSubManager() const
{
    return d->boolManager;
}

QFont FontPropertyManager::value(const Property *property) const
{
    return d->values.value(property);
}

QString FontPropertyManager::valueText(const Property *property) const
{
    const QFont *font = d->values.find(property);
    return font ? PropertyBrowserUtils::fontText(*font) : QString();
}

QIcon FontPropertyManager::valueIcon(const Property *property) const
{
    const QFont *font = d->values.find(property);
    return font ? PropertyBrowserUtils::fontSampleIcon(*font) : QIcon();
}

// A font equal to the stored one but with another resolve mask is a change:
// it decides which attributes the font overrides where it is applied.
void FontPropertyManager::setValue(Property *property, const QFont &val)
{
    QFont *stored = d->values.find(property);
    if (!stored || (*stored == val && stored->resolve() == val.resolve()))
        return;
    *stored = val;

    {
        const QScopedValueRollback<bool> guard(d->settingValue, true);
        d->pushParts(property, val);
    }

    emit propertyChanged(property);
    emit valueChanged(property, val);
}

void FontPropertyManager::slotIntChanged(Property *sub, int value)
{
    if (d->settingValue)
        return;
    if (Property *owner = d->pointSize.owner(sub)) {
        QFont font = d->values.value(owner);
        font.setPointSize(value);
        setValue(owner, font);
    }
}

void FontPropertyManager::slotEnumChanged(Property *sub, int value)
{
    if (d->settingValue)
        return;
    Property *owner = d->family.owner(sub);
    if (!owner || value < 0 || value >= d->familyNames.size())
        return;
    QFont font = d->values.value(owner);
    font.setFamily(d->familyNames.at(value));
    setValue(owner, font);
}

void FontPropertyManager::slotBoolChanged(Property *sub, bool value)
{
    if (d->settingValue)
        return;
    Property *owner = nullptr;
    QFont font;
    const auto start = [&](const SubPropertyMap &map) {
        owner = map.owner(sub);
        font = d->values.value(owner);
        return owner != nullptr;
    };
    if (start(d->bold))
        font.setWeight(value ? QFont::Bold : QFont::Normal);
    else if (start(d->italic))
        font.setStyle(value ? QFont::StyleItalic : QFont::StyleNormal);
    else if (start(d->underline))
        font.setUnderline(value);
    else if (start(d->strikeOut))
        font.setStrikeOut(value);
    else if (start(d->kerning))
        font.setKerning(value);
    else
        return;
    setValue(owner, font);
}

void FontPropertyManager::slotPropertyDestroyed(Property *sub)
{
    SubPropertyMap::forgetIn(d->allMaps(), sub);
}

void FontPropertyManager::slotFontDatabaseChanged()
{
    if (!d->refreshTimer) {
        d->refreshTimer = new QTimer(this);
        d->refreshTimer->setInterval(0);
        d->refreshTimer->setSingleShot(true);
        connect(d->refreshTimer, &QTimer::timeout, this, &FontPropertyManager::slotFontDatabaseDelayedChange);
    }
    if (!d->refreshTimer->isActive())
        d->refreshTimer->start();
}

// Each font keeps its family by name. A family index that names nothing
// (-1 after an empty list, or out of range) selects the first family.
void FontPropertyManager::slotFontDatabaseDelayedChange()
{
    const QStringList oldNames = d->familyNames;
    d->familyNames = fontFamilies();
    for (const Property *owner : d->family.owners()) {
        Property *familySub = d->family.sub(owner);
        if (!familySub)
            continue;
        const QString name = oldNames.value(d->enumManager->value(familySub));
        const int newIndex = name.isEmpty() ? 0 : qMax(0, d->familyNames.indexOf(name));
        d->enumManager->setEnumNames(familySub, d->familyNames);
        d->enumManager->setValue(familySub, newIndex);
    }
}

void FontPropertyManager::initializeProperty(Property *property)
{
    const QFont font;
    d->values.reset(property, font);
    if (d->familyNames.isEmpty())
        d->familyNames = fontFamilies();

    Property *family = SubPropertyMap::create(d->enumManager, tr("Family"));
    d->enumManager->setEnumNames(family, d->familyNames);
    d->enumManager->setValue(family, d->familyIndex(font));
    d->family.attach(property, family);

    Property *pointSize = SubPropertyMap::create(d->intManager, tr("Point Size"));
    d->intManager->setValue(pointSize, font.pointSize());
    d->intManager->setMinimum(pointSize, 1);
    d->pointSize.attach(property, pointSize);

    const struct
    {
        SubPropertyMap *map;
        QString name;
        bool value;
    } flags[] = {{&d->bold, tr("Bold"), font.weight() > BoldWeightThreshold},
                 {&d->italic, tr("Italic"), font.style() != QFont::StyleNormal},
                 {&d->underline, tr("Underline"), font.underline()},
                 {&d->strikeOut, tr("Strikeout"), font.strikeOut()},
                 {&d->kerning, tr("Kerning"), font.kerning()}};
    for (const auto &flag : flags) {
        Property *sub = SubPropertyMap::create(d->boolManager, flag.name);
        d->boolManager->setValue(sub, flag.value);
        flag.map->attach(property, sub);
    }
}

void FontPropertyManager::uninitializeProperty(Property *property)
{
    SubPropertyMap::removeOwnerIn(d->allMaps(), property);
    d->values.remove(property);
}
