#pragma once

#include "abstracteditorfactory.h"
#include "timepropertymanager.h"

#include <memory>

class QTimeEdit;
template <class Editor> class EditorFactoryPrivate;

// Time-edit editors for time properties.
class TimeEditFactory : public AbstractEditorFactory<TimePropertyManager>
{
    Q_OBJECT
public:
    explicit TimeEditFactory(QObject* parent = nullptr);
    ~TimeEditFactory() override;

protected:
    void connectPropertyManager(TimePropertyManager* manager) override;
    QWidget* createEditor(TimePropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(TimePropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QTime& value);
    void slotSetValue(const QTime& value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QTimeEdit>> d;
};
