#pragma once

#include <QColor>
#include <QItemDelegate>
#include <QList>
#include <QString>
#include <QVariant>

// One choice of a ComboboxDelegate: the text shown and stored in the cell,
// and the value and colour its owner associates with that text.
struct ComboboxItem
{
    QString text;
    QVariant value;
    QColor color;
};

// A combo-box delegate over a fixed list of choices. Choosing an entry only
// tells the owner (editorClose()); the owner ends the edit, which stores the
// chosen text, and looks up its value and colour here.
class ComboboxDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    ComboboxDelegate(const QList<ComboboxItem>& items, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

    // Of the first item whose text equals `text` exactly; invalid when none does.
    QColor itemColor(const QString& text) const;
    QVariant itemValue(const QString& text) const;

signals:
    void editorClose();
    void popupHidden();

public slots:
    void commitAndCloseEditor();

private:
    const ComboboxItem* find(const QString& text) const;

    QList<ComboboxItem> m_items;
};
