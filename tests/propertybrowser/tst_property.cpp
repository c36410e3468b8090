#include "eventlog.h"
#include "grouppropertymanager.h"
#include "intpropertymanager.h"

#include <QtTest>

// A manager whose createProperty can be told to fail, and that logs its
// uninitializeProperty calls into the shared event log.
class RecordingManager : public GroupPropertyManager
{
public:
    explicit RecordingManager(EventLog *log) : m_log(log) {}
    ~RecordingManager() override { clear(); }
    bool refuseCreation = false;

protected:
    Property *createProperty() override
    {
        return refuseCreation ? nullptr : GroupPropertyManager::createProperty();
    }
    void uninitializeProperty(Property *property) override
    {
        m_log->entries << QStringLiteral("uninitialize(%1)").arg(property->propertyName());
    }

private:
    EventLog *m_log;
};

class TestProperty : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void refusedInsertionsChangeNothing();
    void insertPositions();
    void multiParentDestructionOrder();
    void removeSubPropertyOfNonChildStillAnnounces();
    void deletingParentKeepsChildren();
    void descriptiveSetters_data();
    void descriptiveSetters();
    void addPropertySequence();
    void clearAndManagerDestruction();
    void subPropertiesOfOtherManagersSurvive();

private:
    EventLog log;
    std::unique_ptr<RecordingManager> manager;
    Property *a = nullptr;
    Property *b = nullptr;
    Property *c = nullptr;
};

void TestProperty::init()
{
    manager = std::make_unique<RecordingManager>(&log);
    a = manager->addProperty(QStringLiteral("a"));
    b = manager->addProperty(QStringLiteral("b"));
    c = manager->addProperty(QStringLiteral("c"));
    log.watchStructure(manager.get());
    log.take();
}

void TestProperty::cleanup()
{
    manager.reset();
    log.take();
}

void TestProperty::refusedInsertionsChangeNothing()
{
    a->insertSubProperty(a, nullptr);
    a->addSubProperty(nullptr);
    QVERIFY(log.take().isEmpty());

    a->addSubProperty(b);
    b->addSubProperty(c);
    log.take();

    // c is a's grandchild: a under c would close a cycle, and so would a under b.
    c->addSubProperty(a);
    b->addSubProperty(a);
    // Already a child: no second entry.
    a->addSubProperty(b);
    a->insertSubProperty(b, nullptr);

    QVERIFY(log.take().isEmpty());
    QCOMPARE(a->subProperties(), QList<Property *>{b});
    QCOMPARE(b->subProperties(), QList<Property *>{c});
    QVERIFY(c->subProperties().isEmpty());
}

void TestProperty::insertPositions()
{
    Property *d = manager->addProperty(QStringLiteral("d"));
    log.take();

    a->addSubProperty(b);                 // empty list: after null
    a->addSubProperty(c);                 // after the last one
    a->insertSubProperty(d, a);           // foreign after-property: first
    QCOMPARE(log.take(), (QStringList{QStringLiteral("inserted(b, a, null)"),
                                      QStringLiteral("inserted(c, a, b)"),
                                      QStringLiteral("inserted(d, a, null)")}));
    QCOMPARE(a->subProperties(), (QList<Property *>{d, b, c}));

    Property *e = manager->addProperty(QStringLiteral("e"));
    log.take();
    a->insertSubProperty(e, b);
    QCOMPARE(log.take(), QStringList{QStringLiteral("inserted(e, a, b)")});
    QCOMPARE(a->subProperties(), (QList<Property *>{d, b, e, c}));
}

void TestProperty::multiParentDestructionOrder()
{
    Property *child = manager->addProperty(QStringLiteral("child"));
    Property *grandchild = manager->addProperty(QStringLiteral("grandchild"));
    a->addSubProperty(child);
    b->addSubProperty(child);
    child->addSubProperty(grandchild);
    QCOMPARE(child->subProperties(), QList<Property *>{grandchild});
    log.take();

    delete child;

    QStringList entries = log.take();
    QCOMPARE(entries.size(), 4);
    // The order among the parents is the set's; both come before the rest.
    QStringList removals = entries.mid(0, 2);
    removals.sort();
    QCOMPARE(removals, (QStringList{QStringLiteral("removed(child, a)"), QStringLiteral("removed(child, b)")}));
    QCOMPARE(entries.mid(2), (QStringList{QStringLiteral("destroyed(child)"),
                                          QStringLiteral("uninitialize(child)")}));
    QVERIFY(a->subProperties().isEmpty());
    QVERIFY(b->subProperties().isEmpty());
    QVERIFY(manager->properties().contains(grandchild));

    // The grandchild lost its only parent: re-inserting it under c works
    // and deleting it now announces nothing but its own destruction.
    c->addSubProperty(grandchild);
    c->removeSubProperty(grandchild);
    log.take();
    delete grandchild;
    QCOMPARE(log.take(), (QStringList{QStringLiteral("destroyed(grandchild)"),
                                      QStringLiteral("uninitialize(grandchild)")}));
}

