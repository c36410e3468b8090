#pragma once

#include "abstracteditorfactory.h"
#include "colorpropertymanager.h"

#include <memory>

class ColorEditWidget;
template <class Editor> class EditorFactoryPrivate;

// Swatch-and-chooser editors for colour properties.
class ColorEditorFactory : public AbstractEditorFactory<ColorPropertyManager>
{
    Q_OBJECT
public:
    explicit ColorEditorFactory(QObject* parent = nullptr);
    ~ColorEditorFactory() override;

protected:
    void connectPropertyManager(ColorPropertyManager* manager) override;
    QWidget* createEditor(ColorPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(ColorPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QColor& value);
    void slotEditorDestroyed(QObject* object);
    void slotSetValue(const QColor& value);

private:
    std::unique_ptr<EditorFactoryPrivate<ColorEditWidget>> d;
};
