#include "boolpropertymanager.h"
#include "colorpropertymanager.h"
#include "doublepropertymanager.h"
#include "enumnametable.h"
#include "enumpropertymanager.h"
#include "eventlog.h"
#include "fontpropertymanager.h"
#include "intpropertymanager.h"
#include "localepropertymanager.h"
#include "pointfpropertymanager.h"
#include "pointpropertymanager.h"
#include "rectfpropertymanager.h"
#include "rectpropertymanager.h"
#include "sizefpropertymanager.h"
#include "sizepolicypropertymanager.h"
#include "sizepropertymanager.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QtTest>

#include <limits>

namespace {
Property *sub(Property *owner, const QString &name)
{
    for (Property *candidate : owner->subProperties()) {
        if (candidate->propertyName() == name)
            return candidate;
    }
    return nullptr;
}

QStringList subNames(Property *owner)
{
    QStringList names;
    for (Property *candidate : owner->subProperties())
        names << candidate->propertyName();
    return names;
}
} // namespace

class TestCompoundManagers : public QObject
{
    Q_OBJECT
private slots:
    void pointsAndEcho();
    void decimalsOfFloatingManagers();
    void floatingTextsIgnoreLocale();
    void sizeRangesPerDimension();
    void sizeMaximumOrder();
    void sizeFFuzzyEquality();
    void rectConstraint();
    void rectConstraintShrinksAndMoves();
    void rectSubPropertyEdits();
    void rectNullConstraintRanges();
    void rectFConstraintRangesInSinglePrecision();
    void colourChannels();
    void sizePolicyParts();
    void localeParts();
    void enumNameTable();
    void fontParts();
    void fontEqualWithOtherResolveMask();
    void fontFamilyRefreshIsCoalesced();
    void fontFamilyWithoutIndexRefreshesToFirst();
    void destroyedSubPropertyIsSkipped();
    void subPropertiesDieWithOwner();
};

void TestCompoundManagers::pointsAndEcho()
{
    PointPropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    QCOMPARE(subNames(p), (QStringList{QStringLiteral("X"), QStringLiteral("Y")}));
    log.watchStructure(&m);
    log.watch(&m, &PointPropertyManager::valueChanged, QStringLiteral("value"));

    m.setValue(p, QPoint(3, -4));
    m.setValue(p, QPoint(3, -4));
    QCOMPARE(log.take(), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("value(p, (3 -4))")}));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Y"))), -4);
    QCOMPARE(p->valueText(), QStringLiteral("(3, -4)"));

    // An edit of "X" becomes one value change of the owner.
    m.intSubManager()->setValue(sub(p, QStringLiteral("X")), 9);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("value(p, (9 -4))")}));

    PointFPropertyManager mf;
    Property *q = mf.addProperty(QStringLiteral("q"));
    mf.setValue(q, QPointF(1.5, 2.5));
    QSignalSpy values(&mf, &PointFPropertyManager::valueChanged);
    mf.setValue(q, QPointF(1.5 + 1e-13, 2.5 - 1e-13));
    QCOMPARE(values.count(), 0);
    mf.setValue(q, QPointF(std::numeric_limits<double>::quiet_NaN(), 0));
    QCOMPARE(values.count(), 0);
    mf.doubleSubManager()->setValue(sub(q, QStringLiteral("Y")), 7.25);
    QCOMPARE(values.count(), 1);
    QCOMPARE(mf.value(q), QPointF(1.5, 7.25));
}

