#pragma once

#include "abstracteditorfactory.h"
#include "datepropertymanager.h"

#include <memory>

class QDateEdit;
template <class Editor> class EditorFactoryPrivate;

// Date-edit editors (with a calendar pop-up) for date properties.
class DateEditFactory : public AbstractEditorFactory<DatePropertyManager>
{
    Q_OBJECT
public:
    explicit DateEditFactory(QObject* parent = nullptr);
    ~DateEditFactory() override;

protected:
    void connectPropertyManager(DatePropertyManager* manager) override;
    QWidget* createEditor(DatePropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(DatePropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QDate& value);
    void slotRangeChanged(Property* property, const QDate& min, const QDate& max);
    void slotSetValue(const QDate& value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<QDateEdit>> d;
};
