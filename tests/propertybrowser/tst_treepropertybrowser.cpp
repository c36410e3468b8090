#include "browseritem.h"
#include "grouppropertymanager.h"
#include "intpropertymanager.h"
#include "operatorclick.h"
#include "property.h"
#include "spinboxfactory.h"
#include "stringpropertymanager.h"
#include "treepropertybrowser.h"

#include <QHeaderView>
#include <QPointer>
#include <QSpinBox>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(BrowserItem*)

namespace {

// A shown tree browser with one group ("Group" holding "A" and "B") and a
// loose "C", all ints edited by spin boxes.
struct Panel
{
    Panel()
    {
        browser.resize(400, 300);
        group = groups.addProperty("Group");
        a = ints.addProperty("A");
        b = ints.addProperty("B");
        c = ints.addProperty("C");
        group->addSubProperty(a);
        group->addSubProperty(b);
        browser.addProperty(group);
        browser.addProperty(c);
        if (browser.addFactory(&ints, &factory))
            factory.addPropertyManager(&ints);
        browser.show();
        view = browser.findChild<QTreeWidget*>();
    }

    QTreeWidgetItem* row(Property* property) const { return browser.propertyTreeItem(property); }
    QRect cellRect(Property* property, int column) const
    {
        return view->visualItemRect(row(property)).intersected(
            QRect(view->header()->sectionViewportPosition(column), 0,
                  view->header()->sectionSize(column), 100000));
    }
    QColor pixelRightOf(Property* property, int column) const
    {
        const QRect cell = cellRect(property, column);
        const QImage image = view->viewport()->grab().toImage();
        return image.pixelColor(cell.right() - 6, cell.center().y());
    }
    [[nodiscard]] bool click(Property* property, int column)
    {
        return operatorClick(view->viewport(), cellRect(property, column).center());
    }

    GroupPropertyManager groups;
    IntPropertyManager ints;
    SpinBoxFactory factory;
    TreePropertyBrowser browser;
    QTreeWidget* view = nullptr;
    Property* group = nullptr;
    Property* a = nullptr;
    Property* b = nullptr;
    Property* c = nullptr;
};

bool colorsClose(const QColor& x, const QColor& y)
{
    return qAbs(x.red() - y.red()) <= 2 && qAbs(x.green() - y.green()) <= 2
        && qAbs(x.blue() - y.blue()) <= 2;
}

} // namespace

class TestTreePropertyBrowser : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<BrowserItem*>(); }
    void init() { QApplication::setActiveWindow(nullptr); }
    void rowsAndTexts();
    void markedGroupHeading();
    void inheritedBackground();
    void boldModifiedNames();
    void clickOpensEditor();
    void keyOpensEditor();
    void editorSurvivesWindowSwitch();
    void disabledRowClosesEditor();
    void currentRowRemoved();
    void treeItemLookup();
    void settings();
};

void TestTreePropertyBrowser::rowsAndTexts()
{
    Panel panel;
    QCOMPARE(panel.view->columnCount(), 2);
    QCOMPARE(panel.view->headerItem()->text(0), QString("Property"));
    QCOMPARE(panel.view->headerItem()->text(1), QString("Value"));
    QCOMPARE(panel.view->topLevelItemCount(), 2);

    QTreeWidgetItem* groupRow = panel.row(panel.group);
    QVERIFY(groupRow->isExpanded());
    QVERIFY(groupRow->isFirstColumnSpanned());
    QCOMPARE(groupRow->childCount(), 2);
    BrowserItem* groupItem = panel.browser.topLevelItem(panel.group);
    panel.browser.setExpanded(groupItem, false);
    QVERIFY(!panel.browser.isExpanded(groupItem));

    panel.ints.setValue(panel.a, 42);
    QTreeWidgetItem* aRow = panel.row(panel.a);
    QVERIFY(!aRow->isFirstColumnSpanned());
    QCOMPARE(aRow->text(0), QString("A"));
    QCOMPARE(aRow->text(1), QString("42"));
    QCOMPARE(aRow->toolTip(0), QString("A"));
    panel.a->setToolTip("the A");
    QCOMPARE(aRow->toolTip(1), QString("the A"));
    QVERIFY(aRow->flags() & Qt::ItemIsEditable);

    // A masked text shows its display text, also as the value tool tip.
    StringPropertyManager strings;
    Property* secret = strings.addProperty("Secret");
    strings.setValue(secret, "abc");
    strings.setEchoMode(secret, QLineEdit::Password);
    panel.browser.addProperty(secret);
    QTreeWidgetItem* secretRow = panel.row(secret);
    QVERIFY(secretRow->text(1) != QString("abc"));
    QCOMPARE(secretRow->text(1), strings.displayText(secret));
    QCOMPARE(secretRow->toolTip(1), strings.displayText(secret));
}

