#include "barcode.h"
#include "clickablelabel.h"
#include "selectcolor.h"

#include <QDataStream>
#include <QLayout>
#include <QToolButton>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

// The engine's small widgets: barcode placeholder, clickable label, colour box.
class tst_ReportWidgets : public QObject
{
    Q_OBJECT

private slots:
    void barcodeNames();
    void barcodePaintsOnlyPlaceholder();
    void barcodeStream();
    void clicks();
    void hoverUnderline();
    void colorBox_data();
    void colorBox();

private:
    static void release(QWidget* widget);
};

void tst_ReportWidgets::barcodeNames()
{
    QCOMPARE(BarCode::getTypeName(20), QStringLiteral("CODE128"));
    QCOMPARE(BarCode::getTypeName(5), QString()); // a gap in the values
    QCOMPARE(BarCode::getFrameTypeName(2), QStringLiteral("BIND"));
    QCOMPARE(BarCode::getFrameTypeName(1), QString());
    QCOMPARE(BarCode::getTypeNames().size(), 71);
    QCOMPARE(BarCode::getTypeList().size(), 71);
    QCOMPARE(BarCode::getTypeList().constLast(), qMakePair(139, QStringLiteral("RSS_EXPSTACK_CC")));
}

void tst_ReportWidgets::barcodePaintsOnlyPlaceholder()
{
    BarCode plain;
    BarCode other;
    other.setValue(QStringLiteral("4006381333931"));
    other.setBarcodeType(BarCode::EANX);
    other.setFrameType(BarCode::BOX);
    other.setBarcodeHeight(90);
    for (BarCode* b : {&plain, &other})
        b->resize(120, 40);
    QCOMPARE(other.grab().toImage(), plain.grab().toImage());
}

void tst_ReportWidgets::barcodeStream()
{
    BarCode original;
    original.setValue(QStringLiteral("12345"));
    original.setBarcodeType(BarCode::QRCODE);
    original.setFrameType(BarCode::BOX);
    original.storeProperties();
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << original;
    }
    BarCode copy;
    QDataStream in(bytes);
    in >> copy;
    QCOMPARE(copy.value(), QStringLiteral("12345"));
    QCOMPARE(copy.barcodeType(), int(BarCode::QRCODE));
    QCOMPARE(copy.frameType(), int(BarCode::BOX));
}

void tst_ReportWidgets::release(QWidget* widget)
{
    QMouseEvent event(QEvent::MouseButtonRelease, QPointF(2, 2), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void tst_ReportWidgets::clicks()
{
    ClickableLabel label(QStringLiteral("link"));
    QCOMPARE(label.cursor().shape(), Qt::PointingHandCursor);
    QSignalSpy clicked(&label, &ClickableLabel::clicked);
    QSignalSpy doubleClicked(&label, &ClickableLabel::doubleClicked);
    // Two releases with no event loop between them: well inside the interval.
    release(&label);
    release(&label);
    QCOMPARE(doubleClicked.count(), 1);
    // A lone release is a click once the interval has passed; a click left
    // over from the double click would have come first.
    release(&label);
    QVERIFY(clicked.wait(5 * ClickableLabel::DoubleClickInterval));
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(doubleClicked.count(), 1);
}

void tst_ReportWidgets::hoverUnderline()
{
    ClickableLabel label;
    QEvent enter(QEvent::Enter);
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&label, &enter);
    QVERIFY(!label.font().underline());
    label.setHoverUnderline(true);
    QCoreApplication::sendEvent(&label, &enter);
    QVERIFY(label.font().underline());
    label.setHoverUnderline(false);
    QCoreApplication::sendEvent(&label, &leave);
    QVERIFY(label.font().underline());
}

void tst_ReportWidgets::colorBox_data()
{
    QTest::addColumn<QString>("color");
    QTest::addColumn<QString>("readBack");
    QTest::newRow("rgba") << "rgba(1,2,3,4)" << "rgba(1,2,3,4)";
    QTest::newRow("hex") << "#ff0000" << "";
    QTest::newRow("name") << "red" << "";
    QTest::newRow("semicolon") << "rgba(1,2,3,4);color:red" << "rgba(1,2,3,4)";
}

void tst_ReportWidgets::colorBox()
{
    QFETCH(QString, color);
    SelectColor chooser(nullptr, color);
    QTEST(chooser.getBackgroundColor(), "readBack");
    auto* box = chooser.findChild<QWidget*>(QStringLiteral("colorBox"));
    QVERIFY(box);
    QCOMPARE(box->styleSheet().size(), 261 + color.size() + 2);
    chooser.setBackgroundColor(QStringLiteral("rgba(9,9,9,255)"));
    QCOMPARE(chooser.getBackgroundColor(), QStringLiteral("rgba(9,9,9,255)"));
    QCOMPARE(chooser.layout()->itemAt(1)->widget(), static_cast<QWidget*>(chooser.button));
}

QTEST_MAIN(tst_ReportWidgets)
#include "tst_reportwidgets.moc"
