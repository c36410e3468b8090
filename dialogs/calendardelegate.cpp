#include "calendardelegate.h"

#include "delegateediting.h"

#include <QDateEdit>

CalendarDelegate::CalendarDelegate(bool calendarPopup, QObject* parent)
    : QItemDelegate(parent)
    , m_calendarPopup(calendarPopup)
{
}

QWidget* CalendarDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* editor = new QDateEdit(parent);
    editor->setCalendarPopup(m_calendarPopup);
    editor->installEventFilter(const_cast<CalendarDelegate*>(this));
    connect(editor, &QDateEdit::editingFinished, this, &CalendarDelegate::commitAndCloseEditor);
    return editor;
}

void CalendarDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* dateEdit = qobject_cast<QDateEdit*>(editor);
    if (!dateEdit)
        return;
    const QDate date = index.data(Qt::EditRole).toDate();
    dateEdit->setDate(date.year() > LastStaleYear ? date : QDate::currentDate());
}

void CalendarDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* dateEdit = qobject_cast<QDateEdit*>(editor);
    if (!dateEdit)
        return;
    dateEdit->interpretText();
    model->setData(index, dateEdit->date(), Qt::EditRole);
}

void CalendarDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex&) const
{
    placeEditorOnCell(editor, option);
}

void CalendarDelegate::commitAndCloseEditor()
{
    commitAndCloseSender<QDateEdit>(this, sender());
}
