#include "propertyeditorview.h"

#include "propertyeditordelegate.h"
#include "property.h"
#include "treepropertybrowser_p.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
// Width of the strip left of a marked group heading that folds it.
constexpr int kFoldStripWidth = 20;

bool isEditableRow(const QTreeWidgetItem* row)
{
    const Qt::ItemFlags wanted = Qt::ItemIsEditable | Qt::ItemIsEnabled;
    return (row->flags() & wanted) == wanted;
}
} // namespace

PropertyEditorView::PropertyEditorView(QWidget* parent)
    : QTreeWidget(parent)
{
    connect(header(), &QHeaderView::sectionDoubleClicked, this, &QTreeView::resizeColumnToContents);
}

void PropertyEditorView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    bool hasValue = true;
    if (m_editorPrivate) {
        if (Property* property = m_editorPrivate->indexToProperty(index))
            hasValue = property->hasValue();
    }
    if (!hasValue && m_editorPrivate && m_editorPrivate->markPropertiesWithoutValue()) {
        const QColor dark = option.palette.color(QPalette::Dark);
        painter->fillRect(option.rect, dark);
        opt.palette.setColor(QPalette::AlternateBase, dark);
    } else if (m_editorPrivate) {
        const QColor color =
            m_editorPrivate->calculatedBackgroundColor(m_editorPrivate->indexToBrowserItem(index));
        if (color.isValid()) {
            painter->fillRect(option.rect, color);
            opt.palette.setColor(QPalette::AlternateBase, color.lighter(112));
        }
    }
    QTreeWidget::drawRow(painter, opt, index);
    const QColor gridColor =
        static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &opt, this));
    painter->save();
    painter->setPen(QPen(gridColor));
    painter->drawLine(opt.rect.x(), opt.rect.bottom(), opt.rect.right(), opt.rect.bottom());
    painter->restore();
}

void PropertyEditorView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (m_editorPrivate && !m_editorPrivate->editedRow()) {
            QTreeWidgetItem* row = currentItem();
            if (row && row->columnCount() >= 2 && isEditableRow(row)) {
                event->accept();
                QModelIndex index = currentIndex();
                if (index.column() == 0) {
                    index = index.sibling(index.row(), 1);
                    setCurrentIndex(index);
                }
                edit(index);
                return;
            }
        }
        break;
    default:
        break;
    }
    QTreeWidget::keyPressEvent(event);
}

void PropertyEditorView::mousePressEvent(QMouseEvent* event)
{
    QTreeWidget::mousePressEvent(event);
    QTreeWidgetItem* row = itemAt(event->pos());
    if (!row || !m_editorPrivate)
        return;
    if (row != m_editorPrivate->editedRow() && event->button() == Qt::LeftButton
        && header()->logicalIndexAt(event->pos().x()) == 1 && isEditableRow(row)) {
        editItem(row, 1);
        return;
    }
    Property* property = m_editorPrivate->indexToProperty(indexFromItem(row));
    if (property && !property->hasValue() && m_editorPrivate->markPropertiesWithoutValue()
        && !rootIsDecorated() && event->pos().x() + header()->offset() < kFoldStripWidth)
        row->setExpanded(!row->isExpanded());
}
