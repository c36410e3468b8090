#include "boolpropertymanager.h"
#include "charpropertymanager.h"
#include "datepropertymanager.h"
#include "datetimepropertymanager.h"
#include "doublepropertymanager.h"
#include "eventlog.h"
#include "grouppropertymanager.h"
#include "intpropertymanager.h"
#include "keysequencepropertymanager.h"
#include "stringpropertymanager.h"
#include "timepropertymanager.h"

#include <QtTest>

#include <limits>

// Runs once under LC_ALL=C and once under a German LC_ALL (see CMakeLists):
// the double text follows the system locale, whatever the default locale is.
class TestLeafManagers : public QObject
{
    Q_OBJECT
private slots:
    void intDefaultsAndLowestValue();
    void intRangeSignalOrder();
    void intBorders_data();
    void intBorders();
    void attributeClamping();
    void readOnlyDoesNotBlockValues();
    void doubleTextFollowsSystemLocale();
    void doubleIgnoresNaN();
    void stringRegExpAndEcho();
    void boolTextsAndIcons();
    void dateBordersAndInvalidDate();
    void plainSettersEmitOnlyOnChange();
    void foreignPropertiesAreIgnored();
    void defaultLocaleChangeDoesNotReachExistingManagers();
};

void TestLeafManagers::intDefaultsAndLowestValue()
{
    IntPropertyManager m;
    Property *p = m.addProperty(QStringLiteral("p"));
    QCOMPARE(m.value(p), 0);
    QCOMPARE(m.minimum(p), -2147483647);
    QCOMPARE(m.maximum(p), 2147483647);
    QCOMPARE(m.singleStep(p), 1);
    QVERIFY(!m.isReadOnly(p));
    m.setValue(p, std::numeric_limits<int>::min());
    QCOMPARE(m.value(p), -2147483647);
    QCOMPARE(p->valueText(), QStringLiteral("-2147483647"));
    m.setValue(p, 1234567);
    QCOMPARE(p->valueText(), QStringLiteral("1234567"));
}

void TestLeafManagers::intRangeSignalOrder()
{
    IntPropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    log.watchStructure(&m);
    log.watch(&m, &IntPropertyManager::valueChanged, QStringLiteral("valueChanged"));
    log.watch(&m, &IntPropertyManager::rangeChanged, QStringLiteral("rangeChanged"));

    m.setRange(p, 10, 5);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("rangeChanged(p, 5, 10)"), QStringLiteral("changed(p)"),
                                      QStringLiteral("valueChanged(p, 5)")}));
    QCOMPARE(m.minimum(p), 5);
    QCOMPARE(m.maximum(p), 10);
    QCOMPARE(m.value(p), 5);
    m.setRange(p, 5, 10);
    m.setRange(p, 10, 5);
    QVERIFY(log.take().isEmpty());

    // A range that leaves the value in place announces only the range.
    m.setRange(p, 0, 100);
    QCOMPARE(log.take(), QStringList{QStringLiteral("rangeChanged(p, 0, 100)")});

    m.setValue(p, 50);
    log.take();
    m.setMaximum(p, 20);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("rangeChanged(p, 0, 20)"), QStringLiteral("changed(p)"),
                                      QStringLiteral("valueChanged(p, 20)")}));
}

void TestLeafManagers::intBorders_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("argument");
    QTest::addColumn<int>("startValue");
    QTest::addColumn<int>("expectedMin");
    QTest::addColumn<int>("expectedMax");
    QTest::addColumn<int>("expectedValue");
    QTest::addColumn<int>("valueSignals");

    // Start: range 0..100.
    QTest::newRow("minimum above maximum drags all") << "min" << 500 << 50 << 500 << 500 << 500 << 1;
    QTest::newRow("maximum below minimum drags all") << "max" << -5 << 50 << -5 << -5 << -5 << 1;
    QTest::newRow("minimum below value") << "min" << 10 << 50 << 10 << 100 << 50 << 0;
    QTest::newRow("value beyond the border it sits on") << "value" << 1000 << 100 << 0 << 100 << 100 << 0;
    QTest::newRow("value beyond the border") << "value" << 1000 << 90 << 0 << 100 << 100 << 1;
    QTest::newRow("value below the minimum") << "value" << -7 << 90 << 0 << 100 << 0 << 1;
    QTest::newRow("same value") << "value" << 90 << 90 << 0 << 100 << 90 << 0;
    QTest::newRow("same minimum") << "min" << 0 << 90 << 0 << 100 << 90 << 0;
}

