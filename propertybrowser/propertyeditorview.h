#pragma once

#include <QTreeWidget>

class TreePropertyBrowserPrivate;

// The tree of the tree browser. It opens editors itself (a single click on
// a value cell, or Space/Return/Enter), paints row backgrounds and the grid
// lines between rows.
class PropertyEditorView : public QTreeWidget
{
    Q_OBJECT
public:
    explicit PropertyEditorView(QWidget* parent = nullptr);

    void setEditorPrivate(TreePropertyBrowserPrivate* editorPrivate) { m_editorPrivate = editorPrivate; }
    QTreeWidgetItem* indexToItem(const QModelIndex& index) const { return itemFromIndex(index); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;

private:
    TreePropertyBrowserPrivate* m_editorPrivate = nullptr;
};
