#pragma once

#include "abstracteditorfactory.h"
#include "variantpropertymanager.h"

#include <memory>

class VariantEditorFactoryPrivate;

// Editors for variant properties: each property is edited with the editor
// of the typed property behind it, made by one of the typed factories that
// this factory owns and binds to the variant manager's internal managers.
class VariantEditorFactory : public AbstractEditorFactory<VariantPropertyManager>
{
    Q_OBJECT
public:
    explicit VariantEditorFactory(QObject* parent = nullptr);
    ~VariantEditorFactory() override;

protected:
    void connectPropertyManager(VariantPropertyManager* manager) override;
    QWidget* createEditor(VariantPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(VariantPropertyManager* manager) override;

private:
    std::unique_ptr<VariantEditorFactoryPrivate> d;
};
