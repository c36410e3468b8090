#include "intpropertymanager.h"
#include "property.h"
#include "variantproperty.h"
#include "variantpropertymanager.h"

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QKeySequence>
#include <QLocale>
#include <QRegExp>
#include <QSignalSpy>
#include <QSizePolicy>
#include <QtTest>

namespace {

// "value(name)" and "attribute(name,attribute)" lines in signal order.
struct Recorder
{
    explicit Recorder(VariantPropertyManager& manager)
    {
        QObject::connect(&manager, &VariantPropertyManager::valueChanged, &context,
                         [this](Property* p, const QVariant&) { log << "value(" + p->propertyName() + ")"; });
        QObject::connect(&manager, &VariantPropertyManager::attributeChanged, &context,
                         [this](Property* p, const QString& attribute, const QVariant&) {
                             log << "attribute(" + p->propertyName() + "," + attribute + ")";
                         });
    }
    QObject context;
    QStringList log;
};

QStringList namesOf(const QList<Property*>& properties)
{
    QStringList names;
    for (Property* p : properties)
        names << p->propertyName();
    return names;
}

} // namespace

class TestVariantPropertyManager : public QObject
{
    Q_OBJECT
private slots:
    void unsupportedAndPlainAdd();
    void groupProperty();
    void attributeTables();
    void everyTypeRoundTrips_data();
    void everyTypeRoundTrips();
    void fontMirrors();
    void flagMirrorsFollowNames();
    void attributeRelays();
    void refusedValues();
    void deletingVariantDeletesInternal();
};

void TestVariantPropertyManager::unsupportedAndPlainAdd()
{
    VariantPropertyManager manager;
    QVERIFY(!manager.addProperty(QVariant::Polygon, "poly"));
    QVERIFY(!manager.AbstractPropertyManager::addProperty("plain"));
    QVERIFY(manager.properties().isEmpty());
    QVERIFY(!manager.isPropertyTypeSupported(QVariant::Polygon));
    QCOMPARE(manager.valueType(QVariant::Polygon), 0);
}

void TestVariantPropertyManager::groupProperty()
{
    VariantPropertyManager manager;
    const int group = VariantPropertyManager::groupTypeId();
    QVERIFY(group != 0);
    QCOMPARE(VariantPropertyManager::groupTypeId(), group);
    QVERIFY(manager.isPropertyTypeSupported(group));
    VariantProperty* heading = manager.addProperty(group, "Heading");
    QVERIFY(heading);
    QVERIFY(!heading->value().isValid());
    QVERIFY(!heading->hasValue());
    QCOMPARE(heading->valueType(), 0);
    QCOMPARE(heading->propertyType(), group);
    QVERIFY(manager.attributes(group).isEmpty());
    QVERIFY(heading->valueText().isEmpty());
}

void TestVariantPropertyManager::attributeTables()
{
    VariantPropertyManager manager;
    QCOMPARE(manager.attributes(QVariant::Int),
             (QStringList{"maximum", "minimum", "readOnly", "singleStep"}));
    QCOMPARE(manager.attributes(QVariant::String), (QStringList{"echoMode", "readOnly", "regExp"}));
    QCOMPARE(manager.attributeType(VariantPropertyManager::enumTypeId(), "enumIcons"),
             VariantPropertyManager::iconMapTypeId());
    QCOMPARE(manager.attributeType(QVariant::Double, "decimals"), int(QVariant::Int));
    QCOMPARE(manager.attributeType(QVariant::Int, "nope"), 0);
    QCOMPARE(manager.attributeType(QVariant::Polygon, "minimum"), 0);
    QCOMPARE(QMetaType::typeName(VariantPropertyManager::iconMapTypeId()), "QMap<int,QIcon>");

    VariantProperty* choice = manager.addProperty(VariantPropertyManager::enumTypeId(), "choice");
    QMap<int, QIcon> icons;
    icons[1] = QIcon();
    choice->setAttribute("enumIcons", QVariant::fromValue(icons));
    const QVariant read = choice->attributeValue("enumIcons");
    QCOMPARE(read.userType(), VariantPropertyManager::iconMapTypeId());
    QCOMPARE(read.value<QAssociativeIterable>().size(), 1);
}

