#include "filechooserhook.h"

#include <QFileDialog>
#include <QPointer>

FileChooserHook::OpenFileChooser& FileChooserHook::openFileChooser()
{
    static OpenFileChooser chooser;
    return chooser;
}

void FileChooserHook::setOpenFileChooser(OpenFileChooser chooser)
{
    openFileChooser() = std::move(chooser);
}

QString FileChooserHook::getOpenFileName(QWidget* parent, const QString& caption, const QString& directory,
                                         const QString& filter)
{
    if (openFileChooser())
        return openFileChooser()(parent, caption, directory, filter);
    return runOpenFileDialog(parent, caption, directory, filter);
}

QString FileChooserHook::runOpenFileDialog(QWidget* parent, const QString& caption, const QString& directory,
                                           const QString& filter)
{
    QPointer<QFileDialog> dialog =
        new QFileDialog(parent ? parent->window() : nullptr, caption, directory, filter);
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    const int result = dialog->exec();
    if (!dialog)
        return QString();
    const QStringList chosen = dialog->selectedFiles();
    delete dialog.data();
    if (result != QDialog::Accepted || chosen.isEmpty())
        return QString();
    return chosen.first();
}
