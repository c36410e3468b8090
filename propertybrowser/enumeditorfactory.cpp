#include "enumeditorfactory.h"

#include "editorfactoryprivate.h"

#include <QAbstractItemView>
#include <QComboBox>

namespace {

void setItemIcons(QComboBox* editor, int count, const QMap<int, QIcon>& icons)
{
    for (int i = 0; i < count; ++i)
        editor->setItemIcon(i, icons.value(i));
}

} // namespace

EnumEditorFactory::EnumEditorFactory(QObject* parent)
    : AbstractEditorFactory<EnumPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<QComboBox>>())
{
}

EnumEditorFactory::~EnumEditorFactory()
{
    d->deleteEditors();
}

void EnumEditorFactory::connectPropertyManager(EnumPropertyManager* manager)
{
    connect(manager, &EnumPropertyManager::valueChanged, this, &EnumEditorFactory::slotPropertyChanged);
    connect(manager, &EnumPropertyManager::enumNamesChanged, this, &EnumEditorFactory::slotEnumNamesChanged);
    // Icons changed under an open box are shown at once as well.
    connect(manager, &EnumPropertyManager::enumIconsChanged, this, &EnumEditorFactory::slotEnumIconsChanged);
    d->followDeletions(this, manager);
}

void EnumEditorFactory::disconnectPropertyManager(EnumPropertyManager* manager)
{
    disconnect(manager, &EnumPropertyManager::valueChanged, this, &EnumEditorFactory::slotPropertyChanged);
    disconnect(manager, &EnumPropertyManager::enumNamesChanged, this,
               &EnumEditorFactory::slotEnumNamesChanged);
    disconnect(manager, &EnumPropertyManager::enumIconsChanged, this,
               &EnumEditorFactory::slotEnumIconsChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* EnumEditorFactory::createEditor(EnumPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new QComboBox(parent);
    d->registerEditor(property, editor);
    editor->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    editor->setMinimumContentsLength(1);
    editor->view()->setTextElideMode(Qt::ElideRight);
    const QStringList names = manager->enumNames(property);
    editor->addItems(names);
    setItemIcons(editor, names.size(), manager->enumIcons(property));
    editor->setCurrentIndex(manager->value(property));
    connect(editor, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &EnumEditorFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &EnumEditorFactory::slotEditorDestroyed);
    return editor;
}

void EnumEditorFactory::slotPropertyChanged(Property* property, int value)
{
    d->forEachEditorBlocked(property, [value](QComboBox* editor) { editor->setCurrentIndex(value); });
}

void EnumEditorFactory::slotEnumNamesChanged(Property* property, const QStringList& names)
{
    if (!d->hasEditors(property))
        return;
    EnumPropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    const QMap<int, QIcon> icons = manager->enumIcons(property);
    const int value = manager->value(property);
    d->forEachEditorBlocked(property, [&](QComboBox* editor) {
        editor->clear();
        editor->addItems(names);
        setItemIcons(editor, names.size(), icons);
        editor->setCurrentIndex(value);
    });
}

void EnumEditorFactory::slotEnumIconsChanged(Property* property, const QMap<int, QIcon>& icons)
{
    if (!d->hasEditors(property))
        return;
    EnumPropertyManager* manager = propertyManager(property);
    if (!manager)
        return;
    const int count = manager->enumNames(property).size();
    const int value = manager->value(property);
    d->forEachEditorBlocked(property, [&](QComboBox* editor) {
        setItemIcons(editor, count, icons);
        editor->setCurrentIndex(value);
    });
}

void EnumEditorFactory::slotSetValue(int value)
{
    d->writeBack(this, sender(), value);
}

void EnumEditorFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
