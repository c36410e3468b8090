#include "abstracteditorfactory.h"
#include "abstractpropertybrowser.h"
#include "browseritem.h"
#include "grouppropertymanager.h"
#include "intpropertymanager.h"
#include "property.h"

#include <QPointer>
#include <QtTest>

#include <memory>

namespace {

QString nameOf(BrowserItem* item)
{
    return item ? item->property()->propertyName() : QStringLiteral("null");
}

// Logs the three item notifications, so order and arguments can be compared.
class RecordingBrowser : public AbstractPropertyBrowser
{
public:
    QStringList log;
    QWidget* editorFor(Property* property) { return createEditor(property, this); }

protected:
    void itemInserted(BrowserItem* item, BrowserItem* after) override
    {
        log << QStringLiteral("ins(%1,%2)").arg(nameOf(item), nameOf(after));
    }
    void itemRemoved(BrowserItem* item) override { log << QStringLiteral("rem(%1)").arg(nameOf(item)); }
    void itemChanged(BrowserItem* item) override { log << QStringLiteral("chg(%1)").arg(nameOf(item)); }
};

// Counts the binding calls a browser makes on its factory.
class CountingFactory : public AbstractEditorFactory<IntPropertyManager>
{
public:
    int connects = 0;
    int disconnects = 0;

protected:
    void connectPropertyManager(IntPropertyManager*) override { ++connects; }
    void disconnectPropertyManager(IntPropertyManager*) override { ++disconnects; }
    QWidget* createEditor(IntPropertyManager*, Property*, QWidget* parent) override
    {
        return new QWidget(parent);
    }
};

bool bind(AbstractPropertyBrowser& browser, IntPropertyManager* manager, CountingFactory* factory)
{
    const bool first = browser.addFactory(manager, factory);
    if (first)
        factory->addPropertyManager(manager);
    return first;
}

} // namespace

class TestBrowserBase : public QObject
{
    Q_OBJECT
private slots:
    void insertionOrder();
    void groupInsertsChildrenInOrder();
    void propertyShownTwice();
    void subPropertyAddedUnderEveryOccurrence();
    void managerDisconnectedAfterLastProperty();
    void deletedManagerRemovesItems();
    void removeNonTopLevelChangesNothing();
    void registryBinding();
    void registryRebinding();
    void registrySurvivesTeardownCycles();
};

void TestBrowserBase::insertionOrder()
{
    IntPropertyManager manager;
    RecordingBrowser browser;
    Property* a = manager.addProperty("a");
    Property* b = manager.addProperty("b");
    Property* c = manager.addProperty("c");
    QVERIFY(browser.addProperty(a));
    QVERIFY(!browser.addProperty(a));
    QVERIFY(browser.addProperty(c));
    QVERIFY(browser.insertProperty(b, a));
    QCOMPARE(browser.properties(), (QList<Property*>{a, b, c}));
    QCOMPARE(browser.log, (QStringList{"ins(a,null)", "ins(c,a)", "ins(b,a)"}));
    QCOMPARE(browser.topLevelItems().size(), 3);
    QCOMPARE(browser.topLevelItems().at(1), browser.topLevelItem(b));

    browser.log.clear();
    browser.clear();
    QVERIFY(browser.properties().isEmpty());
    QCOMPARE(browser.log, (QStringList{"rem(c)", "rem(b)", "rem(a)"}));
}

void TestBrowserBase::groupInsertsChildrenInOrder()
{
    GroupPropertyManager groups;
    IntPropertyManager ints;
    RecordingBrowser browser;
    Property* first = ints.addProperty("first");
    Property* group = groups.addProperty("group");
    Property* sub1 = ints.addProperty("sub1");
    Property* sub2 = ints.addProperty("sub2");
    group->addSubProperty(sub1);
    group->addSubProperty(sub2);
    browser.addProperty(first);
    browser.log.clear();
    BrowserItem* groupItem = browser.addProperty(group);
    QCOMPARE(browser.log, (QStringList{"ins(group,first)", "ins(sub1,null)", "ins(sub2,sub1)"}));
    QCOMPARE(groupItem->children().size(), 2);
    QCOMPARE(groupItem->children().at(1)->parent(), groupItem);

    browser.log.clear();
    browser.removeProperty(group);
    QCOMPARE(browser.log, (QStringList{"rem(sub2)", "rem(sub1)", "rem(group)"}));
    QVERIFY(browser.items(sub1).isEmpty());
}

void TestBrowserBase::propertyShownTwice()
{
    GroupPropertyManager groups;
    IntPropertyManager ints;
    RecordingBrowser browser;
    Property* group = groups.addProperty("group");
    Property* shared = ints.addProperty("shared");
    group->addSubProperty(shared);
    browser.addProperty(group);
    browser.addProperty(shared);
    QCOMPARE(browser.items(shared).size(), 2);
    QVERIFY(browser.items(shared).at(0)->parent());
    QVERIFY(!browser.items(shared).at(1)->parent());

    browser.log.clear();
    shared->setPropertyName("renamed");
    QCOMPARE(browser.log, (QStringList{"chg(renamed)", "chg(renamed)"}));

    // Deleting it takes both occurrences away.
    browser.log.clear();
    delete shared;
    QCOMPARE(browser.log.size(), 2);
    QVERIFY(browser.log.contains("rem(renamed)"));
    QCOMPARE(browser.properties(), (QList<Property*>{group}));
    QVERIFY(browser.topLevelItem(group)->children().isEmpty());
}

