#include "booledit.h"
#include "charedit.h"
#include "chooserhooks.h"
#include "coloreditwidget.h"
#include "fonteditwidget.h"
#include "modalanswerer.h"
#include "operatorclick.h"
#include "propertybrowserutils.h"
#include "scopedhook.h"
#include "keysequenceedit.h"
#include "popupanswerer.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPointer>
#include <QToolButton>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

namespace {

struct MenuSnapshot
{
    QStringList texts;
    QList<bool> enabled;
    bool separatorSecond = false;
    bool shortcutsEmpty = true;
    bool hintsCut = true;
};

// Opens the line edit's context menu, records what it shows and then
// triggers the first action when `triggerFirst` is set.
MenuSnapshot runContextMenu(QLineEdit* lineEdit, bool triggerFirst)
{
    MenuSnapshot snapshot;
    bool answered = false;
    answerNextPopup([&](QWidget* popup) {
        auto* menu = qobject_cast<QMenu*>(popup);
        answered = true;
        if (!menu)
            return;
        const QList<QAction*> actions = menu->actions();
        for (QAction* action : actions) {
            snapshot.texts << action->text();
            snapshot.enabled << action->isEnabled();
            if (!action->shortcut().isEmpty())
                snapshot.shortcutsEmpty = false;
            if (action->text().contains(QLatin1Char('\t')))
                snapshot.hintsCut = false;
        }
        snapshot.separatorSecond = actions.size() > 1 && actions.at(1)->isSeparator();
        if (triggerFirst && !actions.isEmpty())
            actions.first()->trigger();
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(2, 2), lineEdit->mapToGlobal(QPoint(2, 2)));
    QCoreApplication::sendEvent(lineEdit, &event);
    if (!answered)
        qWarning("no context menu appeared");
    return snapshot;
}

bool named(QWidget& root, const QString& text)
{
    const QList<QLabel*> labels = root.findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->text() == text)
            return true;
    }
    return false;
}

void sendKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(widget, &press);
}

} // namespace

class TestEditorWidgets : public QObject
{
    Q_OBJECT
private slots:
    void boolEditTexts();
    void boolEditProgrammaticChangeIsNoClick();
    void boolEditMousePress_data();
    void boolEditMousePress();
    void boolEditBlocksInnerSignals();

    void keySequenceRecording();
    void keySequenceShiftRule_data();
    void keySequenceShiftRule();
    void keySequenceFifthPressAndFocusOut();
    void keySequenceSwallowsShortcuts();
    void keySequenceClearShortcut();

    void charEditKeys();
    void charEditClearChar();

    void colorEditShowsValueSilently();
    void colorEditChooser();
    void swatchButtonLeavesCellKeys();
    void fontEditMergesChosenAttributes();
    void editorDestroyedWhileChooserOpen();
    void defaultColorDialog();
    void defaultColorDialogOutlivedByNothing();
};

void TestEditorWidgets::boolEditTexts()
{
    BoolEdit edit;
    auto* box = edit.findChild<QCheckBox*>();
    QVERIFY(box);
    QCOMPARE(box->text(), QString("False"));
    QVERIFY(!edit.isChecked());
    edit.setChecked(true);
    QCOMPARE(box->text(), QString("True"));
    edit.setTextVisible(false);
    QCOMPARE(box->text(), QString());
    edit.setChecked(false);
    QCOMPARE(box->text(), QString());
    edit.setTextVisible(true);
    QCOMPARE(box->text(), QString("False"));
}

void TestEditorWidgets::boolEditProgrammaticChangeIsNoClick()
{
    BoolEdit edit;
    QSignalSpy toggled(&edit, &BoolEdit::toggled);
    QSignalSpy clicked(&edit, &BoolEdit::clicked);
    edit.setChecked(true);
    edit.setChecked(true);
    QCOMPARE(toggled.count(), 1);
    QCOMPARE(toggled.at(0).at(0).toBool(), true);
    QCOMPARE(clicked.count(), 0);
    edit.setCheckState(Qt::Unchecked);
    QCOMPARE(edit.checkState(), Qt::Unchecked);
    QCOMPARE(clicked.count(), 0);
}