void TestTreePropertyBrowser::markedGroupHeading()
{
    Panel panel;
    const QColor dark = panel.view->palette().color(QPalette::Dark);
    QVERIFY(!colorsClose(panel.pixelRightOf(panel.group, 1), dark));
    QVERIFY(panel.row(panel.group)->icon(0).isNull());

    panel.browser.setRootIsDecorated(false);
    panel.browser.setPropertiesWithoutValueMarked(true);
    QVERIFY(colorsClose(panel.pixelRightOf(panel.group, 1), dark));
    QVERIFY(colorsClose(panel.pixelRightOf(panel.group, 0), dark));
    QVERIFY(!panel.row(panel.group)->icon(0).isNull());
    // Value rows stay light.
    QVERIFY(!colorsClose(panel.pixelRightOf(panel.c, 1), dark));

    // A click in the fold strip of a marked heading folds it.
    const QRect groupRect = panel.view->visualItemRect(panel.row(panel.group));
    QVERIFY(operatorClick(panel.view->viewport(), QPoint(8, groupRect.center().y())));
    QVERIFY(!panel.row(panel.group)->isExpanded());
}

void TestTreePropertyBrowser::inheritedBackground()
{
    Panel panel;
    const QColor red(200, 40, 40);
    BrowserItem* groupItem = panel.browser.topLevelItem(panel.group);
    panel.browser.setBackgroundColor(groupItem, red);
    QCOMPARE(panel.browser.backgroundColor(groupItem), red);
    BrowserItem* aItem = panel.browser.items(panel.a).first();
    QCOMPARE(panel.browser.calculatedBackgroundColor(aItem), red);
    QVERIFY(!panel.browser.backgroundColor(aItem).isValid());

    // Rows: Group (0), A (1, alternate), B (2), C (3, alternate).
    QVERIFY(colorsClose(panel.pixelRightOf(panel.b, 1), red));
    QVERIFY(colorsClose(panel.pixelRightOf(panel.a, 1), red.lighter(112)));
    QVERIFY(!colorsClose(panel.pixelRightOf(panel.c, 1), red));

    // An item of another browser is ignored; an invalid colour clears.
    TreePropertyBrowser other;
    other.addProperty(panel.c);
    panel.browser.setBackgroundColor(other.topLevelItem(panel.c), red);
    QVERIFY(!panel.browser.backgroundColor(other.topLevelItem(panel.c)).isValid());
    panel.browser.setBackgroundColor(groupItem, QColor());
    QVERIFY(!panel.browser.calculatedBackgroundColor(aItem).isValid());
    QVERIFY(!colorsClose(panel.pixelRightOf(panel.b, 1), red));
}

void TestTreePropertyBrowser::boldModifiedNames()
{
    Panel panel;
    panel.c->setPropertyName("WWWWWWWW");
    auto darkPixels = [&panel]() {
        const QRect cell = panel.cellRect(panel.c, 0);
        const QImage image = panel.view->viewport()->grab().toImage();
        int count = 0;
        for (int x = cell.left(); x < cell.right(); ++x) {
            for (int y = cell.top(); y < cell.bottom(); ++y)
                count += qGray(image.pixel(x, y)) < 100 ? 1 : 0;
        }
        return count;
    };
    const int plain = darkPixels();
    panel.c->setModified(true);
    QVERIFY2(darkPixels() > plain, "a modified name is drawn bold");
}

void TestTreePropertyBrowser::clickOpensEditor()
{
    Panel panel;
    panel.ints.setValue(panel.c, 7);
    QVERIFY(panel.click(panel.c, 0));
    QVERIFY(!panel.view->findChild<QSpinBox*>());
    QVERIFY(panel.click(panel.c, 1));
    QPointer<QSpinBox> editor = panel.view->findChild<QSpinBox*>();
    QVERIFY(editor);
    QCOMPARE(editor->value(), 7);

    // A read-only row (no editable flag) opens nothing.
    panel.view->closePersistentEditor(panel.row(panel.c), 1);
    QTreeWidgetItem* aRow = panel.row(panel.a);
    aRow->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    panel.view->setFocus();
    QVERIFY(operatorKey(panel.view, Qt::Key_Escape));
    QTRY_VERIFY(!editor);
    QVERIFY(panel.click(panel.a, 1));
    QVERIFY(!panel.view->findChild<QSpinBox*>());
    panel.view->setCurrentItem(aRow, 0);
    QVERIFY(operatorKey(panel.view, Qt::Key_Return));
    QVERIFY(!panel.view->findChild<QSpinBox*>());
}

void TestTreePropertyBrowser::keyOpensEditor()
{
    Panel panel;
    QApplication::setActiveWindow(&panel.browser);
    panel.view->setFocus();
    panel.view->setCurrentItem(panel.row(panel.b), 0);
    QCOMPARE(panel.view->currentIndex().column(), 0);
    QVERIFY(operatorKey(panel.view, Qt::Key_Return));
    QCOMPARE(panel.view->currentIndex().column(), 1);
    QVERIFY(panel.view->findChild<QSpinBox*>());
    QCOMPARE(panel.browser.currentItem(), panel.browser.items(panel.b).first());
}

