#pragma once

class QGridLayout;
class QLabel;
class QWidget;
class Property;

// Row shuffling and label refreshing shared by the widget-grid browsers.

// Moves every item at or below `row` one row down, leaving `row` empty.
void insertGridRow(QGridLayout* layout, int row);

// Moves every item below `row` one row up; `row` must be empty already.
void removeGridRow(QGridLayout* layout, int row);

// Shows the property's name, help texts and enabled state on a name widget
// (label, tool button or group box title), underlined while modified.
void showPropertyName(QWidget* widget, Property* property);

// Shows the property's value text on a value label or as an editor's tool tip.
void showPropertyValue(QLabel* valueLabel, QWidget* editor, Property* property);
