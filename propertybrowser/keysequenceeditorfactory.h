#pragma once

#include "abstracteditorfactory.h"
#include "keysequencepropertymanager.h"

#include <memory>

class KeySequenceEdit;
template <class Editor> class EditorFactoryPrivate;

// Key-sequence recorders for key-sequence properties.
class KeySequenceEditorFactory : public AbstractEditorFactory<KeySequencePropertyManager>
{
    Q_OBJECT
public:
    explicit KeySequenceEditorFactory(QObject* parent = nullptr);
    ~KeySequenceEditorFactory() override;

protected:
    void connectPropertyManager(KeySequencePropertyManager* manager) override;
    QWidget* createEditor(KeySequencePropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(KeySequencePropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QKeySequence& value);
    void slotSetValue(const QKeySequence& value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<EditorFactoryPrivate<KeySequenceEdit>> d;
};
