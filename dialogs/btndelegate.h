#pragma once

#include <QItemDelegate>

class QTableWidgetItem;

// A line edit with a "..." button beside it. The owner answers clicked()
// (with a file chooser, say) and learns from editorClose() that editing
// ended. A cell whose decoration is an icon, or the integer 1, shows only
// the button.
class BtnDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    static constexpr int ButtonMaxWidth = 20;

    explicit BtnDelegate(QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

signals:
    void clicked();
    void editorClose(QItemDelegate* item);

public slots:
    void commitAndCloseEditor();
    void editorClose_(QWidget* editor, QAbstractItemDelegate::EndEditHint hint);
    void currentItemChanged_(QTableWidgetItem* current, QTableWidgetItem* previous);
};
