#pragma once

#include "abstracteditorfactory.h"
#include "datetimepropertymanager.h"

#include <memory>

class QDateTimeEdit;
template <class Editor> class EditorFactoryPrivate;

// Date-time-edit editors for date-time properties.
class DateTimeEditFactory : public AbstractEditorFactory<DateTimePropertyManager>
{
    Q_OBJECT
public:
    explicit DateTimeEditFactory(QObject* parent = nullptr);
    ~DateTimeEditFactory() override;

protected:
    void connectPropertyManager(DateTimePropertyManager* manager) override;
    QWidget* createEditor(DateTimePropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(DateTimePropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QDateTime& value);
    void slotSetValue(const QDateTime& value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QDateTimeEdit>> d;
};
