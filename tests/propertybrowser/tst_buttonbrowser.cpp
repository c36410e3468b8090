#include "browseritem.h"
#include "buttonpropertybrowser.h"
#include "groupboxpropertybrowser.h"
#include "grouppropertymanager.h"
#include "intpropertymanager.h"
#include "operatorclick.h"
#include "property.h"
#include "spinboxfactory.h"
#include "stringpropertymanager.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QSpinBox>
#include <QToolButton>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(BrowserItem*)

namespace {

struct Cell
{
    int row = -1;
    int column = -1;
    int columnSpan = 0;
};

Cell cellOf(QWidget* widget)
{
    Cell cell;
    auto* layout = qobject_cast<QGridLayout*>(widget->parentWidget()->layout());
    const int index = layout ? layout->indexOf(widget) : -1;
    if (index < 0)
        return cell;
    int rowSpan = 0;
    layout->getItemPosition(index, &cell.row, &cell.column, &rowSpan, &cell.columnSpan);
    return cell;
}

int spacerRow(QGridLayout* layout)
{
    for (int i = 0; i < layout->count(); ++i) {
        if (layout->itemAt(i)->spacerItem()) {
            int row, column, rowSpan, columnSpan;
            layout->getItemPosition(i, &row, &column, &rowSpan, &columnSpan);
            return row;
        }
    }
    return -1;
}

template <class Widget>
Widget* named(QWidget* root, const QString& text)
{
    const QList<Widget*> all = root->findChildren<Widget*>();
    for (Widget* widget : all) {
        if (widget->text() == text)
            return widget;
    }
    return nullptr;
}

QGroupBox* groupBoxTitled(QWidget* root, const QString& title)
{
    const QList<QGroupBox*> all = root->findChildren<QGroupBox*>();
    for (QGroupBox* box : all) {
        if (box->title() == title)
            return box;
    }
    return nullptr;
}

// Managers for both browsers: spin-box editors for ints, value labels for
// strings (no factory), sections from groups.
struct Properties
{
    Properties()
    {
        a = ints.addProperty("A");
        b = strings.addProperty("B");
        c = ints.addProperty("C");
        strings.setValue(b, "bee");
        section = groups.addProperty("Section");
    }

    template <class Browser>
    void fill(Browser& browser)
    {
        if (browser.addFactory(&ints, &factory))
            factory.addPropertyManager(&ints);
        browser.addProperty(a);
        browser.addProperty(b);
        browser.addProperty(c);
    }

    IntPropertyManager ints;
    StringPropertyManager strings;
    GroupPropertyManager groups;
    SpinBoxFactory factory;
    Property* a;
    Property* b;
    Property* c;
    Property* section;
};

} // namespace

class TestButtonBrowser : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<BrowserItem*>(); }
    void buttonRowsInOrder();
    void buttonSectionExpandsAndCollapses();
    void buttonSectionTurnsBackIntoRow();
    void groupBoxLayout();
    void groupBoxHeadedByParentEditor();
    void editorDestroyedFromOutside();
    void browserGoesWhileRowAwaitsRebuild();
};

void TestButtonBrowser::buttonRowsInOrder()
{
    Properties props;
    ButtonPropertyBrowser browser;
    props.fill(browser);
    auto* layout = qobject_cast<QGridLayout*>(browser.layout());
    QCOMPARE(cellOf(named<QLabel>(&browser, "A")).row, 0);
    QCOMPARE(cellOf(named<QLabel>(&browser, "B")).row, 1);
    QCOMPARE(cellOf(named<QLabel>(&browser, "C")).row, 2);
    QCOMPARE(spacerRow(layout), 3);

    QSpinBox* spin = browser.findChild<QSpinBox*>();
    QVERIFY(spin);
    QCOMPARE(cellOf(spin).row, 0);
    QCOMPARE(cellOf(spin).column, 1);
    QLabel* value = named<QLabel>(&browser, "bee");
    QVERIFY(value);
    QCOMPARE(cellOf(value).row, 1);
    props.strings.setValue(props.b, "wasp");
    QCOMPARE(value->text(), QString("wasp"));
    props.a->setModified(true);
    QVERIFY(named<QLabel>(&browser, "A")->font().underline());

    // A property without value and editor: its name spans both columns.
    browser.insertProperty(props.section, props.a);
    QCOMPARE(cellOf(named<QLabel>(&browser, "Section")).row, 1);
    QCOMPARE(cellOf(named<QLabel>(&browser, "Section")).columnSpan, 2);
    QCOMPARE(cellOf(named<QLabel>(&browser, "C")).row, 3);
}

