#pragma once

#include <QMap>
#include <QObject>

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

// An editor destroyed from outside: its row simply has no editor any more.
// Addresses only are compared, the editor being half destroyed.
template <class Row>
void forgetDestroyedEditor(QMap<QWidget*, Row*>& editorToRow, QObject* editor)
{
    for (auto it = editorToRow.begin(); it != editorToRow.end(); ++it) {
        if (static_cast<QObject*>(it.key()) == editor) {
            it.value()->widget = nullptr;
            editorToRow.erase(it);
            return;
        }
    }
}

// Editors die with the browser's widgets; they must not report back to a
// browser that is being destroyed.
template <class Row>
void disconnectEditors(const QMap<QWidget*, Row*>& editorToRow, QObject* browser)
{
    for (auto it = editorToRow.constBegin(); it != editorToRow.constEnd(); ++it)
        QObject::disconnect(it.key(), nullptr, browser, nullptr);
}
