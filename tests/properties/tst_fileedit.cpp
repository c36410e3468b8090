#include "fileedit.h"
#include "fileeditfactory.h"
#include "filechooserhook.h"
#include "filepathmanager.h"
#include "operatorclick.h"
#include "property.h"
#include "scopedhook.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSignalSpy>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>

namespace {

QToolButton* buttonOf(QWidget* editor)
{
    return editor->findChild<QToolButton*>();
}

FileEdit* editorFor(AbstractEditorFactoryBase& factory, Property* property, QWidget* parent)
{
    return qobject_cast<FileEdit*>(factory.createEditor(property, parent));
}

QLineEdit* lineEditOf(QWidget* editor)
{
    return editor->findChild<QLineEdit*>();
}

// Answers every file chooser with `answer` and remembers what it was asked.
struct ChooserStub
{
    explicit ChooserStub(QString reply) : answer(std::move(reply)) {}

    QString answer;
    int calls = 0;
    QWidget* lastParent = nullptr;
    QString lastCaption;
    QString lastDirectory;
    QString lastFilter;
    const ScopedHook chooser{
        &FileChooserHook::setOpenFileChooser,
        [this](QWidget* parent, const QString& caption, const QString& directory, const QString& filter) {
            ++calls;
            lastParent = parent;
            lastCaption = caption;
            lastDirectory = directory;
            lastFilter = filter;
            return answer;
        }};
};

} // namespace

class TestFileEdit : public QObject
{
    Q_OBJECT
private slots:
    void buttonOnlyClick();
    void chooser_data();
    void chooser();
    void editorDeletedWhileChoosing();
    void typing();
    void tabSelectsWholePath();
    void managerSignals();
    void managerUnknownProperty();
    void factoryKeepsEditorsInStep();
    void factoryButtonAndStrangers();
    void factoryLifetime();
};

void TestFileEdit::buttonOnlyClick()
{
    ChooserStub chooser("/tmp/never.png");
    FileEdit edit;
    edit.setButtonOnly(true);
    edit.setFilePath("keep");
    QSignalSpy clicks(&edit, &FileEdit::btnClicked);
    QSignalSpy paths(&edit, &FileEdit::filePathChanged);
    edit.show();
    QVERIFY(operatorClick(buttonOf(&edit)));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(paths.count(), 0);
    QCOMPARE(chooser.calls, 0);
    QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(edit.filePath(), QStringLiteral("keep"));
}

void TestFileEdit::chooser_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("path");

    QTest::newRow("cancelled") << QString() << QStringList() << "/sounds/old.wav";
    QTest::newRow("chosen") << "/sounds/new.wav" << QStringList{"filePathChanged /sounds/new.wav", "btnClicked"}
                            << "/sounds/new.wav";
}

void TestFileEdit::chooser()
{
    QFETCH(QString, answer);
    QFETCH(QStringList, expected);
    QFETCH(QString, path);

    ChooserStub chooser(answer);
    FileEdit edit;
    edit.setFilePath("/sounds/old.wav");
    edit.setFilter("Sounds (*.wav)");
    QStringList log;
    connect(&edit, &FileEdit::filePathChanged, [&log](const QString& p) { log << "filePathChanged " + p; });
    connect(&edit, &FileEdit::btnClicked, [&log] { log << "btnClicked"; });
    edit.show();
    QVERIFY(operatorClick(buttonOf(&edit)));

    QCOMPARE(chooser.calls, 1);
    QCOMPARE(chooser.lastParent, &edit);
    QCOMPARE(chooser.lastCaption, QStringLiteral("Choose a file"));
    QCOMPARE(chooser.lastDirectory, QStringLiteral("/sounds/old.wav"));
    QCOMPARE(chooser.lastFilter, QStringLiteral("Sounds (*.wav)"));
    QCOMPARE(log, expected);
    QCOMPARE(edit.filePath(), path);
}

