#pragma once

#include "fonteditwidget.h"
#include "fontpropertymanager.h"
#include "valueeditorfactory.h"

// Sample-and-chooser editors for font properties.
class FontEditorFactory : public ValueEditorFactory<FontPropertyManager, FontEditWidget, QFont>
{
    Q_OBJECT
public:
    explicit FontEditorFactory(QObject* parent = nullptr) : ValueEditorFactory(parent) {}

protected:
    void showValue(FontEditWidget* editor, const QFont& value) override { editor->setValue(value); }
    void connectEditor(FontEditWidget* editor) override
    {
        connect(editor, &FontEditWidget::valueChanged, this, &FontEditorFactory::slotSetValue);
    }
};