void TestProperty::removeSubPropertyOfNonChildStillAnnounces()
{
    a->addSubProperty(b);
    log.take();

    a->removeSubProperty(c);
    QCOMPARE(log.take(), QStringList{QStringLiteral("removed(c, a)")});
    QCOMPARE(a->subProperties(), QList<Property *>{b});

    a->removeSubProperty(b);
    QCOMPARE(log.take(), QStringList{QStringLiteral("removed(b, a)")});
    QVERIFY(a->subProperties().isEmpty());

    // b's parent link went too: deleting b tells no parent.
    delete b;
    QCOMPARE(log.take().first(), QStringLiteral("destroyed(b)"));

    a->removeSubProperty(nullptr);
    QVERIFY(log.take().isEmpty());
}

void TestProperty::deletingParentKeepsChildren()
{
    a->addSubProperty(b);
    a->addSubProperty(c);
    log.take();
    delete a;
    QCOMPARE(log.take(), (QStringList{QStringLiteral("destroyed(a)"), QStringLiteral("uninitialize(a)")}));
    QCOMPARE(manager->properties(), (QSet<Property *>{b, c}));
    // b has no parent any more: inserting it under c is allowed and announced once.
    c->addSubProperty(b);
    QCOMPARE(log.take(), QStringList{QStringLiteral("inserted(b, c, null)")});
}

void TestProperty::descriptiveSetters_data()
{
    QTest::addColumn<int>("which");
    for (int i = 0; i < 6; ++i)
        QTest::newRow(qPrintable(QString::number(i))) << i;
}

void TestProperty::descriptiveSetters()
{
    QFETCH(int, which);
    const auto apply = [&](const QString &text, bool flag) {
        switch (which) {
        case 0: a->setToolTip(text); break;
        case 1: a->setStatusTip(text); break;
        case 2: a->setWhatsThis(text); break;
        case 3: a->setEnabled(flag); break;
        case 4: a->setModified(flag); break;
        default: a->setPropertyName(text.isEmpty() ? QStringLiteral("a") : text); break;
        }
    };
    // The initial values (empty texts, enabled, not modified, name "a") emit nothing.
    apply(QString(), which == 3);
    QVERIFY(log.take().isEmpty());

    apply(QStringLiteral("x"), which != 3);
    QCOMPARE(log.take().size(), 1);
    apply(QStringLiteral("x"), which != 3);
    QVERIFY(log.take().isEmpty());

    QCOMPARE(a->toolTip(), which == 0 ? QStringLiteral("x") : QString());
    QCOMPARE(a->statusTip(), which == 1 ? QStringLiteral("x") : QString());
    QCOMPARE(a->whatsThis(), which == 2 ? QStringLiteral("x") : QString());
    QCOMPARE(a->isEnabled(), which != 3);
    QCOMPARE(a->isModified(), which == 4);
    QCOMPARE(a->propertyName(), which == 5 ? QStringLiteral("x") : QStringLiteral("a"));
}

void TestProperty::addPropertySequence()
{
    // The name is set before the property is registered and initialised.
    Property *named = manager->addProperty(QStringLiteral("n"));
    QCOMPARE(log.take(), QStringList{QStringLiteral("changed(n)")});
    QVERIFY(manager->properties().contains(named));
    QVERIFY(!named->hasValue());
    QCOMPARE(named->propertyManager(), manager.get());

    manager->addProperty();
    QVERIFY(log.take().isEmpty());

    manager->refuseCreation = true;
    QCOMPARE(manager->addProperty(QStringLiteral("z")), nullptr);
    QCOMPARE(manager->properties().size(), 5);
}

void TestProperty::clearAndManagerDestruction()
{
    a->addSubProperty(b);
    log.take();
    manager->clear();
    QVERIFY(manager->properties().isEmpty());
    const QStringList entries = log.take();
    QCOMPARE(entries.count(QStringLiteral("destroyed(a)")), 1);
    QCOMPARE(entries.count(QStringLiteral("destroyed(b)")), 1);
    QCOMPARE(entries.count(QStringLiteral("destroyed(c)")), 1);
    manager->clear();
    QVERIFY(log.take().isEmpty());
}

void TestProperty::subPropertiesOfOtherManagersSurvive()
{
    auto ints = std::make_unique<IntPropertyManager>();
    Property *number = ints->addProperty(QStringLiteral("number"));
    a->addSubProperty(number);
    EventLog intLog;
    intLog.watchStructure(ints.get());
    log.take();

    // The parent's manager announces the insertion and the removal.
    manager.reset();
    QVERIFY(log.take().contains(QStringLiteral("removed(number, a)")) == false);
    QVERIFY(intLog.take().isEmpty());
    QCOMPARE(ints->properties(), QSet<Property *>{number});
    QCOMPARE(number->valueText(), QStringLiteral("0"));

    // And the other way: a number under a group dies with its own manager.
    manager = std::make_unique<RecordingManager>(&log);
    log.watchStructure(manager.get());
    Property *group = manager->addProperty(QStringLiteral("group"));
    group->addSubProperty(number);
    log.take();
    ints.reset();
    QCOMPARE(log.take(), QStringList{QStringLiteral("removed(number, group)")});
    QVERIFY(group->subProperties().isEmpty());
}

QTEST_MAIN(TestProperty)
#include "tst_property.moc"