void TestCompoundManagers::decimalsOfFloatingManagers()
{
    PointFPropertyManager points;
    SizeFPropertyManager sizes;
    RectFPropertyManager rects;
    EventLog log;
    Property *p = points.addProperty(QStringLiteral("p"));
    Property *s = sizes.addProperty(QStringLiteral("s"));
    Property *r = rects.addProperty(QStringLiteral("r"));
    log.watchStructure(&points);
    log.watchStructure(&sizes);
    log.watchStructure(&rects);
    log.watch(&points, &PointFPropertyManager::decimalsChanged, QStringLiteral("decimals"));
    log.watch(&sizes, &SizeFPropertyManager::decimalsChanged, QStringLiteral("decimals"));
    log.watch(&rects, &RectFPropertyManager::decimalsChanged, QStringLiteral("decimals"));

    QCOMPARE(points.decimals(p), 2);
    QCOMPARE(points.doubleSubManager()->decimals(sub(p, QStringLiteral("X"))), 2);
    points.setDecimals(p, 20);
    points.setDecimals(p, 2);
    sizes.setDecimals(s, -1);
    rects.setDecimals(r, 5);
    rects.setDecimals(r, 5);
    QCOMPARE(log.take(), (QStringList{QStringLiteral("decimals(p, 13)"), QStringLiteral("decimals(p, 2)"),
                                      QStringLiteral("decimals(s, 0)"), QStringLiteral("decimals(r, 5)")}));
    QCOMPARE(sizes.doubleSubManager()->decimals(sub(s, QStringLiteral("Height"))), 0);
    QCOMPARE(rects.doubleSubManager()->decimals(sub(r, QStringLiteral("Width"))), 5);
}

void TestCompoundManagers::floatingTextsIgnoreLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    PointFPropertyManager points;
    SizeFPropertyManager sizes;
    RectFPropertyManager rects;
    RectPropertyManager intRects;
    SizePropertyManager intSizes;
    Property *p = points.addProperty();
    Property *s = sizes.addProperty();
    Property *r = rects.addProperty();
    Property *ir = intRects.addProperty();
    Property *is = intSizes.addProperty();
    points.setValue(p, QPointF(0.5, 2));
    sizes.setValue(s, QSizeF(1234.5, 0.125));
    rects.setValue(r, QRectF(0.5, -1, 2.25, 3));
    intRects.setValue(ir, QRect(1, 2, 3, 4));
    intSizes.setValue(is, QSize(10, 20));
    QLocale::setDefault(QLocale::c());
    QCOMPARE(p->valueText(), QStringLiteral("(0.50, 2.00)"));
    QCOMPARE(s->valueText(), QStringLiteral("1234.50 x 0.13"));
    QCOMPARE(r->valueText(), QStringLiteral("[(0.50, -1.00), 2.25 x 3.00]"));
    QCOMPARE(ir->valueText(), QStringLiteral("[(1, 2), 3 x 4]"));
    QCOMPARE(is->valueText(), QStringLiteral("10 x 20"));
}

void TestCompoundManagers::sizeRangesPerDimension()
{
    SizePropertyManager m;
    Property *p = m.addProperty(QStringLiteral("p"));
    QCOMPARE(m.minimum(p), QSize(0, 0));
    QCOMPARE(m.maximum(p), QSize(2147483647, 2147483647));
    QCOMPARE(m.intSubManager()->minimum(sub(p, QStringLiteral("Width"))), 0);

    m.setRange(p, QSize(10, 50), QSize(5, 20));
    QCOMPARE(m.minimum(p), QSize(5, 20));
    QCOMPARE(m.maximum(p), QSize(10, 50));
    QCOMPARE(m.value(p), QSize(5, 20));
    QSignalSpy ranges(&m, &SizePropertyManager::rangeChanged);
    m.setRange(p, QSize(5, 20), QSize(10, 50));
    m.setRange(p, QSize(10, 20), QSize(5, 50));
    QCOMPARE(ranges.count(), 0);

    // Width beyond its border is bounded on its own.
    m.setValue(p, QSize(100, 30));
    QCOMPARE(m.value(p), QSize(10, 30));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Width"))), 10);
    QCOMPARE(m.intSubManager()->maximum(sub(p, QStringLiteral("Height"))), 50);
}

void TestCompoundManagers::sizeMaximumOrder()
{
    SizePropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    m.setValue(p, QSize(100, 100));
    log.watchStructure(&m);
    log.watch(&m, &SizePropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&m, &SizePropertyManager::rangeChanged, QStringLiteral("range"));
    log.watchStructure(m.intSubManager());
    log.watch(m.intSubManager(), &IntPropertyManager::rangeChanged, QStringLiteral("subRange"));

    m.setMaximum(p, QSize(50, 200));
    QCOMPARE(m.value(p), QSize(50, 100));
    QCOMPARE(log.take(), (QStringList{QStringLiteral("range(p, 0x0, 50x200)"),
                                      QStringLiteral("subRange(Width, 0, 50)"), QStringLiteral("changed(Width)"),
                                      QStringLiteral("subRange(Height, 0, 200)"),
                                      QStringLiteral("changed(p)"), QStringLiteral("value(p, 50x100)")}));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Width"))), 50);
    QCOMPARE(m.intSubManager()->maximum(sub(p, QStringLiteral("Width"))), 50);
}

