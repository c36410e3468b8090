#include "editorwidgetutils.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyleOption>
#include <QToolButton>

#include <memory>

namespace {
constexpr int kEditorMargin = 4;
constexpr int kButtonWidth = 20;
} // namespace

void setupTreeViewEditorMargin(QLayout* layout)
{
    if (QApplication::layoutDirection() == Qt::LeftToRight)
        layout->setContentsMargins(kEditorMargin, 0, 0, 0);
    else
        layout->setContentsMargins(0, 0, kEditorMargin, 0);
}

void setupKeyCaptureEditor(QWidget* editor, QLineEdit* lineEdit)
{
    auto* layout = new QHBoxLayout(editor);
    layout->addWidget(lineEdit);
    layout->setContentsMargins(0, 0, 0, 0);
    lineEdit->installEventFilter(editor);
    lineEdit->setReadOnly(true);
    lineEdit->setFocusProxy(editor);
    editor->setFocusPolicy(lineEdit->focusPolicy());
    editor->setAttribute(Qt::WA_InputMethodEnabled);
}

bool takeShortcutEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::KeyRelease:
        event->accept();
        return true;
    default:
        return false;
    }
}

void paintWidgetPrimitive(QWidget* widget)
{
    QStyleOption option;
    option.initFrom(widget);
    QPainter painter(widget);
    widget->style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, widget);
}

void execLineEditContextMenu(QLineEdit* lineEdit, QAction* leading, const QPoint& globalPos)
{
    std::unique_ptr<QMenu> menu(lineEdit->createStandardContextMenu());
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions) {
        action->setShortcut(QKeySequence());
        QString text = action->text();
        const int tab = text.lastIndexOf(QLatin1Char('\t'));
        if (tab > 0) {
            text.truncate(tab);
            action->setText(text);
        }
    }
    QAction* firstAction = actions.isEmpty() ? nullptr : actions.first();
    leading->setParent(menu.get());
    menu->insertAction(firstAction, leading);
    menu->insertSeparator(firstAction);
    menu->exec(globalPos);
}

void setupSwatchEditor(QWidget* editor, QLabel* pixmapLabel, QLabel* textLabel,
                       QToolButton* button)
{
    auto* layout = new QHBoxLayout(editor);
    setupTreeViewEditorMargin(layout);
    layout->setSpacing(0);
    layout->addWidget(pixmapLabel);
    layout->addWidget(textLabel);
    layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Ignored));
    layout->addWidget(button);

    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Ignored);
    button->setFixedWidth(kButtonWidth);
    editor->setFocusProxy(button);
    editor->setFocusPolicy(button->focusPolicy());
    button->installEventFilter(editor);
}

bool isCellKeyForButton(QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
        event->ignore();
        return true;
    default:
        return false;
    }
}