void TestVariantPropertyManager::everyTypeRoundTrips_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QVariant>("sample");
    QTest::newRow("int") << int(QVariant::Int) << QVariant(42);
    QTest::newRow("double") << int(QVariant::Double) << QVariant(2.5);
    QTest::newRow("bool") << int(QVariant::Bool) << QVariant(true);
    QTest::newRow("string") << int(QVariant::String) << QVariant("text");
    QTest::newRow("date") << int(QVariant::Date) << QVariant(QDate(2024, 2, 29));
    QTest::newRow("time") << int(QVariant::Time) << QVariant(QTime(13, 14, 15));
    QTest::newRow("datetime") << int(QVariant::DateTime) << QVariant(QDateTime(QDate(2023, 5, 6), QTime(7, 8)));
    QTest::newRow("keysequence") << int(QVariant::KeySequence)
                                 << QVariant::fromValue(QKeySequence(Qt::CTRL | Qt::Key_K));
    QTest::newRow("char") << int(QVariant::Char) << QVariant(QChar('q'));
    QTest::newRow("locale") << int(QVariant::Locale) << QVariant(QLocale(QLocale::German, QLocale::Austria));
    QTest::newRow("point") << int(QVariant::Point) << QVariant(QPoint(3, -4));
    QTest::newRow("pointf") << int(QVariant::PointF) << QVariant(QPointF(1.5, 2.25));
    QTest::newRow("size") << int(QVariant::Size) << QVariant(QSize(30, 40));
    QTest::newRow("sizef") << int(QVariant::SizeF) << QVariant(QSizeF(3.5, 4.5));
    QTest::newRow("rect") << int(QVariant::Rect) << QVariant(QRect(1, 2, 30, 40));
    QTest::newRow("rectf") << int(QVariant::RectF) << QVariant(QRectF(1.5, 2, 30, 40));
    QTest::newRow("color") << int(QVariant::Color) << QVariant::fromValue(QColor(1, 2, 3, 4));
    QTest::newRow("sizepolicy") << int(QVariant::SizePolicy)
                                << QVariant::fromValue(QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding));
    QTest::newRow("cursor") << int(QVariant::Cursor) << QVariant::fromValue(QCursor(Qt::PointingHandCursor));
    QTest::newRow("font") << int(QVariant::Font) << QVariant::fromValue(QFont("DejaVu Sans", 17));
}

void TestVariantPropertyManager::everyTypeRoundTrips()
{
    QFETCH(int, type);
    QFETCH(QVariant, sample);
    VariantPropertyManager manager;
    VariantProperty* property = manager.addProperty(type, "p");
    QVERIFY(property);
    QCOMPARE(property->propertyType(), type);
    QCOMPARE(property->valueType(), type);
    QVERIFY(property->value().isValid());
    QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
    property->setValue(sample);
    QVERIFY(changed.count() >= 1);
    QCOMPARE(changed.last().at(0).value<Property*>(), static_cast<Property*>(property));
    if (type == QVariant::Cursor)
        QCOMPARE(property->value().value<QCursor>().shape(), Qt::PointingHandCursor);
    else if (type == QVariant::Font)
        QCOMPARE(property->value().value<QFont>().pointSize(), 17);
    else
        QCOMPARE(property->value(), sample);
    QVERIFY(!property->valueText().isEmpty() || type == QVariant::Bool);

    // The same value again changes nothing.
    const int count = changed.count();
    property->setValue(property->value());
    QCOMPARE(changed.count(), count);
}

void TestVariantPropertyManager::fontMirrors()
{
    VariantPropertyManager manager;
    VariantProperty* font = manager.addProperty(QVariant::Font, "Font");
    const QList<Property*> mirrors = font->subProperties();
    QCOMPARE(namesOf(mirrors),
             (QStringList{"Family", "Point Size", "Bold", "Italic", "Underline", "Strikeout", "Kerning"}));
    QCOMPARE(manager.propertyType(mirrors.at(0)), VariantPropertyManager::enumTypeId());
    QCOMPARE(manager.propertyType(mirrors.at(1)), int(QVariant::Int));
    QCOMPARE(manager.propertyType(mirrors.at(2)), int(QVariant::Bool));

    Recorder recorder(manager);
    manager.setValue(mirrors.at(2), true);
    QVERIFY(recorder.log.contains("value(Bold)"));
    QVERIFY(recorder.log.contains("value(Font)"));
    QVERIFY(font->value().value<QFont>().bold());

    // A point's parts are int mirrors.
    VariantProperty* point = manager.addProperty(QVariant::Point, "Point");
    QCOMPARE(namesOf(point->subProperties()), (QStringList{"X", "Y"}));
    manager.setValue(point->subProperties().at(1), 9);
    QCOMPARE(point->value().toPoint(), QPoint(0, 9));
}

