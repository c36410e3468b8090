#include "boolpropertymanager.h"
#include "cursordatabase.h"
#include "cursorpropertymanager.h"
#include "enumpropertymanager.h"
#include "eventlog.h"
#include "flagpropertymanager.h"

#include <QBitmap>
#include <QtTest>

class TestChoiceManagers : public QObject
{
    Q_OBJECT
private slots:
    void enumValues();
    void enumNamesAndIcons();
    void flagValuesAndTexts();
    void flagSubPropertyEdits();
    void flagSurvivesDestroyedSubProperty();
    void flagNamesReplaceSubProperties();
    void flagBoundInSixtyFourBits_data();
    void flagBoundInSixtyFourBits();
    void cursorEquality();
};

namespace {
const QStringList abc{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};

void watchEnum(EventLog &log, EnumPropertyManager &m)
{
    log.watchStructure(&m);
    log.watch(&m, &EnumPropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&m, &EnumPropertyManager::enumNamesChanged, QStringLiteral("names"));
    log.watch(&m, &EnumPropertyManager::enumIconsChanged, QStringLiteral("icons"));
}
} // namespace

void TestChoiceManagers::enumValues()
{
    EnumPropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    watchEnum(log, m);
    QCOMPARE(m.value(p), -1);
    QVERIFY(m.enumNames(p).isEmpty());

    // Without names the value stays -1.
    m.setValue(p, -5);
    m.setValue(p, 0);
    QVERIFY(log.take().isEmpty());
    QCOMPARE(m.value(p), -1);

    m.setEnumNames(p, abc);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("names(p, [A B C])"), QStringLiteral("changed(p)"),
                                      QStringLiteral("value(p, 0)")}));
    m.setValue(p, 3);
    m.setValue(p, -1);
    m.setValue(p, 0);
    QVERIFY(log.take().isEmpty());
    m.setValue(p, 2);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("value(p, 2)")}));
    QCOMPARE(p->valueText(), QStringLiteral("C"));

    // Emptying the names leaves no selection and no text.
    m.setEnumNames(p, QStringList());
    QCOMPARE(m.value(p), -1);
    QCOMPARE(p->valueText(), QString());
    QCOMPARE(log.take().last(), QStringLiteral("value(p, -1)"));
}

void TestChoiceManagers::enumNamesAndIcons()
{
    EnumPropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    m.setEnumNames(p, abc);
    m.setValue(p, 2);
    watchEnum(log, m);

    m.setEnumNames(p, abc);
    QVERIFY(log.take().isEmpty());
    // New names reset the selection even though 2 would still fit.
    m.setEnumNames(p, {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("D")});
    QCOMPARE(m.value(p), 0);
    QCOMPARE(log.take().last(), QStringLiteral("value(p, 0)"));

    QPixmap red(8, 8);
    red.fill(Qt::red);
    const QMap<int, QIcon> icons{{0, QIcon(red)}};
    m.setEnumIcons(p, icons);
    m.setEnumIcons(p, icons);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("icons(p, ?)"), QStringLiteral("changed(p)"),
                                      QStringLiteral("icons(p, ?)"), QStringLiteral("changed(p)")}));
    QCOMPARE(m.value(p), 0);
    QVERIFY(!p->valueIcon().isNull());
    m.setValue(p, 1);
    QVERIFY(p->valueIcon().isNull());
}

void TestChoiceManagers::flagValuesAndTexts()
{
    FlagPropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    QCOMPARE(m.value(p), -1);
    QCOMPARE(p->valueText(), QString());
    QVERIFY(p->subProperties().isEmpty());

    log.watchStructure(&m);
    log.watch(&m, &FlagPropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&m, &FlagPropertyManager::flagNamesChanged, QStringLiteral("names"));
    m.setFlagNames(p, abc);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("inserted(A, p, null)"), QStringLiteral("inserted(B, p, A)"),
                                      QStringLiteral("inserted(C, p, B)"), QStringLiteral("names(p, [A B C])"),
                                      QStringLiteral("changed(p)"), QStringLiteral("value(p, 0)")}));

    m.setValue(p, 5);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("value(p, 5)")}));
    const QList<Property *> subs = p->subProperties();
    QCOMPARE(subs.size(), 3);
    BoolPropertyManager *bools = m.boolSubManager();
    QCOMPARE(bools->value(subs[0]), true);
    QCOMPARE(bools->value(subs[1]), false);
    QCOMPARE(bools->value(subs[2]), true);
    QCOMPARE(p->valueText(), QStringLiteral("A|C"));

    m.setValue(p, 8);
    m.setValue(p, -1);
    QVERIFY(log.take().isEmpty());
    QCOMPARE(m.value(p), 5);
    m.setValue(p, 0);
    QCOMPARE(p->valueText(), QString());
}

void TestChoiceManagers::flagSubPropertyEdits()
{
    FlagPropertyManager m;
    Property *p = m.addProperty(QStringLiteral("p"));
    m.setFlagNames(p, abc);
    m.setValue(p, 5);
    EventLog log;
    log.watch(&m, &FlagPropertyManager::valueChanged, QStringLiteral("value"));

    m.boolSubManager()->setValue(p->subProperties().at(1), true);
    QCOMPARE(log.take(), QStringList{QStringLiteral("value(p, 7)")});
    m.boolSubManager()->setValue(p->subProperties().at(0), false);
    QCOMPARE(log.take(), QStringList{QStringLiteral("value(p, 6)")});
    QCOMPARE(p->valueText(), QStringLiteral("B|C"));
}

