#pragma once

#include "abstracteditorfactory.h"
#include "doublepropertymanager.h"

#include <memory>

class QDoubleSpinBox;
template <class Editor> class EditorFactoryPrivate;

// Double spin-box editors for floating-point properties.
class DoubleSpinBoxFactory : public AbstractEditorFactory<DoublePropertyManager>
{
    Q_OBJECT
public:
    explicit DoubleSpinBoxFactory(QObject* parent = nullptr);
    ~DoubleSpinBoxFactory() override;

protected:
    void connectPropertyManager(DoublePropertyManager* manager) override;
    QWidget* createEditor(DoublePropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(DoublePropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, double value);
    void slotRangeChanged(Property* property, double min, double max);
    void slotSingleStepChanged(Property* property, double step);
    void slotDecimalsChanged(Property* property, int prec);
    void slotReadOnlyChanged(Property* property, bool readOnly);
    void slotSetValue(double value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QDoubleSpinBox>> d;
};
