#pragma once

#include <functional>

class QWidget;

// Small widgets that the setup dialogs place into table cells (the table
// takes ownership).

// A centred check box showing `on`; `onClicked`, when set, is called with the
// new state on each click for as long as `parent` lives.
QWidget* createCheckBoxCell(bool on, QWidget* parent, std::function<void(bool)> onClicked);
// A centred, parentless edit icon (":/icons/blobEdit.png").
QWidget* createEditIconCell();
