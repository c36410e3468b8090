#pragma once

#include <QAbstractItemDelegate>

class QStyleOptionViewItem;
class QWidget;

// What the setup dialogs' delegates share.

// Places a cell editor exactly on the cell, with no margin.
void placeEditorOnCell(QWidget* editor, const QStyleOptionViewItem& option);

// Commits the editor that sent a signal and closes it, when it is an `Editor`.
template <typename Editor>
void commitAndCloseSender(QAbstractItemDelegate* delegate, QObject* sender)
{
    if (auto* editor = qobject_cast<Editor*>(sender)) {
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}
