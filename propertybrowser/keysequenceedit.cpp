#include "keysequenceedit.h"
#include "editorwidgetutils.h"

#include <QContextMenuEvent>
#include <QLineEdit>
#include <QAction>

namespace {

// A modifier pressed alone records nothing; AltGr and the left Super key
// count as modifiers too.
bool isModifierKey(int key)
{
    return (key >= Qt::Key_Shift && key <= Qt::Key_Alt) || key == Qt::Key_Super_L
        || key == Qt::Key_AltGr;
}

} // namespace

KeySequenceEdit::KeySequenceEdit(QWidget* parent)
    : QWidget(parent)
    , m_lineEdit(new QLineEdit(this))
{
    setupKeyCaptureEditor(this, m_lineEdit);
}

bool KeySequenceEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lineEdit && event->type() == QEvent::ContextMenu) {
        auto* contextEvent = static_cast<QContextMenuEvent*>(event);
        showContextMenu(contextEvent->globalPos());
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void KeySequenceEdit::showContextMenu(const QPoint& globalPos)
{
    auto* clearAction = new QAction(tr("Clear Shortcut"), this);
    clearAction->setEnabled(!m_keySequence.isEmpty());
    connect(clearAction, &QAction::triggered, this, &KeySequenceEdit::slotClearShortcut);
    execLineEditContextMenu(m_lineEdit, clearAction, globalPos);
}

void KeySequenceEdit::slotClearShortcut()
{
    if (m_keySequence.isEmpty())
        return;
    setKeySequence(QKeySequence());
    emit keySequenceChanged(m_keySequence);
}

int KeySequenceEdit::shortcutModifiers(QKeyEvent* event) const
{
    int result = 0;
    const Qt::KeyboardModifiers state = event->modifiers();
    const QString text = event->text();
    if (state & Qt::ShiftModifier) {
        // A shifted punctuation key already carries the shift in its text.
        if (text.isEmpty() || !text.at(0).isPrint() || text.at(0).isLetter()
            || text.at(0).isSpace())
            result |= Qt::SHIFT;
    }
    if (state & Qt::ControlModifier)
        result |= Qt::CTRL;
    if (state & Qt::MetaModifier)
        result |= Qt::META;
    if (state & Qt::AltModifier)
        result |= Qt::ALT;
    return result;
}

void KeySequenceEdit::appendKeyPress(QKeyEvent* event)
{
    int key = event->key();
    if (isModifierKey(key))
        return;
    key |= shortcutModifiers(event);

    int keys[4] = {m_keySequence[0], m_keySequence[1], m_keySequence[2], m_keySequence[3]};
    keys[m_nextKeyIndex] = key;
    for (int i = m_nextKeyIndex + 1; i < 4; ++i)
        keys[i] = 0;
    m_nextKeyIndex = (m_nextKeyIndex + 1) % 4;

    m_keySequence = QKeySequence(keys[0], keys[1], keys[2], keys[3]);
    m_lineEdit->setText(m_keySequence.toString(QKeySequence::NativeText));
    event->accept();
    emit keySequenceChanged(m_keySequence);
}

void KeySequenceEdit::setKeySequence(const QKeySequence& sequence)
{
    if (sequence == m_keySequence)
        return;
    m_nextKeyIndex = 0;
    m_keySequence = sequence;
    m_lineEdit->setText(m_keySequence.toString(QKeySequence::NativeText));
}

void KeySequenceEdit::keyPressEvent(QKeyEvent* event)
{
    appendKeyPress(event);
    event->accept();
}

void KeySequenceEdit::focusInEvent(QFocusEvent* event)
{
    m_lineEdit->event(event);
    m_lineEdit->selectAll();
    QWidget::focusInEvent(event);
}

void KeySequenceEdit::focusOutEvent(QFocusEvent* event)
{
    m_nextKeyIndex = 0;
    m_lineEdit->event(event);
    QWidget::focusOutEvent(event);
}

void KeySequenceEdit::paintEvent(QPaintEvent*)
{
    paintWidgetPrimitive(this);
}

bool KeySequenceEdit::event(QEvent* event)
{
    if (takeShortcutEvent(event))
        return true;
    return QWidget::event(event);
}
