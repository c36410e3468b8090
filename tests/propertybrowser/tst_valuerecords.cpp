#include "datepropertymanager.h"
#include "doublepropertymanager.h"
#include "enumpropertymanager.h"
#include "intpropertymanager.h"
#include "sizefpropertymanager.h"
#include "sizepropertymanager.h"
#include "stringpropertymanager.h"

#include <QtTest>

class TestValueRecords : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void scalarBorders_data();
    void scalarBorders();
    void sizeBordersPerCoordinate();
    void dateValueStaysInsideNewBorders();
    void stringRecordCopies();
};

void TestValueRecords::defaults()
{
    const IntPropertyManager::Data ints;
    QCOMPARE(ints.minimumValue(), -2147483647);
    QCOMPARE(ints.maximumValue(), 2147483647);
    QCOMPARE(ints.singleStep, 1);
    const DoublePropertyManager::Data doubles;
    QCOMPARE(doubles.minVal, -2147483647.0);
    QCOMPARE(doubles.decimals, 2);
    const QDate before = QDate::currentDate();
    const DatePropertyManager::Data dates;
    QVERIFY(dates.val == before || dates.val == QDate::currentDate()); // today, across a midnight too
    QCOMPARE(dates.minVal, QDate(1752, 9, 14));
    QCOMPARE(dates.maxVal, QDate(7999, 12, 31));
    const SizeFPropertyManager::Data sizes;
    QCOMPARE(sizes.maxVal, QSizeF(2147483647.0, 2147483647.0));
    QCOMPARE(sizes.decimals, 2);
    const StringPropertyManager::Data strings;
    QVERIFY(strings.val.isNull());
    QVERIFY(strings.regExp.exactMatch(QString()));
    QVERIFY(strings.regExp.exactMatch(QStringLiteral("any text at all")));
    QCOMPARE(strings.echoMode, 0);
    const EnumPropertyManager::Data enums;
    QCOMPARE(enums.val, -1);
    QVERIFY(enums.enumNames.isEmpty() && enums.enumIcons.isEmpty());
}

void TestValueRecords::scalarBorders_data()
{
    QTest::addColumn<bool>("setMinimum");
    QTest::addColumn<int>("border");
    QTest::addColumn<int>("min");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("val");
    // Start: borders 0..100, value 50.
    QTest::newRow("minimum above all") << true << 200 << 200 << 200 << 200;
    QTest::newRow("maximum below all") << false << -5 << -5 << -5 << -5;
    QTest::newRow("minimum below value") << true << 10 << 10 << 100 << 50;
    QTest::newRow("minimum above value") << true << 60 << 60 << 100 << 60;
    QTest::newRow("maximum below value") << false << 40 << 0 << 40 << 40;
}

void TestValueRecords::scalarBorders()
{
    QFETCH(bool, setMinimum);
    QFETCH(int, border);
    IntPropertyManager::Data ints;
    ints.minVal = 0;
    ints.maxVal = 100;
    ints.val = 50;
    DoublePropertyManager::Data doubles;
    doubles.minVal = 0;
    doubles.maxVal = 100;
    doubles.val = 50;
    if (setMinimum) {
        ints.setMinimumValue(border);
        doubles.setMinimumValue(border);
    } else {
        ints.setMaximumValue(border);
        doubles.setMaximumValue(border);
    }
    QTEST(ints.minVal, "min");
    QTEST(ints.maxVal, "max");
    QTEST(ints.val, "val");
    QTEST(int(doubles.minVal), "min");
    QTEST(int(doubles.maxVal), "max");
    QTEST(int(doubles.val), "val");
}

void TestValueRecords::sizeBordersPerCoordinate()
{
    SizePropertyManager::Data size;
    size.val = QSize(10, 50);
    size.setMaximumValue(QSize(20, 20));
    QCOMPARE(size.val, QSize(10, 20));
    QCOMPARE(size.minVal, QSize(0, 0));

    SizePropertyManager::Data other;
    other.maxVal = QSize(5, 100);
    other.setMinimumValue(QSize(10, 10));
    QCOMPARE(other.maxVal, QSize(10, 100));
    QCOMPARE(other.val, QSize(10, 10));

    SizeFPropertyManager::Data floating;
    floating.val = QSizeF(1.5, 7.5);
    floating.setMaximumValue(QSizeF(2.0, 2.0));
    floating.setMinimumValue(QSizeF(1.75, 0.5));
    QCOMPARE(floating.val, QSizeF(1.75, 2.0));
    QCOMPARE(floating.minimumValue(), QSizeF(1.75, 0.5));
    QCOMPARE(floating.maximumValue(), QSizeF(2.0, 2.0));
}

void TestValueRecords::dateValueStaysInsideNewBorders()
{
    DatePropertyManager::Data date;
    date.val = QDate(2024, 6, 1);
    date.setMinimumValue(QDate(2024, 1, 1));
    date.setMaximumValue(QDate(2024, 12, 31));
    QCOMPARE(date.val, QDate(2024, 6, 1));
    date.setMaximumValue(QDate(2024, 3, 1));
    QCOMPARE(date.val, QDate(2024, 3, 1));
}

void TestValueRecords::stringRecordCopies()
{
    StringPropertyManager::Data original;
    original.val = QStringLiteral("text");
    original.regExp = QRegExp(QStringLiteral("[a-z]+"));
    original.echoMode = QLineEdit::Password;
    original.readOnly = true;
    StringPropertyManager::Data copy(original);
    StringPropertyManager::Data assigned;
    assigned = original;
    for (const StringPropertyManager::Data *record : {&copy, &assigned}) {
        QCOMPARE(record->val, original.val);
        QCOMPARE(record->regExp, original.regExp);
        QCOMPARE(record->echoMode, int(QLineEdit::Password));
        QVERIFY(record->readOnly);
    }
}

QTEST_MAIN(TestValueRecords)
#include "tst_valuerecords.moc"
