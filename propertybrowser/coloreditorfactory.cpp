#include "coloreditorfactory.h"

#include "coloreditwidget.h"
#include "editorfactoryprivate.h"

ColorEditorFactory::ColorEditorFactory(QObject* parent)
    : AbstractEditorFactory<ColorPropertyManager>(parent)
    , d(std::make_unique<EditorFactoryPrivate<ColorEditWidget>>())
{
}

ColorEditorFactory::~ColorEditorFactory()
{
    d->deleteEditors();
}

void ColorEditorFactory::connectPropertyManager(ColorPropertyManager* manager)
{
    connect(manager, &ColorPropertyManager::valueChanged, this, &ColorEditorFactory::slotPropertyChanged);
    d->followDeletions(this, manager);
}

void ColorEditorFactory::disconnectPropertyManager(ColorPropertyManager* manager)
{
    disconnect(manager, &ColorPropertyManager::valueChanged, this, &ColorEditorFactory::slotPropertyChanged);
    d->stopFollowingDeletions(this, manager);
}

QWidget* ColorEditorFactory::createEditor(ColorPropertyManager* manager, Property* property, QWidget* parent)
{
    auto* editor = new ColorEditWidget(parent);
    d->registerEditor(property, editor);
    editor->setValue(manager->value(property));
    connect(editor, &ColorEditWidget::valueChanged, this, &ColorEditorFactory::slotSetValue);
    connect(editor, &QObject::destroyed, this, &ColorEditorFactory::slotEditorDestroyed);
    return editor;
}

void ColorEditorFactory::slotPropertyChanged(Property* property, const QColor& value)
{
    // The widget's setValue never emits: no blocking needed.
    d->forEachEditor(property, [&value](ColorEditWidget* editor) { editor->setValue(value); });
}

void ColorEditorFactory::slotSetValue(const QColor& value)
{
    d->writeBack(this, sender(), value);
}

void ColorEditorFactory::slotEditorDestroyed(QObject* object)
{
    d->slotEditorDestroyed(object);
}