void TestLeafManagers::intBorders()
{
    QFETCH(QString, operation);
    QFETCH(int, argument);
    QFETCH(int, startValue);
    IntPropertyManager m;
    Property *p = m.addProperty();
    m.setRange(p, 0, 100);
    m.setValue(p, startValue);
    QSignalSpy values(&m, &IntPropertyManager::valueChanged);
    QSignalSpy changes(&m, &IntPropertyManager::propertyChanged);

    if (operation == QLatin1String("min"))
        m.setMinimum(p, argument);
    else if (operation == QLatin1String("max"))
        m.setMaximum(p, argument);
    else
        m.setValue(p, argument);

    QTEST(m.minimum(p), "expectedMin");
    QTEST(m.maximum(p), "expectedMax");
    QTEST(m.value(p), "expectedValue");
    QTEST(int(values.count()), "valueSignals");
    QTEST(int(changes.count()), "valueSignals");
}

void TestLeafManagers::attributeClamping()
{
    IntPropertyManager ints;
    DoublePropertyManager doubles;
    EventLog log;
    Property *i = ints.addProperty(QStringLiteral("i"));
    Property *d = doubles.addProperty(QStringLiteral("d"));
    log.watchStructure(&ints);
    log.watchStructure(&doubles);
    log.watch(&ints, &IntPropertyManager::singleStepChanged, QStringLiteral("step"));
    log.watch(&doubles, &DoublePropertyManager::singleStepChanged, QStringLiteral("step"));
    log.watch(&doubles, &DoublePropertyManager::decimalsChanged, QStringLiteral("decimals"));

    ints.setSingleStep(i, -5);
    ints.setSingleStep(i, -1);
    doubles.setSingleStep(d, -0.5);
    doubles.setDecimals(d, 20);
    doubles.setDecimals(d, 14);
    doubles.setDecimals(d, -1);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("step(i, 0)"), QStringLiteral("step(d, 0)"),
                                      QStringLiteral("decimals(d, 13)"), QStringLiteral("decimals(d, 0)")}));
    QCOMPARE(ints.singleStep(i), 0);
    QCOMPARE(doubles.singleStep(d), 0.0);
    QCOMPARE(doubles.decimals(d), 0);
}

void TestLeafManagers::readOnlyDoesNotBlockValues()
{
    IntPropertyManager ints;
    DoublePropertyManager doubles;
    StringPropertyManager strings;
    EventLog log;
    Property *i = ints.addProperty(QStringLiteral("i"));
    Property *d = doubles.addProperty(QStringLiteral("d"));
    Property *s = strings.addProperty(QStringLiteral("s"));
    for (AbstractPropertyManager *m : {static_cast<AbstractPropertyManager *>(&ints),
                                       static_cast<AbstractPropertyManager *>(&doubles),
                                       static_cast<AbstractPropertyManager *>(&strings)})
        log.watchStructure(m);
    log.watch(&ints, &IntPropertyManager::readOnlyChanged, QStringLiteral("readOnly"));
    log.watch(&doubles, &DoublePropertyManager::readOnlyChanged, QStringLiteral("readOnly"));
    log.watch(&strings, &StringPropertyManager::readOnlyChanged, QStringLiteral("readOnly"));
    log.watch(&ints, &IntPropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&doubles, &DoublePropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&strings, &StringPropertyManager::valueChanged, QStringLiteral("value"));

    ints.setReadOnly(i, true);
    doubles.setReadOnly(d, true);
    strings.setReadOnly(s, true);
    ints.setReadOnly(i, true);
    ints.setValue(i, 3);
    doubles.setValue(d, 2.5);
    strings.setValue(s, QStringLiteral("x"));
    QCOMPARE(log.take(), (QStringList{
        QStringLiteral("changed(i)"), QStringLiteral("readOnly(i, true)"),
        QStringLiteral("changed(d)"), QStringLiteral("readOnly(d, true)"),
        QStringLiteral("changed(s)"), QStringLiteral("readOnly(s, true)"),
        QStringLiteral("changed(i)"), QStringLiteral("value(i, 3)"),
        QStringLiteral("changed(d)"), QStringLiteral("value(d, 2.5)"),
        QStringLiteral("changed(s)"), QStringLiteral("value(s, x)")}));
}

