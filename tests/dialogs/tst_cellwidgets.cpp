#include "cellwidgets.h"
#include "operatorclick.h"
#include "resources.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QtTest>

#include <memory>

class TestCellWidgets : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { initLumetraResources(); }
    void checkBoxCell();
    void checkBoxCellWithoutCallback();
    void editIconCell();
};

void TestCellWidgets::checkBoxCell()
{
    auto table = std::make_unique<QWidget>();
    QList<bool> clicks;
    QWidget* cell = createCheckBoxCell(true, table.get(), [&clicks](bool on) { clicks << on; });
    QCOMPARE(cell->parentWidget(), table.get());
    auto* box = cell->findChild<QCheckBox*>();
    QVERIFY(box);
    QVERIFY(box->isChecked());
    auto* layout = qobject_cast<QHBoxLayout*>(cell->layout());
    QVERIFY(layout);
    QCOMPARE(layout->contentsMargins(), QMargins());
    QCOMPARE(layout->alignment(), Qt::AlignCenter);

    QVERIFY(operatorClick(box));
    QVERIFY(operatorClick(box));
    QCOMPARE(clicks, (QList<bool>{false, true}));
    box->setChecked(false);  // only clicks are reported
    QCOMPARE(clicks.size(), 2);

    // The cell moved elsewhere keeps its box, but the callback ends with its context.
    cell->setParent(nullptr);
    std::unique_ptr<QWidget> orphan(cell);
    table.reset();
    QVERIFY(operatorClick(box));
    QVERIFY(box->isChecked());  // the click reached the box, not the callback
    QCOMPARE(clicks.size(), 2);
}

void TestCellWidgets::checkBoxCellWithoutCallback()
{
    std::unique_ptr<QWidget> cell(createCheckBoxCell(false, nullptr, {}));
    auto* box = cell->findChild<QCheckBox*>();
    QVERIFY(box);
    QVERIFY(!box->isChecked());
    QVERIFY(operatorClick(box));
    QVERIFY(box->isChecked());
}

void TestCellWidgets::editIconCell()
{
    std::unique_ptr<QWidget> cell(createEditIconCell());
    QVERIFY(!cell->parent());
    auto* label = cell->findChild<QLabel*>();
    QVERIFY(label);
    QVERIFY(label->hasScaledContents());
    const QImage expected = QPixmap(QStringLiteral(":/icons/blobEdit.png")).toImage();
    QVERIFY(!expected.isNull());
    QCOMPARE(label->pixmap(Qt::ReturnByValue).toImage(), expected);
    QCOMPARE(cell->layout()->contentsMargins(), QMargins());
    QCOMPARE(cell->layout()->alignment(), Qt::AlignCenter);
}

QTEST_MAIN(TestCellWidgets)
#include "tst_cellwidgets.moc"
