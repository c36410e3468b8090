#pragma once

#include <QString>

class QWidget;

// The save dialog of the exports and of Save As. The dialog itself gives a
// name typed without an extension `defaultSuffix`, so its "replace?"
// question covers the file that is then written: a suffix added after it
// returned would replace a file without asking.
class SaveFileDialog
{
public:
    // The chosen path, or an empty string when cancelled. The dialog is
    // parented to `parent`'s window; one destroyed with it counts as cancelled.
    static QString getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                                   const QString& filter, const QString& defaultSuffix);
};
