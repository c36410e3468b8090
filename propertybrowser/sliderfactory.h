#pragma once

#include "abstracteditorfactory.h"
#include "intpropertymanager.h"

#include <memory>

class QSlider;
template <class Editor> class EditorFactoryPrivate;

// Horizontal slider editors for integer properties.
class SliderFactory : public AbstractEditorFactory<IntPropertyManager>
{
    Q_OBJECT
public:
    explicit SliderFactory(QObject* parent = nullptr);
    ~SliderFactory() override;

protected:
    void connectPropertyManager(IntPropertyManager* manager) override;
    QWidget* createEditor(IntPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(IntPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, int value);
    void slotRangeChanged(Property* property, int min, int max);
    void slotSingleStepChanged(Property* property, int step);
    void slotSetValue(int value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QSlider>> d;
};
