#include "booledit.h"
#include "browseritem.h"
#include "fileedit.h"
#include "filechooserhook.h"
#include "node.h"
#include "operatorclick.h"
#include "propertyset.h"
#include "scopedhook.h"
#include "treepropertybrowser.h"
#include "variantfactory.h"
#include "variantmanager.h"
#include "variantproperty.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QSignalSpy>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// A panel as its creators build it: a browser in a window, a manager
// without parent that outlives the record's rows, the node shown.
struct Panel
{
    Panel()
    {
        set.browser = new TreePropertyBrowser(&window);
        set.manager = manager.get();
        set.currentNode = &node;
        window.resize(420, 400);
        set.browser->resize(420, 400);
        view = set.browser->findChild<QTreeWidget*>();
    }
    void attachFactory()
    {
        if (set.browser->addFactory(manager.get(), &factory))
            factory.addPropertyManager(manager.get());
    }
    QRect cellRect(Property* property, int column) const
    {
        return view->visualItemRect(set.browser->propertyTreeItem(property))
            .intersected(QRect(view->header()->sectionViewportPosition(column), 0,
                               view->header()->sectionSize(column), 100000));
    }
    void click(Property* property, int column)
    {
        QVERIFY(operatorClick(view->viewport(), cellRect(property, column).center()));
    }
    template <class Editor>
    Editor* openEditor(Property* property)
    {
        click(property, 1);
        return view->findChild<Editor*>();
    }

    Node node{QStringLiteral("Energizer 1")};
    std::unique_ptr<VariantManager> manager = std::make_unique<VariantManager>();
    VariantFactory factory;
    QWidget window;
    PropertySet set;
    QTreeWidget* view = nullptr;
};

// The browser may shade a coloured row (current row, marked groups): a
// strong red is all that the record's colour promises.
bool isRed(const QColor& color)
{
    return color.red() > 180 && color.green() < 60 && color.blue() < 60;
}

QColor valuePixel(const Panel& panel, const QImage& image, Property* property)
{
    const QRect cell = panel.cellRect(property, 1);
    return image.pixelColor(cell.right() - 4, cell.center().y());
}

} // namespace

class TestPropertySet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<Property*>(); }
    void addProperty();
    void firstValueUnseenByEditHandling();
    void lookupsByName();
    void duplicateNames();
    void subRowRecordedByName();
    void clearKeepsNode();
    void unsupportedType();
    void energizerPanel();
};

void TestPropertySet::addProperty()
{
    Panel panel;
    panel.attachFactory();
    panel.window.show();
    VariantProperty* status = panel.set.addProperty("Status", QVariant::String, "OK", true);
    VariantProperty* color = panel.set.addProperty("Colour", QVariant::Color, QColor(Qt::red), false);
    VariantProperty* image = panel.set.addProperty("Image", VariantManager::filePathTypeId(), "/site.png", true);
    QVERIFY(status && color && image);

    QCOMPARE(panel.set.browser->properties(), (QList<Property*>{status, color, image}));
    QCOMPARE(panel.set.propertyNames.value(status), QStringLiteral("Status"));
    QCOMPARE(status->propertyName(), QStringLiteral("Status"));
    QCOMPARE(status->value().toString(), QStringLiteral("OK"));
    QCOMPARE(status->attributeValue("readOnly"), QVariant(true));
    QCOMPARE(color->attributeValue("readOnly"), QVariant());
    QCOMPARE(image->valueText(), QStringLiteral("/site.png"));

    // Rows come collapsed, compound ones included.
    QTreeWidgetItem* colorRow = panel.set.browser->propertyTreeItem(color);
    QVERIFY(colorRow->childCount() > 0);
    QVERIFY(!colorRow->isExpanded());

    // The read-only text row edits nothing.
    auto* edit = panel.openEditor<QLineEdit>(status);
    QVERIFY(edit);
    QVERIFY(edit->isReadOnly());
}

void TestPropertySet::firstValueUnseenByEditHandling()
{
    Panel panel;
    QStringList seen;
    // The edit handling starts by looking the row up in the record.
    connect(panel.manager.get(), &VariantManager::valueChanged, [&](Property* property, const QVariant& value) {
        seen << panel.set.propertyNames.value(property, "<unknown>") + "=" + value.toString();
    });
    QSignalSpy attributes(panel.manager.get(), &VariantManager::attributeChanged);

    VariantProperty* status = panel.set.addProperty("Status", QVariant::String, "OK", true);
    panel.set.addProperty("Empty", QVariant::String, QString(), false);
    panel.set.addProperty("ClearAlarm", VariantManager::filePathTypeId(), "Clear", true);
    QCOMPARE(seen, (QStringList{"<unknown>=OK", "<unknown>=Clear"}));
    // "readOnly" reached the string rows only; the file-path row ignores it.
    QCOMPARE(attributes.count(), 1);
    QCOMPARE(attributes.at(0).at(0).value<Property*>(), static_cast<Property*>(status));

    panel.set.setValue("Status", "Alarm");
    QCOMPARE(seen.last(), QStringLiteral("Status=Alarm"));
}

