#include "booledit.h"
#include "browseritem.h"
#include "chooserhooks.h"
#include "coloreditwidget.h"
#include "cursordatabase.h"
#include "cursoreditorfactory.h"
#include "cursorpropertymanager.h"
#include "enumeditorfactory.h"
#include "enumpropertymanager.h"
#include "fonteditwidget.h"
#include "intpropertymanager.h"
#include "operatorclick.h"
#include "property.h"
#include "scopedhook.h"
#include "treepropertybrowser.h"
#include "varianteditorfactory.h"
#include "variantproperty.h"
#include "variantpropertymanager.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

namespace {

QWidget* editorFor(AbstractEditorFactoryBase& factory, Property* property, QWidget* parent)
{
    return factory.createEditor(property, parent);
}

Property* child(Property* parent, const QString& name)
{
    const QList<Property*> subs = parent->subProperties();
    for (Property* sub : subs) {
        if (sub->propertyName() == name)
            return sub;
    }
    return nullptr;
}

} // namespace

class TestVariantFactory : public QObject
{
    Q_OBJECT
private slots:
    void editorsByType();
    void colorRowThroughChooser();
    void enumNamesChangeUnderOpenBox();
    void cursorCompanion();
    void treeBrowserEndToEnd();
    void panelTeardownCycles();
};

void TestVariantFactory::editorsByType()
{
    VariantPropertyManager manager;
    VariantEditorFactory factory;
    factory.addPropertyManager(&manager);
    factory.addPropertyManager(&manager);
    QWidget parent;

    VariantProperty* font = manager.addProperty(QVariant::Font, "Font");
    QVERIFY(qobject_cast<FontEditWidget*>(editorFor(factory, font, &parent)));
    QVERIFY(qobject_cast<BoolEdit*>(editorFor(factory, child(font, "Bold"), &parent)));
    QVERIFY(qobject_cast<QSpinBox*>(editorFor(factory, child(font, "Point Size"), &parent)));
    QVERIFY(qobject_cast<QComboBox*>(editorFor(factory, child(font, "Family"), &parent)));

    VariantProperty* point = manager.addProperty(QVariant::Point, "Point");
    QVERIFY(!editorFor(factory, point, &parent));
    auto* y = qobject_cast<QSpinBox*>(editorFor(factory, child(point, "Y"), &parent));
    QVERIFY(y);
    y->setValue(6);
    QCOMPARE(point->value().toPoint(), QPoint(0, 6));

    VariantProperty* group = manager.addProperty(VariantPropertyManager::groupTypeId(), "Group");
    QVERIFY(!editorFor(factory, group, &parent));
    VariantProperty* flags = manager.addProperty(VariantPropertyManager::flagTypeId(), "Flags");
    flags->setAttribute("flagNames", QStringList{"A", "B"});
    QVERIFY(!editorFor(factory, flags, &parent));
    auto* bitB = qobject_cast<BoolEdit*>(editorFor(factory, child(flags, "B"), &parent));
    QVERIFY(bitB);
    bitB->setChecked(true);
    QCOMPARE(flags->value().toInt(), 2);

    // A string row's line edit writes once per edit.
    VariantProperty* text = manager.addProperty(QVariant::String, "Text");
    QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
    auto* edit = qobject_cast<QLineEdit*>(editorFor(factory, text, &parent));
    QVERIFY(edit);
    edit->setText("x");
    QCOMPARE(changed.count(), 1);
    QCOMPARE(text->value().toString(), QString("x"));

    VariantPropertyManager stranger;
    QVERIFY(!editorFor(factory, stranger.addProperty(QVariant::Int, "n"), &parent));
    IntPropertyManager plain;
    QVERIFY(!editorFor(factory, plain.addProperty("n"), &parent));
}

void TestVariantFactory::colorRowThroughChooser()
{
    VariantPropertyManager manager;
    VariantEditorFactory factory;
    factory.addPropertyManager(&manager);
    VariantProperty* color = manager.addProperty(QVariant::Color, "Colour");
    color->setValue(QColor(Qt::red));
    QWidget parent;
    auto* first = qobject_cast<ColorEditWidget*>(editorFor(factory, color, &parent));
    auto* second = qobject_cast<ColorEditWidget*>(editorFor(factory, color, &parent));
    QVERIFY(first && second);
    auto* column = new QVBoxLayout(&parent); // both in view, apart
    column->addWidget(first);
    column->addWidget(second);
    QCOMPARE(first->value(), QColor(Qt::red));
    const ScopedHook chooser(&ChooserHooks::setColorChooser, [](QColor& value, QWidget*) {
        value = QColor(0, 0, 255, 100);
        return true;
    });
    QVERIFY(operatorClick(first->findChild<QToolButton*>()));
    QCOMPARE(color->value().value<QColor>(), QColor(0, 0, 255, 100));
    QCOMPARE(second->value(), QColor(0, 0, 255, 100));
    QCOMPARE(manager.value(child(color, "Alpha")).toInt(), 100);
}

