#include "btndelegate.h"

#include "delegateediting.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>

BtnDelegate::BtnDelegate(QObject* parent)
    : QItemDelegate(parent)
{
}

QWidget* BtnDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* container = new QWidget(parent);
    auto* layout = new QHBoxLayout(container);
    auto* lineEdit = new QLineEdit(container);
    auto* button = new QPushButton(QStringLiteral("..."), container);
    button->setMaximumWidth(ButtonMaxWidth);
    layout->addWidget(lineEdit);
    layout->addWidget(button);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* self = const_cast<BtnDelegate*>(this);
    connect(button, &QPushButton::clicked, self, &BtnDelegate::clicked, Qt::UniqueConnection);
    // Made again after the view's own connection, so the view has released
    // the editor by the time the owner hears that it closed.
    disconnect(self, &QAbstractItemDelegate::closeEditor, self, &BtnDelegate::editorClose_);
    connect(self, &QAbstractItemDelegate::closeEditor, self, &BtnDelegate::editorClose_);
    container->setFocusProxy(lineEdit);
    return container;
}

void BtnDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* lineEdit = editor ? editor->findChild<QLineEdit*>() : nullptr;
    if (!lineEdit)
        return;
    lineEdit->setText(index.data(Qt::EditRole).toString());
    const QVariant decoration = index.data(Qt::DecorationRole);
    if (decoration.userType() == QMetaType::QIcon) {
        lineEdit->setReadOnly(true);
        lineEdit->hide();
    }
    if (decoration == QVariant(1))
        lineEdit->hide();
}

void BtnDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* lineEdit = editor ? editor->findChild<QLineEdit*>() : nullptr)
        model->setData(index, lineEdit->text(), Qt::EditRole);
}

void BtnDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                       const QModelIndex&) const
{
    placeEditorOnCell(editor, option);
}

void BtnDelegate::editorClose_(QWidget* editor, QAbstractItemDelegate::EndEditHint)
{
    // Deferred: the close may come from inside the editor's own event
    // delivery, where deleting it at once would pull it from under Qt.
    if (editor)
        editor->deleteLater();
    emit editorClose(this);
}

void BtnDelegate::currentItemChanged_(QTableWidgetItem*, QTableWidgetItem*)
{
    emit editorClose(this);
}

void BtnDelegate::commitAndCloseEditor()
{
    commitAndCloseSender<QLineEdit>(this, sender());
}
