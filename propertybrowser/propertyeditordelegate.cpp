#include "propertyeditordelegate.h"

#include "property.h"
#include "propertyeditorview.h"
#include "treepropertybrowser_p.h"

#include <QApplication>
#include <QFocusEvent>
#include <QPainter>

namespace {
constexpr int kBoldWeight = 75;
constexpr int kExtraWidth = 3;
constexpr int kExtraHeight = 4;
} // namespace

PropertyEditorDelegate::PropertyEditorDelegate(QObject* parent)
    : QItemDelegate(parent)
{
}

PropertyEditorDelegate::~PropertyEditorDelegate() = default;

QWidget* PropertyEditorDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                              const QModelIndex& index) const
{
    if (index.column() != 1 || !m_editorPrivate)
        return nullptr;
    QTreeWidgetItem* row = m_editorPrivate->indexToRow(index);
    Property* property = m_editorPrivate->indexToProperty(index);
    if (!row || !property || !(row->flags() & Qt::ItemIsEnabled))
        return nullptr;
    QWidget* editor = m_editorPrivate->createEditor(property, parent);
    if (editor) {
        editor->setAutoFillBackground(true);
        editor->installEventFilter(const_cast<PropertyEditorDelegate*>(this));
        connect(editor, &QObject::destroyed, this, &PropertyEditorDelegate::slotEditorDestroyed);
        m_propertyToEditor[property] = editor;
        m_editorToProperty[editor] = property;
        m_editedRow = row;
        m_editedWidget = editor;
    }
    return editor;
}

// A panel refilled while editing frees the edited row at once but the
// editor only later: a row made meanwhile may take the freed row's address,
// and must not be hidden as if the editor covered it.
void PropertyEditorDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    if (editor == m_editedWidget) {
        m_editedWidget = nullptr;
        m_editedRow = nullptr;
    }
    QItemDelegate::destroyEditor(editor, index);
}

void PropertyEditorDelegate::slotEditorDestroyed(QObject* object)
{
    // Only addresses are compared: the widget part is already gone.
    for (auto it = m_editorToProperty.begin(); it != m_editorToProperty.end(); ++it) {
        if (static_cast<QObject*>(it.key()) == object) {
            m_propertyToEditor.remove(it.value());
            m_editorToProperty.erase(it);
            break;
        }
    }
    if (m_editedWidget && static_cast<QObject*>(m_editedWidget) == object) {
        m_editedWidget = nullptr;
        m_editedRow = nullptr;
    }
}

void PropertyEditorDelegate::closeEditor(Property* property)
{
    if (QWidget* editor = m_propertyToEditor.value(property))
        editor->deleteLater();
}

void PropertyEditorDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                  const QModelIndex&) const
{
    // Keep the row's bottom grid line visible under the editor.
    editor->setGeometry(option.rect.adjusted(0, 0, 0, -1));
}

void PropertyEditorDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const
{
    Property* property = m_editorPrivate ? m_editorPrivate->indexToProperty(index) : nullptr;
    const bool hasValue = !property || property->hasValue();
    const bool marked = m_editorPrivate && m_editorPrivate->markPropertiesWithoutValue();

    QStyleOptionViewItem opt = option;
    if ((index.column() == 0 || !hasValue) && property && property->isModified()) {
        opt.font.setWeight(kBoldWeight);
        opt.fontMetrics = QFontMetrics(opt.font);
    }
    QColor background;
    if (!hasValue && marked) {
        background = opt.palette.color(QPalette::Dark);
        opt.palette.setColor(QPalette::Text, opt.palette.color(QPalette::BrightText));
    } else if (m_editorPrivate) {
        background =
            m_editorPrivate->calculatedBackgroundColor(m_editorPrivate->indexToBrowserItem(index));
        if (background.isValid() && (opt.features & QStyleOptionViewItem::Alternate))
            background = background.lighter(112);
    }
    if (background.isValid())
        painter->fillRect(option.rect, background);
    opt.state &= ~QStyle::State_HasFocus;

    const bool coveredByEditor = index.column() == 1 && m_editorPrivate
        && m_editedRow && m_editorPrivate->indexToRow(index) == m_editedRow;
    m_disablePainting = coveredByEditor;
    QItemDelegate::paint(painter, opt, index);
    m_disablePainting = false;

    drawGridLine(painter, opt, index.column(), hasValue);
}

void PropertyEditorDelegate::drawGridLine(QPainter* painter, const QStyleOptionViewItem& option,
                                          int column, bool hasValue) const
{
    if (!hasValue || (m_editorPrivate && m_editorPrivate->isLastColumn(column)))
        return;
    QStyleOptionViewItem opt = option;
    opt.palette.setCurrentColorGroup(QPalette::Active);
    const QColor color =
        static_cast<QRgb>(QApplication::style()->styleHint(QStyle::SH_Table_GridLineColor, &opt));
    painter->save();
    painter->setPen(QPen(color));
    const int x = opt.direction == Qt::LeftToRight ? opt.rect.right() : opt.rect.left();
    painter->drawLine(x, opt.rect.y(), x, opt.rect.bottom());
    painter->restore();
}

void PropertyEditorDelegate::drawDecoration(QPainter* painter, const QStyleOptionViewItem& option,
                                            const QRect& rect, const QPixmap& pixmap) const
{
    if (m_disablePainting)
        return;
    QItemDelegate::drawDecoration(painter, option, rect, pixmap);
}

void PropertyEditorDelegate::drawDisplay(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QRect& rect, const QString& text) const
{
    if (m_disablePainting)
        return;
    QItemDelegate::drawDisplay(painter, option, rect, text);
}

QSize PropertyEditorDelegate::sizeHint(const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    return QItemDelegate::sizeHint(option, index) + QSize(kExtraWidth, kExtraHeight);
}

bool PropertyEditorDelegate::eventFilter(QObject* object, QEvent* event)
{
    // Switching to another window must not close (and commit) the editor.
    if (event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent*>(event)->reason() == Qt::ActiveWindowFocusReason)
        return false;
    return QItemDelegate::eventFilter(object, event);
}
