#include "variantmanager.h"
#include "variantproperty.h"

#include <QPoint>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Every signal of the manager in the order it came, as one text each.
struct SignalLog
{
    explicit SignalLog(VariantManager& manager)
    {
        QObject::connect(&manager, &VariantManager::propertyChanged, [this](Property* p) {
            entries << QStringLiteral("propertyChanged %1").arg(p->propertyName());
        });
        QObject::connect(&manager, &VariantManager::valueChanged, [this](Property* p, const QVariant& v) {
            entries << QStringLiteral("valueChanged %1 %2 %3").arg(p->propertyName(), v.typeName(), v.toString());
        });
        QObject::connect(&manager, &VariantManager::attributeChanged,
                         [this](Property* p, const QString& attribute, const QVariant& v) {
                             entries << QStringLiteral("attributeChanged %1 %2 %3")
                                            .arg(p->propertyName(), attribute, v.toString());
                         });
    }
    QStringList entries;
};

} // namespace

class TestVariantManager : public QObject
{
    Q_OBJECT
private slots:
    void typeIdentity();
    void typeDescription();
    void setValue_data();
    void setValue();
    void setAttribute_data();
    void setAttribute();
    void shownText();
    void recordsFollowTheProperties();
};

void TestVariantManager::typeIdentity()
{
    const int id = VariantManager::filePathTypeId();
    QVERIFY(id != 0);
    QCOMPARE(VariantManager::filePathTypeId(), id);
    QCOMPARE(QMetaType::type("FilePathPropertyType"), id);
    QCOMPARE(qMetaTypeId<FilePathPropertyType>(), id);
    QVERIFY(id >= QMetaType::User);

    // Distinct from every type the base already supports.
    VariantPropertyManager base;
    QVERIFY(!base.isPropertyTypeSupported(id));
    const QList<int> baseIds = {QVariant::Bool, QVariant::Int, QVariant::Double, QVariant::String,
                                QVariant::Color, QVariant::Font, VariantPropertyManager::enumTypeId(),
                                VariantPropertyManager::flagTypeId(), VariantPropertyManager::groupTypeId()};
    QVERIFY(!baseIds.contains(id));
}

void TestVariantManager::typeDescription()
{
    VariantManager manager;
    const int id = VariantManager::filePathTypeId();
    QVERIFY(manager.isPropertyTypeSupported(id));
    QCOMPARE(manager.valueType(id), int(QVariant::String));
    QCOMPARE(manager.attributes(id), QStringList{"filter"});
    QCOMPARE(manager.attributeType(id, "filter"), int(QVariant::String));
    QCOMPARE(manager.attributeType(id, "x"), 0);
    QCOMPARE(manager.attributeType(id, "readOnly"), 0);

    VariantProperty* row = manager.addProperty(id, "Image");
    QVERIFY(row);
    QCOMPARE(manager.propertyType(row), id);
    QCOMPARE(manager.valueType(row), int(QVariant::String));
    QCOMPARE(row->value(), QVariant(QString()));
    QCOMPARE(row->value().type(), QVariant::String);
    QCOMPARE(row->attributeValue("filter"), QVariant(QString()));
    QVERIFY(!manager.attributeValue(row, "x").isValid());
    QVERIFY(!manager.attributeValue(row, "readOnly").isValid());
    QVERIFY(row->hasValue());
    QVERIFY(row->valueIcon().isNull());
}

void TestVariantManager::setValue_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    QTest::newRow("same text") << QVariant("C:/a.png") << "C:/a.png" << none;
    QTest::newRow("new text") << QVariant("C:/b.png") << "C:/b.png"
                              << QStringList{"propertyChanged Image", "valueChanged Image QString C:/b.png"};
    QTest::newRow("integer") << QVariant(5) << "5"
                             << QStringList{"propertyChanged Image", "valueChanged Image QString 5"};
    QTest::newRow("no text") << QVariant(QPoint(1, 2)) << "C:/a.png" << none;
    QTest::newRow("invalid") << QVariant() << "C:/a.png" << none;
}

void TestVariantManager::setValue()
{
    QFETCH(QVariant, value);
    QFETCH(QString, stored);
    QFETCH(QStringList, expected);

    VariantManager manager;
    VariantProperty* row = manager.addProperty(VariantManager::filePathTypeId(), "Image");
    row->setValue("C:/a.png");
    SignalLog log(manager);
    row->setValue(value);
    QCOMPARE(row->value().toString(), stored);
    QCOMPARE(log.entries, expected);
}

void TestVariantManager::setAttribute_data()
{
    QTest::addColumn<QString>("attribute");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");

    const QStringList none;
    QTest::newRow("filter") << "filter" << QVariant("*.wav") << "*.wav"
                            << QStringList{"attributeChanged Sound filter *.wav"};
    QTest::newRow("same filter") << "filter" << QVariant("*.png") << "*.png" << none;
    QTest::newRow("readOnly") << "readOnly" << QVariant(true) << "*.png" << none;
    QTest::newRow("other name") << "x" << QVariant("*.wav") << "*.png" << none;
    QTest::newRow("filter not text") << "filter" << QVariant(QPoint(1, 1)) << "*.png" << none;
}

void TestVariantManager::setAttribute()
{
    QFETCH(QString, attribute);
    QFETCH(QVariant, value);
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);

    VariantManager manager;
    VariantProperty* row = manager.addProperty(VariantManager::filePathTypeId(), "Sound");
    row->setAttribute("filter", "*.png");
    SignalLog log(manager);
    row->setAttribute(attribute, value);
    QCOMPARE(row->attributeValue("filter").toString(), filter);
    QVERIFY(!row->attributeValue("readOnly").isValid());
    QCOMPARE(log.entries, expected);
}

void TestVariantManager::shownText()
{
    VariantManager manager;
    VariantProperty* row = manager.addProperty(VariantManager::filePathTypeId(), "Image");
    const QString longPath = QStringLiteral("/very/long/path/").repeated(40) + QStringLiteral("image.png");
    row->setValue(longPath);
    QCOMPARE(row->valueText(), longPath);
    QCOMPARE(manager.valueText(row), longPath);
}

void TestVariantManager::recordsFollowTheProperties()
{
    VariantManager manager;
    const int id = VariantManager::filePathTypeId();
    VariantProperty* first = manager.addProperty(id, "First");
    first->setValue("one");
    first->setAttribute("filter", "*.one");
    manager.clear();
    QVERIFY(manager.properties().isEmpty());

    // A new row, even one at a reused handle, starts empty.
    VariantProperty* second = manager.addProperty(id, "Second");
    QCOMPARE(second->value().toString(), QString());
    QCOMPARE(second->attributeValue("filter").toString(), QString());

    // A string row shares nothing with the file-path records.
    VariantProperty* text = manager.addProperty(QVariant::String, "Text");
    text->setValue("plain");
    QVERIFY(!text->attributeValue("filter").isValid());
    QCOMPARE(second->value().toString(), QString());
}

QTEST_MAIN(TestVariantManager)
#include "tst_variantmanager.moc"
