#include "abstracteditorfactory.h"
#include "editorregistry.h"
#include "intpropertymanager.h"

#include <QPointer>
#include <QSpinBox>
#include <QtTest>

// A factory built the way every concrete factory is: spin boxes registered in
// an EditorRegistry, manager changes pushed into each open editor, edits
// written back through propertyManager().
class SpinFactory : public AbstractEditorFactory<IntPropertyManager>
{
public:
    EditorRegistry<QSpinBox> registry;
    QStringList calls;

protected:
    void connectPropertyManager(IntPropertyManager *manager) override
    {
        calls << QStringLiteral("connect");
        connect(manager, &IntPropertyManager::valueChanged, this, [this](Property *property, int value) {
            for (QSpinBox *editor : registry.createdEditors.value(property)) {
                QSignalBlocker blocker(editor);
                editor->setValue(value);
            }
        });
    }

    QWidget *createEditor(IntPropertyManager *manager, Property *property, QWidget *parent) override
    {
        auto *editor = new QSpinBox(parent);
        registry.registerEditor(property, editor);
        editor->setRange(manager->minimum(property), manager->maximum(property));
        editor->setValue(manager->value(property));
        connect(editor, qOverload<int>(&QSpinBox::valueChanged), this, [this, editor](int value) {
            Property *property = registry.editorToProperty.value(editor);
            if (IntPropertyManager *manager = property ? propertyManager(property) : nullptr)
                manager->setValue(property, value);
        });
        connect(editor, &QObject::destroyed, this,
                [this](QObject *object) { registry.slotEditorDestroyed(object); });
        return editor;
    }

    void disconnectPropertyManager(IntPropertyManager *manager) override
    {
        calls << QStringLiteral("disconnect");
        disconnect(manager, nullptr, this, nullptr);
    }
};

class TestEditorFactoryBookkeeping : public QObject
{
    Q_OBJECT
private slots:
    void managerAddedOnceAndRemoved();
    void destroyedManagerIsForgottenWithoutDisconnect();
    void breakConnectionOnlyForServedManagers();
    void editorsFollowManagerAndWriteBack();
    void unregisteredObjectsChangeNothing();
};

void TestEditorFactoryBookkeeping::managerAddedOnceAndRemoved()
{
    SpinFactory factory;
    IntPropertyManager manager;
    factory.addPropertyManager(&manager);
    factory.addPropertyManager(&manager);
    QCOMPARE(factory.calls, QStringList{QStringLiteral("connect")});
    QCOMPARE(factory.propertyManagers(), QSet<IntPropertyManager *>{&manager});

    factory.removePropertyManager(&manager);
    factory.removePropertyManager(&manager);
    QCOMPARE(factory.calls, (QStringList{QStringLiteral("connect"), QStringLiteral("disconnect")}));
    QVERIFY(factory.propertyManagers().isEmpty());
}

void TestEditorFactoryBookkeeping::destroyedManagerIsForgottenWithoutDisconnect()
{
    SpinFactory spins;
    AbstractEditorFactoryBase &factory = spins;
    auto manager = std::make_unique<IntPropertyManager>();
    IntPropertyManager other;
    Property *property = manager->addProperty();
    Property *otherProperty = other.addProperty();
    spins.addPropertyManager(manager.get());
    QWidget parent;

    QWidget *editor = factory.createEditor(property, &parent);
    QVERIFY(qobject_cast<QSpinBox *>(editor));
    QCOMPARE(factory.createEditor(otherProperty, &parent), nullptr);
    QCOMPARE(spins.propertyManager(property), manager.get());
    QCOMPARE(spins.propertyManager(otherProperty), nullptr);

    manager.reset();
    QVERIFY(spins.propertyManagers().isEmpty());
    QCOMPARE(spins.calls, QStringList{QStringLiteral("connect")});

    // A new manager at a possibly reused address starts from scratch.
    auto again = std::make_unique<IntPropertyManager>();
    spins.addPropertyManager(again.get());
    QCOMPARE(spins.calls, (QStringList{QStringLiteral("connect"), QStringLiteral("connect")}));
}

void TestEditorFactoryBookkeeping::breakConnectionOnlyForServedManagers()
{
    SpinFactory factory;
    IntPropertyManager served;
    IntPropertyManager stranger;
    factory.addPropertyManager(&served);
    AbstractEditorFactoryBase *base = &factory;
    base->breakConnection(&stranger);
    QCOMPARE(factory.calls, QStringList{QStringLiteral("connect")});
    base->breakConnection(&served);
    QCOMPARE(factory.calls, (QStringList{QStringLiteral("connect"), QStringLiteral("disconnect")}));
    Property *property = served.addProperty();
    QWidget parent;
    QCOMPARE(base->createEditor(property, &parent), nullptr);
}

void TestEditorFactoryBookkeeping::editorsFollowManagerAndWriteBack()
{
    SpinFactory factory;
    IntPropertyManager manager;
    Property *property = manager.addProperty();
    manager.setRange(property, 0, 50);
    factory.addPropertyManager(&manager);
    QWidget parent;
    AbstractEditorFactoryBase *base = &factory;

    QPointer<QSpinBox> first = static_cast<QSpinBox *>(base->createEditor(property, &parent));
    QPointer<QSpinBox> second = static_cast<QSpinBox *>(base->createEditor(property, &parent));
    QCOMPARE(factory.registry.createdEditors.value(property), (QList<QSpinBox *>{first, second}));

    manager.setValue(property, 7);
    QCOMPARE(first->value(), 7);
    QCOMPARE(second->value(), 7);

    // The user edits one editor: the manager and the other editor follow.
    first->setValue(30);
    QCOMPARE(manager.value(property), 30);
    QCOMPARE(second->value(), 30);

    delete first;
    QCOMPARE(factory.registry.createdEditors.value(property), QList<QSpinBox *>{second});
    QCOMPARE(factory.registry.editorToProperty.size(), 1);
    manager.setValue(property, 12);
    QCOMPARE(second->value(), 12);

    delete second;
    QVERIFY(factory.registry.createdEditors.isEmpty());
    QVERIFY(factory.registry.editorToProperty.isEmpty());
}

void TestEditorFactoryBookkeeping::unregisteredObjectsChangeNothing()
{
    EditorRegistry<QSpinBox> registry;
    IntPropertyManager manager;
    Property *property = manager.addProperty();
    QSpinBox editor;
    QSpinBox stranger;
    registry.registerEditor(property, &editor);
    registry.slotEditorDestroyed(&stranger);
    registry.slotEditorDestroyed(nullptr);
    QCOMPARE(registry.createdEditors.value(property), QList<QSpinBox *>{&editor});
    QCOMPARE(registry.editorToProperty.value(&editor), property);

    // Re-registering an editor for another property moves its reverse entry.
    Property *other = manager.addProperty();
    registry.registerEditor(other, &editor);
    QCOMPARE(registry.editorToProperty.value(&editor), other);
}

QTEST_MAIN(TestEditorFactoryBookkeeping)
#include "tst_editorfactorybookkeeping.moc"
