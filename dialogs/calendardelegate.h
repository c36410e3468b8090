#pragma once

#include <QItemDelegate>

// A date-edit delegate. A cell whose date lies in 2007 or earlier (or holds
// no date) opens on today's date.
class CalendarDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    static constexpr int LastStaleYear = 2007;

    explicit CalendarDelegate(bool calendarPopup, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

public slots:
    void commitAndCloseEditor();

private:
    bool m_calendarPopup;
};