void TestButtonBrowser::buttonSectionExpandsAndCollapses()
{
    Properties props;
    ButtonPropertyBrowser browser;
    browser.addProperty(props.section);
    browser.addProperty(props.c);
    BrowserItem* item = browser.topLevelItem(props.section);
    Property* child = props.strings.addProperty("Child");
    props.section->addSubProperty(child);

    QVERIFY(!named<QLabel>(&browser, "Section"));
    QToolButton* button = named<QToolButton>(&browser, "Section");
    QVERIFY(button);
    QCOMPARE(cellOf(button).row, 0);
    QVERIFY(!browser.isExpanded(item));
    QLabel* childLabel = named<QLabel>(&browser, "Child");
    QVERIFY(childLabel && !childLabel->isVisibleTo(&browser));

    QSignalSpy expanded(&browser, &ButtonPropertyBrowser::expanded);
    QSignalSpy collapsed(&browser, &ButtonPropertyBrowser::collapsed);
    browser.setExpanded(item, true);
    QVERIFY(browser.isExpanded(item));
    QVERIFY(button->isChecked());
    QCOMPARE(button->arrowType(), Qt::UpArrow);
    QCOMPARE(expanded.count(), 1);
    QCOMPARE(cellOf(childLabel->parentWidget()).row, 1);
    QCOMPARE(cellOf(named<QLabel>(&browser, "C")).row, 2);

    QVERIFY(operatorClick(button));
    QVERIFY(!browser.isExpanded(item));
    QCOMPARE(collapsed.count(), 1);
    QCOMPARE(cellOf(named<QLabel>(&browser, "C")).row, 1);
}

void TestButtonBrowser::buttonSectionTurnsBackIntoRow()
{
    Properties props;
    ButtonPropertyBrowser browser;
    browser.addProperty(props.section);
    Property* child = props.strings.addProperty("Child");
    props.section->addSubProperty(child);
    browser.setExpanded(browser.topLevelItem(props.section), true);

    props.section->removeSubProperty(child);
    QVERIFY(!named<QToolButton>(&browser, "Section"));
    QVERIFY(!named<QLabel>(&browser, "Section"));
    QTRY_VERIFY(named<QLabel>(&browser, "Section"));
    QCOMPARE(cellOf(named<QLabel>(&browser, "Section")).row, 0);

    // A child added before the deferred update cancels the restore.
    props.section->addSubProperty(child);
    props.section->removeSubProperty(child);
    props.section->addSubProperty(child);
    QCoreApplication::processEvents();
    QVERIFY(named<QToolButton>(&browser, "Section"));
    QVERIFY(!named<QLabel>(&browser, "Section"));
}

