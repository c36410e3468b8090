#pragma once

#include "coloreditwidget.h"
#include "colorpropertymanager.h"
#include "valueeditorfactory.h"

// Swatch-and-chooser editors for colour properties.
class ColorEditorFactory : public ValueEditorFactory<ColorPropertyManager, ColorEditWidget, QColor>
{
    Q_OBJECT
public:
    explicit ColorEditorFactory(QObject* parent = nullptr) : ValueEditorFactory(parent) {}

protected:
    void showValue(ColorEditWidget* editor, const QColor& value) override { editor->setValue(value); }
    void connectEditor(ColorEditWidget* editor) override
    {
        connect(editor, &ColorEditWidget::valueChanged, this, &ColorEditorFactory::slotSetValue);
    }
};
