#include "booledit.h"
#include "fileedit.h"
#include "filechooserhook.h"
#include "operatorclick.h"
#include "property.h"
#include "scopedhook.h"
#include "variantfactory.h"
#include "variantmanager.h"
#include "variantproperty.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

namespace {

QWidget* editorFor(AbstractEditorFactoryBase& factory, Property* property, QWidget* parent)
{
    return factory.createEditor(property, parent);
}

// One panel's manager and factory, with a chooser that only counts: a file
// dialog opened by mistake would otherwise block the test.
struct Panel
{
    Panel()
    {
        factory.addPropertyManager(&manager);
        parent.resize(300, 100);
        parent.show();
    }

    VariantProperty* filePathRow(const QString& name)
    {
        return manager.addProperty(VariantManager::filePathTypeId(), name);
    }
    FileEdit* fileEdit(Property* property)
    {
        auto* editor = qobject_cast<FileEdit*>(editorFor(factory, property, &parent));
        if (editor)
            editor->show();
        return editor;
    }
    BoolEdit* checkBox(Property* property)
    {
        auto* editor = qobject_cast<BoolEdit*>(editorFor(factory, property, &parent));
        if (editor) {
            editor->resize(120, 24);
            editor->show();
        }
        return editor;
    }

    // A file-path row "Command" and a boolean row "Zone1", each being edited.
    struct OpenRows
    {
        FileEdit* editor;
        BoolEdit* box;
    };
    OpenRows openCommandAndZone()
    {
        VariantProperty* command = filePathRow("Command");
        VariantProperty* zone = manager.addProperty(QVariant::Bool, "Zone1");
        return {fileEdit(command), checkBox(zone)};
    }

    VariantManager manager;
    VariantFactory factory;
    QWidget parent;
    int choosersOpened = 0;
    const ScopedHook chooser{&FileChooserHook::setOpenFileChooser,
                             [this](QWidget*, const QString&, const QString&, const QString&) {
                                 ++choosersOpened;
                                 return QStringLiteral("/chosen");
                             }};
};

QToolButton* buttonOf(QWidget* editor)
{
    return editor->findChild<QToolButton*>();
}

} // namespace

class TestPanelFactory : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<Property*>(); }
    void commandRows_data();
    void commandRows();
    void commandRowTyping();
    void editorsKeptInStep();
    void checkBoxClicks();
    void checkBoxEntriesFollowEditors();
    void strangersIgnored();
    void rowsDeletedWhileEditing();
    void rowsDeletedAfterUnbinding();
    void otherTypesUnchanged();
};

void TestPanelFactory::commandRows_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("lineEditHidden");

    QTest::newRow("GlobalCommand") << "GlobalCommand" << true;
    QTest::newRow("ClearAlarm") << "ClearAlarm" << true;
    QTest::newRow("ClrAlarmHsty") << "ClrAlarmHsty" << true;
    QTest::newRow("Command") << "Command" << false;
    QTest::newRow("OKSound0") << "OKSound0" << false;
    QTest::newRow("case differs") << "clearalarm" << false;
}

void TestPanelFactory::commandRows()
{
    QFETCH(QString, name);
    QFETCH(bool, lineEditHidden);

    Panel panel;
    VariantProperty* row = panel.filePathRow(name);
    row->setValue("Clear");
    row->setAttribute("filter", "*.wav");
    FileEdit* editor = panel.fileEdit(row);
    QVERIFY(editor);
    QVERIFY(panel.factory.isButtonOnly());
    QVERIFY(editor->isButtonOnly());
    QCOMPARE(editor->isLineEditHidden(), lineEditHidden);
    QCOMPARE(editor->filePath(), QStringLiteral("Clear"));
    QCOMPARE(editor->filter(), QStringLiteral("*.wav"));

    QSignalSpy clicks(&panel.factory, &VariantFactory::btnClicked);
    QSignalSpy values(&panel.manager, &VariantManager::valueChanged);
    QVERIFY(operatorClick(buttonOf(editor)));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).value<Property*>(), static_cast<Property*>(row));
    QCOMPARE(panel.choosersOpened, 0);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(values.count(), 0);
    QCOMPARE(row->value().toString(), QStringLiteral("Clear"));
}

