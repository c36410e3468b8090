#pragma once

#include "abstracteditorfactory.h"
#include "intpropertymanager.h"

#include <memory>

class QSpinBox;
template <class Editor> class EditorFactoryPrivate;

// Spin-box editors for integer properties.
class SpinBoxFactory : public AbstractEditorFactory<IntPropertyManager>
{
    Q_OBJECT
public:
    explicit SpinBoxFactory(QObject* parent = nullptr);
    ~SpinBoxFactory() override;

protected:
    void connectPropertyManager(IntPropertyManager* manager) override;
    QWidget* createEditor(IntPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(IntPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, int value);
    void slotRangeChanged(Property* property, int min, int max);
    void slotSingleStepChanged(Property* property, int step);
    void slotReadOnlyChanged(Property* property, bool readOnly);
    void slotSetValue(int value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QSpinBox>> d;
};
