#pragma once

#include "abstracteditorfactory.h"
#include "boolpropertymanager.h"

#include <memory>

class BoolEdit;
template <class Editor> class EditorFactoryPrivate;

// Check-box editors for boolean properties. Besides writing the value it
// reports each user click on an editor, which a programmatic change of the
// box never does.
class CheckBoxFactory : public AbstractEditorFactory<BoolPropertyManager>
{
    Q_OBJECT
public:
    explicit CheckBoxFactory(QObject* parent = nullptr);
    ~CheckBoxFactory() override;

signals:
    void clicked(Property* property);

protected:
    void connectPropertyManager(BoolPropertyManager* manager) override;
    QWidget* createEditor(BoolPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(BoolPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, bool value);
    void slotTextVisibleChanged(Property* property, bool textVisible);
    void slotSetValue(bool value);
    void slotEditorDestroyed(QObject* object);
    void slotClicked();

private:
    std::unique_ptr<EditorFactoryPrivate<BoolEdit>> d;
};