void TestLeafManagers::doubleTextFollowsSystemLocale()
{
    const QByteArray lcAll = qgetenv("LC_ALL");
    const QChar point = QLocale::system().decimalPoint();
    if (lcAll.startsWith("de"))
        QCOMPARE(point, QLatin1Char(','));
    else if (lcAll == "C")
        QCOMPARE(point, QLatin1Char('.'));

    // The default locale plays no part in the text.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    DoublePropertyManager m;
    Property *p = m.addProperty();
    m.setValue(p, 0.5);
    QCOMPARE(p->valueText(), QStringLiteral("0") + point + QStringLiteral("50"));
    m.setDecimals(p, 0);
    m.setValue(p, -3.0);
    QCOMPARE(p->valueText(), QStringLiteral("-3"));
    m.setDecimals(p, 13);
    m.setValue(p, 0.1);
    QCOMPARE(p->valueText(), QStringLiteral("0") + point + QStringLiteral("1000000000000"));
    QLocale::setDefault(QLocale::c());
}

void TestLeafManagers::doubleIgnoresNaN()
{
    DoublePropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    log.watchStructure(&m);
    log.watch(&m, &DoublePropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&m, &DoublePropertyManager::rangeChanged, QStringLiteral("range"));
    log.watch(&m, &DoublePropertyManager::singleStepChanged, QStringLiteral("step"));
    const double nan = std::numeric_limits<double>::quiet_NaN();

    m.setValue(p, 1.5);
    log.take();
    for (int round = 0; round < 2; ++round) {
        m.setValue(p, nan);
        m.setMinimum(p, nan);
        m.setMaximum(p, nan);
        m.setRange(p, nan, 3.0);
        m.setRange(p, 0.0, nan);
        m.setSingleStep(p, nan);
    }
    QVERIFY(log.take().isEmpty());
    QCOMPARE(m.value(p), 1.5);
    QCOMPARE(m.minimum(p), -2147483647.0);
    QCOMPARE(m.maximum(p), 2147483647.0);
    QCOMPARE(m.singleStep(p), 1.0);

    // Infinities are ordinary values that the borders bound.
    m.setValue(p, std::numeric_limits<double>::infinity());
    QCOMPARE(m.value(p), 2147483647.0);
}

