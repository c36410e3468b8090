#include "statestreeview.h"

#include <QAccessible>
#include <QApplication>
#include <QCommonStyle>
#include <QHash>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include <algorithm>
#include <memory>

// Paints the cells as Qt does and notes what each showed, read before it
// is painted: a unit may write the row meanwhile, and a cell noted older
// than it shows is only painted once more. A text that fits on one line is
// laid out once and kept: a live site repaints the same few voltage texts
// every second, and Qt lays each out twice per paint, which cost more than
// the rest of the cell.
class StatesTreeView::PaintedCells : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        // A cell painted in part keeps older pixels beside the new ones
        // (a scrolled strip): it counts as not painted.
        if (QRegion(option.rect & m_view).subtracted(m_region).isEmpty())
            m_cells.insert(index, {index.data(Qt::DisplayRole), index.data(Qt::BackgroundRole)});
        else
            m_cells.remove(index);
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        if (!paintWithKeptText(painter, opt, style))
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    }

    // Whether `index` shows what it showed when it was last painted.
    bool showsAsPainted(const QModelIndex& index) const
    {
        const auto painted = m_cells.constFind(index);
        return painted != m_cells.constEnd() && painted->text == index.data(Qt::DisplayRole)
            && painted->background == index.data(Qt::BackgroundRole);
    }

    // The indexes of the model may stand for other cells from now on.
    void forget() { m_cells.clear(); }
    // A paint of `region` of the view's `viewport`.
    void beginPaint(const QRegion& region, const QRect& viewport)
    {
        m_region = region;
        m_view = viewport;
    }

private:
    bool paintWithKeptText(QPainter* painter, QStyleOptionViewItem& opt, const QStyle* style) const;

    struct Shown
    {
        QVariant text;
        QVariant background;
    };
    mutable QHash<QModelIndex, Shown> m_cells;
    // The kept layouts, of texts in the font they were laid out in.
    struct LayoutKey
    {
        QString text;
        int width;
        int alignment;
        bool operator==(const LayoutKey& other) const
        {
            return width == other.width && alignment == other.alignment && text == other.text;
        }
    };
    friend uint qHash(const LayoutKey& key, uint seed)
    {
        return qHash(key.text, seed) ^ uint(key.width * 31 + key.alignment);
    }
    mutable QHash<LayoutKey, std::shared_ptr<QTextLayout>> m_layouts;
    mutable QFont m_layoutFont;
    QRegion m_region;
    QRect m_view;
};

