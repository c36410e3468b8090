#include "savefiledialog.h"

#include <QFileDialog>
#include <QPointer>

QString SaveFileDialog::getSaveFileName(QWidget* parent, const QString& caption, const QString& directory,
                                        const QString& filter, const QString& defaultSuffix)
{
    QPointer<QFileDialog> dialog = new QFileDialog(parent ? parent->window() : nullptr, caption, directory, filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(defaultSuffix);
    const bool accepted = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return QString();
    const QString chosen = accepted ? dialog->selectedFiles().value(0) : QString();
    delete dialog.data();
    return chosen;
}
