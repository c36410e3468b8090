#include "btndelegate.h"
#include "calendardelegate.h"
#include "comboboxdelegate.h"
#include "digdelegate.h"
#include "itemdelegate.h"
#include "operatorclick.h"
#include "spindelegate.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QtTest>

class TstItemDelegates : public QObject
{
    Q_OBJECT

private:
    QStandardItemModel model{1, 1};
    QWidget parent;
    QModelIndex cell() const { return model.index(0, 0); }
    void store(const QVariant& value, int role = Qt::EditRole) { model.setData(cell(), value, role); }

private slots:
    void init()
    {
        model.setItem(0, 0, new QStandardItem);
    }

    void digDelegateWritesOnlyAcceptedText_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("written");
        QTest::newRow("DBL letters") << "DBL" << "abc" << false;
        QTest::newRow("DBL open exponent") << "DBL" << "1e" << false;
        QTest::newRow("DBL decimal") << "DBL" << "1.5" << true;
        QTest::newRow("INT decimal") << "INT" << "1.5" << false;
        QTest::newRow("INT integer") << "INT" << "42" << true;
        QTest::newRow("type in other case") << "dbl" << "abc" << true;
    }

    void digDelegateWritesOnlyAcceptedText()
    {
        QFETCH(QString, type);
        QFETCH(QString, text);
        QFETCH(bool, written);
        store(QStringLiteral("old"));
        DigDelegate delegate(nullptr, type);
        QLineEdit editor(text);
        delegate.setModelData(&editor, &model, cell());
        QCOMPARE(model.data(cell()).toString(), written ? text : QStringLiteral("old"));
    }

    void calendarDelegateReplacesStaleDates_data()
    {
        QTest::addColumn<QDate>("stored");
        QTest::addColumn<QDate>("shown"); // none: today
        QTest::newRow("last day of 2007") << QDate(2007, 12, 31) << QDate();
        QTest::newRow("first day of 2008") << QDate(2008, 1, 1) << QDate(2008, 1, 1);
        QTest::newRow("no date") << QDate() << QDate();
    }

    void calendarDelegateReplacesStaleDates()
    {
        QFETCH(QDate, stored);
        QFETCH(QDate, shown);
        store(stored);
        CalendarDelegate delegate(true);
        auto* editor = qobject_cast<QDateEdit*>(delegate.createEditor(&parent, QStyleOptionViewItem(), cell()));
        QVERIFY(editor && editor->calendarPopup());
        const QDate before = QDate::currentDate();
        delegate.setEditorData(editor, cell());
        if (shown.isNull()) // today, across a midnight too
            shown = editor->date() == before ? before : QDate::currentDate();
        QCOMPARE(editor->date(), shown);
        delegate.setModelData(editor, &model, cell());
        QCOMPARE(model.data(cell()).toDate(), shown);
    }

    void spinDelegateKeepsItsRange()
    {
        store(7.25);
        SpinDelegate delegate(0.5, 10.0, 0.25, 2);
        auto* editor = qobject_cast<QDoubleSpinBox*>(delegate.createEditor(&parent, QStyleOptionViewItem(), cell()));
        QVERIFY(editor);
        QCOMPARE(editor->minimum(), 0.5);
        QCOMPARE(editor->maximum(), 10.0);
        QCOMPARE(editor->singleStep(), 0.25);
        delegate.setEditorData(editor, cell());
        QCOMPARE(editor->value(), 7.25);
        editor->setValue(99);
        delegate.setModelData(editor, &model, cell());
        QCOMPARE(model.data(cell()).toDouble(), 10.0);
        QSignalSpy closed(&delegate, &QAbstractItemDelegate::closeEditor);
        emit editor->editingFinished();
        QCOMPARE(closed.count(), 1);
    }

    void btnDelegate()
    {
        BtnDelegate delegate;
        QSignalSpy clicks(&delegate, &BtnDelegate::clicked);
        QSignalSpy closes(&delegate, &BtnDelegate::editorClose);
        delegate.createEditor(&parent, QStyleOptionViewItem(), cell());
        QWidget* editor = delegate.createEditor(&parent, QStyleOptionViewItem(), cell());
        parent.resize(300, 40);  // room for the editor and its button
        QVERIFY(operatorClick(editor->findChild<QPushButton*>()));
        QCOMPARE(clicks.count(), 1);

        // Decoration 1 shows only the button; the hidden text is still written back.
        store(QStringLiteral("a.wav"));
        store(1, Qt::DecorationRole);
        delegate.setEditorData(editor, cell());
        auto* line = editor->findChild<QLineEdit*>();
        QVERIFY(line->isHidden() && !line->isReadOnly());
        line->setText(QStringLiteral("b.wav"));
        delegate.setModelData(editor, &model, cell());
        QCOMPARE(model.data(cell()).toString(), QStringLiteral("b.wav"));

        emit delegate.closeEditor(editor);
        QCOMPARE(closes.count(), 1);
    }

    void comboboxDelegate()
    {
        ComboboxDelegate delegate({{QStringLiteral("OK"), 0, Qt::green}, {QStringLiteral("Tamper"), 4, Qt::magenta}});
        QCOMPARE(delegate.itemValue(QStringLiteral("Tamper")).toInt(), 4);
        QVERIFY(!delegate.itemColor(QStringLiteral("tamper")).isValid());
        QVERIFY(!delegate.itemValue(QStringLiteral("Off")).isValid());

        QSignalSpy closes(&delegate, &ComboboxDelegate::editorClose);
        for (const char* text : {"OK", "tamper"}) {
            store(QLatin1String(text));
            auto* combo = qobject_cast<QComboBox*>(delegate.createEditor(&parent, QStyleOptionViewItem(), cell()));
            QVERIFY(combo);
            delegate.setEditorData(combo, cell());
            delegate.setModelData(combo, &model, cell());
        }
        // Only the cell whose text is not the first item's moved the selection.
        QCOMPARE(closes.count(), 1);
        QCOMPARE(model.data(cell()).toString(), QStringLiteral("Tamper"));
    }

    void itemDelegateReportsClosing()
    {
        ItemDelegate delegate;
        QSignalSpy closes(&delegate, &ItemDelegate::editorClose);
        QLineEdit editor;
        emit delegate.closeEditor(&editor);
        QCOMPARE(closes.count(), 1);
        QCOMPARE(closes.first().first().value<QItemDelegate*>(), static_cast<QItemDelegate*>(&delegate));
    }
};

QTEST_MAIN(TstItemDelegates)
#include "tst_itemdelegates.moc"
