#include "cursordatabase.h"
#include "propertybrowserutils.h"
#include "resources.h"

#include <QtTest>

class TestCursorDatabase : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void indexesAndShapes_data();
    void indexesAndShapes();
    void shapesOutsideTheTable();
    void iconsComeFromResources();
    void addingAKnownShapeChangesNothing();
    void colourAndFontTexts_data();
    void colourAndFontTexts();
    void swatchAlpha_data();
    void swatchAlpha();
    void fontSample();
};

void TestCursorDatabase::initTestCase()
{
    initLumetraResources();
}

void TestCursorDatabase::indexesAndShapes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("shape");
    QTest::addColumn<QString>("name");
    QTest::newRow("arrow") << 0 << int(Qt::ArrowCursor) << "Arrow";
    QTest::newRow("ibeam") << 4 << int(Qt::IBeamCursor) << "IBeam";
    QTest::newRow("backslash") << 7 << int(Qt::SizeFDiagCursor) << "Size Backslash";
    QTest::newRow("slash") << 8 << int(Qt::SizeBDiagCursor) << "Size Slash";
    QTest::newRow("blank") << 10 << int(Qt::BlankCursor) << "Blank";
    QTest::newRow("open hand") << 15 << int(Qt::OpenHandCursor) << "Open Hand";
    QTest::newRow("what's this") << 17 << int(Qt::WhatsThisCursor) << "What's This";
    QTest::newRow("busy") << 18 << int(Qt::BusyCursor) << "Busy";
}

void TestCursorDatabase::indexesAndShapes()
{
    QFETCH(int, index);
    QFETCH(int, shape);
    QFETCH(QString, name);
    const CursorDatabase *database = CursorDatabase::instance();
    QVERIFY(database);
    QCOMPARE(database->shapeNames().size(), CursorDatabase::ShapeCount);
    const QCursor cursor{Qt::CursorShape(shape)};
    QCOMPARE(database->indexOfCursor(cursor), index);
    QCOMPARE(int(database->cursorAt(index).shape()), shape);
    QCOMPARE(database->nameOfCursor(cursor), name);
    QCOMPARE(database->shapeNames().at(index), name);
}

void TestCursorDatabase::shapesOutsideTheTable()
{
    const CursorDatabase *database = CursorDatabase::instance();
    const QCursor dragCopy(Qt::DragCopyCursor);
    QCOMPARE(database->indexOfCursor(dragCopy), -1);
    QCOMPARE(database->nameOfCursor(dragCopy), QString());
    QVERIFY(database->iconOfCursor(dragCopy).isNull());
    QCOMPARE(database->cursorAt(19).shape(), Qt::ArrowCursor);
    QCOMPARE(database->cursorAt(-1).shape(), Qt::ArrowCursor);
}

void TestCursorDatabase::iconsComeFromResources()
{
    const CursorDatabase *database = CursorDatabase::instance();
    QVERIFY(database->iconOfCursor(QCursor(Qt::BlankCursor)).isNull());
    const QMap<int, QIcon> icons = database->shapeIcons();
    QCOMPARE(icons.size(), CursorDatabase::ShapeCount);
    for (auto it = icons.cbegin(); it != icons.cend(); ++it) {
        if (it.key() == 10)
            continue;
        const QImage image = it.value().pixmap(16, 16).toImage();
        QVERIFY2(!image.isNull(), qPrintable(database->shapeNames().at(it.key())));
        // Something is drawn: not every pixel is transparent.
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y) {
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = qAlpha(image.pixel(x, y)) > 0;
        }
        QVERIFY2(drawn, qPrintable(database->shapeNames().at(it.key())));
    }
}

void TestCursorDatabase::addingAKnownShapeChangesNothing()
{
    CursorDatabase database;
    database.addShape(Qt::SizeFDiagCursor, QStringLiteral("Other"), QIcon());
    QCOMPARE(database.shapeNames().size(), CursorDatabase::ShapeCount);
    QCOMPARE(database.nameOfCursor(QCursor(Qt::SizeFDiagCursor)), QStringLiteral("Size Backslash"));
    QVERIFY(!database.iconOfCursor(QCursor(Qt::SizeFDiagCursor)).isNull());

    database.addShape(Qt::DragLinkCursor, QStringLiteral("Drag Link"), QIcon());
    QCOMPARE(database.indexOfCursor(QCursor(Qt::DragLinkCursor)), CursorDatabase::ShapeCount);
    database.clear();
    QVERIFY(database.shapeNames().isEmpty());
    QCOMPARE(database.indexOfCursor(QCursor(Qt::ArrowCursor)), -1);
    QCOMPARE(database.cursorAt(0).shape(), Qt::ArrowCursor);
}

void TestCursorDatabase::colourAndFontTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("opaque red") << PropertyBrowserUtils::colorText(QColor(255, 0, 0)) << "[255, 0, 0] (255)";
    QTest::newRow("translucent") << PropertyBrowserUtils::colorText(QColor(1, 20, 3, 128)) << "[1, 20, 3] (128)";
    QTest::newRow("invalid") << PropertyBrowserUtils::colorText(QColor()) << "[0, 0, 0] (255)";
    QFont pixelFont(QStringLiteral("Arial"));
    pixelFont.setPixelSize(12);
    QTest::newRow("pixel-sized font") << PropertyBrowserUtils::fontText(pixelFont) << "[Arial, -1]";
    QTest::newRow("point-sized font") << PropertyBrowserUtils::fontText(QFont(QStringLiteral("Serif"), 11))
                                      << "[Serif, 11]";
    // A family name is text, not a template: its percent signs stay as they are.
    QTest::newRow("family with a percent sign")
        << PropertyBrowserUtils::fontText(QFont(QStringLiteral("Sans %1"), 9)) << "[Sans %1, 9]";
}

void TestCursorDatabase::colourAndFontTexts()
{
    QFETCH(QString, text);
    QTEST(text, "expected");
}

void TestCursorDatabase::swatchAlpha_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("outerAlpha");
    QTest::newRow("opaque") << QColor(10, 200, 30) << 255;
    QTest::newRow("half") << QColor(10, 200, 30, 128) << 128;
    QTest::newRow("clear") << QColor(10, 200, 30, 0) << 0;
}

void TestCursorDatabase::swatchAlpha()
{
    QFETCH(QColor, color);
    QFETCH(int, outerAlpha);
    const QImage image = PropertyBrowserUtils::brushSwatchPixmap(QBrush(color)).toImage()
                             .convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(16, 16));
    for (const QPoint &corner : {QPoint(0, 0), QPoint(15, 15), QPoint(3, 8), QPoint(12, 8)})
        QCOMPARE(qAlpha(image.pixel(corner)), outerAlpha);
    for (const QPoint &core : {QPoint(4, 4), QPoint(8, 8), QPoint(11, 11)}) {
        QCOMPARE(qAlpha(image.pixel(core)), 255);
        QCOMPARE(qGreen(image.pixel(core)), 200);
    }
    QVERIFY(!PropertyBrowserUtils::brushSwatchIcon(QBrush(color)).isNull());
}

void TestCursorDatabase::fontSample()
{
    const QImage image = PropertyBrowserUtils::fontSamplePixmap(QFont()).toImage();
    QCOMPARE(image.size(), QSize(16, 16));
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    int inked = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            inked += qAlpha(image.pixel(x, y)) > 0;
    }
    QVERIFY(inked > 5);
    QVERIFY(!PropertyBrowserUtils::fontSampleIcon(QFont()).isNull());
}

QTEST_MAIN(TestCursorDatabase)
#include "tst_cursordatabase.moc"