void TestLeafManagers::stringRegExpAndEcho()
{
    StringPropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    log.watchStructure(&m);
    log.watch(&m, &StringPropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&m, &StringPropertyManager::regExpChanged, QStringLiteral("regExp"));
    log.watch(&m, &StringPropertyManager::echoModeChanged, QStringLiteral("echo"));

    // The default wildcard accepts anything, the empty text included.
    QVERIFY(m.regExp(p).exactMatch(QString()));
    m.setValue(p, QStringLiteral("abc"));
    m.setRegExp(p, QRegExp(QStringLiteral("[0-9]+"), Qt::CaseSensitive, QRegExp::RegExp));
    QCOMPARE(m.value(p), QStringLiteral("abc"));
    m.setValue(p, QStringLiteral("12a"));
    m.setValue(p, QStringLiteral("123"));
    m.setRegExp(p, QRegExp(QStringLiteral("[0-9]+"), Qt::CaseSensitive, QRegExp::RegExp));
    QCOMPARE(log.take(), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("value(p, abc)"),
                                      QStringLiteral("regExp(p, ?)"), QStringLiteral("changed(p)"),
                                      QStringLiteral("value(p, 123)")}));

    // An invalid expression accepts every text.
    m.setRegExp(p, QRegExp(QStringLiteral("(")));
    m.setValue(p, QStringLiteral("free text"));
    QCOMPARE(m.value(p), QStringLiteral("free text"));
    log.take();

    QCOMPARE(p->displayText(), QStringLiteral("free text"));
    m.setEchoMode(p, QLineEdit::Password);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("echo(p, 2)")}));
    QCOMPARE(m.echoMode(p), QLineEdit::Password);
    QCOMPARE(p->displayText().size(), 9);
    QVERIFY(!p->displayText().contains(QLatin1Char('f')));
    QCOMPARE(p->valueText(), QStringLiteral("free text"));
    m.setEchoMode(p, QLineEdit::NoEcho);
    QCOMPARE(p->displayText(), QString());
}

void TestLeafManagers::boolTextsAndIcons()
{
    BoolPropertyManager m;
    Property *p = m.addProperty();
    QCOMPARE(p->valueText(), QStringLiteral("False"));
    QVERIFY(m.textVisible(p));
    const qint64 uncheckedKey = p->valueIcon().cacheKey();
    QVERIFY(!p->valueIcon().isNull());
    m.setValue(p, true);
    QCOMPARE(p->valueText(), QStringLiteral("True"));
    QVERIFY(p->valueIcon().cacheKey() != uncheckedKey);

    QSignalSpy visible(&m, &BoolPropertyManager::textVisibleChanged);
    m.setTextVisible(p, false);
    m.setTextVisible(p, false);
    QCOMPARE(visible.count(), 1);
    QCOMPARE(p->valueText(), QString());
    QVERIFY(!p->valueIcon().isNull());
    QVERIFY(p->valueIcon().cacheKey() != uncheckedKey);

    // The unchecked icon is a different picture from the checked one.
    const QImage checked = p->valueIcon().pixmap(16, 16).toImage();
    m.setValue(p, false);
    QVERIFY(p->valueIcon().pixmap(16, 16).toImage() != checked);
}

void TestLeafManagers::dateBordersAndInvalidDate()
{
    DatePropertyManager m;
    EventLog log;
    const QDate before = QDate::currentDate();
    Property *p = m.addProperty(QStringLiteral("p"));
    QVERIFY(m.value(p) == before || m.value(p) == QDate::currentDate()); // today, across a midnight too
    QCOMPARE(m.minimum(p), QDate(1752, 9, 14));
    QCOMPARE(m.maximum(p), QDate(7999, 12, 31));
    log.watchStructure(&m);
    log.watch(&m, &DatePropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&m, &DatePropertyManager::rangeChanged, QStringLiteral("range"));

    m.setValue(p, QDate());
    QCOMPARE(m.value(p), QDate(1752, 9, 14));
    m.setValue(p, QDate());
    m.setRange(p, QDate(2030, 1, 1), QDate(2020, 1, 1));
    QCOMPARE(log.take(), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("value(p, 1752-09-14)"),
                                      QStringLiteral("range(p, 2020-01-01, 2030-01-01)"),
                                      QStringLiteral("changed(p)"), QStringLiteral("value(p, 2020-01-01)")}));
    QCOMPARE(p->valueText(), QDate(2020, 1, 1).toString(QLocale().dateFormat(QLocale::ShortFormat)));
}

