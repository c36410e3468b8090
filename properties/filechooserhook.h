#pragma once

#include <QString>

#include <functional>

class QWidget;

// The open-file chooser of the file-path editors, replaceable so that tests
// (and embedders) never block on a modal dialog. A chooser returns the
// chosen path, or a null string when the user cancelled.
//
// The default chooser runs a heap dialog parented to the editor's window
// and guarded by a QPointer: the program keeps ticking while the dialog is
// open and a panel refill may destroy the editor meanwhile; a destroyed
// dialog then counts as cancelled.
class FileChooserHook
{
public:
    using OpenFileChooser = std::function<QString(QWidget* parent, const QString& caption,
                                                  const QString& directory, const QString& filter)>;

    // An empty function restores the default dialog.
    static void setOpenFileChooser(OpenFileChooser chooser);

    static QString getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                   const QString& filter);

private:
    static QString runOpenFileDialog(QWidget* parent, const QString& caption, const QString& directory,
                                     const QString& filter);
    static OpenFileChooser& openFileChooser();
};