void TestTreePropertyBrowser::editorSurvivesWindowSwitch()
{
    Panel panel;
    QVERIFY(panel.click(panel.c, 1));
    QPointer<QSpinBox> editor = panel.view->findChild<QSpinBox*>();
    QVERIFY(editor);
    QWidget* editorWidget = editor;
    while (editorWidget->parentWidget() != panel.view->viewport())
        editorWidget = editorWidget->parentWidget();
    QFocusEvent focusOut(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QCoreApplication::sendEvent(editorWidget, &focusOut);
    QCoreApplication::processEvents();
    QVERIFY(editor);
}

void TestTreePropertyBrowser::disabledRowClosesEditor()
{
    Panel panel;
    QVERIFY(panel.click(panel.a, 1));
    QPointer<QSpinBox> editor = panel.view->findChild<QSpinBox*>();
    QVERIFY(editor);
    panel.group->setEnabled(false);
    QVERIFY(!(panel.row(panel.a)->flags() & Qt::ItemIsEnabled));
    QTRY_VERIFY(!editor);
    QVERIFY(panel.click(panel.b, 1));
    QVERIFY(!panel.view->findChild<QSpinBox*>());

    panel.b->setEnabled(false);
    panel.group->setEnabled(true);
    QVERIFY(panel.row(panel.a)->flags() & Qt::ItemIsEnabled);
    QVERIFY(!(panel.row(panel.b)->flags() & Qt::ItemIsEnabled));
}

void TestTreePropertyBrowser::currentRowRemoved()
{
    Panel panel;
    QSignalSpy changed(&panel.browser, &AbstractPropertyBrowser::currentItemChanged);
    panel.view->setCurrentItem(panel.row(panel.c));
    QCOMPARE(panel.browser.currentItem(), panel.browser.topLevelItem(panel.c));
    panel.browser.setCurrentItem(panel.browser.items(panel.a).first());
    QCOMPARE(panel.view->currentItem(), panel.row(panel.a));
    panel.browser.setCurrentItem(panel.browser.topLevelItem(panel.c));
    panel.browser.removeProperty(panel.c);
    QVERIFY(!panel.browser.currentItem());
    QVERIFY(!panel.view->currentItem());
    QVERIFY(changed.count() >= 3);
}

void TestTreePropertyBrowser::treeItemLookup()
{
    Panel panel;
    Property* stranger = panel.ints.addProperty("stranger");
    QVERIFY(!panel.browser.propertyTreeItem(stranger));
    panel.browser.addProperty(panel.a);
    QCOMPARE(panel.browser.items(panel.a).size(), 2);
    QTreeWidgetItem* row = panel.browser.propertyTreeItem(panel.a);
    QVERIFY(row);
    QVERIFY(!row->parent());
}

void TestTreePropertyBrowser::settings()
{
    Panel panel;
    QHeaderView* header = panel.view->header();
    QCOMPARE(panel.browser.resizeMode(), TreePropertyBrowser::Stretch);
    panel.browser.setResizeMode(TreePropertyBrowser::Interactive);
    QCOMPARE(header->sectionResizeMode(0), QHeaderView::Interactive);
    panel.browser.setSplitterPosition(120);
    QCOMPARE(panel.browser.splitterPosition(), 120);
    QTest::ignoreMessage(QtWarningMsg, "TreePropertyBrowser: resize mode 7 ignored");
    panel.browser.setResizeMode(static_cast<TreePropertyBrowser::ResizeMode>(7));
    QCOMPARE(header->sectionResizeMode(0), QHeaderView::Interactive);
    QCOMPARE(panel.browser.resizeMode(), TreePropertyBrowser::Interactive);

    panel.browser.setHeaderVisible(false);
    QVERIFY(header->isHidden());
    panel.browser.setIndentation(7);
    QCOMPARE(panel.browser.indentation(), 7);
    panel.browser.setAlternatingRowColors(false);
    QVERIFY(!panel.view->alternatingRowColors());

    QSignalSpy collapsed(&panel.browser, &TreePropertyBrowser::collapsed);
    QSignalSpy expanded(&panel.browser, &TreePropertyBrowser::expanded);
    panel.view->collapseItem(panel.row(panel.group));
    panel.view->expandItem(panel.row(panel.group));
    QCOMPARE(collapsed.count(), 1);
    QCOMPARE(expanded.count(), 1);
    QCOMPARE(expanded.at(0).at(0).value<BrowserItem*>(), panel.browser.topLevelItem(panel.group));
}

QTEST_MAIN(TestTreePropertyBrowser)
#include "tst_treepropertybrowser.moc"
