#include "booledit.h"
#include "boolpropertymanager.h"
#include "charedit.h"
#include "chareditorfactory.h"
#include "charpropertymanager.h"
#include "checkboxfactory.h"
#include "dateeditfactory.h"
#include "datepropertymanager.h"
#include "doublepropertymanager.h"
#include "doublespinboxfactory.h"
#include "intpropertymanager.h"
#include "keysequenceedit.h"
#include "keysequenceeditorfactory.h"
#include "keysequencepropertymanager.h"
#include "lineeditfactory.h"
#include "operatorclick.h"
#include "property.h"
#include "scrollbarfactory.h"
#include "sliderfactory.h"
#include "spinboxfactory.h"
#include "stringpropertymanager.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPointer>
#include <QRegExpValidator>
#include <QSignalSpy>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QtTest>

#include <memory>

template <class Editor>
Editor* editorOf(AbstractEditorFactoryBase& factory, Property* property, QWidget* parent)
{
    return qobject_cast<Editor*>(factory.createEditor(property, parent));
}

class TestEditorFactories : public QObject
{
    Q_OBJECT
private slots:
    void spinBoxesStayInStepWithoutEcho();
    void rangeChangesReachOpenEditors();
    void sliderFollowsManager_data();
    void sliderFollowsManager();
    void lineEditValidatorAndModes();
    void checkBoxClicks();
    void leafEditorsRoundTrip();
    void factoryDeletionDeletesEditors();
    void deletedPropertyWithOpenEditor();
    void removedManagerLeavesEditorsDeaf();
    void foreignPropertyGetsNoEditor();
};

void TestEditorFactories::spinBoxesStayInStepWithoutEcho()
{
    IntPropertyManager manager;
    SpinBoxFactory factory;
    factory.addPropertyManager(&manager);
    Property* p = manager.addProperty("p");
    manager.setRange(p, 0, 100);
    manager.setSingleStep(p, 5);
    manager.setReadOnly(p, true);
    QWidget parent;
    QSpinBox* first = editorOf<QSpinBox>(factory, p, &parent);
    QSpinBox* second = editorOf<QSpinBox>(factory, p, &parent);
    QVERIFY(first && second);
    QCOMPARE(first->maximum(), 100);
    QCOMPARE(first->singleStep(), 5);
    QVERIFY(first->isReadOnly());
    QVERIFY(!first->keyboardTracking());

    QSignalSpy changed(&manager, &IntPropertyManager::valueChanged);
    first->setValue(42);
    QCOMPARE(manager.value(p), 42);
    QCOMPARE(second->value(), 42);
    QCOMPARE(changed.count(), 1);

    manager.setValue(p, 17);
    QCOMPARE(first->value(), 17);
    QCOMPARE(second->value(), 17);
    QCOMPARE(changed.count(), 2);

    manager.setReadOnly(p, false);
    QVERIFY(!second->isReadOnly());
    manager.setSingleStep(p, 2);
    QCOMPARE(second->singleStep(), 2);
}

void TestEditorFactories::rangeChangesReachOpenEditors()
{
    QWidget parent;
    IntPropertyManager ints;
    SpinBoxFactory spinFactory;
    spinFactory.addPropertyManager(&ints);
    Property* i = ints.addProperty("i");
    ints.setValue(i, 50);
    QSpinBox* spin = editorOf<QSpinBox>(spinFactory, i, &parent);
    QSignalSpy intEcho(&ints, &IntPropertyManager::valueChanged);
    ints.setRange(i, 0, 10);
    QCOMPARE(spin->maximum(), 10);
    QCOMPARE(spin->value(), 10);
    QCOMPARE(ints.value(i), 10);
    QCOMPARE(intEcho.count(), 1);

    DoublePropertyManager doubles;
    DoubleSpinBoxFactory doubleFactory;
    doubleFactory.addPropertyManager(&doubles);
    Property* x = doubles.addProperty("x");
    doubles.setValue(x, 50.5);
    QDoubleSpinBox* doubleSpin = editorOf<QDoubleSpinBox>(doubleFactory, x, &parent);
    QCOMPARE(doubleSpin->value(), 50.5);
    doubles.setRange(x, 0.0, 10.25);
    QCOMPARE(doubleSpin->maximum(), 10.25);
    QCOMPARE(doubleSpin->value(), 10.25);
    doubles.setDecimals(x, 1);
    QCOMPARE(doubleSpin->decimals(), 1);
    QCOMPARE(doubleSpin->value(), 10.3); // the box rounds to its decimals

    DatePropertyManager dates;
    DateEditFactory dateFactory;
    dateFactory.addPropertyManager(&dates);
    Property* day = dates.addProperty("day");
    dates.setValue(day, QDate(2020, 6, 15));
    QDateEdit* dateEdit = editorOf<QDateEdit>(dateFactory, day, &parent);
    QVERIFY(dateEdit->calendarPopup());
    dates.setRange(day, QDate(2021, 1, 1), QDate(2021, 12, 31));
    QCOMPARE(dateEdit->minimumDate(), QDate(2021, 1, 1));
    QCOMPARE(dateEdit->date(), QDate(2021, 1, 1));
    dateEdit->setDate(QDate(2021, 3, 4));
    QCOMPARE(dates.value(day), QDate(2021, 3, 4));
}