void TestCompoundManagers::sizeFFuzzyEquality()
{
    SizeFPropertyManager m;
    Property *p = m.addProperty();
    m.setValue(p, QSizeF(3.0, 4.0));
    QSignalSpy values(&m, &SizeFPropertyManager::valueChanged);
    m.setValue(p, QSizeF(3.0 + 1e-14, 4.0));
    m.setValue(p, QSizeF(std::numeric_limits<double>::quiet_NaN(), 4.0));
    m.setMinimum(p, QSizeF(std::numeric_limits<double>::quiet_NaN(), 4.0));
    QCOMPARE(values.count(), 0);
    m.setMinimum(p, QSizeF(5.0, 1.0));
    QCOMPARE(m.value(p), QSizeF(5.0, 4.0));
    QCOMPARE(values.count(), 1);
}

void TestCompoundManagers::rectConstraint()
{
    RectPropertyManager m;
    Property *p = m.addProperty();
    QCOMPARE(m.value(p), QRect());
    m.setConstraint(p, QRect(0, 0, 100, 100));
    m.setValue(p, QRect(10, 10, 10, 10));
    QSignalSpy values(&m, &RectPropertyManager::valueChanged);

    m.setValue(p, QRect(200, 200, 10, 10));
    QCOMPARE(values.count(), 0);
    QCOMPARE(m.value(p), QRect(10, 10, 10, 10));
    m.setValue(p, QRect(90, 90, 20, 20));
    QCOMPARE(m.value(p), QRect(90, 90, 10, 10));
    // A rectangle given with negative sizes is normalized first.
    m.setValue(p, QRect(QPoint(30, 40), QPoint(20, 20)));
    QCOMPARE(m.value(p), QRect(20, 20, 11, 21));

    RectFPropertyManager mf;
    Property *q = mf.addProperty();
    mf.setConstraint(q, QRectF(0, 0, 100, 100));
    mf.setValue(q, QRectF(90.5, 90, 20, 20));
    QCOMPARE(mf.value(q), QRectF(90.5, 90, 9.5, 10));
    mf.setValue(q, QRectF(200, 0, 10, 10));
    QCOMPARE(mf.value(q), QRectF(90.5, 90, 9.5, 10));
}

void TestCompoundManagers::rectConstraintShrinksAndMoves()
{
    RectPropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    m.setValue(p, QRect(150, -20, 300, 30));
    log.watchStructure(&m);
    log.watch(&m, &RectPropertyManager::valueChanged, QStringLiteral("value"));
    log.watch(&m, &RectPropertyManager::constraintChanged, QStringLiteral("constraint"));
    log.watch(m.intSubManager(), &IntPropertyManager::rangeChanged, QStringLiteral("subRange"));

    m.setConstraint(p, QRect(0, 0, 100, 100));
    QCOMPARE(m.value(p), QRect(0, 0, 100, 30));
    const QStringList entries = log.take();
    QCOMPARE(entries.first(), QStringLiteral("constraint(p, [0 0 100x100])"));
    QCOMPARE(entries.mid(1, 4), (QStringList{QStringLiteral("subRange(X, 0, 100)"),
                                             QStringLiteral("subRange(Y, 0, 100)"),
                                             QStringLiteral("subRange(Width, 0, 100)"),
                                             QStringLiteral("subRange(Height, 0, 100)")}));
    // The old x (150) is clamped by the new range of "X"; that echo does not
    // reach the rectangle, which changes exactly once.
    QCOMPARE(entries.mid(5), (QStringList{QStringLiteral("changed(p)"), QStringLiteral("value(p, [0 0 100x30])")}));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Width"))), 100);

    // Right edge beyond the constraint: moved left until the edges meet.
    m.setConstraint(p, QRect());
    m.setValue(p, QRect(180, 0, 40, 40));
    m.setConstraint(p, QRect(0, 0, 200, 200));
    QCOMPARE(m.value(p), QRect(160, 0, 40, 40));
}

