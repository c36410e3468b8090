#pragma once

#include "abstracteditorfactory.h"
#include "intpropertymanager.h"

#include <memory>

class QScrollBar;
template <class Editor> class EditorFactoryPrivate;

// Horizontal scroll-bar editors for integer properties.
class ScrollBarFactory : public AbstractEditorFactory<IntPropertyManager>
{
    Q_OBJECT
public:
    explicit ScrollBarFactory(QObject* parent = nullptr);
    ~ScrollBarFactory() override;

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
    std::unique_ptr<EditorFactoryPrivate<QScrollBar>> d;
};