void TestVariantPropertyManager::flagMirrorsFollowNames()
{
    VariantPropertyManager manager;
    VariantProperty* flags = manager.addProperty(VariantPropertyManager::flagTypeId(), "Flags");
    QVERIFY(flags->subProperties().isEmpty());
    Recorder recorder(manager);
    flags->setAttribute("flagNames", QStringList{"A", "B", "C"});
    QCOMPARE(namesOf(flags->subProperties()), (QStringList{"A", "B", "C"}));
    QVERIFY(recorder.log.contains("attribute(Flags,flagNames)"));

    manager.setValue(flags->subProperties().at(2), true);
    QCOMPARE(flags->value().toInt(), 4);
    flags->setValue(5);
    QCOMPARE(manager.value(flags->subProperties().at(0)).toBool(), true);

    const int before = manager.properties().size();
    flags->setAttribute("flagNames", QStringList{"Only"});
    QCOMPARE(namesOf(flags->subProperties()), (QStringList{"Only"}));
    QCOMPARE(manager.properties().size(), before - 2);
    delete flags;
    QCOMPARE(manager.properties().size(), 0);
}

void TestVariantPropertyManager::attributeRelays()
{
    VariantPropertyManager manager;
    VariantProperty* number = manager.addProperty(QVariant::Int, "n");
    VariantProperty* text = manager.addProperty(QVariant::String, "t");
    VariantProperty* flag = manager.addProperty(QVariant::Bool, "b");
    VariantProperty* choice = manager.addProperty(VariantPropertyManager::enumTypeId(), "e");
    Recorder recorder(manager);

    number->setValue(50);
    recorder.log.clear();
    manager.setAttribute(number, "maximum", 10);
    QCOMPARE(recorder.log, (QStringList{"attribute(n,minimum)", "attribute(n,maximum)", "value(n)"}));
    QCOMPARE(number->value().toInt(), 10);

    recorder.log.clear();
    number->setAttribute("readOnly", true);
    QCOMPARE(number->attributeValue("readOnly").toBool(), true);
    QVERIFY(recorder.log.isEmpty());
    text->setAttribute("readOnly", true);
    QCOMPARE(recorder.log, (QStringList{"attribute(t,readOnly)"}));
    recorder.log.clear();
    flag->setAttribute("readOnly", true);
    QVERIFY(recorder.log.isEmpty());
    QVERIFY(!flag->attributeValue("readOnly").isValid());

    choice->setAttribute("enumNames", QStringList{"one", "two"});
    QCOMPARE(recorder.log, (QStringList{"attribute(e,enumNames)", "value(e)"}));
    QCOMPARE(choice->valueText(), QString("one"));
    QCOMPARE(choice->attributeValue("enumNames").toStringList(), (QStringList{"one", "two"}));
}

void TestVariantPropertyManager::refusedValues()
{
    VariantPropertyManager manager;
    VariantProperty* number = manager.addProperty(QVariant::Int, "n");
    number->setValue(7);
    QSignalSpy changed(&manager, &VariantPropertyManager::valueChanged);
    QSignalSpy attributes(&manager, &VariantPropertyManager::attributeChanged);
    number->setValue(QVariant());
    number->setValue("abc");
    number->setValue(7);
    number->setAttribute("maximum", "lots");
    number->setAttribute("maximum", QVariant());
    number->setAttribute("nope", 3);
    QCOMPARE(changed.count(), 0);
    QCOMPARE(attributes.count(), 0);
    QCOMPARE(number->value().toInt(), 7);
    number->setValue("12");
    QCOMPARE(number->value().toInt(), 12);
}

void TestVariantPropertyManager::deletingVariantDeletesInternal()
{
    VariantPropertyManager manager;
    auto* ints = manager.findChildren<IntPropertyManager*>().value(0);
    QVERIFY(ints);
    const int before = ints->properties().size();
    VariantProperty* number = manager.addProperty(QVariant::Int, "n");
    Property* internal = VariantPropertyManager::internalProperty(number);
    QVERIFY(internal);
    QVERIFY(ints->properties().contains(internal));
    delete number;
    QCOMPARE(ints->properties().size(), before);
    manager.addProperty(QVariant::Rect, "r");
    manager.clear();
    QVERIFY(manager.properties().isEmpty());
}

QTEST_MAIN(TestVariantPropertyManager)
#include "tst_variantpropertymanager.moc"