void TestCompoundManagers::rectSubPropertyEdits()
{
    RectPropertyManager m;
    Property *p = m.addProperty();
    m.setConstraint(p, QRect(0, 0, 100, 100));
    m.setValue(p, QRect(80, 0, 10, 10));
    m.intSubManager()->setValue(sub(p, QStringLiteral("Width")), 50);
    QCOMPARE(m.value(p), QRect(50, 0, 50, 10));
    m.intSubManager()->setValue(sub(p, QStringLiteral("Y")), 10);
    m.intSubManager()->setValue(sub(p, QStringLiteral("Height")), 95);
    QCOMPARE(m.value(p), QRect(50, 5, 50, 95));
    m.intSubManager()->setValue(sub(p, QStringLiteral("X")), 20);
    QCOMPARE(m.value(p), QRect(20, 5, 50, 95));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Y"))), 5);
}

void TestCompoundManagers::rectNullConstraintRanges()
{
    RectPropertyManager m;
    Property *p = m.addProperty();
    m.setConstraint(p, QRect(0, 0, 100, 100));
    m.setConstraint(p, QRect());
    IntPropertyManager *ints = m.intSubManager();
    QCOMPARE(ints->minimum(sub(p, QStringLiteral("X"))), std::numeric_limits<int>::min());
    QCOMPARE(ints->maximum(sub(p, QStringLiteral("Y"))), std::numeric_limits<int>::max());
    QCOMPARE(ints->minimum(sub(p, QStringLiteral("Width"))), 0);
    QCOMPARE(ints->maximum(sub(p, QStringLiteral("Height"))), std::numeric_limits<int>::max());
    m.setValue(p, QRect(-5000, 7, 1, 1));
    QCOMPARE(m.value(p), QRect(-5000, 7, 1, 1));
}

void TestCompoundManagers::rectFConstraintRangesInSinglePrecision()
{
    RectFPropertyManager m;
    Property *p = m.addProperty();
    DoublePropertyManager *doubles = m.doubleSubManager();
    m.setConstraint(p, QRectF(0.1, 0, 10, 10));
    QCOMPARE(doubles->minimum(sub(p, QStringLiteral("X"))), double(0.1f));
    QCOMPARE(doubles->maximum(sub(p, QStringLiteral("X"))), double(10.1f));
    m.setConstraint(p, QRectF());
    QCOMPARE(doubles->minimum(sub(p, QStringLiteral("Y"))), double(std::numeric_limits<float>::lowest()));
    QCOMPARE(doubles->maximum(sub(p, QStringLiteral("Width"))), double(std::numeric_limits<float>::max()));
    QCOMPARE(doubles->minimum(sub(p, QStringLiteral("Height"))), 0.0);
}

void TestCompoundManagers::colourChannels()
{
    ColorPropertyManager m;
    Property *p = m.addProperty();
    QCOMPARE(subNames(p), (QStringList{QStringLiteral("Red"), QStringLiteral("Green"), QStringLiteral("Blue"),
                                       QStringLiteral("Alpha")}));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Alpha"))), 255);
    QCOMPARE(m.intSubManager()->maximum(sub(p, QStringLiteral("Red"))), 255);
    m.setValue(p, QColor(232, 194, 251, 128));
    QCOMPARE(p->valueText(), QStringLiteral("[232, 194, 251] (128)"));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Green"))), 194);
    m.intSubManager()->setValue(sub(p, QStringLiteral("Blue")), 300);
    QCOMPARE(m.value(p), QColor(232, 194, 255, 128));
    const QImage swatch = p->valueIcon().pixmap(16, 16).toImage();
    QCOMPARE(qAlpha(swatch.pixel(0, 0)), 128);
    QCOMPARE(qAlpha(swatch.pixel(8, 8)), 255);
}