void TestEditorFactories::sliderFollowsManager_data()
{
    QTest::addColumn<bool>("scrollBar");
    QTest::newRow("slider") << false;
    QTest::newRow("scroll bar") << true;
}

void TestEditorFactories::sliderFollowsManager()
{
    QFETCH(bool, scrollBar);
    IntPropertyManager manager;
    std::unique_ptr<AbstractEditorFactory<IntPropertyManager>> factory;
    if (scrollBar)
        factory = std::make_unique<ScrollBarFactory>();
    else
        factory = std::make_unique<SliderFactory>();
    factory->addPropertyManager(&manager);
    Property* p = manager.addProperty("p");
    manager.setRange(p, 0, 20);
    manager.setSingleStep(p, 4);
    QWidget parent;
    auto* slider = editorOf<QAbstractSlider>(*factory, p, &parent);
    QVERIFY(slider);
    QCOMPARE(bool(qobject_cast<QScrollBar*>(slider)), scrollBar);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->maximum(), 20);
    QCOMPARE(slider->singleStep(), 4);
    slider->setValue(12);
    QCOMPARE(manager.value(p), 12);
    manager.setRange(p, 0, 5);
    QCOMPARE(slider->value(), 5);
    manager.setValue(p, 2);
    QCOMPARE(slider->value(), 2);
}

void TestEditorFactories::lineEditValidatorAndModes()
{
    StringPropertyManager manager;
    LineEditFactory factory;
    factory.addPropertyManager(&manager);
    Property* p = manager.addProperty("p");
    manager.setRegExp(p, QRegExp("["));
    manager.setValue(p, "text");
    QWidget parent;
    QLineEdit* edit = editorOf<QLineEdit>(factory, p, &parent);
    QVERIFY(edit);
    QCOMPARE(edit->text(), QString("text"));
    QVERIFY(!edit->validator());

    manager.setRegExp(p, QRegExp("[0-9]+"));
    QPointer<const QValidator> digits = edit->validator();
    QVERIFY(qobject_cast<const QRegExpValidator*>(digits.data()));
    manager.setRegExp(p, QRegExp("[a-z]+"));
    QVERIFY(!digits);
    QVERIFY(edit->validator());

    manager.setEchoMode(p, QLineEdit::Password);
    QCOMPARE(edit->echoMode(), QLineEdit::Password);
    manager.setReadOnly(p, true);
    QVERIFY(edit->isReadOnly());

    QSignalSpy changed(&manager, &StringPropertyManager::valueChanged);
    edit->setText("abc");
    QCOMPARE(manager.value(p), QString("abc"));
    QCOMPARE(changed.count(), 1);
}

void TestEditorFactories::checkBoxClicks()
{
    BoolPropertyManager manager;
    CheckBoxFactory factory;
    factory.addPropertyManager(&manager);
    Property* p = manager.addProperty("p");
    Property* q = manager.addProperty("q");
    QWidget parent;
    BoolEdit* edit = editorOf<BoolEdit>(factory, p, &parent);
    BoolEdit* other = editorOf<BoolEdit>(factory, q, &parent);
    QVERIFY(edit && other);
    QSignalSpy clicked(&factory, &CheckBoxFactory::clicked);
    QSignalSpy changed(&manager, &BoolPropertyManager::valueChanged);

    edit->resize(120, 20);
    other->move(0, 30); // clear of the box clicked
    QVERIFY(operatorClick(edit->findChild<QCheckBox*>()));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).value<Property*>(), p);
    QVERIFY(manager.value(p));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edit->findChild<QCheckBox*>()->text(), QString("True"));

    // A manager change moves the box but counts as no click and no echo.
    manager.setValue(p, false);
    QVERIFY(!edit->isChecked());
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(changed.count(), 2);

    manager.setTextVisible(q, false);
    QCOMPARE(other->findChild<QCheckBox*>()->text(), QString());
}

