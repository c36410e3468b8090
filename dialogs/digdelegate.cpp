#include "digdelegate.h"

#include "delegateediting.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLineEdit>

DigDelegate::DigDelegate(QObject* parent, const QString& type)
    : QItemDelegate(parent)
    , m_type(type)
{
    connect(this, &QAbstractItemDelegate::closeEditor, this, &DigDelegate::editorClose_);
}

bool DigDelegate::accepts(const QString& text) const
{
    QString checked = text;
    int position = 0;
    if (m_type == DoubleType)
        return QDoubleValidator().validate(checked, position) == QValidator::Acceptable;
    if (m_type == IntType)
        return QIntValidator().validate(checked, position) == QValidator::Acceptable;
    return true;
}

void DigDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* lineEdit = qobject_cast<QLineEdit*>(editor);
    if (!lineEdit) {
        // A cell that does not hold text got another editor: nothing to validate.
        QItemDelegate::setModelData(editor, model, index);
        return;
    }
    const QString text = lineEdit->text();
    if (accepts(text))
        model->setData(index, text, Qt::EditRole);
}

void DigDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                       const QModelIndex&) const
{
    placeEditorOnCell(editor, option);
}

void DigDelegate::editorClose_(QWidget*, QAbstractItemDelegate::EndEditHint)
{
    emit editorClose(this);
}

void DigDelegate::commitAndCloseEditor()
{
    commitAndCloseSender<QWidget>(this, sender());
}
