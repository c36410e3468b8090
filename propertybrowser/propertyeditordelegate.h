#pragma once

#include <QItemDelegate>
#include <QMap>

class Property;
class QTreeWidgetItem;
class TreePropertyBrowserPrivate;

// Item delegate of the tree browser: asks the browser for editors, paints
// backgrounds, bold modified names and the vertical grid line, and hides the
// cell's own text while an editor covers it. Values never pass through the
// item model: editors write through their factories and managers.
class PropertyEditorDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit PropertyEditorDelegate(QObject* parent = nullptr);
    ~PropertyEditorDelegate() override;

    void setEditorPrivate(TreePropertyBrowserPrivate* editorPrivate) { m_editorPrivate = editorPrivate; }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // The view lets go of an editor (closed, or its row removed): from then
    // on its row shows its own text, whenever the editor is freed.
    void destroyEditor(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget*, QAbstractItemModel*, const QModelIndex&) const override {}
    void setEditorData(QWidget*, const QModelIndex&) const override {}
    bool eventFilter(QObject* object, QEvent* event) override;

    void closeEditor(Property* property);
    QTreeWidgetItem* editedRow() const { return m_editedRow; }

protected:
    void drawDecoration(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                        const QPixmap& pixmap) const override;
    void drawDisplay(QPainter* painter, const QStyleOptionViewItem& option, const QRect& rect,
                     const QString& text) const override;

private slots:
    void slotEditorDestroyed(QObject* object);

private:
    void drawGridLine(QPainter* painter, const QStyleOptionViewItem& option, int column,
                      bool hasValue) const;

    // createEditor() is const in the delegate interface but records the
    // open editor; these members belong to the editing state, not the look.
    mutable QMap<QWidget*, Property*> m_editorToProperty;
    mutable QMap<Property*, QWidget*> m_propertyToEditor;
    TreePropertyBrowserPrivate* m_editorPrivate = nullptr;
    mutable QTreeWidgetItem* m_editedRow = nullptr;
    mutable QWidget* m_editedWidget = nullptr;
    mutable bool m_disablePainting = false;
};