void TestVariantFactory::enumNamesChangeUnderOpenBox()
{
    EnumPropertyManager manager;
    EnumEditorFactory factory;
    factory.addPropertyManager(&manager);
    Property* choice = manager.addProperty("choice");
    manager.setEnumNames(choice, {"a", "b", "c"});
    manager.setValue(choice, 2);
    QWidget parent;
    auto* box = qobject_cast<QComboBox*>(editorFor(factory, choice, &parent));
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->currentIndex(), 2);

    QSignalSpy changed(&manager, &EnumPropertyManager::valueChanged);
    QMap<int, QIcon> icons;
    QPixmap pixmap(8, 8);
    pixmap.fill(Qt::green);
    icons[1] = QIcon(pixmap);
    manager.setEnumIcons(choice, icons);
    QVERIFY(!box->itemIcon(1).isNull());
    QVERIFY(box->itemIcon(0).isNull());

    manager.setEnumNames(choice, {"x", "y"});
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(1), QString("y"));
    QCOMPARE(box->currentIndex(), 0);
    QVERIFY(!box->itemIcon(1).isNull());
    // Only the manager's own reset to 0: nothing came back from the box.
    QCOMPARE(changed.count(), 1);

    box->setCurrentIndex(1);
    QCOMPARE(manager.value(choice), 1);
}

void TestVariantFactory::cursorCompanion()
{
    CursorPropertyManager manager;
    CursorEditorFactory factory;
    factory.addPropertyManager(&manager);
    Property* cursor = manager.addProperty("cursor");
    auto* inner = factory.findChild<EnumPropertyManager*>();
    QVERIFY(inner);
    QWidget parent;
    QPointer<QComboBox> first = qobject_cast<QComboBox*>(editorFor(factory, cursor, &parent));
    QPointer<QComboBox> second = qobject_cast<QComboBox*>(editorFor(factory, cursor, &parent));
    QVERIFY(first && second);
    QCOMPARE(inner->properties().size(), 1);
    QCOMPARE(first->count(), CursorDatabase::ShapeCount);

    first->setCurrentIndex(first->findText("Pointing Hand"));
    QCOMPARE(manager.value(cursor).shape(), Qt::PointingHandCursor);
    QCOMPARE(second->currentText(), QString("Pointing Hand"));

    manager.setValue(cursor, QCursor(Qt::SizeFDiagCursor));
    QCOMPARE(first->currentIndex(), 7);

    delete first;
    QCOMPARE(inner->properties().size(), 1);
    delete second;
    QVERIFY(inner->properties().isEmpty());

    // A cursor property deleted with a box open: the box leads nowhere.
    auto* third = qobject_cast<QComboBox*>(editorFor(factory, cursor, &parent));
    delete cursor;
    third->setCurrentIndex(3);
    delete third;
    QVERIFY(inner->properties().isEmpty());
}

void TestVariantFactory::treeBrowserEndToEnd()
{
    VariantPropertyManager manager;
    VariantEditorFactory factory;
    TreePropertyBrowser browser;
    browser.resize(400, 300);
    VariantProperty* number = manager.addProperty(QVariant::Int, "Number");
    browser.addProperty(number);
    QVERIFY(browser.addFactory(&manager, &factory));
    factory.addPropertyManager(&manager);
    browser.show();
    auto* view = browser.findChild<QTreeWidget*>();
    QTreeWidgetItem* row = browser.propertyTreeItem(number);
    const QRect rect = view->visualItemRect(row);
    QVERIFY(operatorClick(view->viewport(), QPoint(view->header()->sectionViewportPosition(1) + 10, rect.center().y())));
    auto* spin = view->findChild<QSpinBox*>();
    QVERIFY(spin);
    QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
    spin->setValue(33);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(row->text(1), QString("33"));

    // The property goes while its editor is open (a panel refill).
    QPointer<QSpinBox> orphan = spin;
    manager.clear();
    QVERIFY(browser.properties().isEmpty());
    if (orphan)
        orphan->setValue(5);
    QCOMPARE(changed.count(), 1);
}

// Pop-up panels build browser, manager and factory afresh each time: the
// registry must never hand out a binding of a destroyed object.
void TestVariantFactory::panelTeardownCycles()
{
    for (int round = 0; round < 3; ++round) {
        auto manager = std::make_unique<VariantPropertyManager>();
        auto factory = std::make_unique<VariantEditorFactory>();
        auto browser = std::make_unique<TreePropertyBrowser>();
        VariantProperty* number = manager->addProperty(QVariant::Int, "Number");
        browser->addProperty(number);
        QVERIFY2(browser->addFactory(manager.get(), factory.get()), qPrintable(QString::number(round)));
        factory->addPropertyManager(manager.get());
        browser->editItem(browser->topLevelItem(number));
        QVERIFY(browser->findChild<QSpinBox*>());
        // Tear down in a different order each round.
        if (round == 0) {
            browser.reset();
            factory.reset();
            manager.reset();
        } else if (round == 1) {
            manager.reset();
            factory.reset();
            browser.reset();
        } else {
            factory.reset();
            browser.reset();
            manager.reset();
        }
    }
}

QTEST_MAIN(TestVariantFactory)
#include "tst_variantfactory.moc"