void TestEditorWidgets::boolEditMousePress_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("buttons");
    QTest::addColumn<bool>("toggles");
    QTest::newRow("left alone") << int(Qt::LeftButton) << int(Qt::LeftButton) << true;
    QTest::newRow("right") << int(Qt::RightButton) << int(Qt::RightButton) << false;
    QTest::newRow("left with right held")
        << int(Qt::LeftButton) << int(Qt::LeftButton | Qt::RightButton) << false;
}

void TestEditorWidgets::boolEditMousePress()
{
    QFETCH(int, button);
    QFETCH(int, buttons);
    QFETCH(bool, toggles);
    BoolEdit edit;
    edit.resize(200, 24);
    QSignalSpy toggled(&edit, &BoolEdit::toggled);
    QSignalSpy clicked(&edit, &BoolEdit::clicked);
    // Far right of the cell, away from the box itself.
    const QPoint pos(190, 12);
    QMouseEvent press(QEvent::MouseButtonPress, pos, edit.mapToGlobal(pos), Qt::MouseButton(button),
                      Qt::MouseButtons(buttons), Qt::NoModifier);
    QCoreApplication::sendEvent(&edit, &press);
    QCOMPARE(edit.isChecked(), toggles);
    QCOMPARE(toggled.count(), toggles ? 1 : 0);
    QCOMPARE(clicked.count(), toggles ? 1 : 0);
}

void TestEditorWidgets::boolEditBlocksInnerSignals()
{
    BoolEdit edit;
    QSignalSpy toggled(&edit, &BoolEdit::toggled);
    QCOMPARE(edit.setCheckBoxSignalsBlocked(true), false);
    edit.setChecked(true);
    QCOMPARE(edit.setCheckBoxSignalsBlocked(false), true);
    QCOMPARE(toggled.count(), 0);
    QVERIFY(edit.isChecked());
    QCOMPARE(edit.findChild<QCheckBox*>()->text(), QString("True"));
}

void TestEditorWidgets::keySequenceRecording()
{
    KeySequenceEdit edit;
    auto* line = edit.findChild<QLineEdit*>();
    QVERIFY(line && line->isReadOnly());
    QSignalSpy changed(&edit, &KeySequenceEdit::keySequenceChanged);

    sendKey(&edit, Qt::Key_Control, Qt::ControlModifier, QString());
    QCOMPARE(changed.count(), 0);
    QVERIFY(edit.keySequence().isEmpty());

    sendKey(&edit, Qt::Key_S, Qt::ControlModifier, QStringLiteral("\x13"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(line->text(), QKeySequence(Qt::CTRL | Qt::Key_S).toString(QKeySequence::NativeText));

    sendKey(&edit, Qt::Key_K, Qt::AltModifier | Qt::MetaModifier, QStringLiteral("k"));
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::CTRL | Qt::Key_S, Qt::ALT | Qt::META | Qt::Key_K));

    // Programmatic changes are silent and restart the recording.
    edit.setKeySequence(QKeySequence(Qt::Key_F5));
    QCOMPARE(changed.count(), 2);
    sendKey(&edit, Qt::Key_F6, Qt::NoModifier, QString());
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::Key_F6));
}

void TestEditorWidgets::keySequenceShiftRule_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("shift letter") << int(Qt::Key_A) << "A" << int(Qt::SHIFT | Qt::Key_A);
    QTest::newRow("shifted punctuation") << int(Qt::Key_Exclam) << "!" << int(Qt::Key_Exclam);
    QTest::newRow("shift space") << int(Qt::Key_Space) << " " << int(Qt::SHIFT | Qt::Key_Space);
    QTest::newRow("shift function key") << int(Qt::Key_F2) << "" << int(Qt::SHIFT | Qt::Key_F2);
}

void TestEditorWidgets::keySequenceShiftRule()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, expected);
    KeySequenceEdit edit;
    sendKey(&edit, key, Qt::ShiftModifier, text);
    QCOMPARE(edit.keySequence(), QKeySequence(expected));
}

