#include "fileedit.h"

#include "filechooserhook.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>

FileEdit::FileEdit(QWidget* parent)
    : QWidget(parent)
    , m_lineEdit(new QLineEdit(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_lineEdit->setSizePolicy(QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred));
    auto* button = new QToolButton(this);
    button->setSizePolicy(QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred));
    button->setText(QStringLiteral("..."));
    layout->addWidget(m_lineEdit);
    layout->addWidget(button);

    setFocusProxy(m_lineEdit);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    connect(m_lineEdit, &QLineEdit::textEdited, this, &FileEdit::filePathChanged);
    connect(button, &QToolButton::clicked, this, &FileEdit::buttonClicked);
}

void FileEdit::setFilePath(const QString& filePath)
{
    // An equal text is left alone so that the cursor and selection survive
    // the echo of the operator's own typing.
    if (m_lineEdit->text() != filePath)
        m_lineEdit->setText(filePath);
}

QString FileEdit::filePath() const
{
    return m_lineEdit->text();
}

void FileEdit::setLineEditHidden(bool hidden)
{
    m_lineEdit->setHidden(hidden);
}

bool FileEdit::isLineEditHidden() const
{
    return m_lineEdit->isHidden();
}

void FileEdit::buttonClicked()
{
    if (!m_buttonOnly) {
        // The chooser may run an event loop in which the panel is refilled
        // and this editor deleted.
        QPointer<FileEdit> self(this);
        const QString path =
            FileChooserHook::getOpenFileName(this, tr("Choose a file"), m_lineEdit->text(), m_filter);
        if (!self || path.isNull())
            return;
        m_lineEdit->setText(path);
        emit filePathChanged(path);
        if (!self)
            return;
    }
    emit btnClicked();
}

void FileEdit::forwardToLineEdit(QEvent* event)
{
    // Straight into the line edit's handler: sending the event would let a
    // key that the line edit ignores propagate back up to this widget.
    static_cast<QObject*>(m_lineEdit)->event(event);
}

void FileEdit::keyPressEvent(QKeyEvent* event)
{
    forwardToLineEdit(event);
}

void FileEdit::keyReleaseEvent(QKeyEvent* event)
{
    forwardToLineEdit(event);
}

void FileEdit::focusInEvent(QFocusEvent* event)
{
    forwardToLineEdit(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        m_lineEdit->selectAll();
    QWidget::focusInEvent(event);
}

void FileEdit::focusOutEvent(QFocusEvent* event)
{
    forwardToLineEdit(event);
    QWidget::focusOutEvent(event);
}
