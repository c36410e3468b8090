#pragma once

class QStyleOptionViewItem;
class QWidget;

// Places a cell editor exactly on the cell, with no margin: the geometry the
// setup dialogs' delegates share.
void placeEditorOnCell(QWidget* editor, const QStyleOptionViewItem& option);
