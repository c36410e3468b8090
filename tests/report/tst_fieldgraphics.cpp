#include "fieldgraphics.h"

#include <QBuffer>
#include <QPainter>
#include <QTextDocument>
#include <QtTest>

using namespace FieldGraphics;

// Shapes, pictures and rich text of report fields on an image painter at
// scale 1.0.
class tst_FieldGraphics : public QObject
{
    Q_OBJECT

private slots:
    void shapes();
    void pictures();
    void richTextValues_data();
    void richTextValues();

private:
    static QRect redPixels(const QImage& image);
};

QRect tst_FieldGraphics::redPixels(const QImage& image)
{
    QRect found;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == qRgb(255, 0, 0))
                found |= QRect(x, y, 1, 1);
    return found;
}

void tst_FieldGraphics::shapes()
{
    QImage image(120, 60, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    // No outline colour in the template: fill only. The rhombus' corners
    // are (50, 49), (100, 25), (50, 1) and (1, 25).
    paintShape(&painter, Rhombus, QRect(0, 0, 100, 50), Qt::red, QPen(QColor()));
    paintShape(&painter, Circle, QRect(0, 0, 0, 50), Qt::blue, QPen(Qt::blue)); // no width: nothing
    painter.end();
    QCOMPARE(redPixels(image), QRect(2, 1, 97, 48)); // pixel centres inside
    QCOMPARE(image.pixelColor(3, 3), QColor(Qt::white));
}

void tst_FieldGraphics::pictures()
{
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QImage image(150, 150, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QCOMPARE(paintFittedImage(&painter, picture, QRect(10, 0, 100, 100), Qt::AlignCenter).size(), QSize(100, 50));
    QVERIFY(paintFittedImage(&painter, QImage(), QRect(10, 0, 100, 100), Qt::AlignCenter).isNull());
    QVERIFY(paintFittedImage(&painter, picture, QRect(10, 0, 0, 100), Qt::AlignCenter).isNull());
    painter.end();
    QCOMPARE(redPixels(image), QRect(10, 25, 100, 50));

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    image.fill(Qt::white);
    painter.begin(&image);
    paintStoredImage(&painter, png, "PNG", QRect(0, 0, 40, 40), true);
    paintStoredImage(&painter, png, "PNG", QRect(50, 0, 40, 40), false);
    paintStoredImage(&painter, "text", "PNG", QRect(0, 50, 40, 40), true);
    painter.end();
    QCOMPARE(redPixels(image), QRect(0, 0, 90, 40));
    QCOMPARE(image.pixelColor(60, 30), QColor(Qt::white)); // fitted: 40 x 20
}

void tst_FieldGraphics::richTextValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("plain");
    QTest::newRow("value") << "42" << "Sum 42 end";
    QTest::newRow("empty") << "" << "Sum   end";
    QTest::newRow("html body") << "<html><body><b>bold</b></body></html>" << "Sum bold end";
}

void tst_FieldGraphics::richTextValues()
{
    QFETCH(QString, value);
    QTextDocument document;
    document.setHtml(QStringLiteral("<p>Sum <i>[a]</i> end [b</p>"));
    QStringList asked;
    substituteFields(document, [&](const QString& text) { asked << text; return value; });
    QCOMPARE(asked, QStringList{"[a]"});
    QFETCH(QString, plain);
    QCOMPARE(document.toPlainText(), plain + QStringLiteral(" [b"));
}

QTEST_MAIN(tst_FieldGraphics)
#include "tst_fieldgraphics.moc"