void TestFileEdit::editorDeletedWhileChoosing()
{
    // A panel refill during the chooser deletes the editor: nothing may
    // touch it afterwards.
    QPointer<FileEdit> edit = new FileEdit;
    int signalsSeen = 0;
    connect(edit.data(), &FileEdit::filePathChanged, [&signalsSeen] { ++signalsSeen; });
    connect(edit.data(), &FileEdit::btnClicked, [&signalsSeen] { ++signalsSeen; });
    const ScopedHook chooser(&FileChooserHook::setOpenFileChooser,
                             [&edit](QWidget*, const QString&, const QString&, const QString&) {
                                 delete edit.data();
                                 return QStringLiteral("/x.png");
                             });
    edit->buttonClicked();
    QVERIFY(!edit);
    QCOMPARE(signalsSeen, 0);
}

void TestFileEdit::typing()
{
    FileEdit edit;
    QSignalSpy paths(&edit, &FileEdit::filePathChanged);
    edit.show();
    QVERIFY(operatorType(&edit, "abc"));
    QCOMPARE(paths.count(), 3);
    QCOMPARE(paths.at(2).at(0).toString(), QStringLiteral("abc"));
    QCOMPARE(edit.filePath(), QStringLiteral("abc"));

    // A key that changes nothing and a programmatic path are no edits.
    QVERIFY(operatorKey(&edit, Qt::Key_Left));
    edit.setFilePath("xyz");
    edit.setFilePath("xyz");
    QCOMPARE(paths.count(), 3);
    QVERIFY(operatorKey(&edit, Qt::Key_Backspace));
    QCOMPARE(paths.count(), 4);
    QCOMPARE(paths.at(3).at(0).toString(), QStringLiteral("xy"));
}

void TestFileEdit::tabSelectsWholePath()
{
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* before = new QLineEdit(&window);
    auto* edit = new FileEdit(&window);
    layout->addWidget(before);
    layout->addWidget(edit);
    edit->setFilePath("/images/site.png");
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));

    before->setFocus(Qt::OtherFocusReason);
    QVERIFY(operatorKey(before, Qt::Key_Tab));
    QTRY_VERIFY(edit->hasFocus());
    QCOMPARE(lineEditOf(edit)->selectedText(), QStringLiteral("/images/site.png"));

    before->setFocus(Qt::OtherFocusReason);
    QVERIFY(operatorClick(lineEditOf(edit)));
    QTRY_VERIFY(edit->hasFocus());
    QVERIFY(lineEditOf(edit)->selectedText().isEmpty());
}

void TestFileEdit::managerSignals()
{
    FilePathManager manager;
    Property* image = manager.addProperty("Image");
    QStringList log;
    connect(&manager, &FilePathManager::propertyChanged, [&log](Property*) { log << "propertyChanged"; });
    connect(&manager, &FilePathManager::valueChanged,
            [&log](Property*, const QString& v) { log << "valueChanged " + v; });
    connect(&manager, &FilePathManager::filterChanged,
            [&log](Property*, const QString& f) { log << "filterChanged " + f; });

    manager.setValue(image, "/a.png");
    manager.setValue(image, "/a.png");
    manager.setFilter(image, "*.png");
    manager.setFilter(image, "*.png");
    QCOMPARE(log, (QStringList{"propertyChanged", "valueChanged /a.png", "filterChanged *.png"}));
    QCOMPARE(manager.value(image), QStringLiteral("/a.png"));
    QCOMPARE(manager.filter(image), QStringLiteral("*.png"));
    QCOMPARE(image->valueText(), QStringLiteral("/a.png"));
}

void TestFileEdit::managerUnknownProperty()
{
    FilePathManager manager;
    FilePathManager other;
    Property* foreign = other.addProperty("Foreign");
    QSignalSpy changes(&manager, &FilePathManager::propertyChanged);
    QSignalSpy values(&manager, &FilePathManager::valueChanged);
    manager.setValue(foreign, "/x");
    manager.setFilter(foreign, "*.x");
    QCOMPARE(manager.value(foreign), QString());
    QCOMPARE(manager.filter(foreign), QString());
    QCOMPARE(other.value(foreign), QString());
    QCOMPARE(changes.count() + values.count(), 0);

    // A deleted property leaves no record behind.
    Property* gone = manager.addProperty("Gone");
    manager.setValue(gone, "/gone");
    delete gone;
    Property* fresh = manager.addProperty("Fresh");
    QCOMPARE(manager.value(fresh), QString());
}

