#include "delegateediting.h"

#include <QStyleOptionViewItem>
#include <QWidget>

void placeEditorOnCell(QWidget* editor, const QStyleOptionViewItem& option)
{
    if (editor)
        editor->setGeometry(option.rect);
}