void TestButtonBrowser::groupBoxLayout()
{
    Properties props;
    GroupBoxPropertyBrowser browser;
    props.fill(browser);
    auto* layout = qobject_cast<QGridLayout*>(browser.layout());
    QCOMPARE(cellOf(named<QLabel>(&browser, "C")).row, 2);
    QCOMPARE(spacerRow(layout), 3);

    browser.insertProperty(props.section, props.a);
    // Even a property without value gets a value label here.
    QLabel* name = named<QLabel>(&browser, "Section");
    QCOMPARE(cellOf(name).columnSpan, 1);
    Property* child = props.strings.addProperty("Child");
    props.section->addSubProperty(child);
    QGroupBox* box = groupBoxTitled(&browser, "Section");
    QVERIFY(box);
    QVERIFY(!named<QLabel>(&browser, "Section"));
    QCOMPARE(cellOf(box).row, 1);
    QCOMPARE(cellOf(box).columnSpan, 2);
    QCOMPARE(named<QLabel>(&browser, "Child")->parentWidget(), box);
    QCOMPARE(cellOf(named<QLabel>(&browser, "Child")).row, 0);

    props.section->removeSubProperty(child);
    QVERIFY(!groupBoxTitled(&browser, "Section"));
    QTRY_VERIFY(named<QLabel>(&browser, "Section"));
    QCOMPARE(cellOf(named<QLabel>(&browser, "Section")).row, 1);
}

void TestButtonBrowser::groupBoxHeadedByParentEditor()
{
    Properties props;
    GroupBoxPropertyBrowser browser;
    props.fill(browser);
    QSpinBox* editorOfA = browser.findChild<QSpinBox*>();
    Property* child = props.strings.addProperty("Child");
    props.a->addSubProperty(child);
    QGroupBox* box = groupBoxTitled(&browser, "A");
    QVERIFY(box);
    QCOMPARE(editorOfA->parentWidget(), box);
    QCOMPARE(cellOf(editorOfA).row, 0);
    QCOMPARE(cellOf(editorOfA).columnSpan, 2);
    QCOMPARE(cellOf(named<QLabel>(&browser, "Child")).row, 2);

    props.a->removeSubProperty(child);
    QTRY_VERIFY(named<QLabel>(&browser, "A"));
    QCOMPARE(editorOfA->parentWidget(), &browser);
    QCOMPARE(cellOf(editorOfA).row, 0);
    QCOMPARE(cellOf(editorOfA).column, 1);
}

void TestButtonBrowser::editorDestroyedFromOutside()
{
    Properties props;
    ButtonPropertyBrowser buttons;
    GroupBoxPropertyBrowser boxes;
    props.fill(buttons);
    props.fill(boxes);
    delete buttons.findChild<QSpinBox*>();
    delete boxes.findChild<QSpinBox*>();
    props.a->setPropertyName("Renamed");
    QVERIFY(named<QLabel>(&buttons, "Renamed"));
    QVERIFY(named<QLabel>(&boxes, "Renamed"));
    buttons.removeProperty(props.a);
    boxes.removeProperty(props.a);
    QCOMPARE(cellOf(named<QLabel>(&buttons, "B")).row, 0);
    QCOMPARE(cellOf(named<QLabel>(&boxes, "B")).row, 0);
}

// A section or group that lost its last child is rebuilt as a plain row only
// in a later event; a browser destroyed before then still takes every editor
// with it, even one detached from the grid meanwhile, and nothing reports
// back into the half-destroyed browser.
void TestButtonBrowser::browserGoesWhileRowAwaitsRebuild()
{
    Properties props;
    auto buttons = std::make_unique<ButtonPropertyBrowser>();
    auto boxes = std::make_unique<GroupBoxPropertyBrowser>();
    props.fill(*buttons);
    props.fill(*boxes);
    QPointer<QSpinBox> buttonEditor = buttons->findChild<QSpinBox*>();
    QPointer<QSpinBox> boxEditor = boxes->findChild<QSpinBox*>();
    QVERIFY(buttonEditor && boxEditor);
    Property* child = props.strings.addProperty("Child");
    props.a->addSubProperty(child);
    props.a->removeSubProperty(child);
    QVERIFY(!boxEditor->parentWidget());

    buttons.reset();
    boxes.reset();
    QVERIFY(!buttonEditor);
    QVERIFY(!boxEditor);
    props.ints.setValue(props.a, 7);
}

QTEST_MAIN(TestButtonBrowser)
#include "tst_buttonbrowser.moc"