void TestFileEdit::factoryKeepsEditorsInStep()
{
    FilePathManager manager;
    FileEditFactory factory;
    factory.addPropertyManager(&manager);
    Property* sound = manager.addProperty("Sound");
    manager.setValue(sound, "/old.wav");
    manager.setFilter(sound, "*.wav");

    QWidget parent;
    auto* first = editorFor(factory, sound, &parent);
    auto* second = editorFor(factory, sound, &parent);
    QVERIFY(first && second);
    QVERIFY(!first->isButtonOnly());
    QCOMPARE(first->filePath(), QStringLiteral("/old.wav"));
    QCOMPARE(second->filter(), QStringLiteral("*.wav"));

    // A path chosen in one editor reaches the manager and the other editor.
    ChooserStub chooser("/new.wav");
    QSignalSpy values(&manager, &FilePathManager::valueChanged);
    first->buttonClicked();
    QCOMPARE(manager.value(sound), QStringLiteral("/new.wav"));
    QCOMPARE(second->filePath(), QStringLiteral("/new.wav"));
    QCOMPARE(values.count(), 1);

    // Typing writes back per keystroke.
    parent.show();
    second->setFilePath(QString());
    QVERIFY(operatorType(second, "ab"));
    QCOMPARE(manager.value(sound), QStringLiteral("ab"));
    QCOMPARE(first->filePath(), QStringLiteral("ab"));
    QCOMPARE(values.count(), 3);

    manager.setFilter(sound, "*.mp3");
    QCOMPARE(first->filter(), QStringLiteral("*.mp3"));
    QCOMPARE(second->filter(), QStringLiteral("*.mp3"));

    // A closed editor is out of the factory's maps.
    delete first;
    manager.setValue(sound, "/later.wav");
    QCOMPARE(second->filePath(), QStringLiteral("/later.wav"));
}

void TestFileEdit::factoryButtonAndStrangers()
{
    FilePathManager manager;
    FileEditFactory factory;
    factory.setButtonOnly(true);
    factory.addPropertyManager(&manager);
    Property* command = manager.addProperty("Command");
    QWidget parent;
    auto* editor = editorFor(factory, command, &parent);
    QVERIFY(editor->isButtonOnly());
    QSignalSpy clicks(&factory, &FileEditFactory::btnClicked);
    parent.resize(300, 40);  // room for the editor's button
    QVERIFY(operatorClick(buttonOf(editor)));
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.at(0).at(0).value<Property*>(), command);

    // An editor that the factory did not make is a stranger to its slots.
    FileEdit stranger(&parent);
    stranger.setButtonOnly(true);
    connect(&stranger, SIGNAL(btnClicked()), &factory, SLOT(slotBtnClicked()));
    connect(&stranger, SIGNAL(filePathChanged(QString)), &factory, SLOT(slotSetValue(QString)));
    stranger.buttonClicked();
    emit stranger.filePathChanged("/stranger");
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(manager.value(command), QString());

    // Nor does the factory write into a manager it no longer serves.
    factory.removePropertyManager(&manager);
    QVERIFY(operatorType(editor, "x"));
    QCOMPARE(manager.value(command), QString());
    editor->buttonClicked();
    QCOMPARE(clicks.count(), 1);
}

void TestFileEdit::factoryLifetime()
{
    QWidget parent;
    QPointer<FileEdit> kept;
    QPointer<FileEdit> orphan;
    auto manager = std::make_unique<FilePathManager>();
    {
        FileEditFactory factory;
        factory.setButtonOnly(true);
        factory.addPropertyManager(manager.get());
        Property* image = manager->addProperty("Image");
        kept = editorFor(factory, manager->addProperty("Kept"), &parent);
        orphan = editorFor(factory, image, &parent);
        QVERIFY(kept && orphan);

        // The property goes while its editor is open: the editor no longer
        // reaches it.
        QSignalSpy clicks(&factory, &FileEditFactory::btnClicked);
        delete image;
        orphan->buttonClicked();
        emit orphan->filePathChanged("/after");
        QCOMPARE(clicks.count(), 0);
    }
    // The factory deletes the editors that it still follows; the orphan
    // stays with its parent until its cell closes.
    QVERIFY(!kept);
    QVERIFY(orphan);

    FileEditFactory factory;
    factory.addPropertyManager(manager.get());
    manager.reset();
    QVERIFY(factory.propertyManagers().isEmpty());
}

QTEST_MAIN(TestFileEdit)
#include "tst_fileedit.moc"
