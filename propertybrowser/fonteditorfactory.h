#pragma once

#include "abstracteditorfactory.h"
#include "fontpropertymanager.h"

#include <memory>

class FontEditWidget;
template <class Editor> class EditorFactoryPrivate;

// Sample-and-chooser editors for font properties.
class FontEditorFactory : public AbstractEditorFactory<FontPropertyManager>
{
    Q_OBJECT
public:
    explicit FontEditorFactory(QObject* parent = nullptr);
    ~FontEditorFactory() override;

protected:
    void connectPropertyManager(FontPropertyManager* manager) override;
    QWidget* createEditor(FontPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(FontPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QFont& value);
    void slotEditorDestroyed(QObject* object);
    void slotSetValue(const QFont& value);

private:
    std::unique_ptr<EditorFactoryPrivate<FontEditWidget>> d;
};
