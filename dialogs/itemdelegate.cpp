#include "itemdelegate.h"
#include "dialogslogging.h"

#include "delegateediting.h"

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
    qCDebug(lcDialogs) << "close";
}

void ItemDelegate::commitAndCloseEditor()
{
    commitAndCloseSender<QWidget>(this, sender());
    qCDebug(lcDialogs) << "commit";
}
