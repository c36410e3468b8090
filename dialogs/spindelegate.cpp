#include "spindelegate.h"

#include "delegateediting.h"

#include <QDoubleSpinBox>

SpinDelegate::SpinDelegate(double minimum, double maximum, double step, int decimals, QObject* parent)
    : QItemDelegate(parent)
    , m_minimum(minimum)
    , m_maximum(maximum)
    , m_step(step)
    , m_decimals(decimals)
{
}

QWidget* SpinDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new QDoubleSpinBox(parent);
    editor->setMinimum(m_minimum);
    editor->setMaximum(m_maximum);
    editor->setDecimals(m_decimals);
    editor->setSingleStep(m_step);
    editor->installEventFilter(const_cast<SpinDelegate*>(this));
    connect(editor, &QDoubleSpinBox::editingFinished, this, &SpinDelegate::commitAndCloseEditor);
    return editor;
}

void SpinDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* spin = qobject_cast<QDoubleSpinBox*>(editor))
        spin->setValue(index.data(Qt::EditRole).toDouble());
}

void SpinDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* spin = qobject_cast<QDoubleSpinBox*>(editor);
    if (!spin)
        return;
    spin->interpretText();
    model->setData(index, spin->value(), Qt::EditRole);
}

void SpinDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                        const QModelIndex&) const
{
    placeEditorOnCell(editor, option);
}

void SpinDelegate::commitAndCloseEditor()
{
    commitAndCloseSender<QDoubleSpinBox>(this, sender());
}
