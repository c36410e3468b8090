#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <functional>

class QWidget;

// The colour and font choosers of the editor widgets. Both are replaceable
// so that tests (and embedders) never block on a modal dialog. A chooser
// gets the current value in `value`, writes the choice back into it and
// returns true when the user confirmed.
//
// The default choosers run a heap dialog parented to the editor's window
// and guarded by a QPointer: the program keeps ticking while the dialog is
// open, and a panel refill may destroy the editor (or its whole window)
// meanwhile; a destroyed dialog then counts as cancelled.
class ChooserHooks
{
public:
    using ColorChooser = std::function<bool(QColor& value, QWidget* parent)>;
    using FontChooser = std::function<bool(QFont& value, QWidget* parent, const QString& title)>;

    // An empty function restores the default dialog.
    static void setColorChooser(ColorChooser chooser);
    static void setFontChooser(FontChooser chooser);

    static bool chooseColor(QColor& value, QWidget* parent);
    static bool chooseFont(QFont& value, QWidget* parent, const QString& title);

private:
    static bool runColorDialog(QColor& value, QWidget* parent);
    static bool runFontDialog(QFont& value, QWidget* parent, const QString& title);
    static ColorChooser& colorChooser();
    static FontChooser& fontChooser();
};