void TestEditorFactories::leafEditorsRoundTrip()
{
    QWidget parent;
    CharPropertyManager chars;
    CharEditorFactory charFactory;
    charFactory.addPropertyManager(&chars);
    Property* c = chars.addProperty("c");
    chars.setValue(c, QChar('x'));
    CharEdit* charEdit = editorOf<CharEdit>(charFactory, c, &parent);
    QCOMPARE(charEdit->value(), QChar('x'));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
    QCoreApplication::sendEvent(charEdit, &key);
    QCOMPARE(chars.value(c), QChar('y'));
    chars.setValue(c, QChar('z'));
    QCOMPARE(charEdit->value(), QChar('z'));

    KeySequencePropertyManager keys;
    KeySequenceEditorFactory keyFactory;
    keyFactory.addPropertyManager(&keys);
    Property* k = keys.addProperty("k");
    KeySequenceEdit* keyEdit = editorOf<KeySequenceEdit>(keyFactory, k, &parent);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F3, Qt::ControlModifier);
    QCoreApplication::sendEvent(keyEdit, &press);
    QCOMPARE(keys.value(k), QKeySequence(Qt::CTRL | Qt::Key_F3));
    QSignalSpy editorSignal(keyEdit, &KeySequenceEdit::keySequenceChanged);
    keys.setValue(k, QKeySequence(Qt::Key_F9));
    QCOMPARE(keyEdit->keySequence(), QKeySequence(Qt::Key_F9));
    QCOMPARE(editorSignal.count(), 0);
}

void TestEditorFactories::factoryDeletionDeletesEditors()
{
    IntPropertyManager manager;
    auto factory = std::make_unique<SpinBoxFactory>();
    factory->addPropertyManager(&manager);
    Property* p = manager.addProperty("p");
    QWidget parent;
    QPointer<QSpinBox> first = editorOf<QSpinBox>(*factory, p, &parent);
    QPointer<QSpinBox> second = editorOf<QSpinBox>(*factory, p, &parent);
    QVERIFY(first && second);
    factory.reset();
    QVERIFY(!first);
    QVERIFY(!second);
    manager.setValue(p, 3);
    QCOMPARE(manager.value(p), 3);
}

// A panel refilled while a spin box is open: the box commits on focus-out
// later, after its property is gone.
void TestEditorFactories::deletedPropertyWithOpenEditor()
{
    IntPropertyManager manager;
    SpinBoxFactory factory;
    factory.addPropertyManager(&manager);
    Property* p = manager.addProperty("p");
    Property* survivor = manager.addProperty("survivor");
    QWidget parent;
    QSpinBox* orphan = editorOf<QSpinBox>(factory, p, &parent);
    QSpinBox* live = editorOf<QSpinBox>(factory, survivor, &parent);
    delete p;
    QSignalSpy changed(&manager, &IntPropertyManager::valueChanged);
    orphan->setValue(9);
    QCOMPARE(changed.count(), 0);
    live->setValue(4);
    QCOMPARE(manager.value(survivor), 4);
    delete orphan;
}

void TestEditorFactories::removedManagerLeavesEditorsDeaf()
{
    IntPropertyManager manager;
    SpinBoxFactory factory;
    factory.addPropertyManager(&manager);
    Property* p = manager.addProperty("p");
    QWidget parent;
    QSpinBox* spin = editorOf<QSpinBox>(factory, p, &parent);
    factory.removePropertyManager(&manager);
    spin->setValue(8);
    QCOMPARE(manager.value(p), 0);
    manager.setValue(p, 5);
    QCOMPARE(spin->value(), 8);
    QVERIFY(!editorOf<QSpinBox>(factory, p, &parent));
}

void TestEditorFactories::foreignPropertyGetsNoEditor()
{
    IntPropertyManager served;
    IntPropertyManager stranger;
    SpinBoxFactory factory;
    factory.addPropertyManager(&served);
    QWidget parent;
    QVERIFY(!editorOf<QWidget>(factory, stranger.addProperty("x"), &parent));
}

QTEST_MAIN(TestEditorFactories)
#include "tst_editorfactories.moc"