void TestBrowserBase::subPropertyAddedUnderEveryOccurrence()
{
    GroupPropertyManager groups;
    IntPropertyManager ints;
    RecordingBrowser browser;
    Property* outer1 = groups.addProperty("outer1");
    Property* outer2 = groups.addProperty("outer2");
    Property* inner = groups.addProperty("inner");
    outer1->addSubProperty(inner);
    outer2->addSubProperty(inner);
    browser.addProperty(outer1);
    browser.addProperty(outer2);
    browser.log.clear();
    Property* leaf = ints.addProperty("leaf");
    inner->addSubProperty(leaf);
    QCOMPARE(browser.log, (QStringList{"ins(leaf,null)", "ins(leaf,null)"}));
    QCOMPARE(browser.items(leaf).size(), 2);

    browser.log.clear();
    inner->removeSubProperty(leaf);
    QCOMPARE(browser.log, (QStringList{"rem(leaf)", "rem(leaf)"}));
    QVERIFY(browser.items(leaf).isEmpty());
}

void TestBrowserBase::managerDisconnectedAfterLastProperty()
{
    IntPropertyManager manager;
    RecordingBrowser browser;
    Property* p = manager.addProperty("p");
    browser.addProperty(p);
    browser.removeProperty(p);
    browser.log.clear();
    p->setPropertyName("renamed");
    manager.addProperty("other");
    QVERIFY(browser.log.isEmpty());

    browser.addProperty(p);
    browser.log.clear();
    p->setPropertyName("again");
    QCOMPARE(browser.log, (QStringList{"chg(again)"}));
}

void TestBrowserBase::deletedManagerRemovesItems()
{
    auto groups = std::make_unique<GroupPropertyManager>();
    IntPropertyManager ints;
    RecordingBrowser browser;
    Property* group = groups->addProperty("group");
    Property* sub = ints.addProperty("sub");
    Property* loose = ints.addProperty("loose");
    group->addSubProperty(sub);
    browser.addProperty(group);
    browser.addProperty(loose);
    groups.reset();
    QCOMPARE(browser.properties(), (QList<Property*>{loose}));
    QVERIFY(browser.items(sub).isEmpty());
    QCOMPARE(browser.topLevelItems().size(), 1);
}

void TestBrowserBase::removeNonTopLevelChangesNothing()
{
    GroupPropertyManager groups;
    IntPropertyManager ints;
    RecordingBrowser browser;
    Property* group = groups.addProperty("group");
    Property* sub = ints.addProperty("sub");
    group->addSubProperty(sub);
    browser.addProperty(group);
    browser.log.clear();
    browser.removeProperty(sub);
    browser.removeProperty(nullptr);
    QVERIFY(browser.log.isEmpty());
    QCOMPARE(browser.items(sub).size(), 1);
    QVERIFY(!browser.insertProperty(nullptr, nullptr));
}

void TestBrowserBase::registryBinding()
{
    IntPropertyManager manager;
    CountingFactory factory;
    RecordingBrowser browser;
    Property* p = manager.addProperty("p");
    browser.addProperty(p);
    QVERIFY(!browser.editorFor(p));

    QVERIFY(bind(browser, &manager, &factory));
    QVERIFY(!browser.addFactory(&manager, &factory));
    QCOMPARE(factory.connects, 1);
    QPointer<QWidget> editor = browser.editorFor(p);
    QVERIFY(editor);

    // A second browser on the same factory and manager: not a first use.
    RecordingBrowser other;
    QVERIFY(!other.addFactory(&manager, &factory));
    QVERIFY(other.editorFor(p));

    browser.unsetFactoryForManager(&manager);
    QCOMPARE(factory.disconnects, 0);
    QVERIFY(!browser.editorFor(p));
    other.unsetFactoryForManager(&manager);
    QCOMPARE(factory.disconnects, 1);
    QVERIFY(factory.propertyManagers().isEmpty());
}

void TestBrowserBase::registryRebinding()
{
    IntPropertyManager manager;
    CountingFactory f1;
    CountingFactory f2;
    RecordingBrowser browser;
    RecordingBrowser other;
    QVERIFY(bind(browser, &manager, &f1));
    QVERIFY(!bind(other, &manager, &f1));

    // f1 still serves `other`: no break yet.
    QVERIFY(bind(browser, &manager, &f2));
    QCOMPARE(f1.disconnects, 0);
    QCOMPARE(f2.connects, 1);

    QVERIFY(!bind(other, &manager, &f2));
    QCOMPARE(f1.disconnects, 1);
    QVERIFY(f1.propertyManagers().isEmpty());
    QCOMPARE(f2.propertyManagers().size(), 1);
}

// Panels are built and torn down again and again, and the heap hands out
// the same addresses: no binding may outlive the objects it names.
void TestBrowserBase::registrySurvivesTeardownCycles()
{
    for (int round = 0; round < 3; ++round) {
        auto browser = std::make_unique<RecordingBrowser>();
        auto manager = std::make_unique<IntPropertyManager>();
        auto factory = std::make_unique<CountingFactory>();
        Property* p = manager->addProperty("p");
        browser->addProperty(p);
        QVERIFY2(bind(*browser, manager.get(), factory.get()), qPrintable(QString::number(round)));
        QCOMPARE(factory->connects, 1);
        QVERIFY(browser->editorFor(p));
        switch (round) {
        case 0:
            factory.reset();
            QVERIFY(!browser->editorFor(p));
            manager.reset();
            browser.reset();
            break;
        case 1:
            browser.reset();
            QCOMPARE(factory->disconnects, 1);
            manager.reset();
            factory.reset();
            break;
        default:
            manager.reset();
            QVERIFY(factory->propertyManagers().isEmpty());
            browser.reset();
            factory.reset();
            break;
        }
    }
}

QTEST_MAIN(TestBrowserBase)
#include "tst_browserbase.moc"
