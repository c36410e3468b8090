#pragma once

#include "abstracteditorfactory.h"
#include "cursorpropertymanager.h"

#include <memory>

class CursorEditorFactoryPrivate;

// Combo-box editors for cursor properties. Each edited cursor property gets
// a companion enumeration property (the cursor shapes) for as long as at
// least one of its editors is open; the boxes come from an inner
// enumeration editor factory.
class CursorEditorFactory : public AbstractEditorFactory<CursorPropertyManager>
{
    Q_OBJECT
public:
    explicit CursorEditorFactory(QObject* parent = nullptr);
    ~CursorEditorFactory() override;

protected:
    void connectPropertyManager(CursorPropertyManager* manager) override;
    QWidget* createEditor(CursorPropertyManager* manager, Property* property, QWidget* parent) override;
    void disconnectPropertyManager(CursorPropertyManager* manager) override;

private slots:
    void slotPropertyChanged(Property* property, const QCursor& cursor);
    void slotEnumChanged(Property* property, int value);
    void slotEditorDestroyed(QObject* object);

private:
    std::unique_ptr<CursorEditorFactoryPrivate> d;
    friend class CursorEditorFactoryPrivate;
};
