#include "itemdelegate.h"

#include <QDebug>
#include <QWidget>

ItemDelegate::ItemDelegate(QObject* parent)
    : QItemDelegate(parent)
{
    connect(this, &QAbstractItemDelegate::closeEditor, this, &ItemDelegate::editorClose_);
}

void ItemDelegate::editorClose_(QWidget*, QAbstractItemDelegate::EndEditHint)
{
    emit editorClose(this);
    qDebug() << "close";
}

void ItemDelegate::commitAndCloseEditor()
{
    auto* editor = qobject_cast<QWidget*>(sender());
    if (editor) {
        emit commitData(editor);
        emit closeEditor(editor, NoHint);
    }
    qDebug() << "commit";
}