bool StatesTreeView::PaintedCells::paintWithKeptText(QPainter* painter, QStyleOptionViewItem& opt,
                                                     const QStyle* style) const
{
    // Anything that moves or covers the text, or decides its place
    // otherwise (where the decoration is not shown selected, the text's own
    // size), goes Qt's way.
    if (opt.text.isEmpty() || !opt.showDecorationSelected
        || (opt.state & (QStyle::State_HasFocus | QStyle::State_Editing))
        || (opt.features & QStyleOptionViewItem::WrapText) || opt.direction != Qt::LeftToRight
        || !qobject_cast<const QCommonStyle*>(style) || style->inherits("QStyleSheetStyle"))
        return false;
    if (!(opt.font == m_layoutFont)) {
        m_layouts.clear();
        m_layoutFont = opt.font;
    }
    // The style paints the rest of the cell, its text rect the same without
    // the text.
    const QString text = std::exchange(opt.text, QString());
    const QWidget* widget = opt.widget;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect textRect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &opt, widget).adjusted(margin, 0, -margin, 0);
    const Qt::Alignment horizontal = QStyle::visualAlignment(opt.direction, opt.displayAlignment);
    const LayoutKey key{text, textRect.width(), int(horizontal)};
    auto found = m_layouts.constFind(key);
    if (found == m_layouts.constEnd()) {
        auto layout = std::make_shared<QTextLayout>(text, opt.font);
        QTextOption textOption;
        textOption.setWrapMode(QTextOption::ManualWrap);
        textOption.setTextDirection(opt.direction);
        textOption.setAlignment(horizontal);
        layout->setTextOption(textOption);
        layout->setCacheEnabled(true);
        layout->beginLayout();
        QTextLine line = layout->createLine();
        line.setLineWidth(textRect.width());
        line.setPosition(QPointF(0, 0));
        // One line that fits: nothing to elide.
        const bool fits = line.naturalTextWidth() <= textRect.width() && !layout->createLine().isValid();
        layout->endLayout();
        if (!fits)
            layout.reset();
        // A bound for a site whose texts keep changing.
        if (m_layouts.size() >= 512)
            m_layouts.clear();
        found = m_layouts.insert(key, layout);
    }
    const std::shared_ptr<QTextLayout>& layout = *found;
    const QRectF bounds = layout ? layout->boundingRect() : QRectF();
    if (!layout || bounds.height() > textRect.height()) {
        opt.text = text;
        return false;
    }
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
    QPalette::ColorGroup group = (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    if (group == QPalette::Normal && !(opt.state & QStyle::State_Active))
        group = QPalette::Inactive;
    painter->save();
    const bool selected = opt.state & QStyle::State_Selected;
    painter->setPen(opt.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    // Placed and drawn as the style places and draws its own layout.
    const QRect layoutRect = QStyle::alignedRect(Qt::LayoutDirectionAuto, opt.displayAlignment & Qt::AlignVertical_Mask,
                                                 bounds.size().toSize(), textRect);
    layout->draw(painter, QPointF(textRect.x(), layoutRect.top()));
    painter->restore();
    return true;
}

StatesTreeView::StatesTreeView(QWidget* parent)
    : QTreeView(parent)
    , m_painted(new PaintedCells(this))
{
    setItemDelegate(m_painted);
}

StatesTreeView::~StatesTreeView() = default;

void StatesTreeView::setModel(QAbstractItemModel* model)
{
    for (const QMetaObject::Connection& connection : qAsConst(m_modelConnections))
        disconnect(connection);
    m_modelConnections.clear();
    m_painted->forget();
    QTreeView::setModel(model);
    if (!model)
        return;
    const auto forget = [this] { m_painted->forget(); };
    m_modelConnections = {connect(model, &QAbstractItemModel::modelReset, this, forget),
                          connect(model, &QAbstractItemModel::layoutChanged, this, forget),
                          connect(model, &QAbstractItemModel::rowsInserted, this, forget),
                          connect(model, &QAbstractItemModel::rowsRemoved, this, forget),
                          connect(model, &QAbstractItemModel::rowsMoved, this, forget),
                          connect(model, &QAbstractItemModel::columnsInserted, this, forget),
                          connect(model, &QAbstractItemModel::columnsRemoved, this, forget),
                          connect(model, &QAbstractItemModel::columnsMoved, this, forget)};
}

void StatesTreeView::paintEvent(QPaintEvent* event)
{
    m_painted->beginPaint(event->region(), viewport()->rect());
    QTreeView::paintEvent(event);
}

void StatesTreeView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                 const QVector<int>& roles)
{
    // Qt's own way where a row's height, an editor, the tree's branches, an
    // icon or an assistive tool may follow the change.
    if (!topLeft.isValid() || topLeft.parent() != bottomRight.parent() || topLeft.column() == 0
        || !uniformRowHeights() || state() == EditingState || roles.contains(Qt::SizeHintRole)
        || QAccessible::isActive()) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    if (!updateChangedCells(topLeft, bottomRight))
        viewport()->update();
}

bool StatesTreeView::updateChangedCells(const QModelIndex& topLeft, const QModelIndex& bottomRight)
{
    const QRect first = visualRect(topLeft.siblingAtColumn(0));
    const QRect last = visualRect(bottomRight.siblingAtColumn(0));
    const int height = first.height();
    const int rows = bottomRight.row() - topLeft.row();
    if (!first.isValid() || !last.isValid() || height < 1 || last.top() != first.top() + rows * height)
        return false;
    const int viewWidth = viewport()->width();
    const int viewHeight = viewport()->height();
    if (first.top() >= viewHeight || last.bottom() < 0)
        return true;
    const int firstInView = first.top() >= 0 ? 0 : -first.top() / height;
    const int lastInView = std::min(rows, (viewHeight - 1 - first.top()) / height);
    const QModelIndex parent = topLeft.parent();
    for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
        const int x = columnViewportPosition(column);
        const int width = columnWidth(column);
        if (header()->isSectionHidden(column) || x + width <= 0 || x >= viewWidth)
            continue;
        for (int offset = firstInView; offset <= lastInView; ++offset) {
            if (!m_painted->showsAsPainted(model()->index(topLeft.row() + offset, column, parent)))
                viewport()->update(QRect(x, first.top() + offset * height, width, height));
        }
    }
    return true;
}