void TestLeafManagers::plainSettersEmitOnlyOnChange()
{
    TimePropertyManager times;
    DateTimePropertyManager dateTimes;
    KeySequencePropertyManager keys;
    CharPropertyManager chars;
    Property *t = times.addProperty();
    Property *dt = dateTimes.addProperty();
    Property *k = keys.addProperty();
    Property *c = chars.addProperty();
    QVERIFY(times.value(t).isValid());
    QVERIFY(dateTimes.value(dt).isValid());
    QVERIFY(keys.value(k).isEmpty());
    QVERIFY(chars.value(c).isNull());
    QCOMPARE(c->valueText(), QString());

    QSignalSpy timeSpy(&times, &TimePropertyManager::valueChanged);
    QSignalSpy dateTimeSpy(&dateTimes, &DateTimePropertyManager::valueChanged);
    QSignalSpy keySpy(&keys, &KeySequencePropertyManager::valueChanged);
    QSignalSpy charSpy(&chars, &CharPropertyManager::valueChanged);
    for (int round = 0; round < 2; ++round) {
        times.setValue(t, QTime(13, 45, 10, 5));
        // The same instant written in another time zone is the same value.
        dateTimes.setValue(dt, QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
        dateTimes.setValue(dt, QDateTime(QDate(2024, 5, 1), QTime(14, 0), Qt::OffsetFromUTC, 7200));
        keys.setValue(k, QKeySequence(Qt::CTRL + Qt::Key_S));
        chars.setValue(c, QChar(0x20AC));
    }
    QCOMPARE(timeSpy.count(), 1);
    QCOMPARE(dateTimeSpy.count(), 1);
    QCOMPARE(keySpy.count(), 1);
    QCOMPARE(charSpy.count(), 1);
    QCOMPARE(t->valueText(), QTime(13, 45, 10, 5).toString(QLocale().timeFormat(QLocale::ShortFormat)));
    QCOMPARE(k->valueText(), QStringLiteral("Ctrl+S"));
    QCOMPARE(c->valueText(), QString(QChar(0x20AC)));
}

void TestLeafManagers::foreignPropertiesAreIgnored()
{
    IntPropertyManager ints;
    IntPropertyManager otherInts;
    DoublePropertyManager doubles;
    StringPropertyManager strings;
    BoolPropertyManager bools;
    GroupPropertyManager groups;
    Property *foreign = otherInts.addProperty(QStringLiteral("foreign"));
    EventLog log;
    for (AbstractPropertyManager *m : std::initializer_list<AbstractPropertyManager *>{
             &ints, &otherInts, &doubles, &strings, &bools, &groups})
        log.watchStructure(m);

    ints.setValue(foreign, 5);
    ints.setRange(foreign, 1, 2);
    ints.setSingleStep(foreign, 3);
    ints.setReadOnly(foreign, true);
    doubles.setValue(foreign, 5);
    doubles.setDecimals(foreign, 5);
    strings.setValue(foreign, QStringLiteral("x"));
    strings.setEchoMode(foreign, QLineEdit::Password);
    bools.setValue(foreign, true);
    bools.setTextVisible(foreign, false);
    QVERIFY(log.take().isEmpty());
    QCOMPARE(otherInts.value(foreign), 0);
    QCOMPARE(otherInts.minimum(foreign), -2147483647);

    QCOMPARE(ints.minimum(foreign), 0);
    QCOMPARE(ints.maximum(foreign), 0);
    QCOMPARE(doubles.decimals(foreign), 0);
    QCOMPARE(strings.regExp(foreign), QRegExp());
    QCOMPARE(ints.valueText(foreign), QString());
    QVERIFY(bools.valueIcon(foreign).isNull());
    QVERIFY(!groups.hasValue(groups.addProperty()));
}

void TestLeafManagers::defaultLocaleChangeDoesNotReachExistingManagers()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    DatePropertyManager before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    DatePropertyManager after;
    Property *p = before.addProperty();
    Property *q = after.addProperty();
    before.setValue(p, QDate(2024, 3, 7));
    after.setValue(q, QDate(2024, 3, 7));
    QLocale::setDefault(QLocale::c());
    QCOMPARE(p->valueText(), QStringLiteral("3/7/24"));
    QCOMPARE(q->valueText(), QStringLiteral("07.03.24"));
}

QTEST_MAIN(TestLeafManagers)
#include "tst_leafmanagers.moc"
