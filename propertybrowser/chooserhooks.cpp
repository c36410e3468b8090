#include "chooserhooks.h"

#include <QColorDialog>
#include <QFontDialog>
#include <QPointer>

ChooserHooks::ColorChooser& ChooserHooks::colorChooser()
{
    static ColorChooser chooser;
    return chooser;
}

ChooserHooks::FontChooser& ChooserHooks::fontChooser()
{
    static FontChooser chooser;
    return chooser;
}

void ChooserHooks::setColorChooser(ColorChooser chooser)
{
    colorChooser() = std::move(chooser);
}

void ChooserHooks::setFontChooser(FontChooser chooser)
{
    fontChooser() = std::move(chooser);
}

bool ChooserHooks::chooseColor(QColor& value, QWidget* parent)
{
    if (colorChooser())
        return colorChooser()(value, parent);
    return runColorDialog(value, parent);
}

bool ChooserHooks::chooseFont(QFont& value, QWidget* parent, const QString& title)
{
    if (fontChooser())
        return fontChooser()(value, parent, title);
    return runFontDialog(value, parent, title);
}

bool ChooserHooks::runColorDialog(QColor& value, QWidget* parent)
{
    QPointer<QColorDialog> dialog = new QColorDialog(value, parent ? parent->window() : nullptr);
    dialog->setOption(QColorDialog::ShowAlphaChannel);
    const int result = dialog->exec();
    if (!dialog)
        return false;
    const QColor chosen = dialog->selectedColor();
    delete dialog.data();
    if (result != QDialog::Accepted)
        return false;
    value = chosen;
    return true;
}

bool ChooserHooks::runFontDialog(QFont& value, QWidget* parent, const QString& title)
{
    QPointer<QFontDialog> dialog = new QFontDialog(value, parent ? parent->window() : nullptr);
    dialog->setWindowTitle(title);
    const int result = dialog->exec();
    if (!dialog)
        return false;
    const QFont chosen = dialog->selectedFont();
    delete dialog.data();
    if (result != QDialog::Accepted)
        return false;
    value = chosen;
    return true;
}