void TestPanelFactory::commandRowTyping()
{
    Panel panel;
    VariantProperty* row = panel.filePathRow("Command");
    FileEdit* editor = panel.fileEdit(row);
    QVERIFY(!editor->isLineEditHidden());
    QSignalSpy values(&panel.manager, &VariantManager::valueChanged);
    QVERIFY(operatorType(editor, "abc"));
    QCOMPARE(values.count(), 3);
    QCOMPARE(values.at(0).at(1).toString(), QStringLiteral("a"));
    QCOMPARE(values.at(2).at(1).toString(), QStringLiteral("abc"));
    QCOMPARE(row->value().toString(), QStringLiteral("abc"));
    QCOMPARE(row->valueText(), QStringLiteral("abc"));

    QSignalSpy clicks(&panel.factory, &VariantFactory::btnClicked);
    QVERIFY(operatorClick(buttonOf(editor)));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(values.count(), 3);
}

void TestPanelFactory::editorsKeptInStep()
{
    Panel panel;
    VariantProperty* row = panel.filePathRow("Command");
    FileEdit* first = panel.fileEdit(row);
    FileEdit* second = panel.fileEdit(row);

    // The echo of an edit into the other editor is no edit of its own.
    QSignalSpy values(&panel.manager, &VariantManager::valueChanged);
    QVERIFY(operatorType(first, "go"));
    QCOMPARE(second->filePath(), QStringLiteral("go"));
    QCOMPARE(values.count(), 2);

    row->setValue("Zone1On");
    QCOMPARE(first->filePath(), QStringLiteral("Zone1On"));
    QCOMPARE(second->filePath(), QStringLiteral("Zone1On"));
    row->setAttribute("filter", "*.png");
    QCOMPARE(first->filter(), QStringLiteral("*.png"));
    QCOMPARE(second->filter(), QStringLiteral("*.png"));
    QCOMPARE(values.count(), 3);

    // A closed editor leaves both maps: later changes touch only the other.
    delete first;
    row->setValue("Zone2On");
    QCOMPARE(second->filePath(), QStringLiteral("Zone2On"));
    QSignalSpy clicks(&panel.factory, &VariantFactory::btnClicked);
    QVERIFY(operatorClick(buttonOf(second)));
    QCOMPARE(clicks.count(), 1);

    // The factory deletes the file-path editors still open when it goes.
    QPointer<FileEdit> open = second;
    auto factory = std::make_unique<VariantFactory>();
    factory->addPropertyManager(&panel.manager);
    QPointer<QWidget> own = editorFor(*factory, row, &panel.parent);
    QVERIFY(own);
    factory.reset();
    QVERIFY(!own);
    QVERIFY(open);
}

void TestPanelFactory::checkBoxClicks()
{
    Panel panel;
    VariantProperty* row = panel.manager.addProperty(QVariant::Bool, "GlobalCommand");
    BoolEdit* box = panel.checkBox(row);
    QVERIFY(box);
    QVERIFY(box->isVisible());
    QVERIFY(!box->isChecked());

    QSignalSpy checks(&panel.factory, &VariantFactory::chckClicked);
    QSignalSpy buttons(&panel.factory, &VariantFactory::btnClicked);
    QVERIFY(operatorClick(box, QPoint(60, 12)));
    QCOMPARE(checks.count(), 1);
    QCOMPARE(checks.at(0).at(0).value<Property*>(), static_cast<Property*>(row));
    QCOMPARE(checks.at(0).at(1).toBool(), true);
    QCOMPARE(row->value(), QVariant(true));

    QVERIFY(operatorClick(box->findChild<QCheckBox*>()));
    QCOMPARE(checks.count(), 2);
    QCOMPARE(checks.at(1).at(1).toBool(), false);

    // Programmatic changes, on the box or through the manager, are no clicks.
    QSignalSpy toggles(box, &BoolEdit::toggled);
    box->setChecked(true);
    QCOMPARE(toggles.count(), 1);
    row->setValue(false);
    QVERIFY(!box->isChecked());
    QCOMPARE(checks.count(), 2);
    QCOMPARE(buttons.count(), 0);
}

void TestPanelFactory::checkBoxEntriesFollowEditors()
{
    Panel panel;
    VariantProperty* zone = panel.manager.addProperty(QVariant::Bool, "Zone1");
    BoolEdit* box = panel.checkBox(zone);
    const quintptr handle = quintptr(box);
    delete box;

    // A stranger born at the dead editor's handle is no editor of the row.
    auto* stranger = new BoolEdit(&panel.parent);
    if (quintptr(stranger) != handle)
        QSKIP("the allocator did not reuse the handle");
    QSignalSpy checks(&panel.factory, &VariantFactory::chckClicked);
    connect(stranger, SIGNAL(clicked()), &panel.factory, SLOT(slotChkClicked()));
    emit stranger->clicked();
    QCOMPARE(checks.count(), 0);
}

