#include "charedit.h"
#include "editorwidgetutils.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QAction>

CharEdit::CharEdit(QWidget* parent)
    : QWidget(parent)
    , m_lineEdit(new QLineEdit(this))
{
    setupKeyCaptureEditor(this, m_lineEdit);
}

bool CharEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_lineEdit && event->type() == QEvent::ContextMenu) {
        showContextMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        event->accept();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void CharEdit::showContextMenu(const QPoint& globalPos)
{
    auto* clearAction = new QAction(tr("Clear Char"), this);
    clearAction->setEnabled(!m_value.isNull());
    connect(clearAction, &QAction::triggered, this, &CharEdit::slotClearChar);
    execLineEditContextMenu(m_lineEdit, clearAction, globalPos);
}

void CharEdit::slotClearChar()
{
    if (m_value.isNull())
        return;
    setValue(QChar());
    emit valueChanged(m_value);
}

void CharEdit::handleKeyEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_Super_L:
    case Qt::Key_Return:
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (text.size() != 1)
        return;
    const QChar c = text.at(0);
    if (!c.isPrint() || c == m_value)
        return;
    m_value = c;
    showValue();
    event->accept();
    emit valueChanged(m_value);
}

void CharEdit::setValue(const QChar& value)
{
    if (value == m_value)
        return;
    m_value = value;
    showValue();
}

void CharEdit::showValue()
{
    m_lineEdit->setText(m_value.isNull() ? QString() : QString(m_value));
}

bool CharEdit::event(QEvent* event)
{
    if (takeShortcutEvent(event))
        return true;
    return QWidget::event(event);
}

void CharEdit::keyPressEvent(QKeyEvent* event)
{
    handleKeyEvent(event);
    event->accept();
}

void CharEdit::keyReleaseEvent(QKeyEvent* event)
{
    m_lineEdit->event(event);
}

void CharEdit::focusInEvent(QFocusEvent* event)
{
    m_lineEdit->event(event);
    m_lineEdit->selectAll();
    QWidget::focusInEvent(event);
}

void CharEdit::focusOutEvent(QFocusEvent* event)
{
    m_lineEdit->event(event);
    QWidget::focusOutEvent(event);
}

void CharEdit::paintEvent(QPaintEvent*)
{
    paintWidgetPrimitive(this);
}