void TestEditorWidgets::keySequenceFifthPressAndFocusOut()
{
    KeySequenceEdit edit;
    const int keys[] = {Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_D};
    for (int key : keys)
        sendKey(&edit, key, Qt::NoModifier, QString(QChar(key).toLower()));
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_D));
    sendKey(&edit, Qt::Key_E, Qt::NoModifier, QStringLiteral("e"));
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::Key_E));

    sendKey(&edit, Qt::Key_F, Qt::NoModifier, QStringLiteral("f"));
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::Key_E, Qt::Key_F));
    QFocusEvent focusOut(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&edit, &focusOut);
    sendKey(&edit, Qt::Key_G, Qt::NoModifier, QStringLiteral("g"));
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::Key_G));

    // Setting the same sequence again leaves the recording position alone.
    edit.setKeySequence(QKeySequence(Qt::Key_G));
    sendKey(&edit, Qt::Key_H, Qt::NoModifier, QStringLiteral("h"));
    QCOMPARE(edit.keySequence(), QKeySequence(Qt::Key_G, Qt::Key_H));
}

void TestEditorWidgets::keySequenceSwallowsShortcuts()
{
    KeySequenceEdit edit;
    QKeyEvent overrideEvent(QEvent::ShortcutOverride, Qt::Key_Q, Qt::ControlModifier);
    overrideEvent.ignore();
    QVERIFY(QCoreApplication::sendEvent(&edit, &overrideEvent));
    QVERIFY(overrideEvent.isAccepted());
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Q, Qt::ControlModifier);
    release.ignore();
    QVERIFY(QCoreApplication::sendEvent(&edit, &release));
    QVERIFY(release.isAccepted());
}

void TestEditorWidgets::keySequenceClearShortcut()
{
    KeySequenceEdit edit;
    edit.show();
    auto* line = edit.findChild<QLineEdit*>();
    QSignalSpy changed(&edit, &KeySequenceEdit::keySequenceChanged);

    MenuSnapshot empty = runContextMenu(line, true);
    QVERIFY(!empty.texts.isEmpty());
    QCOMPARE(empty.texts.first(), QString("Clear Shortcut"));
    QCOMPARE(empty.enabled.first(), false);
    QVERIFY(empty.separatorSecond);
    QVERIFY(empty.shortcutsEmpty);
    QVERIFY(empty.hintsCut);
    QCOMPARE(changed.count(), 0);

    edit.setKeySequence(QKeySequence(Qt::Key_F5));
    MenuSnapshot filled = runContextMenu(line, true);
    QCOMPARE(filled.enabled.value(0), true);
    QCOMPARE(changed.count(), 1);
    QVERIFY(edit.keySequence().isEmpty());
    QVERIFY(line->text().isEmpty());
}