void TestCompoundManagers::sizePolicyParts()
{
    SizePolicyPropertyManager m;
    Property *p = m.addProperty();
    const EnumNameTable *table = EnumNameTable::instance();
    Property *horizontal = sub(p, QStringLiteral("Horizontal Policy"));
    QCOMPARE(m.enumSubManager()->enumNames(horizontal), table->policyNames());
    QCOMPARE(m.enumSubManager()->value(horizontal), table->indexOfPolicy(QSizePolicy::Fixed));
    QCOMPARE(p->valueText(), QStringLiteral("[Fixed, Fixed, 0, 0]"));

    m.intSubManager()->setValue(sub(p, QStringLiteral("Horizontal Stretch")), 300);
    QCOMPARE(m.value(p).horizontalStretch(), 255);
    m.enumSubManager()->setValue(sub(p, QStringLiteral("Vertical Policy")),
                                 table->indexOfPolicy(QSizePolicy::Expanding));
    QCOMPARE(m.value(p).verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(p->valueText(), QStringLiteral("[Fixed, Expanding, 255, 0]"));

    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    policy.setVerticalStretch(3);
    m.setValue(p, policy);
    QCOMPARE(m.enumSubManager()->value(horizontal), table->indexOfPolicy(QSizePolicy::Preferred));
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Vertical Stretch"))), 3);
    QCOMPARE(p->valueText(), QStringLiteral("[Preferred, Minimum, 0, 3]"));
}

void TestCompoundManagers::localeParts()
{
    LocalePropertyManager m;
    EventLog log;
    Property *p = m.addProperty(QStringLiteral("p"));
    const EnumNameTable *table = EnumNameTable::instance();
    EnumPropertyManager *enums = m.enumSubManager();
    Property *language = sub(p, QStringLiteral("Language"));
    Property *country = sub(p, QStringLiteral("Country"));
    QCOMPARE(enums->enumNames(language), table->languageNames());

    log.watch(&m, &LocalePropertyManager::valueChanged, QStringLiteral("value"));
    m.setValue(p, QLocale(QLocale::German, QLocale::Austria));
    QCOMPARE(log.take(), QStringList{QStringLiteral("value(p, de_AT)")});
    QCOMPARE(p->valueText(), QStringLiteral("German, Austria"));
    QCOMPARE(enums->enumNames(country), table->countryNames(QLocale::German));
    QCOMPARE(enums->valueText(country), QStringLiteral("Austria"));

    // "Language" edited: new language, previous country when the pair exists.
    int french = -1;
    table->indicesOfLocale(QLocale::French, QLocale::AnyCountry, &french, nullptr);
    QVERIFY(french >= 0);
    enums->setValue(language, french);
    QCOMPARE(m.value(p), QLocale(QLocale::French, QLocale::Austria));
    QCOMPARE(enums->enumNames(country), table->countryNames(QLocale::French));
    int countryIndex = -1;
    table->indicesOfLocale(m.value(p).language(), m.value(p).country(), nullptr, &countryIndex);
    QCOMPARE(enums->value(country), countryIndex);
    QCOMPARE(log.take().size(), 1);

    // "Country" edited.
    int canada = -1;
    table->indicesOfLocale(QLocale::French, QLocale::Canada, nullptr, &canada);
    enums->setValue(country, canada);
    QCOMPARE(m.value(p), QLocale(QLocale::French, QLocale::Canada));
    QCOMPARE(log.take(), QStringList{QStringLiteral("value(p, fr_CA)")});
}

void TestCompoundManagers::enumNameTable()
{
    const EnumNameTable *table = EnumNameTable::instance();
    QCOMPARE(table, EnumNameTable::instance());
    QVERIFY(table->policyNames().contains(QStringLiteral("Expanding")));
    QCOMPARE(table->policyOfIndex(table->indexOfPolicy(QSizePolicy::Ignored)), QSizePolicy::Ignored);

    // Sorted by name, each once; a language of the newest Qt data is there.
    QStringList languages = table->languageNames();
    QStringList sorted = languages;
    std::sort(sorted.begin(), sorted.end());
    QCOMPARE(languages, sorted);
    QCOMPARE(languages.removeDuplicates(), 0);
    QVERIFY(languages.contains(QLocale::languageToString(QLocale::NigerianPidgin)));

    int languageIndex = -2;
    int countryIndex = -2;
    table->indicesOfLocale(QLocale::German, QLocale::Switzerland, &languageIndex, &countryIndex);
    QLocale::Language language = QLocale::AnyLanguage;
    QLocale::Country country = QLocale::AnyCountry;
    table->localeOfIndices(languageIndex, countryIndex, &language, &country);
    QCOMPARE(language, QLocale::German);
    QCOMPARE(country, QLocale::Switzerland);
    QStringList countries = table->countryNames(QLocale::German);
    QCOMPARE(countries.at(countryIndex), QStringLiteral("Switzerland"));
    QStringList sortedCountries = countries;
    std::sort(sortedCountries.begin(), sortedCountries.end());
    QCOMPARE(countries, sortedCountries);

    table->indicesOfLocale(QLocale::German, QLocale::Japan, &languageIndex, &countryIndex);
    QVERIFY(languageIndex >= 0);
    QCOMPARE(countryIndex, -1);
    table->localeOfIndices(100000, 0, &language, &country);
    QCOMPARE(language, QLocale::C);
    QCOMPARE(country, QLocale::AnyCountry);
    QVERIFY(table->countryNames(QLocale::AnyLanguage).isEmpty());
}

void TestCompoundManagers::fontParts()
{
    FontPropertyManager m;
    Property *p = m.addProperty();
    QCOMPARE(subNames(p), (QStringList{QStringLiteral("Family"), QStringLiteral("Point Size"),
                                       QStringLiteral("Bold"), QStringLiteral("Italic"),
                                       QStringLiteral("Underline"), QStringLiteral("Strikeout"),
                                       QStringLiteral("Kerning")}));
    BoolPropertyManager *bools = m.boolSubManager();
    bools->setValue(sub(p, QStringLiteral("Bold")), true);
    QCOMPARE(m.value(p).weight(), 75);
    QFont semiBold = m.value(p);
    semiBold.setWeight(63);
    m.setValue(p, semiBold);
    QVERIFY(bools->value(sub(p, QStringLiteral("Bold"))));
    bools->setValue(sub(p, QStringLiteral("Bold")), false);
    QCOMPARE(m.value(p).weight(), 50);
    bools->setValue(sub(p, QStringLiteral("Italic")), true);
    QCOMPARE(m.value(p).style(), QFont::StyleItalic);

    QFont unknown(QStringLiteral("No Such Family 4711"), 17);
    m.setValue(p, unknown);
    QCOMPARE(m.enumSubManager()->value(sub(p, QStringLiteral("Family"))),
             m.enumSubManager()->enumNames(sub(p, QStringLiteral("Family"))).isEmpty() ? -1 : 0);
    QCOMPARE(m.intSubManager()->value(sub(p, QStringLiteral("Point Size"))), 17);
    QCOMPARE(p->valueText(), QStringLiteral("[No Such Family 4711, 17]"));
    // The echoes of the pushed parts change nothing: the family stays unknown.
    QCOMPARE(m.value(p).family(), QStringLiteral("No Such Family 4711"));

    const QStringList families = QFontDatabase().families();
    if (families.size() > 1) {
        m.enumSubManager()->setValue(sub(p, QStringLiteral("Family")), 1);
        QCOMPARE(m.value(p).family(), families.at(1));
    }
    m.intSubManager()->setValue(sub(p, QStringLiteral("Point Size")), 0);
    QCOMPARE(m.value(p).pointSize(), 1);
}

void TestCompoundManagers::fontEqualWithOtherResolveMask()
{
    FontPropertyManager m;
    Property *p = m.addProperty();
    QFont explicitFont = QFont();
    explicitFont.setBold(false);
    QCOMPARE(explicitFont, QFont());
    QVERIFY(explicitFont.resolve() != QFont().resolve());
    QSignalSpy values(&m, &FontPropertyManager::valueChanged);
    m.setValue(p, QFont());
    QCOMPARE(values.count(), 0);
    m.setValue(p, explicitFont);
    m.setValue(p, explicitFont);
    QCOMPARE(values.count(), 1);
}

void TestCompoundManagers::fontFamilyRefreshIsCoalesced()
{
    FontPropertyManager m;
    Property *first = m.addProperty();
    Property *second = m.addProperty();
    const QStringList families = QFontDatabase().families();
    if (families.size() < 2)
        QSKIP("needs two font families");
    EnumPropertyManager *enums = m.enumSubManager();
    enums->setValue(sub(second, QStringLiteral("Family")), 1);
    const QString secondFamily = m.value(second).family();

    auto *application = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    QSignalSpy names(enums, &EnumPropertyManager::enumNamesChanged);
    const QString fontFile = QFINDTESTDATA("/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf");
    const int added = fontFile.isEmpty() ? -1 : QFontDatabase::addApplicationFont(fontFile);
    for (int i = 0; i < 3; ++i)
        emit application->fontDatabaseChanged();

    // One zero-interval refresh after the burst; nothing happens before it.
    QCOMPARE(names.count(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!m.findChildren<QTimer *>().isEmpty()
                                 && !m.findChildren<QTimer *>().first()->isActive(), 5000);
    QCOMPARE(m.findChildren<QTimer *>().size(), 1);
    const QStringList newFamilies = QFontDatabase().families();
    // Names are replaced only where the list changed; each font keeps its family.
    QVERIFY(names.count() == 0 || names.count() == 2);
    QCOMPARE(enums->enumNames(sub(first, QStringLiteral("Family"))), newFamilies);
    QCOMPARE(m.value(second).family(), secondFamily);
    QCOMPARE(enums->valueText(sub(second, QStringLiteral("Family"))), secondFamily);
    if (added >= 0)
        QFontDatabase::removeApplicationFont(added);
}

// A "Family" that holds -1 (its list was empty) names no old family: the
// refresh selects the first family instead of reading the list at -1.
void TestCompoundManagers::fontFamilyWithoutIndexRefreshesToFirst()
{
    const QStringList families = QFontDatabase().families();
    if (families.isEmpty())
        QSKIP("needs a font family");
    FontPropertyManager m;
    Property *p = m.addProperty();
    Property *family = sub(p, QStringLiteral("Family"));
    EnumPropertyManager *enums = m.enumSubManager();
    enums->setEnumNames(family, QStringList());
    QCOMPARE(enums->value(family), -1);

    emit qobject_cast<QGuiApplication *>(QCoreApplication::instance())->fontDatabaseChanged();
    QTRY_COMPARE_WITH_TIMEOUT(enums->enumNames(family), families, 5000);
    QCOMPARE(enums->value(family), 0);
    QCOMPARE(m.value(p).family(), families.first());
}

void TestCompoundManagers::destroyedSubPropertyIsSkipped()
{
    SizePropertyManager m;
    Property *p = m.addProperty();
    Property *width = sub(p, QStringLiteral("Width"));
    Property *height = sub(p, QStringLiteral("Height"));
    delete width;
    QCOMPARE(p->subProperties(), QList<Property *>{height});
    m.setValue(p, QSize(4, 5));
    QCOMPARE(m.value(p), QSize(4, 5));
    QCOMPARE(m.intSubManager()->value(height), 5);
    m.intSubManager()->setValue(height, 9);
    QCOMPARE(m.value(p), QSize(4, 9));
    m.setMaximum(p, QSize(3, 3));
    QCOMPARE(m.value(p), QSize(3, 3));
    delete p;
    QVERIFY(m.intSubManager()->properties().isEmpty());
}

void TestCompoundManagers::subPropertiesDieWithOwner()
{
    auto fonts = std::make_unique<FontPropertyManager>();
    auto rects = std::make_unique<RectFPropertyManager>();
    auto locales = std::make_unique<LocalePropertyManager>();
    fonts->addProperty();
    rects->addProperty();
    locales->addProperty();
    EventLog log;
    log.watchStructure(fonts->boolSubManager());
    fonts->clear();
    QCOMPARE(log.take().count(QStringLiteral("destroyed(Bold)")), 1);
    QVERIFY(fonts->intSubManager()->properties().isEmpty());
    QVERIFY(fonts->enumSubManager()->properties().isEmpty());
    rects.reset();
    locales.reset();
    fonts.reset();
}

QTEST_MAIN(TestCompoundManagers)
#include "tst_compoundmanagers.moc"
