#include "comboboxdelegate.h"

#include "delegateediting.h"
#include "rscombobox.h"

#include <QIcon>

ComboboxDelegate::ComboboxDelegate(const QList<ComboboxItem>& items, QObject* parent)
    : QItemDelegate(parent)
    , m_items(items)
{
    connect(this, &QAbstractItemDelegate::closeEditor, this, &ComboboxDelegate::editorClose);
}

QWidget* ComboboxDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* combo = new RSComboBox(parent);
    for (const ComboboxItem& item : m_items)
        combo->insertItem(combo->count(), QIcon(), item.text, item.value);
    // Connected only now, so that filling the list tells the owner nothing.
    connect(combo, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &ComboboxDelegate::commitAndCloseEditor);
    connect(combo, &RSComboBox::popupHidden, this, &ComboboxDelegate::popupHidden);
    return combo;
}

void ComboboxDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        const QString text = index.data(Qt::EditRole).toString();
        combo->setCurrentIndex(combo->findData(text, Qt::DisplayRole, Qt::MatchFixedString));
    }
}

void ComboboxDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* combo = qobject_cast<QComboBox*>(editor))
        model->setData(index, combo->currentText(), Qt::EditRole);
}

void ComboboxDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    placeEditorOnCell(editor, option);
}

const ComboboxItem* ComboboxDelegate::find(const QString& text) const
{
    for (const ComboboxItem& item : m_items) {
        if (item.text == text)
            return &item;
    }
    return nullptr;
}

QColor ComboboxDelegate::itemColor(const QString& text) const
{
    const ComboboxItem* item = find(text);
    return item ? item->color : QColor();
}

QVariant ComboboxDelegate::itemValue(const QString& text) const
{
    const ComboboxItem* item = find(text);
    return item ? item->value : QVariant();
}

void ComboboxDelegate::commitAndCloseEditor()
{
    emit editorClose();
}
