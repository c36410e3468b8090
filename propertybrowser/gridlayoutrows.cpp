#include "gridlayoutrows.h"

#include "property.h"

#include <QGridLayout>
#include <QLabel>
#include <QMap>
#include <QRect>

namespace {

// Takes out the items whose row is at least `firstRow` and puts them back
// `shift` rows away, with the same column and spans.
void shiftGridRows(QGridLayout* layout, int firstRow, int shift)
{
    QMap<QLayoutItem*, QRect> moved;
    int index = 0;
    while (index < layout->count()) {
        int row = 0;
        int column = 0;
        int rowSpan = 0;
        int columnSpan = 0;
        layout->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
        if (row >= firstRow)
            moved.insert(layout->takeAt(index), QRect(row + shift, column, rowSpan, columnSpan));
        else
            ++index;
    }
    for (auto it = moved.constBegin(); it != moved.constEnd(); ++it) {
        const QRect& place = it.value();
        layout->addItem(it.key(), place.x(), place.y(), place.width(), place.height());
    }
}

void setUnderlined(QWidget* widget, bool underline)
{
    QFont font = widget->font();
    font.setUnderline(underline);
    widget->setFont(font);
}

} // namespace

void insertGridRow(QGridLayout* layout, int row)
{
    shiftGridRows(layout, row, 1);
}

void removeGridRow(QGridLayout* layout, int row)
{
    shiftGridRows(layout, row + 1, -1);
}

void showPropertyName(QWidget* widget, Property* property)
{
    setUnderlined(widget, property->isModified());
    widget->setToolTip(property->toolTip());
    widget->setStatusTip(property->statusTip());
    widget->setWhatsThis(property->whatsThis());
    widget->setEnabled(property->isEnabled());
}

void showPropertyValue(QLabel* valueLabel, QWidget* editor, Property* property)
{
    const QString text = property->valueText();
    if (valueLabel) {
        setUnderlined(valueLabel, false);
        valueLabel->setText(text);
        valueLabel->setToolTip(text);
        valueLabel->setEnabled(property->isEnabled());
    }
    if (editor) {
        setUnderlined(editor, false);
        editor->setEnabled(property->isEnabled());
        editor->setToolTip(text);
    }
}