void TestPropertySet::lookupsByName()
{
    Panel panel;
    panel.window.show();
    VariantProperty* status = panel.set.addProperty("Status", QVariant::String, "OK", true);
    VariantProperty* voltage = panel.set.addProperty("HVoltage", QVariant::Double, 7.5, true);
    QSignalSpy values(panel.manager.get(), &VariantManager::valueChanged);
    QSignalSpy changes(panel.manager.get(), &VariantManager::propertyChanged);

    panel.set.setValue("NoSuchRow", "x");
    panel.set.setValue("status", "x");
    panel.set.setBackgroundColor("NoSuchRow", Qt::red);
    QCOMPARE(values.count() + changes.count(), 0);
    for (BrowserItem* item : panel.set.browser->topLevelItems())
        QVERIFY(!panel.set.browser->backgroundColor(item).isValid());

    panel.set.setValue("HVoltage", 8.25);
    QCOMPARE(voltage->value().toDouble(), 8.25);
    panel.set.setValue("HVoltage", 8.25);
    QCOMPARE(values.count(), 1);
    QCOMPARE(status->value().toString(), QStringLiteral("OK"));

    panel.set.setBackgroundColor("Status", QColor(200, 30, 30));
    BrowserItem* statusItem = panel.set.browser->items(status).first();
    QCOMPARE(panel.set.browser->backgroundColor(statusItem), QColor(200, 30, 30));
    QVERIFY(!panel.set.browser->backgroundColor(panel.set.browser->items(voltage).first()).isValid());
    const QImage image = panel.view->viewport()->grab().toImage();
    QVERIFY(isRed(valuePixel(panel, image, status)));
    QVERIFY(!isRed(valuePixel(panel, image, voltage)));
}

void TestPropertySet::duplicateNames()
{
    Panel panel;
    VariantProperty* a = panel.set.addProperty("Dup", QVariant::Int, 1, false);
    VariantProperty* b = panel.set.addProperty("Dup", QVariant::Int, 2, false);
    VariantProperty* first = std::less<Property*>()(a, b) ? a : b;
    VariantProperty* second = first == a ? b : a;
    const int secondValue = second->value().toInt();
    panel.set.setValue("Dup", 99);
    QCOMPARE(first->value().toInt(), 99);
    QCOMPARE(second->value().toInt(), secondValue);
}

void TestPropertySet::subRowRecordedByName()
{
    // The panel fill records sub-rows of a group itself, under names that
    // differ from the text shown.
    Panel panel;
    VariantProperty* group = panel.set.addProperty("Sound alarm", VariantPropertyManager::groupTypeId(), QVariant(), false);
    VariantProperty* name = panel.manager->addProperty(QVariant::String, "Name");
    VariantProperty* okSound = panel.manager->addProperty(VariantManager::filePathTypeId(), "OK sound");
    group->addSubProperty(name);
    group->addSubProperty(okSound);
    panel.set.propertyNames.insert(name, QStringLiteral("Sound_%1").arg(0));
    panel.set.propertyNames.insert(okSound, QStringLiteral("OKSound%1").arg(0));

    panel.set.setValue("Name", "wrong");
    QCOMPARE(name->value().toString(), QString());
    panel.set.setValue("Sound_0", "Siren");
    panel.set.setValue("OKSound0", "/sounds/ok.wav");
    QCOMPARE(name->value().toString(), QStringLiteral("Siren"));
    QCOMPARE(okSound->value().toString(), QStringLiteral("/sounds/ok.wav"));

    // A shown text changed later leaves the recorded name alone.
    name->setPropertyName("Renamed");
    panel.set.setValue("Sound_0", "Horn");
    QCOMPARE(name->value().toString(), QStringLiteral("Horn"));
}

void TestPropertySet::clearKeepsNode()
{
    Panel panel;
    panel.set.addProperty("Status", QVariant::String, "OK", true);
    VariantProperty* group = panel.set.addProperty("Zones", VariantPropertyManager::groupTypeId(), QVariant(), false);
    group->addSubProperty(panel.manager->addProperty(QVariant::Bool, "Zone1"));
    panel.set.addProperty("ClearAlarm", VariantManager::filePathTypeId(), "Clear", true);

    panel.set.clear();
    QVERIFY(panel.set.browser->properties().isEmpty());
    QVERIFY(panel.set.browser->topLevelItems().isEmpty());
    QVERIFY(panel.manager->properties().isEmpty());
    QVERIFY(panel.set.propertyNames.isEmpty());
    QCOMPARE(panel.set.node(), &panel.node);
    QSignalSpy values(panel.manager.get(), &VariantManager::valueChanged);
    panel.set.setValue("Status", "Alarm");
    panel.set.setBackgroundColor("Status", Qt::red);
    QCOMPARE(values.count(), 0);

    // The record fills again from scratch.
    VariantProperty* status = panel.set.addProperty("Status", QVariant::String, "Off", true);
    panel.set.setValue("Status", "OK");
    QCOMPARE(status->value().toString(), QStringLiteral("OK"));
    QCOMPARE(panel.set.browser->properties(), QList<Property*>{status});
}

