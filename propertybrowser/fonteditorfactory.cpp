#include "fonteditorfactory.h"

#include "fonteditwidget.h"
#include "editorfactoryprivate.h"

FontEditorFactory::FontEditorFactory(QObject* parent)
    : AbstractEditorFactory<FontPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<FontEditWidget>>())
{
}

FontEditorFactory::~FontEditorFactory()
{
    d->deleteEditors();
}

void FontEditorFactory::connectPropertyManager(FontPropertyManager* manager)
{
    connect(manager, &FontPropertyManager::valueChanged, this, &FontEditorFactory::slotPropertyChanged);
    d->followDeletions(this, manager);
}

void FontEditorFactory::disconnectPropertyManager(FontPropertyManager* manager)
{
    disconnect(manager, &FontPropertyManager::valueChanged, this, &FontEditorFactory::slotPropertyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* FontEditorFactory::createEditor(FontPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new FontEditWidget(parent);
    d->registerEditor(property, editor);
    editor->setValue(manager->value(property));
    connect(editor, &FontEditWidget::valueChanged, this, &FontEditorFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &FontEditorFactory::slotEditorDestroyed);
    return editor;
}

void FontEditorFactory::slotPropertyChanged(Property* property, const QFont& value)
{
    // The widget's setValue never emits: no blocking needed.
    d->forEachEditor(property, [&value](FontEditWidget* editor) { editor->setValue(value); });
}

void FontEditorFactory::slotSetValue(const QFont& value)
{
    d->writeBack(this, sender(), value);
}

void FontEditorFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