void TestPanelFactory::strangersIgnored()
{
    Panel panel;
    VariantProperty* row = panel.filePathRow("Command");
    FileEdit stranger(&panel.parent);
    stranger.setButtonOnly(true);
    BoolEdit strangeBox(&panel.parent);
    connect(&stranger, SIGNAL(btnClicked()), &panel.factory, SLOT(slotBtnClicked()));
    connect(&stranger, SIGNAL(filePathChanged(QString)), &panel.factory, SLOT(slotSetValue(QString)));
    connect(&strangeBox, SIGNAL(clicked()), &panel.factory, SLOT(slotChkClicked()));

    QSignalSpy buttons(&panel.factory, &VariantFactory::btnClicked);
    QSignalSpy checks(&panel.factory, &VariantFactory::chckClicked);
    QSignalSpy values(&panel.manager, &VariantManager::valueChanged);
    stranger.buttonClicked();
    emit stranger.filePathChanged("/x");
    emit strangeBox.clicked();
    QCOMPARE(buttons.count() + checks.count() + values.count(), 0);

    // A manager that the factory no longer serves is left alone as well.
    VariantProperty* zone = panel.manager.addProperty(QVariant::Bool, "Zone1");
    FileEdit* editor = panel.fileEdit(row);
    BoolEdit* box = panel.checkBox(zone);
    panel.factory.removePropertyManager(&panel.manager);
    editor->buttonClicked();
    emit editor->filePathChanged("/y");
    emit box->clicked();
    QCOMPARE(buttons.count() + checks.count() + values.count(), 0);
    QCOMPARE(row->value().toString(), QString());
}

void TestPanelFactory::rowsDeletedWhileEditing()
{
    // An edit whose handling refills the panel deletes the row before the
    // click that belongs to the same gesture arrives.
    Panel panel;
    const Panel::OpenRows open = panel.openCommandAndZone();
    FileEdit* editor = open.editor;
    BoolEdit* box = open.box;
    connect(&panel.manager, &VariantManager::valueChanged, &panel.manager, [&panel] { panel.manager.clear(); });

    QSignalSpy buttons(&panel.factory, &VariantFactory::btnClicked);
    QSignalSpy checks(&panel.factory, &VariantFactory::chckClicked);
    QVERIFY(operatorClick(box, QPoint(60, 12)));
    QVERIFY(panel.manager.properties().isEmpty());
    QCOMPARE(checks.count(), 0);

    editor->setButtonOnly(false);
    QVERIFY(operatorClick(buttonOf(editor)));
    QCOMPARE(panel.choosersOpened, 1);
    QCOMPARE(buttons.count(), 0);
}

void TestPanelFactory::rowsDeletedAfterUnbinding()
{
    // The next fill binds a new factory to the manager; the old one no
    // longer hears of deletions, yet its editors may still be on screen
    // (closed cells go away only on the next event-loop pass). Clicks that
    // reach it for rows deleted meanwhile are dropped without reading the
    // freed rows (checked under the address sanitizer).
    Panel panel;
    const Panel::OpenRows open = panel.openCommandAndZone();
    FileEdit* editor = open.editor;
    BoolEdit* box = open.box;
    panel.factory.removePropertyManager(&panel.manager);
    panel.manager.clear();

    QSignalSpy buttons(&panel.factory, &VariantFactory::btnClicked);
    QSignalSpy checks(&panel.factory, &VariantFactory::chckClicked);
    QVERIFY(operatorClick(box, QPoint(60, 12)));
    QVERIFY(operatorClick(buttonOf(editor)));
    QCOMPARE(checks.count(), 0);
    QCOMPARE(buttons.count(), 0);
}

void TestPanelFactory::otherTypesUnchanged()
{
    Panel panel;
    VariantProperty* name = panel.manager.addProperty(QVariant::String, "ClearAlarm");
    name->setValue("text");
    QWidget* editor = editorFor(panel.factory, name, &panel.parent);
    QVERIFY(qobject_cast<QLineEdit*>(editor));
    QVERIFY(!qobject_cast<FileEdit*>(editor));

    // A plain variant manager has no file-path rows but edits as before.
    VariantPropertyManager plain;
    panel.factory.addPropertyManager(&plain);
    VariantProperty* flag = plain.addProperty(QVariant::Bool, "Flag");
    QSignalSpy checks(&panel.factory, &VariantFactory::chckClicked);
    BoolEdit* box = panel.checkBox(flag);
    QVERIFY(box);
    QVERIFY(operatorClick(box, QPoint(60, 12)));
    QCOMPARE(checks.count(), 1);
    QCOMPARE(flag->value(), QVariant(true));
}

QTEST_MAIN(TestPanelFactory)
#include "tst_panelfactory.moc"