void TestPropertySet::unsupportedType()
{
    Panel panel;
    QSignalSpy inserted(panel.manager.get(), &VariantManager::propertyInserted);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("type -7 of row \"Status\" is not supported"));
    QVERIFY(!panel.set.addProperty("Status", -7, "OK", true));
    QVERIFY(panel.set.propertyNames.isEmpty());
    QVERIFY(panel.set.browser->properties().isEmpty());
    QVERIFY(panel.manager->properties().isEmpty());
    QCOMPARE(inserted.count(), 0);
}

// The shape of the main window's panel: an energizer's rows in a tree
// browser with the panel factory, driven through the record.
void TestPropertySet::energizerPanel()
{
    int choosers = 0;
    const ScopedHook chooser(&FileChooserHook::setOpenFileChooser,
                             [&choosers](QWidget*, const QString&, const QString&, const QString&) {
                                 ++choosers;
                                 return QString();
                             });
    Panel panel;
    panel.attachFactory();
    panel.set.browser->setPropertiesWithoutValueMarked(true);
    PropertySet& set = panel.set;
    set.addProperty("Name", QVariant::String, panel.node.data(0), true);
    VariantProperty* status = set.addProperty("Status", QVariant::String, "OK", true);
    VariantProperty* voltage = set.addProperty("HVoltage", QVariant::Double, 7.8, true);
    set.addProperty("LVoltage", QVariant::Double, 0.0, true);
    VariantProperty* zones = set.addProperty("Zones", VariantPropertyManager::groupTypeId(), QVariant(), false);
    for (int zone = 1; zone <= 2; ++zone) {
        VariantProperty* row = panel.manager->addProperty(QVariant::Bool, QStringLiteral("Zone %1").arg(zone));
        zones->addSubProperty(row);
        set.propertyNames.insert(row, QStringLiteral("Zone%1").arg(zone));
    }
    VariantProperty* clearAlarm = set.addProperty("ClearAlarm", VariantManager::filePathTypeId(), QString(), false);
    set.browser->setExpanded(set.browser->items(zones).first(), true);
    panel.window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel.window));

    // A live update arrives by name.
    set.setValue("Status", "Critical");
    set.setValue("HVoltage", 3.1);
    set.setBackgroundColor("Status", QColor(220, 0, 0));
    QCOMPARE(status->valueText(), QStringLiteral("Critical"));
    const QImage image = panel.view->viewport()->grab().toImage();
    QVERIFY(isRed(valuePixel(panel, image, status)));
    QVERIFY(!isRed(valuePixel(panel, image, voltage)));
    QCOMPARE(voltage->valueText(), QLocale().toString(3.1, 'f', 2));

    // Clicking a zone's check box is one operator click.
    Property* zone1 = zones->subProperties().first();
    QVERIFY(panel.set.browser->propertyTreeItem(zone1));
    QSignalSpy checks(&panel.factory, &VariantFactory::chckClicked);
    QSignalSpy buttons(&panel.factory, &VariantFactory::btnClicked);
    auto* box = panel.openEditor<BoolEdit>(zone1);
    QVERIFY(box);
    QCOMPARE(checks.count(), 0);
    QVERIFY(operatorClick(box, QPoint(box->width() / 2, box->height() / 2)));
    QCOMPARE(checks.count(), 1);
    QCOMPARE(checks.at(0).at(0).value<Property*>(), zone1);
    QCOMPARE(checks.at(0).at(1).toBool(), true);

    // A device update of the same row is no click.
    set.setValue("Zone1", false);
    QCOMPARE(checks.count(), 1);

    // The clear-alarm row is a bare button.
    auto* button = panel.openEditor<FileEdit>(clearAlarm);
    QVERIFY(button);
    QVERIFY(button->isLineEditHidden());
    QVERIFY(operatorClick(button->findChild<QToolButton*>()));
    QCOMPARE(buttons.count(), 1);
    QCOMPARE(buttons.at(0).at(0).value<Property*>(), static_cast<Property*>(clearAlarm));
    QCOMPARE(choosers, 0);
    QCOMPARE(checks.count(), 1);
}

QTEST_MAIN(TestPropertySet)
#include "tst_propertyset.moc"
