#include "rscombobox.h"

RSComboBox::RSComboBox(QWidget* parent)
    : QComboBox(parent)
{
}

void RSComboBox::hidePopup()
{
    QComboBox::hidePopup();
    emit popupHidden();
}