void TestEditorWidgets::charEditKeys()
{
    CharEdit edit;
    QSignalSpy changed(&edit, &CharEdit::valueChanged);
    auto* line = edit.findChild<QLineEdit*>();
    QVERIFY(line && line->isReadOnly());

    sendKey(&edit, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QChar>(), QChar('a'));
    QCOMPARE(line->text(), QString("a"));

    sendKey(&edit, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    sendKey(&edit, Qt::Key_Shift, Qt::ShiftModifier, QString());
    sendKey(&edit, Qt::Key_A, Qt::NoModifier, QStringLiteral("ab"));
    sendKey(&edit, Qt::Key_Tab, Qt::NoModifier, QStringLiteral("\t"));
    sendKey(&edit, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edit.value(), QChar('a'));

    sendKey(&edit, Qt::Key_Percent, Qt::ShiftModifier, QStringLiteral("%"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(edit.value(), QChar('%'));

    edit.setValue(QChar('z'));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(line->text(), QString("z"));

    QKeyEvent overrideEvent(QEvent::ShortcutOverride, Qt::Key_Q, Qt::ControlModifier);
    overrideEvent.ignore();
    QVERIFY(QCoreApplication::sendEvent(&edit, &overrideEvent));
    QVERIFY(overrideEvent.isAccepted());
}

void TestEditorWidgets::charEditClearChar()
{
    CharEdit edit;
    edit.show();
    auto* line = edit.findChild<QLineEdit*>();
    QSignalSpy changed(&edit, &CharEdit::valueChanged);

    MenuSnapshot empty = runContextMenu(line, true);
    QCOMPARE(empty.texts.value(0), QString("Clear Char"));
    QCOMPARE(empty.enabled.value(0), false);
    QVERIFY(empty.separatorSecond);
    QVERIFY(empty.shortcutsEmpty);
    QVERIFY(empty.hintsCut);
    QVERIFY(empty.texts.size() > 2);
    QCOMPARE(changed.count(), 0);

    sendKey(&edit, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    MenuSnapshot filled = runContextMenu(line, true);
    QCOMPARE(filled.enabled.value(0), true);
    QCOMPARE(changed.count(), 2);
    QVERIFY(changed.last().at(0).value<QChar>().isNull());
    QVERIFY(line->text().isEmpty());
}

void TestEditorWidgets::colorEditShowsValueSilently()
{
    ColorEditWidget edit;
    QSignalSpy changed(&edit, &ColorEditWidget::valueChanged);
    const QColor red(255, 0, 0);
    edit.setValue(red);
    QCOMPARE(edit.value(), red);
    QCOMPARE(changed.count(), 0);
    QVERIFY(named(edit, PropertyBrowserUtils::colorText(red)));
    auto* button = edit.findChild<QToolButton*>();
    QCOMPARE(button->text(), QString("..."));
    QCOMPARE(button->width(), 20);
    QCOMPARE(edit.focusProxy(), button);
}

void TestEditorWidgets::colorEditChooser()
{
    ColorEditWidget edit;
    edit.setValue(QColor(10, 20, 30, 255));
    QSignalSpy changed(&edit, &ColorEditWidget::valueChanged);
    QColor answer;
    bool confirm = true;
    int calls = 0;
    const ScopedHook chooser(&ChooserHooks::setColorChooser, [&](QColor& value, QWidget* parent) {
        ++calls;
        if (parent != &edit)
            qWarning("chooser not parented to the editor");
        value = answer;
        return confirm;
    });
    auto* button = edit.findChild<QToolButton*>();

    answer = QColor(10, 20, 30, 255);
    QVERIFY(operatorClick(button));
    QCOMPARE(changed.count(), 0);

    answer = QColor(99, 99, 99);
    confirm = false;
    QVERIFY(operatorClick(button));
    QCOMPARE(changed.count(), 0);
    QCOMPARE(edit.value(), QColor(10, 20, 30, 255));

    confirm = true;
    answer = QColor(10, 20, 30, 128);
    QVERIFY(operatorClick(button));
    QCOMPARE(calls, 3);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QColor>(), QColor(10, 20, 30, 128));
    QCOMPARE(edit.value().alpha(), 128);
}

void TestEditorWidgets::swatchButtonLeavesCellKeys()
{
    int calls = 0;
    const ScopedHook colorChooser(&ChooserHooks::setColorChooser, [&](QColor&, QWidget*) { return ++calls, false; });
    const ScopedHook fontChooser(&ChooserHooks::setFontChooser, [&](QFont&, QWidget*, const QString&) { return ++calls, false; });
    ColorEditWidget color;
    FontEditWidget font;
    for (QWidget* editor : {static_cast<QWidget*>(&color), static_cast<QWidget*>(&font)}) {
        auto* button = editor->findChild<QToolButton*>();
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QVERIFY(QCoreApplication::sendEvent(button, &press) == false || !press.isAccepted());
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
            QCoreApplication::sendEvent(button, &release);
        }
        QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
        QCoreApplication::sendEvent(button, &space);
        QKeyEvent spaceUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, " ");
        QCoreApplication::sendEvent(button, &spaceUp);
    }
    // Only the two Space presses reached a chooser.
    QCOMPARE(calls, 2);
}

void TestEditorWidgets::fontEditMergesChosenAttributes()
{
    FontEditWidget edit;
    QFont held("DejaVu Sans", 12);
    held.setWeight(50);
    held.setKerning(false);
    edit.setValue(held);
    QSignalSpy changed(&edit, &FontEditWidget::valueChanged);
    QFont answer;
    QString title;
    const ScopedHook chooser(&ChooserHooks::setFontChooser, [&](QFont& value, QWidget*, const QString& dialogTitle) {
        title = dialogTitle;
        value = answer;
        return true;
    });
    auto* button = edit.findChild<QToolButton*>();

    answer = held;
    QVERIFY(operatorClick(button));
    QCOMPARE(title, QString("Select Font"));
    QCOMPARE(changed.count(), 0);

    // Only boldness differs (the chooser's weight 63 counts as bold).
    answer = held;
    answer.setWeight(63);
    answer.setKerning(true);
    QVERIFY(operatorClick(button));
    QCOMPARE(changed.count(), 1);
    QFont merged = edit.value();
    QCOMPARE(merged.weight(), 75);
    QCOMPARE(merged.family(), held.family());
    QCOMPARE(merged.pointSize(), 12);
    QCOMPARE(merged.kerning(), false);

    answer = merged;
    answer.setItalic(true);
    answer.setUnderline(true);
    answer.setPointSize(20);
    answer.setWeight(40);
    QVERIFY(operatorClick(button));
    merged = edit.value();
    QCOMPARE(merged.weight(), 50);
    QVERIFY(merged.italic());
    QVERIFY(merged.underline());
    QVERIFY(!merged.strikeOut());
    QCOMPARE(merged.pointSize(), 20);
    QCOMPARE(changed.count(), 2);
    QVERIFY(named(edit, PropertyBrowserUtils::fontText(merged)));
}

// The program keeps running while a chooser is open; a panel refill may
// destroy the editor meanwhile.
void TestEditorWidgets::editorDestroyedWhileChooserOpen()
{
    auto* color = new ColorEditWidget;
    QPointer<ColorEditWidget> colorGuard(color);
    const ScopedHook colorChooser(&ChooserHooks::setColorChooser, [&](QColor& value, QWidget*) {
        delete color;
        value = Qt::blue;
        return true;
    });
    QVERIFY(operatorClick(color->findChild<QToolButton*>()));
    QVERIFY(!colorGuard);

    auto* font = new FontEditWidget;
    QPointer<FontEditWidget> fontGuard(font);
    const ScopedHook fontChooser(&ChooserHooks::setFontChooser, [&](QFont& value, QWidget*, const QString&) {
        delete font;
        value.setBold(true);
        return true;
    });
    QVERIFY(operatorClick(font->findChild<QToolButton*>()));
    QVERIFY(!fontGuard);
}

void TestEditorWidgets::defaultColorDialog()
{
    QWidget window;
    auto* edit = new ColorEditWidget(&window);
    edit->setValue(Qt::white);
    window.resize(edit->sizeHint()); // the button in view
    QSignalSpy changed(edit, &ColorEditWidget::valueChanged);
    bool sawDialog = false;
    answerNextModal([&](QWidget* dialog) {
        auto* colorDialog = qobject_cast<QColorDialog*>(dialog);
        sawDialog = colorDialog && colorDialog->testOption(QColorDialog::ShowAlphaChannel);
        if (colorDialog)
            colorDialog->setCurrentColor(QColor(1, 2, 3, 4));
        dialog->metaObject()->invokeMethod(dialog, "accept");
    });
    QVERIFY(operatorClick(edit->findChild<QToolButton*>()));
    QVERIFY(sawDialog);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(edit->value(), QColor(1, 2, 3, 4));
    QVERIFY(!window.findChild<QColorDialog*>());
}

void TestEditorWidgets::defaultColorDialogOutlivedByNothing()
{
    auto* window = new QWidget;
    QPointer<QWidget> windowGuard(window);
    auto* edit = new ColorEditWidget(window);
    window->resize(edit->sizeHint());
    answerNextModal([&](QWidget*) { delete window; });
    QVERIFY(operatorClick(edit->findChild<QToolButton*>()));
    QVERIFY(!windowGuard);
}

QTEST_MAIN(TestEditorWidgets)
#include "tst_editorwidgets.moc"