void TestChoiceManagers::flagSurvivesDestroyedSubProperty()
{
    FlagPropertyManager m;
    Property *p = m.addProperty(QStringLiteral("p"));
    m.setFlagNames(p, abc);
    Property *a = p->subProperties().at(0);
    Property *c = p->subProperties().at(2);
    delete p->subProperties().at(1);
    QCOMPARE(p->subProperties(), (QList<Property *>{a, c}));

    m.setValue(p, 7);
    QCOMPARE(m.value(p), 7);
    QVERIFY(m.boolSubManager()->value(a));
    QVERIFY(m.boolSubManager()->value(c));
    // C is still bit 2.
    m.boolSubManager()->setValue(c, false);
    QCOMPARE(m.value(p), 3);

    // Replacing the names replaces the sub-properties; the dead one is skipped.
    m.setFlagNames(p, {QStringLiteral("X")});
    QCOMPARE(p->subProperties().size(), 1);
    QCOMPARE(p->subProperties().first()->propertyName(), QStringLiteral("X"));
    QCOMPARE(m.boolSubManager()->properties().size(), 1);
}

void TestChoiceManagers::flagNamesReplaceSubProperties()
{
    FlagPropertyManager m;
    Property *p = m.addProperty(QStringLiteral("p"));
    m.setFlagNames(p, abc);
    m.setValue(p, 3);
    m.setFlagNames(p, {QStringLiteral("B"), QStringLiteral("A")});
    QCOMPARE(m.value(p), 0);
    // The old sub-properties are gone; the new ones are all the bool manager holds.
    const QList<Property *> subs = p->subProperties();
    QCOMPARE(subs.size(), 2);
    QCOMPARE(m.boolSubManager()->properties(), (QSet<Property *>{subs[0], subs[1]}));
    QCOMPARE(subs[0]->propertyName(), QStringLiteral("B"));
    QVERIFY(!m.boolSubManager()->value(subs[0]) && !m.boolSubManager()->value(subs[1]));
    delete p;
    QVERIFY(m.boolSubManager()->properties().isEmpty());
}

void TestChoiceManagers::flagBoundInSixtyFourBits_data()
{
    QTest::addColumn<int>("nameCount");
    QTest::addColumn<int>("request");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("30 names, top bit") << 30 << (1 << 29) << true;
    QTest::newRow("30 names, beyond") << 30 << (1 << 30) << false;
    QTest::newRow("31 names, bit 30") << 31 << (1 << 30) << true;
    QTest::newRow("31 names, all") << 31 << 0x7fffffff << true;
    QTest::newRow("32 names, all") << 32 << 0x7fffffff << true;
    QTest::newRow("32 names, negative") << 32 << int(0x80000000u) << false;
    QTest::newRow("40 names, bit 30") << 40 << (1 << 30) << true;
}

void TestChoiceManagers::flagBoundInSixtyFourBits()
{
    QFETCH(int, nameCount);
    QFETCH(int, request);
    QFETCH(bool, accepted);
    FlagPropertyManager m;
    Property *p = m.addProperty();
    QStringList names;
    for (int i = 0; i < nameCount; ++i)
        names << QStringLiteral("f%1").arg(i);
    m.setFlagNames(p, names);
    m.setValue(p, request);
    QCOMPARE(m.value(p), accepted ? request : 0);
    if (accepted) {
        const QStringList parts = p->valueText().split(QLatin1Char('|'));
        QCOMPARE(parts.size(), qPopulationCount(quint32(request)));
        QCOMPARE(m.boolSubManager()->value(p->subProperties().at(30 < nameCount ? 30 : 0)),
                 bool(request & (30 < nameCount ? (1 << 30) : 1)));
    }
}

void TestChoiceManagers::cursorEquality()
{
    CursorPropertyManager m;
    Property *p = m.addProperty();
    QCOMPARE(m.value(p).shape(), Qt::ArrowCursor);
    QCOMPARE(p->valueText(), QStringLiteral("Arrow"));
    QSignalSpy values(&m, &CursorPropertyManager::valueChanged);

    m.setValue(p, QCursor(Qt::ArrowCursor));
    QCOMPARE(values.count(), 0);
    m.setValue(p, QCursor(Qt::SizeFDiagCursor));
    m.setValue(p, QCursor(Qt::SizeFDiagCursor));
    QCOMPARE(values.count(), 1);
    QCOMPARE(p->valueText(), QStringLiteral("Size Backslash"));

    QBitmap bitmap(16, 16);
    bitmap.clear();
    const QCursor bitmapCursor(bitmap, bitmap);
    m.setValue(p, bitmapCursor);
    m.setValue(p, bitmapCursor);
    QCOMPARE(values.count(), 3);
    QCOMPARE(p->valueText(), QString());
    QVERIFY(p->valueIcon().isNull());

    m.setValue(p, QCursor(Qt::BlankCursor));
    QCOMPARE(p->valueText(), QStringLiteral("Blank"));
    QVERIFY(p->valueIcon().isNull());
}

QTEST_MAIN(TestChoiceManagers)
#include "tst_choicemanagers.moc"
