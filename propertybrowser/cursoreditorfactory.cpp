#include "cursoreditorfactory.h"

#include "cursordatabase.h"
#include "enumeditorfactory.h"
#include "enumpropertymanager.h"

#include <QMap>

class CursorEditorFactoryPrivate
{
public:
    void forgetCursorProperty(Property* property);

    CursorEditorFactory* q = nullptr;
    EnumEditorFactory* enumEditorFactory = nullptr;
    EnumPropertyManager* enumPropertyManager = nullptr;
    QMap<Property*, Property*> propertyToEnum;
    QMap<Property*, Property*> enumToProperty;
    QMap<Property*, QList<QWidget*>> enumToEditors;
    QMap<QWidget*, Property*> editorToEnum;
    bool updatingEnum = false;
};

// A cursor property deleted with a box still open: the box keeps its
// companion until it closes, but no longer leads to the freed property.
void CursorEditorFactoryPrivate::forgetCursorProperty(Property* property)
{
    Property* enumProperty = propertyToEnum.take(property);
    if (enumProperty)
        enumToProperty.remove(enumProperty);
}

CursorEditorFactory::CursorEditorFactory(QObject* parent)
    : AbstractEditorFactory<CursorPropertyManager>(parent)
    , d(std::make_unique<CursorEditorFactoryPrivate>())
{
    d->q = this;
    d->enumEditorFactory = new EnumEditorFactory(this);
    d->enumPropertyManager = new EnumPropertyManager(this);
    connect(d->enumPropertyManager, &EnumPropertyManager::valueChanged, this,
            &CursorEditorFactory::slotEnumChanged);
    d->enumEditorFactory->addPropertyManager(d->enumPropertyManager);
}

CursorEditorFactory::~CursorEditorFactory() = default;

void CursorEditorFactory::connectPropertyManager(CursorPropertyManager* manager)
{
    connect(manager, &CursorPropertyManager::valueChanged, this, &CursorEditorFactory::slotPropertyChanged);
    connect(manager, &AbstractPropertyManager::propertyDestroyed, this,
            [this](Property* property) { d->forgetCursorProperty(property); });
}

void CursorEditorFactory::disconnectPropertyManager(CursorPropertyManager* manager)
{
    disconnect(manager, &CursorPropertyManager::valueChanged, this,
               &CursorEditorFactory::slotPropertyChanged);
    disconnect(manager, &AbstractPropertyManager::propertyDestroyed, this, nullptr);
}

QWidget* CursorEditorFactory::createEditor(CursorPropertyManager* manager, Property* property,
                                           QWidget* parent)
{
    Property* enumProperty = d->propertyToEnum.value(property);
    if (!enumProperty) {
        const CursorDatabase* database = CursorDatabase::instance();
        enumProperty = d->enumPropertyManager->addProperty(property->propertyName());
        if (database) {
            d->enumPropertyManager->setEnumNames(enumProperty, database->shapeNames());
            d->enumPropertyManager->setEnumIcons(enumProperty, database->shapeIcons());
            d->updatingEnum = true;
            d->enumPropertyManager->setValue(enumProperty, database->indexOfCursor(manager->value(property)));
            d->updatingEnum = false;
        }
        d->propertyToEnum[property] = enumProperty;
        d->enumToProperty[enumProperty] = property;
    }
    AbstractEditorFactoryBase* inner = d->enumEditorFactory;
    QWidget* editor = inner->createEditor(enumProperty, parent);
    if (editor) {
        d->enumToEditors[enumProperty].append(editor);
        d->editorToEnum[editor] = enumProperty;
        connect(editor, &QObject::destroyed, this, &CursorEditorFactory::slotEditorDestroyed);
    }
    return editor;
}

void CursorEditorFactory::slotPropertyChanged(Property* property, const QCursor& cursor)
{
    Property* enumProperty = d->propertyToEnum.value(property);
    const CursorDatabase* database = CursorDatabase::instance();
    if (!enumProperty || !database)
        return;
    d->updatingEnum = true;
    d->enumPropertyManager->setValue(enumProperty, database->indexOfCursor(cursor));
    d->updatingEnum = false;
}

void CursorEditorFactory::slotEnumChanged(Property* property, int value)
{
    if (d->updatingEnum)
        return;
    Property* cursorProperty = d->enumToProperty.value(property);
    const CursorDatabase* database = CursorDatabase::instance();
    if (!cursorProperty || !database)
        return;
    const auto managers = propertyManagers();
    for (CursorPropertyManager* manager : managers) {
        if (manager->properties().contains(cursorProperty)) {
            manager->setValue(cursorProperty, database->cursorAt(value));
            return;
        }
    }
}

void CursorEditorFactory::slotEditorDestroyed(QObject* object)
{
    for (auto it = d->editorToEnum.begin(); it != d->editorToEnum.end(); ++it) {
        if (static_cast<QObject*>(it.key()) != object)
            continue;
        QWidget* editor = it.key();
        Property* enumProperty = it.value();
        d->editorToEnum.erase(it);
        QList<QWidget*>& editors = d->enumToEditors[enumProperty];
        editors.removeAll(editor);
        if (editors.isEmpty()) {
            d->enumToEditors.remove(enumProperty);
            if (Property* cursorProperty = d->enumToProperty.take(enumProperty))
                d->propertyToEnum.remove(cursorProperty);
            delete enumProperty;
        }
        return;
    }
}
